#include "converter/coff_format.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace conv {

namespace {
const uint8_t wide_sizes[16] = {0, 0, 1, 2, 4, 4, 4, 8, 0, 0, 0, 0, 1, 2, 4, 4};
const uint8_t narrow_sizes[16] = {0, 0, 1, 2, 2, 4, 4, 4, 0, 0, 0, 0, 1, 2, 2, 4};
}  // namespace

const uint8_t mcoff_type_sizes[16] = {0, 0, 1, 2, 2, 4, 4, 4, 0, 0, 0, 0, 1, 2, 2, 4};

const coff_machine coff_machines[COFF_MACHINES] = {
    {"Motorola 68K", 0x150, 0x200, byte_order::big, wide_sizes, 4, 6, 1, 1},
    {"Tower", 0x198, 0x200, byte_order::big, wide_sizes, 4, 6, 1, 1},
    {"Hitachi H8/300", 0x8300, 0x200, byte_order::big, narrow_sizes, 2, 8, 1, 1},
    {"Hitachi H8/300H", 0x8301, 0x200, byte_order::big, wide_sizes, 4, 8, 1, 1},
    {"Hitachi SH", 0x500, 0x200, byte_order::big, wide_sizes, 4, 8, 1, 1},
    {"PIC30", 0x1236, 0x100, byte_order::little, wide_sizes, 4, 8, 2, 1},
};

const char* coff_class_name(uint32_t cls) {
    static const char* const low[21] = {
        "null class", "automatic variable", "external symbol", "static", "register variable",
        "external definition", "label", "undefined label", "member of structure", "function argument",
        "structure tag", "member of union", "union tag", "type definition", "undefined static",
        "enumeration tag", "member of enumeration", "register parameter", "bit field", "auto argument",
        "dummy entry (end of block)",
    };
    static const char* const high[10] = {
        ".bb or .eb", ".bf or .ef", "end of structure", "file name", "line # reformatted as symbol table entry",
        "duplicate tag", "ext symbol in dmert public lib", "end of file", "absolute listing toggle", "section",
    };
    if (cls <= 20) return low[cls];
    if (cls >= 100 && cls <= 109) return high[cls - 100];
    if (cls == 127) return "weak symbol (GNU)";
    if (cls == 255) return "physical end of function";
    return nullptr;
}

const char* const coff_header_flag_names[13] = {
    "Stripped", "Executable", "No lines", "No locals", "0x10", "0x20", "0x40", "16 bit little endian",
    "32 bit little endian", "32 bit big endian", "0x400", "0x800", "New style syms",
};

const char* const coff_section_flag_names[17] = {
    "dummy", "noload", "group", "padding", "group end", "text", "data", "bss", "romdata", "0x200", "0x400",
    "0x800", "absolute", "shared", "overlaid", "access bank", "activation record",
};

const char* const coff_base_type_names[16] = {
    "null", "void", "char", "short", "int", "long", "float", "double",
    "struct", "union", "enum", "moe", "uchar", "ushort", "uint", "ulong",
};

std::vector<uint8_t> read_all(FILE* in) {
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    return bytes;
}

uint32_t coff_strings::store(const std::string& s) {
    for (const auto& [text, offset] : index_)
        if (text == s) return offset;
    uint32_t offset = size();
    index_.emplace_back(s, offset);
    bytes_.insert(bytes_.end(), s.begin(), s.end());
    bytes_.push_back(0);
    return offset;
}

void coff_strings::append_to(std::vector<uint8_t>& image, byte_order order) const {
    uint8_t length[4];
    put32(length, size(), order);
    image.insert(image.end(), length, length + 4);
    image.insert(image.end(), bytes_.begin(), bytes_.end());
}

void coff_put_name(uint8_t* field, const std::string& name, coff_strings& strings, byte_order order) {
    std::memset(field, 0, 8);
    if (name.size() <= 8) {
        std::memcpy(field, name.data(), name.size());
    } else {
        put32(field + 4, strings.store(name), order);
    }
}

bool coff_string_at(const std::vector<uint8_t>& table, uint32_t offset, std::string& out) {
    if (offset < 4 || offset >= table.size()) return false;
    const uint8_t* start = table.data() + offset;
    const void* nul = std::memchr(start, 0, table.size() - offset);
    size_t n = nul ? static_cast<const uint8_t*>(nul) - start : table.size() - offset;
    out.assign(reinterpret_cast<const char*>(start), n);
    return true;
}

void coff_put_header(uint8_t* p, uint16_t magic, uint16_t sections, uint32_t symptr, uint32_t nsyms,
                     uint16_t opthdr, uint16_t flags, byte_order order) {
    put16(p, magic, order);
    put16(p + 2, sections, order);
    put32(p + 4, static_cast<uint32_t>(std::time(nullptr)), order);
    put32(p + 8, symptr, order);
    put32(p + 12, nsyms, order);
    put16(p + 16, opthdr, order);
    put16(p + 18, flags, order);
}

void coff_put_section(uint8_t* p, const coff_section_header& h, bool long_names, coff_strings& strings,
                      byte_order order) {
    std::memset(p, 0, COFF_SECTION);
    if (long_names) coff_put_name(p, h.name, strings, order);
    else std::memcpy(p, h.name.data(), std::min<size_t>(h.name.size(), 8));
    put32(p + 8, h.paddr, order);
    put32(p + 12, h.vaddr, order);
    put32(p + 16, h.size, order);
    put32(p + 20, h.scnptr, order);
    put32(p + 28, h.lnnoptr, order);
    put16(p + 34, h.nlines, order);
    put32(p + 36, h.flags, order);
}

}  // namespace conv
