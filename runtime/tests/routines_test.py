#!/usr/bin/env python3
"""Runs every run-time routine in gpsim over many operand pairs (edge values and seeded random
ones) and compares each result, and the copy of its low byte in W, with the value worked out
here by C's rules; then the block copies. The programs are linked by ormcl for the 16F877A,
so the routines come from the library the driver names."""
import os
import random
import sys
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "e2e"))
from e2e import Workdir, check, finish, need  # noqa: E402
from pictarget import build, little_endian, run_until  # noqa: E402

need("gpsim")
CHIP = "16F877A"
# Result slots: bank 1 (FSR with IRP clear) and banks 2 and 3 (IRP set).
RESULT_RANGES = [(0xA0, 0xF0), (0x110, 0x170), (0x190, 0x1F0)]
SIZE_LETTER = {1: "b", 2: "w", 4: "l"}


def signed(v, n):
    return v - (1 << 8 * n) if v >> (8 * n - 1) else v


def expected(routine, n, a, b):
    """What C gives for the operands as n-byte values (unsigned representation in and out);
    division by zero gives what the library defines."""
    mask = (1 << 8 * n) - 1
    is_signed, op = routine[0] == "a", routine[2:]
    if op == "mul":
        return (a * b) & mask
    if op in ("shl", "shr"):
        if op == "shl":
            return (a << b) & mask
        return ((signed(a, n) if is_signed else a) >> b) & mask
    x, y = (signed(a, n), signed(b, n)) if is_signed else (a, b)
    if y == 0:
        q = (1 if x < 0 else -1) if is_signed else mask
        r = x
    else:
        q = abs(x) // abs(y)              # C89 on the host truncates toward zero
        if (x < 0) != (y < 0):
            q = -q
        r = x - q * y
    return (q if op == "div" else r) & mask


def edge_values(n):
    top = 1 << (8 * n - 1)
    return [0, 1, 7, top - 1, top, top + 1, (1 << 8 * n) - 1, 0x55555555 & ((1 << 8 * n) - 1)]


def cases():
    rng = random.Random(19)
    out = []
    for n in (1, 2, 4):
        s = SIZE_LETTER[n]
        edges = edge_values(n)
        for routine in ("l%smul" % s, "a%smul" % s, "l%sdiv" % s, "l%smod" % s, "a%sdiv" % s, "a%smod" % s):
            pairs = [(a, b) for a in edges for b in edges] if not routine.startswith("a%smul" % s) else []
            pairs += [(rng.getrandbits(8 * n), rng.getrandbits(8 * n)) for _ in range(16)]
            # small divisors exercise long quotients
            pairs += [(rng.getrandbits(8 * n), rng.randint(1, 9)) for _ in range(8)]
            out += [(routine, n, a, b) for a, b in pairs]
        for routine in ("l%sshl" % s, "a%sshl" % s, "l%sshr" % s, "a%sshr" % s):
            counts = sorted({0, 1, 7, 8, 8 * n - 1, 8 * n, 8 * n + 1, 255} | {rng.randint(0, 8 * n) for _ in range(3)})
            values = [edges[4], edges[3], edges[6], 0x96 << (8 * n - 8) | 0x5A]
            out += [(routine, n, a, c) for a in values for c in counts]
    return out


# Words of program per batch: the case code and the routines share one page.
BATCH_WORDS = 1400


def batches(all_cases):
    """Cases grouped so that each batch's results (W, then the n result bytes) fit the slots
    and its code fits a page."""
    batch, slots, ranges, words = [], [], list(RESULT_RANGES), 0
    at = ranges[0][0]
    for case in all_cases:
        need_bytes = case[1] + 1
        while ranges and at + need_bytes > ranges[0][1]:
            ranges.pop(0)
            at = ranges[0][0] if ranges else 0
        words += 7 * case[1] + 11
        if not ranges or words > BATCH_WORDS:
            yield batch, slots
            batch, slots, ranges, words = [], [], list(RESULT_RANGES), 7 * case[1] + 11
            at = ranges[0][0]
        batch.append(case)
        slots.append(at)
        at += need_bytes
    if batch:
        yield batch, slots


