#!/usr/bin/env python3
"""GCC's C89 execute torture tests compiled for the 16F877A (or the chip --chip names) and run
in gpsim, each classed as passed, does not fit (ROM or RAM full: the linker's message),
unsupported (the compiler's message), crashed (a pass died) or WRONG (ran to abort, or never
ended). Prints the counts; exits 1 on any WRONG or crash, or when a test of torture_passing.txt
no longer passes.

    torture_run.py BUILD_DIR [--chip CHIP] [--opt none|default] [--shard K/N] [--jobs J] [--update] [--only NAME...] [--list]
                   [--cover]

--opt picks the option set (--opt=none or the default options; without it, both in turn;
"alternate" runs each test with one of them, the two taking turns, at half the cost).

torture_passing.txt lists the 16F877A's passing tests; on another chip a run fails on a WRONG
result or a crash alone (a test too large for a small chip does not fit).

--shard K/N runs every N-th test from the K-th (0-based), so that CTest runs the shards side
by side; --jobs runs that many tests at once. --update rewrites torture_passing.txt with the
tests that pass now, a line "OPTION_SET TEST" each, keeping the lines of tests not run. --list prints every test with its class.
--cover fails a run that holds no test of one of the classes passed, does not fit and unsupported
(a fixed sample of the corpus must stand for each).
Tests written for IEEE floating point run with --double=32; a test that needs what the target
lacks (a 32-bit int ...) is unsupported without being compiled."""
import argparse
import os
import re
import subprocess
import sys
import threading
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.abspath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(SOURCE, "testsupport"))
from pictarget import GPSIM_CHIP, NO_WATCHDOG, WATCHDOG_OFF, build, run_until  # noqa: E402
from ormtest import Workdir  # noqa: E402

PASSING = os.path.join(HERE, "torture_passing.txt")
# The chip whose results torture_passing.txt holds.
LISTED_CHIP = "16F877A"
# abort and exit for the tests, and a main around theirs (renamed by -D) for those that return;
# exit is renamed too, since the run-time library has one of its own.
RENAMES = ("-Dmain=torture_main", "-Dexit=torture_exit")
SUPPORT = """\
#undef main
volatile unsigned char orm_result;
void abort(void) { orm_result = 2; for (;;) continue; }
void exit(int status) { if (status == 0) orm_result = 1; else orm_result = 2; for (;;) continue; }
"""
# The call of the test's main: a main that takes (argc, argv) gets a prototype that matches its
# definition (the linker compares the two) and the arguments of a program run without any.
CALL_PLAIN = "int torture_main();\nint main(void) { torture_main(); exit(0); return 0; }\n"
CALL_ARGS = """\
int torture_main(int, char **);
static char program_name[1];
static char *arguments[2] = { program_name, 0 };
int main(void) { torture_main(1, arguments); exit(0); return 0; }
"""
MAIN_WITH_ARGS = re.compile(r"\bmain\s*\(\s*int\s+\w+\s*,\s*char\s*\*")
PROTOTYPES = "void abort(void);\nvoid exit(int);\n"
# A numbered message at the start of a line (also indented, with its caret after it), after
# "file: line: " or under a caret; not "(0)" in a quoted source line.
NUMBERED = re.compile(r"(?:^\s*|: |\^ )\((\d+)\) ", re.M)
# The driver's "exec failed": a pass died.
PASS_DIED = "(900)"
# Linker messages that say the program does not fit the chip.
DOES_NOT_FIT = ("(491)", "(497)", "(498)", "(593)")
# About 570 files pass the C89 filter; far fewer means the unpacking lost them.
MINIMUM = 450
# Cycles before a test that has not ended counts as never ending: some tests run thousands of
# 32-bit divisions (arith-rand.c needs about 100 million); gpsim gets through this many in seconds.
CYCLES = 400000000
# What a test says it needs of the target that this one lacks (a 32-bit int, nested functions,
# a large stack ...): it cannot be run here, whatever the compiler does.
NEEDS = re.compile(r"dg-require-(?:effective-target\s+(\w+)|(stack-size))")
# Floating point: `double` is 24 bits unless --double=32; the tests are written for IEEE
# formats, so they run with the 32-bit one.
FLOATING = re.compile(r"\b(float|double)\b")
OPTION_SETS = {"none": ["--opt=none"], "default": []}
# The classes a sample of the corpus (--cover) must hold a test of each.
COVERED = ("passed", "does not fit", "unsupported")
# Tests whose `float` must be IEEE single: this target's float stays 24 bits even with
# --double=32, so their checks cannot hold here: {test: reason}.
FLOAT_PRECISION = {
    "930603-1.c": "checks a float result to within 1e-4 near 4.3, finer than a 24-bit float's step (1.2e-4)",
}
# Tests that assume an implementation-defined behaviour this target defines otherwise, checked
# by hand to differ in that alone: {test: reason}. A plain int bit-field is unsigned here.
IMPLEMENTATION_DEFINED = {
    "pr48973-1.c": "a plain int bit-field taken as signed (a 1-bit field set to 1 read as -1)",
    "pr48973-2.c": "a plain int bit-field taken as signed (a 1-bit field set to 1 read as -1)",
    "pr49123.c": "a plain int bit-field taken as signed (a 1-bit field set to 1 read as -1)",
}


