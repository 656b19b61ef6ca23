#!/usr/bin/env python3
"""Assembler programs built into Intel HEX by the driver for three chips, then checked with
srec_info (image ranges), gpdasm (the instructions at the symbol file's addresses) and gpsim
(the program ran: registers, RAM, ports)."""
from e2e import BIN, Workdir, check, finish, intel_hex_words, need

need("gpsim", "gpdasm", "srec_info")


def build(w, chip, source, *extra):
    r = w.ormcl("-Q", "--chip=" + chip, "--output=intel", "--summary=none", "-Mprog.map", source, *extra)
    base = source.rsplit(".", 1)[0]
    ok = check(r.returncode == 0, "%s for %s builds: %s" % (source, chip, r.stdout + r.stderr))
    ok = ok and check(w.exists(base + ".hex"), base + ".hex was written")
    check(not w.exists("l.obj"), "the link's absolute object was removed")
    # Only a build from exactly one file argument removes the source's object.
    check(w.exists(base + ".obj") == bool(extra), "%s.obj kept only with further inputs" % base)
    return base if ok else None


def image_checks(w, chip, base, main_first):
    """The hex reads back the same through srec_info, gpdasm and our own reader."""
    sym = w.symbols(base + ".sym")
    words = intel_hex_words(w.read(base + ".hex"))
    r, ranges = w.hex_ranges(base + ".hex")
    check(r.returncode == 0 and "Intel" in r.stdout, "srec_info reads %s.hex: %s" % (base, r.stdout + r.stderr))
    covered = set()
    for lo, hi in ranges:
        covered.update(range(lo // 2, hi // 2 + 1))
    check(covered == set(words), "srec_info's ranges %s cover exactly the image's words" % ranges)
    check(0 in words, "the reset vector is programmed")
    dis = w.disassemble(chip, base + ".hex")
    check(all(dis.get(a, (None,))[0] == v for a, v in words.items()),
          "gpdasm shows the image's words at their addresses")
    main = sym.get("_main")
    check(main is not None and dis.get(main, (0, ""))[1] == main_first,
          "gpdasm: _main at %s begins with '%s' (%s)" % (main, main_first, dis.get(main)))
    return sym


def test_16f877():
    with Workdir() as w:
        w.copy_program("count877.as")
        base = build(w, "16F877", "count877.as")
        if not base:
            return
        sym = image_checks(w, "16F877", base, "bsf 0x03, 0x5")
        check(sym.get("_far") == 0xA0, "_far lies in bank 1 at 0xA0 (%s)" % sym.get("_far"))
        need_syms = ("_count", "_result", "_init")
        if not all(check(s in sym, s + " is in the symbol file") for s in need_syms):
            return
        regs = w.gpsim("16F877", base + ".hex", 400,
                       [sym["_count"], sym["_result"], sym["_init"], 0xA0, 0x06, 0x86])
        check(regs.get(sym["_count"]) == 10, "the loop counted to 10 (%s)" % regs)
        check(regs.get(sym["_result"]) == 0x13, "the computed goto returned table entry 3 (%s)" % regs)
        check(regs.get(sym["_init"]) == 42, "the start-up code copied the initialised byte (%s)" % regs)
        check(regs.get(0xA0) == 0x33, "the bank-1 store reached 0xA0 (%s)" % regs)
        check(regs.get(0x06) == 0xA5 and regs.get(0x86) == 0, "port B drives 0xA5 (%s)" % regs)


def test_16f877_data():
    # With the bottom of bank 0 reserved, every variable moves up, and the start-up code
    # still clears and initialises them in both banks.
    with Workdir() as w:
        w.copy_program("data877.as")
        r = w.ormcl("-Q", "--chip=16F877", "--output=intel", "--summary=none", "--ram=default,-20-2F", "data877.as")
        if not check(r.returncode == 0, "data877.as builds with reserved RAM: " + r.stdout + r.stderr):
            return
        sym = w.symbols("data877.sym")
        if not all(check(s in sym, s + " is in the symbol file") for s in ("_a", "_b", "_c", "_z")):
            return
        check(all(sym[s] >= 0x30 for s in ("_a", "_z")), "nothing lies in the reserved 0x20-0x2F (%s)" % sym)
        check(all(0xA0 <= sym[s] <= 0xEF for s in ("_b", "_c")), "bank-1 variables lie in bank 1 (%s)" % sym)
        a, b, c, z = sym["_a"], sym["_b"], sym["_c"], sym["_z"]
        regs = w.gpsim("16F877", "data877.hex", 300, [a, a + 1, b, b + 1, b + 2, c, c + 1, z],
                       preset={c: 0x55, c + 1: 0x56, z: 0x66, a: 0x77, b: 0x78})
        check([regs.get(a), regs.get(a + 1)] == [0x11, 0x22], "bank-0 data initialised (%s)" % regs)
        check([regs.get(b + i) for i in range(3)] == [0x33, 0x44, 0x55], "bank-1 data initialised (%s)" % regs)
        check([regs.get(c), regs.get(c + 1), regs.get(z)] == [0, 0, 0], "variables cleared in both banks (%s)" % regs)


def test_16f84a():
    with Workdir() as w:
        w.copy_program("fill84.as")
        base = build(w, "16F84A", "fill84.as")
        if not base:
            return
        sym = image_checks(w, "16F84A", base, "movlw 0x%02x" % w.symbols("fill84.sym").get("_buf", 0))
        if not all(check(s in sym, s + " is in the symbol file") for s in ("_buf", "_sum", "_depth")):
            return
        buf = sym["_buf"]
        check(0x0C <= buf and buf + 8 <= 0x50, "the buffer lies in the 16F84A's RAM (%#x)" % buf)
        regs = w.gpsim("16F84A", base + ".hex", 400, [buf + i for i in range(8)] + [sym["_sum"], sym["_depth"]])
        check([regs.get(buf + i) for i in range(8)] == [8, 7, 6, 5, 4, 3, 2, 1],
              "FSR/INDF filled the buffer (%s)" % regs)
        check(regs.get(sym["_sum"]) == 36, "the nested call summed the buffer (%s)" % regs)
        check(regs.get(sym["_depth"]) == 3, "every call returned to its caller (%s)" % regs)


def test_12f675():
    # The calibration word a real part carries at 0x3FF, merged in from a hex file.
    calib = [2, 0x07, 0xFE, 0, 0x48, 0x34]
    with Workdir() as w:
        w.copy_program("gpio675.as")
        w.write("osccal.hex", ":" + "".join("%02X" % b for b in calib) +
                "%02X\n:00000001FF\n" % (-sum(calib) & 0xFF))
        base = build(w, "12F675", "gpio675.as", "osccal.hex")
        if not base:
            return
        sym = image_checks(w, "12F675", base, "movlw 0x07")
        words = intel_hex_words(w.read(base + ".hex"))
        check(words.get(0x3FF) == 0x3448, "the merged calibration word is in the image (%s)" % words.get(0x3FF))
        check(max(a for a in words if a < 0x2000) <= 0x3FF, "nothing lies beyond the 12F675's program memory")
        if not check("_copy" in sym, "_copy is in the symbol file"):
            return
        regs = w.gpsim("12F675", base + ".hex", 200, [sym["_copy"], 0x05, 0x90])
        check(regs.get(0x90) == 0x48, "the start-up code loaded OSCCAL from 0x3FF (%s)" % regs)
        check(regs.get(0x05, 0) & 0x37 == 0x15, "GPIO drives 0x15 (%s)" % regs)
        check(regs.get(sym["_copy"], 0) & 0x37 == 0x15, "GPIO read back into RAM (%s)" % regs)


test_16f877()
test_16f877_data()
test_16f84a()
test_12f675()
finish()
