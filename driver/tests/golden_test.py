#!/usr/bin/env python3
"""End-to-end tests of ormcl against fake passes: command lines (-V --noexec), help and
chip listings, start-up files, summaries, failures, interrupts and the registry set-up.
Usage: golden_test.py ORMCL SOURCE_DIR BUILD_DIR; ORM_UPDATE_GOLDEN=1 rewrites the golden files."""
import os
import pathlib
import re
import shutil
import signal
import subprocess
import sys
import tempfile

ormcl, source_dir, build_dir = sys.argv[1:4]
here = pathlib.Path(__file__).resolve().parent
golden_dir = here / "golden"
update = bool(os.environ.get("ORM_UPDATE_GOLDEN"))
passes = ["ormannot", "ormpre", "ormparse", "ormcg", "ormasm", "ormlink", "ormhex", "ormpatch", "ormconv",
          "ormarch", "ormxref"]

work = pathlib.Path(tempfile.mkdtemp(prefix="ormcl_test_"))
inst = work / "inst"
(inst / "bin").mkdir(parents=True)
(inst / "lib").mkdir()
(inst / "include").mkdir()
shutil.copytree(pathlib.Path(source_dir) / "dat", inst / "dat")
shutil.copy(ormcl, inst / "bin" / "ormcl")
for p in passes:
    shutil.copy(here / "fakepass.py", inst / "bin" / p)
    os.chmod(inst / "bin" / p, 0o755)
driver = str(inst / "bin" / "ormcl")
project = work / "proj"
(project / "sub").mkdir(parents=True)
(project / "out").mkdir()
for f in ["main.c", "util.c", "start.as", "extra.obj", "mylib.lib", "boot.hex", "sub/deep.c"]:
    (project / f).write_text("/* test input */\n")
tempdir = work / "tmp"
tempdir.mkdir()

failures = []
passed = 0


def run_raw(args, cwd=project, env=None, stdin=subprocess.DEVNULL, exe=None):
    e = dict(os.environ)
    e.update({"TEMP": str(tempdir), "TMP": str(tempdir), "ORM_REGISTRY": "", "FAKE_LOG": str(work / "fake.log")})
    for k in ("FAKE_FAIL", "FAKE_INTERRUPT", "FAKE_MAP", "FAKE_SYMBOLS", "FAKE_HXL", "BXC_ERR_FORMAT",
              "BXC_WARN_FORMAT", "BXC_MSG_FORMAT"):
        e.pop(k, None)
    e.update(env or {})
    r = subprocess.run([exe or driver] + args, cwd=cwd, env=e, stdin=stdin, capture_output=True, text=True,
                       timeout=120)
    return r.returncode, r.stdout, r.stderr


def run(args, **kw):
    """The driver sends its messages where its output goes; checks look at both streams."""
    rc, out, err = run_raw(args, **kw)
    return rc, out, out + err


def normalise(text):
    text = text.replace(str(tempdir), "<TMP>").replace(str(inst), "<INST>").replace(str(project), "<PROJ>")
    names = {}

    def temp_name(m):
        return names.setdefault(m.group(0), f"<TMP>/<T{len(names) + 1}>")

    return re.sub(r"<TMP>/[^\s\"]+", temp_name, text)


def check(name, text):
    global passed
    path = golden_dir / name
    if update:
        path.write_text(text)
    expected = path.read_text() if path.exists() else None
    if expected == text:
        passed += 1
    else:
        failures.append(name)
        print(f"--- {name}: differs from the golden file")
        import difflib
        for line in difflib.unified_diff((expected or "").splitlines(), text.splitlines(), "golden", "actual",
                                         lineterm="", n=1):
            print(line)


def expect(label, condition):
    global passed
    if condition:
        passed += 1
    else:
        failures.append(label)
        print(f"--- {label}: failed")


def transcript(args, **kw):
    rc, out, err = run_raw(args, **kw)
    return normalise(f"$ ormcl {' '.join(args)}\n{out}--- messages\n{err}--- exit {rc}\n\n")


def leftovers():
    return sorted(p.name for p in tempdir.iterdir())


# Help, chip listing and options that only print.
check("help.txt", transcript(["--help"]))
check("help_options.txt", "".join(transcript([a]) for a in [
    "--help=output", "--help=opt", "--help=warn", "--help=ide", "--help=errors", "--help=D", "--help=codeoffset",
    "--help=ram", "--help=noexec", "--help=runtime", "--help=bin", "--help=resrom", "--help=chipinfo", "--help=nort", "--output=help", "--help=bogus"]))
check("chipinfo.txt", transcript(["--chipinfo"]))

# Command lines of every pass, for three chips.
variants = [[], ["-G"], ["--ide=korvide"], ["--ide=mplab"], ["--double=32"], ["-S"], ["-C", "-Oout/first"],
            ["--opt=none"], ["--output=+mot"], ["--debugger=icd2"], ["--asmlist"], ["--output=lib"],
            ["--output=bin"], ["--fill=3FFF", "--serial=1234@0x10"], ["--runtime=default,+keep", "--outdir=out"],
            ["-L-preset_vec=100h", "-L-ptemp2=BANK1", "-Lmylib", "-M", "-Oout/prog"]]
