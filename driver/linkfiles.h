// Read-back of the two files the linker writes for the driver: the symbol file and the
// map table. Kept in one module so that it can give way to the linker's shared reader.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

struct symbol_line {
    std::string name;
    uint32_t value = 0;
    bool has_second = false;
    uint32_t second = 0;     // load address minus link address
    std::string text;        // fourth word, when present
    bool has_text = false;
};

// Calls `line` for every line of the symbol file that has a name; false when the file
// cannot be opened.
bool read_symbol_file(const std::string& path, const std::function<void(const symbol_line&)>& line);

struct map_psect {
    std::string class_name, name;
    uint32_t link = 0, load = 0, length = 0;
};

// Reads the map table: every section of every class block. `warn` receives the malformed
// line and the problem ("CLASS expected but not found", "no name at position %u", ...).
void read_map_table(FILE* map, const std::function<void(const map_psect&)>& psect,
                    const std::function<void(const std::string& line, const std::string& problem)>& warn);
