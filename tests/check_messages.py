#!/usr/bin/env python3
"""Checks the message files dat/{en,de,fr}_msgs.txt: ascending numbers without repeats, known
kinds, and a record in every one of them for each message number that the code issues through
alert_message/alert_report."""
import pathlib
import re
import sys

import msgfiles

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
problems = []
tables = {}
for code in msgfiles.LANGUAGES:
    tables[code], found = msgfiles.read(msgfiles.path_of(root, code))
    problems += found

call = re.compile(r"\balert_(?:message|report)\s*\(\s*(\d+)")
for path in sorted(root.rglob("*")):
    if path.suffix not in (".cpp", ".h", ".hpp", ".cc"):
        continue
    rel = path.relative_to(root)
    if rel.parts[0].startswith("build") or "tests" in rel.parts:
        continue
    text = path.read_text(encoding="utf-8", errors="replace")
    for m in call.finditer(text):
        number = int(m.group(1))
        if number <= 3:
            continue
        lacking = [code for code in msgfiles.LANGUAGES if number not in tables[code]]
        if lacking:
            line = text.count("\n", 0, m.start()) + 1
            problems.append("%s:%d: message %d has no record in %s" % (
                rel, line, number, ", ".join("dat/%s_msgs.txt" % c for c in lacking)))

for p in problems:
    print(p)
print("%d records; %d problems" % (len(tables["en"]), len(problems)))
sys.exit(1 if problems else 0)
