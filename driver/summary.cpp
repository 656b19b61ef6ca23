// Psect usage map, memory usage map and HEX file usage map.
#include "driver/summary.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/lists/lists.h"
#include "driver/chipfile.h"
#include "linkfiles/maptable.h"
#include "driver/names.h"
#include "driver/state.h"

namespace {

const char* const unit_names[] = {"unit", "bit", "byte", "word", "byte"};
const uint32_t unit_divisors[] = {1, 8, 1, 1, 2};

uint32_t divisor(int32_t unit) { return unit >= 0 && unit <= 4 ? unit_divisors[unit] : 1; }

std::string unit_text(int32_t unit, unsigned long count) {
    std::string name = unit >= 0 && unit <= 4 ? unit_names[unit] : "unit";
    return count == 1 ? name : name + "s";
}

// Where report lines go: the message output, or a file.
struct report {
    FILE* file = nullptr;
    void line(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        char* text = vformat_string(format, args);
        va_end(args);
        if (file) fprintf(file, "%s\n", text);
        else alert_print("%s", text);
        xfree(text);
    }
};

void describe(const char* class_name, const char* psect, int32_t unit, const char* description) {
    mem_class* c = class_find(drv.spaces, class_name);
    if (c) class_add_psect(c, psect, unit, description, 0, 0, 0);
}

unsigned digits(unsigned long v, int base) {
    unsigned n = 1;
    while (v >= unsigned(base)) {
        v /= unsigned(base);
        ++n;
    }
    return n;
}

unsigned clamp(unsigned v, unsigned lo, unsigned hi) { return std::max(lo, std::min(hi, v)); }

std::string run(char c, unsigned n) { return std::string(n, c); }

void psect_usage_map(report& out) {
    out.line("\nPsect Usage Map:\n");
    unsigned name_w = 0, contents_w = 0, size_w = 0;
    unsigned long largest_end = 0;
    for (mem_space* s = drv.spaces; s; s = s->next)
        for (mem_class* c = s->classes; c; c = c->next)
            for (psect_entry* e = c->psects; e; e = e->next) {
                if (e->size == 0) continue;
                uint32_t d = divisor(e->number);
                name_w = std::max(name_w, unsigned(strlen(e->name)));
                if (e->description) contents_w = std::max(contents_w, unsigned(strlen(e->description)));
                largest_end = std::max(largest_end, (unsigned long)(e->first + e->size - 1) / d);
                size_w = std::max(size_w, digits(e->size / d, 10));
            }
    name_w = clamp(name_w, 5, 10);
    contents_w = clamp(contents_w, 8, 34);
    unsigned address_w = clamp(digits(largest_end, 16), 4, 6);
    size_w = clamp(size_w, 1, 5);
    int nw = int(name_w), cw = int(contents_w), aw = int(address_w), sw = int(size_w);
    out.line(" %-*.*s | %-*.*s | %-*.*s | Size", nw, nw, "Psect", cw, cw, "Contents", 2 * aw + 5, 2 * aw + 5,
             "Memory Range");
    auto rule = [&](char c) {
        return run(c, name_w + 2) + "|" + run(c, contents_w + 2) + "|" + run(c, 2 * address_w + 7) + "|" +
               run(c, size_w + 10);
    };
    out.line("%s", rule('-').c_str());
    for (mem_space* s = drv.spaces; s; s = s->next) {
        bool printed = false;
        bool first_class = true;
        for (mem_class* c = s->classes; c; c = c->next) {
            class_sort_psects(c, 1);
            bool class_started = false;
            for (psect_entry* e = c->psects; e; e = e->next) {
                if (e->size == 0) continue;
                if (!class_started && !first_class && printed) out.line("%s", rule(' ').c_str());
                class_started = true;
                uint32_t d = divisor(e->number);
                unsigned long size = e->size / d;
                out.line(" %-*.*s | %-*.*s | %*.*lXh - %*.*lXh | %*lu %-7.7s", nw, nw, e->name, cw, cw,
                         e->description ? e->description : "", aw, aw, (unsigned long)e->first / d, aw, aw,
                         (unsigned long)(e->first + e->size - 1) / d, sw, size, unit_text(e->number, size).c_str());
                printed = true;
            }
            if (class_started) first_class = false;
        }
        if (printed) out.line("%s", rule('-').c_str());
    }
    out.line("%s", "");
}

std::string usage_line(const char* name, unsigned long used, unsigned long size, int32_t unit) {
    char* text = format_string("    %-20.20s used %5lXh (%6ld) of %5lXh %-7.7s (%5.1f%%)", name, used, long(used), size,
                               unit_text(unit, size).c_str(), percent(double(used), double(size)));
    std::string result = text;
    xfree(text);
    return result;
}

void memory_usage_map(report& out) {
    out.line("%s", "");
    out.line("Memory Usage Map:\n");
    std::vector<std::string> kept;
    size_t kept_chars = 0;
    for (mem_space* s = drv.spaces; s; s = s->next) {
        uint32_t d = divisor(s->number);
        out.line("%s", *s->description ? (std::string(s->description) + ":").c_str() : "Extra space:");
        if (!s->classes) out.line("                         None available");
        unsigned long used_total = 0;
        addr_range* all = nullptr;
        for (mem_class* c = s->classes; c; c = c->next) {
            unsigned long used = 0;
            for (psect_entry* e = c->psects; e; e = e->next) used += e->size;
            addr_range* free_list = range_subtract(c->available, c->reserved);
            for (addr_range* r = free_list; r; r = r->next) range_add(&all, r->low, r->high, 0, true);
            uint32_t size = range_list_free_size(free_list);
            used_total += used;
            if (size == 0) continue;
            out.line("%s", usage_line(c->name, used / d, size / d, s->number).c_str());
        }
        out.line("%s", "");
        uint32_t union_size = range_list_free_size(all);
        const char* name = *s->description ? s->description : "Extra space";
        std::string line;
        if (union_size == 0) {
            char* text = format_string("    %-20.20s None available", name);
            line = text;
            xfree(text);
        } else {
            line = usage_line(name, used_total / d, union_size / d, s->number);
        }
        if (kept_chars + line.size() <= 7680) {
            kept.push_back(line);
            kept_chars += line.size();
        }
    }
    out.line("Summary:");
    for (const std::string& l : kept) out.line("%s", l.c_str());
    out.line("%s", "");
}

void hex_usage_map(report& out, const std::string& log) {
    FILE* f = fopen(log.c_str(), "r");
    if (!f) return;
    std::vector<std::string> lines;
    std::string line;
    bool copying = false;
    int c;
    bool any = false;
    auto take = [&]() {
        if (!copying && line.compare(0, 8, " Legend:") == 0) copying = true;
        if (copying) lines.push_back(line);
        line.clear();
    };
    while ((c = fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') {
            take();
            any = false;
        } else if (c != '\r') {
            line += char(c);
        }
    }
    if (any) take();
    fclose(f);
    if (lines.empty()) return;
    out.line("HEX File Usage Map:\n");
    for (const std::string& l : lines) out.line("%s", l.c_str());
    out.line("%s", "");
}

void file_psect(const std::string& class_name, const linkfile::map_psect& p) {
    mem_class* c = class_find(drv.spaces, class_name.c_str());
    mem_space* owner = nullptr;
    if (!c) {
        owner = space_find(drv.spaces, "OTHER");
        if (!owner) owner = space_add(&drv.spaces, "OTHER", "", 0);
        c = class_get(owner, class_name.c_str(), 0, nullptr, 0);
    }
    for (mem_space* s = drv.spaces; s && !owner; s = s->next)
        for (mem_class* k = s->classes; k; k = k->next)
            if (k == c) owner = s;
    // A described section keeps its unit; a new one takes its class's.
    int32_t unit = psect_value(c, p.name.c_str());
    if (unit == 0) unit = owner ? owner->number : 0;
    class_add_psect(c, p.name.c_str(), unit, nullptr, p.link, p.load, p.length);
}

void read_map(FILE* map) {
    linkfile::map_table table;
    linkfile::read_map_table(map, table);
    static const char* const problems[] = {"CLASS expected but not found", "no name at position %u",
                                           "no link address at position %u", "no load address at position %u",
                                           "no length at position %u"};
    for (const linkfile::map_problem& p : table.problems) {
        alert_message(162, p.line.c_str());
        char text[96];
        snprintf(text, sizeof text, problems[p.what >= 0 && p.what <= 4 ? p.what : 0], p.position);
        alert_kind_message("0", "malformed mapfile while generating summary: %s", text);
    }
    for (const linkfile::map_class& c : table.classes)
        for (const linkfile::map_psect& p : c.psects) file_psect(c.name, p);
}

FILE* open_report(const char* extension, int message) {
    std::string name = output_file_name(extension);
    FILE* f = fopen(name.c_str(), "w+");
    if (!f) {
        if (message == 891) alert_message(891, name.c_str());
        else if (message == 892) alert_message(892, name.c_str());
        else alert_message(893, name.c_str());
    }
    return f;
}

}  // namespace

