// Memory classes of the chip.
#include "driver/memory.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include "common/osdep.h"

#include "common/alert.h"
#include "common/lists/lists.h"
#include "driver/chipfile.h"
#include "driver/state.h"

namespace {

const char* const bank_names[] = {"BANK0", "BANK1", "BANK2", "BANK3"};

// Bank class of a RAM address by the architecture's bank size; -1 beyond bank 3.
int bank_of(int32_t arch, uint32_t high) {
    uint32_t size = arch == ARCH_PIC14 ? 128 : arch == ARCH_PIC12 ? 32 : 256;
    uint32_t bank = high / size;
    return bank < 4 ? int(bank) : -1;
}

uint32_t bank_size(int32_t arch) { return arch == ARCH_PIC14 ? 128 : arch == ARCH_PIC12 ? 32 : 256; }

mem_class* constants_class() {
    const char* name = drv.chip && drv.chip->arch == ARCH_PIC12 ? "ENTRY" : "CONST";
    for (mem_class* c = drv.code_space->classes; c; c = c->next)
        if (strcmp(c->name, name) == 0) return c;
    return nullptr;
}

void number_hook(chip_record* chip, int key, uint32_t value) {
    if (chip->arch != ARCH_PIC14 || value == 0) return;
    if (key == KEY_ROMSIZE) {
        class_add_range(class_get(drv.code_space, "CODE", 3, nullptr, 0), 0, 0, value - 1, 0x800);
        for (const char* name : {"CONST", "ENTRY", "STRING"})
            class_add_range(class_get(drv.code_space, name, 3, nullptr, 0), 0, 0, value - 1, 0x100);
    } else if (key == KEY_EEPROMSIZE) {
        mem_space* eedata = space_find(drv.spaces, "eedata");
        class_add_range(class_get(eedata, "EEDATA", 2, "02100h", 0), 0, 0, value - 1, 0);
    }
}

void range_hook(chip_record* chip, int key, uint32_t low, uint32_t high) {
    if (key == KEY_RAMBANK) {
        int bank = bank_of(chip->arch, high);
        if (bank < 0) {
            alert_message(1055, (unsigned long)high);
            return;
        }
        class_add_range(class_get(drv.data_space, bank_names[bank], 2, nullptr, 0), 0, low, high, 0);
    } else if (key == KEY_COMMON) {
        class_add_range(class_get(drv.data_space, "COMBANK", 2, nullptr, 0), 0, low, high, 0);
    }
    // The debugger ranges stay in the chip record until add_ram_classes.
}

void reserve_ram(uint32_t low, uint32_t high, bool common_too) {
    for (const char* name : bank_names) class_add_range(class_get(drv.data_space, name, 2, nullptr, 0), 1, low, high, 0);
    if (common_too) class_add_range(class_get(drv.data_space, "COMBANK", 2, nullptr, 0), 1, low, high, 0);
}

void rom_add(void*, uint32_t low, uint32_t high) {
    int32_t arch = drv.chip ? drv.chip->arch : 0;
    class_add_range(class_get(drv.code_space, "CODE", 3, nullptr, 0), 0, low, high, 0);
    if (arch == ARCH_PIC12) {
        class_add_range(class_get(drv.code_space, "ENTRY", 3, nullptr, 256), 0, low, high, 0x200);
    } else {
        class_add_range(class_get(drv.code_space, "CONST", 3, nullptr, 0), 0, low, high, 0x100);
        if (arch == ARCH_PIC14)
            for (const char* name : {"ENTRY", "STRING"})
                class_add_range(class_get(drv.code_space, name, 3, nullptr, 0), 0, low, high, 0x100);
    }
}

void rom_reserve(void*, uint32_t low, uint32_t high) { add_code_classes(low, high); }

void ram_add(void*, uint32_t low, uint32_t high) {
    int32_t arch = drv.chip ? drv.chip->arch : 0;
    if (high - low > bank_size(arch) - 1) alert_message(1053);
    int bank = bank_of(arch, high);
    if (bank < 0) alert_message(1054);
    class_add_range(class_get(drv.data_space, bank_names[bank], 2, nullptr, 0), 0, low, high, 0);
}

void ram_reserve(void*, uint32_t low, uint32_t high) { reserve_ram(low, high, false); }

}  // namespace

void memory_init_spaces() {
    drv.code_space = space_add(&drv.spaces, "code", "Program space", 3);
    drv.data_space = space_add(&drv.spaces, "data", "Data space", 2);
    space_add(&drv.spaces, "eedata", "EEPROM space", 2);
}

void memory_install_hooks() { chip_set_hooks(number_hook, range_hook); }

