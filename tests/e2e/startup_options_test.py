#!/usr/bin/env python3
"""Every program with each option the driver puts in front of a pass's own arguments (-W,
--edf=, --msgdisable=, --emax=, -E1 where the driver passes it), with --disl= and --ver, and
with its arguments from standard input and from an @file. Each program is run on a missing
input, so that it reports a known message and fails: an option must change nothing of that
but what it is for."""
import os
import re
import subprocess

from e2e import BIN, BUILD, Workdir, check, finish

# Program, arguments that fail on a missing input, the message number reported, whether the
# driver passes -E1 to it, whether it takes --disl=, and whether it reads its arguments from
# standard input (no arguments) and from a lone @file.
PROGRAMS = [
    ("ormannot", ["missing.c", "out.lst"], 141, False, True, True),
    ("ormpre", ["missing.c", "out.pre"], 141, True, True, True),
    ("ormparse", ["missing.pre", "out.ic"], 141, True, True, True),
    ("ormasm", ["missing.as"], 2815, True, True, False),
    ("ormlink", ["missing.obj"], 141, True, True, True),
    ("ormhex", ["missing.obj", "out.hex"], 141, False, False, True),
    ("ormpatch", ["missing.hex", "-Oout.hex"], 141, True, True, False),
    ("ormarch", ["r", "out.lib", "missing.obj"], 2881, False, True, False),
    ("ormxref", ["missing.tmp"], 141, False, True, True),
    ("ormtrim", ["missing.obj"], 141, False, True, False),
    ("ormcg", ["missing.ic", "out.as"], 141, True, True, True),
    ("ormconv", ["missing.sym", "-oihex", "out.hex"], 141, True, True, True),
]

LAYOUT = "LAYOUT[%n] %s"
REFUSALS = re.compile(r"unknown option|Unrecognized (switch|option)|illegal switch|\(168\)|\(2817\)")


def custom_message_file(w):
    """The shipped message file with every text of the numbers above marked."""
    with open(os.path.join(BUILD, "dat", "en_msgs.txt"), encoding="latin-1") as f:
        lines = f.read().splitlines()
    numbers = {str(p[2]) for p in PROGRAMS}
    out = []
    for line in lines:
        fields = line.split(None, 2)
        if len(fields) == 3 and fields[0] in numbers:
            line = "%s\t%s\tCUSTOM %s" % (fields[0], fields[1], fields[2])
        out.append(line)
    path = w.file("custom_msgs.txt")
    with open(path, "w", encoding="latin-1") as f:
        f.write("\n".join(out) + "\n")
    return path


def run(w, name, args, stdin="", env=None):
    return subprocess.run([os.path.join(BIN, name)] + args, cwd=w.path, input=stdin, capture_output=True,
                          text=True, errors="replace", timeout=120,
                          env=dict(os.environ, ORM_REGISTRY="", **(env or {})))


def main():
    with Workdir() as w:
        edf = "--edf=" + os.path.join(BUILD, "dat", "en_msgs.txt")
        custom = custom_message_file(w)
        for name, args, number, takes_e1, takes_disl, reads_input in PROGRAMS:
            base = run(w, name, [edf] + args)
            tag = "(%d)" % number
            check(base.returncode != 0 and tag in base.stderr + base.stdout,
                  "%s: the missing input gives %s: %s" % (name, tag, base.stderr))

            rows = [["-W9"] if name != "ormxref" else [], ["--msgdisable=%d,2" % number], ["--emax=1"]]
            if takes_disl:
                rows.append(["--disl=%d" % number])
            for row in rows:
                r = run(w, name, [edf] + row + args)
                out = r.stdout + r.stderr
                check(r.returncode == base.returncode and tag in out and not REFUSALS.search(out),
                      "%s %s: accepted and the run unchanged (%d): %s" % (name, row, r.returncode, out))
            if not takes_disl:
                r = run(w, name, [edf, "--disl=%d" % number] + args)
                check(REFUSALS.search(r.stdout + r.stderr), name + ": --disl= is no option of this program")
            if name == "ormxref":
                r = run(w, name, [edf, "-W9"] + args)
                check("Unrecognized switch -W9" in r.stderr and tag in r.stdout + r.stderr,
                      "ormxref reports -W and goes on: " + r.stderr)

            r = run(w, name, ["--edf=" + custom] + args)
            check("CUSTOM" in r.stdout + r.stderr, "%s: --edf= loads the file named: %s" % (name, r.stderr))
            r = run(w, name, ["--edf=" + w.file("absent_msgs.txt")] + args)
            check("Could not open error description file" in r.stdout + r.stderr and r.returncode != 0,
                  "%s: an absent message file is reported and the run goes on: %s" % (name, r.stderr))

            if takes_e1:
                layouts = {"BXC_ERR_FORMAT": LAYOUT, "BXC_WARN_FORMAT": LAYOUT, "BXC_MSG_FORMAT": LAYOUT}
                r = run(w, name, [edf, "-E1"] + args, env=layouts)
                check("LAYOUT[%d]" % number in r.stdout + r.stderr,
                      "%s: -E1 switches the layouts on: %s" % (name, r.stderr))

            r = run(w, name, [edf, "--ver"] + args)
            check(r.returncode == 0 and "9.50" in r.stdout and tag not in r.stdout + r.stderr,
                  "%s: --ver prints the version and stops: %s" % (name, r.stdout + r.stderr))

            w.write("cmd_" + name, " ".join([edf] + args) + "\n")
            r = run(w, name, ["@cmd_" + name])
            if reads_input:
                check(tag in r.stdout + r.stderr, "%s: arguments from an @file: %s" % (name, r.stderr))
                r = run(w, name, [], stdin=" ".join([edf] + args) + "\n")
                check(tag in r.stdout + r.stderr, "%s: arguments from standard input: %s" % (name, r.stderr))
                r = run(w, name, ["@absent_cmd"])
                check(r.returncode != 0 and "(141)" in r.stdout + r.stderr and "command" in r.stderr,
                      "%s: an absent @file is message 141: %s" % (name, r.stderr))
        for leftover in ("out.lst", "out.pre", "out.ic", "out.as", "out.hex", "out.lib"):
            check(not w.exists(leftover), "no %s left by a failed run" % leftover)
    finish()


if __name__ == "__main__":
    main()
