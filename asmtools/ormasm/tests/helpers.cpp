#include "asmtools/ormasm/tests/helpers.h"


#include "objfmt/dump/dump.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"

namespace asmtest {

std::vector<uint8_t> psect_bytes(const std::vector<uint8_t>& object, const std::string& psect) {
    std::vector<obj::record> recs;
    std::vector<uint8_t> out;
    if (!obj::read_module(object.data(), object.size(), recs)) return out;
    for (const obj::record& r : recs) {
        if (r.type != obj::TEXT) continue;
        obj::body_cursor c(r.body.data(), r.body.size(), obj::byte_order());
        obj::text_rec t;
        if (!obj::decode_text(c, t) || t.psect != psect) continue;
        if (out.size() < t.offset + t.data.size()) out.resize(t.offset + t.data.size());
        std::copy(t.data.begin(), t.data.end(), out.begin() + t.offset);
    }
    return out;
}

std::vector<uint16_t> words_of(const std::vector<uint8_t>& bytes) {
    std::vector<uint16_t> w;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) w.push_back(uint16_t(bytes[i] | (bytes[i + 1] << 8)));
    return w;
}

std::string dump(const std::vector<uint8_t>& object) {
    std::string text;
    if (!obj::dump_object(object.data(), object.size(), text)) return {};
    return text;
}

}  // namespace asmtest
