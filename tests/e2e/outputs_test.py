#!/usr/bin/env python3
"""What a link leaves behind and where: further hex formats that srec_cmp finds equal to the
Intel HEX image, a filled image, a code offset, and the output, object and map names that
-O, --outdir and -M choose."""
import os
import re

from e2e import Workdir, check, finish, need

need("srec_cmp", "srec_info", "gpdasm")

BUILD = ["-Q", "--chip=16F877", "--summary=none"]


def main():
    with Workdir() as w:
        w.copy_program("count877.as")
        r = w.ormcl(*BUILD, "--output=intel,mot,bin", "count877.as")
        check(r.returncode == 0, "three formats at once: " + r.stdout + r.stderr)
        r = w.run(["srec_cmp", "count877.hex", "-intel", "count877.s19", "-motorola"])
        check(r.returncode == 0, "the S-records hold the Intel HEX image: " + r.stdout + r.stderr)
        # A binary image starts at 0 and fills its gaps with 0xFF.
        size = os.path.getsize(w.file("count877.bin"))
        r = w.run(["srec_cmp", "count877.hex", "-intel", "-fill", "0xFF", "0", str(size), "count877.bin", "-binary"])
        check(r.returncode == 0, "the binary holds the Intel HEX image: " + r.stdout + r.stderr)

        # The fill code is bytes in image order: FF 3F is the word 0x3FFF.
        r = w.ormcl(*BUILD, "--output=intel", "--fill=FF3F", "-Ofilled.hex", "count877.as")
        check(r.returncode == 0, "--fill builds: " + r.stdout + r.stderr)
        r, ranges = w.hex_ranges("filled.hex")
        check(ranges == [(0, 0xFFF)], "the filled image covers all 0x800 words (%s)" % ranges)
        dis = w.disassemble("16F877", "filled.hex")
        check(dis.get(0x400, (None,))[0] == 0x3FFF, "unused words hold the fill value (%s)" % (dis.get(0x400),))
        r = w.run(["srec_cmp", "filled.hex", "-intel", "-exclude", "0x2E", "0xFC0",
                   "count877.hex", "-intel", "-exclude", "0x2E", "0xFC0"])
        check(r.returncode == 0, "outside the gap the filled image is the program: " + r.stdout + r.stderr)

        r = w.ormcl(*BUILD, "--output=intel", "--codeoffset=100", "-Ooffset.hex", "count877.as")
        check(r.returncode == 0, "--codeoffset builds: " + r.stdout + r.stderr)
        dis = w.disassemble("16F877", "offset.hex")
        check(min(dis) == 0x100, "the image starts at the code offset (%s)" % hex(min(dis) if dis else -1))
        sym = w.symbols("offset.sym")
        check(dis.get(sym.get("_main"), (0, ""))[1] == "bsf 0x03, 0x5", "_main moved with the offset")

    with Workdir() as w:
        # The assembler listing agrees with the linked image, apart from the operand bits
        # that relocation fills in.
        w.copy_program("count877.as")
        r = w.ormcl(*BUILD, "--output=intel", "--asmlist", "-Gmine.sym", "count877.as")
        check(r.returncode == 0, "--asmlist builds: " + r.stdout + r.stderr)
        check(w.exists("mine.sym") and not w.exists("count877.sym"), "-G names the symbol file")
        listing = w.read("count877.lst") if w.exists("count877.lst") else ""
        rows = [(int(a, 16), int(v, 16)) for a, v in
                re.findall(r"^\s*\d+\s+([0-9A-F]{4})\s+([0-9A-F]{4})\s", listing, re.M)]
        main = w.symbols("mine.sym").get("_main", -1) if w.exists("mine.sym") else -1
        dis = w.disassemble("16F877", "count877.hex")
        check(len(rows) >= 20, "the listing shows the program's words (%d)" % len(rows))
        for loc, word in rows[:24]:  # the text psect comes first
            mask = 0x7FF if word >> 12 == 2 else 0xFF if word >> 12 == 3 else 0x7F
            got = dis.get(main + loc, (None,))[0]
            check(got is not None and got & ~mask == word & ~mask,
                  "listing word %04X at %X matches the image (%s)" % (word, loc, got))

    with Workdir() as w:
        os.mkdir(w.file("src"))
        w.copy_program("count877.as", "src/x.as")
        r = w.ormcl("-Q", "--chip=16F877", "-C", "src/x.as")
        check(r.returncode == 0 and w.exists("x.obj") and not w.exists("src/x.obj"),
              "a source in another directory yields its object in the current one")

    with Workdir() as w:
        w.copy_program("count877.as")
        os.mkdir(w.file("out"))
        os.mkdir(w.file("objs"))
        r = w.ormcl(*BUILD, "--output=intel", "-M", "-Oout/prog", "count877.as")
        check(r.returncode == 0, "-O into a subdirectory: " + r.stdout + r.stderr)
        for name in ("prog.hex", "prog.sym", "prog.map"):
            check(w.exists("out/" + name), "-Oout/prog writes out/" + name)
        check(not w.exists("prog.hex") and not w.exists("count877.obj"), "nothing lands in the current directory")

        r = w.ormcl("-Q", "--chip=16F877", "-C", "--outdir=objs", "count877.as")
        check(r.returncode == 0 and w.exists("objs/count877.obj"), "--outdir receives the object")

        r = w.ormcl(*BUILD, "--output=intel", "-Oexact.", "count877.as")
        check(r.returncode == 0 and w.exists("exact."), "an output name ending in '.' is kept as given")
        r, ranges = w.hex_ranges("exact.")
        check(r.returncode == 0 and ranges, "that file is Intel HEX (%s)" % ranges)


main()
finish()
