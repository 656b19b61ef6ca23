#!/usr/bin/env python3
"""Failures a user meets through the driver: each gives a numbered message, a non-zero exit
status and no hex file; a failed file does not stop the next one, but stops the link."""
import re

from e2e import Workdir, check, finish

HEAD = "\tprocessor\t%s\n\tpsect\ttext,class=CODE,delta=2\n\tglobal\t_main\n_main:\n"


def fails(w, what, args, number, outputs=()):
    r = w.ormcl("-Q", *args)
    out = r.stdout + r.stderr
    check(r.returncode == 1, "%s: exit status 1 (%d)" % (what, r.returncode))
    check(re.search(r"\(%d\) " % number, out), "%s: message (%d) is shown: %s" % (what, number, out))
    for name in outputs:
        check(not w.exists(name), "%s: no %s left behind" % (what, name))
    check(not w.exists("l.obj"), what + ": no l.obj left behind")
    return out


def main():
    with Workdir() as w:
        fails(w, "missing source", ["--chip=16F877", "--output=intel", "absent.as"], 2815, ["absent.hex", "absent.obj"])

        w.write("syntax.as", HEAD % "16F877" + "\tmovlw\t1\n\tbogus\t3\n\tgoto\t_main\n")
        out = fails(w, "unknown mnemonic", ["--chip=16F877", "--output=intel", "syntax.as"], 2801,
                    ["syntax.hex", "syntax.obj", "syntax.sym"])
        check(re.search(r"syntax\.as: 6: \(2801\) .*bogus", out), "the message names file and line 6: " + out)

        w.write("ok.as", HEAD % "16F877" + "\tgoto\t_main\n")
        out = fails(w, "unknown chip", ["--chip=16F999", "--output=intel", "ok.as"], 922, ["ok.hex", "ok.obj"])
        check("16F999" in out, "the unknown chip is named")

        out = fails(w, "output directory missing", ["--chip=16F877", "--output=intel", "-Onodir/prog", "ok.as"], 2816)
        check("nodir" in out, "the unwritable path is named: " + out)

        w.write("notes.txt", "not a source\n")
        fails(w, "unknown file type", ["--chip=16F877", "notes.txt"], 894)
        fails(w, "no file arguments", ["--chip=16F877"], 939)
        fails(w, "-S on an assembler source", ["--chip=16F877", "-S", "ok.as"], 878, ["ok.obj"])

        # The 12F675 has 0x3FF words below its calibration word; the start-up code takes one
        # of them without the OSCCAL load.
        w.write("fits.as", HEAD % "12F675" + "\tnop\n" * 0x3FD + "\tgoto\t_main\n")
        r = w.ormcl("-Q", "--chip=12F675", "--output=intel", "--runtime=-osccal", "--summary=mem", "fits.as")
        check(r.returncode == 0 and w.exists("fits.hex"), "a program that fills the chip links: " + r.stdout + r.stderr)
        check(re.search(r"CODE\s+used\s+3FFh \(\s*1023\) of\s+3FFh words\s+\(100\.0%\)", r.stdout + r.stderr),
              "the summary shows the chip full: " + r.stdout)
        w.write("big.as", HEAD % "12F675" + "\tnop\n" * 0x3FE + "\tgoto\t_main\n")
        out = fails(w, "ROM overflow by one word", ["--chip=12F675", "--output=intel", "--runtime=-osccal", "big.as"],
                    593, ["big.hex"])
        check('"text"' in out and "CODE" in out, "the overflow names the psect and class: " + out)

        w.write("undef.as", HEAD % "16F877" + "\tglobal\t_missing\n\tcall\t_missing\n\tgoto\t_main\n")
        out = fails(w, "undefined symbol", ["--chip=16F877", "--output=intel", "undef.as"], 499, ["undef.hex"])
        check("_missing" in out, "the undefined symbol is named")

        # The same routine in two modules.
        w.write("one.as", "\tprocessor\t16F877\n\tpsect\ttext,class=CODE,delta=2\n\tglobal\t_twice\n_twice:\n\treturn\n")
        w.write("two.as", "\tprocessor\t16F877\n\tpsect\ttext,class=CODE,delta=2\n\tglobal\t_twice\n_twice:\n\tretlw\t1\n")
        w.write("caller.as", HEAD % "16F877" + "\tglobal\t_twice\n\tcall\t_twice\n\tgoto\t_main\n")
        out = fails(w, "duplicate symbol", ["--chip=16F877", "--output=intel", "caller.as", "one.as", "two.as"], 482,
                    ["caller.hex"])
        check('"_twice"' in out, "the duplicate symbol is named: " + out)

        # A bad first file: the second is still assembled, nothing is linked.
        w.write("second.as", "\tprocessor\t16F877\n\tpsect\ttext,class=CODE,delta=2\n\tglobal\t_g\n_g:\n\treturn\n")
        fails(w, "a failing file among two", ["--chip=16F877", "--output=intel", "syntax.as", "second.as"], 2801,
              ["syntax.hex", "syntax.obj"])
        check(w.exists("second.obj"), "the file after the failing one was still assembled")


main()
finish()
