// Holtek debug files (checksummed records of file names, symbols, line numbers and C scopes)
// and the tsk image's header and data.
#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "common/alert.h"
#include "converter/formats.h"

namespace conv {

namespace {

constexpr uint8_t R_HEADER = 0x4A, R_FILES = 0x70, R_SYMBOLS = 0x78, R_LINES = 0x74, R_SCOPE = 0xC2, R_END = 0xCA;
constexpr uint8_t MARKER = 0xCB;
constexpr size_t BUFFER = 1024, MAX_LENGTH = 65534;
constexpr uint32_t TSK_HEADER = 32, TSK_PIECE = 256;
constexpr byte_order LE = byte_order::little;

const char* record_name(uint8_t type) {
    switch (type) {
    case R_HEADER: return "Debug header";
    case R_FILES: return "File names";
    case R_SYMBOLS: return "Symbol info";
    case R_LINES: return "Line number info";
    case R_SCOPE: return "C scope info";
    case R_END: return "File end";
    default: return nullptr;
    }
}

const char* const symbol_types[7] = {"near label", "far label", "bit", "nibble", "byte", "word", "dword"};

void put_number(std::vector<uint8_t>& out, uint32_t value) {
    if (value < 128) {
        out.push_back(static_cast<uint8_t>(value));
    } else {
        out.push_back(static_cast<uint8_t>(0x80 | ((value >> 8) & 0x7F)));
        out.push_back(static_cast<uint8_t>(value));
    }
}

// A number at the cursor; false when the body ends first.
bool take_number(const std::vector<uint8_t>& body, size_t& at, uint32_t& value) {
    if (at >= body.size()) return false;
    uint8_t b = body[at++];
    if (!(b & 0x80)) {
        value = b;
        return true;
    }
    if (at >= body.size()) return false;
    value = uint32_t(b & 0x7F) << 8 | body[at++];
    return true;
}

struct dbg_record {
    uint8_t type = 0;
    uint32_t offset = 0;
    std::vector<uint8_t> body;
};

enum class got { record, end, bad };

// One record from `at`; the marker and its three bytes are passed over.
got next_record(const std::vector<uint8_t>& b, size_t& at, dbg_record& r, bool messages) {
    while (at < b.size() && b[at] == MARKER) at += 4;
    if (at >= b.size()) return got::end;
    r.offset = static_cast<uint32_t>(at);
    r.type = b[at];
    if (b.size() - at < 3) {
        if (messages) alert_message(1041);
        return got::bad;
    }
    uint32_t length = get16(&b[at + 1], LE);
    if (length == 0 || b.size() - at - 3 < length) {
        if (messages) alert_message(1041);
        return got::bad;
    }
    uint32_t sum = 0;
    for (size_t i = 0; i < 3 + length; ++i) sum += b[at + i];
    if (sum & 0xFF) {
        if (messages) alert_message(1040, r.type, sum & 0xFF);
        return got::bad;
    }
    r.body.assign(b.begin() + static_cast<std::ptrdiff_t>(at + 3), b.begin() + static_cast<std::ptrdiff_t>(at + 2 + length));
    at += 3 + length;
    return got::record;
}

// Records are gathered in a buffer: items of one type share a record until the buffer nears its end.
class dbg_writer {
public:
    void open(uint8_t type, std::vector<uint8_t> head = {}) {
        close();
        type_ = type;
        head_ = std::move(head);
    }
    void item(const std::vector<uint8_t>& bytes) {
        size_t used = 3 + head_.size() + body_.size();
        size_t left = used < BUFFER ? BUFFER - used : 0;
        size_t reserve = type_ == R_LINES ? 4 : 257;
        if (!body_.empty() && (left < reserve || bytes.size() > left)) write();
        body_.insert(body_.end(), bytes.begin(), bytes.end());
    }
    void close() {
        if (type_ && !body_.empty()) write();
        type_ = 0;
    }
    // A record of its own, whatever its size within what the length field holds.
    void whole(uint8_t type, std::vector<uint8_t> body) {
        close();
        type_ = type;
        head_.clear();
        body_ = std::move(body);
        if (body_.size() > MAX_LENGTH - 1) body_.resize(MAX_LENGTH - 1);
        write();
        type_ = 0;
    }
    std::vector<uint8_t> image;

private:
    void write() {
        size_t start = image.size();
        uint16_t length = static_cast<uint16_t>(head_.size() + body_.size() + 1);
        image.push_back(type_);
        image.push_back(static_cast<uint8_t>(length));
        image.push_back(static_cast<uint8_t>(length >> 8));
        image.insert(image.end(), head_.begin(), head_.end());
        image.insert(image.end(), body_.begin(), body_.end());
        uint32_t sum = 0;
        for (size_t i = start; i < image.size(); ++i) sum += image[i];
        image.push_back(static_cast<uint8_t>(-sum));
        body_.clear();
    }
    uint8_t type_ = 0;
    std::vector<uint8_t> head_, body_;
};

bool ends_with_nocase(const std::string& s, const char* tail) {
    size_t n = std::strlen(tail);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != tail[i]) return false;
    return true;
}

bool is_float(const dbg_type& t) {
    for (const type_elem& e : t.elems)
        if (e.kind == elem_kind::base) return e.value == BASE_FLOAT;
    return false;
}

class htk_builder {
public:
    explicit htk_builder(conv_context& ctx) : ctx_(ctx), md_(ctx.md) {}

