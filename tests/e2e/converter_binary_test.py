#!/usr/bin/env python3
"""ormconv's binary formats against tools nobody here wrote: ELF files checked with readelf and
objdump, their data with srec_cat; OMF-51 files with srec_info and srec_cmp; the DWARF listing of
a file gcc made compared with readelf's."""
import os
import re
import shutil

from e2e import Workdir, check, finish, need
from ormtest import run

need("readelf", "objdump", "srec_info", "srec_cmp", "srec_cat", "gcc")

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
FIXTURES = os.path.join(SOURCE, "tests", "fixtures", "sdb")
DRIVER_ARGS = ["-m", "-P16F877A,PIC14", "-NCODE,CONST,ENTRY,STRING"]

C_SOURCE = """struct point { int x; unsigned char y : 3; struct point *next; };
static int counter = 5;
int table[4];
struct point origin;
int add(int a, int b) { int t = a + b; counter += t; return t; }
int main(void) { int i; for (i = 0; i < 4; i++) table[i] = add(i, origin.x); return 0; }
"""


def readelf_clean(w, name, what):
    r = w.run(["readelf", "-a", "-W", name])
    bad = [line for line in (r.stdout + r.stderr).splitlines() if "Warning" in line or "Error" in line]
    check(r.returncode == 0 and not bad, "%s: readelf -a -W is clean: %s" % (what, bad))
    d = w.run(["objdump", "--dwarf", name])
    check("warning" not in (d.stdout + d.stderr).lower(), "%s: objdump --dwarf has no warning" % what)
    return r.stdout


def sections(readelf_text):
    """[(name, type, address, size)] of readelf -S -W."""
    return [(m[0], m[1], int(m[2], 16), int(m[3], 16)) for m in
            re.findall(r"^\s*\[\s*\d+\]\s+(\S+)\s+(\S+)\s+([0-9a-f]{8})\s+[0-9a-f]{6}\s+([0-9a-f]{6})", readelf_text, re.M)]


def section_bytes(w, elf, name):
    r = w.run(["objdump", "-s", "-j", name, elf])
    data = b""
    for m in re.findall(r"^ [0-9a-f]{4,8} ((?:[0-9a-f]{2,8} ?){1,4})", r.stdout, re.M):
        data += bytes.fromhex(m.replace(" ", ""))
    return data


def elf_output(w):
    w.copy_program("count877.as")
    r = w.ormcl("-Q", "--chip=16F877A", "--output=elf", "-G", "count877.as")
    check(r.returncode == 0 and w.exists("count877.elf"), "ormcl --output=elf: " + r.stdout + r.stderr)
    readelf_clean(w, "count877.elf", "the driver's ELF")

    r = w.ormcl("-Q", "--chip=16F877A", "--output=intel", "-G", "count877.as")
    r = w.tool("ormconv", *DRIVER_ARGS, "count877.hex", "count877.sym", "-oelf", "main.elf")
    check(r.returncode == 0, "ormconv -oelf: " + r.stderr)
    text = readelf_clean(w, "main.elf", "main.elf")
    check(re.search(r"Machine:\s+None", text) is not None, "16F877A is machine 0")
    check(re.search(r"Data:\s+2's complement, little endian", text) is not None, "little endian by default")
    names = [s[0] for s in sections(text)]
    compared = 0
    for name, kind, address, size in sections(text):
        if kind != "PROGBITS" or names.count(name) != 1:
            continue
        want = run(["srec_cat", "count877.hex", "-intel", "-crop", hex(address), hex(address + size), "-offset",
                    "-" + hex(address), "-o", "-", "-binary"], cwd=w.path, binary=True).stdout
        got = section_bytes(w, "main.elf", name)
        check(got[:len(want)] == want and not any(got[len(want):]),
              "section %s holds the hex file's bytes: %s / %s" % (name, got.hex(), want.hex()))
        compared += 1
    check(compared >= 2, "program sections compared: %d" % compared)
    start = re.search(r"Entry point address:\s+0x([0-9a-f]+)", text)
    check(start is not None and int(start.group(1), 16) == 0, "e_entry is the hex file's start address")

    r = w.tool("ormconv", "-b", *DRIVER_ARGS, "count877.hex", "count877.sym", "-oelf", "big.elf")
    text = readelf_clean(w, "big.elf", "-b")
    check(re.search(r"Data:\s+2's complement, big endian", text) is not None, "-b writes big endian")
    for chip, machine in (("H8/300", "Renesas H8/300"), ("80386", "Intel 80386")):
        w.tool("ormconv", "-p" + chip, "count877.hex", "count877.sym", "-oelf", "m.elf")
        m = w.run(["readelf", "-h", "m.elf"]).stdout
        check(machine in m, "processor %r gives %s: %s" % (chip, machine, re.findall(r"Machine:.*", m)))

    for f in os.listdir(FIXTURES):
        shutil.copy(os.path.join(FIXTURES, f), w.file(f))
    r = w.ormcl("-Q", "--chip=16F877A", "--output=intel", "-G", "locals.as")
    r = w.tool("ormconv", *DRIVER_ARGS, "locals.hex", "locals.sym", "-oelf", "locals.elf")
    check(r.returncode == 0, "the SDB fixture as ELF: " + r.stderr)
    readelf_clean(w, "locals.elf", "the SDB fixture")
    d = w.tool("ormconv", "-d", "-v", "locals.elf")
    check(d.returncode == 0 and "\tStrtab:" in d.stdout and "DWARF:" not in d.stdout, "our own ELF dumps: " + d.stderr)


