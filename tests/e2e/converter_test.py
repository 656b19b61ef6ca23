#!/usr/bin/env python3
"""The debug converter ormconv run by itself and through the driver: its options, Intel HEX and
S-records checked with srec_cmp, srec_cat and gpdasm, the symbol file read back, and .COD files
of the SDB fixtures checked with gpvc, gpdasm and gpsim."""
import os
import re
import shutil

from e2e import HERE, Workdir, check, finish, intel_hex_words, need

need("gpasm", "gpdasm", "gpvc", "gpsim", "srec_cmp", "srec_cat", "gpvo", "gplink",
     "h8300-hitachi-coff-as", "h8300-hitachi-coff-ld", "h8300-hitachi-coff-objdump")

SOURCE = os.path.dirname(os.path.dirname(HERE))
FIXTURES = os.path.join(SOURCE, "tests", "fixtures", "sdb")
DATA = os.path.join(SOURCE, "converter", "tests", "data")
DRIVER_ARGS = ["-m", "-P16F877A,PIC14", "-NCODE,CONST,ENTRY,STRING"]

USAGE = ("Ormconv: the symbol file reformatter\nUsage: ormconv [options] input_files ... -okey [-okey ... ] "
         "output_file\nOptions:\n\t-v:\tverbose\n\t-d:\tdump input file\n\t-c:\tidentify input files only\n"
         "\t-f:\tfake local symbols as globals\n\t-k:\tfake variable redefinitions with inner blocks\n"
         "\t-okey:\tset output format\n\t-ikey:\tset input format\n\t-l:\tlist available formats\n"
         "\t-b:\tspecify big-endian byte ordering\n\t-m:\tstrip underscore character\n\t-e:\tstrip file extensions\n"
         "\t-pname:\tset processor name\n\nThe output file type is required.\n"
         "The input file type(s) will be auto-detected if not specified.\n")

PROGRAM = """\tprocessor p16f877
\torg 0
\tmovlw 0x12
\tmovwf 0x20
\tgoto start
\torg 0x7f0
start\tincf 0x20,f
\tgoto start
\torg 0x2100
\tde 1,2,3
\tend
"""


def conv(w, *args, stdin=None):
    return w.tool("ormconv", *args) if stdin is None else w.run([os.path.join(w_bin(), "ormconv")] + list(args), stdin=stdin)


def w_bin():
    from e2e import BIN
    return BIN