    std::vector<uint8_t> build() {
        w_.whole(R_HEADER, {1, 0});
        w_.image.insert(w_.image.end(), {MARKER, 0x55, 0x55, 0x00});
        files();
        debug_symbols();
        model_symbols();
        lines();
        if (ctx_.dbg.global_block)
            for (dbg_sym* module : ctx_.dbg.global_block->children)
                if (module->cls == sclass::module) scopes(module, 1);
        w_.whole(R_END, {});
        return std::move(w_.image);
    }

private:
    void number_file(const std::string& name) {
        if (file_numbers_.count(name)) return;
        file_numbers_[name] = static_cast<uint32_t>(file_numbers_.size() + 1);
        std::vector<uint8_t> entry{static_cast<uint8_t>(std::min<size_t>(name.size(), 255))};
        entry.insert(entry.end(), name.begin(), name.begin() + entry[0]);
        w_.item(entry);
    }

    void markers(const dbg_sym* scope) {
        for (const dbg_sym* c : scope->children) {
            if (c->cls == sclass::filename) number_file(c->name);
            else if (c->cls == sclass::func || c->cls == sclass::block) markers(c);
        }
    }

    void files() {
        w_.open(R_FILES);
        for (const auto& f : md_.files)
            if ((f->symbol_count || f->line_count) && !ends_with_nocase(f->name, ".sym") && !ends_with_nocase(f->name, ".obj"))
                number_file(f->name);
        if (ctx_.dbg.global_block)
            for (const dbg_sym* module : ctx_.dbg.global_block->children)
                if (module->cls == sclass::module) markers(module);
        w_.close();
    }

    void symbol_entry(const std::string& name, uint32_t value, uint8_t type, uint32_t file, uint8_t section) {
        if (!open_ || file != file_ || section != section_) {
            std::vector<uint8_t> head;
            put_number(head, file);
            head.push_back(section);
            w_.open(R_SYMBOLS, head);
            open_ = true;
            file_ = file;
            section_ = section;
        }
        std::vector<uint8_t> e{static_cast<uint8_t>(std::min<size_t>(name.size(), 255))};
        e.insert(e.end(), name.begin(), name.begin() + e[0]);
        e.push_back(static_cast<uint8_t>(value));
        e.push_back(static_cast<uint8_t>(value >> 8));
        e.push_back(type);
        w_.item(e);
        ++entries_;
    }

