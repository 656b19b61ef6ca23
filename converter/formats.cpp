#include "converter/formats.h"

#include <cctype>
#include <cstdarg>
#include <cstring>

#include "common/alert.h"
#include "converter/elf.h"
#include "converter/ubrof.h"

namespace conv {

namespace {

// Rows without a reader, a dump or a writer; a write that is not offered fails the run rather than
// leaving no file behind a success.
void no_read(conv_context&, FILE*, const std::string&) {}
bool no_dump(conv_context&, FILE*) { return false; }
bool unavailable_write(conv_context&, FILE*, const std::string& name) {
    alert_message(615, name.c_str());
    return false;
}

}  // namespace

const format_desc format_table[FORMAT_COUNT] = {
    {bryllex_probe, bryllex_read, bryllex_write, no_dump, "BRYLLEX Software", "bryllex", "sym", false},
    {pe_probe, pe_read, pe_write, no_dump, "P&E", "pe", "pe", true},
    {eomf51_probe, eomf51_read, eomf51_write, eomf51_dump, "Extended OMF-51", "eomf51", "abs", true},
    {omf51_probe, omf51_read, omf51_write, omf51_dump, "OMF-51", "omf51", "omf", true},
    {ihex_probe, ihex_read, ihex_write, no_dump, "Intel HEX", "ihex", "hex", false},
    {s19_probe, s19_read, s19_write, no_dump, "Motorola HEX", "s19", "hex", false},
    {cod_probe, no_read, cod_write, cod_dump, ".COD", "cod", "cod", true},
    {coff_probe, coff_read, coff_write, coff_dump, "COFF", "coff", "cof", true},
    {mcoff_probe, mcoff_read, mcoff_write, mcoff_dump, "Microchip COFF", "mcoff", "cof", true},
    {icoff_probe, icoff_read, icoff_write, icoff_dump, "ICOFF", "icoff", "cof", true},
    {elf_probe, elf_read, elf_write, elf_dump, "ELF/DWARF", "elf", "elf", true},
    {ubrof_probe, ubrof_read, ubrof_write, ubrof_dump, "UBROF", "ubrof", "d43", true},
    {htk_probe, htk_read, htk_write, htk_dump, "Holtek DBG", "htk", "dbg", true},
    {tsk_probe, tsk_read, unavailable_write, tsk_dump, "Holtek TSK", "tsk", "tsk", true},
};

void verbose_msg(const conv_context& ctx, const char* format, ...) {
    if (!ctx.opt.verbose_level) return;
    std::fflush(stdout);
    std::fputs("==> ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

const format_desc& format_row(uint32_t number) { return format_table[number - 1]; }

uint32_t format_lookup(const std::string& key) {
    if (key.empty()) alert_message(602);
    uint32_t prefix = 0;
    for (uint32_t i = 0; i < FORMAT_COUNT; ++i) {
        std::string row = format_table[i].key;
        if (row == key) return i + 1;
        if (row.compare(0, key.size(), key) == 0) {
            if (prefix) alert_message(603, key.c_str());
            prefix = i + 1;
        }
    }
    if (!prefix) alert_message(604, key.c_str());
    return prefix;
}

void hex_dump_bytes(FILE* out, uint32_t address, uint32_t per_line, const uint8_t* bytes, uint32_t count,
                    const char* address_format, bool text_column) {
    if (per_line == 0) per_line = 16;
    for (uint32_t done = 0; done < count;) {
        uint32_t n = count - done < per_line ? count - done : per_line;
        std::fprintf(out, address_format, address);
        for (uint32_t i = 0; i < n; ++i) std::fprintf(out, " %02X", bytes[done + i]);
        if (text_column) {
            for (uint32_t i = n; i < per_line; ++i) std::fputs("   ", out);
            std::fputc(' ', out);
            for (uint32_t i = 0; i < n; ++i) {
                int c = bytes[done + i];
                std::fputc(c < 0x80 && (std::isalnum(c) || std::ispunct(c) || c == ' ') ? c : '.', out);
            }
        }
        std::fputc('\n', out);
        address += n;
        done += n;
    }
}

}  // namespace conv
