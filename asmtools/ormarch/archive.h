// Building a library from object files and libraries.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "objfmt/library.h"

namespace arch {

struct module {
    obj::lib_module entry;          // name, length, symbols
    std::vector<uint8_t> data;      // the module's object records up to its END
};

// The first module of an object file's bytes, with its directory symbols: defined globals
// (kinds 0, 7 and indirect 8) flag 0; references and common symbols flag 1; a name listed
// once, as a definition when the module both defines and refers to it. False after a
// message when the records cannot be read.
bool module_from_object(const std::string& name, const std::vector<uint8_t>& bytes, module& out);

// Every module of a library's bytes. False after a message when the library is damaged.
bool modules_from_library(const std::vector<uint8_t>& bytes, std::vector<module>& out);

// The library file's bytes; empty after message 2883 when a 16-bit field would overflow.
std::vector<uint8_t> build_library(const std::vector<module>& modules);

}  // namespace arch