    void debug_symbol(dbg_sym* sym, dbg_sym* scope) {
        uint32_t address = 0, space = 0;
        conv_symbol* flat = md_.sym_lookup(sym->name);
        if (flat) written_.insert(flat);
        if (!mach_place_symbol(ctx_.machine.current, md_, sym, scope, address, space)) return;
        bool function = type_is_function(sym->type);
        std::string name = sym->name;
        if (!function && !name.empty() && name[0] == '_') name.erase(0, 1);
        // A compiler-made name "F<digits>_<letter>..." keeps what follows the "_".
        size_t digits = 1;
        while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits]))) ++digits;
        if (name.size() > digits + 1 && name[0] == 'F' && digits > 1 && name[digits] == '_' &&
            std::isalpha(static_cast<unsigned char>(name[digits + 1])))
            name.erase(0, digits + 1);
        const conv_segment* seg = md_.segment(space);
        uint8_t section = function || !seg || seg->name != "RAM" ? 1 : 0;
        uint8_t type = 4;
        if (type_is_bit(sym->type)) {
            type = 2;
        } else if (function) {
            type = 1;
        } else {
            size_t top = sym->type.elems.size();
            while (top > 0 && (sym->type.elems[top - 1].kind == elem_kind::array ||
                               sym->type.elems[top - 1].kind == elem_kind::qualifiers))
                --top;
            uint32_t size = top ? mach_type_size(ctx_.machine.current, sym->type, top - 1) : 0;
            bool real = is_float(sym->type);
            type = size == 1 ? 4 : size == 2 ? 5 : size == 3 ? (real ? 28 : 5) : size == 4 ? (real ? 29 : 6) : 4;
        }
        symbol_entry(name, address, type, current_file_, section);
        entry_of_[sym] = entries_;
    }

    void walk_symbols(dbg_sym* scope) {
        for (dbg_sym* c : scope->children) {
            switch (c->cls) {
            case sclass::extern_: case sclass::static_: case sclass::auto_: case sclass::param: case sclass::reg:
                debug_symbol(c, scope);
                break;
            case sclass::func: case sclass::block: walk_symbols(c); break;
            case sclass::filename: {
                auto found = file_numbers_.find(c->name);
                current_file_ = found == file_numbers_.end() ? 0 : found->second;
                break;
            }
            default: break;
            }
        }
    }

    void debug_symbols() {
        if (!ctx_.dbg.global_block) return;
        for (dbg_sym* module : ctx_.dbg.global_block->children)
            if (module->cls == sclass::module) walk_symbols(module);
    }

    void model_symbols() {
        for (const auto& f : md_.files) {
            auto found = file_numbers_.find(f->name);
            if (found == file_numbers_.end()) continue;
            for (const conv_symbol* s : f->symbols)
                if (!(s->flags & SYM_LOCAL) && !written_.count(s)) symbol_entry(s->name, s->value, 1, found->second, 1);
        }
        w_.close();
    }

    void lines() {
        uint32_t number = 0;
        for (const auto& f : md_.files) {
            auto found = file_numbers_.find(f->name);
            if (found == file_numbers_.end() || f->lines.empty()) continue;
            std::vector<uint8_t> head;
            put_number(head, found->second);
            head.push_back(1);
            w_.open(R_LINES, head);
            for (const conv_line* l : f->lines) {
                w_.item({static_cast<uint8_t>(l->line), static_cast<uint8_t>(l->line >> 8),
                         static_cast<uint8_t>(l->address), static_cast<uint8_t>(l->address >> 8)});
                line_entries_.push_back({f->name, static_cast<uint32_t>(l->line), ++number});
            }
            w_.close();
        }
    }

    uint32_t line_entry(const std::string& file, uint32_t line) const {
        for (const auto& e : line_entries_)
            if (e.line == line && e.file == file) return e.number;
        return 0;
    }

    void scopes(const dbg_sym* scope, uint32_t parent) {
        for (const dbg_sym* c : scope->children) {
            if (c->cls != sclass::func && c->cls != sclass::block) continue;
            uint32_t number = ++scope_count_;
            std::vector<uint32_t> members;
            bool inner = false;
            for (const dbg_sym* m : c->children) {
                auto found = entry_of_.find(m);
                if (found != entry_of_.end()) members.push_back(found->second);
                inner |= m->cls == sclass::func || m->cls == sclass::block;
            }
            if (!members.empty() || inner) {
                uint32_t first = line_entry(c->link_name, c->first_line);
                uint32_t last = line_entry(c->link_name, c->last_line);
                std::vector<uint8_t> body{static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                                          static_cast<uint8_t>(parent), static_cast<uint8_t>(parent >> 8)};
                put_number(body, first ? first : 1);
                put_number(body, last > 1 ? last - 1 : 1);
                for (uint32_t m : members) {
                    if (body.size() + 4 > MAX_LENGTH - 1) break;   // the length field holds no more
                    put_number(body, m);
                    put_number(body, m);
                }
                w_.whole(R_SCOPE, std::move(body));
            }
            scopes(c, number);
        }
    }

    struct line_ref {
        std::string file;
        uint32_t line, number;
    };
    conv_context& ctx_;
    const model& md_;
    dbg_writer w_;
    std::map<std::string, uint32_t> file_numbers_;
    std::unordered_set<const conv_symbol*> written_;
    std::unordered_map<const dbg_sym*, uint32_t> entry_of_;
    std::vector<line_ref> line_entries_;
    uint32_t entries_ = 0, current_file_ = 0, file_ = 0, scope_count_ = 1;
    uint8_t section_ = 0;
    bool open_ = false;
};

