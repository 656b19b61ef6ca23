#!/usr/bin/env python3
"""A whole build through the driver: two assembler modules and a library made by ormarch,
linked for the 16F877 with the driver's class and placement options. Checks the result
against tools nobody here wrote: gpdasm (call targets are the symbols our symbol file names),
srec_info (the image's ranges are the map's CODE psects) and gpsim (the program runs to the
expected RAM contents: initialised data copied, calls across modules and the library)."""
import re
import sys

from ormtest import Workdir, need, program, run

MAIN = """\tprocessor 16F877
\tpsect\ttext,class=CODE,delta=2
\tglobal\t_main,_f,_g,_var,_init
_main:
\tmovlw\t7
\tfcall\t_f
\tfcall\t_g
\tbsf\t3,5
\tmovwf\t_var&07Fh
\tbcf\t3,5
\tljmp\t_main
\tpsect\trbss_1,class=BANK1,space=1
_var:\tds\t1
\tpsect\trdata_0,class=BANK0,space=1
_init:\tds\t1
\tpsect\tidata_0,class=CODE,delta=2
\tretlw\t42
"""
G = "\tprocessor 16F877\n\tpsect\ttext,class=CODE,delta=2\n\tglobal\t_g\n_g:\n\taddlw\t1\n\treturn\n"
F = "\tprocessor 16F877\n\tpsect\ttext,class=CODE,delta=2\n\tglobal\t_f\n_f:\n\taddlw\t2\n\treturn\n"

failures = []


def check(condition, text):
    if not condition:
        failures.append(text)
        print("FAIL:", text)


def map_code_ranges(map_text):
    """Byte ranges of the CODE psects of the map's totals table, merged."""
    ranges = []
    in_code = False
    for line in map_text.split("TOTAL", 1)[1].splitlines()[1:]:
        if line.startswith("SEGMENTS"):
            break
        words = line.split()
        if words[:1] == ["CLASS"]:
            in_code = words[1] == "CODE"
        elif in_code and len(words) == 4:
            load, length = int(words[2], 16), int(words[3], 16)
            ranges.append([load * 2, (load + length) * 2 - 1])
    ranges.sort()
    merged = []
    for r in ranges:
        if merged and r[0] <= merged[-1][1] + 1:
            merged[-1][1] = max(merged[-1][1], r[1])
        else:
            merged.append(r)
    return merged


def main():
    need("gpdasm", "srec_info", "gpsim")
    with Workdir("orm_toolchain_") as work:
        for name, text in (("main.as", MAIN), ("g.as", G), ("f.as", F)):
            work.write(name, text)
        r = work.run([program("ormcl"), "--chip=16F877", "-C", "f.as"])
        check(r.returncode == 0, "f.as assembles: " + r.stdout + r.stderr)
        r = work.run([program("ormarch"), "r", "libf.lib", "f.obj"])
        check(r.returncode == 0, "ormarch builds the library: " + r.stderr)
        r = work.run([program("ormcl"), "--chip=16F877", "--output=intel", "-Mmain.map",
                      "main.as", "g.as", "libf.lib"])
        check(r.returncode == 0, "the build links: " + r.stdout + r.stderr)
        if failures:
            return
        symbols = {}
        for line in work.read("main.sym").splitlines():
            w = line.split()
            if len(w) >= 2 and re.fullmatch(r"[0-9A-F]+", w[1]):
                symbols[w[0]] = int(w[1], 16)
        for name in ("_main", "_f", "_g", "_var", "_init", "__Lrdata_0", "__Hrdata_0", "__Lidata_0"):
            check(name in symbols, name + " is in the symbol file")
        check(symbols.get("_var") == 0xA0, "_var lies in bank 1")

        r = work.run(["gpdasm", "-p16f877", "main.hex"])
        calls = {int(m, 16) for m in re.findall(r"call\s+0x([0-9a-f]+)", r.stdout)}
        check(symbols.get("_f") in calls, "gpdasm shows a call to _f at %s" % hex(symbols.get("_f", 0)))
        check(symbols.get("_g") in calls, "gpdasm shows a call to _g")

        r = work.run(["srec_info", "main.hex", "-intel"])
        shown = [[int(a, 16), int(b, 16)] for a, b in re.findall(r"([0-9A-F]{4}) - ([0-9A-F]{4})", r.stdout)]
        expected = map_code_ranges(work.read("main.map"))
        check(shown == expected, "srec_info ranges %s match the map %s" % (shown, expected))

        commands = "step 80\nreg(0x%x)\nreg(0xa0)\nquit\n" % symbols["_init"]
        r = work.run(["gpsim", "-p", "p16f877", "main.hex"], stdin=commands)
        values = re.findall(r"REG0*([0-9A-F]+)\S* = \$([0-9a-f]+)", r.stdout)
        found = {int(a, 16): int(v, 16) for a, v in values}
        check(found.get(symbols["_init"]) == 42, "gpsim: initialised data copied (%s)" % found)
        check(found.get(0xA0) == 10, "gpsim: 7 through _f and _g stored in _var (%s)" % found)


main()
sys.exit(1 if failures else 0)
