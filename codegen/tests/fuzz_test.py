"""Mutation fuzz of real intermediate code (the parser's golden outputs): every mutated file
must end with status 0 or 1, never a crash, a sanitizer report or a hang. Seeded, so a failure
repeats; the failing input is kept in the build tree's fuzz folder."""
import glob
import os
import random
import subprocess
import sys
import tempfile
import time

BUILD = os.path.abspath(sys.argv[1])
SOURCE = os.path.abspath(sys.argv[2])
CASES = int(sys.argv[3]) if len(sys.argv) > 3 else 300
# A budget for the whole run: on a loaded machine fewer cases run rather than the test timing
# out; the count that ran is printed.
BUDGET_SECONDS = float(sys.argv[4]) if len(sys.argv) > 4 else 400
ORMCG = os.path.join(BUILD, "bin", "ormcg")
EDF = "--edf=" + os.path.join(BUILD, "dat", "en_msgs.txt")
TOKENS = ["[v", "[s", "[u", "[i", "[e", "[c", "[n", "[p", "[a", "[f", "{", "}", "]", ":U", "..", "->", "`i",
          "`*Cc", "`S1", "`E1", "`(i", "`o", "#", "(", ",", "(.", ":s", "[;", "[\\", "\"", "\"7 x.c", "-5",
          "99999999999", "_x", "F1", ".5", "@", "e@12", "ef2v", "u", "w", "s", "b", "x" * 600, "\r"]


def mutate(rng, text):
    words = text.split(" ")
    for _ in range(rng.randint(1, 6)):
        kind = rng.randrange(6)
        i = rng.randrange(len(words)) if words else 0
        if kind == 0 and words:
            del words[i]
        elif kind == 1:
            words.insert(i, rng.choice(TOKENS))
        elif kind == 2 and words:
            words[i] = rng.choice(TOKENS)
        elif kind == 3 and words:
            words.insert(i, words[rng.randrange(len(words))])
        elif kind == 4:
            words = words[: rng.randrange(len(words) + 1)]
        else:
            j = rng.randrange(len(words) + 1)
            words[j:j] = words[i : i + rng.randint(1, 20)]
    return " ".join(words)


def main():
    corpus = [open(p, errors="replace").read() for p in sorted(glob.glob(os.path.join(SOURCE, "parser/tests/golden/*.ic")))]
    if not corpus:
        print("no corpus")
        return 1
    rng = random.Random(16)
    keep = os.path.join(BUILD, "fuzz")
    bad = 0
    env = dict(os.environ, ASAN_OPTIONS="detect_leaks=0", UBSAN_OPTIONS="halt_on_error=1")
    ran = 0
    deadline = time.monotonic() + BUDGET_SECONDS
    with tempfile.TemporaryDirectory(prefix="ormcg_fuzz_") as work:
        src = os.path.join(work, "in.ic")
        for case in range(CASES):
            if time.monotonic() > deadline:
                break
            ran += 1
            text = mutate(rng, rng.choice(corpus))
            with open(src, "w") as f:
                f.write(text)
            try:
                r = subprocess.run([ORMCG, EDF, "-D" + os.path.join(work, "o.sdb"), src, os.path.join(work, "o.as")],
                                   capture_output=True, text=True, errors="replace", timeout=30, env=env)
                ok = r.returncode in (0, 1) and "Sanitizer" not in r.stderr and "runtime error" not in r.stderr
                why = "status %d" % r.returncode
            except subprocess.TimeoutExpired:
                ok, why = False, "hang"
            if not ok:
                bad += 1
                os.makedirs(keep, exist_ok=True)
                kept = os.path.join(keep, "case%d.ic" % case)
                with open(kept, "w") as f:
                    f.write(text)
                print("FAIL case %d (%s), input kept in %s" % (case, why, kept))
    print("%d of %d cases run, %d failures" % (ran, CASES, bad))
    return 1 if bad else 0


sys.exit(main())