void dump_body(const dbg_record& r, std::map<uint32_t, std::string>& files, std::vector<std::string>& names,
               std::vector<std::pair<uint32_t, uint32_t>>& line_refs) {
    const std::vector<uint8_t>& b = r.body;
    size_t at = 0;
    switch (r.type) {
    case R_HEADER:
        std::printf("Header: ");
        for (uint8_t c : b)
            if (c) std::putchar(c);
        std::printf("\n");
        return;
    case R_FILES:
        while (at < b.size()) {
            uint32_t n = b[at];
            if (b.size() - at - 1 < n) {
                std::printf("Error in record length");
                break;
            }
            std::string name(reinterpret_cast<const char*>(&b[at + 1]), n);
            at += 1 + n;
            std::printf("\nFile: '%s", name.c_str());
            files[static_cast<uint32_t>(files.size() + 1)] = name;
        }
        std::printf("\n");
        return;
    case R_SYMBOLS:
    case R_LINES: {
        uint32_t file = 0;
        if (!take_number(b, at, file) || at >= b.size()) {
            std::printf("Record length error\n");
            return;
        }
        const char* section = b[at++] ? "CODE" : "DATA";
        if (r.type == R_SYMBOLS) {
            std::printf("File index = %u, Section = %s\n", file, section);
            while (at < b.size()) {
                uint32_t n = b[at];
                if (b.size() - at < 4 + size_t(n)) {
                    std::printf("Record length error\n");
                    return;
                }
                std::string name(reinterpret_cast<const char*>(&b[at + 1]), n);
                uint32_t value = get16(&b[at + 1 + n], LE), type = b[at + 3 + n];
                at += 4 + n;
                std::printf("\t\t%16.16s = %4.4X, type = %s\n", name.c_str(), value, type < 7 ? symbol_types[type] : "illegal");
                names.push_back(name);
            }
        } else {
            auto f = files.find(file);
            if (f != files.end()) std::printf("File = %s, ", f->second.c_str());
            else std::printf("File = %u, ", file);
            std::printf("Section = %s\n", section);
            while (at < b.size()) {
                if (b.size() - at < 4) {
                    std::printf("Record length error\n");
                    return;
                }
                uint32_t line = get16(&b[at], LE), address = get16(&b[at + 2], LE);
                at += 4;
                std::printf("\tLine %4d =  = %4.4X\n", int(line), address);
                line_refs.emplace_back(file, line);
            }
        }
        return;
    }
    case R_SCOPE: {
        uint32_t first = 0, last = 0;
        if (b.size() < 4 || (at = 4, !take_number(b, at, first)) || !take_number(b, at, last)) {
            std::printf("Record length error\n");
            return;
        }
        std::printf("Block ID = %d, Parent ID = %d, Line range = ", int(get16(&b[0], LE)), int(get16(&b[2], LE)));
        if (first >= 1 && first <= line_refs.size()) {
            auto f = files.find(line_refs[first - 1].first);
            std::printf("%s:%u-", f == files.end() ? "?" : f->second.c_str(), line_refs[first - 1].second);
        } else {
            std::printf("%u-", first);
        }
        std::printf("%u\n", last >= 1 && last <= line_refs.size() ? line_refs[last - 1].second : last);
        auto name = [&](uint32_t n) { return n >= 1 && n <= names.size() ? names[n - 1].c_str() : "BADSYM"; };
        while (at < b.size()) {
            uint32_t one = 0, two = 0;
            if (!take_number(b, at, one) || !take_number(b, at, two)) {
                std::printf("Record length error\n");
                return;
            }
            std::printf("%16.16s (%d)%16.16s(%d)\n", name(one), int(one), name(two), int(two));
        }
        return;
    }
    default: std::printf("\n"); return;
    }
}

}  // namespace

