// The map file's totals table: the one definition of the lines that the driver's memory
// summary reads back ("TOTAL" header, "CLASS" lines, psect lines), writer and reader.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace linkfile {

// Writers.
void write_totals_header(FILE* f);                                      // "TOTAL\t\tName ..."
void write_class_line(FILE* f, const char* cls, bool bounds, uint32_t low, uint32_t high);
// A psect's totals line; partial links print blanks for the link address.
void write_totals_line(FILE* f, const char* name, bool show_link, uint32_t link, uint32_t load,
                       uint32_t length);

// Reading.
struct map_psect {
    std::string name;
    uint32_t link = 0, load = 0, length = 0;
};
struct map_class {
    std::string name;
    std::vector<map_psect> psects;
};
// A line the reader could not use: a line outside a class block (what = 0), or a psect line
// lacking its name, link, load or length word (what = 1..4, position = its word position).
struct map_problem {
    std::string line;
    int what = 0;
    unsigned position = 0;
};
struct map_table {
    bool found = false;                 // a "TOTAL" header was met
    std::vector<map_class> classes;
    std::vector<map_problem> problems;
};
// Reads the totals table of a map file; false when the file cannot be opened.
bool read_map_table(const std::string& path, map_table& out);
bool read_map_table(FILE* f, map_table& out);

}  // namespace linkfile
