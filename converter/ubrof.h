// UBROF object files: probe and listing.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "converter/context.h"

namespace conv {

// One byte into the 16-bit CRC of UBROF records (polynomial 0x8005, bits low to high).
uint16_t ubrof_crc(uint16_t crc, uint8_t byte);

bool ubrof_probe(conv_context& ctx, FILE* in);
void ubrof_read(conv_context& ctx, FILE* in, const std::string& name);
bool ubrof_write(conv_context& ctx, FILE* out, const std::string& name);
bool ubrof_dump(conv_context& ctx, FILE* in);

}  // namespace conv
