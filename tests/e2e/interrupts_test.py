#!/usr/bin/env python3
"""An interrupt to ormcl alone, at each stage, is passed on to the running pass; ormcl waits
for it, then removes its temporaries and what the interrupted step made, and exits with 2.
A pass interrupted on its own leaves no temporary output and the older file as it was.

Each stage is held by a stand-in program in a copy of the installation that records its
process and waits to be interrupted; the test waits for that record, not for a time."""
import os
import shutil
import signal
import subprocess
import sys
import time

from e2e import BUILD, Workdir, check, finish
from ormtest import program

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BLINK = os.path.join(ROOT, "examples", "blink.c")
COUNT = os.path.join(HERE, "programs", "count877.as")

# Stage, source, files that step would make (none may be left after it is interrupted).
STAGES = [
    ("ormannot", BLINK, ["blink.lst"]),
    ("ormpre", BLINK, []),
    ("ormparse", BLINK, []),
    ("ormcg", BLINK, []),
    ("ormasm", COUNT, ["count877.obj"]),
    ("ormlink", COUNT, ["l.obj", "count877.sym"]),
    ("ormhex", COUNT, ["count877.hex"]),
    ("ormpatch", COUNT, ["count877.hex", "count877.hxl"]),
]

STAND_IN = """#!/bin/sh
trap 'exit 130' INT TERM
echo $$ > "%s"
while :; do sleep 0.2 & wait $!; done
"""

LIMIT = 120   # seconds: only a bound for a broken run, never part of what is checked


def wait_for(condition):
    end = time.monotonic() + LIMIT
    while not condition():
        if time.monotonic() > end:
            return False
        time.sleep(0.05)
    return True


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    # A zombie not yet reaped by init counts as ended.
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().split(")")[-1].split()[0] != "Z"
    except OSError:
        return False


def installation(w, stage):
    """A copy of the installation in which `stage` is the stand-in."""
    root = w.file("inst_" + stage)
    os.makedirs(os.path.join(root, "bin"))
    for sub in ("dat", "lib", "include"):
        if os.path.exists(os.path.join(BUILD, sub)):
            os.symlink(os.path.join(BUILD, sub), os.path.join(root, sub))
    for name in os.listdir(os.path.join(BUILD, "bin")):
        target = os.path.join(root, "bin", name)
        if name == "ormcl":
            shutil.copy(os.path.join(BUILD, "bin", name), target)   # finds its installation from its own path
        elif name != stage:
            os.symlink(os.path.join(BUILD, "bin", name), target)
    marker = w.file("running_" + stage)
    with open(os.path.join(root, "bin", stage), "w") as f:
        f.write(STAND_IN % marker)
    os.chmod(os.path.join(root, "bin", stage), 0o755)
    return root, marker


def driver_stage(w, stage, source, made):
    root, marker = installation(w, stage)
    folder = w.file("run_" + stage)
    temp = os.path.join(folder, "tmp")
    os.makedirs(temp)
    shutil.copy(source, folder)
    before = set(os.listdir(folder))
    env = dict(os.environ, ORM_REGISTRY="", TEMP=temp, TMP=temp, TMPDIR=temp, ASAN_OPTIONS="detect_leaks=0")
    p = subprocess.Popen([os.path.join(root, "bin", "ormcl"), "-Q", "--chip=16F877", os.path.basename(source)],
                         cwd=folder, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, text=True, errors="replace")
    if not check(wait_for(lambda: os.path.exists(marker) and os.path.getsize(marker) > 0 or p.poll() is not None)
                 and p.poll() is None, "%s: the stage was reached" % stage):
        p.kill()
        print(p.communicate()[0])
        return
    with open(marker) as f:
        pass_pid = int(f.read())
    p.send_signal(signal.SIGINT)   # to ormcl alone, not its process group
    out = p.communicate(timeout=LIMIT)[0]
    check(p.returncode == 2, "%s: ormcl exits with 2, not %s: %s" % (stage, p.returncode, out[-400:]))
    check(not alive(pass_pid), "%s: the pass ended before ormcl did" % stage)
    check(os.listdir(temp) == [], "%s: no temporary left: %s" % (stage, os.listdir(temp)))
    left = set(os.listdir(folder)) - before - {"tmp"}
    check(not left & set(made), "%s: nothing of the interrupted step: %s" % (stage, sorted(left & set(made))))
    check(not [n for n in left if n.startswith("~")], "%s: no temporary output: %s" % (stage, sorted(left)))


def pass_alone(w):
    """ormpre reading its source from a pipe: interrupted, it leaves the older output alone."""
    folder = w.file("alone")
    os.makedirs(folder)
    with open(os.path.join(folder, "out.pre"), "w") as f:
        f.write("older\n")
    p = subprocess.Popen([program("ormpre"), "-", "out.pre"], cwd=folder, stdin=subprocess.PIPE,
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                         env=dict(os.environ, ASAN_OPTIONS="detect_leaks=0"))
    p.stdin.write(b"int x;\n")
    p.stdin.flush()
    check(wait_for(lambda: any(n.startswith("~") for n in os.listdir(folder))), "ormpre: its output was begun")
    p.send_signal(signal.SIGINT)
    p.communicate(timeout=LIMIT)
    check(p.returncode != 0, "ormpre interrupted: a failed status")
    check(sorted(os.listdir(folder)) == ["out.pre"], "ormpre interrupted: no temporary: %s" % os.listdir(folder))
    with open(os.path.join(folder, "out.pre")) as f:
        check(f.read() == "older\n", "ormpre interrupted: the older output as it was")


def closed_pipe(w):
    """Output to a pipe whose reader is gone (`ormcl ... | head`): the messages are lost, but
    ormcl and its passes run to the end, remove their temporaries and report the failure."""
    folder = w.file("pipe")
    os.makedirs(folder)
    with open(os.path.join(folder, "bad.c"), "w") as f:
        f.write("int x = ;\nint main(void) { return x; }\n")
    read_end, write_end = os.pipe()
    os.close(read_end)
    try:
        p = subprocess.run([program("ormcl"), "--chip=16F877A", "-q", "bad.c"], cwd=folder, stdin=subprocess.DEVNULL,
                           stdout=write_end, stderr=write_end, timeout=LIMIT,
                           env=dict(os.environ, ASAN_OPTIONS="detect_leaks=0"))
    finally:
        os.close(write_end)
    check(p.returncode == 1, "closed pipe: ormcl exits with 1, not %s" % p.returncode)
    left = sorted(set(os.listdir(folder)) - {"bad.c", "bad.lst"})
    check(not left, "closed pipe: no temporary left: %s" % left)


def main():
    if not sys.platform.startswith("linux"):
        print("SKIP: interrupts are tested on POSIX hosts")
        sys.exit(77)
    with Workdir() as w:
        pass_alone(w)
        closed_pipe(w)
        for stage, source, made in STAGES:
            driver_stage(w, stage, source, made)
    finish()


if __name__ == "__main__":
    main()
