// Readable text of an object file or a library, one line per record or entry, for tests
// and for looking at what a program wrote.
#pragma once
#include <cstdint>
#include <string>

#include "objfmt/objfmt.h"

namespace obj {

// Appends the text of every module in the bytes to out. False (after a numbered message)
// when a record cannot be read; out then holds everything up to the fault.
bool dump_object(const uint8_t* data, size_t size, std::string& out);
// The directory, then each module's records.
bool dump_library(const uint8_t* data, size_t size, std::string& out);
// Text of one encoded expression ("sym _x const 0x7F and end").
std::string expr_text(const uint8_t* data, size_t size, const byte_order& order);

}  // namespace obj
