#!/usr/bin/env python3
"""The random program generator: the same seed gives the same program, the programs use every
operator and statement kind, build on the host as pedantic C89 and run free of undefined
behaviour; then seeds are built for the 16F877A with --opt=none and with the default options,
run in gpsim and their checksum compared with the host's. A program the code generator has no
rule for (712) is reported as unsupported, never as wrong.

    randprog_test.py [--seeds N] [--target-seeds M] [--first SEED] [--range A-B] [--jobs J]
                     [--chips C1,C2] [--floats]

CTest runs shards of seeds side by side (--first picks the shard); a long run of thousands is
e.g. `--range 10000-14999 --jobs 2`, and prints how many builds ended each way and which.
`--chips` picks other chips, `--floats` adds a float part checked against the emulation."""
import argparse
import os
import re
import shutil
import sys
import threading
from concurrent.futures import ThreadPoolExecutor

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from e2e import Workdir, check, finish, need  # noqa: E402
from harness import report_unsupported, run_on_host, run_on_target  # noqa: E402
import randprog  # noqa: E402

need("gcc", "gpsim")
# Random code draws gcc's style warnings by the hundred; what matters is C89 and no undefined
# behaviour.
RANDOM_FLAGS = ["-std=c89", "-pedantic-errors", "-w", "-fsanitize=undefined", "-fno-sanitize-recover=all"]
RESULTS = [("checksum", "u32", 1)]
# What the programs must use, as text outside the helper functions.
USES = [r"\(uw\)\S+ \+ ", r" - \(", r" \* \(", r"div_\w+\(", r"mod_\w+\(", r"shl_\w+\(", r"shr_\w+\(",
        r" & ", r" \| ", r" \^ ", r"~\(", r"\(\w+\)!", r" < ", r" <= ", r" > ", r" >= ", r" == ", r" != ",
        r" && ", r" \|\| ", r" \? ", r"\+\+;", r"--;", r" \+= ", r" -= ", r" \*= ", r" &= ", r" \|= ", r" \^= ",
        r"\bfor \(", r"\bwhile \(", r"\bdo \{", r"\bswitch \(", r"\bbreak;", r"\bcontinue;", r"rec\.f\d = ",
        r"arr_\d+\[", r"fn_\d+\(\w", r"\bbf\.b\d+ = ", r"\bbf\.b\d+\+\+;", r"\)bf\.b\d+\)", r"\bfp_\d+ = fn_",
        r"\bfp_\d+\("]


def test_deterministic():
    check(randprog.generate(7) == randprog.generate(7), "a seed gives the same program every time")
    check(randprog.generate(7) != randprog.generate(8), "two seeds give different programs")


