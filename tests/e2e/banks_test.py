#!/usr/bin/env python3
"""Bank selection run in gpsim: a C program whose variables lie in banks 0 to 3 (the chip's
own RAM widened with --ram), read and written by statements that move between banks, through
pointers with IRP, at an absolute address and as a bit, on the 16F877A and the 16F690. The
expected RAM is worked out by hand from the source. A variable in a bank that the chip, or
its --ram setting, gives no RAM stops the build with a message; on a chip whose RAM all lies
in bank 0, bank 1 reaches it through the mirror."""
from e2e import Workdir, check, finish, need
from pictarget import build, build_both_ways, run_until

need("gpsim")

# --ram adds the general-purpose RAM of banks 2 and 3 that the chip file leaves out.
RAM = {"16F877A": "--ram=default,110-16F,190-1EF", "16F690": "--ram=default,120-16F"}
# v1 = 11h, v2 = 22h, r1 = v2, r2 = v1 + 5Ah, r0 = (v1 ^ v2) | 80h, a2 = {44h, 22h, 44h},
# d2 = v0 read through a pointer to bank 0 (IRP clear) into bank 2.
COMMON = {"_v1": 0x11, "_v2": 0x22, "_v0": 0x44, "_r1": 0x22, "_r2": 0x6B, "_r0": 0xB3,
          "_a2": 0x44, "_a2+1": 0x22, "_a2+2": 0x44, "_abs2": 0x5A, "_d2": 0x44}
# Bank 3 exists on the 16F877A only: v3 = 33h, r3 = v3 + v1, a3 = {r2, v1}.
BANK3 = {"_v3": 0x33, "_r3": 0x44, "_a3": 0x6B, "_a3+1": 0x11}


def address(sym, name):
    base, _, offset = name.partition("+")
    return sym[base] + int(offset or 0) if base in sym else None


def test_banks(chip):
    expected = dict(COMMON, **(BANK3 if chip == "16F877A" else {}))
    with Workdir() as w:
        w.copy_program("banks.c")
        for options in (["--opt=none"], []):
            what = "banks.c for %s %s" % (chip, " ".join(options) or "(default options)")
            r, sym = build(w, chip, ["banks.c"], RAM[chip], *options)
            if not check(sym is not None, what + " builds: " + r.stdout + r.stderr):
                continue
            if not check(all(address(sym, n) is not None for n in expected) and "_orm_done" in sym,
                         what + ": its variables are in the symbol file"):
                continue
            # Every bank the program uses holds a variable above the first bank.
            check(any(address(sym, n) >= 0x100 for n in expected), what + ": variables in banks 2-3")
            regs, reached, out = run_until(w, chip, "prog.hex", "w 0x%x, reg(0x%x) == 1" % ((sym["_orm_done"],) * 2),
                                           [address(sym, n) for n in expected])
            if not check(reached, what + " runs to its end: " + out[-800:]):
                continue
            got = {n: regs.get(address(sym, n)) for n in expected}
            check(got == expected, what + " leaves %s" % got)


# (chip, declaration, options, message number, name the message must carry). The four-bank
# chips select banks 2 and 3 but have no RAM there without --ram: the link finds no room. The
# two-bank chips cannot select them at all: the code generator refuses the variable.
MISSING = [
    ("16F877A", "bank2 unsigned char v;", [], "(491)", '"rbss_2"'),
    ("16F877A", "bank3 unsigned int v = 5;", ["--ram=default,110-16F"], "(491)", '"rdata_3"'),
    ("16F877A", "persistent bank3 unsigned char v;", ["--ram=default,110-16F"], "(491)", '"nvram_3"'),
    ("16F690", "bank2 unsigned char v;", [], "(491)", '"rbss_2"'),
    ("16F627A", "bank2 unsigned char v;", [], "(726)", "bank2"),
    ("16F84A", "bank3 unsigned char v = 1;", [], "(726)", "bank3"),
    # An address past the banks the chip selects: the code would reach a lower bank's register.
    ("16F84A", "volatile unsigned char v @ 0x110;", [], "(727)", "0x110"),
    ("16F627A", "volatile unsigned int v @ 0x1A0;", [], "(727)", "bank 3"),
]


def test_missing_banks():
    for chip, declaration, ram, number, name in MISSING:
        with Workdir() as w:
            w.write("m.c", declaration + "\nunsigned char r;\nint main(void)\n{\n    v += 2;\n    r = v;\n"
                    "    for (;;) continue;\n}\n")
            for options in (["--opt=none"], []):
                what = "%s on %s %s" % (declaration, chip, " ".join(ram + options) or "(default options)")
                r, sym = build(w, chip, ["m.c"], *ram, *options)
                out = r.stdout + r.stderr
                check(r.returncode != 0 and number in out and name in out, what + " is refused: " + out)
                check(not w.exists("prog.hex"), what + ": no image is left")
                # The code generator's refusal names the declaration, not the end of main.
                if number != "(491)":
                    check("m.c: 1: " + number in out, what + ": the message names line 1: " + out)


# A static local is written out after its function: the refusal still names its own line.
def test_missing_bank_of_local():
    with Workdir() as w:
        w.write("l.c", "unsigned char r;\nint main(void)\n{\n    bank3 static unsigned char s;\n    s++;\n"
                "    r = s;\n    for (;;) continue;\n}\n")
        r, sym = build(w, "16F84A", ["l.c"])
        out = r.stdout + r.stderr
        check(r.returncode != 0 and "l.c: 4: (726)" in out, "a bank3 static local on the 16F84A is refused at line 4: " + out)


# A variable declared in a header is named at the header's line, with the header's name.
def test_missing_bank_from_header():
    with Workdir() as w:
        w.write("far.h", "int q;\nbank3 unsigned char far_one;\n")
        w.write("h.c", "#include \"far.h\"\n\nint main(void)\n{\n    far_one = 1;\n    for (;;) continue;\n}\n")
        r, sym = build(w, "16F84A", ["h.c"])
        out = r.stdout + r.stderr
        check(r.returncode != 0 and "far.h: 2: (726)" in out, "a bank3 variable of a header is refused at its line: " + out)
        check("h.c: 2: (726)" not in out, "the header's line is not given the C file's name: " + out)


# Bank 1 on chips whose RAM lies in bank 0 only: direct access sets RP0 and lands on the mirror,
# a pointer reaches the same byte through FSR.
ONE_BANK = """bank1 unsigned char b1 = 7;
bank1 unsigned int w1;
unsigned char r, done;
int main(void)
{
    bank1 unsigned char *p = &b1;
    w1 = 0x1234;
    *p += 3;
    r = b1 + (unsigned char)w1;
    done = 1;
    for (;;) continue;
}
"""


def test_one_bank(chip, ram_top):
    with Workdir() as w:
        w.write("one.c", ONE_BANK)
        build_both_ways(w, chip, "one.c", {"_b1": 10, "_w1": 0x34, "_w1+1": 0x12, "_r": 0x3E}, check)
        r, sym = build(w, chip, ["one.c"])
        if check(sym is not None and "_b1" in sym, "one.c on %s builds" % chip):
            check(sym["_b1"] <= ram_top and sym["_w1"] + 1 <= ram_top, "%s: bank 1 variables in bank 0 RAM" % chip)


test_banks("16F877A")
test_banks("16F690")
test_missing_banks()
test_missing_bank_of_local()
test_missing_bank_from_header()
test_one_bank("16F84A", 0x4F)
test_one_bank("12F675", 0x5F)
finish()
