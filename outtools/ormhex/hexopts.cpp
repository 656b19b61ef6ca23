// ormhex's options: letters case-insensitive (but -g and -x), values glued to the letter.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/pass_startup.h"
#include "outtools/ormhex/hexopts.h"

namespace hex {

bool parse_option_number(const char*& text, uint32_t& value) {
    const char* p = text;
    bool hex_prefix = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    if (hex_prefix) p += 2;
    if (!isxdigit(static_cast<unsigned char>(*p))) return false;
    const char* digits = p;
    while (isxdigit(static_cast<unsigned char>(*p))) ++p;
    const char* digits_end = p;
    unsigned base;
    if (*p == 'H' || *p == 'h') {
        base = 16;
        ++p;
    } else if (strchr("OQoq", *p) && *p) {
        base = 8;
        ++p;
    } else if (hex_prefix) {
        base = 16;
    } else {
        base = 10;
        if (digits_end[-1] == 'D' || digits_end[-1] == 'd') --digits_end;   // decimal suffix
    }
    if (digits == digits_end) return false;
    uint32_t v = 0;
    for (const char* d = digits; d < digits_end; ++d) {
        unsigned digit = isdigit(static_cast<unsigned char>(*d)) ? *d - '0' : toupper(static_cast<unsigned char>(*d)) - 'A' + 10;
        if (digit >= base) return false;
        v = v * base + digit;
    }
    value = v;
    text = p;
    return true;
}

namespace {

// A whole option value as a number; false when anything follows it.
bool whole_number(const char* text, uint32_t& value) { return parse_option_number(text, value) && *text == '\0'; }

[[noreturn]] void unknown_option(const char* arg) {
    alert_message(168, arg);
    alert_message(529);
    exit_hook(1);
    std::exit(1);
}

// Executable images whose header layout is not defined are refused once the combinations
// are checked.
const char* refused_image = nullptr;
void refuse_image(const char* option) {
    if (!refused_image) refused_image = option;
}

void parse_record_length(const char* arg, HexOptions& o) {
    const char* p = arg + 1;
    uint32_t n;
    if (!parse_option_number(p, n) || (*p && *p != ',')) alert_message(404, arg + 1);
    o.max_record = n == 0 ? 16 : n;
    if (*p == ',') {
        ++p;
        uint32_t a;
        if (!whole_number(p, a) || a > 16 || (a & (a - 1))) alert_message(405, arg + 1);
        o.align = a > 1 ? a : 0;
    }
}

void parse_warning(const char* arg) {
    const char* rest = arg + 2;
    if (strchr(rest, '!')) alert_set_warn_fails(1);
    if (!isdigit(static_cast<unsigned char>(*rest)) && *rest != '-') alert_message(393);
    int level = atoi(rest);
    if (level < -9)
        alert_message(523, level);
    else
        alert_set_level(level);
}

}  // namespace

HexOptions parse_hex_options(int argc, char** argv) {
    // "--disl=" is not among ormhex's options; "-E" is its MS-DOS image, "-J" the layouts.
    const pass_startup startup{.name = "ormhex", .disl = false};
    const std::vector<std::string> args = pass_arguments(argc, argv, startup);
    pass_settings prefix;
    HexOptions o;
    bool have_input = false, have_output = false, format_b = false;
    bool letter_8e = false, letter_a = false, letter_ma = false;
    for (const std::string& text : args) {
        const char* arg = text.c_str();
        if (pass_prefix_option(text, startup, prefix)) continue;
        if (arg[0] != '-') {
            if (!have_input) o.input = arg, have_input = true;
            else if (!have_output) o.output = arg, have_output = true;
            else unknown_option(arg);
            continue;
        }
        if (isdigit(static_cast<unsigned char>(arg[1]))) {
            if (strcmp(arg, "-8") == 0) {
                letter_8e = true;
                refuse_image("8");
                continue;
            }
            parse_record_length(arg, o);
            continue;
        }
        const char* value = arg + 2;
        uint32_t n;
        switch (arg[1] == 'g' || arg[1] == 'x' ? arg[1] : toupper(static_cast<unsigned char>(arg[1]))) {
        case 'A':
            letter_a = true;
            refuse_image("A");
            break;
        case 'B':
            o.format = hexfmt::Format::binary;
            format_b = true;
            if (*value) {
                if (!whole_number(value, o.base)) alert_message(408);
                o.base_set = true;
            }
            break;
        case 'C':
            o.checksums = true;
            o.checksum_file = value;
            break;
        case 'D':
            refuse_image("D");
            break;
        case 'E':
            if (*value == '\0' || whole_number(value, n)) {
                letter_8e = true;
                o.exec = ExecImage::msdos;
                if (*value) o.exec_value_set = true, o.exec_value = n;
            } else if (!freopen(value, "a", stderr)) {
                alert_message(403, value);
            } else {
                static char buffer[512];
                setvbuf(stderr, buffer, _IOFBF, sizeof buffer);
            }
            break;
        case 'F':
            o.fill_set = true;
            o.fill = 0xFF;
            if (*value) {
                const char* p = value;
                if (*p != ',' && !parse_option_number(p, o.fill)) alert_message(402);
                if (*p == ',') {
                    ++p;
                    if (!parse_option_number(p, o.fill_end)) alert_message(402);
                    o.fill_end_set = true;
                }
                if (*p) alert_message(402);
            }
            break;
        case 'H':
            o.format = hexfmt::Format::tsk;
            break;
        case 'I':
            o.format = hexfmt::Format::intel;
            o.linear = true;
            break;
        case 'J':
            alert_set_formatted(1);
            break;
        case 'L':
            o.reloc_long = true;
            [[fallthrough]];
        case 'R':
            o.reloc = true;
            if (*value) o.reloc_symbol = value;
            break;
        case 'M':
            if (toupper(static_cast<unsigned char>(*value)) == 'A') {
                o.format = hexfmt::Format::aahex;
                letter_ma = true;
            } else {
                o.format = hexfmt::Format::motorola;
            }
            break;
        case 'N':
        case 'P':
            o.exec = toupper(static_cast<unsigned char>(arg[1])) == 'N' ? ExecImage::n_header : ExecImage::p_header;
            if (*value) {
                if (!whole_number(value, o.exec_value)) alert_message(409, arg + 1);
                o.exec_value_set = true;
            }
            break;
        case 'S':
            if (*value == '\0') alert_message(673, "-S");
            o.symbol_file = value;
            break;
        case 'T':
            o.format = toupper(static_cast<unsigned char>(*value)) == 'E' ? hexfmt::Format::ext_tektronix
                                                                         : hexfmt::Format::tektronix;
            break;
        case 'U':
            if (toupper(static_cast<unsigned char>(*value)) == 'B') {
                o.format = hexfmt::Format::ubrof;
            } else {
                o.exec = ExecImage::coff;
                if (toupper(static_cast<unsigned char>(*value)) == 'T') {
                    o.coff_text_data = true;
                } else if (*value) {
                    if (!whole_number(value, o.exec_value)) alert_message(407);
                    o.exec_value_set = true;
                }
            }
            break;
        case 'V':
            o.reverse = true;
            break;
        case 'W':
            parse_warning(arg);
            break;
        case 'g':
            o.section_table = true;
            break;
        case 'x':
            refuse_image("x");
            break;
        default:
            unknown_option(arg);
        }
    }
    const bool s = !o.symbol_file.empty();
    const bool p = o.exec == ExecImage::p_header;
    const bool u = o.exec == ExecImage::coff;
    if ((s && (letter_ma || letter_a || p || u)) ||
        ((letter_a || p || u) && (o.linear || letter_8e)) || (letter_a && p))
        alert_message(410);
    if (refused_image) alert_message(433, refused_image);
    if ((p || o.exec == ExecImage::n_header) && o.reloc) o.reloc_long = true;
    if (o.output.empty()) o.output = format_b ? "l.com" : "l.hex";
    return o;
}

}  // namespace hex