def options(w):
    r = conv(w, "-l")
    check(r.returncode == 0 and r.stderr.startswith("Formats available are:\n\nKey        Name\n\nbryllex    BRYLLEX Software\n")
          and r.stderr.endswith("tsk        Holtek TSK\n\nKeys may be unambiguously abbreviated.\n"), "-l: " + r.stderr)
    r = conv(w, "-h")
    check(r.returncode == 1 and r.stderr == USAGE, "-h prints the usage and exits 1: " + r.stderr)
    r = conv(w, "-x")
    check(r.returncode == 1 and r.stderr == "Unrecognized option '-x'" + USAGE, "-x: " + r.stderr)
    r = conv(w, "--ver")
    check(r.returncode == 0 and "ormconv" in r.stdout, "--ver: " + r.stdout + r.stderr)

    w.write("p.hex", ":00000001FF\n")
    for args in (["-ocof"], ["-o", "cof"]):
        r = conv(w, "-v", "p.hex", *args)
        check("Writing 'p.cof' as COFF" in r.stderr and "(599)" in r.stderr and r.returncode == 1
              and not w.exists("p.cof"), "%s selects COFF, which needs the code classes: %s" % (args, r.stderr))
    for args, number in ((["-oco"], 603), (["-o", "-x"], 602), (["-ozz"], 604), ([], 613)):
        r = conv(w, "p.hex", *args)
        check(r.returncode == 1 and "(%d)" % number in r.stderr, "%s gives %d: %s" % (args, number, r.stderr))
    r = conv(w, "-ocod")
    check(r.returncode == 1 and "(614)" in r.stderr, "no input: " + r.stderr)
    r = conv(w, *(["p.hex"] * 128), "-ocod")
    check(r.returncode == 1 and "(611)" in r.stderr, "128 inputs: " + r.stderr)
    r = conv(w, *(["p.hex"] * 127), "-c")
    check(r.returncode == 0, "127 inputs are accepted: " + r.stderr[-200:])
    for args, number in ((["-P"], 609), (["-N"], 610), (["-W"], 393), (["--pathspec=a"], 608)):
        r = conv(w, *args, "p.hex", "-ocod")
        check(r.returncode == 1 and "(%d)" % number in r.stderr, "%s gives %d: %s" % (args, number, r.stderr))

    # -c identifies and writes nothing.
    r = conv(w, "-c", "p.hex", "-ocod")
    check(r.returncode == 0 and "==> Checking 'p.hex' file type ...\n==> Not BRYLLEX Software\n" in r.stderr
          and "==> Confirmed as Intel HEX\n" in r.stderr and not w.exists("p.cod"), "-c: " + r.stderr)

    # Arguments from a file and from standard input.
    w.write("args.txt", "p.hex -ocod fromfile\n")
    r = conv(w, "@args.txt")
    check(r.returncode == 0 and w.exists("fromfile.cod"), "@file arguments: " + r.stderr)
    r = conv(w, stdin="p.hex -ocod fromstdin\n")
    check(r.returncode == 0 and w.exists("fromstdin.cod"), "standard-input arguments: " + r.stderr)
    r = conv(w, "@missing.txt")
    check(r.returncode == 1 and "(141)" in r.stderr, "a missing argument file: " + r.stderr)

    # Output names: derived ones are cut at a dot of the last component only.
    os.makedirs(w.file("dir.v2"))
    shutil.copy(w.file("p.hex"), w.file("dir.v2/prog"))
    r = conv(w, "dir.v2/prog", "-ocod", "-oihex")
    check(r.returncode == 0 and w.exists("dir.v2/prog.cod") and w.exists("dir.v2/prog.hex"), "derived names: " + r.stderr)
    r = conv(w, "p.hex", "-ocod", "dir.v2/named", "-oihex", "x.y")
    check(r.returncode == 0 and w.exists("dir.v2/named.cod") and w.exists("x.y"), "given names: " + r.stderr)
    r = conv(w, "p.hex", "-ocod", "first.bin", "-ocod", "second")
    check(w.exists("second.cod") and not w.exists("first.bin"), "a later name for the same format wins")

    # A failed output leaves the others written and fails the run.
    r = conv(w, "p.hex", "-ocod", "-otsk")
    check(r.returncode == 1 and w.exists("p.cod") and not w.exists("p.tsk"), "one output fails: " + r.stderr)

    # Messages: -e<file> appends them there; a file that cannot be opened keeps standard error.
    w.write("bad.hex", ":0100000011EE\nxx\n")
    r = conv(w, "-emsgs.txt", "bad.hex", "-oihex", "o1")
    check(r.returncode == 0 and "(635)" in w.read("msgs.txt") and "(635)" not in r.stderr, "-e<file>: " + r.stderr)
    r = conv(w, "-enodir/msgs.txt", "bad.hex", "-oihex", "o2")
    check(r.returncode == 1 and "(141) can't open error file \"nodir/msgs.txt\"" in r.stderr,
          "-e with an unopenable file reports on standard error: " + r.stderr)
    r = conv(w, "--msgdisable=635", "bad.hex", "-oihex", "o3")
    check("(635)" not in r.stderr and r.returncode == 0, "--msgdisable=: " + r.stderr)
    r = conv(w, "-W5!", "bad.hex", "-oihex", "o4")
    check("(635)" not in r.stderr, "-W5! hides a level-0 warning: " + r.stderr)
    r = conv(w, "-W0!", "bad.hex", "-oihex", "o5")
    check(r.returncode == 1 and "(635)" in r.stderr, "-W0! makes the warning fail the run: " + r.stderr)


