#!/usr/bin/env python3
"""Seeded mutation fuzzing of one program of the toolchain, run by CTest on the sanitizer build.

    fuzz_programs.py BUILD PROGRAM [--cases N] [--seed S] [--budget SECONDS]

Each case takes a seed input from tests/fuzz/seeds, mutates it (random bytes, truncation,
bit flips, repeated chunks for deep nesting, huge numbers) or mutates a number of the command
line, and runs the program on it. A case fails on a sanitizer report, a signal, an exit
status other than 0 and 1, or a run that does not end within the hang limit. The cases are
fixed by the seed; the budget only stops the loop early on a loaded machine. A failing input
is kept in the folder printed with it.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SEEDS = os.path.join(HERE, "seeds")
# Seed inputs that are sources of the project itself; the rest lie in seeds/, made from these
# by the toolchain (objects, the linked l.obj, the hex file).
SOURCES = {"count877.as": os.path.join(ROOT, "tests", "e2e", "programs", "count877.as"),
           "blink.c": os.path.join(ROOT, "examples", "blink.c")}

# The linker's class and placement options for a 16F877, as the driver passes them.
LINK_16F877 = (
    "-z -Q16F877 -ACODE=00h-07FFhx4 -ACONST=00h-0FFhx32 -AENTRY=00h-0FFhx32 -ASTRING=00h-0FFhx32 "
    "-ABANK0=020h-07Fh -ABANK1=0A0h-0EFh -ACOMBANK=070h-07Fh -ppowerup=CODE "
    "-preset_vec=00h,intentry,intcode,intret,init,init23,end_init,clrtext,maintext,stringtable,pstrings,strings "
    "-prbit_0=BANK0,rbss_0=BANK0,rdata_0=BANK0,idata_0=CODE -pnvram=BANK0 "
    "-prbit_1=BANK1,rbss_1=BANK1,rdata_1=BANK1,idata_1=CODE -ptemp=COMBANK "
    "-ACONFIG=02007h-02007h -pconfig=CONFIG -AIDLOC=02000h-02003h -pidloc=IDLOC "
    "-AEEDATA=00h-0FFh/02100h -peeprom_data=EEDATA").split()

# program: (seed files, the file mutated ("*": any of them), command line after the program).
# {lib} is the build's runtime library folder.
TABLE = {
    "ormasm": (["count877.as"], "*", ["--chip=16F877", "-ocount877.obj", "count877.as"]),
    "ormarch": (["count877.obj", "startup.obj"], "*", ["r", "out.lib", "count877.obj", "startup.obj"]),
    "ormlink": (["startup.obj", "count877.obj"], "*",
                ["-h+out.sym", "-ol.obj", "-Mout.map"] + LINK_16F877 +
                ["startup.obj", "count877.obj", "{lib}/orl61--u.lib"]),
    "ormhex": (["l.obj"], "*", ["-I", "l.obj", "out.hex"]),
    "ormpatch": (["count877.hex"], "*",
                 ["count877.hex", "-FILL=3FFF@0-7FF", "-CK=0-7FD@7FE", "-Oout.hex", "-LOGFILE=out.log"]),
    "ormtrim": (["count877.obj"], "*", ["-_main,_count", "count877.obj"]),
    "ormxref": (["main.raw"], "*", ["-Oout.xrf", "-P80", "-L66", "main.raw"]),
    "ormannot": (["blink.c"], "*", ["blink.c", "out.lst"]),
    "ormcl": (["count877.as", "startup.obj"], "count877.as",
              ["-Q", "--chip=16F877", "--output=intel", "--summary=psect,mem", "-Mout.map", "count877.as"]),
    "ormpre": (["blink.c"], "*", ["-D_16F877", "blink.c", "out.pre"]),
    "ormparse": (["blink.pre"], "*", ["blink.pre", "out.ic"]),
    "ormcg": (["data.ic"], "*", ["-Og9s", "-PORMC16F877,1", "data.ic", "out.as"]),
    "ormconv": (["count877.hex"], "*", ["-m", "-P16F877", "count877.hex", "-ocod", "out.cod"]),
}

# Exit statuses that end a run normally; ormannot's option errors end it with -1.
NORMAL_STATUS = {"ormannot": (0, 1, 255)}

SANITIZER = re.compile(r"ERROR: (Address|Leak|Memory|Thread)Sanitizer|runtime error:|SUMMARY: \w+Sanitizer")
HUGE = [b"0", b"-1", b"255", b"256", b"65535", b"65536", b"2147483647", b"2147483648", b"4294967295",
        b"4294967296", b"99999999", b"18446744073709551616", b"0FFFFFFFFh", b"0x7FFFFFFF", b"-2147483648"]


def mutate(data, rng):
    """One to four random edits of the input."""
    data = bytearray(data)
    for _ in range(rng.randint(1, 4)):
        kind = rng.randrange(7)
        if not data:
            data += bytes(rng.randrange(256) for _ in range(rng.randint(1, 16)))
            continue
        at = rng.randrange(len(data))
        if kind == 0:  # flip bits
            data[at] ^= 1 << rng.randrange(8)
        elif kind == 1:  # random bytes
            for i in range(at, min(len(data), at + rng.randint(1, 8))):
                data[i] = rng.randrange(256)
        elif kind == 2:  # truncate
            del data[rng.randrange(len(data)):]
        elif kind == 3:  # insert random bytes
            data[at:at] = bytes(rng.randrange(256) for _ in range(rng.randint(1, 16)))
        elif kind == 4:  # repeat a chunk many times: deep nesting, long lines, huge counts
            chunk = data[at:at + rng.randint(1, 8)]
            data[at:at] = chunk * rng.choice([64, 1000, 20000])
        elif kind == 5:  # replace a run of digits with an extreme number
            m = re.search(rb"[0-9A-Fa-f]+", bytes(data[at:]))
            if m:
                data[at + m.start():at + m.end()] = rng.choice(HUGE)
        else:  # set a byte to an edge value
            data[at] = rng.choice([0, 0x7F, 0x80, 0xFF])
    return bytes(data)


def mutate_args(args, rng):
    """Replaces the number of one option with an extreme one."""
    args = list(args)
    numbered = [i for i, a in enumerate(args) if re.search(r"[0-9]", a) and a.startswith("-")]
    if numbered:
        i = rng.choice(numbered)
        runs = list(re.finditer(r"[0-9A-Fa-f]+h?|[0-9]+", args[i]))
        if runs:
            m = rng.choice(runs)
            args[i] = args[i][:m.start()] + rng.choice(HUGE).decode() + args[i][m.end():]
    return args


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("program")
    ap.add_argument("--cases", type=int, default=300)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--budget", type=float, default=60.0)
    ap.add_argument("--hang", type=float, default=30.0, help="seconds after which a case counts as hung")
    opt = ap.parse_args()

    seeds, target, args = TABLE[opt.program]
    build = os.path.abspath(opt.build)
    program = os.path.join(build, "bin", opt.program)
    env = dict(os.environ, ORM_REGISTRY="", ASAN_OPTIONS="detect_leaks=0:abort_on_error=0",
               UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1")
    rng = random.Random(opt.seed * 7919 + sum(map(ord, opt.program)))
    kept = tempfile.mkdtemp(prefix="orm_fuzz_%s_" % opt.program)
    passed = failed = 0
    started = time.monotonic()
    for case in range(opt.cases):
        if time.monotonic() - started > opt.budget:
            print("budget of %.0f s used after %d cases" % (opt.budget, case))
            break
        work = tempfile.mkdtemp(prefix="orm_fuzz_")
        try:
            for name in seeds:
                shutil.copy(SOURCES.get(name, os.path.join(SEEDS, name)), os.path.join(work, name))
            victim = rng.choice(seeds) if target == "*" else target
            case_args = [a.replace("{lib}", os.path.join(build, "lib"))
                         for a in args]
            if rng.random() < 0.2:
                case_args = mutate_args(case_args, rng)
            else:
                path = os.path.join(work, victim)
                with open(path, "rb") as f:
                    data = f.read()
                with open(path, "wb") as f:
                    f.write(mutate(data, rng))
            fault = None
            try:
                r = subprocess.run([program] + case_args, cwd=work, env=env, stdin=subprocess.DEVNULL,
                                   capture_output=True, timeout=opt.hang)
                err = r.stderr.decode("latin-1") + r.stdout.decode("latin-1")
                if SANITIZER.search(err):
                    fault = "sanitizer report"
                elif r.returncode < 0:
                    fault = "signal %d" % -r.returncode
                elif r.returncode not in NORMAL_STATUS.get(opt.program, (0, 1)):
                    fault = "exit status %d" % r.returncode
            except subprocess.TimeoutExpired:
                fault = "no end within %.0f s" % opt.hang
                err = ""
            if fault:
                failed += 1
                keep = os.path.join(kept, "case%d" % case)
                shutil.copytree(work, keep)
                with open(os.path.join(keep, "cmd.txt"), "w") as f:
                    f.write(" ".join([program] + case_args) + "\n")
                print("FAIL case %d: %s; input and command in %s" % (case, fault, keep))
                print("\n".join(err.splitlines()[:15]))
            else:
                passed += 1
        finally:
            shutil.rmtree(work, ignore_errors=True)
    if not failed:
        shutil.rmtree(kept, ignore_errors=True)
    print("%s: %d passed, %d failed" % (opt.program, passed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
