#include "objfmt/dump/dump.h"

#include <cstdarg>
#include <cstdio>

#include "common/alert.h"
#include "objfmt/library.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"

namespace obj {

namespace {

void add(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void add(std::string& out, const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    out += line;
}

void add_bytes(std::string& out, const std::vector<uint8_t>& data) {
    for (uint8_t b : data) add(out, " %02X", b);
}

// Dumps one record's body; false when the body is malformed.
bool dump_body(const record& r, byte_order& order, std::string& out) {
    body_cursor c(r.body.data(), r.body.size(), order);
    const char* name = record_name(r.type);
    switch (r.type) {
    case IDENT: {
        ident_rec id;
        if (!decode_ident(r.body, id)) return false;
        order = id.order;
        add(out, "IDENT map32=%u,%u,%u,%u map16=%u,%u machine=%s", id.order.map32[0],
            id.order.map32[1], id.order.map32[2], id.order.map32[3], id.order.map16[0],
            id.order.map16[1], id.machine.c_str());
        if (id.has_version) add(out, " version=%u.%u", id.version_major, id.version_minor);
        out += "\n";
        return true;
    }
    case TEXT: {
        text_rec t;
        if (!decode_text(c, t)) return false;
        add(out, "TEXT %s offset=0x%X size=%u:", t.psect.c_str(), unsigned(t.offset),
            unsigned(t.data.size()));
        add_bytes(out, t.data);
        out += "\n";
        return true;
    }
    case PSECT: {
        psect_rec p;
        if (!decode_psect(c, p)) return false;
        add(out, "PSECT %s flags=0x%X\n", p.name.c_str(), p.flags);
        return true;
    }
    case XPSECT: {
        xpsect_rec x;
        if (!decode_xpsect(c, x)) return false;
        add(out, "XPSECT %s max=0x%X align=%u sel=%u space=%u delta=%u type=%u", x.name.c_str(),
            unsigned(x.max_size), x.align, x.selector, x.space, x.delta, x.type);
        if (x.has_class) add(out, " class=%s", x.cls.c_str());
        if (x.has_with) add(out, " with=%s", x.with.c_str());
        out += "\n";
        return true;
    }
    case RELOC:
        while (!c.at_end()) {
            reloc_entry e;
            if (!decode_reloc_entry(c, e)) return false;
            add(out, "RELOC +%u type=0x%02X ", e.offset, e.type);
            if (reloc_is_complex(e.type))
                out += "[" + expr_text(e.expr.data(), e.expr.size(), order) + "]\n";
            else
                out += e.target + "\n";
        }
        return true;
    case SYM:
    case XSYM:
        while (!c.at_end()) {
            sym_entry e;
            if (!decode_sym_entry(c, e, r.type == XSYM)) return false;
            add(out, "%s %s value=0x%X flags=0x%X psect=%s", name, e.name.c_str(),
                unsigned(e.value), e.flags, e.psect.c_str());
            if (r.type == XSYM) add(out, " sel=%u", e.selector);
            out += "\n";
        }
        return true;
    case START:
    case SEGSTART: {
        start_rec s;
        if (!decode_start(c, s)) return false;
        add(out, "%s %s address=0x%X\n", name, s.psect.c_str(), unsigned(s.address));
        return true;
    }
    case END:
        add(out, "END size=%u\n", unsigned(r.body.size()));
        return true;
    case SEGMENT:
        while (!c.at_end()) {
            segment_entry e;
            if (!decode_segment_entry(c, e)) return false;
            add(out, "SEGMENT %s length=0x%X load=0x%X sel=%u link=0x%X\n", e.name.c_str(),
                unsigned(e.length), unsigned(e.load), e.selector, unsigned(e.link));
        }
        return true;
    case SIGNAT:
        while (!c.at_end()) {
            signat_entry e;
            if (!decode_signat_entry(c, e)) return false;
            add(out, "SIGNAT %s 0x%04X\n", e.name.c_str(), e.signature);
        }
        return true;
    case FNCONF: {
        fnconf_rec f;
        if (!decode_fnconf(c, f)) return false;
        add(out, "FNCONF psect=%s local=%s arg=%s", f.psect.c_str(), f.local_prefix.c_str(),
            f.arg_prefix.c_str());
        if (f.has_depth) add(out, " depth=%u", f.depth);
        out += "\n";
        return true;
    }
    case FNINFO:
        while (!c.at_end()) {
            fninfo_entry e;
            if (!decode_fninfo_entry(c, e)) return false;
            add(out, "FNINFO %s", fn_kind_name(e.kind));
            switch (e.kind) {
            case FN_CALL: case FN_ARG: case FN_BREAK:
                add(out, " %s %s", e.name.c_str(), e.other.c_str());
                break;
            case FN_INDIR: case FN_INDARG: add(out, " %s %u", e.name.c_str(), e.set); break;
            case FN_SIZE:
                add(out, " %s %u %u", e.name.c_str(), unsigned(e.local_size), unsigned(e.arg_size));
                break;
            case FN_SETLINK: add(out, " %u %u", e.set, e.set_b); break;
            default: add(out, " %s", e.name.c_str()); break;
            }
            out += "\n";
        }
        return true;
    case PSECTLIM: {
        psectlim_rec p;
        if (!decode_psectlim(c, p)) return false;
        add(out, "PSECTLIM %s limit=0x%X\n", p.psect.c_str(), unsigned(p.limit));
        return true;
    }
    case LISTRELOC: {
        listreloc_rec l;
        if (!decode_listreloc(c, l)) return false;
        add(out, "LISTRELOC %s %s\n", l.list_file.c_str(), l.listing_file.c_str());
        return true;
    }
    case LR_RELOC: {
        lr_reloc_rec l;
        if (!decode_lr_reloc(c, l)) return false;
        add(out, "LR_RELOC pos=%u type=0x%02X width=%u [%s]\n", l.position, l.type, l.width,
            expr_text(l.expr.data(), l.expr.size(), order).c_str());
        return true;
    }
    case CONDEXPR: {
        std::vector<uint8_t> e = c.expression();
        if (c.failed()) return false;
        add(out, "CONDEXPR [%s]\n", expr_text(e.data(), e.size(), order).c_str());
        return true;
    }
    case DABS:
        while (!c.at_end()) {
            dabs_entry e;
            if (!decode_dabs_entry(c, e)) return false;
            add(out, "DABS space=%u address=0x%X size=0x%X\n", e.space, unsigned(e.address),
                unsigned(e.size));
        }
        return true;
    default:
        add(out, "%s size=%u:", name, unsigned(r.body.size()));
        add_bytes(out, r.body);
        out += "\n";
        return true;
    }
}

}  // namespace

std::string expr_text(const uint8_t* data, size_t size, const byte_order& order) {
    body_cursor c(data, size, order);
    std::string out;
    while (!c.at_end()) {
        uint8_t op = c.u8();
        if (!out.empty()) out += ' ';
        out += expr_op_name(op);
        if (std::string(expr_op_name(op)) == "?") add(out, "%u", op);
        switch (expr_operand_of(op)) {
        case expr_operand::constant: add(out, " 0x%X", unsigned(c.u32())); break;
        case expr_operand::name: out += ' ' + c.name(); break;
        case expr_operand::none: break;
        }
        if (op == EX_END || op == EX_RANGE) break;
    }
    if (c.failed()) out += " <truncated>";
    return out;
}

bool dump_object(const uint8_t* data, size_t size, std::string& out) {
    record_reader reader(data, size);
    byte_order order;
    for (;;) {
        record r;
        read_status s = reader.next(r);
        if (s == read_status::end_of_input) return true;
        if (s != read_status::ok) {
            record_reader::report(s, r);
            return false;
        }
        if (!dump_body(r, order, out)) {
            report_incomplete(r.type, r.length);
            return false;
        }
    }
}

bool dump_library(const uint8_t* data, size_t size, std::string& out) {
    lib_directory dir;
    if (!read_lib_directory(data, size, dir)) return false;
    add(out, "LIBRARY dir_size=%u modules=%u\n", dir.dir_size, unsigned(dir.modules.size()));
    for (const lib_module& m : dir.modules) {
        add(out, "MODULE %s length=%u offset=%u\n", m.name.c_str(), unsigned(m.length),
            unsigned(m.offset));
        for (const lib_symbol& s : m.symbols)
            add(out, "  %s %s\n", s.defines() ? "DEF" : "REF", s.name.c_str());
    }
    for (const lib_module& m : dir.modules) {
        add(out, "-- %s\n", m.name.c_str());
        if (m.offset > size || m.length > size - m.offset) {
            alert_message(507);
            return false;
        }
        if (!dump_object(data + m.offset, m.length, out)) return false;
    }
    return true;
}

}  // namespace obj
