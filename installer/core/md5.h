// MD5 (RFC 1321), our own: the installer checks its payload with it on every platform, and the
// packer writes the digest with it.
#pragma once
#include <cstddef>
#include <cstdint>

struct md5_state {
    uint32_t a, b, c, d;
    uint64_t length;          // bytes fed so far
    uint8_t block[64];        // bytes of the unfinished block
};

void md5_init(md5_state& state);
void md5_update(md5_state& state, const void* data, size_t size);
void md5_final(md5_state& state, uint8_t digest[16]);
