"""The machinery of the execution tests, shared by the table's programs and the random
programs: build and run a program on the host through target.h, build it with ormcl and run
it in gpsim until it writes orm_done, and compare globals."""
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from e2e import check  # noqa: E402
from pictarget import build, little_endian, run_until  # noqa: E402

PROGRAMS = os.path.join(HERE, "programs")
SIZES = {"u8": 1, "i8": 1, "u16": 2, "i16": 2, "u32": 4, "i32": 4}
UNSIGNED = {"u8": "u8", "i8": "u8", "u16": "u16", "i16": "u16", "u32": "u32", "i32": "u32"}
HOST_FLAGS = ["-std=c89", "-pedantic", "-Wall", "-Wextra", "-Werror", "-fsanitize=undefined",
              "-fno-sanitize-recover=all"]
# While the rule set covers only part of C: "code for statements is not generated yet" and
# "can't generate code for this expression" mark a program the code generator cannot build yet.
NOT_YET = ("(725)", "(712)")
# Linker messages that say the program's data does not fit the chip's RAM.
DOES_NOT_FIT = ("(491)", "(593)")
# What the linker says when the code does not fit the program memory the code generator uses.
CODE_FULL = re.compile(r'\(593\) .* in segment "CODE"')
unsupported = []
not_fitting = []


def jobs_option(args):
    """(J, the other arguments) of a command line that may begin with "--jobs J" (1 without)."""
    if args[:1] == ["--jobs"] and len(args) > 1 and args[1].isdigit():
        return max(1, int(args[1])), args[2:]
    return 1, args


def in_parallel(jobs, work, items):
    """Calls work(*item) for every item, `jobs` at a time (each builds in a folder of its own);
    an exception in one ends the test."""
    if jobs == 1:
        for item in items:
            work(*item)
        return
    with ThreadPoolExecutor(max_workers=jobs) as pool:
        for future in [pool.submit(work, *item) for item in items]:
            future.result()


def results_of(expected):
    return [(r[0], r[1], r[2] if len(r) > 2 else 1) for r in expected]


def host_dump(results):
    """C source of orm_host_stop: prints every result element as "name index value"."""
    lines = ["#include <stdio.h>", "#include <stdlib.h>", '#include "target.h"']
    for name, kind, count in results:
        lines.append("extern %s %s[%d];" % (kind, name, count) if count > 1 else "extern %s %s;" % (kind, name))
    lines += ["void orm_host_stop(void)", "{", "    unsigned i = 0;"]
    for name, kind, count in results:
        element = "%s[i]" % name if count > 1 else name
        lines.append('    for (i = 0; i < %d; i++) printf("%s %%u %%lu\\n", i, (unsigned long)(%s)%s);'
                     % (count, name, UNSIGNED[kind], element))
    lines += ["    exit(0);", "}", ""]
    return "\n".join(lines)


def parts_of(path):
    """The numbers n of the independent groups a program guards with #if PART(n), in order
    (none for a program that is not split): where RAM is short each group runs alone."""
    with open(path) as f:
        return sorted({int(n) for n in re.findall(r"\bPART\((\d+)\)", f.read())})


def chips_for(key, chips, not_on):
    """The chips of `chips` that `not_on` ({program or "program#n": ({chips}, reason)}) does
    not exclude for `key`; each one left out is printed with the reason."""
    left_out, reason = not_on.get(key, ((), ""))
    for chip in chips:
        if chip in left_out:
            print("skipped: %s for %s: %s" % (key, chip, reason))
    return [chip for chip in chips if chip not in left_out]


def part_option(part):
    """The option that compiles in only group `part` (all groups for None), for gcc and ormcl."""
    return [] if part is None else ["-DORM_PART=%d" % part]


def _defined_globals(w, source, flags):
    obj = w.file("defined.o")
    r = w.run(["gcc", "-c"] + flags + ["-I" + w.file(""), w.file(source), "-o", obj])
    if not check(r.returncode == 0, "%s compiles on the host with %s: %s" % (source, flags, r.stdout + r.stderr)):
        return None
    r = w.run(["nm", "--defined-only", obj])
    return {line.split()[2] for line in r.stdout.splitlines() if len(line.split()) == 3 and line.split()[1] in "BDRCGS"}


# Host results depend only on the program's text, its headers, the flags and the host compiler,
# never on the chip or option set under test: each is built and run once and kept here, shared by
# every test and every run (a key names all it depends on, and a file appears whole or not at all).
HOST_CACHE = os.environ.get("ORM_HOST_CACHE") or os.path.join(tempfile.gettempdir(), "orm_host_results")
_compiler = []


def _host_key(w, source, what, flags):
    if not _compiler:
        r = subprocess.run(["gcc", "--version"], capture_output=True, text=True)
        _compiler.append(r.stdout.splitlines()[0] if r.stdout else "gcc")
    key = hashlib.sha256(repr((what, flags, _compiler[0])).encode())
    for name in sorted(os.listdir(w.path)):
        if name == source or name.endswith(".h"):
            with open(w.file(name), "rb") as f:
                key.update(name.encode() + b"\0" + f.read() + b"\0")
    return os.path.join(HOST_CACHE, key.hexdigest() + ".json")


