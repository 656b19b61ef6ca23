#!/usr/bin/env python3
"""Execution tests: every program of table.py built by ormcl for each chip and option set, run
in gpsim until it writes orm_done, and its globals (addresses from our symbol file, bytes from
gpsim) compared with the expected values: for C programs those of the same program built and
run on the host by gcc through target.h, under the undefined-behaviour sanitizer.

    exec_test.py [--jobs J] [CHIP [OPTION_SET [K/N [PROGRAM...]]]]
                                             one chip ("all": every one) and one option set
                                             ("none", "default" or "both") only, so that CTest
                                             runs the combinations side by side; K/N runs every
                                             N-th C program from the K-th (0-based), the
                                             assembler ones with K = 0; PROGRAMs (file names of
                                             programs/) run just those C programs; --jobs
                                             runs J programs at a time

Every program of the table must compile: a missing rule (message 712) or statement code
(725) fails the test like any other failure; table.NOT_ON names the chips a program is not
run on. A program too big for the chips of table.SMALL_RAM guards its independent groups of
tests with #if PART(n) (target.h); there each group is built and run alone, with -DORM_PART=n
on the host and the target alike, and the table's globals that group defines are compared."""
import glob
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from e2e import Workdir, check, finish, need  # noqa: E402
from harness import (HOST_FLAGS, PROGRAMS, SIZES, chips_for, defined_globals, in_parallel, jobs_option, part_option,  # noqa: E402
                     parts_of, report_unsupported, results_of, run_on_host, run_on_target)
import table  # noqa: E402

need("gpsim", "gcc")

JOBS, ARGS = jobs_option(sys.argv[1:])
CHIPS = table.CHIPS if ARGS[0:1] in ([], ["all"]) else ARGS[0:1]
OPTION_SETS = table.OPTION_SETS
if len(ARGS) > 1 and ARGS[1] != "both":
    OPTION_SETS = [o for o in table.OPTION_SETS if (o[0].split("=")[1] if o else "default") == ARGS[1]]
SHARD, SHARDS = (int(x) for x in (ARGS[2] if len(ARGS) > 2 else "0/1").split("/"))
ONLY = ARGS[3:]
if not set(CHIPS) <= set(table.CHIPS) or not OPTION_SETS or not 0 <= SHARD < SHARDS or \
        not set(ONLY) <= {source for source, _ in table.C_PROGRAMS}:
    sys.exit("usage: exec_test.py [--jobs J] [all|%s [none|default|both [K/N [PROGRAM...]]]]" % "|".join(table.CHIPS))


def run_part(w, source, results, chips, part):
    """Builds and runs group `part` of `source` (the whole program for None) on the host and
    on each of `chips`, comparing the globals of `results` that group defines; returns their
    names."""
    flags = HOST_FLAGS + part_option(part)
    if part is not None:
        defined = defined_globals(w, source, flags)
        if defined is None:
            return set()
        results = [r for r in results if r[0] in defined]
        if not check(results, "%s group %d defines results of the table" % (source, part)):
            return set()
    host = run_on_host(w, source, results, flags)
    if host is None:
        return set()
    expected = [("_" + name, i * SIZES[kind], SIZES[kind], host[(name, i)])
                for name, kind, count in results for i in range(count)]
    for chip in chips:
        extra = table.CHIP_OPTIONS.get(source, {}).get(chip, []) + part_option(part)
        for options in OPTION_SETS:
            # (an unsplit program may still not fit a small chip; a group of a split one must)
            run_on_target(w, chip, options + extra, source, expected, must_compile=True,
                          may_not_fit=part is None and chip in table.SMALL_RAM)
    return {r[0] for r in results}


def test_c_programs():
    chosen = [(source, expected) for source, expected in table.C_PROGRAMS[SHARD::SHARDS] if not ONLY or source in ONLY]
    in_parallel(JOBS, test_c_program, chosen)


def test_c_program(source, expected):
    results = results_of(expected)
    with Workdir() as w:
        shutil.copy(os.path.join(PROGRAMS, source), w.file(source))
        shutil.copy(os.path.join(HERE, "target.h"), w.file("target.h"))
        # Headers that several programs share.
        for header in glob.glob(os.path.join(PROGRAMS, "*.h")):
            shutil.copy(header, w.file(os.path.basename(header)))
        chips = chips_for(source, CHIPS, table.NOT_ON)
        # Where RAM is short a split program runs one group at a time.
        parts = parts_of(os.path.join(PROGRAMS, source))
        split = [c for c in chips if parts and (c in table.SMALL_RAM or c in table.SPLIT_ON.get(source, ()))]
        whole = [c for c in chips if c not in split]
        if whole:
            run_part(w, source, results, whole, None)
        if split:
            # A result no group defines would go untested there.
            tested = set()
            for part in parts:
                # NOT_ON may name one group ("program#n") a chip cannot hold even alone.
                tested |= run_part(w, source, results, chips_for("%s#%d" % (source, part), split, table.NOT_ON), part)
            missed = sorted({r[0] for r in results} - tested)
            check(not missed, "%s: its groups together leave every result: %s missing" % (source, ", ".join(missed)))


def test_asm_programs():
    for source, expected in table.ASM_PROGRAMS if SHARD == 0 and not ONLY else []:
        with Workdir() as w:
            shutil.copy(os.path.join(PROGRAMS, source), w.file(source))
            for chip in CHIPS:
                for options in OPTION_SETS:
                    run_on_target(w, chip, options, source, [(s, 0, size, v) for s, size, v in expected])


test_asm_programs()
test_c_programs()
report_unsupported()
finish()
