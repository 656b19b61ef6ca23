// ormpatch's command line: the option table, its help text and the value parsers.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/alert.h"
#include "common/msgfile.h"
#include "common/registry.h"
#include "outtools/ormpatch/image.h"
#include "outtools/ormpatch/settings.h"

namespace patch {

namespace {

struct OptionRow {
    const char* name;
    const char* usage;
    const char* description;
    const char* example;
};

enum Row { R_FILE, R_CK, R_FILL, R_FIND, R_FORMAT, R_HELP, R_LOGFILE, R_O, R_SERIAL, R_STRING,
           R_STRPACK, R_REPLACE, R_W, R_PLUS, ROW_COUNT };

const OptionRow rows[ROW_COUNT] = {
    {"file.hex", "[,startRange-endRange][+offset]",
     "Specify a hex input file. Optionally restrict input to ,start-end range. Optionally "
     "address-shift code by +offset",
     ",0-1FF+1F00"},
    {"-CK", "=start-end@dest[+offset][wWidth][tCode]",
     "Calculate a checksum between start and end addresses, store result at destination "
     "address.\n\tOptional controls are '+' add initial offset, 'w' set byte-width of result, "
     "'t' specify trailing hexcode for each byte in result.",
     "=0-1FFF@5FFC+1234w2t34"},
    {"-FILL", "=hexcode@start-end",
     "Specify a hexadecimal code for filling unused memory locations within an address range",
     "=FFFF@0-1FFF"},
    {"-FIND", "=findcode[Mbitmask]@start-end[/align][w][tTitle][,REPLACE=...]",
     "Find occurances of an opcode within an address range, optionally masked with "
     "Mbitmask.\n\tThe numeral following the '/' specifies the X byte boundary that matching "
     "op-codes must align with.\n\tBy adding 'w' ormpatch will issue a warning each time the "
     "opcode is found.\n\tText trailing the optional 't' is an explanitory title for this "
     "search. (Titles make warnings/logs more descriptive)\n\t-FIND can be trailed with a "
     ",REPLACE specification.",
     "=C000FFE8MF000F000@0-FFFF/2wt\"ADD Instruction\",REPLACE..."},
    {"-FORMAT", "=INHXtype[,reclength]",
     "Specify what type of Intel HEX file to generate [INHX8M/INHX32/INHX032] and maximum "
     "number of bytes per record",
     "=INHX8M,16"},
    {"-HELP", "=option",
     "Display all command line options, or show usage of one specific option.", "=CK"},
    {"-LOGFILE", "=filename", "Save a descriptive report to this file", "=logfile.txt"},
    {"-O", "filename", "Save the output to the file specified", "output.hex"},
    {"-SERIAL", "=value[+/-incr]@address[+/-interval][r<repetitions>]",
     "Store a hex code (or series of codes) at a fixed address. Eg. serial number", "=1234@3000"},
    {"-STRING", "@address[tCode]=\"Some string\"",
     "Embed an ASCII string at a fixed address Eg. time stamp. Optional 't' control = trail "
     "each byte in string with this hexcode",
     "@3000=\"My favourite string\\n\""},
    {"-STRPACK", "@address=\"Some string\"", "Embed and string-pack an ASCII string at a fixed address",
     "@3000=\"My favourite packed string\\n\""},
    {",REPLACE", "=replacecode[Mbitmask]",
     "Only used in conjunction with -FIND. If the find code is found, replace it with this "
     "code\n\tSee also -FIND",
     "=5200FFFFMFF00FFFF"},
    {"-W", "level[!]", "Adjust the sensitivity of warnings, add '!' to stop on warnings", "9!"},
    {"+", "<argument>",
     "Prepend an argument with '+' to use forced storage ie. Any overlapping data will be "
     "overwritten",
     "input.hex +-SERIAL=1234@1000"},
};

constexpr int build_number = 94;
constexpr int title_width = 14;

[[noreturn]] void bad_assignment(Row row) {
    alert_message(941, rows[row].name, rows[row].name, rows[row].usage);
    exit_hook(1);
    std::exit(1);
}

bool starts_with_ci(const std::string& text, const char* prefix) {
    size_t n = strlen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (toupper(static_cast<unsigned char>(text[i])) != toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

bool equals_ci(const std::string& a, const std::string& b) {
    return a.size() == b.size() && starts_with_ci(a, b.c_str());
}

// A cursor over one option value. Hex digits of either case are read here; only the input
// files are held to upper case.
struct Scanner {
    const char* p;

    bool at_end() const { return *p == '\0'; }
    bool eat(char c) {
        if (*p != c) return false;
        ++p;
        return true;
    }
    bool eat_ci(char c) {
        if (toupper(static_cast<unsigned char>(*p)) != toupper(static_cast<unsigned char>(c))) return false;
        ++p;
        return true;
    }
    // Hex digits into a value of `max_digits` digits at most; false when none or too many.
    bool hex(uint64_t& value, int max_digits = 8, int* digits = nullptr) {
        int n = 0;
        value = 0;
        while (isxdigit(static_cast<unsigned char>(*p))) {
            int d = isdigit(static_cast<unsigned char>(*p)) ? *p - '0' : toupper(static_cast<unsigned char>(*p)) - 'A' + 10;
            value = value << 4 | static_cast<uint64_t>(d);
            ++p;
            ++n;
        }
        if (digits) *digits = n;
        return n > 0 && n <= max_digits;
    }
    bool hex32(uint32_t& value) {
        uint64_t v;
        if (!hex(v)) return false;
        value = static_cast<uint32_t>(v);
        return true;
    }
    bool c_integer(long& value) {
        char* end;
        value = strtol(p, &end, 0);
        if (end == p) return false;
        p = end;
        return true;
    }
};

// A hex code given as digit pairs: the width is the number of pairs. An odd digit count is
// warned about and its last nibble dropped; outside 1..8 bytes is fatal 1204.
void code_width(const char* option, int digits, uint64_t& value, int& width) {
    if (digits % 2) {
        alert_message(1203, option);
        value >>= 4;
    }
    width = digits / 2;
    if (width < 1 || width > 8) alert_message(1204, option, 8);
}

std::vector<uint8_t> bytes_of(uint64_t value, int width) {
    std::vector<uint8_t> bytes;
    for (int i = width - 1; i >= 0; --i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return bytes;
}

// A trailing code: the characters after 't', half of them counting as bytes.
std::vector<uint8_t> trailing_code(Scanner& s, Row row) {
    int count = static_cast<int>(strlen(s.p)) / 2;
    uint64_t value;
    int digits;
    if (!s.hex(value, 16, &digits) || !s.at_end()) bad_assignment(row);
    return bytes_of(value, count);
}

template <typename T>
void check_count(const std::vector<T>& list, const char* name, int maximum) {
    if (static_cast<int>(list.size()) >= maximum) alert_message(1198, name, maximum);
}

// -CK=<start>-<end>@<dest>[+<initial>][w<width>][t<code>]
ChecksumSpec parse_checksum(const char* value, bool forced) {
    Scanner s{value};
    ChecksumSpec ck{};
    ck.width = 2;
    ck.forced = forced;
    if (!s.eat('=') || !s.hex32(ck.start) || !s.eat('-') || !s.hex32(ck.end) || !s.eat('@') ||
        !s.hex32(ck.destination))
        bad_assignment(R_CK);
    if (s.eat('+') && !s.hex32(ck.initial)) bad_assignment(R_CK);
    if (s.eat_ci('w')) {
        long width;
        if (!s.c_integer(width)) bad_assignment(R_CK);
        if (width < 1 || width > 4) alert_message(948);
        ck.width = static_cast<int>(width);
    }
    if (s.eat_ci('t')) ck.trailing = trailing_code(s, R_CK);
    if (!s.at_end()) bad_assignment(R_CK);
    if (ck.start >= ck.end) alert_message(949);
    return ck;
}

// -FILL=<code>@<start>-<end>
FillSpec parse_fill(const char* value, bool forced) {
    Scanner s{value};
    FillSpec fill{};
    fill.forced = forced;
    uint64_t code;
    int digits;
    if (!s.eat('=')) bad_assignment(R_FILL);
    s.hex(code, 64, &digits);
    if (digits > 16) alert_message(1204, rows[R_FILL].name, 8);
    if (!s.eat('@') || !s.hex32(fill.start) || !s.eat('-') || !s.hex32(fill.end) || !s.at_end())
        bad_assignment(R_FILL);
    int width;
    code_width(rows[R_FILL].name, digits, code, width);
    fill.code = bytes_of(code, width);
    if (fill.end < fill.start) alert_message(951);
    if (uint64_t(fill.end) - fill.start >= max_image_bytes)
        alert_message(1213, rows[R_FILL].name, static_cast<unsigned long>(max_image_bytes));
    return fill;
}

// <code>[M<mask>] of -FIND and ,REPLACE; the mask defaults to all ones.
void find_code(Scanner& s, Row row, uint64_t& code, uint64_t& mask, int& digits, int& mask_digits) {
    s.hex(code, 64, &digits);
    if (digits == 0) bad_assignment(row);
    if (digits > 16) alert_message(1204, rows[R_FIND].name, 8);
    mask_digits = -1;
    if (s.eat_ci('M')) {
        if (!s.hex(mask, 16, &mask_digits)) bad_assignment(row);
    }
}

// -FIND=<code>[M<mask>]@<start>-<end>[/<align>][w][t<title>][,REPLACE=<code>[M<mask>]]
FindSpec parse_find(const char* value, bool forced) {
    std::string text = value;
    FindSpec find{};
    find.forced = forced;
    find.align = 1;
    std::string title = "OPCode";
    size_t t = text.find_first_of("tT");
    size_t comma = text.find(',', t == std::string::npos ? 0 : t);
    std::string head = text.substr(0, std::min(t, comma));
    if (t != std::string::npos) title = text.substr(t + 1, comma == std::string::npos ? std::string::npos : comma - t - 1);
    find.title = justify_title(title);

    Scanner s{head.c_str()};
    int digits, mask_digits;
    if (!s.eat('=')) bad_assignment(R_FIND);
    find_code(s, R_FIND, find.code, find.mask, digits, mask_digits);
    code_width(rows[R_FIND].name, digits, find.code, find.width);
    if (!s.eat('@') || !s.hex32(find.start) || !s.eat('-') || !s.hex32(find.end)) bad_assignment(R_FIND);
    if (s.eat('/') && (!s.hex32(find.align) || find.align == 0)) bad_assignment(R_FIND);
    if (s.eat_ci('w')) find.warn = true;
    if (!s.at_end()) bad_assignment(R_FIND);

    const int width_digits = 2 * find.width;
    const uint64_t all = find.width >= 8 ? ~0ull : (1ull << (8 * find.width)) - 1;
    if (mask_digits >= 0 && mask_digits != width_digits) alert_message(1201);
    if (mask_digits < 0) find.mask = all;
    if (comma != std::string::npos) {
        std::string rest = text.substr(comma);
        if (!starts_with_ci(rest, ",REPLACE=")) bad_assignment(R_REPLACE);
        Scanner r{rest.c_str() + 9};
        int replace_digits, replace_mask_digits;
        find_code(r, R_REPLACE, find.replace_code, find.replace_mask, replace_digits, replace_mask_digits);
        if (!r.at_end()) bad_assignment(R_REPLACE);
        if (replace_digits != width_digits || (replace_mask_digits >= 0 && replace_mask_digits != width_digits))
            alert_message(1201);
        if (replace_mask_digits < 0) find.replace_mask = all;
        find.replace = true;
    }
    if (find.end < find.start) alert_message(951);
    return find;
}

// -SERIAL=<value>[+|-<incr>]@<address>[+|-<interval>][r<repetitions>]
SerialSpec parse_serial(const char* value, bool forced) {
    Scanner s{value};
    SerialSpec serial{};
    serial.forced = forced;
    serial.repetitions = 1;
    int digits;
    if (!s.eat('=')) bad_assignment(R_SERIAL);
    s.hex(serial.value, 64, &digits);
    if (digits < 1 || digits > 16) alert_message(956, 8);
    serial.width = (digits + 1) / 2;
    uint64_t step;
    bool negative = *s.p == '-';
    if (s.eat('+') || s.eat('-')) {
        if (!s.hex(step, 16)) bad_assignment(R_SERIAL);
        serial.increment = negative ? -static_cast<int64_t>(step) : static_cast<int64_t>(step);
    }
    if (!s.eat('@') || !s.hex32(serial.address)) bad_assignment(R_SERIAL);
    serial.interval = serial.width;
    negative = *s.p == '-';
    if (s.eat('+') || s.eat('-')) {
        if (!s.hex(step, 8)) bad_assignment(R_SERIAL);
        serial.interval = negative ? -static_cast<int64_t>(step) : static_cast<int64_t>(step);
    }
    if (s.eat_ci('r') && !s.c_integer(serial.repetitions)) bad_assignment(R_SERIAL);
    if (!s.at_end()) bad_assignment(R_SERIAL);
    // Each repetition stores the value's bytes: more than an image holds is a mistake, and
    // would take minutes and gigabytes to find out.
    if (serial.repetitions > 0 &&
        uint64_t(serial.repetitions) > max_image_bytes / static_cast<uint32_t>(serial.width))
        alert_message(1213, rows[R_SERIAL].name, static_cast<unsigned long>(max_image_bytes));
    return serial;
}

// -STRING@<address>[t<code>]=<text>: the text is taken byte for byte.
StringSpec parse_string(const char* value, bool forced) {
    StringSpec str{};
    str.forced = forced;
    const char* equals = strchr(value, '=');
    if (*value != '@' || !equals) bad_assignment(R_STRING);
    std::string head(value + 1, equals);
    Scanner s{head.c_str()};
    if (!s.hex32(str.address)) bad_assignment(R_STRING);
    if (s.eat_ci('t')) str.trailing = trailing_code(s, R_STRING);
    if (!s.at_end()) bad_assignment(R_STRING);
    str.text = equals + 1;
    return str;
}

void parse_format(const char* value, Settings& settings) {
    if (*value != '=') bad_assignment(R_FORMAT);
    std::string text = value + 1;
    size_t comma = text.find(',');
    std::string type = text.substr(0, comma);
    if (equals_ci(type, "INHX8M")) settings.kind = HexKind::inhx8m;
    else if (equals_ci(type, "INHX32")) settings.kind = HexKind::inhx32;
    else if (equals_ci(type, "INHX032")) settings.kind = HexKind::inhx032;
    else alert_message(1202, type.c_str());
    if (comma != std::string::npos) {
        long n = strtol(text.c_str() + comma + 1, nullptr, 0);
        settings.record_length = n >= 1 && n <= 16 ? static_cast<int>(n) : 16;
    }
}

void print_banner() {
    alert_message(1030, build_number);
    alert_print("Copyright (C) BRYLLEX Software");
    alert_message(1031, component_name);
}

// -HELP or -HELP=<option>; ends the program.
[[noreturn]] void help(const std::string& argument) {
    std::string value = argument.substr(5);
    if (value.empty()) {
        print_banner();
        alert_message(1032);
        alert_message(1033);
        for (const OptionRow& row : rows) printf("  %-*s : %s\n", 9, row.name, row.description);
        fflush(stdout);
        std::exit(0);
    }
    std::string wanted = value[0] == '=' ? value.substr(1) : value;
    // A leading '-' or '+' of the request is the option's own; rows are named after it.
    for (const OptionRow& row : rows) {
        bool match = equals_ci(row.name + 1, wanted) || (!wanted.empty() && equals_ci(row.name, wanted));
        if (match) {
            printf(" %s : %s\n  USAGE: %s%s\n", row.name, row.description, row.name, row.usage);
            printf("  Example: %s%s\n", row.name, row.example);
            fflush(stdout);
            std::exit(0);
        }
    }
    alert_message(953, wanted.c_str());
    exit_hook(1);
    std::exit(1);
}

void parse_warning_level(const std::string& arg) {
    const char* text = arg.c_str() + 2;
    char* end;
    strtol(text, &end, 10);
    // A level must read as a number; one that reads as 0 must be written with its '0'.
    if (end == text || (strtol(text, nullptr, 10) == 0 && !strchr(text, '0')))
        alert_message(168, arg.c_str());
}

}  // namespace

std::string justify_title(const std::string& title) {
    std::string cut = title.substr(0, title_width);
    return std::string(title_width - cut.size(), ' ') + cut;
}

bool parse_input_argument(const std::string& text, InputSpec& input) {
    size_t cut = text.rfind(',');
    if (cut == std::string::npos) cut = text.rfind('+');
    input.name = text.substr(0, cut);
    if (cut == std::string::npos) return !input.name.empty();
    std::string suffix = text.substr(cut);
    Scanner s{suffix.c_str()};
    while (!s.at_end()) {
        if (s.eat(',')) {
            if (*s.p != '-' && !s.hex32(input.start)) return false;
        } else if (s.eat('-')) {
            if (!s.hex32(input.end)) return false;
        } else if (s.eat('+')) {
            bool negative = s.eat('-');
            if (!s.hex32(input.offset)) return false;
            if (negative) input.offset = 0u - input.offset;
        } else {
            return false;
        }
    }
    return !input.name.empty();
}

Settings parse_command_line(int argc, char** argv) {
    Settings settings;
    if (argc <= 1) {
        print_banner();
        alert_message(1034, component_name);
        std::exit(0);
    }
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool forced = false;
        if (!arg.empty() && arg[0] == '+') {
            forced = true;
            arg.erase(0, 1);
        }
        if (arg.empty() || arg[0] != '-') {
            InputSpec input;
            if (!parse_input_argument(arg, input)) bad_assignment(R_FILE);
            input.forced = forced;
            if (static_cast<int>(settings.inputs.size()) >= max_inputs) alert_message(958, max_inputs);
            settings.inputs.push_back(input);
            continue;
        }
        const char* value;
        auto option = [&](const char* name) {
            if (!starts_with_ci(arg, name)) return false;
            value = argv[i] + (forced ? 1 : 0) + strlen(name);
            return true;
        };
        if (option("--edf=")) {
            if (!msgfile_open(value)) alert_print("Could not open error description file %s", value);
        } else if (option("--disl=") || option("--msgdisable=")) {
            alert_disable(value);
        } else if (option("--emax=")) {
            alert_set_max_errors(atoi(value));
        } else if (equals_ci(arg, "--ver")) {
            print_version_block();
            std::exit(0);
        } else if (starts_with_ci(arg, "-HELP") || starts_with_ci(arg, "--HELP")) {
            help(arg[1] == '-' ? arg.substr(1) : arg);
        } else if (option("-CK")) {
            check_count(settings.checksums, rows[R_CK].name, 3);
            settings.checksums.push_back(parse_checksum(value, forced));
        } else if (option("-FILL")) {
            check_count(settings.fills, rows[R_FILL].name, 3);
            settings.fills.push_back(parse_fill(value, forced));
        } else if (option("-FIND")) {
            check_count(settings.finds, rows[R_FIND].name, 3);
            settings.finds.push_back(parse_find(value, forced));
        } else if (option("-FORMAT")) {
            parse_format(value, settings);
        } else if (option("-LOGFILE")) {
            if (*value != '=' || value[1] == '\0') bad_assignment(R_LOGFILE);
            settings.log = value + 1;
        } else if (option("-SERIAL")) {
            check_count(settings.serials, rows[R_SERIAL].name, 4);
            settings.serials.push_back(parse_serial(value, forced));
        } else if (equals_ci(arg, "-STRPACK")) {
            alert_message(965);
        } else if (option("-STRING")) {
            check_count(settings.strings, rows[R_STRING].name, 4);
            settings.strings.push_back(parse_string(value, forced));
        } else if (option("-O")) {
            if (*value == '\0') alert_message(954);
            settings.output = value;
        } else if (option("-E")) {
            alert_set_formatted(1);
        } else if (option("-W")) {
            parse_warning_level(arg);
        } else {
            alert_message(168, arg.c_str());
        }
    }
    return settings;
}

}  // namespace patch