void add_code_classes(uint32_t low, uint32_t high) {
    class_add_range(class_get(drv.code_space, "CODE", 3, nullptr, 0), 1, low, high, 0);
    if (mem_class* c = constants_class()) class_add_range(c, 1, low, high, 0);
}

void add_ram_classes() {
    chip_record* chip = drv.chip;
    if (!chip) return;
    if (drv.legacy_bank_count != 0) chip->banks = uint8_t(drv.legacy_bank_count);
    if (drv.debugger == 1 || drv.debugger == 2) {
        int ram = drv.debugger == 1 ? 0 : 2;   // ICD1RAM or ICD2RAM; the ROM kind follows it
        for (int i = 0; i < chip->icd_count[ram]; ++i)
            reserve_ram(chip->icd[ram * 4 + i].low, chip->icd[ram * 4 + i].high, chip->has_common);
        for (int i = 0; i < chip->icd_count[ram + 1]; ++i)
            add_code_classes(chip->icd[(ram + 1) * 4 + i].low, chip->icd[(ram + 1) * 4 + i].high);
    }
    if (chip->arch == ARCH_PIC16) {
        mem_class* code = class_get(drv.code_space, "CODE", 3, nullptr, 0);
        for (uint32_t n = 0; n < 15; ++n) class_add_range(code, 1, 0x1FFE + n * 0x1000, 0x1FFF + n * 0x1000, 0);
    } else if (chip->arch == ARCH_PIC14) {
        mem_space* idloc = space_add(&drv.spaces, "idloc", "ID Location space", 2);
        class_add_range(class_get(idloc, "IDLOC", 2, nullptr, 0), 0, 0x2000, 0x2003, 0);
        mem_space* config = space_add(&drv.spaces, "config", "Configuration bits", 3);
        bool two_words = false;
        for (const char* name : {"16F737", "16F747", "16F767", "16F777", "16F87", "16F88"})
            if (str_casecmp(chip->name, name) == 0) two_words = true;
        class_add_range(class_get(config, "CONFIG", 3, nullptr, 0), 0, 0x2007, two_words ? 0x2008 : 0x2007, 0);
    }
}

void memory_option(bool rom, const char* text, const char* name) {
    mem_space* own = rom ? drv.code_space : drv.data_space;
    const char* p = text;
    if (str_ncasecmp(p, "default", 7) == 0) {
        p += 7;
        if (*p == '\0') return;
        if (*p != ',') alert_message(906, name);
        ++p;
    } else {
        space_clear_ranges(own);
    }
    if (str_casecmp(p, "none") == 0) {
        space_clear_ranges(own);
        return;
    }
    if (strchr(p, '-')) {
        if (!parse_range_list(p, nullptr, rom ? rom_add : ram_add, rom ? rom_reserve : ram_reserve))
            alert_message(906, name);
        return;
    }
    bool plus = *p == '+';
    if (plus) ++p;
    mem_space* other = space_find(drv.spaces, p);
    if (!other) alert_message(907, p, name);
    if (other == own) alert_message(906, name);
    mem_class* first = other->classes;
    if (plus) {
        if (!first) return;
        for (mem_class* c = own->classes; c; c = c->next) {
            for (addr_range* r = first->available; r; r = r->next) class_add_range(c, 0, r->low, r->high, 0);
            for (addr_range* r = first->reserved; r; r = r->next) class_add_range(c, 1, r->low, r->high, 0);
        }
        return;
    }
    // The option's classes take the other space's ranges and move into that space,
    // which becomes the program or data space of the run.
    for (mem_class* c = own->classes; c; c = c->next) {
        class_clear_ranges(c);
        if (first) {
            for (addr_range* r = first->available; r; r = r->next) class_add_range(c, 0, r->low, r->high, 0);
            for (addr_range* r = first->reserved; r; r = r->next) class_add_range(c, 1, r->low, r->high, 0);
        }
    }
    mem_class** tail = &other->classes;
    while (*tail) tail = &(*tail)->next;
    *tail = own->classes;
    own->classes = nullptr;
    if (rom) drv.code_space = other;
    else drv.data_space = other;
}

void memory_option_reserve_ram(uint32_t low, uint32_t high) { reserve_ram(low, high, false); }

void reserve_serial(const char* text) {
    size_t digits = 0;
    while (isxdigit((unsigned char)text[digits])) ++digits;
    uint32_t n = uint32_t(digits / 2);
    const char* at = strchr(text, '@');
    if (!at || n == 0) return;
    const char* p = at + 1;
    char* end;
    unsigned long address = (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) ? strtoul(p + 2, &end, 16) : strtoul(p, &end, 10);
    if (end == p) return;
    add_code_classes(uint32_t(address), uint32_t(address + n - 1));
}
