#!/usr/bin/env python3
"""Separate compile and link through the driver: objects made with -C, a library made with
--output=lib and linked from (only the modules it needs), the map and symbol files, the
memory summary checked against the image, which gpsim then runs."""
import re
import shutil

from e2e import Workdir, check, finish, intel_hex_words

SOURCES = ("main2.as", "util2.as", "liba.as", "libb.as")


def summary_used(text, name):
    """The 'used' amount (decimal column) of a class or space line of the memory summary."""
    m = re.search(r"^    %s\s+used\s+([0-9A-F]+)h \(\s*(\d+)\)" % re.escape(name), text, re.M)
    return (int(m.group(1), 16), int(m.group(2))) if m else None


def psect_rows(text):
    """Rows of the psect usage map: (psect, first, last, size)."""
    return [(n, int(a, 16), int(b, 16), int(s)) for n, a, b, s in
            re.findall(r"^ (\w+)\s+\|[^|]*\|\s*([0-9A-F]+)h - ([0-9A-F]+)h \|\s*(\d+) ", text, re.M)]


def main():
    with Workdir() as w:
        for s in SOURCES:
            w.copy_program(s)
        r = w.ormcl("-Q", "--chip=16F877", "-C", "main2.as", "util2.as")
        check(r.returncode == 0, "-C on two sources succeeds: " + r.stdout + r.stderr)
        check(w.exists("main2.obj") and w.exists("util2.obj"), "-C leaves both objects")
        check(not w.exists("main2.hex") and not w.exists("l.obj"), "-C neither links nor leaves l.obj")

        r = w.ormcl("-Q", "--chip=16F877", "--output=lib", "-Omylib.lib", "liba.as", "libb.as")
        check(r.returncode == 0, "--output=lib builds the library: " + r.stdout + r.stderr)
        check(w.exists("mylib.lib"), "the library file exists")
        check(not w.exists("mylib.hex"), "building a library does not link")

        r = w.ormcl("-Q", "--chip=16F877", "--output=intel", "--summary=psect,mem", "-M",
                    "-Oprog.hex", "main2.obj", "util2.obj", "mylib.lib")
        out = r.stdout + r.stderr
        if not check(r.returncode == 0, "objects and library link: " + out):
            return
        for name in ("prog.hex", "prog.sym", "prog.map", "main2.obj", "util2.obj"):
            check(w.exists(name), name + " exists after the link")
        check(not w.exists("l.obj"), "the link's absolute object was removed")

        sym = w.symbols("prog.sym")
        for name in ("_main", "_twice", "_libone", "_out", "__Ltext", "__Htext", "__Lrbss_0", "__Hrbss_0"):
            check(name in sym, name + " is in the symbol file")
        check("_libtwo" not in sym, "the unreferenced library module stayed out")
        mapping = w.read("prog.map")
        for psect in ("text", "rbss_0", "end_init"):
            check(re.search(r"^\s+%s\s+[0-9A-F]+\s+[0-9A-F]+\s+[0-9A-F]+\s*$" % psect, mapping, re.M),
                  "the map lists psect " + psect)
        check("liba.obj" in mapping and "libb.obj" not in mapping, "the map names the library module linked")

        # The summary's numbers are what the image and the symbol file hold.
        words = intel_hex_words(w.read("prog.hex"))
        code_words = len([a for a in words if a < 0x800])
        check(summary_used(out, "CODE") == (code_words, code_words),
              "summary CODE used %s = %d words in the image" % (summary_used(out, "CODE"), code_words))
        check(summary_used(out, "Program space") == (code_words, code_words), "summary program space")
        bank0 = sym.get("__Hrbss_0", 0) - sym.get("__Lrbss_0", 0)
        check(bank0 == 2, "rbss_0 holds the two bytes of main2 and util2 (%d)" % bank0)
        check(summary_used(out, "BANK0") == (bank0, bank0), "summary BANK0 used %s" % (summary_used(out, "BANK0"),))
        rows = psect_rows(out)
        texts = sorted((a, b) for n, a, b, s in rows if n == "text")
        for name in ("_main", "_twice", "_libone"):
            check(any(a <= sym.get(name, -1) <= b for a, b in texts), name + " lies in a text row of the psect map")
        check(all(b - a + 1 == s for n, a, b, s in rows), "every psect row's size matches its range")
        check(sum(s for n, a, b, s in rows if n in ("text", "init", "end_init")) == code_words,
              "the code psect rows add up to the image")

        # With file the same reports go to prog.pum and prog.mum as well.
        r = w.ormcl("-Q", "--chip=16F877", "--output=intel", "--summary=psect,mem,file",
                    "-Oprog.hex", "main2.obj", "util2.obj", "mylib.lib")
        check(r.returncode == 0, "--summary=file links: " + r.stdout + r.stderr)
        for ext, title in (("pum", "Psect Usage Map:"), ("mum", "Memory Usage Map:")):
            text = w.read("prog." + ext) if w.exists("prog." + ext) else ""
            check(title in text and text.strip() in (r.stdout + r.stderr), "prog.%s holds the screen's %s" % (ext, title))

        if shutil.which("gpsim"):
            regs = w.gpsim("16F877", "prog.hex", 200, [sym.get("_out", 0)])
            check(regs.get(sym.get("_out")) == 0x2A, "gpsim: 5 doubled in util2 plus 0x20 from the library (%s)" % regs)

    with Workdir() as w:
        # One source: its object goes after the link; two sources: both objects stay.
        w.copy_program("main2.as")
        w.copy_program("util2.as")
        w.copy_program("liba.as")
        r = w.ormcl("-Q", "--chip=16F877", "--output=intel", "--summary=none", "liba.as")
        check(r.returncode != 0, "a program without _main does not link")
        check(not w.exists("liba.hex"), "no hex after a failed link")
        r = w.ormcl("-Q", "--chip=16F877", "--output=intel", "--summary=none", "main2.as", "util2.as", "liba.as")
        check(r.returncode == 0, "three sources link: " + r.stdout + r.stderr)
        check(w.exists("main2.hex") and w.exists("main2.sym"), "the output is named after the first source")
        check(w.exists("main2.obj") and w.exists("util2.obj"), "a build from several sources keeps the objects")


main()
finish()
