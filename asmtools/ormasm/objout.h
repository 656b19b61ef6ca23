// Turns what the assembler produced into an object module.
#pragma once
#include <cstdint>
#include <vector>

#include "asmtools/ormasm/assembler.h"

namespace asmx {

constexpr uint8_t object_version_major = 3;
constexpr uint8_t object_version_minor = 7;
extern const char object_machine[];

// Appends the module's records to out. False (after a message) when a symbol cannot be
// represented, such as a global name standing for a complex expression.
bool build_object(assembler& a, std::vector<uint8_t>& out);

}  // namespace asmx