def test_budget(first, count):
    """The globals a program declares (arrays, structures and float results included) stay
    within its chip's RAM budget, the small chips' too."""
    sizes = dict(randprog.BITS, double=32)
    for chip in ("12F675", "16F84A", "16F877A"):
        ram = randprog.budget(chip)
        for seed in range(first, first + count):
            for text in (randprog.generate(seed, ram), randprog.generate_with_floats(seed, ram)[0]):
                used = 0
                for kind, name, length in re.findall(r"^(u8|i8|u16|i16|u32|i32|double) (\w+)(?:\[(\d+)\])?[ ;=]", text, re.M):
                    used += sizes[kind] // 8 * int(length or 1)
                for fields in re.findall(r"^struct rec_t \{(.*)\};", text, re.M):
                    used += sum(sizes[k] // 8 for k in re.findall(r"(u8|i8|u16|i16|u32|i32) ", fields))
                if not check(used <= ram, "seed %d for the %s: %d bytes of globals within %d" % (seed, chip, used, ram)):
                    return


def test_code_budget(first, count):
    """Statements past the code budget are left out: most programs for the 16F877A end near
    its budget (those whose one needed statement is large go past it), and a smaller budget
    gives smaller programs from the same seeds."""
    large = [randprog.code_cost(randprog.generate(seed, 64, randprog.code_budget("16F877A")))
             for seed in range(first, first + count)]
    small = [randprog.code_cost(randprog.generate(seed, 64, randprog.code_budget("12F675")))
             for seed in range(first, first + count)]
    near = sum(cost <= randprog.code_budget("16F877A") * 5 // 4 for cost in large)
    check(near >= count * 8 // 10, "%d of %d programs for the 16F877A within a quarter past the code budget" % (near, count))
    check(sum(small) < sum(large), "the smaller code budget gives smaller programs (%d, %d)" % (sum(small), sum(large)))


def folded_operations(node):
    """The binary operations of a float expression node whose operands are both constant."""
    if node[0] == "bin":
        own = [node] if randprog.constant_node(node[2]) and randprog.constant_node(node[3]) else []
        return own + folded_operations(node[2]) + folded_operations(node[3])
    if node[0] in ("neg", "choose", "call"):
        parts = node[1:2] if node[0] == "neg" else node[2:] if node[0] == "choose" else [node[1]] + list(node[3])
        return [f for part in parts if isinstance(part, tuple) for f in folded_operations(part)]
    return []


# What a float part holds when it could make no statement of its own.
FILLER = {"fi[0] = 0;", "fi[0] = (u32)(fv[0] < fv[0]);", "fv[0] = 1.0;"}


def test_float_parts(first, count):
    """Every chip's float programs compute something of their own (not only the filler
    results), none divides or multiplies two constants: the compiler would fold them at its
    own precision, or refuse a constant division by zero; and the float part's code, the float
    routines it links included, stays within its share of the chip's code budget (the fillers
    aside), which on the chips with 1K words leaves room for main."""
    fillers = randprog.FLOAT_WEIGHT * (randprog.code_cost("\n".join(FILLER)) + len(FILLER))
    for chip in ("12F675", "16F84A", "16F627", "16F877A"):
        real = 0
        share = randprog.code_budget(chip) - randprog.LEAN_MAIN_COST
        for seed in range(first, first + count):
            g = randprog.Generator(seed, floats=True, ram=randprog.budget(chip), code=randprog.code_budget(chip))
            g.program()
            part = g.float_part
            real += any(line.strip() not in FILLER for line in part.lines)
            if not check(part.code() <= share + fillers, "seed %d for the %s: float code %d within its share %d"
                         % (seed, chip, part.code(), share)):
                return
            nodes = part.float_slots + [body for _, _, body in part.functions]
            folded = [f for n in nodes for f in folded_operations(n)]
            if not check(not folded, "seed %d for the %s: no operation on two constants %s" % (seed, chip, folded)):
                return
        check(real >= count // 2, "%d of %d float parts for the %s compute results" % (real, count, chip))


def pointer_call_arguments(text):
    """The argument text of every call through a function pointer or a table of them."""
    found = []
    for m in re.finditer(r"\bf[pt]_\d+(?:\[[^\]]*\])?\(", text):
        depth, at = 1, m.end()
        while depth:
            depth += {"(": 1, ")": -1}.get(text[at], 0)
            at += 1
        found.append(text[m.end():at - 1])
    return found


def test_pointer_arguments(seeds):
    """No argument of a call through a pointer calls a function a pointer may hold: both calls
    would fill that function's one argument area (the linker refuses it as recursion)."""
    calls = 0
    for seed in seeds:
        # the largest budgets: the smallest leave room for few functions and pointers
        text = randprog.generate(seed, randprog.budget("16F877A"), randprog.code_budget("16F877A"))
        held = set(re.findall(r"\b(fn_\d+)\b(?!\()", text))
        for args in pointer_call_arguments(text):
            calls += 1
            inner = held & set(re.findall(r"\b(fn_\d+)\(", args))
            if not check(not inner, "seed %d: %s called inside the arguments of a pointer call" % (seed, inner)):
                return
    check(calls > 0, "the seeds make calls through pointers (%d)" % calls)


def test_host(first, count):
    seen = set()
    with Workdir() as w:
        shutil.copy(os.path.join(HERE, "target.h"), w.file("target.h"))
        for seed in range(first, first + count):
            # the 16F877A's programs: the smaller chips' have room for fewer constructs each
            text = randprog.generate(seed, randprog.budget("16F877A"), randprog.code_budget("16F877A"))
            body = re.sub(r"static \w+ (?:div|mod|shl|shr)_\w+\(.*?\n\}\n", "", text, flags=re.S)
            seen.update(u for u in USES if re.search(u, body))
            name = "rand%d.c" % seed
            w.write(name, text)
            check(run_on_host(w, name, RESULTS, RANDOM_FLAGS) is not None, "seed %d runs on the host" % seed)
    missing = [u for u in USES if u not in seen]
    check(not missing, "%d programs use every operator and statement kind (missing %s)" % (count, missing))
    # Tables of function pointers take RAM the smallest chips' budget seldom has left.
    tables = sum(bool(re.search(r"\bft_\d+\[\(uw\)", randprog.generate(seed, randprog.budget("16F877A"),
                                                                   randprog.code_budget("16F877A"))))
                 for seed in range(first, first + count))
    check(tables > 0, "%d programs for the 16F877A call through a table of function pointers" % count)


def test_target(first, count, jobs, chips, floats):
    """Runs the seeds on each chip with both option sets (with floats, with both double sizes
    too); returns {how it ended: [what]}."""
    local = threading.local()
    folders = []
    outcomes = {}
    lock = threading.Lock()

    def one(seed):
        # a tool that hangs or a harness fault ends this seed, not the whole run
        try:
            run_seed(seed)
        except Exception as e:  # noqa: BLE001
            with lock:
                outcomes.setdefault("harness error", []).append("seed %d: %s" % (seed, str(e)[-300:]))
            check(False, "seed %d: %s" % (seed, e))

    def run_seed(seed):
        if not hasattr(local, "w"):
            local.w = Workdir()
            shutil.copy(os.path.join(HERE, "target.h"), local.w.file("target.h"))
            folders.append(local.w)
        w = local.w
        for chip in chips:
            # the program of the seed whose data fits this chip
            name = "rand%d_%s.c" % (seed, chip)
            ram = randprog.budget(chip)
            if floats:
                text, float_results = randprog.generate_with_floats(seed, ram, randprog.code_budget(chip))
                doubles = [(["--double=32"] if size == 4 else [], float_results[size]) for size in sorted(float_results)]
            else:
                text = randprog.generate(seed, ram, randprog.code_budget(chip), randprog.small_ram(chip))
                doubles = [([], [])]
            w.write(name, text)
            host = run_on_host(w, name, RESULTS, RANDOM_FLAGS)
            if host is None:
                with lock:
                    outcomes.setdefault("host failed", []).append("seed %d %s" % (seed, chip))
                continue
            for options in (["--opt=none"], []):
                for double, expected in doubles:
                    how = run_on_target(w, chip, options + double, name,
                                        [("_checksum", 0, 4, host[("checksum", 0)])] + expected,
                                        may_not_fit=True, code_may_not_fit=True)
                    what = "seed %d %s %s" % (seed, chip, " ".join(options + double))
                    with lock:
                        outcomes.setdefault(how, []).append(what)
                        if how in ("wrong", "hung", "build failed"):
                            print("%s: %s" % (how, what), flush=True)   # a long run shows them at once

    try:
        with ThreadPoolExecutor(max_workers=jobs) as pool:
            list(pool.map(one, range(first, first + count)))
    finally:
        for w in folders:
            w.remove()
    return outcomes


def report(outcomes):
    # the two ways of not fitting are told apart even when one did not happen
    for how in ("does not fit", "code does not fit"):
        outcomes.setdefault(how, [])
    for how in sorted(outcomes):
        print("%s: %d" % (how, len(outcomes[how])))
        if how != "passed":
            for what in sorted(outcomes[how]):
                print("    " + what)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--seeds", type=int, default=40)
    p.add_argument("--target-seeds", type=int, default=3)
    p.add_argument("--first", type=int, default=1)
    p.add_argument("--jobs", type=int, default=1)
    p.add_argument("--range", help="A-B: run seeds A to B on the target (a long run; no host check)")
    p.add_argument("--chips", default="16F877A", help="chips, comma-separated")
    p.add_argument("--floats", action="store_true", help="programs with a float part, with both double sizes")
    a = p.parse_args()
    if a.range:
        low, high = (int(x) for x in a.range.split("-"))
        a.first, a.target_seeds, a.seeds = low, high - low + 1, 0
    test_deterministic()
    if a.seeds:
        test_budget(a.first, a.seeds)
        test_code_budget(a.first, a.seeds)
        test_float_parts(a.first, a.seeds)
        test_host(a.first, a.seeds)
        test_pointer_arguments(list(range(a.first, a.first + a.seeds)) + [10118])
    outcomes = test_target(a.first, a.target_seeds, max(1, a.jobs), a.chips.split(","), a.floats)
    report(outcomes)
    report_unsupported()
    finish()


main()
