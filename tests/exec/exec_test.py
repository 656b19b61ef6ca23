#!/usr/bin/env python3
"""Execution tests: every program of table.py built by ormcl for each chip and option set, run
in gpsim until it writes orm_done, and its globals (addresses from our symbol file, bytes from
gpsim) compared with the expected values: for C programs those of the same program built and
run on the host by gcc through target.h, under the undefined-behaviour sanitizer.

    exec_test.py [CHIP [OPTION_SET]]   one chip (and one option set: "none" or "default") only,
                                       so that CTest runs the combinations side by side

Every program of the table must compile: a missing rule (message 712) or statement code
(725) fails the test like any other failure; table.NOT_ON names the chips a program is not
run on."""
import glob
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from e2e import Workdir, finish, need  # noqa: E402
from harness import PROGRAMS, SIZES, report_unsupported, results_of, run_on_host, run_on_target  # noqa: E402
import table  # noqa: E402

need("gpsim", "gcc")

CHIPS = sys.argv[1:2] or table.CHIPS
OPTION_SETS = table.OPTION_SETS
if len(sys.argv) > 2:
    OPTION_SETS = [o for o in table.OPTION_SETS if (o[0].split("=")[1] if o else "default") == sys.argv[2]]
if not set(CHIPS) <= set(table.CHIPS) or not OPTION_SETS:
    sys.exit("usage: exec_test.py [%s [none|default]]" % "|".join(table.CHIPS))


def test_c_programs():
    for source, expected in table.C_PROGRAMS:
        results = results_of(expected)
        with Workdir() as w:
            shutil.copy(os.path.join(PROGRAMS, source), w.file(source))
            shutil.copy(os.path.join(HERE, "target.h"), w.file("target.h"))
            # Headers that several programs share.
            for header in glob.glob(os.path.join(PROGRAMS, "*.h")):
                shutil.copy(header, w.file(os.path.basename(header)))
            host = run_on_host(w, source, results)
            if host is None:
                continue
            expected = [("_" + name, i * SIZES[kind], SIZES[kind], host[(name, i)])
                        for name, kind, count in results for i in range(count)]
            for chip in CHIPS:
                if chip in table.NOT_ON.get(source, ((), ""))[0]:
                    print("skipped: %s for %s: %s" % (source, chip, table.NOT_ON[source][1]))
                    continue
                extra = table.CHIP_OPTIONS.get(source, {}).get(chip, [])
                for options in OPTION_SETS:
                    run_on_target(w, chip, options + extra, source, expected, may_not_fit=chip in table.SMALL_RAM,
                              must_compile=True)


def test_asm_programs():
    for source, expected in table.ASM_PROGRAMS:
        with Workdir() as w:
            shutil.copy(os.path.join(PROGRAMS, source), w.file(source))
            for chip in CHIPS:
                for options in OPTION_SETS:
                    run_on_target(w, chip, options, source, [(s, 0, size, v) for s, size, v in expected])


test_asm_programs()
test_c_programs()
report_unsupported()
finish()
