#!/usr/bin/env python3
"""Checks dat/en_msgs.txt: ascending numbers without repeats, known kinds, and a record
for every message number that the code issues through alert_message/alert_report."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
msgfile = root / "dat" / "en_msgs.txt"
problems = []
records = {}
last = -1
for lineno, line in enumerate(msgfile.read_text(encoding="latin-1").splitlines(), 1):
    if line.startswith("#"):
        continue
    fields = re.match(r"[ \t]*(\S+)[ \t]+(\S+)[ \t](.*)$", line)
    if not fields:
        problems.append(f"{msgfile}:{lineno}: malformed record")
        continue
    number = int(fields.group(1)) if fields.group(1).isdigit() else -1
    kind = fields.group(2)
    if number < 0 or number > 10000:
        problems.append(f"{msgfile}:{lineno}: bad number {fields.group(1)}")
    if not re.fullmatch(r"[FEM]|-?\d", kind):
        problems.append(f"{msgfile}:{lineno}: bad kind {kind}")
    if number <= last:
        problems.append(f"{msgfile}:{lineno}: {number} not in ascending order (after {last})")
    last = max(last, number)
    records[number] = kind

call = re.compile(r"\balert_(?:message|report)\s*\(\s*(\d+)")
for path in sorted(root.rglob("*")):
    if path.suffix not in (".cpp", ".h", ".hpp", ".cc") or "build" in path.parts[len(root.parts):][:1]:
        continue
    rel = path.relative_to(root)
    if rel.parts[0].startswith("build") or "tests" in rel.parts:
        continue
    text = path.read_text(encoding="utf-8", errors="replace")
    for m in call.finditer(text):
        number = int(m.group(1))
        if number > 3 and number not in records:
            line = text.count("\n", 0, m.start()) + 1
            problems.append(f"{rel}:{line}: message {number} has no record in dat/en_msgs.txt")

for p in problems:
    print(p)
print(f"{len(records)} records; {len(problems)} problems")
sys.exit(1 if problems else 0)
