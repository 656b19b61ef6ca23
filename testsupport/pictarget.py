"""Building programs for a chip with ormcl and running them in gpsim: shared by the run-time
library's tests and the execution harness."""
import re

# gpsim knows the 16F84A by its older name
GPSIM_CHIP = {"16C84": "p16c84", "16F84": "p16f84", "16F84A": "p16f84", "16F627": "p16f627",
              "16F627A": "p16f627a", "12F629": "p12f629", "12F675": "p12f675", "16F684": "p16f684",
              "16F877": "p16f877", "16F877A": "p16f877a", "16F690": "p16f690"}


def read_symbols(text):
    """Symbol file text: {name: value}."""
    result = {}
    for line in text.splitlines():
        w = line.split()
        if len(w) >= 2 and re.fullmatch(r"[0-9A-Fa-f]+", w[1]):
            result[w[0]] = int(w[1], 16)
    return result


# Chips whose start-up code calls the oscillator calibration retlw that a real part carries in
# its last program word (gpsim starts from blank memory): {chip: word address}.
CALIBRATED = {"12F675": 0x3FF, "12F629": 0x3FF}


# Every chip's configuration word with the watchdog switched off and all else blank: WDTE is
# bit 3 on the chips with a three-bit oscillator field at bits 2:0, bit 2 on the others.
NO_WATCHDOG = {"16C84": 0x3FFB, "16F84": 0x3FFB, "16F84A": 0x3FFB, "16F627": 0x3FFB, "16F627A": 0x3FFB,
               "12F629": 0x3FF7, "12F675": 0x3FF7, "16F684": 0x3FF7, "16F877": 0x3FFB, "16F877A": 0x3FFB,
               "16F690": 0x3FF7}
# Chips whose watchdog gpsim runs out within a few hundred cycles while it is enabled, as it
# is in a blank configuration word: every build for them carries NO_WATCHDOG's word. A run
# of millions of cycles needs it on every chip (WATCHDOG_OFF.setdefault(chip, NO_WATCHDOG[chip])).
WATCHDOG_OFF = {chip: NO_WATCHDOG[chip] for chip in ("16F684", "16F690")}
CONFIG_WORD = 0x2007


def word_hex(address, value):
    """Intel HEX holding the 14-bit `value` at the program word `address`."""
    record = [2, (address * 2) >> 8 & 0xFF, (address * 2) & 0xFF, 0, value & 0xFF, value >> 8]
    return ":" + "".join("%02X" % b for b in record) + "%02X\n:00000001FF\n" % (-sum(record) & 0xFF)


def calibration_hex(address, value=0x48):
    """Intel HEX holding "retlw value" at the program word `address`."""
    return word_hex(address, 0x3400 | value)


def build(work, chip, sources, *options):
    """Runs ormcl in the Workdir `work` into prog.hex (with the calibration word merged in for
    the chips that need one); returns (completed process, symbols or None)."""
    sources = list(sources)
    if chip in CALIBRATED:
        work.write("osccal.hex", calibration_hex(CALIBRATED[chip]))
        sources.append("osccal.hex")
    if chip in WATCHDOG_OFF:
        work.write("config.hex", word_hex(CONFIG_WORD, WATCHDOG_OFF[chip]))
        sources.append("config.hex")
    r = work.tool("ormcl", "-Q", "--chip=" + chip, "--output=intel", "--summary=none", "-Oprog.hex",
                  *options, *sources)
    if r.returncode != 0 or not work.exists("prog.hex") or not work.exists("prog.sym"):
        return r, None
    return r, read_symbols(work.read("prog.sym"))


def run_until(work, chip, hexname, stop, registers, cycles=2000000):
    """Runs the image in gpsim until `stop` (a gpsim break: "e <address>" when that program
    address is reached, "w <register>, reg(<register>) == <value>" when the register is written
    that value; None for none) or until `cycles` pass;
    returns ({register address: value}, whether `stop` ended the run, gpsim's output)."""
    commands = ("break %s\n" % stop if stop else "") + "break c %d\nrun\n" % cycles
    commands += "".join("reg(0x%x)\n" % r for r in registers) + "quit\n"
    r = work.run(["gpsim", "-i", "-p", GPSIM_CHIP[chip], hexname], stdin=commands, timeout=600)
    # gpsim names a register by its address within the bank: take the values in command order.
    values = re.findall(r"\] = \$([0-9a-fA-F]+)", r.stdout)
    found = {a: int(v, 16) for a, v in zip(registers, values)} if len(values) == len(registers) else {}
    reached = "Hit a Breakpoint" in r.stdout and "cycle break" not in r.stdout
    return found, reached, r.stdout


def little_endian(regs, address, size):
    """The value of `size` bytes at `address` (None when gpsim did not show them all)."""
    value = 0
    for i in reversed(range(size)):
        if address + i not in regs:
            return None
        value = (value << 8) | regs[address + i]
    return value


# The option sets a program is built with to compare the optimiser against the plain path.
BOTH_WAYS = {"none": ["--opt=none"], "default": []}


def build_both_ways(work, chip, source, expected, check):
    """Builds `source` in the Workdir `work` with --opt=none and with the default options, runs
    each image until the global `_done` is written 1 and compares the results with `expected`:
    {global, or global "+" byte offset ("_w+1"): byte value}. `check(condition, text)` records
    each finding. Returns the assembly of each option set that compiled (-S): {"none": text,
    "default": text}."""
    texts = {}
    stem = source.rsplit(".", 1)[0]
    for name, options in BOTH_WAYS.items():
        what = source + " " + (" ".join(options) or "(default options)")
        r = work.tool("ormcl", "-Q", "--chip=" + chip, "-S", *options, source)
        if check(r.returncode == 0 and work.exists(stem + ".as"), what + " compiles: " + r.stdout + r.stderr):
            texts[name] = work.read(stem + ".as")
        r, sym = build(work, chip, [source], *options)
        places = {n: (n.split("+")[0], int(n.split("+")[1]) if "+" in n else 0) for n in expected}
        if not check(sym is not None and "_done" in sym and all(g in sym for g, _ in places.values()),
                     what + " builds: " + r.stdout + r.stderr):
            continue
        addresses = {n: sym[g] + offset for n, (g, offset) in places.items()}
        regs, reached, out = run_until(work, chip, "prog.hex", "w 0x%x, reg(0x%x) == 1" % ((sym["_done"],) * 2),
                                       list(addresses.values()))
        if check(reached, what + " runs to its end: " + out[-600:]):
            got = {n: regs.get(a) for n, a in addresses.items()}
            check(got == expected, what + " leaves %s" % got)
    return texts
