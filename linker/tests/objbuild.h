// Builds object modules and libraries for the linker's tests through the object-format
// module's writer, and runs the linker program on them.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "objfmt/library.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"

namespace testobj {

class module {
public:
    explicit module(const obj::byte_order& order = obj::byte_order::little()) : order_(order), writer_(&bytes_) {}

    module& ident(const std::string& machine = "PIC14", uint8_t major = 3, uint8_t minor = 7) {
        obj::ident_rec r;
        r.order = order_;
        r.machine = machine;
        r.has_version = true;
        r.version_major = major;
        r.version_minor = minor;
        obj::body_builder b(order_);
        obj::encode_ident(b, r);
        return record(obj::IDENT, b);
    }
    module& psect(const std::string& name, uint16_t flags) {
        obj::psect_rec r;
        r.flags = flags;
        r.name = name;
        obj::body_builder b(order_);
        obj::encode_psect(b, r);
        return record(obj::PSECT, b);
    }
    module& xpsect(const std::string& name, const std::string& cls, uint8_t delta = 1, uint8_t space = 0,
                   const std::string& with = "", uint32_t max_size = 0, uint16_t align = 0) {
        obj::xpsect_rec r;
        r.name = name;
        r.cls = cls;
        r.has_class = true;
        r.delta = delta;
        r.space = space;
        r.max_size = max_size;
        r.align = align;
        r.with = with;
        r.has_with = !with.empty();
        obj::body_builder b(order_);
        obj::encode_xpsect(b, r);
        return record(obj::XPSECT, b);
    }
    module& text(const std::string& psect, uint32_t offset, const std::vector<uint8_t>& data) {
        obj::text_rec r;
        r.offset = offset;
        r.psect = psect;
        r.data = data;
        obj::body_builder b(order_);
        obj::encode_text(b, r);
        return record(obj::TEXT, b);
    }
    module& reloc(uint16_t offset, uint8_t type, const std::string& target) {
        obj::reloc_entry r;
        r.offset = offset;
        r.type = type;
        r.target = target;
        obj::body_builder b(order_);
        obj::encode_reloc_entry(b, r);
        writer_.add_entry(obj::RELOC, b.data());
        return *this;
    }
    module& reloc_expr(uint16_t offset, uint8_t type, const std::vector<uint8_t>& expr) {
        obj::reloc_entry r;
        r.offset = offset;
        r.type = type;
        r.expr = expr;
        obj::body_builder b(order_);
        obj::encode_reloc_entry(b, r);
        writer_.add_entry(obj::RELOC, b.data());
        return *this;
    }
    module& sym(const std::string& name, uint32_t value, uint16_t flags, const std::string& psect = "") {
        obj::sym_entry e;
        e.name = name;
        e.value = value;
        e.flags = flags;
        e.psect = psect;
        obj::body_builder b(order_);
        obj::encode_sym_entry(b, e);
        writer_.add_entry(obj::SYM, b.data());
        return *this;
    }
    module& signat(const std::string& name, uint16_t sig) {
        obj::signat_entry e;
        e.name = name;
        e.signature = sig;
        obj::body_builder b(order_);
        obj::encode_signat_entry(b, e);
        writer_.add_entry(obj::SIGNAT, b.data());
        return *this;
    }
    module& fnconf(const std::string& psect, const std::string& local, const std::string& arg) {
        obj::fnconf_rec r;
        r.psect = psect;
        r.local_prefix = local;
        r.arg_prefix = arg;
        obj::body_builder b(order_);
        obj::encode_fnconf(b, r);
        return record(obj::FNCONF, b);
    }
    module& fninfo(const obj::fninfo_entry& e) {
        obj::body_builder b(order_);
        obj::encode_fninfo_entry(b, e);
        writer_.add_entry(obj::FNINFO, b.data());
        return *this;
    }
    module& fncall(const std::string& a, const std::string& b) { return fninfo(fn(obj::FN_CALL, a, b)); }
    module& fnroot(const std::string& a) { return fninfo(fn(obj::FN_ROOT, a, "")); }
    module& fnsize(const std::string& a, uint32_t local, uint32_t arg) {
        obj::fninfo_entry e = fn(obj::FN_SIZE, a, "");
        e.local_size = local;
        e.arg_size = arg;
        return fninfo(e);
    }
    module& condexpr(const std::vector<uint8_t>& expr) {
        writer_.write_record(obj::CONDEXPR, expr);
        return *this;
    }
    module& start(const std::string& psect, uint32_t address) {
        obj::start_rec r;
        r.address = address;
        r.psect = psect;
        obj::body_builder b(order_);
        obj::encode_start(b, r);
        return record(obj::START, b);
    }
    module& raw(uint8_t type, const std::vector<uint8_t>& body) {
        writer_.write_record(type, body);
        return *this;
    }
    module& end() {
        writer_.write_record(obj::END, std::vector<uint8_t>{0, 0});
        writer_.flush();
        return *this;
    }
    const std::vector<uint8_t>& bytes() {
        writer_.flush();
        return bytes_;
    }
    void write(const std::string& path) {
        const std::vector<uint8_t>& b = bytes();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                    static_cast<std::streamsize>(b.size()));
    }
    const obj::byte_order& order() const { return order_; }

private:
    static obj::fninfo_entry fn(uint8_t kind, const std::string& a, const std::string& b) {
        obj::fninfo_entry e;
        e.kind = kind;
        e.name = a;
        e.other = b;
        return e;
    }
    module& record(uint8_t type, const obj::body_builder& b) {
        writer_.write_record(type, b.data());
        return *this;
    }
    obj::byte_order order_;
    std::vector<uint8_t> bytes_;
    obj::record_writer writer_;
};

// A library of the given modules: each module's directory lists the defined (flag 0) and
// referenced (flag 1) symbols given.
struct lib_member {
    std::string name;
    std::vector<uint8_t> data;
    std::vector<std::string> defines;
    std::vector<std::string> refers;
};

inline void write_library(const std::string& path, const std::vector<lib_member>& members) {
    std::vector<obj::lib_module> mods;
    for (const lib_member& m : members) {
        obj::lib_module lm;
        lm.name = m.name;
        lm.length = static_cast<uint32_t>(m.data.size());
        for (const std::string& d : m.defines) lm.symbols.push_back({obj::LIB_DEFINES, d});
        for (const std::string& r : m.refers) lm.symbols.push_back({obj::LIB_REFERS, r});
        mods.push_back(lm);
    }
    std::vector<uint8_t> bytes = obj::encode_lib_directory(mods);
    for (const lib_member& m : members) bytes.insert(bytes.end(), m.data.begin(), m.data.end());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

inline std::string read_text(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

inline std::vector<uint8_t> read_bytes(const std::string& path) {
    std::vector<uint8_t> out;
    obj::read_file(path, out);
    return out;
}

// Every record of a file (one module or several), for checking outputs.
inline std::vector<obj::record> records_of(const std::vector<uint8_t>& bytes) {
    std::vector<obj::record> out;
    obj::record_reader r(bytes.data(), bytes.size());
    obj::record rec;
    while (r.next(rec) == obj::read_status::ok) out.push_back(rec);
    return out;
}

}  // namespace testobj
