#!/usr/bin/env python3
"""Messages in the user's language: `ormcl --lang=` shows its own messages and those of the
passes it starts in German or French, as the Windows-1252 bytes of the shipped files; the
language the registry records is used when no --lang is given, and --lang alone records none."""
import os
import subprocess

from e2e import BIN, BUILD, Workdir, check, finish

# The parser's messages for a missing ";" and for an undefined identifier, and the driver's
# for an unknown file type, as each file has them (byte 0xE9 is e with acute accent).
EXPECTED = {
    "en": (b'(314) ";" expected', b'(192) undefined identifier "y"', b'(894) unknown source file type "notes.txt"'),
    "de": (b'(314) ";" erwartet', b'(192) nicht definierter Bezeichner "y"',
           b'(894) unbekannter Quelldateityp "notes.txt"'),
    "fr": (b'(314) ";" attendu', b'(192) identificateur non d\xe9fini "y"',
           b'(894) type de fichier source inconnu "notes.txt"'),
}


def ormcl(w, args, registry=""):
    """Runs the driver; its standard output and error as bytes, untouched."""
    env = dict(os.environ, ORM_REGISTRY=registry)
    env.pop("BXC_ERR_FILE", None)
    r = subprocess.run([os.path.join(BIN, "ormcl"), "-Q"] + args, cwd=w.path, env=env,
                       capture_output=True, timeout=60)
    return r.returncode, r.stdout + r.stderr


def shows(w, lang_args, code, registry="", passes=True):
    """Checks that each failure (with `passes` also those of the parser) reads in the language `code`."""
    what = " ".join(lang_args) or "no --lang"
    sources = (("semicolon.c", EXPECTED[code][0]), ("undefined.c", EXPECTED[code][1])) if passes else ()
    for source, text in sources:
        status, out = ormcl(w, lang_args + ["--chip=16F877", "-C", source], registry)
        check(status == 1, "%s, %s: the build fails (%d)" % (what, source, status))
        check(text in out, "%s, %s: shows %r: %r" % (what, source, text, out))
        check(b"Malformed" not in out, "%s: the message file reads without complaint: %r" % (what, out))
    status, out = ormcl(w, lang_args + ["--chip=16F877", "notes.txt"], registry)
    check(status == 1 and EXPECTED[code][2] in out, "%s: the driver's own message: %r" % (what, out))


def main():
    with Workdir() as w:
        w.write("semicolon.c", "int f(void)\n{\n\tint x = 1\n\treturn x;\n}\n")
        w.write("undefined.c", "int f(void)\n{\n\treturn y;\n}\n")
        w.write("notes.txt", "not a source\n")

        shows(w, [], "en", passes=False)
        shows(w, ["--lang=de"], "de")
        shows(w, ["--lang=fr"], "fr")
        for lang, code in (("--lang=DE", "de"), ("--lang=Deutsch", "de"), ("--lang=french", "fr"),
                           ("--lang=en", "en")):
            shows(w, [lang], code, passes=False)
        # A language the table does not know falls back to the registry's, here none: English.
        shows(w, ["--lang=it"], "en", passes=False)

        # --lang is for this run only; --setup records it for every later run.
        registry = w.file("registry.reg")
        shows(w, ["--lang=fr"], "fr", registry, passes=False)
        shows(w, [], "en", registry, passes=False)
        status, out = ormcl(w, ["--lang=de", "--setup=" + BUILD], registry)
        check(status == 0 and b"(881)" not in out and b"setup succeeded" in out,
              "--setup with --lang succeeds: %r" % out)
        shows(w, [], "de", registry, passes=False)
        shows(w, ["--lang=fr"], "fr", registry, passes=False)


main()
finish()
