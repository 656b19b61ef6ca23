#!/usr/bin/env python3
"""The C front end as a user reaches it: `ormcl --pre` writes preprocessed text whose tokens
match `gcc -E` on the same files and whose line markers point at the right source lines;
the parser, run with the command line the driver builds, accepts that text; a C syntax
error stops the driver before the code generator."""
import os
import re
import shlex
import shutil

from e2e import BIN, Workdir, check, finish, need

need("gcc")

TOKEN = re.compile(r'"(?:\\.|[^"\\])*"|\'(?:\\.|[^\'\\])*\'|\w+|\S')


def tokens_and_lines(pre_text, workdir):
    """Tokens of preprocessed text without its markers, and, per output line, (file, line)."""
    toks, where = [], []
    file, line = None, 1
    for text in pre_text.splitlines():
        m = re.match(r'\s*#\s*(?:line\s+)?(\d+)(?:\s+"([^"]*)")?', text)
        if m:
            line = int(m.group(1))
            file = m.group(2) or file
            continue
        if text.strip():
            toks += TOKEN.findall(text)
            where.append((file, line, text))
        line += 1
    return toks, where


def gcc_tokens(w, source, *options):
    r = w.run(["gcc", "-E", "-P", "-undef", "-nostdinc", "-x", "c"] + list(options) + [source])
    check(r.returncode == 0, "gcc -E reads " + source + ": " + r.stderr)
    return TOKEN.findall(r.stdout)


def compare_with_gcc(w, source, driver_options=(), gcc_options=()):
    r = w.ormcl("-Q", "--chip=16F877", "--pre", *driver_options, source)
    base = source.rsplit(".", 1)[0]
    if not check(r.returncode == 0 and w.exists(base + ".pre"), "--pre on %s: %s" % (source, r.stdout + r.stderr)):
        return
    check(not w.exists(base + ".obj"), "--pre stops before the assembler")
    ours, where = tokens_and_lines(w.read(base + ".pre"), w.path)
    theirs = gcc_tokens(w, source, *gcc_options)
    check(ours == theirs, "%s: ormpre and gcc -E give the same tokens\n ours:   %s\n theirs: %s"
          % (source, " ".join(ours), " ".join(theirs)))
    # Each output line comes from the source line its marker names (its first token is there).
    for file, line, text in where:
        try:
            with open(os.path.join(w.path, file)) as f:
                src = f.read().splitlines()[line - 1]
        except (OSError, IndexError, TypeError):
            src = ""
        first = TOKEN.findall(text)[0]
        check(src.split()[:1] == [first], "%s line %s holds the start of %r (it reads %r)" % (file, line, text, src))


def parser_command(w):
    """The parser's options as the driver passes them (from a run that executes nothing)."""
    r = w.ormcl("--chip=16F877", "-V", "--noexec", "blink.c")
    for line in (r.stdout + r.stderr).splitlines():
        words = shlex.split(line)
        if words and words[0].startswith("ormparse"):
            return [a for a in words[1:-3]]
    return None


def main():
    with Workdir() as w:
        for name in ("macros.c", "include.c", "guards.h", "chipdefs.c", "expansion.c"):
            w.copy_program(name)
        shutil.copytree(os.path.join(os.path.dirname(os.path.abspath(__file__)), "programs", "inc"), w.file("inc"))
        compare_with_gcc(w, "macros.c")
        compare_with_gcc(w, "include.c")
        compare_with_gcc(w, "expansion.c")
        # The driver's -D, -U and -I reach the preprocessor, together with the chip's own macros.
        compare_with_gcc(w, "chipdefs.c", ("-DSPEED=4", "-DREMOVED", "-UREMOVED", "-Iinc"),
                         ("-DSPEED=4", "-Iinc", "-D_16F877", "-D_BANKCOUNT_=4", "-D_PIC14", "-D__ORMC__"))

        shutil.copy(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "blink.c"),
                    w.file("blink.c"))
        options = parser_command(w)
        if check(options is not None, "-V --noexec shows the parser's command line"):
            r = w.ormcl("-Q", "--chip=16F877", "--pre", "blink.c")
            check(r.returncode == 0, "--pre on the example: " + r.stderr)
            r = w.run([os.path.join(BIN, "ormparse")] + options + ["blink.pre", "blink.ic", "blink.str"])
            check(r.returncode == 0, "the parser accepts the example: " + r.stdout + r.stderr)
            code = w.read("blink.ic") if w.exists("blink.ic") else ""
            for name in ("_PORTB", "_TRISB", "_ticks", "_delay", "_main"):
                check(re.search(r"^\[v %s\b" % name, code, re.M), "the intermediate code declares " + name)

        # A C syntax error: numbered message with file and line, exit 1, the code generator never runs.
        w.write("bad.c", "int f(void)\n{\n\tint x = 1\n\treturn x;\n}\n")
        r = w.ormcl("-Q", "--chip=16F877", "-C", "bad.c")
        out = r.stdout + r.stderr
        check(r.returncode == 1, "a syntax error fails the build (%d)" % r.returncode)
        check(re.search(r"\(\d+\) \";\" expected", out) and "4:" in out, "the error is numbered and placed: " + out)
        check("(900)" not in out, "no later pass was started after the parser failed: " + out)
        check(not w.exists("bad.obj"), "no object after a syntax error")


main()
finish()
