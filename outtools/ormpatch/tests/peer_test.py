#!/usr/bin/env python3
"""ormpatch against srecord on assembler-made hex files: merges, fills, checksums, serials and
strings must give the image srec_cat gives; bad inputs stop with their message and leave the
output file as it was."""
import os
import pathlib
import unittest

import ormtest

ormtest.need("gpasm", "srec_cat", "srec_info", "srec_cmp")
ORMPATCH = ormtest.program("ormpatch")

PROGRAM_A = """    processor 16f877a
    org 0
    movlw 0x12
    movwf 0x20
    goto $
    org 0x10
    dw 0x3fff, 0x1234
    end
"""
PROGRAM_B = """    processor 16f877a
    org 0x100
    retlw 1
    retlw 2
    end
"""
# Overlaps A at word 1 with the same instruction, at word 2 with another one.
PROGRAM_SAME = """    processor 16f877a
    org 1
    movwf 0x20
    end
"""
PROGRAM_DIFFERENT = """    processor 16f877a
    org 2
    nop
    end
"""


def run(*args, check=True, cwd=None):
    result = ormtest.run(list(args), cwd=cwd)
    if check and result.returncode != 0:
        raise AssertionError(f"{args} failed ({result.returncode}): {result.stderr}")
    return result


class PatchAgainstSrecord(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = ormtest.Workdir()
        cls.path = pathlib.Path(cls.dir.path)
        for name, text in (("a", PROGRAM_A), ("b", PROGRAM_B), ("same", PROGRAM_SAME),
                           ("diff", PROGRAM_DIFFERENT)):
            (cls.path / f"{name}.asm").write_text(text)
            run("gpasm", "-q", "-a", "inhx32", "-o", str(cls.path / f"{name}.hex"), str(cls.path / f"{name}.asm"))

    @classmethod
    def tearDownClass(cls):
        cls.dir.remove()

    def p(self, name):
        return str(self.path / name)

    def patch(self, *args, check=True):
        return run(ORMPATCH, *args, check=check)

    def assertSameImage(self, ours, *peer):
        run("srec_cat", *peer, "-o", self.p("peer.hex"), "-intel")
        run("srec_info", ours, "-intel")   # srecord reads our file as well-formed Intel HEX
        result = run("srec_cmp", ours, "-intel", self.p("peer.hex"), "-intel", check=False)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_merge_of_inputs(self):
        self.patch(self.p("a.hex"), self.p("b.hex"), "-O" + self.p("merged.hex"))
        self.assertSameImage(self.p("merged.hex"), self.p("a.hex"), "-intel", self.p("b.hex"), "-intel")

    def test_equal_overlap_merges_and_different_overlap_stops(self):
        self.patch(self.p("a.hex"), self.p("same.hex"), "-O" + self.p("eq.hex"))
        self.assertSameImage(self.p("eq.hex"), self.p("a.hex"), "-intel")
        target = self.path / "inplace.hex"
        target.write_bytes((self.path / "a.hex").read_bytes())
        result = self.patch(str(target), self.p("diff.hex"), "-O" + str(target),
                            "-logfile=" + self.p("inplace.hxl"), check=False)
        self.assertEqual(result.returncode, 1)
        self.assertIn("(944)", result.stderr)
        # The file named as input and output is untouched, and nothing else is left behind.
        self.assertEqual(target.read_bytes(), (self.path / "a.hex").read_bytes())
        self.assertFalse((self.path / "inplace.hxl").exists())
        self.assertEqual([f for f in os.listdir(self.path) if f.startswith("~")], [])

    def test_forced_input_overwrites(self):
        self.patch(self.p("a.hex"), "+" + self.p("diff.hex"), "-O" + self.p("forced.hex"))
        self.assertSameImage(self.p("forced.hex"), self.p("a.hex"), "-intel", "-exclude", "4", "6",
                             self.p("diff.hex"), "-intel")

    def test_fill_against_repeated_data(self):
        self.patch(self.p("a.hex"), "-FILL=FF3F@0-7F", "-O" + self.p("fill.hex"))
        self.assertSameImage(self.p("fill.hex"), self.p("a.hex"), "-intel",
                             "-generate", "0", "0x80", "-diff", "-within", self.p("a.hex"), "-intel",
                             "-repeat-data", "0xFF", "0x3F")

    def test_checksums_against_checksum_filter(self):
        self.patch(self.p("a.hex"), "-CK=0-7F@200w2", "-CK=0-7F@210+1234w4", "-CK=0-7F@220w1",
                   "-O" + self.p("ck.hex"))
        for dest, width, initial in ((0x200, 2, 0), (0x210, 4, 0x1234), (0x220, 1, 0)):
            run("srec_cat", self.p("a.hex"), "-intel", "-crop", "0", "0x80",
                "-checksum-positive-b-e", hex(dest), "4", "1", "-crop", hex(dest), hex(dest + 4),
                "-offset", hex(-dest), "-o", self.p("peer.bin"), "-binary")
            run("srec_cat", self.p("ck.hex"), "-intel", "-crop", hex(dest), hex(dest + width),
                "-offset", hex(-dest), "-o", self.p("ours.bin"), "-binary")
            peer = (self.path / "peer.bin").read_bytes()
            ours = (self.path / "ours.bin").read_bytes()
            expected = (int.from_bytes(peer, "big") + initial) % (1 << (8 * width))
            self.assertEqual(int.from_bytes(ours, "big"), expected, f"checksum at {dest:X}")

    def test_serials_and_strings_against_constants(self):
        self.patch(self.p("a.hex"), "-SERIAL=0001+1@1000+2r3", "-STRING@2000=AB", "-O" + self.p("ser.hex"))
        self.assertSameImage(self.p("ser.hex"), self.p("a.hex"), "-intel",
                             "-generate", "0x1000", "0x1002", "-constant-b-e", "1", "2",
                             "-generate", "0x1002", "0x1004", "-constant-b-e", "2", "2",
                             "-generate", "0x1004", "0x1006", "-constant-b-e", "3", "2",
                             "-generate", "0x2000", "0x2003", "-constant-b-e", "0x414200", "3")

    def test_log_layout(self):
        run(ORMPATCH, "a.hex", "-FILL=FF3F@0-F", "-CK=0-F@40w2", "-FIND=3412@20-30tADD", "-Olog.hex",
            "-LOGFILE=log.hxl", cwd=self.path)
        page0 = "111111" + "F" * 10 + "-" * 16 + "1111" + "-" * 28
        expected = ("### ORMPatch logfile and output summary ###\n"
                    "### OP Code find / replace results ###"
                    "\n Search results for            ADD (3412h & FFFFh):"
                    "\n  found (3412h) at address 22h"
                    "\n\n"
                    "### Memory Usage ###"
                    "\n Unused memory ranges:\n  10h - 1Fh\n  24h - 3Fh\n  42h - 7Fh\n  "
                    "\n Filled ROM ranges:\n  6h - Fh\n  "
                    "\n Stored checksum result ranges:\n  40h - 41h\n  "
                    "\n a.hex ranges:\n  0h - 5h\n  20h - 23h\n  "
                    "\n### Checksum Reports ###\n Checksum 0 : (0h to Fh) = 742\n"
                    "\n### Hex Memory Map ###\n Legend:\n"
                    "  - = Unused memory\n  F = Filled ROM\n  S = Stored serial code\n"
                    "  A = Stored ASCII string\n  R = Reserved for checksum\n"
                    "  C = Stored checksum result\n  T = Trailing code\n  & = Find & replace opcode\n"
                    "  1 = a.hex\n"
                    f"00000000: {page0}\n"
                    f"00000040: CC{'-' * 62}\n")
        self.assertEqual((self.path / "log.hxl").read_text(), expected)

    def test_five_inputs_have_their_own_rows(self):
        names = []
        for i in range(5):
            name = f"in{i + 1}.hex"
            (self.path / name).write_text(f":0100{i:02X}00{i + 1:02X}" +
                                          "%02X" % ((-(1 + i + i + 1)) & 0xFF) + "\n:00000001FF\n")
            names.append(name)
        run(ORMPATCH, *names, "-Ofive.hex", "-LOGFILE=five.hxl", cwd=self.path)
        log = (self.path / "five.hxl").read_text()
        self.assertIn("  4 = in4.hex\n  5 = in5.hex\n00000000: 12345---", log)
        self.assertIn("\n in5.hex ranges:\n  4h - 4h\n", log)
        result = run(ORMPATCH, *names, "in1.hex", "-Osix.hex", cwd=self.path, check=False)
        self.assertIn("(958)", result.stderr)
        self.assertFalse((self.path / "six.hex").exists())

    def test_window_and_offset(self):
        self.patch(self.p("a.hex") + ",20-23+1000", "-O" + self.p("win.hex"))
        self.assertSameImage(self.p("win.hex"), self.p("a.hex"), "-intel", "-crop", "0x20", "0x24",
                             "-offset", "0x1000")


class PatchRejectsBadInput(unittest.TestCase):
    def setUp(self):
        self.dir = ormtest.Workdir()
        self.path = pathlib.Path(self.dir.path)
        self.out = self.path / "out.hex"
        self.out.write_text("previous\n")

    def tearDown(self):
        self.dir.remove()

    def stops(self, text, number):
        source = self.path / "in.hex"
        source.write_text(text)
        result = run(ORMPATCH, str(source), "-O" + str(self.out), check=False)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn(f"({number})", result.stderr)
        self.assertEqual(self.out.read_text(), "previous\n")

    def test_malformed_inputs(self):
        self.stops(":0100100055aa\n:00000001FF\n", 942)       # lower-case digits
        self.stops(":01001000", 942)                          # truncated line
        self.stops(":020000020001FB\n:00000001FF\n", 960)     # type 02
        self.stops(":0100100055\n", 942)                      # line ends before its checksum

    def test_bad_checksum_warns_and_keeps_data(self):
        source = self.path / "in.hex"
        source.write_text(":0100100055AA\n:00000001FF\n")
        result = run(ORMPATCH, str(source), "-O" + str(self.out))
        self.assertIn("(636)", result.stderr)
        self.assertEqual(self.out.read_text(), ":01001000559A\n:00000001FF\n")

    def test_bad_option_values(self):
        for args, number in ((["-CK=10-5@100"], 949), (["-CK=0-5@100w5"], 948),
                             (["-FILL=FF@10-5"], 951), (["-FILL=112233445566778899@0-5"], 1204),
                             (["-FIND=3FFFM00FF0@0-10"], 1201), (["-SERIAL=11223344556677889@0"], 956),
                             (["-FILL=FF"], 941), (["-FILL=11@0-1"] * 4, 1198)):
            result = run(ORMPATCH, *args, "-O" + str(self.out), check=False)
            self.assertEqual(result.returncode, 1, args)
            self.assertIn(f"({number})", result.stderr, args)
        self.assertEqual(self.out.read_text(), "previous\n")


class PatchHelp(unittest.TestCase):
    def test_help_and_banner(self):
        result = run(ORMPATCH)
        self.assertIn("ORMPATCH - Intel hex editing utility (Build 1.94)", result.stderr)
        self.assertIn('type "ormpatch" for available options', result.stderr)
        result = run(ORMPATCH, "-HELP=ck")
        self.assertIn("  USAGE: -CK=start-end@dest[+offset][wWidth][tCode]\n"
                      "  Example: -CK=0-1FFF@5FFC+1234w2t34\n", result.stdout)
        result = run(ORMPATCH, "-HELP")
        self.assertIn("  -FILL     : Specify a hexadecimal code", result.stdout)
        self.assertIn("available command-line options:", result.stderr)
        result = run(ORMPATCH, "-HELP=NOPE", check=False)
        self.assertEqual(result.returncode, 1)
        self.assertIn("(953) unknown -HELP sub-option: NOPE", result.stderr)

if __name__ == "__main__":
    unittest.main()
