#include "objfmt/library.h"

#include <cstring>

#include "common/alert.h"

namespace obj {

namespace {

// Little-endian fields of the library layout.
uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// A NUL-terminated name inside [p, end); false when no NUL is there.
bool take_name(const uint8_t*& p, const uint8_t* end, std::string& out) {
    const void* nul = p < end ? std::memchr(p, 0, size_t(end - p)) : nullptr;
    if (!nul) return false;
    const uint8_t* n = static_cast<const uint8_t*>(nul);
    out.assign(reinterpret_cast<const char*>(p), size_t(n - p));
    p = n + 1;
    return true;
}

bool parse_directory(const uint8_t* header, const uint8_t* dir, size_t dir_bytes,
                     lib_directory& out) {
    out.dir_size = le16(header);
    uint16_t count = le16(header + 2);
    out.modules.clear();
    const uint8_t* p = dir;
    const uint8_t* end = dir + dir_bytes;
    uint32_t offset = lib_header_size + out.dir_size;
    for (uint32_t i = 0; i < count; ++i) {
        lib_module m;
        if (size_t(end - p) < lib_entry_fixed) return false;
        uint16_t list_size = le16(p);
        uint16_t sym_count = le16(p + 2);
        m.length = le32(p + 4);
        m.reserved = le32(p + 8);
        p += lib_entry_fixed;
        if (!take_name(p, end, m.name)) return false;
        if (size_t(end - p) < list_size) return false;
        const uint8_t* list_end = p + list_size;
        for (uint32_t s = 0; s < sym_count; ++s) {
            lib_symbol sym;
            if (p >= list_end) return false;
            sym.flag = *p++;
            if (!take_name(p, list_end, sym.name)) return false;
            m.symbols.push_back(std::move(sym));
        }
        p = list_end;
        m.offset = offset;
        offset += m.length;
        out.modules.push_back(std::move(m));
    }
    return true;
}

}  // namespace

bool read_lib_directory(const uint8_t* data, size_t size, lib_directory& out) {
    if (size < lib_header_size || size - lib_header_size < le16(data)) {
        alert_message(507);
        return false;
    }
    if (!parse_directory(data, data + lib_header_size, le16(data), out)) {
        alert_message(507);
        return false;
    }
    return true;
}

bool read_lib_directory(FILE* file, lib_directory& out) {
    uint8_t header[lib_header_size];
    if (std::fread(header, 1, lib_header_size, file) != lib_header_size) {
        alert_message(507);
        return false;
    }
    std::vector<uint8_t> dir(le16(header));
    if (!dir.empty() && std::fread(dir.data(), 1, dir.size(), file) != dir.size()) {
        alert_message(507);
        return false;
    }
    if (!parse_directory(header, dir.data(), dir.size(), out)) {
        alert_message(507);
        return false;
    }
    return true;
}

static uint32_t symbol_list_size(const lib_module& m) {
    uint32_t n = 0;
    for (const lib_symbol& s : m.symbols) n += uint32_t(s.name.size()) + 2;
    return n;
}

lib_limit check_lib_limits(const std::vector<lib_module>& modules) {
    if (modules.size() > 0xFFFF) return lib_limit::module_count;
    uint64_t dir = 0;
    for (const lib_module& m : modules) {
        uint32_t list = symbol_list_size(m);
        if (list > 0xFFFF) return lib_limit::sym_list_size;
        if (m.symbols.size() > 0xFFFF) return lib_limit::sym_count;
        dir += lib_entry_fixed + m.name.size() + 1 + list;
    }
    if (dir > 0xFFFF) return lib_limit::dir_size;
    return lib_limit::ok;
}

std::vector<uint8_t> encode_lib_directory(const std::vector<lib_module>& modules) {
    std::vector<uint8_t> out;
    if (check_lib_limits(modules) != lib_limit::ok) return out;
    std::vector<uint8_t> dir;
    for (const lib_module& m : modules) {
        put16(dir, symbol_list_size(m));
        put16(dir, uint32_t(m.symbols.size()));
        put32(dir, m.length);
        put32(dir, m.reserved);
        dir.insert(dir.end(), m.name.begin(), m.name.end());
        dir.push_back(0);
        for (const lib_symbol& s : m.symbols) {
            dir.push_back(s.flag);
            dir.insert(dir.end(), s.name.begin(), s.name.end());
            dir.push_back(0);
        }
    }
    put16(out, uint32_t(dir.size()));
    put16(out, uint32_t(modules.size()));
    out.insert(out.end(), dir.begin(), dir.end());
    return out;
}

}  // namespace obj