def hex_files(w):
    w.write("t.asm", PROGRAM)
    r = w.run(["gpasm", "t.asm"])
    check(r.returncode == 0, "gpasm: " + r.stdout + r.stderr)
    r = conv(w, "t.hex", "-oihex", "out.hex", "-os19", "out.s19")
    check(r.returncode == 0, "Intel HEX to Intel HEX and S-records: " + r.stderr)
    r = w.run(["srec_cmp", "t.hex", "-intel", "out.hex", "-intel"])
    check(r.returncode == 0, "srec_cmp finds the Intel HEX copy equal: " + r.stdout + r.stderr)
    r = w.run(["srec_cmp", "t.hex", "-intel", "out.s19", "-motorola"])
    check(r.returncode == 0, "srec_cmp finds the S-records equal: " + r.stdout + r.stderr)
    r = w.run(["srec_cat", "t.hex", "-intel", "-o", "cat.s19", "-motorola"])
    check(r.returncode == 0, "srec_cat: " + r.stderr)
    r = conv(w, "cat.s19", "-oihex", "back.hex")
    r2 = w.run(["srec_cmp", "t.hex", "-intel", "back.hex", "-intel"])
    check(r.returncode == 0 and r2.returncode == 0, "an srec_cat S-record file reads back: " + r.stderr + r2.stdout)
    a = w.run(["gpdasm", "-p", "p16f877", "t.hex"]).stdout
    b = w.run(["gpdasm", "-p", "p16f877", "out.hex"]).stdout
    check(a == b and "incf" in a, "gpdasm sees the same program")


def build_fixture(w, name):
    for f in os.listdir(FIXTURES):
        shutil.copy(os.path.join(FIXTURES, f), w.file(f))
    r = w.ormcl("-Q", "--chip=16F877A", "--output=intel", "-G", name + ".as")
    check(r.returncode == 0 and w.exists(name + ".hex") and w.exists(name + ".sym"), name + " builds: " + r.stdout + r.stderr)


def listing_of(stderr):
    m = re.search(r"^Global block:\n.*?^}\n", stderr, re.S | re.M)
    return m.group(0) if m else ""


def gpvc_symbols(text):
    """Short symbol table of gpvc -a: [(name, value, type name)]."""
    part = text.split("Symbol Table Information:", 1)[-1].split("Long Symbol Table", 1)[0]
    return re.findall(r"^(\S+) = ([0-9a-f]+), type = (\S+)", part, re.M)


