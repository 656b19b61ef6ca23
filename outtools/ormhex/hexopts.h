// ormhex's command line.
#pragma once
#include <cstdint>
#include <string>

#include "hexfmt/image_writers.h"

namespace hex {

enum class ExecImage { none, msdos, coff, p_header, n_header };

struct HexOptions {
    hexfmt::Format format = hexfmt::Format::intel;
    bool linear = false;                 // -I: type 04 records
    uint32_t max_record = 0;             // -<n>; 0: the format's maximum
    uint32_t align = 0;                  // -<n>,<a>
    bool fill_set = false;
    uint32_t fill = 0;
    bool fill_end_set = false;
    uint32_t fill_end = 0;
    bool base_set = false;
    uint32_t base = 0;
    bool checksums = false;              // -C
    std::string checksum_file;           // empty: standard input
    ExecImage exec = ExecImage::none;
    bool exec_value_set = false;
    uint32_t exec_value = 0;             // -E stack, -U magic, -P / -N address
    bool coff_text_data = false;         // -Ut
    bool reloc = false;                  // -R
    bool reloc_long = false;             // -L
    std::string reloc_symbol = "__Lbss";
    std::string symbol_file;             // -S
    bool reverse = false;                // -V
    bool section_table = false;          // -g
    std::string input = "l.obj";
    std::string output;                  // default by format
};

// Parses the arguments (argv[0] is the program); option errors end the program.
HexOptions parse_hex_options(int argc, char** argv);

// A number as the options write it: "0x" prefix or 'H' suffix hex, 'O'/'Q' octal, else
// decimal with an optional 'D'. Advances `text`; false when the value is bad.
bool parse_option_number(const char*& text, uint32_t& value);

}  // namespace hex
