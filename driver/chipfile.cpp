// Reader of the chip-description file.
#include "driver/chipfile.h"

#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "common/osdep.h"

#include "common/alert.h"
#include "common/alloc.h"
#include "common/hash.h"
#include "common/vector.h"

namespace {

chip_number_hook number_hook = nullptr;
chip_range_hook range_hook = nullptr;

const char* const number_keys[] = {"ROMSIZE", "BANKS", "EEPROMSIZE", "DATABANK", "SPAREBIT", "INTSAVE", "OSCCAL"};
const char* const range_keys[] = {"RAMBANK", "COMMON", "ICD1RAM", "ICD1ROM", "ICD2RAM", "ICD2ROM"};
const char* const text_keys[] = {"ARCH",    "PROCID",   "FLASHTYPE",    "MAKE",     "SFRFILE",    "MODULE",
                                 "JARS",    "MANUFACTURER", "COMPILER", "DEBUGGER", "DEFAULTMEM", "DEFAULTREG",
                                 "ARCHCLASS", "PROGMEM"};
const char* const flash_types[] = {"READ", "READWRITE", "READWRITE_A", "READWRITE_B"};

// Where the reader is: for messages with the file and line.
struct reader {
    FILE* file = nullptr;
    const char* path = nullptr;
    int line = 0;
    bool arch_seen = false;   // in the part being read (global part or section)
};

int key_index(const char* key, const char* const* table, int n) {
    for (int i = 0; i < n; ++i)
        if (str_casecmp(key, table[i]) == 0) return i;
    return -1;
}

int text_compare_nocase(const void* a, const void* b) {
    return str_casecmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

hash_table* new_key_table() { return hash_create(13, chip_name_hash, text_compare_nocase); }

int free_key(void*, const void* key, void* data) {
    vector* values = static_cast<vector*>(data);
    for (uint32_t i = 0; i < vec_size(values); ++i) xfree(vec_get(values, i));
    vec_free(values);
    xfree(const_cast<void*>(key));
    return 0;
}

void clear_key_table(hash_table* table) {
    if (!table) return;
    hash_walk(table, nullptr, free_key);
    hash_clear(table);
}

[[noreturn]] void chip_error(const chip_record* chip, const reader& r, const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = vformat_string(format, args);
    va_end(args);
    if (chip->name) text = str_concat_free(text, (std::string(" for chip ") + chip->name).c_str());
    alert_message(919, text, r.path, r.line);
    exit_hook(1);
    exit(1);
}

[[noreturn]] void fatal_stop() {
    // Fatal records end the program inside alert_message; this covers a message file
    // that makes them milder.
    exit_hook(1);
    exit(1);
}

void clear_chip_fields(chip_record* chip) {
    char* name = chip->name;
    hash_table* global = chip->global_keys;
    hash_table* section = chip->section_keys;
    uint32_t codeoffset = chip->codeoffset;
    *chip = chip_record{};
    chip->name = name;
    chip->global_keys = global;
    chip->section_keys = section;
    chip->codeoffset = codeoffset;
}

bool read_line(reader& r, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = fgetc(r.file)) != EOF) {
        any = true;
        if (c == '\n') break;
        line += char(c);
    }
    if (!any) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++r.line;
    return true;
}

void add_range(chip_record* chip, const reader& r, int key, uint32_t low, uint32_t high) {
    switch (key) {
    case KEY_RAMBANK:
        if (chip->rambank_count >= 4) chip_error(chip, r, "Too many RAM banks defined");
        chip->rambank[chip->rambank_count++] = {low, high};
        break;
    case KEY_COMMON:
        if (chip->has_common) chip_error(chip, r, "Too many COMMON RAM ranges defined");
        chip->common = {low, high};
        chip->has_common = true;
        break;
    default: {
        static const char* const too_many[] = {
            "Too many RAM ranges specified for icd1", "Too many rom ranges specified for icd1",
            "Too many RAM ranges specified for icd2", "Too many rom ranges specified for icd2"};
        int kind = key - KEY_ICD1RAM;
        if (chip->icd_count[kind] >= 4) chip_error(chip, r, "%s", too_many[kind]);
        chip->icd[kind * 4 + chip->icd_count[kind]++] = {low, high};
        break;
    }
    }
}

void apply_arch(chip_record* chip, reader& r, const char* value) {
    if (r.arch_seen) alert_message(816, r.path, r.line);
    r.arch_seen = true;
    if (!value) {
        alert_message(1024, r.path, r.line);
        fatal_stop();
    }
    int32_t code = 0;
    for (int32_t c = ARCH_PIC12; c <= ARCH_PIC16; ++c)
        if (str_casecmp(value, arch_name(c)) == 0) code = c;
    if (code == 0) {
        alert_message(1025, r.path, r.line);
        fatal_stop();
    }
    chip->arch = code;
}

