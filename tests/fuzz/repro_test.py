#!/usr/bin/env python3
"""Inputs that once crashed or hung a program, each run again on the sanitizer build.

    repro_test.py BUILD

Every case must end with status 0 or 1, no sanitizer report and, where given, the numbered
message that now refuses the input, well within the hang limit.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPRO = os.path.join(HERE, "repro")
sys.path.insert(0, HERE)
from fuzz_programs import LINK_16F877, SANITIZER  # noqa: E402

LINK_INPUTS = ["startup.obj", "main.obj", "util.obj", "lib.lib", "{lib}/orl61--u.lib", "{lib}/orl40c-c.lib",
               "{lib}/orl61--u.lib"]

PARSER_OPTIONS = ["-u", "-Gstrings,const", "-M", "-B", "-Y", "-r", "-QX,bank1", "-QY,bank2", "-QZ,bank3", "-QT,eeprom",
                  "-Z1,2,2,4,2,3,3"]

# folder, program and arguments, message number expected in the output (None: any outcome).
CASES = [
    # A symbol value with the top bit set made the map's width loop shift by 32.
    ("ormlink-map-width", ["ormlink", "-h+out.sym", "-ol.obj", "-Mout.map"] + LINK_16F877 + LINK_INPUTS, None),
    ("ormcl-map-width", ["ormcl", "-Q", "--chip=16F877", "--output=intel", "--summary=psect,mem", "-M",
                         "a.obj", "b.as"], None),
    # A repeat count of 99999999 on a class range ran for ever.
    ("ormlink-wild-repeat", ["ormlink", "-h+out.sym", "-ol.obj", "-Mout.map"] + LINK_16F877 +
     ["-ACODE=0-7FFhx99999999", "-Ptext=0FFFFFFFFh"] + LINK_INPUTS, "(457)"),
    ("ormlink-wild-repeat", ["ormlink", "-ol.obj", "-ACODE=0-7FFhx300000", "startup.obj"], "(457)"),
    # A range ending below its start (found by the fuzz loop on a release build) divided by zero.
    ("ormlink-wild-repeat", ["ormlink", "-ol.obj", "-ASTRING=256-0FFhx32", "startup.obj"], "(445)"),
    # An empty record body and a byte-order map with out-of-range positions.
    ("ormtrim-empty-record", ["ormtrim", "-_out", "x.obj"], None),
    ("ormtrim-byte-order", ["ormtrim", "-_out", "x.obj"], None),
    # A line number past the largest int overflowed while it was read.
    ("ormpre-line-number", ["ormpre", "-C", "-N31", "in.c", "out.1"], "(142)"),
    # Mutated parser inputs that once overflowed or faulted; the options are the driver's.
    ("ormparse-no-newline", ["ormparse"] + PARSER_OPTIONS + ["in.1", "out.2", "out.3"], "(337)"),
    ("ormparse-bad-qualifier", ["ormparse"] + PARSER_OPTIONS + ["-O", "-Ix", "-Z9,9,9,9,9,9,9", "in.1", "out.2",
                                                                "out.3"], "(231)"),
]


def main():
    build = os.path.abspath(sys.argv[1])
    env = dict(os.environ, ORM_REGISTRY="", ASAN_OPTIONS="detect_leaks=0",
               UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1")
    passed = failed = 0
    for folder, argv, message in CASES:
        work = tempfile.mkdtemp(prefix="orm_repro_")
        try:
            for name in os.listdir(os.path.join(REPRO, folder)):
                shutil.copy(os.path.join(REPRO, folder, name), work)
            argv = [os.path.join(build, "bin", argv[0])] + [a.replace("{lib}", os.path.join(build, "lib"))
                                                             for a in argv[1:]]
            try:
                r = subprocess.run(argv, cwd=work, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                   timeout=120)
                out = (r.stdout + r.stderr).decode("latin-1")
                problems = []
                if SANITIZER.search(out):
                    problems.append("sanitizer report")
                if r.returncode not in (0, 1):
                    problems.append("status %d" % r.returncode)
                if message and message not in out:
                    problems.append("no message %s" % message)
            except subprocess.TimeoutExpired:
                problems, out = ["no end within 120 s"], ""
            if problems:
                failed += 1
                print("FAIL %s (%s): %s" % (folder, argv[0], ", ".join(problems)))
                print("\n".join(out.splitlines()[:15]))
            else:
                passed += 1
        finally:
            shutil.rmtree(work, ignore_errors=True)
    print("repro: %d passed, %d failed" % (passed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
