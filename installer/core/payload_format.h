// Layout of the installer file: program image, padded to an aligned offset N, then marker,
// N, M, one gzip stream of length-prefixed entries, and the MD5 digest of bytes [0, M).
#pragma once
#include <cstdint>

namespace inst {

constexpr uint32_t fingerprint_offset = 23040;
constexpr uint32_t fingerprint_size = 16;
constexpr uint32_t first_payload_offset = 204800;
constexpr uint32_t payload_alignment = 1024;
constexpr uint32_t header_size = 16;
constexpr uint32_t digest_size = 16;

// The marker, built when needed so that the program's own data never holds it whole.
inline void payload_marker(uint8_t out[8]) {
    // Volatile, or the optimiser stores the eight bytes as one constant in the code.
    volatile uint8_t first = 0xA3;
    for (int i = 0; i < 8; ++i)
        out[i] = uint8_t(first - i);
}

inline uint32_t get_u32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void put_u32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

}  // namespace inst
