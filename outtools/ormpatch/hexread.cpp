// Reading the Intel HEX inputs: upper-case digits only, types 00, 01 and 04.
#include <cstdio>

#include "common/alert.h"
#include "hexfmt/hexfmt.h"
#include "outtools/ormpatch/patch.h"

namespace patch {

namespace {

struct HexReader {
    FILE* stream;
    const InputSpec& input;
    int32_t line = 0;
    unsigned sum = 0;

    // One byte of two hex digits; anything else (end of file too) is fatal 942.
    uint8_t byte() {
        int value = 0;
        for (int i = 0; i < 2; ++i) {
            int c = getc(stream);
            int digit = c == EOF ? -1 : hexfmt::hex_value(static_cast<char>(c));
            if (digit < 0) alert_message(942, line, input.name.c_str());
            value = value << 4 | digit;
        }
        sum += static_cast<unsigned>(value);
        return static_cast<uint8_t>(value);
    }

    // Skips to the next ':'; false at the end of the file.
    bool next_record() {
        int c;
        while ((c = getc(stream)) != EOF)
            if (c == ':') {
                ++line;
                return true;
            }
        return false;
    }
};

}  // namespace

void read_hex_stream(Image& image, FILE* stream, const InputSpec& input, int index) {
    HexReader reader{stream, input};
    const uint8_t tag = static_cast<uint8_t>((ORIGIN_INPUT + index) | (input.forced ? TAG_FORCED : 0));
    uint32_t upper = 0;
    for (;;) {
        if (!reader.next_record()) {
            alert_message(966, input.name.c_str());
            return;
        }
        reader.sum = 0;
        uint8_t count = reader.byte();
        uint32_t address = reader.byte() << 8;
        address |= reader.byte();
        uint8_t type = reader.byte();
        if (type == 0) {
            for (uint32_t i = 0; i < count; ++i) {
                uint8_t value = reader.byte();
                uint32_t at = (upper << 16) + address + i;
                if (at >= input.start && at <= input.end) image.store(at + input.offset, value, tag);
            }
        } else if (type == 4) {
            upper = reader.byte() << 8;
            upper |= reader.byte();
        } else if (type == 1) {
            return;
        } else {
            alert_message(960, static_cast<unsigned>(type), reader.line, input.name.c_str());
        }
        reader.byte();
        if (reader.sum & 0xFF) alert_message(636, input.name.c_str(), reader.line);
    }
}

void read_input(Image& image, const InputSpec& input, int index) {
    FILE* stream = fopen(input.name.c_str(), "r");
    if (!stream) alert_message(141, "input", input.name.c_str());
    read_hex_stream(image, stream, input, index);
    fclose(stream);
}

}  // namespace patch
