#include "listing/ormxref/xref_listing.h"

#include <cctype>
#include <cstring>

#include "common/vector.h"
#include "listing/ormxref/xref_table.h"

namespace {

// Page state: a page is open while the line counter is not 0.
class pager {
public:
    pager(std::FILE* out, const xref_page_setup& setup) : out_(out), setup_(setup) {}

    void header()
    {
        if (lines_ != 0)
            return;
        const std::string& heading = setup_.heading;
        std::fprintf(out_, "\n\nCross reference listing: %s", heading.c_str());
        page_++;
        int field = static_cast<int>(setup_.width - static_cast<int32_t>(heading.size()) - 38);
        std::fprintf(out_, "%*s %3d\n\n\n", field, "Page", static_cast<int>(page_));
        lines_ = 5;
    }

    // A newline that counts toward the page; the page ends when it is full. A page shorter
    // than its header still ends after each line.
    void newline()
    {
        if (lines_ == 0)
            return;
        std::fputc('\n', out_);
        if (++lines_ >= int64_t{setup_.length} - 5)   // any -L value, however wild
            end_page();
    }

    void end_page()
    {
        if (lines_ != 0)
            std::fputc('\f', out_);
        lines_ = 0;
    }

private:
    std::FILE* out_;
    const xref_page_setup& setup_;
    int32_t page_ = 0;
    int32_t lines_ = 0;
};

}  // namespace

bool xref_excluded(const std::vector<std::string>& prefixes, const char* name)
{
    auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    for (const std::string& prefix : prefixes) {
        if (prefix.empty())
            continue;
        size_t i = 0;
        while (i < prefix.size() && name[i] != '\0'
               && (prefix[i] == name[i] || (digit(prefix[i]) && digit(name[i]))))
            i++;
        if (i == prefix.size())
            return true;
    }
    return false;
}

// One symbol: a row per source file, wrapped to the page width, continuation rows indented
// past the name and file columns.
static void print_symbol(std::FILE* out, pager& page, const xref_table& table, int32_t width_limit,
                         xref_name* symbol)
{
    const int name_field = static_cast<int>(table.longest_name()) + 2;
    const int file_field = static_cast<int>(table.longest_file()) + 2;
    const int indent = name_field + file_field;
    xref_sort_references(symbol);
    int32_t width = 0;
    const xref_ref* previous = nullptr;
    for (uint32_t i = 0; i < symbol->count; i++) {
        const xref_ref& ref = symbol->refs[i];
        if (!previous || ref.file != previous->file) {
            if (previous) {
                page.newline();
                page.header();
            }
            std::fprintf(out, "%-*s", name_field, previous ? "" : symbol->name);
            std::fprintf(out, "%-*s", file_field, ref.file->name);
            width = indent;
        } else if (ref.line == previous->line) {
            continue;
        }
        if (width_limit < width + 8) {
            page.newline();
            page.header();
            std::fprintf(out, "%*s", indent, "");
            width = indent;
        }
        std::fprintf(out, "%5d%c", static_cast<int>(ref.line), ref.flags & XREF_DEFINITION ? '#' : ' ');
        width += 6;
        previous = &ref;
    }
    page.newline();
}

void xref_print_listing(std::FILE* out, xref_table& table, const xref_page_setup& setup,
                        const std::vector<std::string>& exclusions)
{
    pager page(out, setup);
    vector* names = table.sorted_names();
    bool first = true;
    for (uint32_t i = 0; i < vec_size(names); i++) {
        auto* entry = static_cast<xref_name*>(vec_get(names, i));
        if (entry->kind != xref_kind::symbol || entry->stopped || xref_excluded(exclusions, entry->name))
            continue;
        if (!first)
            page.newline();
        first = false;
        page.header();
        print_symbol(out, page, table, setup.width, entry);
    }
    vec_free(names);
    page.end_page();
}