def fixtures(w):
    for name in ("globals", "locals"):
        build_fixture(w, name)
        r = conv(w, "-v", "-v", name + ".hex", name + ".sym", "-obryllex", "copy.sym")
        with open(os.path.join(FIXTURES, name + ".listing")) as f:
            check(listing_of(r.stderr) == f.read(), name + ": the debug model as listed: " + listing_of(r.stderr))
        r = conv(w, "copy.sym", "-obryllex", "copy2.sym")
        # The segment index of the third word is not read back: compare without it.
        def records(text):
            return [re.sub(r"^(\S+ \S+) \S+", r"\1", line) for line in text.splitlines()]
        check(r.returncode == 0 and records(w.read("copy.sym")) == records(w.read("copy2.sym")),
              name + ": the written symbol file reads back to the same symbols and lines")

        r = conv(w, *DRIVER_ARGS, name + ".hex", name + ".sym", "-ocod")
        check(r.returncode == 0 and w.exists(name + ".cod"), name + ": .COD written: " + r.stderr)
        g = w.run(["gpvc", "-a", name + ".cod"])
        check(g.returncode == 0, name + ": gpvc reads it")
        # Code words: what gpvc dumps equals what gpdasm reads from the hex file.
        dis = w.disassemble("16F877", name + ".hex")
        dumped = {}
        for addr, words in re.findall(r"^([0-9a-f]{6}):  ((?:[0-9a-f]{4} ?)+)$", g.stdout, re.M):
            for i, word in enumerate(words.split()):
                dumped[int(addr, 16) + i] = int(word, 16)
        check(all(dumped.get(a) == op for a, (op, _) in dis.items()) and dis, name + ": code words equal gpdasm's")
        # Every global of the symbol file is there, its "_" stripped, with its value.
        syms = {n: int(v, 16) for n, v, _ in gpvc_symbols(g.stdout)}
        for sname, value in w.symbols(name + ".sym").items():
            if sname.startswith("_") and not sname.startswith("__") and sname != "_ready":
                check(syms.get(sname[1:]) == value, "%s: %s = %X in the .COD (%s)" % (name, sname, value, syms.get(sname[1:])))
        if name == "globals":
            types = {n: t for n, _, t in gpvc_symbols(g.stdout)}
            check(syms.get("ready") == 9 and types.get("ready") == "bit_3", "bit 0x4B: type 148, value 9")
            check(types.get("handler") == "pfun_void_none" and types.get("table") == "u_byte_array",
                  "types of a function pointer and an array: %s" % types)
        else:
            scopes = re.findall(r"Local symbols between ([0-9a-f]+) and ([0-9a-f]+):\s+(\S+) =", g.stdout)
            check([s[2] for s in scopes] == ["twice", "add", "sum", "main"], "local scopes: %s" % scopes)
            check(re.search(r"^count = 0020", g.stdout, re.M) is not None, "the local static by its label F6")
            lines = re.findall(r"^\s+\d+\s+(\d+)\s+([0-9A-F]{6})\s+([0-9a-f]{2}) \S+\s+(\S+)\s*$", g.stdout, re.M)
            flags = {(f, int(l)): (t, int(a, 16)) for l, a, t, f in lines}
            check(flags.get(("locals.c", 13)) == ("80", 0x7E2) or flags.get(("locals.c", 13), ("",))[0] == "80",
                  "a line with code is 0x80: %s" % (flags.get(("locals.c", 13)),))
            check(flags.get(("locals.c", 14), ("",))[0] == "90", "a line without code is 0x90")
            check(flags.get(("twice.h", 4), ("",))[0] == "80", "code from the included file")
            # gpsim stops in add by name, shows the C line and reads a variable by its name.
            w.write("t.stc", "break e add\nrun\nrun\nreg(total)\nquit\n")
            s = w.run(["gpsim", "-i", "-s", "locals.cod", "-c", "t.stc"], timeout=60)
            s.stdout += s.stderr
            check("Hit a Breakpoint!" in s.stdout and "total += add(i, 2);" in s.stdout, "gpsim breaks in add: " + s.stdout[-600:])
            # At the second call total holds add(0, 2).
            check(re.search(r"REG0*%x\[.*\] = \$02 " % w.symbols("locals.sym")["_total"], s.stdout) is not None,
                  "gpsim reads total by name: " + s.stdout[-300:])


def dumps(w):
    # Our dump of a gputils .COD agrees with gpvc on its code blocks and line numbers.
    w.write("t.asm", PROGRAM)
    w.run(["gpasm", "t.asm"])
    r = conv(w, "-d", "t.cod")
    g = w.run(["gpvc", "-a", "t.cod"])
    ours = [int(a, 16) for a in re.findall(r"^Code: 0([0-9A-F]+)h at block \d+$", r.stdout, re.M)]
    theirs = [int(a, 16) for a in re.findall(r"^([0-9a-f]{6})-[0-9a-f]{6}: \d+$", g.stdout, re.M)]
    check(r.returncode == 0 and ours and ours == theirs, "code blocks of a gpasm .COD: %s / %s" % (ours, theirs))
    ours = [(int(l), f.lower(), int(a, 16)) for l, f, a in re.findall(r"^\t\s*(\d+) (80|90) ([0-9A-F]{4}) ", r.stdout, re.M)]
    theirs = [(int(l), f, int(a, 16)) for l, a, f in re.findall(r"^\s+\d+\s+(\d+)\s+([0-9A-F]{6})\s+(80|90) ", g.stdout, re.M)]
    check(ours and ours == theirs, "line numbers of a gpasm .COD: %s / %s" % (ours, theirs))
    check("Source:\t" in r.stdout and "Line numbers:" in r.stdout, "dump layout: " + r.stdout[:300])
    # Our own file, date and time masked, against the dump worked out for it.
    for f in ("dump.hex", "dump.sym"):
        shutil.copy(os.path.join(DATA, f), w.file(f))
    r = conv(w, *DRIVER_ARGS, "dump.hex", "dump.sym", "-ocod")
    r = conv(w, "-d", "dump.cod")
    text = re.sub(r"Date:\t.*?\tTime:\t\d\d:\d\d", "Date:\tDATE\tTime:\tTIME", r.stdout)
    with open(os.path.join(DATA, "dump.golden")) as f:
        check(text == f.read(), "dump of dump.cod:\n" + text)
    # The same model as Microchip COFF. Offsets checked by hand: 36 + 2 * 40 header bytes, 24 program
    # bytes, so the symbols at 0x8C and the 4-byte string table after three entries at 0xC2.
    r = conv(w, "-m", "-P16F877A,877A,PIC14", "-NCODE,CONST,ENTRY,STRING", "dump.hex", "dump.sym", "-omcoff")
    r = conv(w, "-d", "-v", "-v", "dump.cof")
    text = re.sub(r"^\tDated:\t\t.*$", "\tDated:\t\tDATE", r.stdout, flags=re.M)
    with open(os.path.join(DATA, "dump_coff.golden")) as f:
        check(text == f.read(), "dump of dump.cof:\n" + text)


