#!/usr/bin/env python3
"""Benchmark (not a test): links a generated program of many modules with ormlink and the
equivalent gpasm objects with gplink, and prints both times and their ratio.

usage: bench_link.py BUILD_DIR [MODULES]"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1])
count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
bindir = os.path.join(build, "bin")


def ours(i):
    callee = "_f%d" % (i + 1) if i + 1 < count else None
    lines = ["\tprocessor 16F877", "\tpsect\ttext,class=CODE,delta=2", "\tglobal\t_f%d" % i]
    if callee:
        lines.append("\tglobal\t%s" % callee)
    lines += ["_f%d:" % i, "\tmovlw\t%d" % (i & 0xFF), "\taddlw\t1"]
    lines.append("\tfcall\t%s" % callee if callee else "\tnop")
    lines += ["\treturn"]
    if i == 0:
        lines += ["\tpsect\ttext,class=CODE,delta=2", "\tglobal\t_main", "_main:", "\tfcall\t_f0", "\tljmp\t_main"]
    return "\n".join(lines) + "\n"


def theirs(i):
    callee = "f%d" % (i + 1) if i + 1 < count else None
    lines = ["\tlist p=16f877", "\tglobal f%d" % i]
    if callee:
        lines.append("\textern %s" % callee)
    lines += ["c%d code" % i, "f%d" % i, "\tmovlw %d" % (i & 0xFF), "\taddlw 1"]
    lines.append("\tcall %s" % callee if callee else "\tnop")
    lines += ["\treturn", "\tend"]
    return "\n".join(lines) + "\n"


def timed(args, cwd, repeat=3):
    best = None
    for _ in range(repeat):
        start = time.perf_counter()
        r = subprocess.run(args, cwd=cwd, capture_output=True, text=True, errors="replace")
        spent = time.perf_counter() - start
        if r.returncode != 0:
            print("failed:", " ".join(args[:3]), r.stdout[-500:], r.stderr[-500:])
            return None
        best = spent if best is None else min(best, spent)
    return best


def main():
    work = tempfile.mkdtemp(prefix="orm_bench_")
    try:
        names = []
        for i in range(count):
            name = "m%d.as" % i
            with open(os.path.join(work, name), "w") as f:
                f.write(ours(i))
            names.append(name)
        env = dict(os.environ, ORM_REGISTRY="")
        r = subprocess.run([os.path.join(bindir, "ormcl"), "--chip=16F877", "--output=intel", "-Mprog.map",
                            "--runtime=default,+keep"] + names, cwd=work, env=env, capture_output=True, text=True)
        if r.returncode != 0:
            print("the driver's build failed:", r.stdout[-800:], r.stderr[-800:])
            return 1
        with open(os.path.join(work, "prog.map")) as f:
            text = f.read()
        command = text.split("Linker command line:\n\n", 1)[1].split("\n\n", 1)[0]
        args = command.replace("\\\n  ", "").split()
        args = [a for a in args if not a.startswith("--edf")]
        r = subprocess.run([os.path.join(bindir, "ormcl"), "--chip=16F877", "-C", "startup.as"] + names, cwd=work,
                           env=env, capture_output=True, text=True)
        ours_time = timed([os.path.join(bindir, "ormlink")] + args, work)
        print("ormlink: %d modules in %.3f s" % (count, ours_time or -1))
        if not shutil.which("gpasm") or not shutil.which("gplink"):
            print("gpasm/gplink not installed: no comparison")
            return 0
        gp = os.path.join(work, "gp")
        os.mkdir(gp)
        for i in range(count):
            with open(os.path.join(gp, "g%d.asm" % i), "w") as f:
                f.write(theirs(i))
            subprocess.run(["gpasm", "-c", "g%d.asm" % i], cwd=gp, capture_output=True)
        gp_time = timed(["gplink", "-o", "prog.hex"] + ["g%d.o" % i for i in range(count)], gp)
        print("gplink:  %d modules in %.3f s" % (count, gp_time or -1))
        if ours_time and gp_time:
            print("ratio ormlink/gplink: %.2f" % (ours_time / gp_time))
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


sys.exit(main())
