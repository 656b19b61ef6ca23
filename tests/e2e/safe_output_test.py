#!/usr/bin/env python3
"""Every program, run where its outputs cannot be written whole or made to fail part way,
ends with a numbered message and status 1 and leaves every file that was there before byte
for byte as it was, with no temporary beside it.

Full disk: the run's folder is a small tmpfs (mounted here, which needs root; CI runs as root)
filled to the last block. Failure part way: an input that goes wrong after output has begun.
A folder named as the input must fail the same way, not pass for an empty file. The driver
puts back an older image when its patch step fails, and under --noexec touches no file.
(The same file as input and output is output_over_input_test.py.)"""
import os
import re
import shutil
import subprocess
import sys

from e2e import BUILD, Workdir, check, finish
from ormtest import program, skip

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "fuzz"))
from fuzz_programs import SEEDS, SOURCES, TABLE  # noqa: E402

# The files each run of the fuzz table writes; they exist beforehand with older contents.
OUTPUTS = {
    "ormasm": ["count877.obj"],
    "ormarch": ["out.lib"],
    "ormlink": ["out.sym", "l.obj", "out.map"],
    "ormhex": ["out.hex"],
    "ormpatch": ["out.hex", "out.log"],
    "ormtrim": [],               # rewrites its input
    "ormxref": ["out.xrf"],
    "ormannot": ["out.lst"],
    "ormcl": ["count877.hex", "count877.obj", "out.map", "count877.sym"],
    "ormpre": ["out.pre"],
    "ormparse": ["out.ic"],
}

# Failure part way: (input to change, text appended to it, or None to cut it to half) or extra
# arguments, chosen so that the program has begun its output when it fails.
MIDWAY = {
    "ormasm": ("count877.as", "\tbogus\tinstruction\n", []),
    "ormarch": ("bad.obj", None, ["bad.obj"]),
    "ormlink": (None, None, ["-unever_defined_anywhere"]),
    "ormhex": ("l.obj", None, []),
    "ormpatch": ("count877.hex", ":02000000ZZZZ00\n", []),
    "ormtrim": ("count877.obj", None, []),
    "ormxref": (None, None, ["missing.raw"]),
    "ormannot": (None, None, []),   # its input is a folder (below)
    "ormcl": ("count877.as", "\tbogus\tinstruction\n", []),
    "ormpre": ("blink.c", "\n#include <none_such.h>\n", []),
    "ormparse": ("blink.pre", "\nint x = ;\n" * 40, ["--emax=3"]),
}

NUMBERED = re.compile(r"\(\d+\)")


def snapshot(folder):
    """Every file under the folder with its bytes."""
    found = {}
    for root, _, names in os.walk(folder):
        for n in names:
            path = os.path.join(root, n)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = f.read()
    return found


def prepare(folder, name):
    """Copies the program's inputs and older outputs into the folder; returns its arguments."""
    seeds, _, args = TABLE[name]
    for seed in seeds:
        shutil.copy(SOURCES.get(seed, os.path.join(SEEDS, seed)), os.path.join(folder, seed))
    for out in OUTPUTS[name]:
        with open(os.path.join(folder, out), "wb") as f:
            f.write(b"older " + out.encode() + b"\n")
    return [a.replace("{lib}", os.path.join(BUILD, "lib")) for a in args]


def fill(folder):
    """Fills the file system of the folder."""
    with open(os.path.join(folder, "filler"), "wb", buffering=0) as f:
        try:
            while True:
                f.write(b"\0" * 512)
        except OSError:
            pass


def run(folder, name, args):
    env = dict(os.environ, ORM_REGISTRY="", TMPDIR=folder, TMP=folder, TEMP=folder,
               ASAN_OPTIONS="detect_leaks=0")
    return subprocess.run([program(name)] + args, cwd=folder, env=env, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, errors="replace", timeout=300)


def judge(what, r, before, after):
    text = r.stdout + r.stderr
    check(r.returncode == 1, "%s: status 1, not %d: %s" % (what, r.returncode, text[-600:]))
    check(NUMBERED.search(text) is not None, "%s: a numbered message: %s" % (what, text[-600:]))
    for f, data in before.items():
        check(after.get(f) == data, "%s: %s as it was" % (what, f))
    check(set(after) == set(before), "%s: no new file: %s" % (what, sorted(set(after) - set(before))))


def mount(folder, size):
    return subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % size, "tmpfs", folder],
                          capture_output=True).returncode == 0