inputs = {"16F877": ["main.c"], "16F84": ["main.c", "start.as"], "12F675": ["main.c", "extra.obj", "mylib.lib", "boot.hex"]}
for chip, files in inputs.items():
    text = ""
    for v in variants:
        text += transcript(["-Q", f"--chip={chip}", "-V", "--noexec"] + v + files)
    check(f"commands_{chip}.txt", text)
    expect(f"no temporary file left after {chip}", leftovers() == [])
check("commands_misc.txt", "".join(transcript(["-Q", "--chip=16F877", "-V", "--noexec"] + a) for a in [
    ["-C", "-Oout/x", "main.c", "util.c"], ["-C", "--outdir=out", "sub/deep.c"], ["-P", "start.as"],
    ["-S", "start.as"], ["--pre", "main.c"], ["--scandep", "main.c"], ["--proto", "--cr=out/x.crf", "main.c"],
    ["--warn=-3", "--errors=5", "--msgdisable=908,1178", "--strict", "-N40", "-X", "-DA", "-UA", "-Iinc", "main.c"],
    ["-UA", "-DA", "--opt=all,-space", "--char=signed", "main.c"], ["-signed", "-nort", "main.c"],
    ["-16F84", "-D32", "-ZG5", "-Aa0", "main.c"], ["--output=ubrof", "main.c"], ["-Oout/.", "main.c"],
    ["--runtime=all", "main.c"], ["--rom=0-3FF,-100-10F", "--ram=default,-20-2F", "main.c"],
    ["main.x"], ["--chip=84", "main.c"], ["--getoption=ormlink,opts.txt", "--setoption=ormlink,opts.txt", "main.c"]]))

# Start-up files left by "keep".
rc, out, err = run(["-Q", "--chip=16F877", "--runtime=default,+keep", "--outdir=out", "main.c"],
                   env={"FAKE_SYMBOLS": "__Lrbss_0 20\n__Hrbss_0 23\n__Lintcode 4 0 CODE\n__Hintcode 10\n"})
expect("keep leaves startup.as", (project / "out" / "startup.as").exists())
expect("keep removes startup.obj", not (project / "out" / "startup.obj").exists())
text = (project / "out" / "startup.as").read_text()
expect("final start-up reads the prelink", "for final link stage" in text and "Clear bank0" in text and
       "\tglobal start\n" in text)

# Summaries from a fixture map and log.
check("summary.txt", transcript(["--chip=16F877", "--summary=psect,mem,hex", "main.c"]))
check("summary_korvide.txt", transcript(["--chip=16F877", "--ide=korvide", "--summary=psect,mem,hex,file",
                                         "-M", "-Oout/prog", "main.c"]))
for ext in ("pum", "mum", "hum"):
    expect(f"summary file {ext}", (project / "out" / f"prog.{ext}").exists())
check("summary_files.txt", "".join(normalise(f"== prog.{e}\n" + (project / "out" / f"prog.{e}").read_text())
                                   for e in ("pum", "mum", "hum")))
check("memmap.txt", transcript(["--memmap=" + str(project / "out" / "prog.map")]) if (project / "out" / "prog.map").exists()
      else "no map\n")

# Bad options and memory specifications: each stops with its message.
check("option_errors.txt", "".join(transcript(["-Q", "-V", "--noexec"] + a) for a in [
    ["--chip=16F877", "--ram=20-AF", "main.c"], ["--chip=16F877", "--ram=200-21F", "main.c"],
    ["--chip=16F877", "--ram=bogus", "main.c"], ["--chip=16F877", "--ram=defaultx", "main.c"],
    ["--chip=16F877", "--rom=data", "main.c"], ["--chip=16F877", "--rom=1-", "main.c"],
    ["--chip=16F877", "--codeoffset=zz", "main.c"], ["--chip=16F877", "-resrom=1-", "main.c"],
    ["--chip=16F877", "--getoption=nosuch,x", "main.c"], ["--chip=16F877", "--setoption=ormlink", "main.c"],
    ["--chip=16F877", "--msgdisable", "main.c"], ["main.c"], ["--chip=16F877"], ["--chip=16F877", "-SETUP", "main.c"],
    ["--chip=16F877", "--double=fast32", "main.c"], ["--chip=16F877", "--ide=eclipse", "main.c"],
    ["--chip=16F877", "--rom=none", "main.c"], ["--chip=16F877", "--ram=none", "-C", "main.c"]]))

# A malformed map and a class of 0x400 words with 0x13 used.
odd_map = ("TOTAL\t\tName          Link     Load   Length\n\tCLASS\tCODE     \n\t\ttext             0        0       13\n"
           "\t\tbroken          10\n\n\tstray line\n\n\nSEGMENTS\n")
