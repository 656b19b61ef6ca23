#!/usr/bin/env python3
"""Data-only C modules compiled by ormcg through the driver, linked with a small assembler
main: gpsim shows every initialised RAM byte after the start-up code has run, and the hex
image holds every const and EEPROM byte where the symbol file places it. The expected bytes
are the C initialisers worked out by hand (little-endian, bit-fields from bit 0)."""
import e2e
from e2e import Workdir, check, finish, intel_hex_words, need

e2e.GPSIM_CHIP.setdefault("16F877A", "p16f877a")

MAIN = """\
\tpsect\ttext,class=CODE,delta=2
\tglobal\t_main
_main:
\tgoto\t_main
"""

COMMON = """\
int gi = 0x1234;
unsigned char gb[3] = { 1, 2, 3 };
long gl = 0x11223344L;
static signed char sc = -5;
struct s { int a; unsigned f:3; unsigned g:4; char t[3]; } st = { 0x0102, 5, 9, "x" };
enum col { RED, GREEN = 7 } ec = GREEN;
char msg[] = "hi";
int zeroed;
const unsigned char ctab[] = { 0x10, 0x20, 0x30 };
eeprom unsigned char ee[2] = { 0xAA, 0x55 };
volatile unsigned char portb @ 0x06;
unsigned char *use(void);
"""

# name -> bytes expected in RAM
RAM = {
    "_gi": [0x34, 0x12],
    "_gb": [1, 2, 3],
    "_gl": [0x44, 0x33, 0x22, 0x11],
    "_st": [0x02, 0x01, 5 | (9 << 3), ord("x"), 0, 0],
    "_ec": [7],
    "_msg": [ord("h"), ord("i"), 0],
    "_zeroed": [0, 0],
}
BANK1 = "bank1 int b1 = 0x5566;\n"


def run_chip(chip, extra_source, extra_ram):
    with Workdir() as w:
        w.write("main.as", MAIN)
        w.write("data.c", COMMON + extra_source)
        r = w.ormcl("-Q", "--chip=" + chip, "--output=intel", "-Odata.hex", "-M", "main.as", "data.c")
        if not check(r.returncode == 0, chip + ": data module compiles and links: " + r.stdout + r.stderr):
            return
        sym = w.symbols("data.sym")
        ram = dict(RAM, **extra_ram)
        missing = [n for n in ram if n not in sym]
        check(not missing, chip + ": symbols in the symbol file: %s" % missing)
        registers = sorted({sym[n] + i for n in ram if n in sym for i in range(len(ram[n]))})
        got = w.gpsim(chip, "data.hex", 3000, registers, preset={a: 0xEE for a in registers})
        for name, want in ram.items():
            if name in sym:
                have = [got.get(sym[name] + i) for i in range(len(want))]
                check(have == want, "%s: RAM %s = %s, expected %s" % (chip, name, have, want))
        words = intel_hex_words(w.read("data.hex"))
        # The const table is a computed goto: addwf pc, then one retlw per byte.
        if check("_ctab" in sym, chip + ": _ctab placed"):
            at = sym["_ctab"]
            check(words.get(at) == 0x0782, "%s: table starts with addwf pc (%s)" % (chip, words.get(at)))
            table = [words.get(at + 1 + i) for i in range(3)]
            check(table == [0x3410, 0x3420, 0x3430], "%s: const bytes %s" % (chip, table))
        if check("_ee" in sym, chip + ": _ee placed"):
            # EEPROM data lies at word 0x2100 onwards, one byte per word.
            at = 0x2100 + (sym["_ee"] & 0xFF)
            ee = [words.get(at + i, 0) & 0xFF for i in range(2)]
            check(ee == [0xAA, 0x55], "%s: EEPROM bytes %s" % (chip, ee))
        check(sym.get("_portb") == 6, chip + ": absolute variable is an equate at 6")


def main():
    need("gpsim", "srec_info")
    run_chip("16F877A", BANK1, {"_b1": [0x66, 0x55]})
    run_chip("12F675", "", {})
    finish()


main()
