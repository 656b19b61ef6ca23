"""Shared helpers of the end-to-end tests: run the built programs in a scratch directory and
read the results back with tools nobody here wrote (gpsim, gpdasm, srec_info, gcc)."""
import os
import re
import shutil
import sys
import threading

from ormtest import build_dir, need, Workdir as _Workdir  # noqa: F401 (need is for the tests)
from pictarget import GPSIM_CHIP, read_symbols

BUILD = build_dir()
BIN = os.path.join(BUILD, "bin")

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAMS = os.path.join(HERE, "programs")

failures = []
passed = [0]
# The execution tests check from several threads at once.
_lock = threading.Lock()


def check(condition, text):
    with _lock:
        if not condition:
            failures.append(text)
            print("FAIL:", text, flush=True)
        else:
            passed[0] += 1
    return condition


def finish():
    print("%d checks passed, %d failed" % (passed[0], len(failures)))
    sys.exit(1 if failures else 0)


class Workdir(_Workdir):
    """A scratch folder that the programs run in; removed at the end."""

    def __init__(self):
        super().__init__(prefix="orm_e2e_")

    def copy_program(self, name, as_name=None):
        shutil.copy(os.path.join(PROGRAMS, name), self.file(as_name or name))

    def ormcl(self, *args):
        return self.tool("ormcl", *args)

    def symbols(self, name):
        """Symbol file: name -> value."""
        return read_symbols(self.read(name))

    def gpsim(self, chip, hexname, steps, registers, preset=None):
        """Runs the image for a number of instructions, returns {register address: value}.
        `preset` writes registers before the first instruction (garbage the program must clear)."""
        commands = "".join("reg(0x%x)=0x%x\n" % kv for kv in (preset or {}).items())
        commands += "step %d\n" % steps + "".join("reg(0x%x)\n" % r for r in registers) + "quit\n"
        r = self.run(["gpsim", "-i", "-p", GPSIM_CHIP[chip], hexname], stdin=commands)
        found = {}
        for addr, value in re.findall(r"\(\$([0-9a-fA-F]+)\)\] = \$([0-9a-fA-F]+)", r.stdout):
            found[int(addr, 16)] = int(value, 16)
        return found

    def hex_ranges(self, hexname):
        """Byte ranges of the image as srec_info shows them."""
        r = self.run(["srec_info", hexname, "-intel"])
        return r, [(int(a, 16), int(b, 16)) for a, b in re.findall(r"([0-9A-F]{4,8}) - ([0-9A-F]{4,8})", r.stdout)]

    def disassemble(self, chip, hexname):
        """gpdasm listing: {word address: (opcode word, instruction text)}."""
        r = self.run(["gpdasm", "-p" + chip.lower(), hexname])
        words = {}
        for addr, op, text in re.findall(r"^([0-9a-f]{4}):\s+([0-9a-f]{4})\s+(.*?)\s*$", r.stdout, re.M):
            words[int(addr, 16)] = (int(op, 16), " ".join(text.split()))
        return words


def intel_hex_words(text):
    """Program words of an Intel HEX image (little-endian byte pairs): {word address: word}."""
    data = {}
    upper = 0
    for line in text.splitlines():
        line = line.strip()
        if not line.startswith(":"):
            continue
        raw = bytes.fromhex(line[1:])
        count, addr, kind = raw[0], (raw[1] << 8) | raw[2], raw[3]
        if kind == 4:
            upper = (raw[4] << 8 | raw[5]) << 16
        elif kind == 0:
            for i in range(count):
                data[upper + addr + i] = raw[4 + i]
    words = {}
    for a in sorted(data):
        if a % 2 == 0:
            words[a // 2] = data[a] | (data.get(a + 1, 0) << 8)
    return words