// Applies one key line to the record (no value: only counted).
void apply_key(chip_record* chip, reader& r, const char* key, const char* value) {
    int n = key_index(key, number_keys, 7);
    int g = key_index(key, range_keys, 6);
    int t = key_index(key, text_keys, 14);
    if (n < 0 && g < 0 && t < 0) {
        alert_message(1020, key, r.path, r.line);
        fatal_stop();
    }
    if (t == 0) {
        apply_arch(chip, r, value);
        return;
    }
    if (!value || t > 0) return;
    const char* p = value;
    if (n >= 0) {
        uint32_t v;
        if (!chip_read_number(p, v)) {
            alert_message(1021, number_keys[n], r.path, r.line);
            fatal_stop();
        }
        switch (n) {
        case KEY_ROMSIZE: chip->romsize = v; break;
        case KEY_BANKS: chip->banks = uint8_t(v); break;
        case KEY_EEPROMSIZE: chip->eepromsize = v; break;
        case KEY_DATABANK: chip->databank = v; break;
        case KEY_SPAREBIT: chip->sparebit = uint8_t(v); break;
        case KEY_INTSAVE: chip->intsave = v; break;
        case KEY_OSCCAL: chip->osccal = v; break;
        }
        if (number_hook) number_hook(chip, n, v);
        return;
    }
    for (;;) {
        uint32_t low, high;
        if (!chip_read_number(p, low) || (*p != '-' && *p != ',')) break;
        ++p;
        if (!chip_read_number(p, high) || high < low) break;
        add_range(chip, r, g, low, high);
        if (range_hook) range_hook(chip, g, low, high);
        if (*p == '\0') return;
        if (*p != ',') break;
        ++p;
    }
    alert_message(1022, range_keys[g], r.path, r.line);
    fatal_stop();
}

void store_key(hash_table* table, const char* key, const char* value) {
    vector* values = static_cast<vector*>(hash_lookup(table, key));
    if (!values) {
        values = vec_create();
        hash_insert(table, xstrdup(key), values);
    }
    if (value) vec_push(values, xstrdup(value));
}

// Splits a key line into key and value; false for a comment or empty line.
bool split_key_line(const std::string& text, bool in_section, std::string& key, std::string& value, bool& has_value) {
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos || text[i] == '#') return false;
    const char* key_stops = in_section ? "= \t\n" : "=: \t";
    size_t k = text.find_first_of(key_stops, i);
    key = text.substr(i, k == std::string::npos ? std::string::npos : k - i);
    has_value = false;
    if (k == std::string::npos) return true;
    size_t v = text.find_first_not_of(":= \t\n", k);
    if (v == std::string::npos) return true;
    size_t e = text.find_first_of(":= \t\n", v);
    value = text.substr(v, e == std::string::npos ? std::string::npos : e - v);
    has_value = true;
    return true;
}

// One key line, kept in file order so that a walk can apply the keys again.
struct key_line {
    std::string key, value;
    bool has_value;
};

void apply_lines(chip_record* chip, reader& r, const std::vector<key_line>& lines) {
    r.arch_seen = false;
    for (const key_line& l : lines) apply_key(chip, r, l.key.c_str(), l.has_value ? l.value.c_str() : nullptr);
}

void check_count(const chip_record* chip, const reader& r, const char* key, bool required, bool exactly_one) {
    const vector* values = ini_values(chip, key);
    if (!values) {
        if (required) {
            alert_message(1015, key, r.path, r.line);
            fatal_stop();
        }
        return;
    }
    uint32_t found = vec_size(values);
    if (found == 1 || (!exactly_one && found > 1)) return;
    if (found == 0) alert_message(1016, "", key, r.path, r.line);
    else if (found == 2) alert_message(1019, key, r.path, r.line);
    else alert_message(1018, key, found == 1 ? "" : "s", found, 1u, r.path, r.line);
    fatal_stop();
}

