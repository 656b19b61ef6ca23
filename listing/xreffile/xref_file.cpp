#include "listing/xreffile/xref_file.h"

#include <cctype>
#include <cstdlib>
#include <limits>

void xref_write_source(std::FILE* out, const char* file_name)
{
    std::fprintf(out, "~%s\n", file_name);
}

void xref_write_definition(std::FILE* out, const char* symbol, int32_t line)
{
    std::fprintf(out, "#%s %d\n", symbol, static_cast<int>(line));
}

void xref_write_reference(std::FILE* out, const char* symbol, int32_t line)
{
    std::fprintf(out, "%s %d\n", symbol, static_cast<int>(line));
}

bool xref_read_line(std::FILE* in, std::string& line)
{
    line.clear();
    int c = std::getc(in);
    if (c == EOF)
        return false;
    size_t length = 0;   // of the whole line, dropped characters included
    for (; c != EOF && c != '\n'; c = std::getc(in), length++) {
        if (length < XREF_LINE_MAX + 1)   // one over, to see a carriage return ending a full line
            line.push_back(static_cast<char>(c));
    }
    if (length == line.size() && !line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > XREF_LINE_MAX)
        line.resize(XREF_LINE_MAX);
    return true;
}

// The number after the symbol, read as strtol reads it, held to 32 bits.
static int32_t read_line_number(std::string_view rest)
{
    std::string text(rest);
    long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

xref_line xref_parse_line(std::string_view text)
{
    if (!text.empty() && text[0] == '~')
        return {xref_line_kind::source, text.substr(1), 0};
    xref_line result{xref_line_kind::reference, {}, 0};
    if (!text.empty() && text[0] == '#') {
        result.kind = xref_line_kind::definition;
        text.remove_prefix(1);
    }
    size_t end = 0;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])))
        end++;
    result.name = text.substr(0, end);
    if (end < text.size())
        result.line = read_line_number(text.substr(end + 1));
    return result;
}
