#!/usr/bin/env python3
"""Interrupt functions: a program whose timer 0 interrupt function runs while the main loop
does 32-bit or float arithmetic and checks its own results runs a million cycles in gpsim on each
chip, with --opt=none and the default options; the interrupt function must have run and the
main loop must have counted no error.

    interrupts_test.py [PROGRAM.c] [CHIP...]     (one program, or all of them)"""
import os
import shutil
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from e2e import Workdir, check, finish, need  # noqa: E402
from pictarget import build, little_endian, run_until  # noqa: E402
import table  # noqa: E402

need("gpsim")

# Programs that count their own errors: (source, {global: size}, extra option sets); the float
# one runs with the 24-bit and the 32-bit double.
COUNTS = {"_ticks": 2, "_errors": 1, "_loops": 2}
PROGRAMS = [("interrupts.c", COUNTS, [[]]), ("interrupts_float.c", COUNTS, [[], ["--double=32"]])]
CYCLES = 1000000


# The 16C84's 36 bytes of RAM cannot hold the scratch bytes, their save bytes and the data.
CHIPS = [c for c in table.CHIPS if c != "16C84"]


def main():
    args = sys.argv[1:]
    only = args.pop(0) if args and args[0].endswith(".c") else None
    chips = args or CHIPS
    for source, results, extras in PROGRAMS:
        if only and source != only:
            continue
        with Workdir() as w:
            shutil.copy(os.path.join(HERE, "programs", source), w.file(source))
            for chip in chips:
                for options in [o + e for o in table.OPTION_SETS for e in extras]:
                    what = "%s for %s %s" % (source, chip, " ".join(options) or "(default options)")
                    r, sym = build(w, chip, [source], *options)
                    if not check(sym is not None and all(s in sym for s in results), what + " builds: " + r.stdout + r.stderr):
                        continue
                    registers = sorted(sym[s] + i for s, size in results.items() for i in range(size))
                    regs, _, out = run_until(w, chip, "prog.hex", None, registers, cycles=CYCLES)
                    got = {s: little_endian(regs, sym[s], size) for s, size in results.items()}
                    if not check(None not in got.values(), what + ": gpsim shows the results: " + out[-800:]):
                        continue
                    check(got["_ticks"] > 0, what + ": the interrupt function ran (%d)" % got["_ticks"])
                    check(got["_loops"] > 0, what + ": the main loop ran (%d)" % got["_loops"])
                    check(got["_errors"] == 0, what + ": the main loop counted %d errors" % got["_errors"])


main()
finish()