def omf(w):
    r = w.tool("ormconv", "-e", "count877.hex", "count877.sym", "-oomf", "main.omf")
    check(r.returncode == 0, "-oomf: " + r.stderr)
    i = w.run(["srec_info", "main.omf", "-aomf"])
    check(i.returncode == 0 and "rror" not in i.stdout + i.stderr, "srec_info reads the OMF-51 file: " + i.stderr)
    c = w.run(["srec_cmp", "main.omf", "-aomf", "count877.hex", "-intel"])
    check(c.returncode == 0, "srec_cmp: the OMF-51 content is the hex file's: " + c.stdout + c.stderr)
    r = w.tool("ormconv", "-v", "-c", "main.omf")
    check(r.returncode == 0 and "Confirmed as Extended OMF-51" in r.stderr, "-c identifies it: " + r.stderr)
    r = w.tool("ormconv", "main.omf", "-oihex", "back.hex")
    c = w.run(["srec_cmp", "back.hex", "-intel", "count877.hex", "-intel"])
    check(r.returncode == 0 and c.returncode == 0, "read back to the same bytes: " + r.stderr + c.stderr)
    r = w.tool("ormconv", "-e", "count877.hex", "count877.sym", "-oeomf", "out.abs")
    c = w.run(["srec_cmp", "out.abs", "-aomf", "count877.hex", "-intel"])
    check(r.returncode == 0 and c.returncode == 0, "extended OMF-51 content: " + r.stderr + c.stderr)
    d = w.tool("ormconv", "-d", "main.omf")
    check(d.returncode == 0 and "Module header" in d.stdout and "Module END" in d.stdout, "dump: " + d.stdout[:300])


