// The runtime start-up assembly of the prelink and the final link, and what the final
// link's start-up reads back from the prelink's symbol file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct reserved_symbol {
    const char* name;
    uint32_t value;
    uint32_t second;
    std::string text;
};

struct psect_bound {
    std::string name;
    uint32_t low = 0, high = 0, load = 0, size = 0;
    bool has_low = false, has_high = false;
    std::string class_name;
};

struct startup_facts {
    std::vector<reserved_symbol> symbols;   // the 42 reserved names
    std::vector<psect_bound> bounds;
    startup_facts();
    uint32_t value(const char* name) const;
    bool has_section(const char* prefix) const;   // a section of non-zero size whose name begins so
};

// Reads the prelink's symbol file; a file that cannot be opened reads as empty.
void read_startup_facts(const std::string& symbol_file, startup_facts& facts);
// The start-up source text for a stage ("prelink" or "final link").
std::string startup_text(const startup_facts& facts, bool final_stage, const std::vector<std::string>& options);
// Carried between the two stages: the bank bits the text last wrote.
void startup_reset_banks();
