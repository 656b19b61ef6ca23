#!/usr/bin/env python3
"""Checks ormparse's side files against independent tools on the sources beside this script:
the prototype file (-p) against cproto, the cross-reference definitions (-C) against ctags.
Run by CTest (ormtest finds the build tree); cproto or ctags missing: skipped, failed on CI."""
import os
import re
import sys

from ormtest import Workdir, message_file, need, program, run

here = os.path.dirname(os.path.abspath(__file__))
need("cproto", "ctags")
parser = program("ormparse")


def normalise(line):
    """One prototype in a common spelling: no parameter dimensions, plain signed names."""
    line = line.strip().rstrip(";")
    line = re.sub(r"\bsigned (char|short|int|long)\b", r"\1", line)
    line = re.sub(r"\bunsigned int\b", "unsigned", line)
    line = re.sub(r"\b(char|short|int|long|unsigned|double|float|void) const\b", r"const \1", line)
    # A parameter array becomes a pointer to its element: "int [3][4]" is "int (*)[4]".
    line = re.sub(r"(\w) ?\[[^]]*\]((\[[^]]*\])+)", r"\1 (*)\2", line)
    line = re.sub(r"(\w) ?\[[^]]*\]([,)])", r"\1*\2", line)
    line = re.sub(r"\s*\*\s*", "*", line)
    line = re.sub(r"\*\(", "* (", line)
    line = re.sub(r"\s+", " ", line)
    line = line.replace("( ", "(").replace(" )", ")").replace(" ,", ",")
    return line


failures = 0
with Workdir() as work:
    for name in sorted(f for f in os.listdir(here) if f.endswith(".c")):
        source = os.path.join(here, name)
        pro = work.file(name + ".pro")
        crf = work.file(name + ".crf")
        parsed = run([parser, "--edf=" + message_file(), "-p" + pro, "-C" + crf, source, work.file(name + ".ic")])
        if parsed.returncode != 0:
            print(f"{name}: ormparse failed:\n{parsed.stderr}")
            failures += 1
            continue
        ours = sorted(normalise(l) for l in open(pro) if l.strip())
        theirs = []
        for extra in (["-S"], []):
            out = run(["cproto", "-e", "-f2"] + extra + [source]).stdout
            theirs += [normalise(l) for l in out.splitlines() if l.strip() and not l.startswith("/*")]
        theirs.sort()
        if ours != theirs:
            failures += 1
            print(f"{name}: prototypes differ")
            for l in sorted(set(ours) - set(theirs)):
                print("  ormparse:", l)
            for l in sorted(set(theirs) - set(ours)):
                print("  cproto:  ", l)
        definitions = set()
        for l in open(crf):
            if l.startswith("#"):
                symbol, line = l[1:].split()
                definitions.add((symbol, int(line)))
        tags = run(["ctags", "-x", "--c-kinds=fvgsuet", source]).stdout
        missing = []
        for l in tags.splitlines():
            parts = l.split()
            if (parts[0], int(parts[2])) not in definitions:
                missing.append(f"{parts[0]} ({parts[1]}) at line {parts[2]}")
        if missing:
            failures += 1
            print(f"{name}: ctags definitions missing from the cross-reference file: " + ", ".join(missing))
        print(f"{name}: {len(ours)} prototypes, {len(tags.splitlines())} definitions compared")
print("ok" if failures == 0 else f"{failures} differences")
sys.exit(1 if failures else 0)