void chip_fill(chip_record* chip, const reader& r) {
    chip->procid = ini_value(chip, "PROCID");
    const char* flash = ini_value(chip, "FLASHTYPE");
    chip->flashtype = FLASHTYPE_NONE;
    if (flash && *flash) {
        int code = -1;
        for (int i = 0; i < 4; ++i)
            if (strcmp(flash, flash_types[i]) == 0) code = i;
        if (code < 0) chip_error(chip, r, "Unknown FLASHTYPE");
        chip->flashtype = code;
    }

    // The interrupt strategy follows from how the banks and the common RAM lie.
    const chip_range& bank0 = chip->rambank[0];
    bool uniform = chip->banks <= chip->rambank_count;
    for (int i = 0; i < chip->rambank_count; ++i) {
        const chip_range& b = chip->rambank[i];
        if (b.low % 128 > bank0.low || b.high % 128 < bank0.low) uniform = false;
    }
    if (chip->rambank_count > 0 && chip->banks > chip->rambank[chip->rambank_count - 1].low / 128 + 1) uniform = false;
    int32_t strategy = -1;
    if (chip->has_common && chip->banks && chip->common.low <= bank0.low && bank0.low < chip->common.high)
        strategy = 1;
    else if (chip->has_common && chip->banks && chip->common.high == bank0.high)
        strategy = 2;
    else if (chip->sparebit)
        strategy = 4;
    else if (uniform || chip->intsave)
        strategy = 3;
    else if (chip->romsize <= 0x800)
        strategy = 5;
    if (chip->arch == ARCH_PIC12) strategy = 0;
    else if (chip->arch == ARCH_PIC16) strategy = 2;
    if (strategy == 3 && chip->banks == 2 && chip->rambank_count > 2) strategy = 6;
    if (strategy < 0) chip_error(chip, r, "Unable to determine interrupt strategy");
    chip->interrupt_strategy = strategy;

    check_count(chip, r, "ROMSIZE", true, true);
    check_count(chip, r, "BANKS", true, true);
    check_count(chip, r, "RAMBANK", true, false);
    for (const char* key : {"COMMON", "EEPROMSIZE", "DATABANK", "SPAREBIT", "INTSAVE", "OSCCAL"})
        check_count(chip, r, key, false, true);
}

// Section name of a header line; empty for "[]".
std::string section_name(const std::string& text) {
    size_t i = text.find_first_not_of("[]", text.find('['));
    if (i == std::string::npos) return std::string();
    size_t e = text.find_first_of("[]", i);
    return text.substr(i, e == std::string::npos ? std::string::npos : e - i);
}

bool is_header(const std::string& text, std::string& name, const reader& r) {
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos || text[i] != '[') return false;
    name = section_name(text);
    if (name.empty()) {
        alert_message(1024, r.path, r.line);
        fatal_stop();
    }
    return true;
}

bool ends_with_nocase(const std::string& text, const char* tail) {
    size_t n = strlen(tail);
    return text.size() > n && str_casecmp(text.c_str() + text.size() - n, tail) == 0;
}

struct loader {
    reader r;
    chip_record* chip;
    std::vector<key_line> global_lines;
    std::string pending_header;   // a header read while loading the section before it
    bool have_pending = false;
};

void open_reader(loader& l, const char* path) {
    l.r.path = path;
    l.r.file = fopen(path, "r");
    if (!l.r.file) {
        alert_message(141, "chip info", path);
        fatal_stop();
    }
    int c = fgetc(l.r.file);
    if (c == EOF) {
        alert_message(920);
        fatal_stop();
    }
    ungetc(c, l.r.file);
    l.r.line = 0;
    l.chip = new chip_record();
    l.chip->global_keys = new_key_table();
    l.chip->section_keys = new_key_table();
}

// Reads the global part up to the first header (left in pending_header).
void read_global_part(loader& l) {
    std::string text, key, value, name;
    l.r.arch_seen = false;
    while (read_line(l.r, text)) {
        if (is_header(text, name, l.r)) {
            l.pending_header = name;
            l.have_pending = true;
            return;
        }
        bool has_value;
        value.clear();
        if (!split_key_line(text, false, key, value, has_value)) continue;
        apply_key(l.chip, l.r, key.c_str(), has_value ? value.c_str() : nullptr);
        store_key(l.chip->global_keys, key.c_str(), has_value ? value.c_str() : nullptr);
        l.global_lines.push_back({key, value, has_value});
    }
}

// Loads the section whose header was just read; leaves the next header in pending_header.
std::vector<key_line> load_section(loader& l, const std::string& name) {
    xfree(l.chip->name);
    l.chip->name = nullptr;
    clear_chip_fields(l.chip);
    clear_key_table(l.chip->section_keys);
    // Global keys hold for the chip unless its section gives them again.
    apply_lines(l.chip, l.r, l.global_lines);
    bool global_arch = l.r.arch_seen;
    l.chip->name = xstrdup(name.c_str());
    l.r.arch_seen = false;
    std::vector<key_line> lines;
    std::string text, key, value, next;
    l.have_pending = false;
    while (read_line(l.r, text)) {
        if (is_header(text, next, l.r)) {
            l.pending_header = next;
            l.have_pending = true;
            break;
        }
        bool has_value;
        value.clear();
        if (!split_key_line(text, true, key, value, has_value)) continue;
        apply_key(l.chip, l.r, key.c_str(), has_value ? value.c_str() : nullptr);
        store_key(l.chip->section_keys, key.c_str(), has_value ? value.c_str() : nullptr);
        lines.push_back({key, value, has_value});
    }
    if (!global_arch && !l.r.arch_seen) {
        alert_message(1026, l.r.path, l.r.line);
        fatal_stop();
    }
    chip_fill(l.chip, l.r);
    return lines;
}

