#!/usr/bin/env python3
"""Damaged inputs for ormconv: symbol, Intel HEX, SDB, .COD, COFF, ICOFF, P&E, Holtek DBG, tsk,
OMF-51, UBROF and ELF files cut short and with flipped bits. Every run must end with status 0 or 1 and a numbered message, never with a sanitizer
report or a signal. The mutations come from a fixed seed, so a failure repeats."""
import os
import random
import shutil
import subprocess
import sys
import tempfile

BIN = os.path.join(os.path.abspath(sys.argv[1]), "bin")
DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "data")
SDB = os.path.join(os.path.dirname(os.path.dirname(DATA)), "..", "tests", "fixtures", "sdb", "locals.sdb")
BAD = ("AddressSanitizer", "LeakSanitizer", "runtime error", "Segmentation", "Aborted")

failures = []

# A UBROF file: start, program, segment, origin, data, symbol, statement, version, end.
UBROF = bytes.fromhex("A5 05 04 03 02 01 64 01 03 03 10 0C 02 5A 04 70 72 6F 67 02 00 00 00 00 04 43 53 45 47 21 01"
                      " 00 00 01 00 00 00 00 20 51 01 00 00 01 02 39 03 AA BB CC 4C 02 00 01 00 00 01 02 04 6D 61 69"
                      " 6E 00 00 00 47 00 0A 00 01 00 0C 80 12 34 BD 06 00 00 05 BA 02 BE FF BF 02 C0 FF C1 05 FF")
C_SOURCE = """struct point { int x; unsigned char y : 3; };
static int counter = 5;
int table[4];
struct point origin;
int add(int a, int b) { int t = a + b; counter += t; return t; }
int main(void) { int i; for (i = 0; i < 4; i++) table[i] = add(i, origin.x); return 0; }
"""


