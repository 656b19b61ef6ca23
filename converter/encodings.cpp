#include "converter/encodings.h"

#include <cctype>

#include "hexfmt/hexfmt.h"

namespace conv {

uint16_t get16(const uint8_t* p, byte_order order) {
    return order == byte_order::big ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
}

uint32_t get32(const uint8_t* p, byte_order order) {
    if (order == byte_order::big) return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

uint64_t get64(const uint8_t* p, byte_order order) {
    uint64_t first = get32(p, order), second = get32(p + 4, order);
    return order == byte_order::big ? first << 32 | second : second << 32 | first;
}

void put16(uint8_t* p, uint16_t value, byte_order order) {
    uint8_t lo = uint8_t(value), hi = uint8_t(value >> 8);
    p[0] = order == byte_order::big ? hi : lo;
    p[1] = order == byte_order::big ? lo : hi;
}

void put32(uint8_t* p, uint32_t value, byte_order order) {
    for (int i = 0; i < 4; ++i) {
        uint8_t b = uint8_t(value >> (8 * i));
        p[order == byte_order::big ? 3 - i : i] = b;
    }
}

void put64(uint8_t* p, uint32_t low, uint32_t high, byte_order order) {
    put32(p, order == byte_order::big ? high : low, order);
    put32(p + 4, order == byte_order::big ? low : high, order);
}

uint32_t hex_byte(const char* text) {
    int hi = hexfmt::hex_value(static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))));
    if (hi < 0) return 0xFFFF;
    int lo = hexfmt::hex_value(static_cast<char>(std::toupper(static_cast<unsigned char>(text[1]))));
    if (lo < 0) return 0xFFFF;
    return uint32_t(hi << 4 | lo);
}

uint32_t hex_word(const char* text) {
    uint32_t hi = hex_byte(text);
    if (hi == 0xFFFF) return 0xFFFF00;   // stays above 0xFFFF without reading past a short text
    return 256 * hi + hex_byte(text + 2);
}

uint32_t get_uleb128(const uint8_t*& cursor, const uint8_t* end) {
    uint32_t value = 0;
    unsigned shift = 0;
    while (cursor < end) {
        uint8_t b = *cursor++;
        if (shift < 32) value |= uint32_t(b & 0x7F) << shift;   // surplus groups are dropped
        shift += 7;
        if (!(b & 0x80)) break;
    }
    return value;
}

int32_t get_sleb128(const uint8_t*& cursor, const uint8_t* end) {
    uint32_t value = 0;
    unsigned shift = 0;
    uint8_t b = 0;
    while (cursor < end) {
        b = *cursor++;
        if (shift < 32) value |= uint32_t(b & 0x7F) << shift;
        shift += 7;
        if (!(b & 0x80)) break;
    }
    if (shift < 32 && (b & 0x40)) value |= ~uint32_t(0) << shift;
    return static_cast<int32_t>(value);
}

}  // namespace conv
