#include "asmtools/ormarch/archive.h"

#include <map>

#include "common/alert.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"

namespace arch {

bool module_from_object(const std::string& name, const std::vector<uint8_t>& bytes, module& out) {
    obj::record_reader reader(bytes.data(), bytes.size());
    obj::byte_order order;
    std::map<std::string, uint8_t> flags;       // name -> flag, for merging
    std::vector<std::string> order_seen;
    for (;;) {
        obj::record r;
        obj::read_status s = reader.next(r);
        if (s != obj::read_status::ok) {
            obj::record_reader::report(s, r);
            return false;
        }
        if (r.type == obj::IDENT) {
            obj::ident_rec id;
            if (!obj::decode_ident(r.body, id)) {
                obj::report_incomplete(r.type, r.length);
                return false;
            }
            order = id.order;
        } else if (r.type == obj::SYM) {
            obj::body_cursor c(r.body.data(), r.body.size(), order);
            while (!c.at_end()) {
                obj::sym_entry e;
                if (!obj::decode_sym_entry(c, e)) {
                    obj::report_incomplete(r.type, r.length);
                    return false;
                }
                if (!e.global()) continue;
                uint8_t kind = e.kind();
                uint8_t flag;
                if (kind == obj::SYM_DEFINED || kind == obj::SYM_DEFINED7 || kind == obj::SYM_INDIRECT)
                    flag = obj::LIB_DEFINES;
                else if (kind == obj::SYM_EXTERN || kind == obj::SYM_COMMON)
                    flag = obj::LIB_REFERS;
                else
                    continue;
                auto it = flags.find(e.name);
                if (it == flags.end()) {
                    flags.emplace(e.name, flag);
                    order_seen.push_back(e.name);
                } else if (flag == obj::LIB_DEFINES) {
                    it->second = flag;
                }
            }
        }
        if (r.type == obj::END) break;
    }
    out.data.assign(bytes.begin(), bytes.begin() + std::ptrdiff_t(reader.position()));
    out.entry = obj::lib_module();
    out.entry.name = name;
    out.entry.length = uint32_t(out.data.size());
    for (const std::string& n : order_seen) out.entry.symbols.push_back({flags[n], n});
    return true;
}

bool modules_from_library(const std::vector<uint8_t>& bytes, std::vector<module>& out) {
    obj::lib_directory dir;
    if (!obj::read_lib_directory(bytes.data(), bytes.size(), dir)) return false;
    for (const obj::lib_module& m : dir.modules) {
        if (m.offset > bytes.size() || m.length > bytes.size() - m.offset) {
            alert_message(507);
            return false;
        }
        module mod;
        mod.entry = m;
        mod.entry.offset = 0;
        mod.data.assign(bytes.begin() + m.offset, bytes.begin() + m.offset + m.length);
        out.push_back(std::move(mod));
    }
    return true;
}

std::vector<uint8_t> build_library(const std::vector<module>& modules) {
    std::vector<obj::lib_module> entries;
    for (const module& m : modules) entries.push_back(m.entry);
    switch (obj::check_lib_limits(entries)) {
    case obj::lib_limit::ok: break;
    case obj::lib_limit::dir_size: alert_message(2883, "directory over 65535 bytes"); return {};
    case obj::lib_limit::module_count: alert_message(2883, "more than 65535 modules"); return {};
    case obj::lib_limit::sym_list_size:
        alert_message(2883, "a module's symbol list over 65535 bytes");
        return {};
    case obj::lib_limit::sym_count: alert_message(2883, "a module with more than 65535 symbols"); return {};
    }
    std::vector<uint8_t> out = obj::encode_lib_directory(entries);
    for (const module& m : modules) out.insert(out.end(), m.data.begin(), m.data.end());
    return out;
}

}  // namespace arch
