// printf format check (see printf_check.cpp).
#pragma once
#include <cstdint>

// Features of the conversions scanned so far.
extern uint32_t printf_feature_bits;
// With `restart` the scan begins at `format`, else it goes on where it stopped. Returns the basic
// code of the next expected argument (pointer kinds carry 0x80), 0 when none is left, 127 for no
// format or after an error.
int32_t printf_format_check(const char* format, bool restart);
