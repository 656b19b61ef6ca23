#!/usr/bin/env python3
"""Code size and speed of small kernels (tests/exec/bench/*.c) on the 16F877A: code words from
the map file's CODE class, cycles from gpsim up to STOP(), with --opt=none and with the
default options, and the ratio of the two. The baseline the optimiser is measured against.
Then the total code words of the execution table's programs both ways, and the compile times of
one function of 500 to 5,000 statements (their growth should stay near linear).

    scripts/bench_kernels.py [BUILD_DIR]        (default: build)"""
import glob
import os
import re
import shutil
import sys
import time

SOURCE = os.path.abspath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
sys.path.insert(0, os.path.join(SOURCE, "testsupport"))
from pictarget import build, run_until  # noqa: E402
from ormtest import Workdir  # noqa: E402

CHIP = "16F877A"
BENCH = os.path.join(SOURCE, "tests", "exec", "bench")
OPTION_SETS = {"none": ["--opt=none"], "default": []}


def code_words(map_text):
    """Sum of the lengths of the CODE class's sections in the map's totals."""
    m = re.search(r"CLASS\s+CODE\s*\n(.*?)\n\s*CLASS", map_text, re.S)
    return sum(int(line.split()[3], 16) for line in m.group(1).splitlines() if len(line.split()) == 4) if m else None


def measure(w, source, options):
    """(code words, cycles) or the first message that stopped the build."""
    r, sym = build(w, CHIP, [source], "-Mprog.map", *options)
    if sym is None:
        lines = [x for x in (r.stdout + r.stderr).splitlines() if re.search(r"\(\d+\)", x) and "(908)" not in x]
        return lines[0] if lines else "build failed"
    done = sym["_orm_done"]
    _, reached, out = run_until(w, CHIP, "prog.hex", "w 0x{0:x}, reg(0x{0:x}) == 1".format(done), [done])
    cycles = re.search(r"^0x([0-9A-F]{16}) p", out, re.M)
    if not reached or not cycles:
        return "did not reach STOP()"
    return code_words(w.read("prog.map")), int(cycles.group(1), 16)


def main():
    os.environ["ORM_BUILD_DIR"] = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(SOURCE, "build"))
    print("%-10s %18s %18s %14s %16s" % ("kernel", "none words/cycles", "default words/cycles", "ratio w/c",
                                        "words/cycles %"))
    with Workdir() as w:
        shutil.copy(os.path.join(SOURCE, "tests", "exec", "target.h"), w.file("target.h"))
        for path in sorted(glob.glob(os.path.join(BENCH, "*.c"))):
            name = os.path.basename(path)
            shutil.copy(path, w.file(name))
            got = {k: measure(w, name, o) for k, o in OPTION_SETS.items()}
            if not all(isinstance(v, tuple) for v in got.values()):
                print("%-10s %s" % (name[:-2], "; ".join(v for v in got.values() if isinstance(v, str))))
                continue
            (nw, nc), (dw, dc) = got["none"], got["default"]
            # The optimiser must never make a kernel bigger: say so loudly when it does.
            print("%-10s %8d/%-9d %8d/%-9d %6.2f/%-6.2f %+6.1f/%+6.1f%s" % (
                name[:-2], nw, nc, dw, dc, dw / nw, dc / nc, 100.0 * (dw - nw) / nw, 100.0 * (dc - nc) / nc,
                "  BIGGER" if dw > nw else ""))
        table_sizes(w)
        compile_times(w)
    return 0


def table_sizes(w):
    """Total code words of the execution table's programs with each option set."""
    sys.path.insert(0, os.path.join(SOURCE, "tests", "exec"))
    from table import C_PROGRAMS  # noqa: E402
    programs = os.path.join(SOURCE, "tests", "exec", "programs")
    for header in glob.glob(os.path.join(programs, "*.h")):
        shutil.copy(header, w.file(os.path.basename(header)))
    totals = {k: 0 for k in OPTION_SETS}
    for name, _ in C_PROGRAMS:
        shutil.copy(os.path.join(programs, name), w.file(name))
        sizes = {}
        for k, o in OPTION_SETS.items():
            r, sym = build(w, CHIP, [name], "-Mprog.map", *o)
            sizes[k] = code_words(w.read("prog.map")) if sym is not None else None
        if None in sizes.values():
            continue
        for k in totals:
            totals[k] += sizes[k]
    drop = 100.0 * (totals["none"] - totals["default"]) / totals["none"] if totals["none"] else 0.0
    print("execution table: %d words with --opt=none, %d with the default options (%.1f%% smaller)"
          % (totals["none"], totals["default"], drop))


def compile_times(w):
    """Seconds to compile (-S) one function of n statements, with each option set."""
    print("%-10s %10s %10s" % ("statements", "none s", "default s"))
    for n in (500, 1000, 2000, 5000):
        body = "".join("    g%d += %d;\n    if (g%d == %d) g2++;\n" % (i % 2, i % 251, i % 2, i % 7) for i in range(n // 2))
        w.write("long.c", "unsigned char g0, g1, g2;\nvoid f(void) {\n%s}\nvoid main(void) { f(); }\n" % body)
        times = []
        for o in OPTION_SETS.values():
            start = time.monotonic()
            w.tool("ormcl", "-Q", "--chip=" + CHIP, "-S", *o, "long.c")
            times.append(time.monotonic() - start)
        print("%-10d %10.2f %10.2f" % (n, times[0], times[1]))


if __name__ == "__main__":
    sys.exit(main())
