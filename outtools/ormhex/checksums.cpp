// Checksum lists: "start-end dest[-dest_end] [+initial]" entries in hex, with C comments.
#include <cctype>

#include "common/alert.h"
#include "outtools/ormhex/hexconv.h"

namespace hex {

namespace {

constexpr size_t max_checksums = 256;

struct ListScanner {
    const std::string& text;
    size_t pos = 0;

    // Skips white space and comments; a '/' that opens no comment is a syntax error.
    void skip() {
        for (;;) {
            while (pos < text.size() && isspace(static_cast<unsigned char>(text[pos]))) ++pos;
            if (pos < text.size() && text[pos] == '/') {
                if (pos + 1 >= text.size() || text[pos + 1] != '*') alert_message(427);
                size_t close = text.find("*/", pos + 2);
                pos = close == std::string::npos ? text.size() : close + 2;
                continue;
            }
            return;
        }
    }
    bool at_end() {
        skip();
        return pos >= text.size();
    }
    bool eat(char c) {
        skip();
        if (pos < text.size() && text[pos] == c) {
            ++pos;
            return true;
        }
        return false;
    }
    bool hex(uint32_t& value) {
        skip();
        if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) pos += 2;
        size_t start = pos;
        uint32_t v = 0;
        while (pos < text.size() && isxdigit(static_cast<unsigned char>(text[pos]))) {
            char c = static_cast<char>(toupper(static_cast<unsigned char>(text[pos++])));
            v = v << 4 | static_cast<uint32_t>(isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'A' + 10);
        }
        value = v;
        return pos > start;
    }
};

}  // namespace

std::vector<ChecksumEntry> parse_checksum_list(const std::string& text) {
    std::vector<ChecksumEntry> list;
    ListScanner s{text};
    while (!s.at_end()) {
        ChecksumEntry e{};
        if (!s.hex(e.start) || !s.eat('-') || !s.hex(e.end) || !s.hex(e.destination)) alert_message(427);
        e.destination_end = e.destination;
        if (s.eat('-') && !s.hex(e.destination_end)) alert_message(427);
        if (s.eat('+') && !s.hex(e.initial)) alert_message(427);
        if (list.size() >= max_checksums) alert_message(1209, static_cast<int>(max_checksums));
        list.push_back(e);
    }
    return list;
}

void apply_checksums(PageImage& image, const std::vector<ChecksumEntry>& list, const obj::byte_order& order) {
    for (const ChecksumEntry& e : list) {
        uint32_t width = e.destination_end - e.destination + 1;
        if (width != 1 && width != 2 && width != 4) alert_message(430);
        uint32_t sum = e.initial;
        for (uint64_t address = e.start; address <= e.end; ++address) {
            uint8_t value;
            if (!image.get(static_cast<uint32_t>(address), value)) value = image.preset(static_cast<uint32_t>(address));
            sum += value;
        }
        uint8_t bytes[4] = {static_cast<uint8_t>(sum), 0, 0, 0};
        if (width == 2) {
            sum &= 0xFFFF;
            obj::put_word(order, bytes, static_cast<uint16_t>(sum));
        } else if (width == 4) {
            obj::put_long(order, bytes, sum);
        } else {
            sum &= 0xFF;
        }
        alert_message(940, static_cast<int>(width * 8), static_cast<unsigned long>(sum),
                      static_cast<unsigned long>(e.destination));
        for (uint32_t i = 0; i < width; ++i) image.put(e.destination + i, bytes[i]);
    }
}

}  // namespace hex
