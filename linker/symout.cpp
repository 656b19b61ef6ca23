#include "linker/symout.h"
#include "linker/context.h"

#include "linker/avmap.h"
#include "linker/classes.h"
#include "linker/options.h"
#include "linker/output.h"
#include "linkfiles/symfile.h"
#include "linker/symtab.h"

namespace lnk {

const name_entry* symbol_psect(context& cx, const name_entry* e) {
    const name_entry* p = e->owner;
    if (!p || !p->rec || p == cx.symtab.abs_psect) return nullptr;
    if (p->rec->glued_into) p = p->rec->glued_into->entry;
    return p;
}

namespace {

bool hidden_from_file(const std::string& name) { return name.compare(0, 14, "fast_interrupt") == 0; }

void write_line(context& cx, const std::string& name, uint32_t value, uint16_t flags, const name_entry* psect) {
    FILE* f = cx.symout.file;
    const char* n = name.c_str();
    if (cx.opts.sym_style == symfile_style::plain) {
        uint16_t kind = flags & SYM_KIND_MASK;
        if (kind == SK_DEFINED || kind == SK_EXTERN) linkfile::write_plain(f, value, n);
        return;
    }
    if (cx.avmap.loaded) {
        linkfile::write_keyed(f, psect != nullptr, n, memory_key(cx, psect ? psect->name : "").c_str(), value);
        return;
    }
    if (cx.symtab.current && !cx.symtab.current->name.empty() && cx.symtab.current->name != cx.symout.last_module) {
        cx.symout.last_module = cx.symtab.current->name;
        linkfile::write_name(f, cx.symout.last_module.c_str());
    }
    if (flags == SK_REGISTER) {
        linkfile::write_register(f, n, value);
    } else if (flags == SK_STACK) {
        linkfile::write_stack(f, n, static_cast<int32_t>(value));
    } else if (flags == SK_INFO5) {
        linkfile::write_name(f, n);
    } else {
        uint32_t offset = 0;
        const char* cls = nullptr;
        if (psect) {
            const psect_rec* r = psect->rec;
            // Bit psects link in bits; the offset compares byte addresses.
            offset = r->load - r->link / r->bitscale;
            if (cx.opts.sym_plus && r->cls) cls = r->cls->name.c_str();
        }
        linkfile::write_extended(f, n, value, psect != nullptr, offset, cls);
    }
}

}  // namespace

void emit_symbol(context& cx, const std::string& name, uint32_t value, uint16_t flags, const name_entry* psect) {
    if (psect && psect->rec) value /= psect->rec->delta ? psect->rec->delta : 1;
    if (cx.symout.file && !hidden_from_file(name)) write_line(cx, name, value, flags, psect);
    if (cx.opts.binary) return;
    if (cx.opts.symbols_only && (flags & 0x06)) return;
    uint16_t selector = psect && psect->rec ? static_cast<uint16_t>(psect->rec->selector) : 0;
    std::string psect_name = psect && !cx.opts.symbols_only ? psect->name : "";
    out_sym(cx, value, flags, cx.places.segmented, selector, psect_name, name);
}

void write_symfile_sections(context& cx) {
    FILE* f = cx.symout.file;
    if (!f || cx.opts.sym_style != symfile_style::extended) return;
    if (cx.avmap.loaded) {
        for (const segment& s : cx.places.segments)
            if (s.length)
                linkfile::write_keyed_segment(f, s.name.c_str(), memory_key(cx, s.name).c_str(), s.link,
                                              s.link + s.length - 1);
        return;
    }
    if (cx.opts.sym_plus) {
        std::fprintf(f, "%s\n", linkfile::SEGMENTS_LINE);
        for (const segment& s : cx.places.segments)
            if (s.length) linkfile::write_segment(f, s.name.c_str(), s.link, s.link + s.length - 1, s.cls.c_str());
    }
    std::fprintf(f, "%s\n", linkfile::LOCALS_LINE);
}

}  // namespace lnk