def dwarf(w):
    w.write("x.c", C_SOURCE)
    g = w.run(["gcc", "-m32", "-O0", "-gdwarf-2", "-gstrict-dwarf", "-fno-asynchronous-unwind-tables", "-nostdlib",
               "-static", "-Wl,-e,main", "x.c", "-o", "x32.elf"])
    if not check(g.returncode == 0, "gcc -m32: " + g.stderr):
        return
    ours = w.tool("ormconv", "-d", "-v", "-v", "-v", "x32.elf")
    check(ours.returncode == 0 and "\n\nDWARF:" in ours.stdout, "the DWARF listing: " + ours.stderr)
    out = ours.stdout

    info = w.run(["readelf", "--debug-dump=info", "x32.elf"]).stdout
    theirs = [(int(o, 16), t) for o, t in re.findall(r"<\d+><([0-9a-f]+)>: Abbrev Number: \d+ \(DW_TAG_(\w+)\)", info)]
    mine = [(int(o, 16), t.replace(" ", "_")) for t, o in re.findall(r"^\s*\+([a-z ]+) \(\d+\) @ 0x[0-9A-F]+ \(0x([0-9A-F]+)\)", out, re.M)]
    check(theirs and mine == theirs, "entries and tags agree with readelf: %s / %s" % (mine[:5], theirs[:5]))
    names = [n.strip() for n in re.findall(r"DW_AT_name\s*:\s*(?:\(indirect string, offset: (?:0x)?[0-9a-f]+\): )?(.+)$", info, re.M)]
    mine_names = re.findall(r"^\s+name\[\w+\] = \"([^\"]*)\"", out, re.M)
    check(names == mine_names, "names agree: %s / %s" % (mine_names, names))

    abbrev = w.run(["readelf", "--debug-dump=abbrev", "x32.elf"]).stdout
    theirs = [(int(n), t, c == "has") for n, t, c in re.findall(r"^\s+(\d+)\s+DW_TAG_(\w+)\s+\[(has|no) children\]", abbrev, re.M)]
    mine = [(int(n), t, c == "Y") for n, c, t in re.findall(r"^(\d{5})\((.)\): DW_TAG_(\w+)", out, re.M)]
    check(theirs and mine == theirs, "abbreviations agree: %s / %s" % (mine[:3], theirs[:3]))

    lines = w.run(["readelf", "--debug-dump=decodedline", "x32.elf"]).stdout
    theirs = [(int(a, 16), int(l)) for l, a in re.findall(r"^x\.c\s+(\d+)\s+0x([0-9a-f]+)", lines, re.M)]
    mine = [(int(a, 16), int(l)) for a, l in re.findall(r"^\d{5}:  ([0-9A-F]{8})  \d+\s+(\d+)", out, re.M)]
    check(theirs and all(row in mine for row in theirs), "line rows agree: %s / %s" % (mine[:4], theirs[:4]))

    frames = w.run(["readelf", "--debug-dump=frames", "x32.elf"]).stdout
    theirs = [(int(a, 16), int(b, 16)) for a, b in re.findall(r"FDE cie=[0-9a-f]+ pc=([0-9a-f]+)\.\.([0-9a-f]+)", frames)]
    mine = [(int(a, 16), int(b, 16)) for a, b in re.findall(r"location range=0x([0-9A-F]+)\.\.0x([0-9A-F]+)", out)]
    check(theirs and mine == theirs, "FDE ranges agree: %s / %s" % (mine, theirs))

    aranges = w.run(["readelf", "--debug-dump=aranges", "x32.elf"]).stdout
    theirs = [(int(a, 16), int(a, 16) + int(n, 16)) for a, n in re.findall(r"^\s+(?:0x)?([0-9a-f]{8}) (?:0x)?([0-9a-f]{8})\s*$", aranges, re.M)
              if int(n, 16)]
    mine = [(int(a, 16), int(b, 16)) for a, b in re.findall(r"^  0x([0-9A-F]{8})\.\.0x([0-9A-F]{8})$", out, re.M)]
    check(theirs and mine == theirs, "address ranges agree: %s / %s" % (mine, theirs))

    loc = w.run(["readelf", "--debug-dump=loc", "x32.elf"]).stdout
    theirs = re.findall(r"\(DW_OP_breg(\d+) \(\w+\): (-?\d+)\)", loc)
    mine = re.findall(r"DW_OP_breg(\d+)\((-?\d+)\)", out)
    check(theirs and mine == theirs, "location expressions agree: %s / %s" % (mine, theirs))

    wide = w.run(["gcc", "-O0", "-g", "-nostdlib", "-static", "-Wl,-e,main", "x.c", "-o", "x64.elf"])
    if check(wide.returncode == 0, "gcc -m64: " + wide.stderr):
        r = w.tool("ormconv", "-i" + "elf", "-d", "x64.elf")
        check("(634)" in r.stderr, "a 64-bit file is not dumped: " + r.stderr)


def main():
    with Workdir() as w:
        elf_output(w)
        omf(w)
        dwarf(w)
    finish()


main()