// Skips the lines of a section that is not wanted, up to the next header.
void skip_section(loader& l) {
    std::string text, name;
    l.have_pending = false;
    while (read_line(l.r, text)) {
        if (is_header(text, name, l.r)) {
            l.pending_header = name;
            l.have_pending = true;
            return;
        }
    }
}

}  // namespace

// Reads one hexadecimal number as "%lx" does.
bool chip_read_number(const char*& p, uint32_t& out) {
    while (*p == ' ' || *p == '\t') ++p;
    const char* start = p;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && isxdigit((unsigned char)p[2])) p += 2;
    if (!isxdigit((unsigned char)*p)) {
        p = start;
        return false;
    }
    uint64_t v = 0;
    while (isxdigit((unsigned char)*p)) {
        v = v * 16 + (isdigit((unsigned char)*p) ? *p - '0' : tolower((unsigned char)*p) - 'a' + 10);
        if (v > UINT32_MAX) return false;
        ++p;
    }
    out = uint32_t(v);
    return true;
}

uint32_t chip_name_hash(const void* key) {
    uint32_t h = 0;
    for (const char* p = static_cast<const char*>(key); *p; ++p) h = h * 16 + uint32_t(tolower((unsigned char)*p));
    return h;
}

void chip_set_hooks(chip_number_hook n, chip_range_hook r) {
    number_hook = n;
    range_hook = r;
}

chip_record* chip_open(const char* path, const char* wanted) {
    loader l;
    open_reader(l, path);
    read_global_part(l);
    long remembered_pos = -1;
    int remembered_line = 0;
    std::string remembered_name;
    bool ambiguous = false;
    while (l.have_pending && !ambiguous) {
        std::string name = l.pending_header;
        if (str_casecmp(name.c_str(), wanted) == 0) {
            load_section(l, name);
            fclose(l.r.file);
            return l.chip;
        }
        if (ends_with_nocase(name, wanted)) {
            if (remembered_pos >= 0) {
                ambiguous = true;
                break;
            }
            remembered_pos = ftell(l.r.file);
            remembered_line = l.r.line;
            remembered_name = name;
        }
        skip_section(l);
    }
    if (!ambiguous && remembered_pos >= 0) {
        fseek(l.r.file, remembered_pos, SEEK_SET);
        l.r.line = remembered_line;
        load_section(l, remembered_name);
        fclose(l.r.file);
        return l.chip;
    }
    fclose(l.r.file);
    chip_free(l.chip);
    alert_message(922, wanted, path);
    fatal_stop();
}

void chip_walk(const char* path, void* context, int (*function)(void* context, chip_record* chip)) {
    loader l;
    open_reader(l, path);
    // The listing needs no memory classes.
    chip_number_hook saved_number = number_hook;
    chip_range_hook saved_range = range_hook;
    number_hook = nullptr;
    range_hook = nullptr;
    read_global_part(l);
    while (l.have_pending) {
        load_section(l, l.pending_header);
        if (function(context, l.chip)) break;
    }
    number_hook = saved_number;
    range_hook = saved_range;
    fclose(l.r.file);
    chip_free(l.chip);
}

vector* ini_values(const chip_record* chip, const char* key) {
    vector* v = chip->section_keys ? static_cast<vector*>(hash_lookup(chip->section_keys, key)) : nullptr;
    if (!v && chip->global_keys) v = static_cast<vector*>(hash_lookup(chip->global_keys, key));
    return v;
}

const char* ini_value(const chip_record* chip, const char* key) {
    vector* v = ini_values(chip, key);
    return v && vec_size(v) > 0 ? static_cast<const char*>(vec_get(v, 0)) : nullptr;
}

void chip_free(chip_record* chip) {
    if (!chip) return;
    clear_key_table(chip->global_keys);
    clear_key_table(chip->section_keys);
    if (chip->global_keys) hash_free(chip->global_keys);
    if (chip->section_keys) hash_free(chip->section_keys);
    xfree(chip->name);
    delete chip;
}

const char* arch_name(int32_t code) {
    switch (code) {
    case ARCH_PIC12: return "PIC12";
    case ARCH_PIC14: return "PIC14";
    case ARCH_PIC16: return "PIC16";
    default: return nullptr;
    }
}

namespace {
int print_chip_line(void*, chip_record* chip) {
    printf("%s:%lX:%X\n", chip->name, (unsigned long)chip->romsize, chip->banks);
    return 0;
}
}  // namespace

void print_chip_list(const char* path) {
    printf(";name:romsize:numbanks\n");
    chip_walk(path, nullptr, print_chip_line);
    fflush(stdout);
}
