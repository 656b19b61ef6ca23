#!/usr/bin/env python3
"""The debug converter ormconv run by itself and through the driver: its options, Intel HEX and
S-records checked with srec_cmp, srec_cat and gpdasm, the symbol file read back, and .COD files
of the SDB fixtures checked with gpvc, gpdasm and gpsim."""
import os
import re
import shutil

from e2e import HERE, Workdir, check, finish, intel_hex_words, need

need("gpasm", "gpdasm", "gpvc", "gpsim", "srec_cmp", "srec_cat")

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


def driver(w):
    build_fixture(w, "locals")
    os.remove(w.file("locals.hex"))
    r = w.ormcl("-Q", "--chip=16F877A", "--output=cod", "-G", "locals.as")
    check(r.returncode == 0 and w.exists("locals.cod"), "ormcl --output=cod: " + r.stdout + r.stderr)
    g = w.run(["gpvc", "-a", "locals.cod"])
    check(g.returncode == 0 and "Local symbols between" in g.stdout, "the driver's .COD carries local scopes")


def main():
    for part in (options, hex_files, fixtures, dumps, driver):
        with Workdir() as w:
            part(w)
    finish()


main()
