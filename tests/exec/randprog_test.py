#!/usr/bin/env python3
"""The random program generator: the same seed gives the same program, the programs use every
operator and statement kind, build on the host as pedantic C89 and run free of undefined
behaviour; then seeds are built for the 16F877A with --opt=none and with the default options,
run in gpsim and their checksum compared with the host's. A program the code generator has no
rule for (712) is reported as unsupported, never as wrong.

    randprog_test.py [--seeds N] [--target-seeds M] [--first SEED] [--jobs J]

CTest runs shards of a few hundred seeds side by side (--first picks the shard); a long run of
thousands is e.g. `--seeds 0 --first 10000 --target-seeds 5000 --jobs 4`."""
import argparse
import os
import re
import shutil
import sys
import threading
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from e2e import Workdir, check, finish, need  # noqa: E402
from harness import report_unsupported, run_on_host, run_on_target  # noqa: E402
import randprog  # noqa: E402

need("gcc", "gpsim")
# Random code draws gcc's style warnings by the hundred; what matters is C89 and no undefined
# behaviour.
RANDOM_FLAGS = ["-std=c89", "-pedantic-errors", "-w", "-fsanitize=undefined", "-fno-sanitize-recover=all"]
RESULTS = [("checksum", "u32", 1)]
# What the programs must use, as text after the helper functions.
USES = [r"\(uw\)\S+ \+ ", r" - \(", r" \* \(", r"div_\w+\(", r"mod_\w+\(", r"shl_\w+\(", r"shr_\w+\(",
        r" & ", r" \| ", r" \^ ", r"~\(", r"\(\w+\)!", r" < ", r" <= ", r" > ", r" >= ", r" == ", r" != ",
        r" && ", r" \|\| ", r" \? ", r"\+\+;", r"--;", r" \+= ", r" -= ", r" \*= ", r" &= ", r" \|= ", r" \^= ",
        r"\bfor \(", r"\bwhile \(", r"\bdo \{", r"\bswitch \(", r"\bbreak;", r"\bcontinue;", r"rec\.f\d = ",
        r"arr_\d+\[", r"fn_\d+\(\w"]


def test_deterministic():
    check(randprog.generate(7) == randprog.generate(7), "a seed gives the same program every time")
    check(randprog.generate(7) != randprog.generate(8), "two seeds give different programs")


def test_host(first, count):
    seen = set()
    with Workdir() as w:
        shutil.copy(os.path.join(HERE, "target.h"), w.file("target.h"))
        for seed in range(first, first + count):
            text = randprog.generate(seed)
            body = text[text.index("static", text.index("shr_i32")):]
            seen.update(u for u in USES if re.search(u, body))
            name = "rand%d.c" % seed
            w.write(name, text)
            check(run_on_host(w, name, RESULTS, RANDOM_FLAGS) is not None, "seed %d runs on the host" % seed)
    missing = [u for u in USES if u not in seen]
    check(not missing, "%d programs use every operator and statement kind (missing %s)" % (count, missing))


def test_target(first, count, jobs):
    local = threading.local()
    folders = []

    def one(seed):
        if not hasattr(local, "w"):
            local.w = Workdir()
            shutil.copy(os.path.join(HERE, "target.h"), local.w.file("target.h"))
            folders.append(local.w)
        w = local.w
        name = "rand%d.c" % seed
        w.write(name, randprog.generate(seed))
        host = run_on_host(w, name, RESULTS, RANDOM_FLAGS)
        if host is None:
            return
        for options in (["--opt=none"], []):
            run_on_target(w, "16F877A", options, name, [("_checksum", 0, 4, host[("checksum", 0)])])

    try:
        with ThreadPoolExecutor(max_workers=jobs) as pool:
            list(pool.map(one, range(first, first + count)))
    finally:
        for w in folders:
            w.remove()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--seeds", type=int, default=40)
    p.add_argument("--target-seeds", type=int, default=3)
    p.add_argument("--first", type=int, default=1)
    p.add_argument("--jobs", type=int, default=1)
    a = p.parse_args()
    test_deterministic()
    if a.seeds:
        test_host(a.first, a.seeds)
    test_target(a.first, a.target_seeds, max(1, a.jobs))
    report_unsupported()
    finish()


main()
