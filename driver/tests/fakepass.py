#!/usr/bin/env python3
"""Stands in for any pass of the toolchain in the driver's tests: records its command line
and writes the files the real pass would write.

FAKE_LOG       file to which each run appends its argument vector, one line
FAKE_FAIL      program name that exits with FAKE_STATUS (default 3) instead
FAKE_INTERRUPT program name that sends SIGINT to the driver, then waits to be stopped
FAKE_MAP       text of the map file the linker writes (default: a small map)
FAKE_SYMBOLS   text of the symbol file the linker writes
FAKE_HXL       text of the hex post-processor's log
"""
import os
import signal
import sys
import time

name = os.path.basename(sys.argv[0])
args = sys.argv[1:]
log = os.environ.get("FAKE_LOG")
if log:
    with open(log, "a") as f:
        f.write(name + ": " + " ".join(args) + "\n")

if os.environ.get("FAKE_INTERRUPT") == name:
    os.kill(os.getppid(), signal.SIGINT)
    time.sleep(5)
    sys.exit(9)
if os.environ.get("FAKE_FAIL") == name:
    sys.exit(int(os.environ.get("FAKE_STATUS", "3")))

DEFAULT_MAP = """Linker command line:

TOTAL\t\tName          Link     Load   Length
\tCLASS\tCODE     
\t\treset_vec        0        0        1
\t\tinit             1        1        8
\t\tend_init         9        9        1
\t\tmaintext        10       10       13
\t\tfloat_tex      100      100       20

\tCLASS\tBANK0    
\t\trbss_0          20       20        5
\t\ttemp            70       70        2

\tCLASS\tSTRANGE  
\t\tweird          300      300        4


SEGMENTS        Name            Load    Length   Top    Selector   Space  Class
"""


def write(path, text):
    with open(path, "w") as f:
        f.write(text)


def option_value(prefix):
    for a in args:
        if a.startswith(prefix):
            return a[len(prefix):]
    return None


if name == "ormlink":
    m = option_value("-M")
    if m:
        write(m, os.environ.get("FAKE_MAP", DEFAULT_MAP))
    h = option_value("-h+")
    if h:
        write(h, os.environ.get("FAKE_SYMBOLS", "__Lrbss_0 20 0 BANK0\n__Hrbss_0 25\n_main 10\n"))
    if "-ol.obj" in args:
        write("l.obj", "absolute object\n")
elif name == "ormpatch":
    logfile = option_value("-logfile=")
    if logfile:
        write(logfile, os.environ.get("FAKE_HXL", "### Hex Memory Map ###\n\n Legend: X = used\n 0000: XXXX\n"))
elif name in ("ormasm", "ormhex", "ormcg", "ormpre", "ormparse", "ormannot", "ormarch", "ormconv", "ormxref"):
    o = None
    for i, a in enumerate(args):
        if a.startswith("-o") and len(a) > 2 and name in ("ormasm", "ormxref"):
            o = a[2:]
    if name in ("ormasm", "ormxref") and o:
        write(o, name + " output\n")
    elif name == "ormparse":
        write(args[-2], "intermediate code\n")
    elif len(args) >= 1 and name != "ormconv":
        write(args[-1], name + " output\n")
sys.exit(0)
