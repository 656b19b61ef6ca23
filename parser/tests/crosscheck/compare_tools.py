#!/usr/bin/env python3
"""Checks ormparse's side files against independent tools on the sources beside this script:
the prototype file (-p) against cproto, the cross-reference definitions (-C) against ctags.
Usage: compare_tools.py ORMPARSE MESSAGE_FILE. Exit 77 when cproto or ctags is missing."""
import os
import re
import shutil
import subprocess
import sys
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
parser, messages = sys.argv[1], sys.argv[2]
if not shutil.which("cproto") or not shutil.which("ctags"):
    print("cproto or ctags is not installed; skipped")
    sys.exit(77)


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
with tempfile.TemporaryDirectory() as work:
    for name in sorted(f for f in os.listdir(here) if f.endswith(".c")):
        source = os.path.join(here, name)
        pro = os.path.join(work, name + ".pro")
        crf = os.path.join(work, name + ".crf")
        run = subprocess.run([parser, "--edf=" + messages, "-p" + pro, "-C" + crf, source,
                              os.path.join(work, name + ".ic")], capture_output=True, text=True)
        if run.returncode != 0:
            print(f"{name}: ormparse failed:\n{run.stderr}")
            failures += 1
            continue
        ours = sorted(normalise(l) for l in open(pro) if l.strip())
        theirs = []
        for extra in (["-S"], []):
            out = subprocess.run(["cproto", "-e", "-f2"] + extra + [source], capture_output=True, text=True).stdout
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
        tags = subprocess.run(["ctags", "-x", "--c-kinds=fvgsuet", source], capture_output=True, text=True).stdout
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
