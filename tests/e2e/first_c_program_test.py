#!/usr/bin/env python3
"""C programs compiled by the driver for the 16F877A to Intel HEX and run in gpsim: the first
C program, whose RAM contents after the run are the values worked out by hand from the
source, and an interrupt function whose save and restore code keeps the main loop's state."""
from e2e import Workdir, check, finish, need

need("gpsim")


def test_first_program():
    with Workdir() as w:
        w.copy_program("first.c")
        r = w.ormcl("-Q", "--chip=16F877A", "--output=intel", "--summary=none", "first.c")
        if not check(r.returncode == 0, "first.c builds: " + r.stdout + r.stderr):
            return
        sym = w.symbols("first.sym")
        names = ("_a", "_b", "_r", "_s", "_t")
        if not all(check(s in sym, s + " is in the symbol file") for s in names):
            return
        # Garbage first, so that every value must have been written by the program.
        addrs = [sym[s] for s in names]
        regs = w.gpsim("16F877A", "first.hex", 2000, addrs, preset={a: 0x99 for a in addrs})
        got = {s: regs.get(sym[s]) for s in names}
        # a = 5; b = 7; a != b so r = 2; r ^= 0, 1, 2, 3 leaves 2; add3 gives 5;
        # s = 7 - 5 = 2; t = (7 & 6) | 0x40 = 0x46, then 0x45.
        check(got == {"_a": 5, "_b": 7, "_r": 5, "_s": 2, "_t": 0x45}, "RAM after the run: %s" % got)


def test_interrupt_keeps_main_loop_state():
    with Workdir() as w:
        w.copy_program("intcount.c")
        r = w.ormcl("-Q", "--chip=16F877A", "--output=intel", "--summary=none", "intcount.c")
        if not check(r.returncode == 0, "intcount.c builds: " + r.stdout + r.stderr):
            return
        sym = w.symbols("intcount.sym")
        if not all(check(s in sym, s + " is in the symbol file") for s in ("_count", "_errors", "_z")):
            return
        # Timer 0 overflows every 512 cycles; the main loop checks W, STATUS, FSR and PCLATH
        # after every statement it can and counts what it finds wrong.
        regs = w.gpsim("16F877A", "intcount.hex", 1000000, [sym["_count"], sym["_errors"], sym["_z"]])
        check(regs.get(sym["_count"], 0) != 0, "the interrupt function ran (%s)" % regs)
        check(regs.get(sym["_errors"]) == 0, "the main loop found its state intact (%s)" % regs)
        check(regs.get(sym["_z"]) == 13, "the main loop ran (%s)" % regs)


test_first_program()
test_interrupt_keeps_main_loop_state()
finish()
