// Field accessors of the binary formats, whose byte order follows the target, and the number
// encodings of the text formats (hex digits) and DWARF (LEB128).
#pragma once
#include <cstdint>

namespace conv {

enum class byte_order : uint8_t { little = 0, big = 1 };

uint16_t get16(const uint8_t* p, byte_order order);
uint32_t get32(const uint8_t* p, byte_order order);
uint64_t get64(const uint8_t* p, byte_order order);
void put16(uint8_t* p, uint16_t value, byte_order order);
void put32(uint8_t* p, uint32_t value, byte_order order);
void put64(uint8_t* p, uint32_t low, uint32_t high, byte_order order);

// Two hex digits (either case); 0xFFFF when either is not one.
uint32_t hex_byte(const char* text);
// 256 * hex_byte(text) + hex_byte(text + 2), unchecked: a bad digit gives a value above 0xFFFF.
uint32_t hex_word(const char* text);

// Read at the cursor and advance it past every byte read, never beyond `end`.
uint32_t get_uleb128(const uint8_t*& cursor, const uint8_t* end);
int32_t get_sleb128(const uint8_t*& cursor, const uint8_t* end);

}  // namespace conv
