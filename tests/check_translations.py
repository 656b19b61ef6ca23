#!/usr/bin/env python3
"""Checks that dat/de_msgs.txt and dat/fr_msgs.txt agree with dat/en_msgs.txt record for record:
the same numbers, the same kind or warning level, and conversions that read the same arguments
in the same order. Prints every record that differs and, per file, the English records still
to be translated.  Usage: check_translations.py [source root]"""
import pathlib
import sys

import msgfiles


def kind_of(kind):
    """'E' and 'e' are the same kind; '02' and '2' the same level."""
    if kind[:1].isdigit() or kind[:1] == "-":
        try:
            return int(kind)
        except ValueError:
            return kind
    return kind[:1].upper()


def compare(english, translated, path):
    """Differences of one translated file, each naming its line and number."""
    problems = []
    for number, rec in sorted(translated.items()):
        en = english.get(number)
        where = "%s:%d: %d" % (path, rec.lineno, number)
        if en is None:
            problems.append("%s: no such record in en_msgs.txt" % where)
            continue
        if kind_of(rec.kind) != kind_of(en.kind):
            problems.append("%s: kind %s, English has %s" % (where, rec.kind, en.kind))
        ours, theirs = msgfiles.conversions(rec.text), msgfiles.conversions(en.text)
        if ours != theirs:
            problems.append("%s: conversions %s, English has %s\n    en: %s\n    %s" % (
                where, " ".join(ours) or "(none)", " ".join(theirs) or "(none)", en.text, rec.text))
    return problems


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    english, problems = msgfiles.read(msgfiles.path_of(root, "en"))
    missing = {}
    for code in msgfiles.LANGUAGES[1:]:
        path = msgfiles.path_of(root, code)
        translated, found = msgfiles.read(path)
        problems += found + compare(english, translated, path)
        missing[path] = [english[n] for n in sorted(english) if n not in translated]
    for p in problems:
        print(p)
    for path, records in missing.items():
        if records:
            print("%s lacks %d records of en_msgs.txt (%s); their English text:" % (
                path, len(records), " ".join(str(r.number) for r in records)))
            for r in records:
                print("    " + r.line())
    lacking = sum(len(r) for r in missing.values())
    print("%d English records; %d problems; %d translations missing" % (len(english), len(problems), lacking))
    return 1 if problems or lacking else 0


sys.exit(main())
