// The symbol file: the one definition of its lines, written by the linker and read back by
// the driver (start-up symbols and psect bounds) and the converter.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace linkfile {

constexpr const char* SEGMENTS_LINE = "%segments";
constexpr const char* LOCALS_LINE = "%locals";

// Writers; each writes one whole line.
void write_plain(FILE* f, uint32_t value, const char* name);                    // "%4.4lX %s"
void write_register(FILE* f, const char* name, uint32_t value);                 // "%s reg %lX"
void write_stack(FILE* f, const char* name, int32_t offset);                    // "%s stk %ld"
void write_name(FILE* f, const char* name);                                     // module line, flags 5
// "%s %lX", then " %lX" (load minus link) when the symbol has a psect, then " %s" (class).
void write_extended(FILE* f, const char* name, uint32_t value, bool has_psect, uint32_t load_offset,
                    const char* cls);
void write_keyed(FILE* f, bool has_psect, const char* name, const char* key, uint32_t value);  // SY/AS
void write_keyed_segment(FILE* f, const char* name, const char* key, uint32_t first, uint32_t last);
void write_segment(FILE* f, const char* name, uint32_t first, uint32_t last, const char* cls);

// Reading: one record per line, its words separated by blanks and tabs.
struct line {
    std::vector<std::string> words;
};
// Reads the file (lines of at most 1023 characters are taken whole; longer ones are cut).
// False when it cannot be opened.
bool read(const std::string& path, std::vector<line>& out);
// Line by line, as the converter reads the file: one whole line of any length, its line end
// (and a carriage return before it) removed. False at the end of the file, and for a last line
// without a line end (a file cut short).
bool read_line(FILE* f, std::string& out);
// The words of a line split at blanks only: a tab belongs to its word.
std::vector<std::string> blank_words(const std::string& text);

// A hexadecimal word as written above; false when it is not one.
bool hex_value(const std::string& word, uint32_t& value);

// The value and load offset of a symbol line (name, value[, offset[, text]]).
struct symbol {
    std::string name;
    uint32_t value = 0;
    bool has_offset = false;
    uint32_t load_offset = 0;
    std::string text;
};
// The symbol of a line of the plain or extended style; false for other lines
// (module names, "%segments", "%locals", reg/stk lines and keyed lines).
bool parse_symbol(const line& l, symbol& out);

}  // namespace linkfile
