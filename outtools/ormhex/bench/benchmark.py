#!/usr/bin/env python3
"""Converts the full 64K-word program memory (128 KB) to Intel HEX with ormhex, and the same
image with srec_cat, and prints the ratio of their times (ormhex / srec_cat).

Usage: benchmark.py [build directory] [runs]   (default: build, 20 runs)"""
import pathlib
import subprocess
import sys
import tempfile
import time

build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build").resolve()
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
ormhex = build / "bin" / "ormhex"
make_object = build / "tests" / "ormhex_bench_object"


def timed(command, cwd):
    best = float("inf")
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run(command, cwd=cwd, check=True, capture_output=True)
        best = min(best, time.perf_counter() - start)
    return best


with tempfile.TemporaryDirectory() as tmp:
    subprocess.run([str(make_object), "big.obj", str(64 * 1024 * 2)], cwd=tmp, check=True)
    subprocess.run([str(ormhex), "-b", "big.obj", "big.bin"], cwd=tmp, check=True, capture_output=True)
    ours = timed([str(ormhex), "-i", "-16,2", "big.obj", "ours.hex"], tmp)
    peer = timed(["srec_cat", "big.bin", "-binary", "-o", "peer.hex", "-intel", "-line-length=44"], tmp)
    same = subprocess.run(["srec_cmp", "ours.hex", "-intel", "peer.hex", "-intel"], cwd=tmp)
    if same.returncode != 0:
        sys.exit("the two conversions differ")
    print(f"ormhex {ours * 1000:.1f} ms, srec_cat {peer * 1000:.1f} ms (best of {runs})")
    print(f"ratio ormhex/srec_cat: {ours / peer:.2f}")