check("summary_edges.txt", transcript(["-Q", "--chip=16F84", "main.c"], env={"FAKE_MAP": odd_map}))

# Failing passes, interrupts and timing.
(work / "fake.log").write_text("")
rc, out, err = run(["-Q", "--chip=16F877", "main.c", "util.c"], env={"FAKE_FAIL": "ormparse"})
log = (work / "fake.log").read_text()
expect("parser failure exits 1", rc == 1)
expect("parser failure reports 908", "(908) exit status = 3 (warning)" in err)
expect("next file still compiled", log.count("ormpre:") == 2 and "ormcg:" not in log)
expect("no link after a failure", "ormlink:" not in log)
expect("no temporary left after a failure", leftovers() == [])
rc, out, err = run(["-Q", "--chip=16F877", "main.c"], env={"FAKE_INTERRUPT": "ormparse"})
expect("interrupt exits 2", rc == 2)
expect("no temporary left after an interrupt", leftovers() == [])
rc, out, err = run(["-Q", "--chip=16F877", "--time", "main.c"])
expect("stage times", rc == 0 and "Compilation stage times:" in out and re.search(r"Parser +\d+\.\d\d\n", out)
       and re.search(r"TOTAL +\d+\.\d\d secs\n", out))
rc, out, err = run([], stdin=open(os.devnull))
expect("arguments from standard input", "Enter ORMCL --HELP for help" in out and "(902) no chip name" in err)
(work / "args.txt").write_text("-Q --chip=16F877 --noexec -V main.c\n")
rc, out, err = run([], stdin=open(work / "args.txt"))
expect("standard input command line runs", rc == 0 and "ormcg.exe" in err)
rc, out, err = run(["-Q", "--chip=16F877", "-V", "--noexec", "main.x"])
expect("unknown file type is 894", rc == 1 and "(894) unknown source file type \"main.x\"" in err)
rc, out, err = run(["-Q", "--chip=16F877", "--frobnicate", "--noexec", "main.c"])
expect("unknown option 168 ends with 1", rc == 1 and "(168) unknown option" in err)

rc, out, err = run(["-Q", "--chip=16F877", "-Eerrors.txt", "main.x"])
expect("-E redirects messages to a file", rc == 1 and "(894)" in (project / "errors.txt").read_text() and "(894)" not in err)
rc, out, err = run(["-Q", "--chip=16F877", "-E+errors.txt", "main.y"])
expect("-E+ appends", "(894)" in (project / "errors.txt").read_text() and "main.y" in (project / "errors.txt").read_text())
rc, out, err = run(["-Q", "--chip=16F877", "-Enodir/errors.txt", "main.c"])
expect("-E into a missing directory is 378", rc == 1 and "(378) can't create error file" in err)

# --getoption writes the link's configurable options; --setoption replaces them.
opts = project / "link.opt"
rc, out, err = run(["--chip=16F877", "--getoption=ormlink," + str(opts), "main.c"])
expect("getoption exits 0", rc == 0)
lines = opts.read_text().splitlines() if opts.exists() else []
expect("getoption writes class and placement options", lines[:1] == ["-ACODE=00h-07FFh"] and "-ppowerup=CODE" in lines)
opts.write_text("-ACODE=00h-03FFh\n-ppowerup=CODE\n-pnew=BANK0\n")
rc, out, err = run(["-Q", "--chip=16F877", "-V", "--noexec", "--setoption=ormlink," + str(opts), "main.c"])
link_lines = [l for l in err.splitlines() if l.startswith("ormlink.exe")]
expect("setoption replaces configurable options", link_lines and all(
    "-ACODE=00h-03FFh -ppowerup=CODE -pnew=BANK0 " in l and "-ABANK0" not in l for l in link_lines))

# --setup through the registry, then the driver works from anywhere.
registry = work / "registry.reg"
elsewhere = work / "elsewhere"
elsewhere.mkdir()
shutil.copy(driver, elsewhere / "ormcl")
rc, out, err = run(["--chipinfo"], exe=str(elsewhere / "ormcl"))
expect("no installation directory is 1228", rc == 1 and "(1228)" in err)
rc, out, err = run(["--setup=" + str(work / "missing")], env={"ORM_REGISTRY": str(registry)})
expect("setup of a missing directory exits 8", rc == 8 and "(1180)" in err and "(883) setup failed" in err)
rc, out, err = run(["--setup=" + str(inst)], env={"ORM_REGISTRY": str(registry)})
expect("setup succeeds", rc == 0 and "setup succeeded" in out + err)
rc, out, err = run(["--chipinfo"], exe=str(elsewhere / "ormcl"), cwd=work, env={"ORM_REGISTRY": str(registry)})
expect("chipinfo after setup", rc == 0 and "16F877:800:4" in out)

shutil.rmtree(work, ignore_errors=True)
print(f"{passed} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
