// The raw cross-reference file: the parser appends to it while it compiles, the cross-reference
// lister reads it. Lines of three kinds, in the order the parser meets them:
//   "~name"         the references that follow belong to this source file
//   "#symbol line"  the symbol is defined at that line
//   "symbol line"   the symbol is referred to at that line
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

constexpr size_t XREF_LINE_MAX = 287;   // characters of a line that the reader keeps

enum class xref_line_kind { source, definition, reference };

struct xref_line {
    xref_line_kind kind;
    std::string_view name;   // source file or symbol; a view into the line read
    int32_t line;            // 0 for a source line, or when the line gives no number
};

// Writing.
void xref_write_source(std::FILE* out, const char* file_name);
void xref_write_definition(std::FILE* out, const char* symbol, int32_t line);
void xref_write_reference(std::FILE* out, const char* symbol, int32_t line);

// Reads the next line without its end (a newline, with a carriage return before it), keeping
// at most XREF_LINE_MAX characters and dropping the rest. False at the end of the input.
bool xref_read_line(std::FILE* in, std::string& line);

// Splits a line read. A symbol runs to the first white-space character; the rest is read as a
// decimal number (0 when there is none; clamped to 32 bits).
xref_line xref_parse_line(std::string_view text);
