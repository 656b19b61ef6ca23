"""ormcg's command line, one table of cases run against the built program: arguments, the
machine flags they set (read back from the debug file's first line), messages and status."""
import os
import signal
import subprocess
import sys
import tempfile
import time

BUILD = os.path.abspath(sys.argv[1])
ORMCG = os.path.join(BUILD, "bin", "ormcg")
EDF = "--edf=" + os.path.join(BUILD, "dat", "en_msgs.txt")
GOOD = "Version 3.2 BRYLLEX Software Intermediate Code\n"
# if (1 != 0) g = 2; inside main: warned about only below warning level 0.
CONSTANT_BRANCH = (GOOD + "[v _g `uc 1 e ]\n[v _main `(v 1 e ]\n{\n[e :U _main ]\n[f ]\n"
                   "[e $ ! != -> 1 `i -> 0 `i 2 ]\n[e = _g -> 2 `uc ]\n[e :U 2 ]\n[e :UE 1 ]\n}\n")

# (name, options, intermediate code, status, messages expected, flags expected in the SDB header,
#  text expected in the assembly)
CASES = [
    ("version block", ["--ver"], None, 0, [], None, None),
    ("old version", [], "Version 3.1 BRYLLEX Software Intermediate Code\n", 1, ["(718)"], None, None),
    ("no version line", [], "[v _g `i 1 e ]\n", 1, ["(718)"], None, None),
    ("flag by name", ["-MIEEE_DBL"], GOOD, 0, [], ["IEEE_DBL"], None),
    ("flag by lower-case name", ["-Mieee_dbl"], GOOD, 0, [], ["IEEE_DBL"], None),
    ("flag by number", ["-M7"], GOOD, 0, [], ["IEEE_DBL"], None),
    ("flag out of range", ["-M16"], GOOD, 1, ["(716)"], None, None),
    ("optimiser letters", ["-OG2S"], GOOD, 0, [], ["GLOBOPT", "SPACEOPT"], None),
    ("unknown optimiser letter", ["-OX"], GOOD, 0, ["(747)"], None, None),
    ("chip with code reading", ["-PORMC16F877,1"], GOOD, 0, [], ["CANREADCODE"], "\tprocessor\t16F877\n"),
    ("chip without code reading", ["-P16F877,0"], GOOD, 0, [], ["PIC14"], "\tprocessor\t16F877\n"),
    ("unknown switch", ["-Q"], GOOD + "[v _g `i 1 e ]\n", 1, ["(717)"], ["PIC14"], None),
    ("driver's message list", ["--msgdisable=747", "-OX"], GOOD, 0, [], None, None),
    ("driver's default line", ["-Og9s", "-E1"], GOOD, 0, [], ["GLOBOPT"], None),
    ("default warning level", ["-Og9s"], CONSTANT_BRANCH, 0, [], None, None),
    ("warning level for the generator's own tests", ["-W-3", "-Og9s"], CONSTANT_BRANCH, 0, ["(757)"], None, None),
    ("warnings that fail the run", ["-W-3!"], CONSTANT_BRANCH, 1, ["(757)"], None, None),
]

failures = []


def check(ok, text):
    if not ok:
        failures.append(text)
        print("FAIL:", text)


def run_case(work, name, options, ic, status, messages, flags, text):
    src = os.path.join(work, "in.ic")
    out = os.path.join(work, "out.as")
    sdb = os.path.join(work, "out.sdb")
    for f in (out, sdb):
        if os.path.exists(f):
            os.remove(f)
    args = [ORMCG, EDF] + options
    if ic is not None:
        with open(src, "w") as f:
            f.write(ic)
        args += ["-D" + sdb, src, out]
    r = subprocess.run(args, capture_output=True, text=True, timeout=60, stdin=subprocess.DEVNULL)
    check(r.returncode == status, "%s: status %d, expected %d (%s)" % (name, r.returncode, status, r.stderr))
    for m in messages:
        check(m in r.stderr, "%s: %s not reported (%s)" % (name, m, r.stderr))
    if not messages and status == 0:
        check(r.stderr == "", "%s: unexpected messages %r" % (name, r.stderr))
    if status != 0 and ic is not None:
        check(not os.path.exists(out), "%s: output left behind after a failure" % name)
    if flags:
        with open(sdb) as f:
            first = f.readline().split()
        for fl in flags:
            check(fl in first, "%s: %s not in %s" % (name, fl, first))
    if text:
        with open(out) as f:
            check(text in f.read(), "%s: %r not in the assembly" % (name, text))
    if name == "version block":
        check("9.50PL2" in r.stdout + r.stderr, "version block: no version")