def full_disk(w, name):
    folder = w.file("disk_" + name)
    os.makedirs(folder)
    if not mount(folder, 1 << 20):
        skip("a tmpfs cannot be mounted here (needs root)")
    try:
        args = prepare(folder, name)
        fill(folder)
        before = snapshot(folder)
        r = run(folder, name, args)
        judge("%s on a full disk" % name, r, before, snapshot(folder))
    finally:
        subprocess.run(["umount", folder])


def failure_midway(w, name):
    folder = w.file("midway_" + name)
    os.makedirs(folder)
    args = prepare(folder, name)
    changed, text, extra = MIDWAY[name]
    if changed:
        path = os.path.join(folder, changed)
        if not os.path.exists(path):
            shutil.copy(os.path.join(SEEDS, "count877.obj"), path)
        with open(path, "rb") as f:
            data = f.read()
        if text is None:
            data = data[:len(data) // 2]
        else:   # after the middle line
            middle = data.find(b"\n", len(data) // 2) + 1 if text.count("\n") == 1 else len(data)
            data = data[:middle] + text.encode() + data[middle:]
        with open(path, "wb") as f:
            f.write(data)
    args = args[:-1] + extra + args[-1:] if name in ("ormarch", "ormlink") else args + extra
    if name == "ormannot":   # a folder opens like a file, but reading it fails
        args = ["folder.c"] + args[1:]
        os.makedirs(os.path.join(folder, "folder.c"))
    before = snapshot(folder)
    r = run(folder, name, args)
    judge("%s failing part way" % name, r, before, snapshot(folder))


# A folder where the input should be: it opens like a file, but reading it fails.
FOLDER_INPUT = {
    "ormpre": ["in", "out.pre"], "ormparse": ["in", "out.ic"], "ormasm": ["-oout.obj", "in"],
    "ormarch": ["r", "out.lib", "in"], "ormlink": ["-oout.obj", "in"], "ormhex": ["in", "out.hex"],
    "ormpatch": ["in", "-Oout.hex"], "ormtrim": ["-_main", "in"], "ormxref": ["-Oout.xrf", "in"],
    "ormannot": ["in", "out.lst"],
}


def folder_input(w, name):
    folder = w.file("folder_" + name)
    os.makedirs(os.path.join(folder, "in"))
    r = run(folder, name, FOLDER_INPUT[name])
    judge("%s reading a folder" % name, r, {}, snapshot(folder))


def driver_cases(w):
    folder = w.file("driver")
    os.makedirs(folder)
    shutil.copy(SOURCES["count877.as"], folder)
    shutil.copy(SOURCES["blink.c"], folder)
    # The patch step fails after the image was made: the image from before comes back.
    with open(os.path.join(folder, "count877.hex"), "w") as f:
        f.write("older image\n")
    before = snapshot(folder)
    r = run(folder, "ormcl", ["-Q", "--chip=16F877", "--output=intel", "--serial=12345@0", "count877.as"])
    after = snapshot(folder)
    check(r.returncode == 1 and "(944)" in r.stdout + r.stderr, "ormcl, patch failing: 944 and status 1")
    check(after.get("count877.hex") == before["count877.hex"], "ormcl, patch failing: the older image is back")
    os.remove(os.path.join(folder, "count877.hex"))
    r = run(folder, "ormcl", ["-Q", "--chip=16F877", "--output=intel", "--serial=12345@0", "count877.as"])
    check(not os.path.exists(os.path.join(folder, "count877.hex")), "ormcl, patch failing: no unpatched image")
    # --noexec runs nothing, so it neither removes nor makes a file.
    for name in ("blink.obj", "l.obj", "count877.obj"):
        with open(os.path.join(folder, name), "w") as f:
            f.write("kept " + name)
    for args in (["blink.c"], ["count877.as"], ["--cr=blink.crf", "blink.c"]):
        before = snapshot(folder)
        r = run(folder, "ormcl", ["--noexec", "--chip=16F877"] + args)
        check(r.returncode == 0, "ormcl --noexec %s: status 0: %s" % (args, r.stdout + r.stderr))
        check(snapshot(folder) == before, "ormcl --noexec %s: every file as it was, none new: %s" %
              (args, sorted(set(snapshot(folder)) ^ set(before))))


def main():
    chosen = [a for a in sys.argv[1:] if a in OUTPUTS]   # CTest passes the build tree first
    with Workdir() as w:
        if not chosen:
            driver_cases(w)
        for name in chosen or sorted(OUTPUTS):
            full_disk(w, name)
            failure_midway(w, name)
            if name in FOLDER_INPUT:
                folder_input(w, name)
    finish()


if __name__ == "__main__":
    main()
