#!/usr/bin/env python3
"""Initial values of eeprom variables reach the hex file at the data EEPROM's address (word
0x2100 on, one byte per word) at the addresses the symbol file gives them, read back with
srec_cat; uninitialised ones are 0 there. Wider objects and arrays lie low byte first."""
import os

from e2e import Workdir, check, finish, need

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAMS = os.path.join(HERE, "..", "exec", "programs")

need("srec_cat")

SOURCE = """eeprom unsigned char first = 0x5A, second, third = 0xFF;
eeprom unsigned char last = 1;
eeprom int word = -2;
eeprom long wide = 0x12345678;
eeprom unsigned char table[3] = {7, 0x80};
unsigned char r;
void main(void) { r = first; }
"""
EXPECTED = {"_first": [0x5A], "_second": [0], "_third": [0xFF], "_last": [1], "_word": [0xFE, 0xFF],
            "_wide": [0x78, 0x56, 0x34, 0x12], "_table": [7, 0x80, 0]}

for chip in ("16F877A", "16F84A", "12F675"):
    with Workdir() as w:
        w.write("ee.c", SOURCE)
        r = w.ormcl("-Q", "--chip=" + chip, "--output=intel", "--summary=none", "-Oprog.hex", "ee.c")
        if not check(r.returncode == 0 and w.exists("prog.hex"), "%s: builds: %s" % (chip, r.stdout + r.stderr)):
            continue
        r = w.run(["srec_cat", w.file("prog.hex"), "-intel", "-crop", "0x4200", "0x4300", "-offset", "-0x4200",
                   "-o", w.file("ee.bin"), "-binary"])
        check(r.returncode == 0, "%s: srec_cat reads the hex file: %s" % (chip, r.stderr))
        with open(w.file("ee.bin"), "rb") as f:
            data = f.read()
        sym = w.symbols("prog.sym")
        for name, values in EXPECTED.items():
            at = sym.get(name)
            got = data[2 * at:2 * at + 2 * len(values)] if at is not None else b""
            want = bytes(b for v in values for b in (v, 0))
            check(got == want, "%s: %s holds %s (expected %s) in %s" % (chip, name, got.hex(), want.hex(), data.hex()))

finish()
