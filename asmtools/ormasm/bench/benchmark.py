#!/usr/bin/env python3
"""Assembles one large generated source with ormasm and the equivalent with gpasm and prints
the ratio of their times (a benchmark, not a test). Measure a Release build of ormasm:

    cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build-release
    asmtools/ormasm/bench/benchmark.py --ormasm build-release/bin/ormasm
"""
import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time


def body(lines):
    """Instruction lines both assemblers read alike: every instruction form, labels, jumps."""
    forms = ["\tmovlw\t0x%02X" , "\tmovwf\t0x%02X", "\taddwf\t0x%02X,w", "\tbcf\t0x%02X,3",
             "\tbtfss\t0x%02X,2", "\txorlw\t0x%02X", "\tdecfsz\t0x%02X,f", "\tclrf\t0x%02X"]
    out = []
    for i in range(lines):
        if i % 16 == 0:
            out.append("l%d" % i)
        if i % 16 == 15:
            out.append("\tgoto\tl%d" % (i - 15))
        else:
            out.append(forms[i % len(forms)] % (0x20 + i % 0x50))
    return "\n".join(out) + "\n"


def best_time(command, cwd, runs):
    best = None
    for _ in range(runs):
        start = time.perf_counter()
        done = subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        elapsed = time.perf_counter() - start
        if done.returncode != 0:
            sys.exit("failed: %s\n%s" % (" ".join(command), done.stderr.decode(errors="replace")))
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--ormasm", default="build/bin/ormasm")
    p.add_argument("--lines", type=int, default=60000)
    p.add_argument("--runs", type=int, default=3)
    a = p.parse_args()
    if not shutil.which("gpasm"):
        sys.exit("gpasm is not installed")
    ormasm = str(pathlib.Path(a.ormasm).resolve())
    text = body(a.lines)
    with tempfile.TemporaryDirectory() as d:
        pathlib.Path(d, "big.as").write_text("\tprocessor\t16F877\n\tpsect\ttext,class=CODE,delta=2\n" + text + "\tend\n")
        # gpasm's relocatable mode places nothing, so the code may exceed one chip's memory.
        pathlib.Path(d, "big.asm").write_text("\tprocessor 16f877\n\tradix dec\ntext\tcode\n" + text + "\tend\n")
        ours = best_time([ormasm, "-obig.obj", "big.as"], d, a.runs)
        theirs = best_time(["gpasm", "-c", "-p16f877", "-w2", "big.asm"], d, a.runs)
    print("lines: %d" % a.lines)
    print("ormasm: %.3f s" % ours)
    print("gpasm:  %.3f s" % theirs)
    print("ratio ormasm/gpasm: %.2f" % (ours / theirs))
    return 0


if __name__ == "__main__":
    sys.exit(main())