def program(batch, slots):
    lines = ["\tprocessor\t16F877A", "STATUS\tequ\t3", "FSR\tequ\t4", "INDF\tequ\t0",
             "\tglobal\t_main,_stop," + ",".join(sorted({c[0] for c in batch})),
             "\tpsect\ttemp,ovrld,class=BANK0,space=1", "btemp", "\tds\t12",
             "\tpsect\trbss_0,class=BANK0,space=1", "wcopy", "\tds\t1",
             "\tpsect\ttext,class=CODE,delta=2", "_main"]
    for (routine, n, a, b), slot in zip(batch, slots):
        for i in range(n):
            lines += ["\tmovlw\t%d" % (a >> 8 * i & 0xFF), "\tmovwf\tbtemp+%d" % i]
        if routine[2:] in ("shl", "shr"):
            lines.append("\tmovlw\t%d" % b)
        else:
            for i in range(n):
                lines += ["\tmovlw\t%d" % (b >> 8 * i & 0xFF), "\tmovwf\tbtemp+%d" % (4 + i)]
        # The store of W finds bank 0 still selected, as the routines promise.
        lines += ["\tfcall\t%s" % routine, "\tmovwf\twcopy",
                  "\t%s\tSTATUS,7" % ("bsf" if slot >= 0x100 else "bcf"),
                  "\tmovlw\t%d" % (slot & 0xFF), "\tmovwf\tFSR", "\tmovf\twcopy,w", "\tmovwf\tINDF"]
        for i in range(n):
            lines += ["\tincf\tFSR,f", "\tmovf\tbtemp+%d,w" % i, "\tmovwf\tINDF"]
    lines += ["_stop", "\tgoto\t_stop", "\tend"]
    return "\n".join(lines) + "\n"


def run_batch(w, batch, slots):
    w.write("cases.as", program(batch, slots))
    r, sym = build(w, CHIP, ["cases.as"])
    if not check(sym is not None and "_stop" in sym, "the case program links: " + r.stdout + r.stderr):
        return
    registers = [s + i for (_, n, _, _), s in zip(batch, slots) for i in range(n + 1)]
    regs, reached, out = run_until(w, CHIP, "prog.hex", "e 0x%x" % sym["_stop"], registers)
    if not check(reached, "the case program ran to its end: " + out[-2000:]):
        return
    for (routine, n, a, b), slot in zip(batch, slots):
        want = expected(routine, n, a, b)
        got = little_endian(regs, slot + 1, n)
        check(got == want and regs.get(slot) == want & 0xFF,
              "%s(0x%X, 0x%X) gives 0x%X (W 0x%X), expected 0x%X" % (routine, a, b, got or 0, regs.get(slot, 0), want))


def run_in_own_folder(job):
    with Workdir() as w:
        run_batch(w, *job)


def test_arithmetic():
    # Three batches at a time: the machine's other users keep the rest.
    with ThreadPoolExecutor(max_workers=3) as pool:
        list(pool.map(run_in_own_folder, batches(cases())))


COPY_PROGRAM = """\
\tprocessor\t16F877A
STATUS\tequ\t3
FSR\tequ\t4
\tglobal\t_main,_stop,ram_copy,code_copy,code_ptr
\tpsect\ttemp,ovrld,class=BANK0,space=1
btemp
\tds\t12
\tpsect\ttext,class=CODE,delta=2
table
\tretlw\t11
\tretlw\t22
\tretlw\t33
\tretlw\t44
\tretlw\t55
_main
\tmovlw\ttable&0FFh
\tmovwf\tcode_ptr
\tmovlw\ttable>>8
\tmovwf\tcode_ptr+1
\tmovlw\t0A0h
\tmovwf\tFSR
\tmovlw\t5
\tfcall\tcode_copy\t; table -> 0xA0..0xA4
\tmovlw\t0
\tfcall\tcode_copy\t; nothing
\tmovlw\t0A1h
\tmovwf\tbtemp
\tclrf\tbtemp+1
\tmovlw\t10h
\tmovwf\tbtemp+2
\tmovlw\t1
\tmovwf\tbtemp+3
\tmovlw\t3
\tfcall\tram_copy\t; 0xA1..0xA3 -> 0x110..0x112
\tmovlw\t0
\tfcall\tram_copy\t; nothing
_stop
\tgoto\t_stop
\tend
"""


def test_copies():
    with Workdir() as w:
        w.write("copy.as", COPY_PROGRAM)
        r, sym = build(w, CHIP, ["copy.as"])
        if not check(sym is not None and "_stop" in sym, "the copy program links: " + r.stdout + r.stderr):
            return
        watch = list(range(0xA0, 0xA6)) + list(range(0x110, 0x114))
        regs, reached, out = run_until(w, CHIP, "prog.hex", "e 0x%x" % sym["_stop"], watch)
        check(reached, "the copy program ran to its end: " + out[-2000:])
        check([regs.get(a) for a in range(0xA0, 0xA6)] == [11, 22, 33, 44, 55, 0],
              "code_copy copied five table bytes and no more (%s)" % regs)
        check([regs.get(a) for a in range(0x110, 0x114)] == [22, 33, 44, 0],
              "ram_copy copied three bytes from bank 1 to bank 2 and no more (%s)" % regs)


test_arithmetic()
test_copies()
finish()