def driver(w):
    build_fixture(w, "locals")
    os.remove(w.file("locals.hex"))
    r = w.ormcl("-Q", "--chip=16F877A", "--output=cod", "-G", "locals.as")
    check(r.returncode == 0 and w.exists("locals.cod"), "ormcl --output=cod: " + r.stdout + r.stderr)
    g = w.run(["gpvc", "-a", "locals.cod"])
    check(g.returncode == 0 and "Local symbols between" in g.stdout, "the driver's .COD carries local scopes")


# What gpvo says of every file we write: our optional header and version, virtual addresses of 0,
# and the chip file's processor id, which gputils numbers differently.
GPVO_EXPECTED = (r"Invalid optional magic number \(0x1388\)", r"Invalid assembler version \(0\)",
                 r"Virtual address does not equal physical address", r"Unknown processor type")


def gpvo(w, name):
    r = w.run(["gpvo", name])
    complaints = [l for l in r.stderr.splitlines() if not any(re.search(e, l) for e in GPVO_EXPECTED)]
    check(r.returncode == 0 and not complaints, "gpvo reads %s quietly: %s" % (name, complaints))
    return r.stdout


def coff(w):
    build_fixture(w, "locals")
    os.remove(w.file("locals.hex"))
    r = w.ormcl("-Q", "--chip=16F877A", "-G", "locals.as")
    check(r.returncode == 0 and w.exists("locals.hex") and w.exists("locals.cof"),
          "the driver's default output is Microchip COFF: " + r.stdout + r.stderr)
    text = gpvo(w, "locals.cof")
    # Program sections hold what gpdasm reads from the hex file.
    dis = w.disassemble("16F877", "locals.hex")
    words = {int(a, 16): int(op, 16) for a, op in re.findall(r"^([0-9a-f]{6}):  ([0-9a-f]{4})  ", text, re.M)}
    check(dis and all(words.get(a) == op for a, (op, _) in dis.items()), "gpvo's program words equal gpdasm's")
    check(re.search(r"^Name\s+_text1$", text, re.M) and re.search(r"^Name\s+BANK0$", text, re.M), "bank and _text sections")
    lines = re.findall(r"^(\d+)\s+0x([0-9a-f]+)\s+(\S+)$", text, re.M)
    check(("13", "7e2", "locals.c") in lines and ("4", "7c4", "twice.h") in lines, "line numbers by file: %s" % lines[:5])
    symbols = re.findall(r"^\d{4} (\S+)\s+(\S+)\s+(0x[0-9a-f]+|0)\s+(T_\w+)\s+(DT_\w+)\s+(C_\w+)", text, re.M)
    kinds = {(n, t, d, c) for n, _, _, t, d, c in symbols}
    for expected in (("add", "T_INT", "DT_FCN", "C_EXT"), ("total", "T_INT", "DT_NON", "C_EXT"),
                     ("twice", "T_INT", "DT_FCN", "C_STAT"), ("flag", "T_UCHAR", "DT_NON", "C_EXT")):
        check(expected in kinds, "symbol %s: %s" % (expected, sorted(kinds)))
    names = [n for n, *_ in symbols]
    check(all(n in names for n in (".bf", ".ef", ".bb", ".eb", ".file", ".eof")), "scope entries: %s" % names)
    w.run(["gpvo", "-x", "ext.inc", "locals.cof"])
    check("extern add ; int" in w.read("ext.inc"), "gpvo -x lists the externals with their C types")

    # Round trips: back to Intel HEX, and our own dump of it.
    r = conv(w, "locals.cof", "-oihex", "x.hex")
    r2 = w.run(["srec_cmp", "x.hex", "-intel", "locals.hex", "-intel"])
    check(r.returncode == 0 and r2.returncode == 0, "the COFF file's program reads back: " + r.stderr + r2.stdout)
    r = conv(w, "-d", "-v", "-v", "locals.cof")
    check(r.returncode == 0 and "Section 11: _text1: @7C4" in r.stdout and "fcnndx:" in r.stdout, "dump: " + r.stdout[:400])

    # The processor by the id gputils knows.
    r = conv(w, "-m", "-P16F877A,877A,PIC14", "-NCODE,CONST,ENTRY,STRING", "locals.hex", "locals.sym", "-omcoff", "p.cof")
    check(r.returncode == 0 and re.search(r"^Processor Type\s+16f877a$", gpvo(w, "p.cof"), re.M), "processor 16f877a")

    # No COFF row for PIC14: the pass fails and the driver says so.
    r = w.ormcl("-Q", "--chip=16F877A", "--output=coff", "-G", "locals.as")
    check(r.returncode != 0 and "(601)" in r.stdout + r.stderr and not w.exists("locals.cof.tmp"),
          "--output=coff for PIC14 fails: " + r.stdout + r.stderr)


