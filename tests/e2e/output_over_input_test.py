#!/usr/bin/env python3
"""Every program refuses an output that is one of its inputs, named the same, through "./",
through a symbolic link or as a hard link: message 398 (ormannot: 378), a failed status, and
the input byte for byte as it was."""
import os

from e2e import Workdir, check, finish

CONTENT = "keep this input\n"

# Program, the input it reads, and argument lists in which OUT stands for the output name.
CASES = [
    ("ormpre", "in.c", [["in.c", "OUT"], ["-LOUT", "in.c", "x.pre"], ["-LM-OUT", "in.c", "x.pre"]]),
    ("ormparse", "in.pre", [["in.pre", "OUT"], ["-POUT", "in.pre", "x.ic"], ["-COUT", "in.pre", "x.ic"],
                            ["in.pre", "x.ic", "OUT"]]),
    ("ormasm", "in.as", [["-oOUT", "in.as"], ["-lOUT", "-ox.obj", "in.as"]]),
    ("ormlink", "in.obj", [["-oOUT", "in.obj"], ["-MOUT", "-ox.obj", "in.obj"], ["-hOUT", "-ox.obj", "in.obj"]]),
    ("ormhex", "in.obj", [["in.obj", "OUT"], ["-SOUT", "in.obj", "x.hex"]]),
    ("ormarch", "in.obj", [["r", "OUT", "in.obj"]]),
    ("ormxref", "in.tmp", [["-OOUT", "in.tmp"]]),
    ("ormannot", "in.c", [["in.c", "OUT"]]),
]


def main():
    with Workdir() as w:
        for name, source, rows in CASES:
            for row in rows:
                for form in ("same", "dot", "symlink", "hardlink"):
                    for leftover in ("link", "hard"):
                        if os.path.lexists(w.file(leftover)):
                            os.remove(w.file(leftover))
                    w.write(source, CONTENT)
                    out = {"same": source, "dot": "./" + source, "symlink": "link", "hardlink": "hard"}[form]
                    if form == "symlink":
                        os.symlink(source, w.file("link"))
                    if form == "hardlink":
                        os.link(w.file(source), w.file("hard"))
                    args = [a.replace("OUT", out) for a in row]
                    r = w.tool(name, *args)
                    text = r.stdout + r.stderr
                    number = "(378)" if name == "ormannot" else "(398)"
                    what = "%s %s (%s)" % (name, " ".join(args), form)
                    check(r.returncode != 0 and number in text, "%s: refused with %s: %s" % (what, number, text))
                    check(w.read(source) == CONTENT, what + ": the input is unchanged")
    finish()


if __name__ == "__main__":
    main()
