#!/usr/bin/env python3
"""Every chip of the chip-description file: <chip.h> with <stddef.h> and <limits.h> goes through
the preprocessor, the parser and the code generator to an object file with the target's sizes
and limits, and the registers and bits named below lie at the addresses read from the data
sheets by hand."""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.environ["ORM_SOURCE_DIR"], "tests", "e2e"))
from e2e import Workdir, check, finish  # noqa: E402

SOURCE = os.environ["ORM_SOURCE_DIR"]
CHIPS = re.findall(r"^\[([^\]]+)\]", open(os.path.join(SOURCE, "dat", "ormc-lite.ini"), encoding="latin-1").read(), re.M)

# Uses of the freestanding headers that fail to compile when a size or limit is wrong for this
# target: each array has 1 - d * d elements, d being the difference from the right value, so
# any difference gives a size of zero or less.
CHECKS = ["sizeof(size_t) - 2", "sizeof(ptrdiff_t) - 2", "INT_MAX - 32767", "INT_MIN + 32768",
          "UINT_MAX - 65535U", "LONG_MAX - 2147483647L", "ULONG_MAX - 4294967295UL", "CHAR_BIT - 8",
          "SCHAR_MIN + 128", "UCHAR_MAX - 255", "SHRT_MAX - 32767", "USHRT_MAX - 65535U"]
PROGRAM = "#include <chip.h>\n#include <stddef.h>\n#include <limits.h>\n" + "".join(
    "char check%d[1 - (%s) * (%s)];\n" % (i, c, c) for i, c in enumerate(CHECKS))


# (chip, name, address) from the data sheets' register maps; bits as address * 8 + bit.
FACTS = [("16F877A", "PORTB", 6), ("16F877A", "TRISB", 0x86), ("16F877A", "EECON1", 0x18C),
         ("16F877A", "RP0", 3 * 8 + 5), ("16F877A", "TMR1", 0x0E), ("16F84A", "EEDATA", 8),
         ("16F84A", "TRISA", 0x85), ("12F675", "GPIO", 5), ("12F675", "ANSEL", 0x9F),
         ("12F675", "GP2", 5 * 8 + 2), ("16F690", "ANSELH", 0x11F), ("16C84", "OPTION_REG", 0x81)]


def test_chip(w, chip):
    w.write("hdr.c", PROGRAM)
    r = w.tool("ormcl", "-Q", "--chip=" + chip, "-C", "hdr.c")
    check(r.returncode == 0 and "error" not in (r.stdout + r.stderr).lower(),
          "%s: the headers compile: %s" % (chip, r.stdout + r.stderr))


def test_check_can_fail(w):
    w.write("bad.c", "#include <limits.h>\nchar check[1 - (INT_MAX - 32766) * (INT_MAX - 32766)];\n")
    r = w.tool("ormcl", "-Q", "--chip=16F877A", "-C", "bad.c")
    check(r.returncode != 0, "a wrong limit fails to compile: " + r.stdout + r.stderr)


def test_addresses(w):
    for chip in sorted({c for c, _, _ in FACTS}):
        names = [(n, a) for c, n, a in FACTS if c == chip]
        w.write("addr.c", "#include <chip.h>\n")
        r = w.tool("ormcl", "-Q", "--chip=" + chip, "--pre", "addr.c")
        if not check(r.returncode == 0, "%s: --pre runs: %s" % (chip, r.stdout + r.stderr)):
            continue
        pre = w.read("addr.pre")
        for name, addr in names:
            m = re.search(r"\b%s\s*@\s*0x([0-9A-Fa-f]+)" % name, pre)
            check(m is not None and int(m.group(1), 16) == addr,
                  "%s: %s lies at 0x%X (%s)" % (chip, name, addr, m.group(0) if m else "missing"))


with Workdir() as work:
    for c in CHIPS:
        test_chip(work, c)
    test_check_can_fail(work)
    test_addresses(work)
finish()
