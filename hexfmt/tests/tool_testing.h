// Object files built record by record for the output tools' tests.
#pragma once
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "objfmt/record_io.h"
#include "objfmt/records.h"

namespace tooltest {

// An object file built record by record in a given byte order.
class ObjectBuilder {
public:
    explicit ObjectBuilder(obj::byte_order order = obj::byte_order()) : order_(order), writer_(&bytes_) {}

    ObjectBuilder& ident(const std::string& machine = "16F877") {
        obj::ident_rec r;
        r.order = order_;
        r.machine = machine;
        return record(obj::IDENT, [&](obj::body_builder& b) { obj::encode_ident(b, r); });
    }
    ObjectBuilder& text(uint32_t address, const std::vector<uint8_t>& data, const std::string& psect = "text") {
        return record(obj::TEXT, [&](obj::body_builder& b) { obj::encode_text(b, {address, psect, data}); });
    }
    ObjectBuilder& start(uint32_t address, uint8_t type = obj::START) {
        return record(type, [&](obj::body_builder& b) { obj::encode_start(b, {address, "text"}); });
    }
    ObjectBuilder& symbol(const std::string& name, uint32_t value, uint16_t flags = obj::SYM_GLOBAL,
                          const std::string& psect = "text") {
        obj::sym_entry e;
        e.value = value;
        e.flags = flags;
        e.psect = psect;
        e.name = name;
        return record(obj::SYM, [&](obj::body_builder& b) { obj::encode_sym_entry(b, e); });
    }
    ObjectBuilder& reloc(uint16_t offset, uint8_t type, const std::string& target = "text") {
        obj::reloc_entry e;
        e.offset = offset;
        e.type = type;
        e.target = target;
        return record(obj::RELOC, [&](obj::body_builder& b) { obj::encode_reloc_entry(b, e); });
    }
    ObjectBuilder& raw(uint8_t type, const std::vector<uint8_t>& body) {
        writer_.write_record(type, body);
        return *this;
    }
    ObjectBuilder& end() { return raw(obj::END, {0, 0}); }

    const std::vector<uint8_t>& bytes() {
        writer_.flush();
        return bytes_;
    }
    void save(const std::string& path) {
        const std::vector<uint8_t>& b = bytes();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
    }

private:
    template <typename F>
    ObjectBuilder& record(uint8_t type, F encode) {
        obj::body_builder b(order_);
        encode(b);
        writer_.write_record(type, b.data());
        return *this;
    }

    obj::byte_order order_;
    std::vector<uint8_t> bytes_;
    obj::record_writer writer_;
};

}  // namespace tooltest
