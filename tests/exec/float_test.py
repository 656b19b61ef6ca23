#!/usr/bin/env python3
"""The float programs of the execution table (table.FLOAT_PROGRAMS) on one chip and option
set, with the 24-bit and the 32-bit double: every result global must hold the pattern the host
emulation of the run-time library gives. A float program the code generator cannot build fails
here (it is never "unsupported")."""
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

CHIPS = sys.argv[1:2] or table.CHIPS
OPTION_SETS = table.OPTION_SETS
if len(sys.argv) > 2:
    OPTION_SETS = [o for o in table.OPTION_SETS if (o[0].split("=")[1] if o else "default") == sys.argv[2]]


def test_float_programs():
    for source, expectation in table.FLOAT_PROGRAMS:
        with Workdir() as w:
            shutil.copy(os.path.join(harness.PROGRAMS, source), w.file(source))
            shutil.copy(os.path.join(HERE, "target.h"), w.file("target.h"))
            for size, double_option in table.DOUBLE_SIZES:
                expected = [("_" + name, 0, n, value) for name, n, value in expectation(size)]
                for chip in CHIPS:
                    if chip in table.NOT_ON.get(source, ((), ""))[0]:
                        continue
                    for options in OPTION_SETS:
                        harness.run_on_target(w, chip, options + double_option, source, expected)
    check(not harness.unsupported, "every float program builds: " + ", ".join(harness.unsupported))


test_float_programs()
finish()