void register_psect_descriptions() {
    const chip_record* chip = drv.chip;
    char name[32], text[64];
    for (int i = 0; i < 4; ++i) {
        char bank[8];
        snprintf(bank, sizeof bank, "BANK%d", i);
        snprintf(name, sizeof name, "rbss_%d", i);
        snprintf(text, sizeof text, "Bank %d RAM variables", i);
        describe(bank, name, 2, text);
        snprintf(name, sizeof name, "rdata_%d", i);
        snprintf(text, sizeof text, "Bank %d RAM initialized data", i);
        describe(bank, name, 2, text);
        snprintf(name, sizeof name, "rbit_%d", i);
        snprintf(text, sizeof text, "Bank %d bit variables", i);
        describe(bank, name, 1, text);
        snprintf(text, sizeof text, "Persistent Bank %d RAM variables", i);
        if (i == 0) describe(bank, "nvram", 2, text);
        snprintf(name, sizeof name, "nvram_%d", i);
        describe(bank, name, 2, text);
        snprintf(text, sizeof text, "Persistent Bank %d bit variables", i);
        if (i == 0) describe(bank, "nvbit", 1, text);
        snprintf(name, sizeof name, "nvbit_%d", i);
        describe(bank, name, 1, text);
        snprintf(name, sizeof name, "intsave_%d", i);
        snprintf(text, sizeof text, "Registers saved to Bank %d on interrupt", i);
        if (i == 0) {
            describe(bank, "intwsave", 2, text);
            describe(bank, "intsave", 2, text);
        }
        describe(bank, name, 2, text);
        snprintf(name, sizeof name, "idata_%d", i);
        snprintf(text, sizeof text, "Bank %d data (ROM image)", i);
        describe("CODE", name, 3, text);
    }
    describe("BANK0", "ptbit_0", 1, "Power-down/time-out status");
    for (const char* n : {"bsrsave", "fsrsave", "fsr_save", "alustasa", "tablregs"})
        describe("BANK0", n, 2, "Registers saved on interrupt");
    describe("BANK0", "temp", 2, "Temporary RAM data");
    describe("BANK0", "xtemp", 2, "Extended temporary RAM data");
    describe("BANK0", "code_ptr", 2, "Indirect const pointer");
    describe("BANK0", "struct", 2, "Structure return area");
    describe("CODE", "text", 3, "Program and library code");
    describe("CODE", "ctext", 3, "Program and library code");
    // The map prints section names cut to 9 characters.
    describe("CODE", "ftext", 3, "Arithmetic routine code");
    describe("CODE", "float_tex", 3, "Arithmetic routine code");
    bool pic12 = chip && chip->arch == ARCH_PIC12;
    for (const char* n : {"init", "end_init"}) {
        if (!chip || pic12) describe("ENTRY", n, 3, "Initialization code");
        if (!chip || !pic12) describe("CODE", n, 3, "Initialization code");
    }
    describe("CODE", "intentry", 3, "Interrupt context entry code");
    describe("CODE", "intcode", 3, "Interrupt service routine");
    describe("CODE", "intret", 3, "Interrupt context return code");
    describe("CODE", "powerup", 3, "Power on reset code");
    describe("CODE", "reset_vec", 3, "Reset vector");
    describe("CODE", "clrtext", 3, "Memory clearing code");
    for (const char* n : {"stringtab", "strings", "cstrings", "const"}) describe("CODE", n, 3, "Strings and constant data");
    describe("CODE", "pstrings", 3, "Packed strings");
    describe("CODE", "jmp_tab", 3, "Function return jump table");
    describe("CODE", "code", 3, "Initialized ROM data");
    describe("CONFIG", "config", 3, "User-programmed configuration bits");
    describe("IDLOC", "idloc", 2, "User-programmed ID locations");
    if (!chip || chip->eepromsize) describe("EEDATA", "eeprom_da", 2, "User-programmed EEPROM data");
}

