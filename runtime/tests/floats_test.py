#!/usr/bin/env python3
"""Runs the floating-point routines of both formats in gpsim over edge and seeded random
operands and compares every result bit for bit with the host emulation
(tests/exec/floatemu.py). The programs are linked by ormcl for the 16F877A."""
import os
import random
import sys
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "exec"))
from e2e import Workdir, check, finish, need  # noqa: E402
from pictarget import build, little_endian, run_until  # noqa: E402
import floatemu as fe  # noqa: E402

need("gpsim")
CHIP = "16F877A"
RESULT_RANGES = [(0xA0, 0xF0), (0x110, 0x170), (0x190, 0x1F0)]
LETTER = {3: "t", 4: "l"}


def pat(x, size):
    return fe.from_float(x, size)


def edge_patterns(size):
    top = 8 * size - 1
    fb = fe.frac_bits(size)
    ones = (1 << fb) - 1
    vals = [0.0, -0.0, 1.0, -1.0, 1.5, 3.0, 0.1, -2.75, 1e30, -1e-30, 65535.0, 12345.678]
    pats = [pat(v, size) for v in vals]
    pats += [fe._pattern(0, 254, ones, size), fe._pattern(1, 254, ones, size),   # largest
             fe._pattern(0, 1, 0, size), fe._pattern(1, 1, 1, size),            # smallest
             fe.infinity(0, size), 1 << top | 5,                                 # -inf-ish: a subnormal
             fe._pattern(0, 127, ones, size), fe._pattern(0, 126, 1, size)]
    return pats


def random_pattern(rng, size):
    """Mostly moderate exponents, so that sums do not always reduce to the larger operand."""
    s, fb = rng.getrandbits(1), fe.frac_bits(size)
    e = rng.choice([rng.randint(1, 254), rng.randint(110, 145), rng.randint(120, 134)])
    return fe._pattern(s, e, rng.getrandbits(fb), size)


def binary_cases(rng, size):
    s = LETTER[size]
    edges = edge_patterns(size)
    out = []
    ops = {"add": fe.add, "sub": fe.sub, "mul": fe.mul, "div": fe.div}
    for op, fn in ops.items():
        pairs = [(a, b) for a in edges for b in edges[:8]]
        pairs += [(random_pattern(rng, size), random_pattern(rng, size)) for _ in range(40)]
        if op in ("add", "sub"):        # near cancellations and ties
            for _ in range(12):
                a = random_pattern(rng, size)
                pairs.append((a, a ^ rng.getrandbits(3)))
                pairs.append((a, fe._pattern(rng.getrandbits(1), fe.fields(a, size)[1] - fe.frac_bits(size) - 1,
                                             rng.getrandbits(2), size)))
        out += [("f%s%s" % (s, op), size, a, size, b, size, fn(a, b, size)) for a, b in pairs]
    cmp_pairs = [(a, b) for a in edges for b in edges[:10]] + \
        [(random_pattern(rng, size), random_pattern(rng, size)) for _ in range(30)]
    out += [("f%scmp" % s, size, a, size, b, "flags", fe.compare(a, b, size)) for a, b in cmp_pairs]
    return out


def conversion_cases(rng, size):
    s = LETTER[size]
    out = []
    ints = [0, 1, 2, 3, 255, 256, 32767, 65535, 65537, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
            0x00FFFFFF, 0x01000001, 0x01000003, 0x00008001, 0x00018001, 0x12345678]
    ints += [rng.getrandbits(rng.choice([8, 16, 24, 32])) for _ in range(30)]
    for i in ints:
        out.append(("lltof%s" % s, 4, i, 0, 0, size, fe.from_int(i, size)))
        si = i - (1 << 32) if i >> 31 else i
        out.append(("altof%s" % s, 4, i, 0, 0, size, fe.from_int(si, size)))
    floats = edge_patterns(size) + [pat(v, size) for v in (2147483520.0, 2147483648.0, -2147483648.0, 4294967040.0,
                                                           4294967296.0, -0.99, 0.99, 255.5, -255.5, 1e9)]
    floats += [random_pattern(rng, size) for _ in range(30)]
    for p in floats:
        out.append(("f%stoal" % s, size, p, 0, 0, 4, fe.to_int(p, size, True)))
        out.append(("f%stoll" % s, size, p, 0, 0, 4, fe.to_int(p, size, False)))
    if size == 4:
        for p in edge_patterns(4) + [random_pattern(rng, 4) for _ in range(30)] + \
                [0x3F808000, 0x3F818000, 0x3F80807F, 0x3F808080, 0x7F7FFFFF, 0x00800000, 0x80000001]:
            out.append(("fltoft", 4, p, 0, 0, 3, fe.narrow(p)))
    return out


