// The linker's command line: option letters, long options and the checks after them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace lnk {

struct context;

enum class symfile_style : uint8_t { none, plain, extended };

struct link_options {
    bool map_layout8 = false;       // -8
    bool symbols_only = false;      // -F
    bool undefined_warn = false;    // -I
    bool callgraph_flag = false;    // -K
    bool load_reloc = false;        // -L
    bool load_reloc_marked = false; // -LM
    bool partial = false;           // -R
    bool no_symbols = false;        // -S
    bool no_locals = false;         // -X
    bool no_generated = false;      // -Z
    bool binary = false;            // -C<address>
    uint32_t binary_base = 0;
    int cg_print = 0;               // 0 full, 1 critical only (-Cc), 2 none (-Cn)
    symfile_style sym_style = symfile_style::none;
    bool sym_plus = false;          // -H+
    std::string sym_file;
    int layout = -1;                // -E: message layout, -1 not given
    int32_t error_limit = 0;
    bool map = false;
    std::string map_file;
    bool sort = false;              // -N
    char group = 0;                 // 's' or 'c' after -N
    bool output_given = false;
    std::string output;
    std::vector<std::string> placements;   // -P texts
    std::string machine;            // -Q
    std::vector<std::string> undefs;// -U
    std::string avmap_file;         // -V
    std::string product, version;   // -VER=
    int32_t page_width = 80;
    std::vector<std::string> inputs;
    std::vector<std::string> arguments;    // every argument, for the map's command line
};

constexpr size_t MAX_PLACEMENTS = 29;

// Reads one option argument (it begins with '-').
void parse_option(context& cx, const char* arg);
// Reads the options and inputs of argv[1..]; then checks them (error limit, 616, 397, the
// output name and 398). Returns normally only when linking can go on.
void parse_command_line(context& cx, int argc, char** argv);
// The output's name by the options: -O, else "l.bin" in binary mode, else "l.obj".
std::string output_name(context& cx);
bool same_path(const std::string& a, const std::string& b);

}  // namespace lnk
