// Rewriting one object file so that the listed global symbols become local.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "objfmt/objfmt.h"

namespace trim {

// True when `name` is a listed name, or "_" followed by one.
bool name_listed(const std::string& name, const std::vector<std::string>& names);

// Clears the global bit of the listed defined symbols in one SYM body, in place; false when
// the body ends inside an entry.
bool localise_symbols(std::vector<uint8_t>& body, const obj::byte_order& order,
                      const std::vector<std::string>& names);

// Copies the records of the first module from `in` to `out`, SYM bodies rewritten. Record
// errors are fatal (380, 381, 382, 413 with `out_name`).
void trim_stream(FILE* in, FILE* out, const std::string& out_name, const std::vector<std::string>& names);

// Rewrites the file through a temporary file in its own directory that replaces it at once;
// when the replacing fails the original stays and 460 is reported.
void trim_file(const std::string& path, const std::vector<std::string>& names);

}  // namespace trim
