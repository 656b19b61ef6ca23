"""Building programs for a chip with ormcl and running them in gpsim: shared by the run-time
library's tests and the execution harness."""
import re

# gpsim knows the 16F84A by its older name
GPSIM_CHIP = {"16F877A": "p16f877a", "16F877": "p16f877", "16F84A": "p16f84", "12F675": "p12f675"}


def read_symbols(text):
    """Symbol file text: {name: value}."""
    result = {}
    for line in text.splitlines():
        w = line.split()
        if len(w) >= 2 and re.fullmatch(r"[0-9A-Fa-f]+", w[1]):
            result[w[0]] = int(w[1], 16)
    return result


def build(work, chip, sources, *options):
    """Runs ormcl in the Workdir `work`; returns (completed process, symbols or None)."""
    r = work.tool("ormcl", "-Q", "--chip=" + chip, "--output=intel", "--summary=none", "-Oprog.hex",
                  *options, *sources)
    if r.returncode != 0 or not work.exists("prog.hex") or not work.exists("prog.sym"):
        return r, None
    return r, read_symbols(work.read("prog.sym"))


def run_until(work, chip, hexname, stop, registers, cycles=2000000):
    """Runs the image in gpsim until the program address `stop` is reached or `cycles` pass;
    returns ({register address: value}, whether it stopped at `stop`, gpsim's output)."""
    commands = "break e 0x%x\nbreak c %d\nrun\npc\n" % (stop, cycles)
    commands += "".join("reg(0x%x)\n" % r for r in registers) + "quit\n"
    r = work.run(["gpsim", "-i", "-p", GPSIM_CHIP[chip], hexname], stdin=commands, timeout=600)
    # gpsim names a register by its address within the bank: take the values in command order.
    values = re.findall(r"\] = \$([0-9a-fA-F]+)", r.stdout)
    found = {a: int(v, 16) for a, v in zip(registers, values)} if len(values) == len(registers) else {}
    pc = re.search(r"\bpc = 0x([0-9a-fA-F]+)", r.stdout)
    reached = bool(pc) and int(pc.group(1), 16) == stop
    return found, reached, r.stdout


def little_endian(regs, address, size):
    """The value of `size` bytes at `address` (None when gpsim did not show them all)."""
    value = 0
    for i in reversed(range(size)):
        if address + i not in regs:
            return None
        value = (value << 8) | regs[address + i]
    return value
