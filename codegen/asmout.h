// The assembly text: line buffer, program sections, header, variable definitions, initial
// data, strings and the material written once at the end of the file.
#pragma once
#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

namespace cg {

struct cg_context;
struct symbol;

// Program-section kinds (rows of the section table), 1-41; 0 is none.
enum psect_kind : int {
    PS_NONE = 0, PS_BSS = 1, PS_TEXT = 2, PS_DATA = 3, PS_RBSS0 = 4, PS_LTEXT = 5, PS_STRINGS = 6,
    PS_CODE = 7, PS_CONST = 8, PS_NVRAM = 9, PS_RBIT0 = 10, PS_CTEXT = 11, PS_INTCODE = 12,
    PS_SWTEXT = 13, PS_INTENTRY = 14, PS_RBSS1 = 15, PS_RBIT1 = 18, PS_IDATA0 = 21, PS_JMPTAB = 25,
    PS_INTSAVE = 26, PS_INTRET = 27, PS_RDATA0 = 28, PS_CSTRINGS = 32, PS_NVRAM1 = 33, PS_NVBIT0 = 36,
    PS_MAINTEXT = 40, PS_EEPROM = 41, PS_LAST = 41
};
struct psect_row {
    const char* name;     // may hold "%u"
    const char* flags;
};
extern const psect_row psect_table[PS_LAST + 1];

// Line buffer: characters collect until a newline; then the pending section switch and the
// line are written (nothing in the dry run). Lines of any length are written whole.
void emit_char(cg_context& ctx, char c);
void emit_text(cg_context& ctx, const std::string& text);
void emit(cg_context& ctx, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Written straight to the file at a line boundary (section lines of the end material).
void emit_direct(cg_context& ctx, const std::string& text);

// Sections.
void psect_request(cg_context& ctx, int kind);
void psect_check(cg_context& ctx, bool force = false);
std::string psect_name(const cg_context& ctx, int kind);
// Section for initialised data by the symbol's qualifiers.
int data_psect_kind(const cg_context& ctx, uint16_t classes);
// Adds a psect rename "old=new"; false when the text has no "=".
bool psect_add_rename(cg_context& ctx, const std::string& text);

void write_header(cg_context& ctx);
// "\tglobal" once for an external symbol that is used or defined here.
void announce_external(cg_context& ctx, symbol* s);
// Definition of an uninitialised variable (once).
void define_variable(cg_context& ctx, symbol* s);
// Initialised object: section, label and bytes. `relocs` holds, per byte offset, an
// assembler expression to write instead of the byte (addresses of symbols and strings).
struct data_item {
    uint8_t byte = 0;
    std::string expr;     // non-empty: written in place of `byte`
};
void define_initialised(cg_context& ctx, symbol* s, const std::vector<data_item>& bytes);
// A string literal's bytes with its label.
void write_string_literal(cg_context& ctx, const std::string& label, const std::vector<uint8_t>& bytes);
// The floating-constant pool, then everything written once at the end.
void write_float_pool(cg_context& ctx);
void write_end(cg_context& ctx);
// Assembler label of a symbol.
std::string asm_name(const symbol* s);
// A function pointer's value for f: its lookup entry, which the end of the file writes.
std::string function_pointer_value(cg_context& ctx, const symbol* f);

}  // namespace cg
