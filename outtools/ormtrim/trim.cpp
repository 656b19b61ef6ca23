// Object rewriting: every record of the first module is copied, SYM records with the global
// bit of the listed names cleared.
#include "outtools/ormtrim/trim.h"

#include <cerrno>
#include <cstring>

#include "common/alert.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"
#include "common/replace_file.h"

namespace trim {

namespace {

constexpr uint32_t body_limit = 512;
constexpr int type_limit = 18;

void write_record(FILE* out, const std::string& out_name, const obj::record& r) {
    // The header's length is always low byte first.
    uint8_t header[3] = {static_cast<uint8_t>(r.length), static_cast<uint8_t>(r.length >> 8), r.type};
    // An empty body has no data pointer to hand to fwrite.
    if (fwrite(header, 1, 3, out) != 3 ||
        (!r.body.empty() && fwrite(r.body.data(), 1, r.body.size(), out) != r.body.size()))
        alert_message(413, out_name.c_str());
}

}  // namespace

bool name_listed(const std::string& name, const std::vector<std::string>& names) {
    for (const std::string& listed : names)
        if (name == listed || (!name.empty() && name[0] == '_' && name.compare(1, std::string::npos, listed) == 0))
            return true;
    return false;
}

bool localise_symbols(std::vector<uint8_t>& body, const obj::byte_order& order,
                      const std::vector<std::string>& names) {
    obj::body_cursor c(body.data(), body.size(), order);
    while (!c.at_end()) {
        size_t entry = c.pos();
        obj::sym_entry sym;
        if (!obj::decode_sym_entry(c, sym)) return false;
        // Only defined symbols (kinds 0, 1, 8, 9) lose the bit, in the byte holding the
        // flags' low half. A corrupt IDENT may name any byte: only its low bit selects, as
        // in every other reader of the order.
        uint8_t& low = body[entry + 4 + (order.map16[0] & 1)];
        if ((low & 0x10) && !(low & 0x06) && name_listed(sym.name, names)) low &= static_cast<uint8_t>(~0x10);
    }
    return true;
}

void trim_stream(FILE* in, FILE* out, const std::string& out_name, const std::vector<std::string>& names) {
    obj::record_reader reader(in, body_limit, type_limit);
    obj::byte_order order;
    for (;;) {
        obj::record r;
        switch (reader.next(r)) {
        case obj::read_status::ok: break;
        case obj::read_status::end_of_input: return;
        case obj::read_status::bad_type: alert_message(380, static_cast<int>(r.type)); break;
        case obj::read_status::too_long:
            alert_message(381, obj::record_name(r.type), static_cast<int>(r.length));
            break;
        case obj::read_status::short_header:
        case obj::read_status::short_body:
            alert_message(382, static_cast<int>(r.type), static_cast<int>(r.length));
            break;
        }
        if (r.type == obj::IDENT) {
            obj::ident_rec ident;
            if (obj::decode_ident(r.body, ident)) order = ident.order;
        } else if (r.type == obj::SYM && !localise_symbols(r.body, order, names)) {
            alert_message(382, static_cast<int>(r.type), static_cast<int>(r.length));
        }
        write_record(out, out_name, r);
        if (r.type == obj::END) return;   // later modules are dropped
    }
}

void trim_file(const std::string& path, const std::vector<std::string>& names) {
    FILE* in = fopen(path.c_str(), "rb");
    if (!in) alert_message(141, "input", path.c_str());
    replacing_file out;
    if (!out.create(path, true)) alert_message(378, "temporary", path.c_str());
    trim_stream(in, out.stream(), out.temp_name(), names);
    // An input that could not be read (a folder) must not pass for an empty object.
    if (ferror(in)) alert_message(141, "input", path.c_str());
    fclose(in);
    std::string temp = out.temp_name();
    errno = 0;
    int done = out.commit(true);
    if (done == 0) alert_message(413, temp.c_str());
    if (done < 0) {
        int error = errno;
        alert_message(460, error, strerror(error));
    }
}

}  // namespace trim
