#include "linker/records.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>

#include "common/alert.h"
#include "linker/context.h"
#include "linker/callgraph.h"
#include "linker/classes.h"
#include "linker/mapfile.h"
#include "linker/options.h"
#include "linker/output.h"
#include "linker/reloc.h"
#include "linker/symout.h"
#include "linker/symtab.h"
#include "linker/util.h"

namespace lnk {

namespace {

const obj::byte_order& module_order(context& cx) {
    return cx.symtab.current ? cx.symtab.current->order : output_order(cx);
}

bool version_at_least(context& cx, int major, int minor) {
    return cx.symtab.current && cx.symtab.current->version_at_least(major, minor);
}

void incomplete(const obj::record& r) { obj::report_incomplete(r.type, r.length); }

// Every entry of a run-of-entries body, decoded one by one; 502 when one is cut short.
template <typename Entry, typename Decode, typename Fn>
void for_entries(context& cx, const obj::record& r, Decode decode, Fn fn) {
    obj::body_cursor c(r.body.data(), r.body.size(), module_order(cx));
    while (!c.at_end()) {
        Entry e;
        if (!decode(c, e)) {
            incomplete(r);
            return;
        }
        fn(e);
    }
}

uint32_t delta_of(const name_entry* psect) {
    return psect && psect->rec && psect->rec->delta ? psect->rec->delta : 1;
}

// True when from holds to among its "with" members, directly or further down.
bool holds(const psect_rec* from, const psect_rec* to, int depth = 0) {
    if (from == to) return true;
    if (depth > 1000) return true;
    for (const psect_rec* m : from->members)
        if (holds(m, to, depth + 1)) return true;
    return false;
}

// PSECT, pass 0.
void psect_pass0(context& cx, const obj::record& r) {
    obj::body_cursor c(r.body.data(), r.body.size(), module_order(cx));
    obj::psect_rec p;
    if (!obj::decode_psect(c, p)) return incomplete(r);
    name_entry* e = sym_enter(cx, p.name, static_cast<uint16_t>(p.flags | FL_PSECT));
    if (e->is_global() && !e->rec->cls)
        if (const class_pair* pair = class_pair_for(cx, p.name)) e->rec->cls = sym_enter(cx, pair->cls, KIND_CLASS);
}

// XPSECT, pass 0.
void xpsect_pass0(context& cx, const obj::record& r) {
    obj::body_cursor c(r.body.data(), r.body.size(), module_order(cx));
    obj::xpsect_rec x;
    if (!obj::decode_xpsect(c, x)) return incomplete(r);
    name_entry* e = sym_enter(cx, x.name, KIND_GLOBAL_PSECT);
    psect_rec* p = e->rec;
    if (x.has_class && !x.cls.empty()) {
        name_entry* cls = sym_enter(cx, x.cls, KIND_CLASS);
        if (!p->cls) {
            if (cls->rec->has_ranges && e->is_global() && !(e->flags & FL_OVERLAID) && !cx.placement_names.count(x.name)) {
                uint8_t bitscale = p->bitscale;
                e = sym_enter(cx, x.name, static_cast<uint16_t>(e->flags & ~FL_GLOBAL));
                p = e->rec;
                p->bitscale = bitscale;
            }
            p->cls = cls;
        } else if (p->cls != cls) {
            alert_message(484, x.name.c_str(), x.cls.c_str(), p->cls->name.c_str());
        }
    }
    if (version_at_least(cx, 3, 5) && x.has_with && !x.with.empty()) {
        name_entry* w = link_sym_lookup(cx, x.with, FL_PSECT);
        if (!w) {
            alert_message(485, x.name.c_str());
        } else if (holds(p, w->rec)) {
            // Placing a psect with itself, directly or around a loop, has no answer.
            alert_message(496, x.name.c_str(), x.with.c_str());
        } else if (std::find(w->rec->members.begin(), w->rec->members.end(), p) == w->rec->members.end()) {
            w->rec->members.push_back(p);
        }
    }
    if (x.max_size && (!p->max_size || x.max_size < p->max_size)) p->max_size = x.max_size;
    uint32_t align = (e->flags & FL_ALIGN_HIGH) ? uint32_t(x.align) << 16 : x.align;
    if (align > p->align) p->align = align;
    if (version_at_least(cx, 1, 0) && x.selector) {
        if (!p->selector) p->selector = x.selector;
        else if (p->selector != x.selector) alert_message(486, x.name.c_str());
    }
    if (version_at_least(cx, 1, 1) && x.type) {
        if (!p->type) p->type = x.type;
        else if (p->type != x.type) alert_message(487, x.name.c_str(), p->type, x.type);
    }
    if (version_at_least(cx, 3, 3)) {
        if (!p->space_set) {
            p->space = x.space;
            p->space_set = true;
            if (!p->range_space_set) {
                p->range_space = x.space;
                p->range_space_set = true;
            }
        } else if (p->space != x.space) {
            alert_message(488, x.name.c_str(), p->space, x.space);
        }
    }
    if (!version_at_least(cx, 3, 4)) {
        if (!p->delta_set) p->delta = 1;
    } else {
        uint8_t d = x.delta ? x.delta : 1;
        if (!p->delta_set || p->delta == d) {
            p->delta = d;
            p->delta_set = true;
        } else {
            alert_message(489, x.name.c_str(), p->delta, d);
        }
    }
    if (p->cls) {
        psect_rec* cr = p->cls->rec;
        if (cr->max_size && (!p->max_size || p->max_size > cr->max_size)) p->max_size = cr->max_size;
        if (cr->align > p->align) p->align = cr->align;
        if (version_at_least(cx, 3, 3)) {
            if (cr->space_set && cr->space != p->space) {
                alert_message(490, p->cls->name.c_str(), p->space, cr->space);
            } else if (!cr->space_set) {
                cr->space = p->space;
                cr->space_set = true;
                if (!cr->range_space_set) {
                    cr->range_space = p->range_space;
                    cr->range_space_set = true;
                }
            }
        }
    }
}

void psectlim_pass0(context& cx, const obj::record& r) {
    obj::body_cursor c(r.body.data(), r.body.size(), module_order(cx));
    obj::psectlim_rec l;
    if (!obj::decode_psectlim(c, l)) return incomplete(r);
    psect_rec* p = sym_enter(cx, l.psect, KIND_GLOBAL_PSECT)->rec;
    if (l.limit && (!p->limit || l.limit < p->limit)) p->limit = l.limit;
    if (p->cls && p->cls->rec->limit && (!p->limit || p->limit > p->cls->rec->limit)) p->limit = p->cls->rec->limit;
}

void signat_pass0(context& cx, const obj::record& r) {
    for_entries<obj::signat_entry>(cx, r, obj::decode_signat_entry, [&cx](const obj::signat_entry& s) {
        name_entry* e = sym_enter(cx, s.name, FL_GLOBAL);
        if (!(e->flags & FL_SIGNATURE)) {
            e->signature = s.signature;
            e->flags |= FL_SIGNATURE;
            e->sig_module = cx.symtab.current_index;
        } else if (e->signature != s.signature) {
            name_entry where;
            where.module = e->sig_module;
            alert_message(480, s.name.c_str(), psect_origin_name(cx, &where).c_str(), s.signature, e->signature);
        }
    });
}

void dabs_pass0(context& cx, const obj::record& r) {
    for_entries<obj::dabs_entry>(cx, r, obj::decode_dabs_entry, [&cx](const obj::dabs_entry& d) {
        cx.places.dabs.push_back({d.space, d.address, d.size});
    });
}

// SYM, passes 0 and 1.
void sym_define_pass(context& cx, const obj::record& r) {
    for_entries<obj::sym_entry>(cx, r, [](obj::body_cursor& c, obj::sym_entry& e) { return obj::decode_sym_entry(c, e); },
                                [&cx](const obj::sym_entry& s) {
        uint16_t kind = s.flags & SYM_KIND_MASK;
        uint16_t global = s.flags & FL_GLOBAL;
        switch (kind) {
        case SK_DEFINED: case SK_COMMON: case SK_DEFINED_GLOBAL: {
            if (kind == SK_DEFINED && !global) return;
            name_entry* psect = sym_enter(cx, s.psect, KIND_GLOBAL_PSECT);
            name_entry* e = sym_enter(cx, s.name, global);
            uint16_t k = kind == SK_DEFINED_GLOBAL ? SK_DEFINED : kind;
            define_symbol(cx, e, static_cast<uint16_t>(k | global), s.value * delta_of(psect), psect);
            return;
        }
        case SK_STACK: case SK_REGISTER: case SK_INFO4: case SK_INFO5:
            if (global) alert_message(483, s.name.c_str());
            return;
        case SK_EXTERN:
            if (cx.symtab.pass == 0) {
                name_entry* e = sym_enter(cx, s.name, global);
                if (e->ref_module < 0) e->ref_module = cx.symtab.current_index;
            }
            return;
        case SK_INDIRECT: {
            if (!global) return;
            name_entry* target = sym_enter(cx, s.psect, FL_GLOBAL);
            name_entry* e = sym_enter(cx, s.name, FL_GLOBAL);
            const name_entry* tp = target->owner && target->owner->rec ? target->owner : nullptr;
            define_symbol(cx, e, SK_INDIRECT | FL_GLOBAL, s.value * delta_of(tp), target);
            return;
        }
        default:
            alert_message(515, kind);
            return;
        }
    });
}

bool hidden_local(context& cx, const std::string& name) {
    return cx.opts.no_locals || (cx.opts.no_generated && is_generated_label(name.c_str()));
}

// The absolute value of a module-local symbol of psect p (relative value v).
uint32_t local_absolute(context& cx, const name_entry* p, uint32_t v) {
    if (cx.opts.partial || !p || !p->rec || (p->flags & FL_ABSOLUTE)) return v;
    return v + p->rec->link;
}

// SYM, pass 2: local information symbols and local labels go to the symbol output.
void sym_pass2(context& cx, const obj::record& r) {
    for_entries<obj::sym_entry>(cx, r, [](obj::body_cursor& c, obj::sym_entry& e) { return obj::decode_sym_entry(c, e); },
                                [&cx](const obj::sym_entry& s) {
        uint16_t kind = s.flags & SYM_KIND_MASK;
        bool local_label = kind == SK_DEFINED && !(s.flags & FL_GLOBAL);
        bool info = kind == SK_STACK || kind == SK_REGISTER || kind == SK_INFO4 || kind == SK_INFO5;
        if (!(local_label || info) || hidden_local(cx, s.name)) return;
        name_entry* psect = s.psect.empty() ? nullptr : link_sym_lookup(cx, s.psect, FL_PSECT);
        if (psect == cx.symtab.abs_psect) psect = nullptr;
        uint32_t value = s.value;
        if (psect && psect->rec) {
            value = value * delta_of(psect);
            if (!(psect->flags & FL_OVERLAID)) value += psect->rec->running;
            value = local_absolute(cx, psect, value);
        }
        name_entry probe;
        probe.owner = psect;
        emit_symbol(cx, s.name, value, s.flags, psect ? symbol_psect(cx, &probe) : nullptr);
    });
}

name_entry* text_psect(context& cx, const std::string& name) {
    name_entry* p = link_sym_lookup(cx, name, FL_PSECT);
    return p ? p : sym_enter(cx, name, KIND_GLOBAL_PSECT);
}

// TEXT, pass 1: the module's part of the psect grows to cover the data.
bool text_size(context& cx, const obj::record& r, obj::text_rec& t, name_entry*& psect) {
    obj::body_cursor c(r.body.data(), r.body.size(), module_order(cx));
    if (!obj::decode_text(c, t)) {
        int length = static_cast<int>(r.body.size());
        alert_message(516, length, 4, length > 4 ? length - 4 : 0);
        return false;
    }
    psect = text_psect(cx, t.psect);
    uint32_t end = t.offset + static_cast<uint32_t>(t.data.size());
    if (end > psect->rec->part) psect->rec->part = end;
    return true;
}

void text_pass1(context& cx, const obj::record& r) {
    obj::text_rec t;
    name_entry* psect = nullptr;
    text_size(cx, r, t, psect);
}

void text_pass2(context& cx, const obj::record& r) {
    flush_text_record(cx);
    out_flush(cx);
    obj::text_rec t;
    name_entry* psect = nullptr;
    if (!text_size(cx, r, t, psect)) return;
    psect_rec* p = psect->rec;
    uint32_t a = t.offset + ((psect->flags & FL_OVERLAID) ? 0 : p->running);
    cx.pending.active = true;
    cx.pending.data = std::move(t.data);
    cx.pending.psect = psect->name;
    cx.pending.overhead = obj::text_overhead(t.psect);
    cx.pending.relocs.clear();
    if (cx.opts.partial) {
        cx.pending.base = a;
        cx.pending.out_offset = a;
    } else {
        cx.pending.base = a + p->link;
        cx.pending.out_offset = a + p->load;
    }
}

void reloc_pass2(context& cx, const obj::record& r) { reloc_record(cx, r.body); }

void close_module_sizes(context& cx) {
    for (psect_rec* p : cx.symtab.psect_list) {
        if (p->entry->flags & FL_OVERLAID) p->running = std::max(p->running, p->part);
        else p->running += p->part;
        p->size = std::max(p->size, p->running);
        p->part = 0;
    }
}

void end_pass1(context& cx, const obj::record&) { close_module_sizes(cx); }

void end_pass2(context& cx, const obj::record&) {
    if (cx.opts.map && cx.symtab.current) map_module_lines(cx, cx.symtab.current->name);
    close_module_sizes(cx);
}

void start_pass2(context& cx, const obj::record& r) {
    obj::body_cursor c(r.body.data(), r.body.size(), module_order(cx));
    obj::start_rec s;
    if (!obj::decode_start(c, s)) return incomplete(r);
    if (cx.symtab.entry_seen) alert_message(501);
    cx.symtab.entry_seen = true;
    if (cx.opts.binary) return;
    name_entry* psect = link_sym_lookup(cx, s.psect, FL_PSECT);
    uint32_t address = s.address;
    if (psect && psect->rec) {
        uint32_t d = delta_of(psect);
        address += psect->rec->running / d;
        if (!cx.opts.partial) address += psect->rec->link / d;
    }
    flush_text_record(cx);
    out_start(cx, obj::START, address, s.psect);
}

void segstart_pass2(context& cx, const obj::record& r) {
    obj::body_cursor c(r.body.data(), r.body.size(), module_order(cx));
    obj::start_rec s;
    if (!obj::decode_start(c, s)) return incomplete(r);
    cx.symtab.entry_seen = true;
    if (cx.opts.binary) return;
    uint32_t address = s.address;
    if (!cx.opts.partial) {
        if (name_entry* psect = link_sym_lookup(cx, s.psect, FL_PSECT); psect && psect->rec) {
            address += psect->rec->selector;
            psect->flags |= FL_SELECTOR_REF;
        }
    }
    flush_text_record(cx);
    out_start(cx, obj::SEGSTART, address, s.psect);
}

void ident_pass0(context& cx, const obj::record& r) {
    obj::ident_rec id;
    if (!obj::decode_ident(r.body, id)) return incomplete(r);
    if (cx.symtab.current) {
        cx.symtab.current->ver_major = id.version_major;
        cx.symtab.current->ver_minor = id.version_minor;
        cx.symtab.current->order = id.order;
    }
    if (!cx.symtab.ident_seen) {
        cx.symtab.ident_seen = true;
        cx.symtab.machine = id.machine;
        cx.symtab.obj_major = id.version_major;
        cx.symtab.obj_minor = id.version_minor;
        output_set_order(cx, id.order);
        if (cx.opts.map) map_ident_lines(cx, id.version_major, id.version_minor, id.machine);
        if (!cx.opts.binary) out_record(cx, obj::IDENT, r.body);
        if (id.version() > 3 * 256 + 7) alert_message(504, 3, 7);
        return;
    }
    const obj::byte_order& first = output_order(cx);
    for (int i = 0; i < 4; ++i)
        if (first.map32[i] != id.order.map32[i]) alert_message(503);
    for (int i = 0; i < 2; ++i)
        if (first.map16[i] != id.order.map16[i]) alert_message(503);
}

void fnconf_pass0(context& cx, const obj::record& r) {
    obj::body_cursor c(r.body.data(), r.body.size(), module_order(cx));
    obj::fnconf_rec f;
    if (!obj::decode_fnconf(c, f)) return incomplete(r);
    fn_conf(cx, f.psect, f.local_prefix, f.arg_prefix, f.has_depth && version_at_least(cx, 3, 4), f.depth);
}

void fninfo_pass0(context& cx, const obj::record& r) {
    obj::body_cursor c(r.body.data(), r.body.size(), module_order(cx));
    while (!c.at_end()) {
        obj::fninfo_entry f;
        if (!obj::decode_fninfo_entry(c, f)) {
            if (f.kind == 0 || f.kind > 9) {
                alert_message(375, static_cast<unsigned>(f.kind));
                exit_hook(1);
            }
            return incomplete(r);
        }
        switch (f.kind) {
        case obj::FN_CALL: fn_call(cx, f.name, f.other); break;
        case obj::FN_ARG: fn_arg(cx, f.name, f.other); break;
        case obj::FN_INDIR: fn_indirect(cx, FN_INDIR, f.name, f.set); break;
        case obj::FN_INDARG: fn_indirect(cx, FN_INDARG, f.name, f.set); break;
        case obj::FN_ADDR: fn_addr(cx, f.name); break;
        case obj::FN_SIZE: fn_size(cx, f.name, f.local_size, f.arg_size); break;
        case obj::FN_ROOT: fn_root(cx, f.name); break;
        case obj::FN_SETLINK: fn_set_link(cx, f.set, f.set_b); break;
        default: fn_break(cx, f.name, f.other); break;
        }
    }
}

void condexpr_any(context& cx, const obj::record& r) { condexpr_record(cx, r.body); }

void listreloc_pass2(context& cx, const obj::record& r) { listreloc_record(cx, r.body, cx.current_input); }

struct handler_row {
    record_handler pass[3];
};

// Rows 1 to 20 are the record types.
const handler_row handlers[21] = {
    {{nullptr, nullptr, nullptr}},
    {{nullptr, text_pass1, text_pass2}},              // TEXT
    {{psect_pass0, nullptr, nullptr}},                // PSECT
    {{nullptr, nullptr, reloc_pass2}},                // RELOC
    {{sym_define_pass, sym_define_pass, sym_pass2}},  // SYM
    {{nullptr, nullptr, start_pass2}},                // START
    {{nullptr, end_pass1, end_pass2}},                // END
    {{ident_pass0, nullptr, nullptr}},                // IDENT
    {{xpsect_pass0, nullptr, nullptr}},               // XPSECT
    {{nullptr, nullptr, nullptr}},                    // SEGMENT
    {{nullptr, nullptr, nullptr}},                    // XSYM
    {{signat_pass0, nullptr, nullptr}},               // SIGNAT
    {{fninfo_pass0, nullptr, nullptr}},               // FNINFO
    {{fnconf_pass0, nullptr, nullptr}},               // FNCONF
    {{nullptr, nullptr, segstart_pass2}},             // SEGSTART
    {{psectlim_pass0, nullptr, nullptr}},             // PSECTLIM
    {{nullptr, nullptr, listreloc_pass2}},            // LISTRELOC
    {{nullptr, nullptr, nullptr}},                    // LR_TEXT
    {{nullptr, nullptr, nullptr}},                    // LR_RELOC
    {{condexpr_any, condexpr_any, condexpr_any}},     // CONDEXPR
    {{dabs_pass0, nullptr, nullptr}},                 // DABS
};

}  // namespace

record_handler handler_for(int type, int pass) {
    if (type < 1 || type > 20 || pass < 0 || pass > 2) return nullptr;
    return handlers[type].pass[pass];
}

void start_module_pass2(context& cx) {
    module_rec* m = cx.symtab.current;
    if (!m) return;
    for (name_entry* e : m->local_syms) {
        if (!e->is_symbol()) continue;
        const name_entry* p = e->owner && e->owner->rec ? e->owner : nullptr;
        if (e->kind() != SK_EXTERN) e->value = local_absolute(cx, p, e->value);
        if (hidden_local(cx, e->name)) continue;
        emit_symbol(cx, e->name, e->value, e->flags, p ? symbol_psect(cx, e) : nullptr);
    }
}

void collect_placement_names(context& cx) {
    for (const std::string& option : cx.opts.placements) {
        const char* p = option.c_str();
        bool at_name = true;
        while (*p) {
            if (at_name) {
                const char* s = p;
                while (*p && !std::strchr("=,/+%", *p)) ++p;
                if (p > s) cx.placement_names.insert(std::string(s, p));
                at_name = false;
                continue;
            }
            if (*p == ',') at_name = true;
            else if (*p == '+' && std::isalpha(static_cast<unsigned char>(p[1]))) at_name = true;
            else if (*p == '=' || *p == '/') {
                // a link or load target may name a psect too
                at_name = std::isalpha(static_cast<unsigned char>(p[1])) || p[1] == '_';
            }
            ++p;
        }
    }
}

void finish_output(context& cx) {
    flush_text_record(cx);
    out_flush(cx);
    if (!cx.opts.partial && !cx.opts.binary && !cx.opts.symbols_only && !cx.symtab.entry_seen) {
        alert_message(528);
        out_start(cx, obj::START, 0, "");
    }
    out_end(cx);
    out_flush(cx);
}

}  // namespace lnk
