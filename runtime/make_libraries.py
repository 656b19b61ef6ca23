#!/usr/bin/env python3
"""Builds every run-time library that the driver can name for the chips of the
chip-description file: the C library of each chip for both double sizes and the chip
support library, each from the assembler sources of this directory and the arithmetic
modules that routines.py writes."""
import argparse
import math
import pathlib
import subprocess
import sys

import eeprom
import floats
import routines
import saves


def read_chips(path):
    """Sections of the chip-description file as {name: {KEY: [values]}} (keys upper case)."""
    chips, current = {}, None
    for raw in pathlib.Path(path).read_text(encoding="latin-1").splitlines():
        line = raw.strip()
        if not line or line.startswith("#"):
            continue
        if line.startswith("["):
            current = chips.setdefault(line[1:].split("]")[0], {})
            continue
        if current is None or "=" not in line:
            continue
        key, value = line.split("=", 1)
        current.setdefault(key.strip().upper(), []).append(value.strip())
    return chips


def number(chip, key):
    values = chip.get(key)
    return int(values[0], 16) if values and values[0] else 0


def ranges(chip, key):
    out = []
    for value in chip.get(key, []):
        parts = value.replace("-", ",").split(",")
        out += [(int(parts[i], 16), int(parts[i + 1], 16)) for i in range(0, len(parts) - 1, 2)]
    return out


def floor_log2(x):
    return 0 if x <= 1 else int(math.floor(math.log2(x)))


def library_names(chip):
    """File names of the libraries the driver links for this chip (PIC14 only)."""
    if chip.get("ARCH", [""])[0].upper() != "PIC14":
        return []
    rom, banks = number(chip, "ROMSIZE"), number(chip, "BANKS")
    memory = str(floor_log2((rom + 2047) // 2048))
    common, rambanks = ranges(chip, "COMMON"), ranges(chip, "RAMBANK")
    if common:
        one = banks == 1 and rambanks and common[0] == rambanks[0]
        bank = "a" if one else chr(ord("a") + floor_log2(banks))
    else:
        bank = str(floor_log2(banks))
    names = ["orl4%s%s%sc.lib" % (memory, bank, double) for double in "-d"]
    flash_types = ["READ", "READWRITE", "READWRITE_A", "READWRITE_B"]
    flash = chip.get("FLASHTYPE", [""])[0]
    eeprom = number(chip, "EEPROMSIZE")
    if eeprom or flash in flash_types:
        databank = number(chip, "DATABANK") + (4 if eeprom else 0)
        kind = str(flash_types.index(flash)) if flash in flash_types else "-"
        names.append("orl%x%s--u.lib" % (databank, kind))
    return names


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--chips", required=True)
    p.add_argument("--sources", required=True)
    p.add_argument("--ormasm", required=True)
    p.add_argument("--ormarch", required=True)
    p.add_argument("--work", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("--runner", help="a program that runs the two (wine for Windows builds)")
    p.add_argument("--names", action="store_true", help="only print the library names")
    a = p.parse_args()
    names = sorted({n for chip in read_chips(a.chips).values() for n in library_names(chip)})
    if a.names:
        print("\n".join(names))
        return 0
    work, out = pathlib.Path(a.work), pathlib.Path(a.out)
    work.mkdir(parents=True, exist_ok=True)
    out.mkdir(parents=True, exist_ok=True)
    runner = [a.runner] if a.runner else []

    def run(args):
        if subprocess.run(runner + args).returncode == 0:
            return
        if not runner:
            sys.exit("failed: %s" % " ".join(args))
        # Under wine a program now and then fails to start and exits 1 without a word; one
        # more try tells that apart from a real failure, which fails again the same way.
        print("retrying under %s: %s" % (a.runner, " ".join(args)), flush=True)
        subprocess.run(runner + args, check=True)

    objects = []
    sources = (sorted(pathlib.Path(a.sources).glob("*.as"))
               + routines.write(work / "generated", {**routines.modules(), **floats.modules()})
               + saves.write(work / "generated"))
    for source in sources:
        obj = work / (source.stem + ".obj")
        run([a.ormasm, "-o" + str(obj), str(source)])
        objects.append(str(obj))
    # A chip support library of a chip with data EEPROM ("orl<DATABANK + 4>...--u.lib") also
    # holds the EEPROM routines for the registers of its DATABANK.
    for name in names:
        extra = []
        if name.endswith("--u.lib") and int(name[3], 16) >= 4:
            for source in eeprom.write(work / "generated", int(name[3], 16) - 4):
                obj = work / (source.stem + ".obj")
                run([a.ormasm, "-o" + str(obj), str(source)])
                extra.append(str(obj))
        run([a.ormarch, "r", str(out / name)] + objects + extra)
    return 0


if __name__ == "__main__":
    sys.exit(main())
