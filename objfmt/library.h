// Library files: a 4-byte header, a directory of modules with the symbols each defines
// (flag 0) or refers to (any other flag), then the modules' object data in directory order.
// Every number of the header and directory is low byte first.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace obj {

constexpr uint32_t lib_header_size = 4;
constexpr uint32_t lib_entry_fixed = 12;   // bytes of a directory entry before its name
enum : uint8_t { LIB_DEFINES = 0, LIB_REFERS = 1 };

struct lib_symbol {
    uint8_t flag = LIB_DEFINES;
    std::string name;
    bool defines() const { return flag == LIB_DEFINES; }
};

struct lib_module {
    std::string name;
    uint32_t length = 0;        // bytes of the module's object data
    uint32_t reserved = 0;
    std::vector<lib_symbol> symbols;
    uint32_t offset = 0;        // filled by the reader: file offset of the object data
};

struct lib_directory {
    uint16_t dir_size = 0;
    std::vector<lib_module> modules;
    uint32_t data_start() const { return lib_header_size + dir_size; }
};

// Reads header and directory from bytes (a file's start suffices). Every count and name is
// bounded by the directory; a short file, a missing NUL, a symbol list that overruns its entry
// or an entry that overruns the directory gives 507 "unexpected end of file in object file"
// and false. Module offsets are computed from the lengths (not checked against the file size).
bool read_lib_directory(const uint8_t* data, size_t size, lib_directory& out);
bool read_lib_directory(FILE* file, lib_directory& out);   // from the file's current position

enum class lib_limit { ok, dir_size, module_count, sym_list_size, sym_count };
// Checks the 16-bit fields of the directory the modules would give.
lib_limit check_lib_limits(const std::vector<lib_module>& modules);
// Header and directory bytes for these modules (lengths as given); empty when a limit fails.
std::vector<uint8_t> encode_lib_directory(const std::vector<lib_module>& modules);

}  // namespace obj