def cases():
    rng = random.Random(20)
    out = []
    for size in (3, 4):
        out += binary_cases(rng, size) + conversion_cases(rng, size)
    return out


def result_bytes(case):
    return 1 if case[5] == "flags" else case[5]


BATCH_WORDS = 1300


def batches(all_cases):
    batch, slots, ranges, words = [], [], list(RESULT_RANGES), 0
    at = ranges[0][0]
    for case in all_cases:
        nbytes = result_bytes(case)
        cost = 2 * (case[1] + case[3]) + 4 * nbytes + 8
        while ranges and at + nbytes > ranges[0][1]:
            ranges.pop(0)
            at = ranges[0][0] if ranges else 0
        words += cost
        if not ranges or words > BATCH_WORDS:
            yield batch, slots
            batch, slots, ranges, words = [], [], list(RESULT_RANGES), cost
            at = ranges[0][0]
        batch.append(case)
        slots.append(at)
        at += nbytes
    if batch:
        yield batch, slots


def program(batch, slots):
    lines = ["\tprocessor\t16F877A", "STATUS\tequ\t3", "FSR\tequ\t4", "INDF\tequ\t0",
             "\tglobal\t_main,_stop," + ",".join(sorted({c[0] for c in batch})),
             "\tpsect\ttemp,ovrld,class=BANK0,space=1", "btemp", "\tds\t12",
             "\tpsect\trbss_0,class=BANK0,space=1", "flags", "\tds\t1",
             "\tpsect\ttext,class=CODE,delta=2", "_main"]
    for (routine, na, a, nb, b, nr, _), slot in zip(batch, slots):
        for i in range(na):
            lines += ["\tmovlw\t%d" % (a >> 8 * i & 0xFF), "\tmovwf\tbtemp+%d" % i]
        for i in range(nb):
            lines += ["\tmovlw\t%d" % (b >> 8 * i & 0xFF), "\tmovwf\tbtemp+%d" % (4 + i)]
        lines += ["\tfcall\t%s" % routine, "\tswapf\tSTATUS,w", "\tmovwf\tflags",
                  "\t%s\tSTATUS,7" % ("bsf" if slot >= 0x100 else "bcf"),
                  "\tmovlw\t%d" % ((slot & 0xFF) - 1), "\tmovwf\tFSR"]
        if nr == "flags":
            lines += ["\tincf\tFSR,f", "\tmovf\tflags,w", "\tmovwf\tINDF"]
        else:
            for i in range(nr):
                lines += ["\tincf\tFSR,f", "\tmovf\tbtemp+%d,w" % i, "\tmovwf\tINDF"]
    lines += ["_stop", "\tgoto\t_stop", "\tend"]
    return "\n".join(lines) + "\n"


def run_batch(w, batch, slots):
    w.write("cases.as", program(batch, slots))
    r, sym = build(w, CHIP, ["cases.as"])
    if not check(sym is not None and "_stop" in sym, "the case program links: " + r.stdout + r.stderr):
        return
    registers = [s + i for c, s in zip(batch, slots) for i in range(result_bytes(c))]
    regs, reached, out = run_until(w, CHIP, "prog.hex", "e 0x%x" % sym["_stop"], registers)
    if not check(reached, "the case program ran to its end: " + out[-2000:]):
        return
    for case, slot in zip(batch, slots):
        routine, _, a, _, b, nr, want = case
        if nr == "flags":
            f = regs.get(slot, 0)
            z, c = f >> 6 & 1, f >> 4 & 1
            got = 0 if z else (1 if c else -1)
            ok = got == want and not (z and not c)
        else:
            got = little_endian(regs, slot, nr)
            ok = got == want
        check(ok, "%s(0x%X, 0x%X) gives %s, expected %s" % (routine, a, b, hex(got) if got is not None else got,
                                                          hex(want)))


def run_in_own_folder(job):
    with Workdir() as w:
        run_batch(w, *job)


def test_floats():
    with ThreadPoolExecutor(max_workers=3) as pool:
        list(pool.map(run_in_own_folder, batches(cases())))


if __name__ == "__main__":
    test_floats()
    finish()
