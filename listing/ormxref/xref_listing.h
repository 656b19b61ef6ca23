// The paginated cross-reference listing: every listed symbol in name order with the files and
// lines that mention it, definitions marked with '#'.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class xref_table;

struct xref_page_setup {
    std::string heading;
    int32_t length = 66;   // lines of a page
    int32_t width = 80;    // columns of a page
};

// True when one of the prefixes begins the name; a digit in a prefix matches any digit, and
// an empty prefix matches nothing.
bool xref_excluded(const std::vector<std::string>& prefixes, const char* name);

// Writes the listing of every symbol that is neither stopped nor excluded.
void xref_print_listing(std::FILE* out, xref_table& table, const xref_page_setup& page,
                        const std::vector<std::string>& exclusions);
