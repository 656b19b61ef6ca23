#include "objfmt/records.h"

#include "common/alert.h"

namespace obj {

void report_incomplete(int type, uint32_t length) {
    alert_message(502, record_name(type), int(length));
}

// IDENT maps are stored as plain bytes; they are what defines the order of everything else.
bool decode_ident(const std::vector<uint8_t>& body, ident_rec& out) {
    body_cursor c(body.data(), body.size(), byte_order());
    c.bytes(out.order.map32, 4);
    c.bytes(out.order.map16, 2);
    out.machine = c.name();
    if (c.failed()) return false;
    out.has_version = body.size() >= out.machine.size() + 9;
    if (out.has_version) {
        out.version_major = c.u8();
        out.version_minor = c.u8();
    } else {
        out.version_major = out.version_minor = 0;
    }
    return true;
}

void encode_ident(body_builder& b, const ident_rec& r) {
    b.bytes(r.order.map32, 4).bytes(r.order.map16, 2).name(r.machine);
    if (r.has_version) b.u8(r.version_major).u8(r.version_minor);
}

bool decode_text(body_cursor& c, text_rec& out) {
    out.offset = c.u32();
    out.psect = c.name();
    out.data = c.rest();
    return !c.failed();
}

void encode_text(body_builder& b, const text_rec& r) {
    b.u32(r.offset).name(r.psect).bytes(r.data);
}

bool decode_psect(body_cursor& c, psect_rec& out) {
    out.flags = c.u16();
    out.name = c.name();
    return !c.failed();
}

void encode_psect(body_builder& b, const psect_rec& r) { b.u16(r.flags).name(r.name); }

bool decode_reloc_entry(body_cursor& c, reloc_entry& out) {
    out.offset = c.u16();
    out.type = c.u8();
    out.target.clear();
    out.expr.clear();
    if (reloc_is_complex(out.type))
        out.expr = c.expression();
    else
        out.target = c.name();
    return !c.failed();
}

void encode_reloc_entry(body_builder& b, const reloc_entry& r) {
    b.u16(r.offset).u8(r.type);
    if (reloc_is_complex(r.type))
        b.bytes(r.expr);
    else
        b.name(r.target);
}

uint32_t reloc_entry_size(const reloc_entry& r) {
    return 3 + uint32_t(reloc_is_complex(r.type) ? r.expr.size() : r.target.size() + 1);
}

bool decode_sym_entry(body_cursor& c, sym_entry& out, bool xsym) {
    out.value = c.u32();
    out.flags = c.u16();
    out.selector = xsym ? c.u16() : 0;
    out.psect = c.name();
    out.name = c.name();
    return !c.failed();
}

void encode_sym_entry(body_builder& b, const sym_entry& r, bool xsym) {
    b.u32(r.value).u16(r.flags);
    if (xsym) b.u16(r.selector);
    b.name(r.psect).name(r.name);
}

uint32_t sym_entry_size(const sym_entry& r, bool xsym) {
    return 8 + (xsym ? 2 : 0) + uint32_t(r.psect.size() + r.name.size());
}

bool decode_start(body_cursor& c, start_rec& out) {
    out.address = c.u32();
    out.psect = c.name();
    return !c.failed();
}

void encode_start(body_builder& b, const start_rec& r) { b.u32(r.address).name(r.psect); }

bool decode_xpsect(body_cursor& c, xpsect_rec& out) {
    out = xpsect_rec();
    out.max_size = c.u32();
    out.align = c.u16();
    out.selector = c.u16();
    out.space = c.u8();
    out.delta = c.u8();
    c.u8();
    out.type = c.u8();
    out.has_fixed = !c.failed();
    out.name = c.name();
    if (c.failed()) return false;
    if (!c.at_end()) {
        out.cls = c.name();
        out.has_class = true;
    }
    if (!c.at_end()) {
        out.with = c.name();
        out.has_with = true;
    }
    return !c.failed();
}

void encode_xpsect(body_builder& b, const xpsect_rec& r) {
    b.u32(r.max_size).u16(r.align).u16(r.selector).u8(r.space).u8(r.delta).u8(0).u8(r.type);
    b.name(r.name);
    if (r.has_class || r.has_with) b.name(r.cls);
    if (r.has_with) b.name(r.with);
}

bool decode_segment_entry(body_cursor& c, segment_entry& out) {
    out.length = c.u32();
    out.load = c.u32();
    out.selector = c.u16();
    out.reserved = c.u16();
    out.link = c.u32();
    out.name = c.name();
    return !c.failed();
}

void encode_segment_entry(body_builder& b, const segment_entry& r) {
    b.u32(r.length).u32(r.load).u16(r.selector).u16(r.reserved).u32(r.link).name(r.name);
}

bool decode_signat_entry(body_cursor& c, signat_entry& out) {
    out.signature = c.u16();
    out.name = c.name();
    return !c.failed();
}

void encode_signat_entry(body_builder& b, const signat_entry& r) {
    b.u16(r.signature).name(r.name);
}

bool decode_fnconf(body_cursor& c, fnconf_rec& out) {
    out.psect = c.name();
    out.local_prefix = c.name();
    out.arg_prefix = c.name();
    out.has_depth = !c.failed() && c.remaining() >= 2;
    out.depth = out.has_depth ? c.u16() : 0;
    return !c.failed();
}

void encode_fnconf(body_builder& b, const fnconf_rec& r) {
    b.name(r.psect).name(r.local_prefix).name(r.arg_prefix);
    if (r.has_depth) b.u16(r.depth);
}

const char* fn_kind_name(int kind) {
    static const char* const names[] = {"?", "FNCALL", "FNARG", "FNINDIR", "FNADDR", "FNSIZE",
                                        "FNROOT", "FNINDARG", "FNSETLINK", "FNBREAK"};
    return kind >= 1 && kind <= 9 ? names[kind] : "?";
}

bool decode_fninfo_entry(body_cursor& c, fninfo_entry& out) {
    out = fninfo_entry();
    out.kind = c.u8();
    switch (out.kind) {
    case FN_CALL: case FN_ARG: case FN_BREAK:
        out.name = c.name();
        out.other = c.name();
        break;
    case FN_INDIR: case FN_INDARG:
        out.name = c.name();
        out.set = c.u16();
        break;
    case FN_ADDR: case FN_ROOT:
        out.name = c.name();
        break;
    case FN_SIZE:
        out.name = c.name();
        out.local_size = c.u32();
        out.arg_size = c.u32();
        break;
    case FN_SETLINK:
        out.set = c.u16();
        out.set_b = c.u16();
        break;
    default:
        return false;
    }
    return !c.failed();
}

void encode_fninfo_entry(body_builder& b, const fninfo_entry& r) {
    b.u8(r.kind);
    switch (r.kind) {
    case FN_CALL: case FN_ARG: case FN_BREAK: b.name(r.name).name(r.other); break;
    case FN_INDIR: case FN_INDARG: b.name(r.name).u16(r.set); break;
    case FN_ADDR: case FN_ROOT: b.name(r.name); break;
    case FN_SIZE: b.name(r.name).u32(r.local_size).u32(r.arg_size); break;
    case FN_SETLINK: b.u16(r.set).u16(r.set_b); break;
    default: break;
    }
}

bool decode_psectlim(body_cursor& c, psectlim_rec& out) {
    out.limit = c.u32();
    c.skip(12);
    out.psect = c.name();
    return !c.failed();
}

void encode_psectlim(body_builder& b, const psectlim_rec& r) {
    static const uint8_t zeros[12] = {};
    b.u32(r.limit).bytes(zeros, 12).name(r.psect);
}

bool decode_listreloc(body_cursor& c, listreloc_rec& out) {
    out.list_file = c.name();
    out.listing_file = c.name();
    return !c.failed();
}

void encode_listreloc(body_builder& b, const listreloc_rec& r) {
    b.name(r.list_file).name(r.listing_file);
}

bool decode_lr_reloc(body_cursor& c, lr_reloc_rec& out) {
    c.bytes(out.value, 4);
    out.position = c.u8();
    out.type = c.u8();
    out.width = c.u8();
    out.expr = c.expression();
    return !c.failed();
}

void encode_lr_reloc(body_builder& b, const lr_reloc_rec& r) {
    b.bytes(r.value, 4).u8(r.position).u8(r.type).u8(r.width).bytes(r.expr);
}

bool decode_dabs_entry(body_cursor& c, dabs_entry& out) {
    out.space = c.u8();
    out.address = c.u32();
    out.size = c.u32();
    return !c.failed();
}

void encode_dabs_entry(body_builder& b, const dabs_entry& r) {
    b.u8(r.space).u32(r.address).u32(r.size);
}

}  // namespace obj
