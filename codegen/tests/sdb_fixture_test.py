"""The shared SDB fixtures against what ormcg -D writes for their C sources: the header, every
function's record and the block structure must be the fixture's. Line positions, the labels of
local statics and the place of an auto the fixture keeps in a register come from the other
passes and the converter's side of the set; they are not compared here."""
import os
import subprocess
import sys
import tempfile

BUILD = os.path.abspath(sys.argv[1])
SOURCE = os.path.abspath(sys.argv[2])
FIXTURES = os.path.join(SOURCE, "tests", "fixtures", "sdb")
BIN = os.path.join(BUILD, "bin")
EDF = "--edf=" + os.path.join(BUILD, "dat", "en_msgs.txt")

failures = []


def check(ok, text):
    if not ok:
        failures.append(text)
        print("FAIL:", text)


def run(args, cwd):
    return subprocess.run(args, cwd=cwd, capture_output=True, text=True)


def compared(text):
    """The records this side owns: the header, function records, block openings and closings."""
    lines = text.splitlines()
    out = [lines[0]] if lines else []
    for line in lines[1:]:
        if line.startswith("[v ") and " `(" in line:
            out.append(line)
        elif line == "{" or line == "}" or line.startswith("} "):
            out.append(line.split()[0])
    return out


with tempfile.TemporaryDirectory(prefix="ormcg_sdb_") as work:
    for name in ("globals", "locals"):
        src = os.path.join(FIXTURES, name + ".c")
        pre, ic, strs = (os.path.join(work, name + ext) for ext in (".pre", ".ic", ".str"))
        sdb = os.path.join(work, name + ".sdb")
        r = run([os.path.join(BIN, "ormpre"), EDF, "-D_16F877A", "-S1,2,2,4,3,3", "-I" + FIXTURES, src, pre], work)
        check(r.returncode == 0, name + ": ormpre: " + r.stderr)
        # The parser's arguments as the driver gives them for a 16F877A with -G.
        r = run([os.path.join(BIN, "ormparse"), EDF, "-S", "-D", "-u", "-Gstrings,const", "-M", "-B", "-Y", "-r",
                 "-QX,bank1", "-QY,bank2", "-QZ,bank3", "-QT,eeprom", "-Z1,2,2,4,2,3,3", pre, ic, strs], work)
        check(r.returncode == 0, name + ": ormparse: " + r.stderr)
        r = run([os.path.join(BIN, "ormcg"), EDF, "-D" + sdb, "-PORMC16F877A,1", ic, os.path.join(work, name + ".as")],
                work)
        check(os.path.exists(sdb), name + ": no SDB file: " + r.stderr)
        if not os.path.exists(sdb):
            continue
        with open(sdb) as f:
            got = compared(f.read())
        with open(os.path.join(FIXTURES, name + ".sdb")) as f:
            want = compared(f.read())
        check(got == want, "%s: written %r, fixture %r" % (name, got, want))

failed = len({f.split(":")[0] for f in failures})
print("%d passed, %d failed" % (2 - failed, failed))
sys.exit(1 if failures else 0)
