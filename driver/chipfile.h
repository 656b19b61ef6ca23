// The chip-description file "ormc-lite.ini" and the record of one chip.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct hash_table;
struct vector;

enum : int32_t { ARCH_PIC12 = 1, ARCH_PIC14 = 2, ARCH_PIC16 = 3 };
constexpr int32_t FLASHTYPE_NONE = 240;

// Number keys and range keys as the hooks see them.
enum : int { KEY_ROMSIZE, KEY_BANKS, KEY_EEPROMSIZE, KEY_DATABANK, KEY_SPAREBIT, KEY_INTSAVE, KEY_OSCCAL };
enum : int { KEY_RAMBANK, KEY_COMMON, KEY_ICD1RAM, KEY_ICD1ROM, KEY_ICD2RAM, KEY_ICD2ROM };

struct chip_range {
    uint32_t low = 0, high = 0;
};

struct chip_record {
    char* name = nullptr;
    int32_t arch = 0;
    hash_table* global_keys = nullptr;    // key name -> vector of value texts
    hash_table* section_keys = nullptr;
    const char* procid = nullptr;
    int32_t flashtype = FLASHTYPE_NONE;
    uint8_t banks = 0;
    uint8_t rambank_count = 0;
    uint32_t romsize = 0;
    uint32_t codeoffset = 0;
    uint32_t eepromsize = 0;
    uint32_t databank = 0;
    uint8_t sparebit = 0;
    uint32_t intsave = 0;
    uint32_t osccal = 0;
    int32_t interrupt_strategy = 0;
    chip_range rambank[4];
    chip_range common;
    chip_range icd[16];          // 4 each of ICD1RAM, ICD1ROM, ICD2RAM, ICD2ROM
    uint8_t icd_count[4] = {0, 0, 0, 0};
    bool has_common = false;
};

using chip_number_hook = void (*)(chip_record* chip, int key, uint32_t value);
using chip_range_hook = void (*)(chip_record* chip, int key, uint32_t low, uint32_t high);
void chip_set_hooks(chip_number_hook number_hook, chip_range_hook range_hook);

// Loads the chip whose section name equals `chip` or, failing that, ends with it in exactly
// one section; fatal 922 when there is none.
chip_record* chip_open(const char* path, const char* chip);
// Builds every section's record in file order; stops when the function answers non-zero.
void chip_walk(const char* path, void* context, int (*function)(void* context, chip_record* chip));
vector* ini_values(const chip_record* chip, const char* key);
const char* ini_value(const chip_record* chip, const char* key);
void chip_free(chip_record* chip);
const char* arch_name(int32_t code);
uint32_t chip_name_hash(const void* key);
// One hexadecimal number as "%lx" reads it (optional 0x); advances the cursor.
bool chip_read_number(const char*& p, uint32_t& out);

// The --chipinfo listing.
void print_chip_list(const char* path);