def corpus():
    """(suite folder, [C89 test file names]) through the shared corpus loader (which unpacks the
    corpus once, under a lock, for all the shards that start side by side)."""
    script = '. "%s"; c89_corpus stdarg; printf "%%s\\n" "$suite" "${files[@]}"' % (
        os.path.join(SOURCE, "tests", "torture", "c89_corpus.sh"))
    r = subprocess.run(["bash", "-c", script], capture_output=True, text=True)
    if r.returncode != 0:
        print(r.stdout + r.stderr)
        sys.exit(r.returncode)
    lines = r.stdout.split()
    if len(lines) - 1 < MINIMUM:
        print("only %d tests in the corpus: the unpacking lost some" % (len(lines) - 1))
        sys.exit(1)
    return lines[0], lines[1:]


def first_message(text):
    """The first numbered error, else the first numbered message."""
    lines = [line.strip() for line in text.splitlines() if NUMBERED.search(line) and "(908)" not in line]
    errors = [line for line in lines if "(warning)" not in line]
    return (errors or lines or [text.strip()[:200]])[0]


def classify(w, chip, path, options):
    """(class, detail) of one test."""
    with open(path, encoding="latin-1") as f:
        source = f.read()
    need = NEEDS.search(source)
    if need:
        return "unsupported", "needs a target feature this one lacks: " + (need.group(1) or need.group(2))
    if os.path.basename(path) in FLOAT_PRECISION:
        return "unsupported", "needs an IEEE single float: " + FLOAT_PRECISION[os.path.basename(path)]
    if os.path.basename(path) in IMPLEMENTATION_DEFINED:
        return "unsupported", "assumes what this target defines otherwise: " + \
            IMPLEMENTATION_DEFINED[os.path.basename(path)]
    # Many tests call abort and exit undeclared (int in C89); the library's own prototypes
    # first, as the tests' own compilers know them, so that the link agrees with support.c.
    # Written back byte for byte: read as latin-1, a byte above 0x7F would otherwise go out as
    # two bytes of UTF-8 and lengthen the string it stands in.
    with open(w.file("t.c"), "w", encoding="latin-1") as f:
        f.write(PROTOTYPES + source)
    w.write("support.c", SUPPORT + (CALL_ARGS if MAIN_WITH_ARGS.search(source) else CALL_PLAIN))
    for stale in ("prog.hex", "prog.sym"):
        if w.exists(stale):
            os.remove(w.file(stale))
    options = options + (["--double=32"] if FLOATING.search(source) else [])
    r, sym = build(w, chip, ["t.c", "support.c"], *RENAMES, *options)
    if PASS_DIED in r.stdout + r.stderr:
        # A loaded machine can refuse to start a pass; a second refusal counts as a crash.
        r, sym = build(w, chip, ["t.c", "support.c"], *RENAMES, *options)
    out = r.stdout + r.stderr
    if r.returncode < 0 or PASS_DIED in out or "AddressSanitizer" in out or "runtime error" in out or "Segmentation" in out:
        return "crashed", first_message(out)
    if sym is None:
        if any(m in out for m in DOES_NOT_FIT):
            return "does not fit", first_message(out)
        if not NUMBERED.search(out):
            return "crashed", "failed without a numbered message: " + out.strip()[:200]
        return "unsupported", first_message(out)
    if "_orm_result" not in sym:
        return "WRONG", "no orm_result in the symbol file"
    at = sym["_orm_result"]
    regs, reached, _ = run_until(w, chip, "prog.hex", "w 0x{0:x}, reg(0x{0:x}) != 0".format(at), [at], CYCLES)
    if not reached:
        return "WRONG", "did not end"
    return ("passed", "") if regs.get(at) == 1 else ("WRONG", "abort called")


