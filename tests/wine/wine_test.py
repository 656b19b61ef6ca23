#!/usr/bin/env python3
"""The x86_64 Windows programs under wine64, against the Linux build of the same tree.
One case a run (its name is the first argument); each makes many checks per wine start."""
import filecmp
import os
import re
import shutil
import subprocess
import sys
import tempfile

import windows
from windows import check, lf

SOURCE = windows.SOURCE
REG_PRODUCT = r"HKLM\Software\BRYLLEX Software\ORMC-Lite\9.50"


def win_path(path):
    """The Windows spelling of a Linux path (wine maps / to Z:)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def decoded(done):
    return (done.stdout + done.stderr).decode("latin-1")


def case_platform(wine, win64):
    test = os.path.join(win64, "tests", "platform_wine_test.exe")
    if not os.path.isfile(test):
        windows.skip("%s was not built" % test)
    done = wine.run([test, "--gtest_brief=1"], timeout=300)
    print(decoded(done))
    check(done.returncode == 0, "platform tests ended with %d" % done.returncode)


def case_end_to_end(wine, win64):
    native, here = windows.scratch("linux"), windows.scratch("windows")
    for d in (native, here):
        shutil.copy(os.path.join(SOURCE, "examples", "blink.as"), os.path.join(d, "blink file.as"))
    done = windows.run_native([os.path.join(windows.native_bin(), "ormcl"), "--chip=16F877", "--output=intel",
                               "blink file.as"], cwd=native)
    check(done.returncode == 0, "Linux ormcl ended with %d: %s" % (done.returncode, decoded(done)))
    temp_before = wine.temp_dirs()
    ormcl = os.path.join(win64, "bin", "ormcl.exe")
    done = wine.run([ormcl, "-V", "--chip=16F877", "--output=intel", "blink file.as"], cwd=here)
    text = decoded(done)
    check(done.returncode == 0, "Windows ormcl ended with %d: %s" % (done.returncode, text))
    hex_linux = os.path.join(native, "blink file.hex")
    hex_windows = os.path.join(here, "blink file.hex")
    if check(os.path.isfile(hex_windows), "no Windows hex file"):
        data = open(hex_windows, "rb").read()
        lines = data.split(b"\n")[:-1]
        check(lines and all(l.endswith(b"\r") for l in lines), "a Windows hex line does not end in CR LF")
        check(lf(data) == open(hex_linux, "rb").read(), "the Windows hex file differs from the Linux one")
    for name in ("ormasm", "ormlink", "ormhex", "ormpatch"):
        started = [l for l in text.splitlines() if l.startswith(name + ".exe ")]
        check(started, "-V shows no %s.exe start:\n%s" % (name, text))
    asm = next((l for l in text.splitlines() if l.startswith("ormasm.exe ")), "")
    check('"blink file.as"' in asm, "the source with a blank is not quoted: %r" % asm)
    check(wine.temp_dirs() <= temp_before, "files left in Temp: %s" % sorted(wine.temp_dirs() - temp_before))
    shutil.rmtree(native, ignore_errors=True)
    shutil.rmtree(here, ignore_errors=True)


# The preprocessed text names the source and include files by their paths: only those differ.
LINE_MARKER = re.compile(rb'^(#\s*(?:line\s+)?\d+\s+)"[^"]*"', re.M)
# The intermediate code's file records: '"' line number, blank, the file's path.
FILE_RECORD = re.compile(rb'^("\d+ )[^\n]*', re.M)


def same_but_paths(a, b):
    def masked(text):
        return FILE_RECORD.sub(rb'\1?', LINE_MARKER.sub(rb'\1"?"', lf(text)))
    return masked(a) == masked(b)


def case_front_end(wine, win64):
    native, here = windows.scratch("linux"), windows.scratch("windows")
    for d in (native, here):
        shutil.copy(os.path.join(SOURCE, "examples", "blink.c"), os.path.join(d, "blink.c"))
    bin_linux = windows.native_bin()
    steps = [(["ormcl", "--chip=16F877", "--pre", "blink.c"], "blink.pre"),
             # The driver's parser options: the chip header needs bit variables and "@".
             (["ormparse", "-u", "-Gstrings,const", "-M", "-B", "-Y", "-r", "-QX,bank1", "-QY,bank2",
               "-QZ,bank3", "-QT,eeprom", "-Z1,2,2,4,2,3,3", "blink.pre", "blink.ic"], "blink.ic")]
    for args, output in steps:
        done = windows.run_native([os.path.join(bin_linux, args[0])] + args[1:], cwd=native)
        check(done.returncode == 0, "Linux %s: %s" % (args[0], decoded(done)))
        done = wine.run([os.path.join(win64, "bin", args[0] + ".exe")] + args[1:], cwd=here)
        check(done.returncode == 0, "Windows %s: %s" % (args[0], decoded(done)))
        a, b = os.path.join(native, output), os.path.join(here, output)
        if check(os.path.isfile(a) and os.path.isfile(b), "%s missing" % output):
            check(same_but_paths(open(a, "rb").read(), open(b, "rb").read()), "%s differs" % output)
    shutil.rmtree(native, ignore_errors=True)
    shutil.rmtree(here, ignore_errors=True)


def reg(wine, *args):
    return wine.run(["reg"] + list(args))


def case_registry(wine, win64):
    install = wine.drive_c("orm")
    shutil.rmtree(install, ignore_errors=True)
    os.makedirs(install)
    ormcl = os.path.join(win64, "bin", "ormcl.exe")
    try:
        done = wine.run([ormcl, "--lang=de", r"--setup=C:\orm"])
        check(done.returncode == 0, "--setup ended with %d: %s" % (done.returncode, decoded(done)))
        query = decoded(reg(wine, "query", REG_PRODUCT + r"\PL2"))
        check(re.search(r"instdir\s+REG_SZ\s+C:\\orm", query, re.I), "InstDir not written:\n" + query)
        query = decoded(reg(wine, "query", REG_PRODUCT))
        check(re.search(r"language\s+REG_DWORD\s+0x7\b", query, re.I), "language not written:\n" + query)

        # A copy of the tree at C:\orm, started from a folder not named bin, finds dat and lib
        # through the registry alone.
        for sub in ("bin", "dat", "lib"):
            shutil.copytree(os.path.join(win64, sub), os.path.join(install, sub))
        elsewhere = wine.drive_c("orm", "elsewhere")
        os.makedirs(elsewhere)
        shutil.copy(os.path.join(win64, "bin", "ormcl.exe"), elsewhere)
        work = windows.scratch("registry")
        shutil.copy(os.path.join(SOURCE, "examples", "blink.as"), work)
        reg(wine, "add", REG_PRODUCT, "/v", "language", "/t", "REG_DWORD", "/d", "9", "/f")
        done = wine.run([r"C:\orm\elsewhere\ormcl.exe", "--chip=16F877", "--output=intel", "blink.as"], cwd=work)
        check(done.returncode == 0 and os.path.isfile(os.path.join(work, "blink.hex")),
              "the copied tree did not find its installation: %s" % decoded(done))

        # A stale InstDir: a message and status 1, never a crash.
        reg(wine, "add", REG_PRODUCT + r"\PL2", "/v", "instdir", "/t", "REG_SZ", "/d", r"C:\gone", "/f")
        done = wine.run([r"C:\orm\elsewhere\ormcl.exe", "--chip=16F877", "--output=intel", "blink.as"], cwd=work)
        check(done.returncode == 1 and re.search(rb"\(\d+\)", done.stdout + done.stderr),
              "stale InstDir: status %d: %s" % (done.returncode, decoded(done)))
        # A DWORD InstDir is no directory: the program's own location counts.
        reg(wine, "add", REG_PRODUCT + r"\PL2", "/v", "instdir", "/t", "REG_DWORD", "/d", "1", "/f")
        os.remove(os.path.join(work, "blink.hex"))
        done = wine.run([ormcl, "--chip=16F877", "--output=intel", "blink.as"], cwd=work)
        check(done.returncode == 0 and os.path.isfile(os.path.join(work, "blink.hex")),
              "DWORD InstDir: %s" % decoded(done))
        shutil.rmtree(work, ignore_errors=True)
    finally:
        reg(wine, "delete", r"HKLM\Software\BRYLLEX Software", "/f")
        shutil.rmtree(install, ignore_errors=True)
    check(reg(wine, "query", REG_PRODUCT).returncode != 0, "the product key was not removed")


def case_runtime_libraries(wine, win64):
    work = tempfile.mkdtemp(prefix="orm_wine_lib_")
    runtime = os.path.join(SOURCE, "runtime")
    out = os.path.join(work, "lib")
    # Output goes to a file, not a pipe: a wine service started on the way would inherit the
    # pipe and hold it open long after the build ends.
    log = os.path.join(work, "build.log")
    with open(log, "w") as sink:
        done = subprocess.run([sys.executable, os.path.join(runtime, "make_libraries.py"),
                               "--chips", os.path.join(SOURCE, "dat", "ormc-lite.ini"), "--sources", runtime,
                               "--runner", wine.loader,
                               "--ormasm", os.path.join(win64, "bin", "ormasm.exe"),
                               "--ormarch", os.path.join(win64, "bin", "ormarch.exe"),
                               "--work", os.path.join(work, "obj"), "--out", out],
                              env=wine.env, stdin=subprocess.DEVNULL, stdout=sink, stderr=subprocess.STDOUT,
                              timeout=600)
    with open(log, errors="replace") as f:
        check(done.returncode == 0, "building the libraries under wine: %s" % f.read())
    native = os.path.join(os.environ["ORM_BUILD_DIR"], "lib")
    names = sorted(os.listdir(native))
    check(names and names == sorted(os.listdir(out)) if os.path.isdir(out) else False, "library lists differ")
    for name in names:
        check(os.path.isfile(os.path.join(out, name)) and filecmp.cmp(os.path.join(native, name),
                                                                       os.path.join(out, name), shallow=False),
              "%s differs from the native one" % name)
    shutil.rmtree(work, ignore_errors=True)


def case_versions(wine, win64):
    for name in windows.expected_programs():
        linux = windows.run_native([os.path.join(windows.native_bin(), name), "--ver"])
        win = wine.run([os.path.join(win64, "bin", name + ".exe"), "--ver"])
        check(win.returncode == linux.returncode == 0, "%s --ver: status %d" % (name, win.returncode))
        check(lf(win.stdout) == linux.stdout, "%s --ver differs:\n%r\n%r" % (name, win.stdout, linux.stdout))


CASES = {"platform": case_platform, "end_to_end": case_end_to_end, "front_end": case_front_end,
         "registry": case_registry, "runtime_libraries": case_runtime_libraries, "versions": case_versions}


def main():
    case = CASES[sys.argv[1]]
    wine = windows.Wine()
    case(wine, windows.tree("win64"))
    windows.finish()


if __name__ == "__main__":
    main()
