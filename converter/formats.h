// The table of formats: each row a probe, read, write and dump over an open stream.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "converter/context.h"

namespace conv {

struct format_desc {
    bool (*probe)(conv_context& ctx, FILE* in);
    void (*read)(conv_context& ctx, FILE* in, const std::string& name);
    // False when the format cannot be written by this build: the run then fails.
    bool (*write)(conv_context& ctx, FILE* out, const std::string& name);
    bool (*dump)(conv_context& ctx, FILE* in);
    const char* display_name;
    const char* key;
    const char* default_ext;
    bool binary;
};

constexpr uint32_t FORMAT_COUNT = 14;
extern const format_desc format_table[FORMAT_COUNT];
const format_desc& format_row(uint32_t number);   // 1-based

// The row number of a key, exact or an unambiguous prefix; 602/603/604 (fatal) otherwise.
uint32_t format_lookup(const std::string& key);

// Operations of the formats.
bool bryllex_probe(conv_context& ctx, FILE* in);
void bryllex_read(conv_context& ctx, FILE* in, const std::string& name);
bool bryllex_write(conv_context& ctx, FILE* out, const std::string& name);
bool ihex_probe(conv_context& ctx, FILE* in);
void ihex_read(conv_context& ctx, FILE* in, const std::string& name);
bool ihex_write(conv_context& ctx, FILE* out, const std::string& name);
bool s19_probe(conv_context& ctx, FILE* in);
void s19_read(conv_context& ctx, FILE* in, const std::string& name);
bool s19_write(conv_context& ctx, FILE* out, const std::string& name);
bool cod_probe(conv_context& ctx, FILE* in);
bool cod_write(conv_context& ctx, FILE* out, const std::string& name);
bool cod_dump(conv_context& ctx, FILE* in);
bool coff_probe(conv_context& ctx, FILE* in);
void coff_read(conv_context& ctx, FILE* in, const std::string& name);
bool coff_write(conv_context& ctx, FILE* out, const std::string& name);
bool coff_dump(conv_context& ctx, FILE* in);
bool mcoff_probe(conv_context& ctx, FILE* in);
void mcoff_read(conv_context& ctx, FILE* in, const std::string& name);
bool mcoff_write(conv_context& ctx, FILE* out, const std::string& name);
bool mcoff_dump(conv_context& ctx, FILE* in);
bool omf51_probe(conv_context& ctx, FILE* in);
void omf51_read(conv_context& ctx, FILE* in, const std::string& name);
bool omf51_write(conv_context& ctx, FILE* out, const std::string& name);
bool omf51_dump(conv_context& ctx, FILE* in);
bool eomf51_probe(conv_context& ctx, FILE* in);
void eomf51_read(conv_context& ctx, FILE* in, const std::string& name);
bool eomf51_write(conv_context& ctx, FILE* out, const std::string& name);
bool eomf51_dump(conv_context& ctx, FILE* in);
bool icoff_probe(conv_context& ctx, FILE* in);
void icoff_read(conv_context& ctx, FILE* in, const std::string& name);
bool icoff_write(conv_context& ctx, FILE* out, const std::string& name);
bool icoff_dump(conv_context& ctx, FILE* in);
bool pe_probe(conv_context& ctx, FILE* in);
void pe_read(conv_context& ctx, FILE* in, const std::string& name);
bool pe_write(conv_context& ctx, FILE* out, const std::string& name);
bool htk_probe(conv_context& ctx, FILE* in);
void htk_read(conv_context& ctx, FILE* in, const std::string& name);
bool htk_write(conv_context& ctx, FILE* out, const std::string& name);
bool htk_dump(conv_context& ctx, FILE* in);
bool tsk_probe(conv_context& ctx, FILE* in);
void tsk_read(conv_context& ctx, FILE* in, const std::string& name);
bool tsk_dump(conv_context& ctx, FILE* in);

// Dump helper: lines of `per_line` bytes, each led by `address_format` with the running address.
void hex_dump_bytes(FILE* out, uint32_t address, uint32_t per_line, const uint8_t* bytes, uint32_t count,
                    const char* address_format, bool text_column);

}  // namespace conv
