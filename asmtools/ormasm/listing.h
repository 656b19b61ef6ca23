// The assembler listing: each source line with the location and code it produced.
#pragma once
#include <string>

#include "asmtools/ormasm/assembler.h"

namespace asmx {

// The listing text; code words of delta-2 psects are shown as words, other data as bytes,
// before relocation (fields the linker fills in show their unrelocated bits).
std::string make_listing(const assembler& a, const std::string& source_name);

}  // namespace asmx
