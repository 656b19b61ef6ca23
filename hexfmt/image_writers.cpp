// The format table and the helpers that several image writers share.
#include "hexfmt/image_writers.h"

#include "hexfmt/writers.h"

namespace hexfmt {

uint8_t fill_byte(uint32_t fill, uint32_t address, const obj::byte_order& order) {
    // Which value byte the target keeps at this position of a 32-bit, then a 16-bit field.
    for (unsigned k = 0; k < 4; ++k)
        if (order.map32[k] == address % 4) {
            uint8_t b = static_cast<uint8_t>(fill >> (8 * k));
            if (b) return b;
            break;
        }
    for (unsigned k = 0; k < 2; ++k)
        if (order.map16[k] == address % 2) {
            uint8_t b = static_cast<uint8_t>(fill >> (8 * k));
            if (b) return b;
            break;
        }
    return static_cast<uint8_t>(fill);
}

int ext_tek_checksum(const std::string& text) {
    int sum = 0;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'A' && c <= 'Z') v = c - 'A' + 10;
        else if (c == '$') v = 36;
        else if (c == '%') v = 37;
        else if (c == '.') v = 38;
        else if (c == '_') v = 39;
        else if (c >= 'a' && c <= 'z') v = c - 'a' + 40;
        else return -1;
        sum += v;
    }
    return sum & 0xFF;
}

void Crc16::add(uint8_t byte) {
    for (int bit = 0; bit < 8; ++bit) {
        unsigned feedback = ((byte >> bit) & 1) ^ ((value_ >> 15) & 1);
        value_ = static_cast<uint16_t>(value_ << 1);
        if (feedback) value_ ^= 0x8005;
    }
}

static const FormatRow format_table[] = {
    {Format::intel, "Intel HEX", 32, false, false, make_intel},
    {Format::motorola, "Motorola HEX", 32, false, false, make_motorola},
    {Format::aahex, "American Automation Hex", 32, false, false, make_aahex},
    {Format::tektronix, "Tektronic Hex", 30, false, false, make_tektronix},
    {Format::ext_tektronix, "extended Tektronic Hex", 32, false, false, make_ext_tektronix},
    {Format::ubrof, "UBROF", 255, true, false, make_ubrof},
    {Format::binary, "Binary", 1024, true, true, make_binary},
    {Format::tsk, "tsk", 1024, true, true, make_tsk},
};

const FormatRow& format_row(Format format) {
    for (const FormatRow& row : format_table)
        if (row.format == format) return row;
    return format_table[0];
}

}  // namespace hexfmt
