#include "listing/ormxref/xref_read.h"

#include <cctype>

#include "listing/ormxref/xref_table.h"
#include "listing/xreffile/xref_file.h"

static bool skipped(const std::vector<std::string>& prefixes, std::string_view file)
{
    for (const std::string& prefix : prefixes) {
        if (file.starts_with(prefix))
            return true;
    }
    return false;
}

void xref_read_raw(std::FILE* in, xref_table& table, const std::vector<std::string>& skip_prefixes)
{
    const xref_name* current = nullptr;   // entered when first needed
    bool skipping = false;
    std::string text;
    while (xref_read_line(in, text)) {
        xref_line line = xref_parse_line(text);
        if (line.kind == xref_line_kind::source) {
            skipping = skipped(skip_prefixes, line.name);
            if (!skipping) {
                current = table.enter(line.name, xref_kind::source_file);
                table.note_source_file(current);
            }
            continue;
        }
        if (skipping)
            continue;
        if (!current)
            current = table.enter("", xref_kind::source_file);
        uint8_t flags = line.kind == xref_line_kind::definition ? XREF_DEFINITION : 0;
        table.add_reference(line.name, current, line.line, flags);
    }
}

bool xref_read_stop_list(const char* path, xref_table& table)
{
    std::FILE* in = std::fopen(path, "r");
    if (!in)
        return false;
    std::string word;
    for (int c = std::getc(in);; c = std::getc(in)) {
        if (c != EOF && !std::isspace(c)) {
            word.push_back(static_cast<char>(c));
            continue;
        }
        if (!word.empty())
            table.add_stop_word(word);
        word.clear();
        if (c == EOF)
            break;
    }
    std::fclose(in);
    return true;
}
