// What ormpatch's command line asks for: inputs, output, log and the image operations.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace patch {

struct InputSpec {
    std::string name;
    uint32_t start = 0;            // window, inclusive
    uint32_t end = 0xFFFFFFFFu;
    uint32_t offset = 0;           // added to every address
    bool forced = false;
};

struct FillSpec {
    uint32_t start, end;           // inclusive
    std::vector<uint8_t> code;     // 1 to 8 bytes, first byte first
    bool forced;
};

struct FindSpec {
    uint64_t code, mask;           // up to 8 bytes, most significant byte first in memory
    int width;                     // bytes
    uint32_t start, end, align;
    bool warn;
    std::string title;             // right-justified in its 14-character field
    bool replace;
    uint64_t replace_code, replace_mask;
    uint32_t matches;
    bool forced;
};

struct SerialSpec {
    uint64_t value;                // up to 8 bytes
    int width;
    int64_t increment;
    uint32_t address;
    int64_t interval;
    long repetitions;
    bool forced;
};

struct StringSpec {
    uint32_t address;
    std::string text;
    std::vector<uint8_t> trailing;   // stored after every byte, most significant first
    bool forced;
};

struct ChecksumSpec {
    uint32_t start, end, destination, initial;
    int width;                       // 1 to 4 bytes
    std::vector<uint8_t> trailing;
    bool done;
    uint32_t result;
    bool forced;
};

enum class HexKind { inhx8m, inhx32, inhx032 };

struct Settings {
    std::vector<InputSpec> inputs;
    std::string output;              // empty: standard output
    std::string log;                 // empty: no log
    HexKind kind = HexKind::inhx32;
    int record_length = 16;
    std::vector<FillSpec> fills;
    std::vector<FindSpec> finds;
    std::vector<SerialSpec> serials;
    std::vector<StringSpec> strings;
    std::vector<ChecksumSpec> checksums;
};

// Reads the arguments (argv[0] is the program). Help requests print and exit; malformed
// values end the program with their numbered message.
Settings parse_command_line(int argc, char** argv);

// Pieces of the option values, exposed for the tests.
bool parse_input_argument(const std::string& text, InputSpec& input);
std::string justify_title(const std::string& title);

}  // namespace patch
