// Reading the Intel HEX inputs: upper-case digits only, types 00, 01 and 04.
#include <cstdio>

#include "common/alert.h"
#include "hexfmt/ihex_reader.h"
#include "outtools/ormpatch/patch.h"

namespace patch {

void read_hex_stream(Image& image, FILE* stream, const InputSpec& input, int index) {
    hexfmt::IntelHexRules rules;
    rules.bad_digit = 942;
    rules.bad_type = 960;
    rules.checksum = 636;
    rules.no_end = 966;
    const uint8_t tag = static_cast<uint8_t>((ORIGIN_INPUT + index) | (input.forced ? TAG_FORCED : 0));
    hexfmt::read_intel_hex(stream, input.name, rules, [&](uint32_t address, const uint8_t* bytes, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            uint32_t at = address + static_cast<uint32_t>(i);
            if (at >= input.start && at <= input.end) image.store(at + input.offset, bytes[i], tag);
        }
    });
}

void read_input(Image& image, const InputSpec& input, int index) {
    FILE* stream = fopen(input.name.c_str(), "r");
    if (!stream) alert_message(141, "input", input.name.c_str());
    read_hex_stream(image, stream, input, index);
    // An input that could not be read (a folder) must not pass for an empty one.
    if (ferror(stream)) alert_message(141, "input", input.name.c_str());
    fclose(stream);
}

}  // namespace patch