bool htk_probe(conv_context&, FILE* in) {
    std::vector<uint8_t> b = read_all(in);
    size_t at = 0;
    dbg_record r;
    return next_record(b, at, r, false) == got::record && r.type == R_HEADER;
}

void htk_read(conv_context&, FILE* in, const std::string&) {
    std::vector<uint8_t> b = read_all(in);
    size_t at = 0;
    dbg_record r;
    for (got g; (g = next_record(b, at, r, true)) == got::record;)
        if (!record_name(r.type)) {
            alert_message(1042, "DBG", r.type);
            return;
        }
}

bool htk_write(conv_context& ctx, FILE* out, const std::string& name) {
    std::vector<uint8_t> image = htk_builder(ctx).build();
    if (std::fwrite(image.data(), 1, image.size(), out) != image.size()) alert_message(413, name.c_str());
    return true;
}

bool htk_dump(conv_context& ctx, FILE* in) {
    std::vector<uint8_t> b = read_all(in);
    std::printf("Holtek DBG file dump:\n");
    std::map<uint32_t, std::string> files;
    std::vector<std::string> names;
    std::vector<std::pair<uint32_t, uint32_t>> line_refs;
    size_t at = 0;
    dbg_record r;
    got g;
    while ((g = next_record(b, at, r, true)) == got::record) {
        const char* kind = record_name(r.type);
        char unknown[24];
        if (!kind) {
            std::snprintf(unknown, sizeof unknown, "Unknown(0x%X)", r.type);
            kind = unknown;
        }
        std::printf("@%4.4X %16.16s, len %3d: ", r.offset, kind, int(r.body.size()));
        dump_body(r, files, names, line_refs);
        if (ctx.opt.verbose_level > 1) hex_dump_bytes(stdout, 0, 16, r.body.data(), uint32_t(r.body.size()), "%04X:", false);
    }
    return g == got::end;
}

bool tsk_probe(conv_context&, FILE* in) {
    uint8_t h[16];
    return std::fread(h, 1, sizeof h, in) == sizeof h && h[0] == 'H' && h[1] == 'L' && h[8] == 0x20 && h[9] == 0;
}

void tsk_read(conv_context& ctx, FILE* in, const std::string&) {
    std::vector<uint8_t> b = read_all(in);
    if (b.size() < 16) return;
    uint32_t header = get32(&b[8], LE), length = get32(&b[12], LE);
    if (header > TSK_HEADER) return;   // a layout this reader does not know
    size_t start = std::max<uint32_t>(header, 16);
    if (b.size() < start || b.size() - start < length) return (void)alert_message(1037, "tsk image");
    std::vector<uint8_t> data;
    for (uint32_t done = 0; done < length; done += TSK_PIECE)
        data.insert(data.end(), b.begin() + static_cast<std::ptrdiff_t>(start + done),
                    b.begin() + static_cast<std::ptrdiff_t>(start + std::min(length, done + TSK_PIECE)));
    if (!data.empty()) ctx.md.data_add(0, data.data(), length, 0);
}

bool tsk_dump(conv_context&, FILE* in) {
    std::vector<uint8_t> b = read_all(in);
    if (b.size() < TSK_HEADER) {
        alert_message(1037, "tsk header");
        return false;
    }
    std::printf("Holtek TSK file dump:\n");
    std::printf("version = %.6s; data start = 0x%X; length = 0x%X\n", reinterpret_cast<const char*>(&b[2]),
                get32(&b[8], LE), get32(&b[12], LE));
    std::printf("MCU = %.16s\n", reinterpret_cast<const char*>(&b[16]));
    return true;
}

}  // namespace conv
