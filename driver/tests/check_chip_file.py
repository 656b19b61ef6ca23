#!/usr/bin/env python3
"""Compares dat/ormc-lite.ini with gputils' device data: RAM bank ranges, common RAM,
EEPROM sizes, OSCCAL addresses and program-memory sizes must agree with the data sheets."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1])
lkr_dir = pathlib.Path("/usr/share/gputils/lkr")
inc_dir = pathlib.Path("/usr/share/gputils/header")

sections = {}
current = None
for line in (root / "dat" / "ormc-lite.ini").read_text().splitlines():
    line = line.strip()
    if not line or line.startswith("#"):
        continue
    if line.startswith("["):
        current = sections.setdefault(line.strip("[]"), {})
        continue
    key, _, value = line.partition("=")
    current.setdefault(key.strip().upper(), []).append(value.strip())


def ranges(text):
    out = []
    for item in text.split(","):
        lo, hi = item.split("-")
        out.append((int(lo, 16), int(hi, 16)))
    return out


problems = []
for chip, keys in sections.items():
    lkr = (lkr_dir / f"{chip.lower()}_g.lkr").read_text()
    entries = []
    for m in re.finditer(r"^(CODEPAGE|DATABANK|SHAREBANK)\s+NAME=(\S+)\s+START=(\S+)\s+END=(\S+)(.*)$", lkr, re.M):
        entries.append((m.group(1), m.group(2), int(m.group(3), 16), int(m.group(4), 16), "PROTECTED" in m.group(5)))
    gpr = set()
    for kind, name, lo, hi, protected in entries:
        if kind in ("DATABANK", "SHAREBANK") and not protected and not name.startswith("sfr"):
            gpr.update(range(lo, hi + 1))
    for lo, hi in ranges(keys["RAMBANK"][0]):
        bank = lo // 128
        expected = {a for a in gpr if a // 128 == bank}
        if set(range(lo, hi + 1)) != expected:
            problems.append(f"{chip}: RAMBANK {lo:X}-{hi:X} differs from the general-purpose RAM of bank {bank}")
    if "COMMON" in keys:
        lo, hi = ranges(keys["COMMON"][0])[0]
        shared = [(l, h) for kind, name, l, h, p in entries if kind == "SHAREBANK" and not p]
        if (lo, hi) not in shared:
            problems.append(f"{chip}: COMMON {lo:X}-{hi:X} is not a shared RAM range")
    eedata = [(l, h) for kind, name, l, h, p in entries if kind == "CODEPAGE" and name == "eedata"]
    eeprom = int(keys.get("EEPROMSIZE", ["0"])[0], 16)
    if eeprom != (eedata[0][1] - eedata[0][0] + 1 if eedata else 0):
        problems.append(f"{chip}: EEPROMSIZE {eeprom:X} differs from the device's data EEPROM")
    inc = (inc_dir / f"p{chip.lower()}.inc").read_text()
    m = re.search(r"^OSCCAL\s+EQU\s+H'([0-9A-Fa-f]+)'", inc, re.M)
    osccal = int(keys["OSCCAL"][0], 16) if "OSCCAL" in keys else None
    if (int(m.group(1), 16) if m else None) != osccal:
        problems.append(f"{chip}: OSCCAL differs from the device's calibration register")
    rom = int(keys["ROMSIZE"][0], 16)
    pages = [(l, h) for kind, name, l, h, p in entries if kind == "CODEPAGE" and not p]
    program_words = max(h for l, h in pages) + 1
    oscval = [l for kind, name, l, h, p in entries if kind == "CODEPAGE" and name == ".oscval"]
    if rom > program_words:
        problems.append(f"{chip}: ROMSIZE {rom:X} exceeds the device's {program_words:X} words")
    if oscval and rom != oscval[0]:
        problems.append(f"{chip}: ROMSIZE must leave the calibration word at {oscval[0]:X} out")

for p in problems:
    print(p)
print(f"{len(sections)} chips; {len(problems)} problems")
sys.exit(1 if problems or len(sections) != 11 else 0)
