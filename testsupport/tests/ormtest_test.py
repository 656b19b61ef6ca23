#!/usr/bin/env python3
"""The Python test helpers: the build tree found, scratch folders removed, a missing peer tool
a skip on a developer's machine and a failure on CI."""
import os
import subprocess
import sys

import ormtest

failures = []


def check(condition, text):
    if not condition:
        failures.append(text)
        print("FAIL:", text)


check(os.path.exists(ormtest.message_file()), "message file of the build tree: " + ormtest.message_file())
check(os.path.exists(ormtest.program("ormcl")), "ormcl in bin/")
check(os.path.exists(os.path.join(ormtest.source_dir(), "testsupport", "ormtest.py")), "source tree")

with ormtest.Workdir() as w:
    kept = w.path
    w.write("sub/a.txt", "text")
    check(w.read("sub/a.txt") == "text", "write and read back")
    check(os.path.relpath(kept, ormtest.build_dir()).split(os.sep)[0] == "..",
          "scratch folder outside the build tree: " + kept)
    r = w.run(["sh", "-c", "cat; echo err >&2; exit 4"], stdin="in\n")
    check((r.returncode, r.stdout, r.stderr) == (4, "in\n", "err\n"), "run: %r" % (r,))
check(not os.path.exists(kept), "scratch folder removed")

for ci, status in (("", ormtest.SKIP), ("true", 1)):
    env = dict(os.environ, CI=ci)
    r = subprocess.run([sys.executable, "-c", "import ormtest; ormtest.need('sh', 'no-such-tool-here')"],
                       env=env, capture_output=True, text=True)
    check(r.returncode == status and "no-such-tool-here" in r.stdout,
          "CI=%r: need() exits %d, not %d: %s" % (ci, status, r.returncode, r.stdout + r.stderr))

print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
