#!/usr/bin/env python3
"""The x86_64 installer under wine64 and a virtual display, driven by installer_driver.exe as a
user would click: a corrupt installer refused, then install, the installed driver at work, and
removal by the kept setup program."""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time

import windows
from windows import check

sys.path.insert(0, os.path.join(windows.SOURCE, "installer", "tests"))
sys.path.insert(0, os.path.join(windows.SOURCE, "testsupport"))
from installer_test import read_installer  # noqa: E402  (the independent reader)

UNINSTALL = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ORMC-Lite 9.50PL2"
TEMPLATE = ("[Resources]\nLICENCE=licence.txt\n[Variables]\nManufacturer=BRYLLEX Software\nProduct=ORMC-Lite\n"
            "Version=9.50\nPatchLevel=PL2\nDescription=ORMC-Lite C compiler\nShortcutFolderName=ORMC-Lite\n"
            "[Features]\nFeature=Toolchain\n@tree bin\n@tree dat\n@tree lib\n[Components]\nComponent=Toolchain\n"
            "Required=yes\nToolchain\n[Shortcuts]\nDriver=bin\\ormcl.exe\n[Run]\n")


def win_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def drive(wine, win64, installer, *actions):
    """Runs the driver on the installer under xvfb; returns its transcript."""
    args = ["xvfb-run", "-a", wine.loader, os.path.join(win64, "tests", "installer_driver.exe"), win_path(installer)]
    with tempfile.TemporaryFile() as out:
        subprocess.run(args + list(actions), env=wine.env, stdout=out, stderr=subprocess.STDOUT, timeout=240)
        out.seek(0)
        return out.read().decode("latin-1")


def reg_query(wine, key):
    return wine.run(["reg", "query", key]).stdout.decode("latin-1")


def main():
    for tool in ("xvfb-run", "file"):
        if not shutil.which(tool):
            windows.skip(tool + " is not installed")
    wine = windows.Wine()
    win64 = windows.tree("win64")
    exe = os.path.join(win64, "installer.exe")
    if not os.path.exists(os.path.join(win64, "tests", "installer_driver.exe")) or not os.path.exists(exe):
        windows.skip("the x86_64 tree has no installer.exe or installer_driver.exe")
    work = windows.scratch("installer")
    try:
        # Pack the x86_64 tree with the packer of the native build.
        template = os.path.join(work, "manifest.in")
        with open(template, "w") as f:
            f.write(TEMPLATE)
        shutil.copy(os.path.join(windows.SOURCE, "installer", "shipped", "licence.txt"), work)
        setup = os.path.join(work, "setup.exe")
        packer = os.path.join(os.environ["ORM_BUILD_DIR"], "tests", "ormpack")
        subprocess.run([packer, exe, template, win64, setup], check=True)
        n, m, _, _ = read_installer(setup)

        data = bytearray(open(setup, "rb").read())
        data[n + 40] ^= 0x20
        bad = os.path.join(work, "bad.exe")
        with open(bad, "wb") as f:
            f.write(data)
        temp_before = {p for p in glob.glob(wine.drive_c("users", "*", "AppData", "Local", "Temp", "bx*"))}
        out = drive(wine, win64, bad, "box=ok")
        check("box Fatal error: Installer is corrupt or truncated" in out and "exit 1" in out,
              "a corrupt installer shows its box and exits 1: " + out)

        target = wine.drive_c("ORMC test")
        shutil.rmtree(target, ignore_errors=True)
        out = drive(wine, win64, setup, "click=101", "click=302", "click=101", r"settext=201=C:\ORMC test",
                    "click=101", "click=101", "click=101")
        check("exit 0" in out, "the click-through install ends with 0: " + out)
        check(os.path.isfile(os.path.join(target, "bin", "ormcl.exe")), "the driver is installed")
        entry = reg_query(wine, UNINSTALL)
        check("DisplayName    REG_SZ    ORMC-Lite C compiler V9.50PL2" in entry and
              r'UninstallString    REG_SZ    "C:\ORMC test\resources\setup.exe"' in entry, "uninstall entry: " + entry)
        links = glob.glob(wine.drive_c("users", "*", "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
                                       "Programs", "BRYLLEX Software", "ORMC-Lite", "Driver.lnk"))
        kind = subprocess.run(["file"] + links[:1], capture_output=True, text=True).stdout if links else ""
        check("MS Windows shortcut" in kind, "the Start-menu link is a shell link: " + kind)

        blink = os.path.join(work, "blink")
        os.makedirs(blink)
        shutil.copy(os.path.join(windows.SOURCE, "examples", "blink.as"), blink)
        done = wine.run([os.path.join(target, "bin", "ormcl.exe"), "--chip=16F877", "--output=intel", "blink.as"],
                        cwd=blink)
        native = os.path.join(work, "native")
        os.makedirs(native)
        shutil.copy(os.path.join(windows.SOURCE, "examples", "blink.as"), native)
        windows.run_native([os.path.join(windows.native_bin(), "ormcl"), "--chip=16F877", "--output=intel",
                            "blink.as"], cwd=native)
        check(done.returncode == 0 and os.path.exists(os.path.join(blink, "blink.hex")) and
              windows.lf(open(os.path.join(blink, "blink.hex"), "rb").read()) ==
              windows.lf(open(os.path.join(native, "blink.hex"), "rb").read()),
              "the installed ormcl.exe builds blink.as as the native build does")

        kept = os.path.join(target, "resources", "setup.exe")
        out = drive(wine, win64, kept, "click=601", "click=101", "box=yes", "click=101")
        check("exit 0" in out, "removal by the kept setup ends with 0: " + out)
        # The fixture's server stays up, so wait for the removal batch's work, not for the server.
        for _ in range(600):
            if not os.path.exists(target):
                break
            time.sleep(0.1)
        left = [os.path.join(r, f) for r, _, fs in os.walk(target) for f in fs] if os.path.exists(target) else []
        check(not left and not os.path.exists(target), "no tree is left: %r" % left)
        check("ORMC-Lite" not in reg_query(wine, r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall") and
              "9.50" not in reg_query(wine, r"HKLM\Software\BRYLLEX Software\ORMC-Lite"), "no keys are left")
        temp_after = {p for p in glob.glob(wine.drive_c("users", "*", "AppData", "Local", "Temp", "bx*"))}
        check(temp_after <= temp_before, "no temporary folder is left: %r" % (temp_after - temp_before))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    windows.finish()


if __name__ == "__main__":
    main()
