#!/usr/bin/env python3
"""GCC's C89 execute torture tests compiled for the 16F877A and run in gpsim, each classed as
passed, does not fit (ROM or RAM full: the linker's message), unsupported (the compiler's
message), crashed (a pass died) or WRONG (ran to abort, or never ended). Prints the counts;
exits 1 on any WRONG or crash, or when a test of torture_passing.txt no longer passes.

    torture_run.py BUILD_DIR [--update] [--only NAME...]

--update rewrites torture_passing.txt with the tests that pass now. Not registered as a CTest
test until the code generator compiles functions."""
import argparse
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "testsupport"))
from pictarget import build, run_until  # noqa: E402
from ormtest import Workdir  # noqa: E402

PASSING = os.path.join(HERE, "torture_passing.txt")
CHIP = "16F877A"
# abort and exit for the tests, and a main around theirs (renamed by -D) for those that return.
SUPPORT = """\
volatile unsigned char orm_result;
void abort(void) { orm_result = 2; for (;;) continue; }
void exit(int status) { orm_result = status == 0 ? 1 : 2; for (;;) continue; }
int torture_main();
int main(void) { torture_main(); exit(0); return 0; }
"""
# Linker messages that say the program does not fit the chip.
DOES_NOT_FIT = ("(491)", "(497)", "(498)", "(593)")


def corpus(work):
    """(suite folder, [C89 test file names]) through the shared corpus loader."""
    script = '. "%s"; c89_corpus "%s"; printf "%%s\\n" "$suite" "${files[@]}"' % (
        os.path.join(SOURCE, "tests", "torture", "c89_corpus.sh"), work)
    r = subprocess.run(["bash", "-c", script], capture_output=True, text=True)
    if r.returncode != 0:
        sys.exit(r.returncode)
    lines = r.stdout.split()
    return lines[0], lines[1:]


def first_message(text):
    for line in text.splitlines():
        if re.search(r"\(\d+\)", line) and "(908)" not in line:
            return line.strip()
    return text.strip()[:200]


def classify(w, path):
    """(class, detail) of one test."""
    with open(path, encoding="latin-1") as f:
        w.write("t.c", f.read())
    w.write("support.c", SUPPORT)
    r, sym = build(w, CHIP, ["t.c", "support.c"], "-Dmain=torture_main")
    out = r.stdout + r.stderr
    if r.returncode < 0 or "AddressSanitizer" in out or "runtime error" in out or "Segmentation" in out:
        return "crashed", first_message(out)
    if sym is None:
        if any(m in out for m in DOES_NOT_FIT):
            return "does not fit", first_message(out)
        return "unsupported", first_message(out)
    if "_orm_result" not in sym:
        return "WRONG", "no orm_result in the symbol file"
    at = sym["_orm_result"]
    regs, reached, _ = run_until(w, CHIP, "prog.hex", "w 0x{0:x}, reg(0x{0:x}) != 0".format(at), [at], 20000000)
    if not reached:
        return "WRONG", "did not end"
    return ("passed", "") if regs.get(at) == 1 else ("WRONG", "abort called")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("build_dir")
    p.add_argument("--update", action="store_true")
    p.add_argument("--only", nargs="*")
    a = p.parse_args()
    os.environ["ORM_BUILD_DIR"] = os.path.abspath(a.build_dir)
    work = tempfile.mkdtemp(prefix="orm_torture_")
    suite, files = corpus(work)
    if a.only:
        files = [f for f in files if f in a.only]
    results = {}
    with Workdir() as w:
        for name in files:
            results[name] = classify(w, os.path.join(suite, name))
            if results[name][0] in ("WRONG", "crashed"):
                print("%s: %s: %s" % (name, *results[name]))
    counts = {}
    for kind, _ in results.values():
        counts[kind] = counts.get(kind, 0) + 1
    print(", ".join("%s %d" % (k, counts.get(k, 0)) for k in ("passed", "does not fit", "unsupported", "WRONG", "crashed")))
    passing = sorted(n for n, (kind, _) in results.items() if kind == "passed")
    before = []
    if os.path.exists(PASSING):
        with open(PASSING) as f:
            before = [line.strip() for line in f if line.strip()]
    lost = [n for n in before if n in results and results[n][0] != "passed"]
    for n in lost:
        print("%s passed before and now is %s: %s" % (n, *results[n]))
    if a.update:
        with open(PASSING, "w") as f:
            f.write("".join(n + "\n" for n in passing))
    return 1 if lost or counts.get("WRONG") or counts.get("crashed") else 0


if __name__ == "__main__":
    sys.exit(main())
