#!/usr/bin/env python3
"""Functions end to end: those never active together share their argument and auto areas, a
callee's areas lie above its caller's, and what the compiled stack cannot hold (recursion, an
argument that calls the function being called) is refused with a numbered message naming the
functions and no hex file; in-line assembly runs where it stands; a function of another file
takes its only argument in W, called directly or through a pointer."""
import os

from e2e import Workdir, check, finish, need
import pictarget  # noqa: E402 (on the path e2e sets)

need("gpsim")


def build(w, source):
    w.copy_program(source)
    return w.ormcl("-Q", "--chip=16F877A", "--output=intel", "--summary=none", source)


def test_areas_overlay_by_the_call_graph():
    with Workdir() as w:
        r = build(w, "overlay.c")
        if not check(r.returncode == 0, "overlay.c builds: " + r.stdout + r.stderr):
            return
        sym = w.symbols("overlay.sym")
        names = ("?_left", "?_outer", "?a_outer", "?_leaf", "_r1", "_r2", "_r3")
        if not all(check(s in sym, s + " is in the symbol file") for s in names):
            return
        # left and outer are never active together; leaf runs inside outer, above its autos
        # (outer's area holds b, its autos a and t).
        check(sym["?_left"] == sym["?_outer"], "left and outer share their areas: %s" % sym)
        check(sym["?_leaf"] >= sym["?a_outer"] + 2, "leaf's areas lie above outer's: %s" % sym)
        addrs = [sym[s] for s in ("_r1", "_r2", "_r3")]
        regs = w.gpsim("16F877A", "overlay.hex", 3000, addrs, preset={a: 0x99 for a in addrs})
        # left(1, 2) = 3; outer(3, 4) = leaf(3, 4) + 4 = 11; leaf(5, 6) = 11.
        check([regs.get(a) for a in addrs] == [3, 11, 11], "results after the run: %s" % regs)


def test_refused_call_graphs():
    cases = [
        ("recursion.c", "(471)", ("_up", "_down", "_self")),
        ("overlap.c", "(742)", ("_pair",)),
    ]
    for source, number, functions in cases:
        with Workdir() as w:
            r = build(w, source)
            out = r.stdout + r.stderr
            check(r.returncode != 0, source + " fails: " + out)
            check(number in out and all(f in out for f in functions),
                  "%s reports %s naming %s: %s" % (source, number, ", ".join(functions), out))
            check(not os.path.exists(w.file(source.replace(".c", ".hex"))), source + " leaves no hex file")


def test_inline_assembly():
    with Workdir() as w:
        r = build(w, "inline_asm.c")
        if not check(r.returncode == 0, "inline_asm.c builds: " + r.stdout + r.stderr):
            return
        sym = w.symbols("inline_asm.sym")
        addrs = [sym["_g"], sym["_h"]]
        regs = w.gpsim("16F877A", "inline_asm.hex", 2000, addrs, preset={a: 0x99 for a in addrs})
        # g = 1, then incf from asm(); h = 5 from the #asm block.
        check([regs.get(a) for a in addrs] == [2, 5], "g and h after the run: %s" % regs)


def test_w_argument_across_files():
    # Compiled separately and linked, on a chip of each memory layout.
    for chip in ("16F877A", "16F84A", "12F675"):
        for opt in ("--opt=none", None):
            with Workdir() as w:
                w.copy_program("wcall_main.c")
                w.copy_program("wcall_lib.c")
                common = ["-Q", "--chip=" + chip, "--output=intel", "--summary=none"] + ([opt] if opt else [])
                for c in ("wcall_main.c", "wcall_lib.c"):
                    r = w.ormcl(*(common + ["-c", c]))
                    check(r.returncode == 0, "%s compiles for %s: %s" % (c, chip, r.stdout + r.stderr))
                r, sym = pictarget.build(w, chip, ["wcall_main.obj", "wcall_lib.obj"], *([opt] if opt else []))
                what = "wcall for %s %s" % (chip, opt or "(default options)")
                if not check(sym is not None, what + " links: " + r.stdout + r.stderr):
                    continue
                addrs = [sym.get(s) for s in ("_r1", "_r2", "_r3")]
                if not check(None not in addrs, what + ": results in the symbol file"):
                    continue
                regs = w.gpsim(chip, "prog.hex", 3000, addrs, preset={a: 0x99 for a in addrs})
                # twice(21) = 42; put(7) leaves 8; put(twice(50)) leaves 101.
                check([regs.get(a) for a in addrs] == [42, 8, 101], what + ": results after the run: %s" % regs)


test_areas_overlay_by_the_call_graph()
test_refused_call_graphs()
test_inline_assembly()
test_w_argument_across_files()
finish()