def tsk(w):
    # ormhex's Holtek image of a linked program probes, dumps and reads back as tsk.
    for f in os.listdir(FIXTURES):
        shutil.copy(os.path.join(FIXTURES, f), w.file(f))
    r = w.ormcl("-Q", "--chip=16F877A", "--output=intel", "--nodel", "-G", "locals.as")
    r2 = w.tool("ormhex", "-H", "l.obj", "l.tsk")
    check(r.returncode == 0 and r2.returncode == 0 and w.exists("l.tsk"), "ormhex -H: " + r.stderr + r2.stderr)
    r = conv(w, "-d", "l.tsk")
    check(r.returncode == 0 and "Holtek TSK file dump:\nversion = H9.00; data start = 0x20; length = 0x" in r.stdout,
          "tsk dump: " + r.stdout)
    r = conv(w, "l.tsk", "-oihex", "t.hex")
    length = int(re.search(r"length = 0x([0-9A-F]+)", conv(w, "-d", "l.tsk").stdout).group(1), 16)
    ours, theirs = intel_hex_words(w.read("t.hex")), intel_hex_words(w.read("locals.hex"))
    inside = {a: v for a, v in theirs.items() if 2 * a < length}
    check(r.returncode == 0 and inside and all(ours.get(a) == v for a, v in inside.items()),
          "the tsk image holds the program's words")