def _cached(path):
    try:
        with open(path) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def _keep(path, value):
    os.makedirs(HOST_CACHE, exist_ok=True)
    part = "%s.%d.%d" % (path, os.getpid(), id(value))
    with open(part, "w") as f:
        json.dump(value, f)
    os.replace(part, path)


def defined_globals(w, source, flags):
    """The names of the globals `source` defines when gcc builds it with `flags`, or None."""
    path = _host_key(w, source, "defined", flags)
    names = _cached(path)
    if names is None:
        names = _defined_globals(w, source, flags)
        if names is None:
            return None
        _keep(path, sorted(names))
    return set(names)


def run_on_host(w, source, results, flags=HOST_FLAGS):
    """{(name, index): value} from the host build, or None."""
    path = _host_key(w, source, repr(results), flags)
    rows = _cached(path)
    if rows is None:
        values = _run_on_host(w, source, results, flags)
        if values is None:
            return None
        _keep(path, [[name, index, value] for (name, index), value in sorted(values.items())])
        return values
    return {(name, index): value for name, index, value in rows}


def _run_on_host(w, source, results, flags):
    w.write("host_dump.c", host_dump(results))
    exe = w.file("host_" + source.replace(".", "_"))
    r = w.run(["gcc"] + flags + ["-I" + w.file(""), w.file(source), w.file("host_dump.c"), "-o", exe])
    if not check(r.returncode == 0, "%s builds on the host: %s" % (source, r.stdout + r.stderr)):
        return None
    r = w.run([exe])
    if not check(r.returncode == 0 and "runtime error" not in r.stderr,
                 "%s runs on the host without undefined behaviour: %s" % (source, r.stderr)):
        return None
    values = {}
    for line in r.stdout.splitlines():
        name, index, value = line.split()
        values[(name, int(index))] = int(value)
    return values


def run_on_target(w, chip, options, source, expected, may_not_fit=False, must_compile=False, code_may_not_fit=False):
    """Builds and runs `source` for `chip`; `expected` is [(symbol, byte offset, size, value)].
    With `may_not_fit` a program whose data the linker cannot place is reported, not failed;
    with `code_may_not_fit` one whose code the linker cannot place;
    with `must_compile` an operation the code generator has no rule for fails the test.
    Returns how it ended: "passed", "unsupported", "does not fit", "build failed", "hung" or "wrong"."""
    what = "%s for %s %s" % (source, chip, " ".join(options) or "(default options)")
    r, sym = build(w, chip, [source], *options)
    if source.endswith(".c") and any(mark in r.stdout + r.stderr for mark in NOT_YET):
        if must_compile:
            check(False, what + " compiles: " + r.stdout + r.stderr)
            return "build failed"
        # the message names the construct: a long run's unsupported builds can be counted by cause
        said = next(line for line in (r.stdout + r.stderr).splitlines() if any(mark in line for mark in NOT_YET))
        unsupported.append("%s: %s" % (what, said.strip()))
        return "unsupported"
    # Code first: the linker reports a data section it could not place beside code that does
    # not fit with the same number, and that is part of the same failure.
    if sym is None and code_may_not_fit and CODE_FULL.search(r.stdout + r.stderr):
        not_fitting.append(what + " (program memory)")
        return "code does not fit"
    if sym is None and may_not_fit and any(mark in r.stdout + r.stderr for mark in DOES_NOT_FIT):
        not_fitting.append(what)
        return "does not fit"
    if not check(sym is not None, what + " builds: " + r.stdout + r.stderr):
        return "build failed"
    if not check("_orm_done" in sym and all(s in sym for s, _, _, _ in expected),
                 what + ": its globals are in the symbol file"):
        return "build failed"
    registers = sorted({sym[s] + at + i for s, at, size, _ in expected for i in range(size)})
    regs, reached, out = run_until(w, chip, "prog.hex", "w 0x{0:x}, reg(0x{0:x}) == 1".format(sym["_orm_done"]), registers)
    if not check(reached, what + " runs to STOP(): " + out[-1500:]):
        return "hung"
    wrong = []
    for s, at, size, value in expected:
        got = little_endian(regs, sym[s] + at, size)
        if got != value:
            wrong.append("%s+%d=%s (expected 0x%X)" % (s, at, "?" if got is None else "0x%X" % got, value))
    return "passed" if check(not wrong, what + " leaves the expected globals: " + ", ".join(wrong)) else "wrong"




def report_unsupported():
    for what in sorted(unsupported):
        print("unsupported (no rule yet):", what)
    print("%d builds unsupported" % len(unsupported))
    for what in not_fitting:
        print("does not fit the chip:", what)
