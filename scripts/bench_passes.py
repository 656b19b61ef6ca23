#!/usr/bin/env python3
"""Start-up cost and growth of the passes, side by side with their peers (a benchmark, not a
test). For an empty input and for inputs of 1x, 4x and 16x a base size it prints each pass's
instruction count (valgrind --tool=callgrind) and that of its peer: /bin/true for start-up,
gpasm for ormasm, srec_cat for ormpatch, gplink for ormlink. Measure a Release build:

    cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build-release
    scripts/bench_passes.py build-release [--base N] [--time] [--startup]

--time measures the best of three wall-clock runs instead, where valgrind is missing;
--startup measures only the empty inputs.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

FORMS = ["\tmovlw\t0x%02X", "\tmovwf\t0x%02X", "\taddwf\t0x%02X,w", "\tbcf\t0x%02X,3",
         "\tbtfss\t0x%02X,2", "\txorlw\t0x%02X", "\tdecfsz\t0x%02X,f", "\tclrf\t0x%02X"]


def asm_body(lines):
    """Instruction lines both assemblers read alike."""
    out = []
    for i in range(lines):
        if i % 16 == 0:
            out.append("l%d" % i)
        out.append("\tgoto\tl%d" % (i - 15) if i % 16 == 15 else FORMS[i % len(FORMS)] % (0x20 + i % 0x50))
    return "\n".join(out) + "\n"


def intel_hex(words):
    """An Intel HEX file of `words` 14-bit words, 16 bytes a record, with extended addresses."""
    lines, upper = [], -1
    for start in range(0, 2 * words, 16):
        if start >> 16 != upper:
            upper = start >> 16
            rec = [2, 0, 0, 4, upper >> 8, upper & 0xFF]
            lines.append(":" + "".join("%02X" % b for b in rec) + "%02X" % (-sum(rec) & 0xFF))
        n = min(16, 2 * words - start)
        data = [(start + i) * 7 & (0x3F if i % 2 else 0xFF) for i in range(n)]
        rec = [n, (start >> 8) & 0xFF, start & 0xFF, 0] + data
        lines.append(":" + "".join("%02X" % b for b in rec) + "%02X" % (-sum(rec) & 0xFF))
    lines.append(":00000001FF")
    return "\n".join(lines) + "\n"


def c_source(functions):
    out = ["int total;"]
    for i in range(functions):
        out.append("int f%d(int a) { int b = a * %d; if (b > 10) total += b; return b + total; }" % (i, i + 1))
    out.append("void main(void) { total = f0(1); }")
    return "\n".join(out) + "\n"


def measure(command, cwd, use_time):
    """Instructions (or seconds) of one run; None when the command failed."""
    if use_time:
        best = None
        for _ in range(3):
            start = time.perf_counter()
            r = subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            if r.returncode != 0:
                return None
            elapsed = time.perf_counter() - start
            best = elapsed if best is None else min(best, elapsed)
        return best
    out = os.path.join(cwd, "callgrind.out")
    r = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out] + command, cwd=cwd,
                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=dict(os.environ, ORM_REGISTRY=""))
    if r.returncode != 0:
        return None
    m = re.search(r"Collected : (\d+)", r.stderr.decode(errors="replace"))
    os.remove(out)
    return int(m.group(1)) if m else None


def show(value, use_time, missing="failed"):
    if value is None:
        return missing
    return "%.4f s" % value if use_time else "{:,}".format(value)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--base", type=int, default=4000, help="lines, words or functions of the 1x input")
    ap.add_argument("--time", action="store_true")
    ap.add_argument("--startup", action="store_true", help="only the start-up rows")
    a = ap.parse_args()
    use_time = a.time or not shutil.which("valgrind")
    bindir = os.path.join(os.path.abspath(a.build), "bin")
    ours = lambda name: os.path.join(bindir, name)  # noqa: E731
    rows = []
    with tempfile.TemporaryDirectory() as d:
        # Start-up: every pass on an empty input (or its version banner) against /bin/true.
        open(os.path.join(d, "empty.as"), "w").close()
        open(os.path.join(d, "empty.c"), "w").close()
        true_cost = measure(["/bin/true"], d, use_time)
        rows.append(("/bin/true", "-", true_cost, None))
        for name, args in [("ormasm", ["-oe.obj", "empty.as"]), ("ormannot", ["empty.c", "e.lst"]),
                           ("ormpre", ["empty.c", "e.pre"]), ("ormparse", ["empty.c", "e.ic"]),
                           ("ormcg", ["--ver"]), ("ormlink", ["--ver"]), ("ormhex", ["--ver"]),
                           ("ormpatch", ["--ver"]), ("ormtrim", ["--ver"]), ("ormxref", ["--ver"]),
                           ("ormconv", ["--ver"]), ("ormarch", ["--ver"]), ("ormcl", ["--ver"])]:
            if os.path.exists(ours(name)):
                rows.append((name, "empty", measure([ours(name)] + args, d, use_time), true_cost))
        # Growth: 1x, 4x, 16x inputs against the peer on the same input.
        for factor in () if a.startup else (1, 4, 16):
            n = a.base * factor
            body = asm_body(n)
            with open(os.path.join(d, "big.as"), "w") as f:
                f.write("\tprocessor\t16F877\n\tpsect\ttext,class=CODE,delta=2\n" + body + "\tend\n")
            with open(os.path.join(d, "big.asm"), "w") as f:
                f.write("\tprocessor 16f877\n\tradix dec\ntext\tcode\n" + body + "\tend\n")
            gp = measure(["gpasm", "-c", "-p16f877", "-w2", "big.asm"], d, use_time) if shutil.which("gpasm") else None
            rows.append(("ormasm", "%dx" % factor, measure([ours("ormasm"), "-obig.obj", "big.as"], d, use_time), gp))
            with open(os.path.join(d, "in.hex"), "w") as f:
                f.write(intel_hex(n * 16))
            sc = measure(["srec_cat", "in.hex", "-intel", "-fill", "0xFF", "0", str(n * 64), "-o", "sc.hex",
                          "-intel"], d, use_time) if shutil.which("srec_cat") else None
            rows.append(("ormpatch", "%dx" % factor,
                         measure([ours("ormpatch"), "in.hex", "-FILL=FF@0-%X" % (n * 64 - 1), "-Oout.hex"], d,
                                 use_time), sc))
            with open(os.path.join(d, "big.c"), "w") as f:
                f.write(c_source(n // 20))
            rows.append(("ormpre", "%dx" % factor, measure([ours("ormpre"), "big.c", "big.pre"], d, use_time),
                         None))
            rows.append(("ormparse", "%dx" % factor,
                         measure([ours("ormparse"), "big.pre", "big.ic"], d, use_time), None))
    unit = "time" if use_time else "instructions"
    # "growth": the cost against the same pass on the input a quarter the size (4.00 is linear).
    print("%-10s %-6s %18s %18s %8s %8s" % ("pass", "input", unit, "peer", "ratio", "growth"))
    previous = {}
    for name, size, cost, peer in rows:
        ratio = "%.2f" % (cost / peer) if cost and peer else "-"
        before = previous.get(name) if size.endswith("x") else None
        growth = "%.2f" % (cost / before) if cost and before else "-"
        if size.endswith("x"):
            previous[name] = cost
        print("%-10s %-6s %18s %18s %8s %8s" % (name, size, show(cost, use_time), show(peer, use_time, "-"), ratio,
                                                 growth))
    return 0


if __name__ == "__main__":
    sys.exit(main())