def gputils_coff(w):
    w.write("r.asm", "\tprocessor p16f877\n\tudata\nvar\tres 2\n\tcode 0\nstart\tmovlw 0x12\n"
            "\tmovwf var\n\tgoto start\n\tglobal start\n\tend\n")
    r = w.run(["gpasm", "-C", "-c", "r.asm"])
    r2 = w.run(["gplink", "-c", "-o", "rl.hex", "r.o"])
    check(r.returncode == 0 and r2.returncode == 0, "gputils builds: " + r.stderr + r2.stderr)
    ours = conv(w, "-d", "-v", "rl.cof").stdout
    theirs = w.run(["gpvo", "rl.cof"]).stdout
    sections = re.findall(r"^Section \d+: (\S+): @([0-9A-F]+) size 0x([0-9A-F]+)", ours, re.M)
    their_sections = re.findall(r"^Name\s+(\S+)\nPhysical address\s+(\S+)\nVirtual address\s+\S+\nSize of Section\s+(\d+)",
                                theirs, re.M)
    check(sections and [(n, int(a, 16), int(z, 16)) for n, a, z in sections] ==
          [(n, int(a, 16), int(z)) for n, a, z in their_sections], "sections: %s / %s" % (sections, their_sections))
    for name in ("var", "start"):
        value = re.search(r"^\d{4} %s\s+\S+\s+(\S+)" % name, theirs, re.M)
        check(value and re.search(r"\t%s = %X: " % (name, int(value.group(1), 16)), ours), "symbol " + name)
    r = conv(w, "rl.cof", "-oihex", "back.hex")
    r2 = w.run(["srec_cmp", "back.hex", "-intel", "rl.hex", "-intel"])
    check(r.returncode == 0 and r2.returncode == 0, "gplink's COFF gives gplink's hex: " + r.stderr + r2.stdout)


H8_SOURCE = """\t.text
\t.global _start
_start:
\tmov.w #0x1234,r0
\tmov.w r0,@_var
\tbra _start
\t.data
\t.global _var
_var:\t.word 5
"""


def h8(w):
    # binutils' H8/300 COFF read and dumped; then written back as that row for objdump.
    w.write("h.s", H8_SOURCE)
    r = w.run(["h8300-hitachi-coff-as", "-o", "h.o", "h.s"])
    r2 = w.run(["h8300-hitachi-coff-ld", "-o", "h.x", "h.o"])
    check(r.returncode == 0 and r2.returncode == 0, "binutils builds the H8 program: " + r.stderr + r2.stderr)
    theirs = w.run(["h8300-hitachi-coff-objdump", "-x", "h.x"]).stdout
    ours = conv(w, "-d", "-v", "h.x")
    check(ours.returncode == 0 and "(Hitachi H8/300)" in ours.stdout, "probed as the H8/300 row: " + ours.stdout[:200])
    their_sections = [(n, int(a, 16), int(z, 16)) for n, z, a in
                      re.findall(r"^\s+\d+ (\S+)\s+([0-9a-f]{8})\s+([0-9a-f]{16})", theirs, re.M)]
    our_sections = [(n, int(a, 16), int(z, 16)) for n, a, z in
                    re.findall(r"^Section \d+: (\S+): @([0-9A-F]+) size 0x([0-9A-F]+)", ours.stdout, re.M)]
    check(our_sections and our_sections == their_sections, "sections: %s / %s" % (our_sections, their_sections))
    their_symbols = {(n, int(v, 16)) for v, n in re.findall(r"\(scl   2\) \(nx 0\) 0x([0-9a-f]+) (\S+)", theirs)}
    our_symbols = {(n, int(v, 16)) for n, v in re.findall(r"external symbol 0 \d+\[\d+\]\t(\S+) = ([0-9A-F]+):", ours.stdout)}
    check(their_symbols and our_symbols == their_symbols, "symbols: %s / %s" % (our_symbols, their_symbols))

    r = conv(w, "-N.text", "h.x", "-ocoff", "o.cof")
    d = w.run(["h8300-hitachi-coff-objdump", "-x", "-s", "o.cof"])
    check(r.returncode == 0 and d.returncode == 0 and "file format coff-h8300" in d.stdout, "objdump reads ours: " + d.stderr)
    check(re.search(r"Contents of section _text0:\n 0000 79001234 6b80010a 40f6", d.stdout) is not None,
          "the program bytes: " + d.stdout[-300:])
    check(re.search(r"\(scl   6\) \(nx 0\) 0x00000100 _start$", d.stdout, re.M) is not None, "labels: " + d.stdout)


def main():
    for part in (options, hex_files, fixtures, dumps, driver, coff, tsk, gputils_coff, h8):
        with Workdir() as w:
            part(w)
    finish()


main()
