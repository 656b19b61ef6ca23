#!/usr/bin/env python3
"""The rule generator: regenerating the shipped rule source gives the tables the build
compiled, and every kind of bad rule is refused with its line and no tables written."""
import os
import subprocess
import sys
import tempfile

RULEGEN, BUILT = sys.argv[1:3]
SOURCES = sys.argv[3:]
failures = []


def check(cond, text):
    if not cond:
        failures.append(text)
        print("FAIL:", text)


def run(source_text=None, sources=None, stats=False):
    with tempfile.TemporaryDirectory() as d:
        if sources is None:
            sources = []
            # A text split at "@@@" lines is written as several files read in order.
            for k, part in enumerate(source_text.split("@@@\n")):
                sources.append(os.path.join(d, "t%d.rules" % k))
                with open(sources[-1], "w") as f:
                    f.write(part)
        out = os.path.join(d, "out.cpp")
        args = [RULEGEN] + (["--stats"] if stats else []) + sources + [out]
        r = subprocess.run(args, capture_output=True, text=True)
        text = open(out).read() if os.path.exists(out) else None
        return r, text


# Regeneration: the same source gives the same tables, byte for byte.
r, text = run(sources=SOURCES, stats=True)
check(r.returncode == 0, "the shipped rules generate: " + r.stderr)
check(text == open(BUILT).read(), "regenerating gives the tables the build compiled")
check("longest probe" in r.stdout, "the longest probe distance is reported: " + r.stdout)

BASE = """goals stmt mem
rule mem : "ID"
    kind at-described
    result "SN"
"""
# (rule text after the base, expected words in the message, line of the fault)
BAD = [
    ('rule stmt : "=" mem mem\n    when NOSUCH\n    kind none\n', 'unknown predicate "NOSUCH"', 6),
    ('rule stmt : "=" mem mem\n    kind none\n    code "movf L,w\\nE99N"\n', "unknown helper 99", 5),
    ('rule stmt : "=" mem mem\n    need wreg9\n    kind none\n', 'unknown register "wreg9"', 6),
    ('rule stmt : "=" mem nosuch\n    kind none\n', 'unknown goal "nosuch"', 5),
    ('rule stmt : "=" mem mem\n    kind none\n    code "movwf STATUS"\n', "upper-case letter", 5),
    ('rule stmt : "==" mem mem\n    kind none\n    result "ISN"\n', "bad which-letter after I", 5),
    ('rule stmt : "=" mem mem\n    kind none\n    code "movwf L\n', "unterminated string", 7),
    ('rule stmt : "=" mem mem\n', "the rule has no kind", 5),
    ('rule stmt : "=" mem mem\n    kind nowhere\n', 'unknown kind "nowhere"', 6),
    ('rule stmt : "@@" mem\n    kind none\n', 'unknown operator "@@"', 5),
    ('rule stmt : "=" mem mem\n    kind none\n    code "movf L,w"\n    code "movwf R"\n',
     'a rule has one "code" line', 8),
    ('rule mem : "ID"\n    kind none\n    result "SN"\n    result "RN"\n', 'a rule has one "result" line', 8),
]
for rule, words, line in BAD:
    r, text = run(BASE + rule)
    check(r.returncode == 1, "refused: %r (%s)" % (rule, r.stderr))
    check(words in r.stderr and (":%d:" % line) in r.stderr, "message %r at line %d: %s" % (words, line, r.stderr))
    check(text is None, "no tables written for %r" % rule)

# Several files are one source in order: goals of the first serve the second, and a fault in
# the second is reported with that file's name and its own line.
r, _ = run(BASE + "@@@\n" + 'rule stmt : "=" mem mem\n    kind none\n')
check(r.returncode == 0, "a rule in a second file uses the first file's goals: " + r.stderr)
r, _ = run(BASE + "@@@\n" + '\nrule stmt : "=" mem mem\n    kind nowhere\n')
check(r.returncode == 1 and "t1.rules:3:" in r.stderr, "the second file's own line: " + r.stderr)

# A goal that nothing derives, and a first goal that is not the statement goal.
r, _ = run('goals stmt orphan\nrule stmt : "ID"\n    kind none\n')
check(r.returncode == 1 and 'no rule derives goal "orphan"' in r.stderr, "underived goal: " + r.stderr)
r, _ = run('goals mem stmt\nrule stmt : "ID"\n    kind none\nrule mem : "ID"\n    kind none\n')
check(r.returncode == 1 and '"stmt"' in r.stderr, "statement goal first: " + r.stderr)

# Chain rules: ten stacked on one node do not fit the rule stack of nine; nine do; a cycle never.
def chain(n):
    goals = ["stmt"] + ["g%d" % i for i in range(1, n)]
    text = "goals " + " ".join(goals) + "\n"
    for a, b in zip(goals, goals[1:]):
        text += "rule %s : %s\n    kind none\n" % (a, b)
    return text + 'rule %s : "ID"\n    kind none\n' % goals[-1]

r, _ = run(chain(9))
check(r.returncode == 0, "a derivation of nine stacked rules fits: " + r.stderr)
r, _ = run(chain(10))
check(r.returncode == 1 and "deeper than the rule stack" in r.stderr, "ten stacked rules refused: " + r.stderr)
r, _ = run('goals stmt a\nrule stmt : a\n    kind none\nrule a : stmt\n    kind none\nrule a : "ID"\n    kind none\n')
check(r.returncode == 1 and "deeper than the rule stack" in r.stderr, "a cycle of chain rules refused: " + r.stderr)

print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
