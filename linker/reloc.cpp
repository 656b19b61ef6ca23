#include "linker/reloc.h"

#include <cstdio>
#include <cstring>

#include "common/alert.h"
#include "linker/context.h"
#include "linker/link.h"
#include "linker/options.h"
#include "linker/output.h"
#include "linker/symtab.h"
#include "linker/util.h"
#include "objfmt/objfmt.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"

namespace lnk {

void flush_text_record(context& cx) {
    if (!cx.pending.active) return;
    cx.pending.active = false;
    if (cx.opts.symbols_only && !cx.opts.binary) return;
    out_text(cx, cx.pending.out_offset, cx.pending.psect, cx.pending.data.data(), cx.pending.data.size());
    for (const out_reloc_entry& r : cx.pending.relocs) out_reloc(cx, r.offset, r.type, r.target);
    cx.pending.relocs.clear();
}

namespace {

constexpr size_t STACK_DEPTH = 42;

uint32_t delta_of(const name_entry* psect) {
    return psect && psect->rec && psect->rec->delta ? psect->rec->delta : 1;
}

// Module's start in a psect: its running size, 0 for an overlaid psect.
uint32_t module_start(const name_entry* psect) {
    if (!psect || !psect->rec || (psect->flags & FL_OVERLAID)) return 0;
    return psect->rec->running;
}

uint32_t psect_address(const name_entry* psect) {
    return (psect->rec->link + module_start(psect)) / delta_of(psect);
}

const name_entry* symbol_owner_psect(const name_entry* sym) {
    const name_entry* p = sym->owner;
    return p && p->rec ? p : nullptr;
}

name_entry* find_psect(context& cx, const std::string& name) {
    name_entry* e = link_sym_lookup(cx, name, FL_PSECT);
    if (!e) alert_message(517, "psect", name.c_str());
    return e;
}

name_entry* find_symbol(context& cx, const std::string& name) {
    name_entry* e = link_sym_lookup(cx, name, FL_GLOBAL);
    if (!e) alert_message(517, "symbol", name.c_str());
    return e;
}

uint32_t symbol_units(const name_entry* sym) {
    const name_entry* p = symbol_owner_psect(sym);
    return p ? sym->value / delta_of(p) : sym->value;
}

uint32_t read_field(context& cx, const std::vector<uint8_t>& data, uint32_t offset, uint32_t bytes) {
    const obj::byte_order& o = output_order(cx);
    const uint8_t* p = data.data() + offset;
    switch (bytes) {
    case 1: return p[0];
    case 2: return obj::get_word(o, p);
    case 3: return obj::get_triple(o, p);
    default: return obj::get_long(o, p);
    }
}

void write_field(context& cx, std::vector<uint8_t>& data, uint32_t offset, uint32_t bytes, uint32_t v) {
    const obj::byte_order& o = output_order(cx);
    uint8_t* p = data.data() + offset;
    switch (bytes) {
    case 1: p[0] = static_cast<uint8_t>(v); break;
    case 2: obj::put_word(o, p, static_cast<uint16_t>(v)); break;
    case 3: obj::put_triple(o, p, v); break;
    default: obj::put_long(o, p, v); break;
    }
}

}  // namespace

void apply_fixup(context& cx, std::vector<uint8_t>& data, uint32_t base, uint32_t overhead, uint32_t offset, uint8_t type,
                 uint32_t value, const name_entry* ref_psect, const char* ref_kind, const std::string& ref) {
    uint32_t s = type & 0x0F;
    bool bitfield = (type & 0xC0) == 0xC0;
    uint32_t bytes, mask;
    if (bitfield) {
        mask = (1u << s) - 1;
        bytes = (s + 7) / 8;
    } else {
        bytes = s;
        mask = s >= 4 ? 0xFFFFFFFFu : (1u << (8 * s)) - 1;
    }
    if (uint64_t(offset) + bytes > data.size()) {
        alert_message(508, offset, static_cast<int>(data.size()), overhead);
        return;
    }
    if (bytes < 1 || bytes > 4) {
        alert_message(509, type);
        return;
    }
    uint32_t stored = read_field(cx, data, offset, bytes);
    uint32_t field = stored & mask;
    if (mask != 0xFFFFFFFFu && (field & ((mask >> 1) + 1))) field |= ~mask;
    uint32_t result = field + value;
    write_field(cx, data, offset, bytes, (result & mask) | (stored & ~mask));
    uint32_t check = result;
    if (bytes == 1 && ref_psect && (ref_psect->flags & (FL_BYTE_FIXUP | FL_BIT))) check &= 0xFF;
    if ((check & ~mask) && (check | mask) != 0xFFFFFFFFu && !(ref_psect && ref_psect->rec && ref_psect->rec->failed)) {
        if (ref.empty() || !ref_kind)
            alert_message(477, ul(base + offset), ul(base), offset, bytes, ul(check));
        else
            alert_message(476, ref_kind, ref.c_str(), ul(base + offset), ul(base), offset, bytes, ul(check));
    }
}

uint32_t rotated_immediate(uint32_t v) {
    if (v < 256) return v;
    uint32_t n = 0;
    while (!((v >> n) & 1)) ++n;
    if (v & ~(0xFFu << n)) return 0xFFFF;
    if ((32 - n) % 2 == 0) return ((32 - n) / 2) * 256 + (v >> n);
    uint32_t part = (v >> n) * 2;
    if (part > 255) return 0xFFFFFFFFu;
    return ((33 - n) / 2) * 256 + part;
}

std::optional<uint32_t> eval_complex_reloc(context& cx, const uint8_t* expr, size_t size, size_t& used, uint32_t base,
                                           uint32_t offset) {
    if (cx.opts.partial || cx.opts.load_reloc || cx.opts.load_reloc_marked) alert_message(510);
    obj::body_cursor c(expr, size, output_order(cx));
    uint32_t stack[STACK_DEPTH];
    size_t depth = 0;
    std::string range_name;
    auto bad = [&]() -> std::optional<uint32_t> {
        alert_message(513);
        used = size;
        return std::nullopt;
    };
    auto push = [&](uint32_t v) {
        if (depth >= STACK_DEPTH) return false;
        stack[depth++] = v;
        return true;
    };
    while (!c.at_end()) {
        uint8_t op = c.u8();
        uint32_t v = 0;
        // Binary operators: T (top) with N (below); the result replaces N.
        if ((op >= 4 && op <= 12) || op == 15 || op == 17 || op == 22) {
            if (depth < 2) return bad();
            uint32_t t = stack[depth - 1], n = stack[depth - 2];
            switch (op) {
            case 4: v = t + n; break;
            case 5: v = t - n; break;
            case 6: v = t * n; break;
            case 7: v = n ? t / n : 0; break;
            case 8: v = t << (n % 32); break;
            case 9: v = t >> (n % 32); break;
            case 10: v = t & n; break;
            case 11: v = t | n; break;
            case 12: v = t ^ n; break;
            case 15: v = (t >> ((n & 0xFF) % 32)) & ~(1u << ((n >> 16) % 32)); break;
            case 17: v = n ? t % n : 0; break;
            default: {   // 22: arithmetic shift right
                uint32_t sh = n % 32;
                v = sh ? (t >> sh) | ((t & 0x80000000u) ? ~(0xFFFFFFFFu >> sh) : 0) : t;
                break;
            }
            }
            --depth;
            stack[depth - 1] = v;
            continue;
        }
        switch (op) {
        case 0:
            if (depth != 1) return bad();
            used = c.pos();
            return stack[0];
        case 1: case 2: case 13: case 14: case 21: case 23:
            if (depth < 1) return bad();
            v = stack[depth - 1];
            if (op == 1) v &= 0xFF;
            else if (op == 2) v = (v >> 8) & 0xFF;
            else if (op == 13) v = ~v;
            else if (op == 14) v = 0u - v;
            else if (op == 21) v = rotated_immediate(v);
            else v = (v & 0x80000000u) ? 0u - v : v;
            stack[depth - 1] = v;
            break;
        case 3:
            v = c.u32();
            if (c.failed() || !push(v)) return bad();
            break;
        case 16: case 80: case 144: {
            std::string name = c.name();
            if (c.failed()) return bad();
            name_entry* p = find_psect(cx, name);
            if (!p) {
                used = size;
                return std::nullopt;
            }
            cx.current_ref_psect = p;
            if (op == 144) {
                p->flags |= FL_SELECTOR_REF;
                v = p->rec->selector;
            } else {
                v = psect_address(p);
                if (op == 80) v -= base + offset;
            }
            if (!push(v)) return bad();
            break;
        }
        case 32: case 96: case 160: {
            std::string name = c.name();
            if (c.failed()) return bad();
            name_entry* s = find_symbol(cx, name);
            if (!s) {
                used = size;
                return std::nullopt;
            }
            const name_entry* p = symbol_owner_psect(s);
            if (op == 160) {
                v = p ? p->rec->selector : 0;
                if (p) const_cast<name_entry*>(p)->flags |= FL_SELECTOR_REF;
            } else {
                v = symbol_units(s);
                if (p) cx.current_ref_psect = p;
                if (op == 96) v -= base + offset;
            }
            if (!push(v)) return bad();
            break;
        }
        case 18:
            if (depth != 2) {
                alert_message(511);
                used = size;
                return std::nullopt;
            }
            if (stack[1] < stack[0])
                alert_message(478, range_name.c_str(), ul(base + offset), ul(base), offset, ul(stack[0]), ul(stack[1]));
            used = size;
            return std::nullopt;
        case 19:
            range_name = c.name();
            if (c.failed()) return bad();
            break;
        case 20: {
            std::string name = c.name();
            if (c.failed()) return bad();
            if (!push(link_sym_lookup(cx, name, FL_GLOBAL) ? 1 : 0)) return bad();
            break;
        }
        default:
            alert_message(512, op);
            break;
        }
        if (depth == 0) return bad();
    }
    return bad();
}

namespace {

// One entry of a full link.
void apply_entry(context& cx, const obj::reloc_entry& r) {
    uint8_t type = r.type;
    uint8_t kind = type & 0xF0;
    uint32_t value = 0;
    const name_entry* ref_psect = nullptr;
    const char* ref_kind = nullptr;
    cx.current_ref_psect = nullptr;
    bool complex = kind == 0x30 || kind == 0x70 || kind == 0xF0;
    if (complex) {
        size_t used = 0;
        auto result = eval_complex_reloc(cx, r.expr.data(), r.expr.size(), used, cx.pending.base, r.offset);
        if (!result) return;
        value = *result;
        if (kind == 0x70) value -= r.offset + cx.pending.base;
        apply_fixup(cx, cx.pending.data, cx.pending.base, cx.pending.overhead, r.offset, type, value, cx.current_ref_psect, nullptr, "");
        return;
    }
    switch (kind) {
    case 0x00: case 0x80: break;
    case 0x10: case 0xD0: case 0x40: case 0x50: case 0x90: {
        name_entry* p = find_psect(cx, r.target);
        if (!p) return;
        ref_psect = p;
        ref_kind = "psect";
        if (kind == 0x90) {
            p->flags |= FL_SELECTOR_REF;
            value = p->rec->selector;
        } else {
            value = psect_address(p);
            if (kind == 0x40 || kind == 0x50) value -= cx.pending.base + r.offset;
        }
        break;
    }
    case 0x20: case 0xE0: case 0x60: case 0xA0: {
        name_entry* s = find_symbol(cx, r.target);
        if (!s) return;
        const name_entry* p = symbol_owner_psect(s);
        if (!p) return;
        ref_psect = p;
        ref_kind = "symbol";
        if (kind == 0xA0) {
            const_cast<name_entry*>(p)->flags |= FL_SELECTOR_REF;
            value = p->rec->selector;
        } else {
            value = symbol_units(s);
            if (kind == 0x60) value -= cx.pending.base + r.offset;
        }
        break;
    }
    default:
        alert_message(514, type);
        return;
    }
    apply_fixup(cx, cx.pending.data, cx.pending.base, cx.pending.overhead, r.offset, type, value, ref_psect, ref_kind, r.target);
    bool keep = (cx.opts.load_reloc && !(type & 0x80)) || (cx.opts.load_reloc_marked && (type & 0x80));
    if (keep && ref_psect && !(ref_psect->flags & FL_ABSOLUTE))
        cx.pending.relocs.push_back({r.offset, static_cast<uint8_t>(type & 0x8F), ref_psect->name});
}

// One entry of a partial link: symbol references to defined symbols become psect ones.
void partial_entry(context& cx, obj::reloc_entry r) {
    uint8_t kind = r.type & 0xF0;
    if (kind == 0x30 || kind == 0x70 || kind == 0xF0) {
        size_t used = 0;
        eval_complex_reloc(cx, r.expr.data(), r.expr.size(), used, cx.pending.base, r.offset);
        return;
    }
    if ((r.type & 0x30) == 0x20) {
        name_entry* s = link_sym_lookup(cx, r.target, FL_GLOBAL);
        if (s && s->kind() != SK_EXTERN && s->owner && s->owner->rec) {
            const name_entry* p = s->owner;
            r.type &= static_cast<uint8_t>(~0x30);
            if (!(p->flags & FL_ABSOLUTE)) r.type |= 0x10;
            r.target = p->name;
            apply_fixup(cx, cx.pending.data, cx.pending.base, cx.pending.overhead, r.offset, r.type, s->value - module_start(p), p,
                        "symbol", s->name);
        }
    }
    kind = r.type & 0xF0;
    if (kind != 0x00) cx.pending.relocs.push_back({r.offset, r.type, r.target});
    switch (kind) {
    case 0x10: case 0x40: case 0x50: {
        name_entry* p = link_sym_lookup(cx, r.target, FL_PSECT);
        apply_fixup(cx, cx.pending.data, cx.pending.base, cx.pending.overhead, r.offset, r.type, p ? module_start(p) : 0, p,
                    "psect", r.target);
        break;
    }
    case 0x00: case 0x20: case 0x60: case 0x80: case 0x90: case 0xA0:
        apply_fixup(cx, cx.pending.data, cx.pending.base, cx.pending.overhead, r.offset, r.type, 0, nullptr, "psect", r.target);
        break;
    default:
        alert_message(514, r.type);
        break;
    }
}

}  // namespace

void reloc_record(context& cx, const std::vector<uint8_t>& body) {
    if (!cx.pending.active) return;
    obj::body_cursor c(body.data(), body.size(), output_order(cx));
    while (!c.at_end()) {
        obj::reloc_entry r;
        if (!obj::decode_reloc_entry(c, r)) {
            obj::report_incomplete(obj::RELOC, static_cast<uint32_t>(body.size()));
            return;
        }
        if (cx.opts.partial) partial_entry(cx, r);
        else apply_entry(cx, r);
    }
}

void condexpr_record(context& cx, const std::vector<uint8_t>& body) {
    size_t used = 0;
    auto v = eval_complex_reloc(cx, body.data(), body.size(), used, 0, 0);
    if (v && *v == 0) cx.module_skip = true;
}

namespace {

void print_listed(context& cx, FILE* f, const uint8_t value[4], uint8_t width) {
    const obj::byte_order& o = output_order(cx);
    uint32_t word = obj::get_word(o, value), lng = obj::get_long(o, value);
    switch (width) {
    case 1: std::fprintf(f, "%1.1X", value[0] & 0x0F); break;
    case 2: std::fprintf(f, "%2.2X", value[0]); break;
    case 3: std::fprintf(f, "%3.3X", word & 0xFFF); break;
    case 4: std::fprintf(f, "%4.4X", word); break;
    case 5: std::fprintf(f, "%5.5X", lng & 0xFFFFF); break;
    case 6: std::fprintf(f, "%6.6X", lng & 0xFFFFFF); break;
    case 7: std::fprintf(f, "%7.7X", lng & 0xFFFFFFF); break;
    case 8: std::fprintf(f, "%8.8X", lng); break;
    default: break;
    }
}

std::string directory_of(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

void listreloc_record(context& cx, const std::vector<uint8_t>& body, const std::string& input_name) {
    if (cx.opts.partial) return;
    obj::body_cursor c(body.data(), body.size(), output_order(cx));
    obj::listreloc_rec lr;
    if (!obj::decode_listreloc(c, lr)) {
        obj::report_incomplete(obj::LISTRELOC, static_cast<uint32_t>(body.size()));
        return;
    }
    std::string list_name = lr.list_file, listing_name = lr.listing_file;
    FILE* list = std::fopen(list_name.c_str(), "rb");
    if (!list) {
        std::string dir = directory_of(input_name);
        list = std::fopen((dir + list_name).c_str(), "rb");
        listing_name = dir + listing_name;
    }
    if (!list) {
        alert_message(524, lr.list_file.c_str());
        return;
    }
    // Committed with the other outputs when the link succeeds.
    replacing_file* listing_file = open_listing(cx, listing_name);
    FILE* listing = listing_file ? listing_file->stream() : nullptr;
    if (!listing) {
        std::fclose(list);
        alert_message(378, "listing", listing_name.c_str());
        return;
    }
    obj::record_reader reader(list);
    obj::record rec;
    bool copying = true;
    while (reader.next(rec) == obj::read_status::ok) {
        if (rec.type == obj::LR_TEXT) {
            if (copying) std::fwrite(rec.body.data(), 1, rec.body.size(), listing);
        } else if (rec.type == obj::LR_RELOC) {
            if (!copying) continue;
            flush_text_record(cx);
            out_flush(cx);
            obj::body_cursor rc(rec.body.data(), rec.body.size(), output_order(cx));
            obj::lr_reloc_rec r;
            if (!obj::decode_lr_reloc(rc, r)) break;
            std::vector<uint8_t> field(r.value, r.value + 4);
            size_t used = 0;
            cx.current_ref_psect = nullptr;
            auto v = eval_complex_reloc(cx, r.expr.data(), r.expr.size(), used, 0, r.position);
            if (v) apply_fixup(cx, field, 0, 0, r.position, r.type, *v, cx.current_ref_psect, nullptr, "");
            print_listed(cx, listing, field.data(), r.width);
        } else if (rec.type == obj::CONDEXPR) {
            size_t used = 0;
            auto v = eval_complex_reloc(cx, rec.body.data(), rec.body.size(), used, 0, 0);
            copying = !(v && *v != 0);
        } else if (rec.type != obj::IDENT) {
            break;
        }
    }
    std::fclose(list);
}

}  // namespace lnk