void summary_from_map_file(const char* path, bool memmap_option) {
    FILE* map = fopen(path, "r");
    if (!map) alert_message(141, "map", path);
    if (!map) return;
    if (memmap_option) register_psect_descriptions();
    read_map(map);
    fclose(map);
    bool screen = drv.ide != 1;
    bool failed = drv.failures > 0;
    std::string log = drv.output_name.empty() ? std::string() : output_file_name("hxl");
    if (screen) {
        report out;
        if (drv.summary & SUM_PSECT) psect_usage_map(out);
        if ((drv.summary & SUM_MEM) && !failed) memory_usage_map(out);
        if ((drv.summary & SUM_HEX) && !log.empty()) hex_usage_map(out, log);
    }
    if ((drv.summary & SUM_FILE) && !failed && !drv.output_name.empty()) {
        report out;
        if ((drv.summary & SUM_PSECT) && (out.file = open_report("pum", 891))) {
            psect_usage_map(out);
            fclose(out.file);
        }
        if ((drv.summary & SUM_MEM) && (out.file = open_report("mum", 892))) {
            memory_usage_map(out);
            fclose(out.file);
        }
        if ((drv.summary & SUM_HEX) && (out.file = open_report("hum", 893))) {
            hex_usage_map(out, log);
            fclose(out.file);
        }
    }
}
