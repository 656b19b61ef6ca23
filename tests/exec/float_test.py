#!/usr/bin/env python3
"""The float programs of the execution table (table.FLOAT_PROGRAMS) on one chip and option
set, with the 24-bit and the 32-bit double: every result global must hold the pattern the host
emulation of the run-time library gives. A float program the code generator cannot build fails
here (it is never "unsupported"). As in exec_test.py, a program split with #if PART(n) runs one
group at a time on the chips of table.SMALL_RAM (and those table.SPLIT_ON names for it), where
its results are those the group defines.

    float_test.py [--jobs J] [CHIP|all [OPTION_SET|both [K/N [PROGRAM...]]]]

K/N runs every N-th program from the K-th (0-based); --jobs runs J programs at a time."""
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from e2e import Workdir, check, finish, need  # noqa: E402
import harness  # noqa: E402
import table  # noqa: E402

need("gpsim")

JOBS, ARGS = harness.jobs_option(sys.argv[1:])
CHIPS = table.CHIPS if ARGS[0:1] in ([], ["all"]) else ARGS[0:1]
OPTION_SETS = table.OPTION_SETS
if len(ARGS) > 1 and ARGS[1] != "both":
    OPTION_SETS = [o for o in table.OPTION_SETS if (o[0].split("=")[1] if o else "default") == ARGS[1]]
SHARD, SHARDS = (int(x) for x in (ARGS[2] if len(ARGS) > 2 else "0/1").split("/"))
ONLY = ARGS[3:]
if not set(CHIPS) <= set(table.CHIPS) or not OPTION_SETS or not 0 <= SHARD < SHARDS or \
        not set(ONLY) <= {source for source, _ in table.FLOAT_PROGRAMS}:
    sys.exit("usage: float_test.py [--jobs J] [all|%s [none|default|both [K/N [PROGRAM...]]]]" % "|".join(table.CHIPS))


def run_float(w, source, expected, chips, part=None):
    """Runs `source` (group `part` of it alone, or the whole program for None) on each of
    `chips` with each double size, comparing the globals of `expected` (a function of the
    double's size) that it defines; returns their names."""
    names = {name for name, _, _ in expected(3)}
    if part is not None:
        # which results this group holds: gcc only looks at the declarations
        defined = harness.defined_globals(w, source, ["-std=c89", "-w"] + harness.part_option(part))
        if defined is None:
            return set()
        names &= defined
        if not check(names, "%s group %d defines results of the table" % (source, part)):
            return set()
    for size, double_option in table.DOUBLE_SIZES:
        wanted = [("_" + name, 0, n, value) for name, n, value in expected(size) if name in names]
        for chip in chips:
            for options in OPTION_SETS:
                harness.run_on_target(w, chip, options + double_option + harness.part_option(part), source, wanted)
    return names


def test_float_programs():
    chosen = [(source, expectation) for source, expectation in table.FLOAT_PROGRAMS[SHARD::SHARDS]
              if not ONLY or source in ONLY]
    harness.in_parallel(JOBS, test_float_program, chosen)
    check(not harness.unsupported, "every float program builds: " + ", ".join(harness.unsupported))


def test_float_program(source, expectation):
    with Workdir() as w:
        shutil.copy(os.path.join(harness.PROGRAMS, source), w.file(source))
        shutil.copy(os.path.join(HERE, "target.h"), w.file("target.h"))
        chips = harness.chips_for(source, CHIPS, table.NOT_ON)
        # Where RAM is short a split program runs one group at a time.
        parts = harness.parts_of(os.path.join(harness.PROGRAMS, source))
        split = [c for c in chips if parts and (c in table.SMALL_RAM or c in table.SPLIT_ON.get(source, ()))]
        whole = [c for c in chips if c not in split]
        if whole:
            run_float(w, source, expectation, whole)
        if split:
            tested = set()
            for part in parts:
                tested |= run_float(w, source, expectation,
                                    harness.chips_for("%s#%d" % (source, part), split, table.NOT_ON), part)
            missed = sorted({name for name, _, _ in expectation(3)} - tested)
            check(not missed, "%s: its groups together leave every result: %s missing" % (source, ", ".join(missed)))


test_float_programs()
finish()