def interrupt(work):
    """SIGINT while reading: status 151 and no partial output."""
    out = os.path.join(work, "int.as")
    fifo = os.path.join(work, "in.fifo")
    os.mkfifo(fifo)
    p = subprocess.Popen([ORMCG, EDF, fifo, out], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    writer = open(fifo, "w")
    writer.write(GOOD + "[v _g `i 1 e ]\n")
    writer.flush()
    # The partial output exists once the handler is in place; the program then blocks on the pipe.
    for _ in range(6000):
        if os.path.exists(out + ".part"):
            break
        time.sleep(0.01)
    p.send_signal(signal.SIGINT)
    status = p.wait(timeout=60)
    writer.close()
    check(status == 151, "interrupt: status %d, expected 151" % status)
    check(not any(f.startswith("int.as") for f in os.listdir(work)), "interrupt: output left behind")


def interrupt_while_spooling(work):
    """SIGINT while a function's texts wait in the spool file (-OG): status 151, and neither the
    partial output nor the spool file is left behind."""
    temp = os.path.join(work, "spooltemp")
    os.mkdir(temp)
    out = os.path.join(work, "spool.as")
    fifo = os.path.join(work, "spool.fifo")
    os.mkfifo(fifo)
    env = dict(os.environ, TEMP=temp, TMP=temp)
    p = subprocess.Popen([ORMCG, EDF, "-OG1", fifo, out], stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    writer = open(fifo, "w")
    writer.write(GOOD + "[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n[; ;a comment\n[;  nop\n")
    writer.flush()
    for _ in range(6000):
        if os.listdir(temp):
            break
        time.sleep(0.01)
    check(os.listdir(temp) != [], "spooling: no spool file made in TEMP")
    # The name is registered for removal just after the file is made; the program then blocks on
    # the pipe, where the interrupt is meant to find it.
    time.sleep(0.5)
    p.send_signal(signal.SIGINT)
    status = p.wait(timeout=60)
    writer.close()
    check(status == 151, "spooling interrupt: status %d, expected 151" % status)
    check(os.listdir(temp) == [], "spooling interrupt: spool file left behind: %s" % os.listdir(temp))
    check(not any(f.startswith("spool.as") for f in os.listdir(work)), "spooling interrupt: output left behind")
    # A run that ends normally removes its spool too, after replaying the texts in place.
    src = os.path.join(work, "spool.ic")
    with open(src, "w") as f:
        f.write(GOOD + "[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n[; ;a comment\n[;  nop\n}\n")
    r = subprocess.run([ORMCG, EDF, "-OG1", src, out], capture_output=True, text=True, env=env)
    with open(out) as f:
        text = f.read()
    check(r.returncode == 0 and ";a comment\n nop\n" in text, "spooling: texts not replayed: %r %s" % (text, r.stderr))
    check(os.listdir(temp) == [], "spooling: spool file left after a normal run: %s" % os.listdir(temp))


def unwritable(work):
    r = subprocess.run([ORMCG, EDF, os.path.join(work, "missing.ic")], capture_output=True, text=True)
    check(r.returncode == 1 and "(141)" in r.stderr, "unreadable input: %s" % r.stderr)
    src = os.path.join(work, "ok.ic")
    with open(src, "w") as f:
        f.write(GOOD)
    r = subprocess.run([ORMCG, EDF, src, os.path.join(work, "no", "dir", "x.as")], capture_output=True, text=True)
    check(r.returncode == 1 and "(378)" in r.stderr, "uncreatable output: %s" % r.stderr)
    out = os.path.join(work, "ok.as")
    r = subprocess.run([ORMCG, EDF, "-D" + os.path.join(work, "no", "x.sdb"), src, out], capture_output=True, text=True)
    check(r.returncode == 1 and "(461)" in r.stderr and os.path.exists(out) is False,
          "uncreatable SDB file: %s" % r.stderr)


with tempfile.TemporaryDirectory(prefix="ormcg_cmd_") as work:
    for case in CASES:
        run_case(work, *case)
    interrupt(work)
    interrupt_while_spooling(work)
    unwritable(work)
print("%d cases, %d failures" % (len(CASES) + 4, len(failures)))
sys.exit(1 if failures else 0)