def classify_guarded(w, chip, path, options):
    try:
        return classify(w, chip, path, options)
    except subprocess.TimeoutExpired as e:
        # A pass that never ends is a fault of its own, like one that dies.
        return "crashed", "did not finish: " + " ".join(str(a) for a in e.cmd)[:200]


def run_all(chip, suite, runs, jobs):
    """{(option set, name): (class, detail)} of `runs` [(option set, name)] on `chip`, `jobs`
    tests at a time, each worker in a scratch folder of its own."""
    local = threading.local()
    folders = []

    def one(run):
        if not hasattr(local, "w"):
            local.w = Workdir(prefix="orm_torture_")
            folders.append(local.w)
        return run, classify_guarded(local.w, chip, os.path.join(suite, run[1]), OPTION_SETS[run[0]])

    try:
        with ThreadPoolExecutor(max_workers=jobs) as pool:
            return dict(pool.map(one, runs))
    finally:
        for w in folders:
            w.remove()


def plan(files, opt):
    """[(option set, name)]: every test with `opt`, with both sets in turn without it, or with
    "alternate" each test with one set, the two taking turns down the list (half the cost)."""
    if opt == "alternate":
        sets = sorted(OPTION_SETS)
        return [(sets[i % 2], name) for i, name in enumerate(files)]
    return [(o, name) for o in ([opt] if opt else sorted(OPTION_SETS)) for name in files]


def main():
    p = argparse.ArgumentParser()
    p.add_argument("build_dir")
    p.add_argument("--chip", default=LISTED_CHIP, choices=sorted(GPSIM_CHIP))
    p.add_argument("--opt", choices=sorted(OPTION_SETS) + ["alternate"])
    p.add_argument("--shard", default="0/1")
    p.add_argument("--jobs", type=int, default=1)
    p.add_argument("--update", action="store_true")
    p.add_argument("--list", action="store_true")
    p.add_argument("--only", nargs="*")
    p.add_argument("--cover", action="store_true",
                   help="fail unless the run holds a test of each class a sample stands for")
    a = p.parse_args()
    if a.update and a.chip != LISTED_CHIP:
        p.error("torture_passing.txt holds the %s's results" % LISTED_CHIP)
    build_dir = os.path.abspath(a.build_dir)
    os.environ["ORM_BUILD_DIR"] = build_dir
    k, n = (int(x) for x in a.shard.split("/"))
    suite, files = corpus()
    if a.only:
        files = [f for f in files if f in a.only]
    runs = plan(files[k::n], a.opt)
    # Some tests loop for millions of cycles without clearing the watchdog, which a blank
    # configuration word leaves running.
    WATCHDOG_OFF.setdefault(a.chip, NO_WATCHDOG[a.chip])
    # torture_passing.txt: "OPTION_SET TEST" a line.
    before = []
    if a.chip == LISTED_CHIP and os.path.exists(PASSING):
        with open(PASSING) as f:
            before = [tuple(line.split()) for line in f if len(line.split()) == 2]
    results = run_all(a.chip, suite, runs, max(1, a.jobs))
    failed = False
    for opt in sorted(OPTION_SETS):
        mine = [(run, results[run]) for run in runs if run[0] == opt]
        if not mine:
            continue
        for (_, name), (kind, detail) in mine:
            if a.list or kind in ("WRONG", "crashed"):
                print("%s (%s): %s%s" % (name, opt, kind, ": " + detail if detail else ""))
        counts = {}
        for _, (kind, _) in mine:
            counts[kind] = counts.get(kind, 0) + 1
        print("%s: " % opt + ", ".join("%s %d" % (c, counts.get(c, 0))
                                       for c in ("passed", "does not fit", "unsupported", "WRONG", "crashed")))
        lost = [entry for entry in before if entry[0] == opt and entry in results and results[entry][0] != "passed"]
        for entry in lost:
            print("%s (%s) passed before and now is %s: %s" % (entry[1], opt, *results[entry]))
        failed = failed or bool(lost or counts.get("WRONG") or counts.get("crashed"))
    if a.cover:
        # A sample of the corpus stands for all of it only while it holds each kind of test.
        seen = {kind for kind, _ in results.values()}
        for kind in COVERED:
            if kind not in seen:
                print("the sample holds no test that is %s: choose another shard" % kind)
                failed = True
    if a.update:
        # Entries of tests not run this time stay as they were.
        passing = {entry for entry in before if entry not in results}
        passing |= {run for run, (kind, _) in results.items() if kind == "passed"}
        with open(PASSING, "w") as f:
            f.write("".join("%s %s\n" % entry for entry in sorted(passing)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
