#include "asmtools/ormasm/objout.h"

#include "common/alert.h"
#include "objfmt/record_io.h"

namespace asmx {

const char object_machine[] = "PIC14";

namespace {

class object_builder {
public:
    object_builder(assembler& a, std::vector<uint8_t>& out) : a_(a), w_(&out) {}

    bool build() {
        ident();
        psects();
        if (a_.has_fnconf()) {
            body_.clear();
            obj::encode_fnconf(body_, a_.fnconf());
            put(obj::FNCONF, body_.data());
        }
        symbols();
        for (const obj::signat_entry& s : a_.signatures()) {
            body_.clear();
            obj::encode_signat_entry(body_, s);
            entry(obj::SIGNAT, body_.data());
        }
        w_.flush();
        for (size_t i = 0; i < a_.psects().size(); ++i) text(int(i));
        for (const obj::fninfo_entry& e : a_.call_graph()) {
            body_.clear();
            obj::encode_fninfo_entry(body_, e);
            entry(obj::FNINFO, body_.data());
        }
        w_.flush();
        if (a_.has_start()) {
            body_.clear();
            obj::encode_start(body_, {a_.start_address(), a_.psect_name(a_.start_psect())});
            put(obj::START, body_.data());
        }
        put(obj::END, std::vector<uint8_t>{0, 0});
        return ok_ && w_.ok();
    }

private:
    // Writes a whole record; a body over the limit (a name too long) fails the object.
    void put(uint8_t type, const std::vector<uint8_t>& body) {
        if (!w_.write_record(type, body)) {
            if (body.size() > obj::max_body) alert_message(2833, obj::record_name(type));
            ok_ = false;
        }
    }

    void entry(uint8_t type, const std::vector<uint8_t>& body) {
        if (!w_.add_entry(type, body)) {
            if (body.size() > obj::max_body) alert_message(2833, obj::record_name(type));
            ok_ = false;
        }
    }

    void ident() {
        obj::ident_rec id;
        id.machine = object_machine;
        id.has_version = true;
        id.version_major = object_version_major;
        id.version_minor = object_version_minor;
        body_.clear();
        obj::encode_ident(body_, id);
        put(obj::IDENT, body_.data());
    }

    void psects() {
        for (const psect& p : a_.psects()) {
            body_.clear();
            obj::encode_psect(body_, {p.flags, p.name});
            put(obj::PSECT, body_.data());
            obj::xpsect_rec x;
            x.max_size = p.max_size;
            x.align = uint16_t(p.align);
            x.space = uint8_t(p.space);
            x.delta = uint8_t(p.delta ? p.delta : 1);
            x.name = p.name;
            x.cls = p.cls;
            x.with = p.with;
            x.has_class = true;
            x.has_with = !p.with.empty();
            body_.clear();
            obj::encode_xpsect(body_, x);
            put(obj::XPSECT, body_.data());
        }
    }

    void sym(uint32_t value, uint16_t flags, const std::string& psect, const std::string& name) {
        body_.clear();
        obj::encode_sym_entry(body_, {value, flags, 0, psect, name});
        entry(obj::SYM, body_.data());
    }

    // Every global and local symbol in psect units; a global standing for a symbol plus an
    // offset becomes an indirect symbol; local functions are kind 7.
    void symbols() {
        for (const symbol& s : a_.symbols()) {
            uint16_t global = s.global ? obj::SYM_GLOBAL : 0;
            switch (s.def) {
            case symbol::label:
                if (!s.global && a_.options().strip_locals && !s.function) break;
                sym(uint32_t(s.value), uint16_t(global | (s.function && !s.global ? obj::SYM_DEFINED7 : 0)),
                    a_.psect_name(s.psect), s.name);
                break;
            case symbol::constant:
                if (!s.global && a_.options().strip_locals) break;
                sym(uint32_t(s.value), global, "", s.name);
                break;
            case symbol::alias: {
                if (!s.global) break;
                eval_result r = evaluate(s.tree, a_);
                if (!r.value.complex && r.value.terms.size() == 1 && r.value.terms.begin()->second == 1) {
                    const base& b = r.value.terms.begin()->first;
                    if (b.is_psect)
                        sym(uint32_t(r.value.constant), global, a_.psect_name(b.psect), s.name);
                    else
                        sym(uint32_t(r.value.constant), uint16_t(global | obj::SYM_INDIRECT), b.symbol, s.name);
                } else {
                    alert_message(2814, s.name.c_str());
                    ok_ = false;
                }
                break;
            }
            case symbol::none:
                if (s.global || s.local) sym(0, uint16_t(global | obj::SYM_EXTERN), "", s.name);
                break;
            }
        }
        for (const line_symbol& l : a_.line_symbols()) {
            if (l.is_file)
                sym(0, obj::SYM_INFO5, "", l.name);
            else
                sym(l.value, obj::SYM_DEFINED, a_.psect_name(l.psect), l.name);
        }
    }

    // TEXT records of one psect, each followed by the RELOC record of its fields. A chunk
    // takes whole items while both its data and its relocations fit a record body.
    void text(int index) {
        const psect& p = a_.psects()[size_t(index)];
        const uint32_t overhead = obj::text_overhead(p.name);
        const uint32_t max_data = overhead < obj::max_body ? obj::max_body - overhead : 0;
        const std::vector<span>& spans = p.spans;
        uint32_t data_end = 0;
        size_t i = 0;
        while (i < spans.size()) {
            obj::text_rec t;
            t.offset = spans[i].offset;
            t.psect = p.name;
            body_builder_reloc_.clear();
            while (i < spans.size()) {
                const span& sp = spans[i];
                if (sp.offset != t.offset + t.data.size()) break;
                uint32_t reloc_bytes = 0;
                for (uint32_t f = 0; f < sp.fixup_count; ++f)
                    reloc_bytes += 3 + uint32_t(p.fixups[sp.first_fixup + f].expr.size());
                bool first = t.data.empty();
                if (!first && (t.data.size() + sp.size > max_data ||
                               body_builder_reloc_.size() + reloc_bytes > obj::max_body))
                    break;
                if (first && (sp.size > max_data || reloc_bytes > obj::max_body)) {
                    alert_message(2831, p.name.c_str());
                    ok_ = false;
                    ++i;
                    break;
                }
                for (uint32_t f = 0; f < sp.fixup_count; ++f) {
                    const fixup& fx = p.fixups[sp.first_fixup + f];
                    obj::encode_reloc_entry(body_builder_reloc_,
                                            {uint16_t(t.data.size() + fx.offset), fx.type, "", fx.expr});
                }
                t.data.insert(t.data.end(), p.bytes.begin() + sp.first_byte,
                              p.bytes.begin() + sp.first_byte + sp.size);
                ++i;
            }
            if (t.data.empty()) continue;
            body_.clear();
            obj::encode_text(body_, t);
            put(obj::TEXT, body_.data());
            if (body_builder_reloc_.size()) put(obj::RELOC, body_builder_reloc_.data());
            data_end = t.offset + uint32_t(t.data.size());
        }
        // Space that is only reserved still gives the psect its size.
        uint32_t size = p.size * p.unit_bytes();
        if (size > data_end) {
            body_.clear();
            obj::encode_text(body_, {size, p.name, {}});
            put(obj::TEXT, body_.data());
        }
    }

    assembler& a_;
    obj::record_writer w_;
    obj::body_builder body_;
    obj::body_builder body_builder_reloc_;
    bool ok_ = true;
};

}  // namespace

bool build_object(assembler& a, std::vector<uint8_t>& out) {
    object_builder b(a, out);
    return b.build();
}

}  // namespace asmx