def run(workdir, args):
    env = dict(os.environ, ORM_REGISTRY="", ASAN_OPTIONS="detect_leaks=0",
               UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1")
    try:
        r = subprocess.run([os.path.join(BIN, "ormconv")] + args, cwd=workdir, env=env, capture_output=True,
                           text=True, errors="replace", timeout=60)
    except subprocess.TimeoutExpired:
        return "timed out"
    if r.returncode not in (0, 1) or any(b in r.stderr for b in BAD):
        return "status %d: %s" % (r.returncode, r.stderr[-2000:])
    return None


def mutations(data, rng):
    """Cuts at spread-out lengths, then copies with one to four flipped bits."""
    for n in sorted({0, 1, len(data) // 2, len(data) - 1} | {rng.randrange(len(data)) for _ in range(8)}):
        yield "cut at %d" % n, data[:n]
    for k in range(20):
        b = bytearray(data)
        flips = [rng.randrange(len(b) * 8) for _ in range(rng.randint(1, 4))]
        for f in flips:
            b[f // 8] ^= 1 << (f % 8)
        yield "bits %s" % flips, bytes(b)


def main():
    rng = random.Random(20261209)
    work = tempfile.mkdtemp(prefix="orm_conv_fuzz_")
    try:
        for f in ("dump.hex", "dump.sym"):
            shutil.copy(os.path.join(DATA, f), os.path.join(work, f))
        shutil.copy(SDB, os.path.join(work, "m.sdb"))
        with open(os.path.join(work, "m.sym"), "w") as f:
            f.write("_add 7E2 0 CODE\n?a_add 29 0 BANK0\n?_add 25 0 BANK0\n_total 22 0 BANK0\n%locals\nm.obj\n"
                    "F6 20 0 BANK0\nlocals.c\n13 7E2 0 CODE\n17 7EA 0 CODE\n")
        error = run(work, ["-m", "-P16F877A,877A,PIC14", "-NCODE,CONST,ENTRY,STRING", "dump.hex", "dump.sym",
                           "-ocod", "good.cod", "-omcoff", "good.cof", "-oicoff", "good.icf", "-ope", "good.pe",
                           "-ohtk", "good.dbg"])
        if error:
            failures.append("making the good files: " + error)
        # A tsk image as ormhex lays it out: header, processor name, then the bytes from address 0.
        with open(os.path.join(work, "good.tsk"), "wb") as f:
            f.write(b"HLH9.00\0" + bytes([32, 0, 0, 0, 40, 0, 0, 0]) + b"HT46R47".ljust(16, b"\0") + bytes(range(40)))
        for key, name in (("omf", "good.omf"), ("eomf", "good.abs"), ("elf", "good.elf")):
            error = run(work, ["-m", "-P16F877A", "dump.hex", "dump.sym", "-o" + key, name])
            if error:
                failures.append("making %s: %s" % (name, error))
        with open(os.path.join(work, "good.d43"), "wb") as f:
            f.write(UBROF)
        gcc = subprocess.run(["gcc", "-m32", "-O0", "-gdwarf-2", "-gstrict-dwarf", "-fno-asynchronous-unwind-tables",
                              "-nostdlib", "-static", "-Wl,-e,main", "-x", "c", "-", "-o", "x32.elf"], cwd=work,
                             input=C_SOURCE, text=True, capture_output=True)
        if gcc.returncode:
            failures.append("gcc -m32: " + gcc.stderr[-500:])
        cases = [
            ("dump.sym", "in.sym", ["-v", "-v", "in.sym", "-ocod", "-obryllex", "o.sym"]),
            ("dump.hex", "in.hex", ["in.hex", "-oihex", "o.hex", "-os19", "-ocod"]),
            ("m.sdb", "m.sdb", ["-v", "-v", "-k", "dump.hex", "m.sym", "-ocod", "o.cod"]),
            ("good.cod", "in.cod", ["-v", "-d", "in.cod"]),
            ("good.cof", "in.cof", ["-v", "-v", "-d", "in.cof"]),
            ("good.cof", "in.cof", ["-NCODE", "-P16F877A,1,PIC14", "in.cof", "-oihex", "-omcoff", "o.cof"]),
            ("good.icf", "in.icf", ["-v", "-d", "-iicoff", "in.icf"]),
            ("good.icf", "in.icf", ["-iicoff", "in.icf", "-oihex", "o.hex"]),
            ("good.pe", "in.pe", ["-ipe", "in.pe", "-obryllex", "o.sym"]),
            ("good.dbg", "in.dbg", ["-v", "-v", "-d", "-ihtk", "in.dbg"]),
            ("good.dbg", "in.dbg", ["-ihtk", "in.dbg", "-ocod", "o.cod"]),
            ("good.tsk", "in.tsk", ["-d", "-itsk", "in.tsk"]),
            ("good.tsk", "in.tsk", ["-itsk", "in.tsk", "-oihex", "o.hex"]),
            ("good.omf", "in.omf", ["-d", "-v", "in.omf"]),
            ("good.omf", "in.omf", ["in.omf", "-oihex", "o.hex", "-oelf"]),
            ("good.abs", "in.abs", ["-d", "in.abs"]),
            ("good.d43", "in.d43", ["-d", "-v", "in.d43"]),
            ("good.elf", "in.elf", ["-d", "-v", "-v", "-v", "in.elf"]),
            ("x32.elf", "in.elf", ["-d", "-v", "-v", "-v", "-v", "in.elf"]),
        ]
        for source, target, args in cases:
            with open(os.path.join(work, source), "rb") as f:
                data = f.read()
            for what, mutated in mutations(data, rng):
                with open(os.path.join(work, target), "wb") as f:
                    f.write(mutated)
                error = run(work, args)
                if error:
                    failures.append("%s, %s: %s" % (source, what, error))
                    print("FAIL:", failures[-1])
            if target == "m.sdb":
                shutil.copy(SDB, os.path.join(work, "m.sdb"))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("%d failures" % len(failures))
    sys.exit(1 if failures else 0)


main()
