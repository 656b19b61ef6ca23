#!/usr/bin/env python3
"""Both Windows trees hold every program, laid out like an installation; each delivered i686
program is a PE32 console program for the 80386 that imports only ADVAPI32, KERNEL32 and msvcrt
(checked with objdump -p)."""
import os
import re
import shutil
import subprocess

import windows
from windows import check

ALLOWED_IMPORTS = {"advapi32.dll", "kernel32.dll", "msvcrt.dll"}


def main():
    if not shutil.which("objdump"):
        windows.skip("objdump is not installed")
    programs = windows.expected_programs()
    for kind in ("win32", "win64"):
        root = windows.tree(kind)
        for name in programs:
            check(os.path.isfile(os.path.join(root, "bin", name + ".exe")), "%s: bin/%s.exe missing" % (kind, name))
        check(os.path.isfile(os.path.join(root, "dat", "en_msgs.txt")), "%s: dat/en_msgs.txt missing" % kind)
        check(any(f.endswith(".lib") for f in os.listdir(os.path.join(root, "lib"))), "%s: no library in lib/" % kind)
    root = windows.tree("win32")
    for name in programs:
        exe = os.path.join(root, "bin", name + ".exe")
        if not os.path.isfile(exe):
            continue
        dump = subprocess.run(["objdump", "-p", exe], capture_output=True, text=True).stdout
        check("file format pei-i386" in dump, "%s: not a PE32 program for the 80386" % name)
        check(re.search(r"Subsystem\s+00000003", dump) is not None, "%s: not a console program" % name)
        imports = {d.lower() for d in re.findall(r"DLL Name: (\S+)", dump)}
        check(imports and imports <= ALLOWED_IMPORTS, "%s imports %s" % (name, sorted(imports)))
        check("symbols stripped" in dump, "%s is not stripped" % name)
    windows.finish()


if __name__ == "__main__":
    main()
