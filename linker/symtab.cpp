#include "linker/symtab.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "common/alert.h"
#include "linker/context.h"

namespace lnk {

namespace {

// Names of different kinds (symbol, psect, class) never match each other.
uint16_t kind_class(uint16_t flags) { return flags & (FL_PSECT | FL_CLASS); }

name_entry* new_entry(context& cx, const std::string& name, uint16_t flags) {
    cx.symtab.entries.push_back(std::make_unique<name_entry>());
    name_entry* e = cx.symtab.entries.back().get();
    e->name = name;
    e->flags = flags;
    // A psect's origin is the module that first named it.
    if (flags & FL_PSECT) e->module = cx.symtab.current_index;
    return e;
}

void count_undefined_up(context& cx, name_entry* e) {
    ++cx.symtab.undefined;
    if (cx.symtab.debug_level >= 3) std::fprintf(stderr, "nundef++: %s\n", e->name.c_str());
}

// Slot of name in the global table for the kind class, or of the empty slot where it goes.
uint32_t probe(context& cx, const std::string& name, uint16_t kind) {
    uint32_t start = name_hash(name);
    uint32_t i = start;
    do {
        name_entry* e = cx.symtab.slots[i];
        if (!e || (kind_class(e->flags) == kind_class(kind) && e->name == name)) return i;
        i = (i + 1) % GLOBAL_SLOTS;
    } while (i != start);
    alert_message(434, GLOBAL_SLOTS);
    exit_hook(1);
    return start;
}

name_entry* find_in(const std::vector<name_entry*>& list, const std::string& name, uint16_t kind) {
    for (name_entry* e : list)
        if (kind_class(e->flags) == kind_class(kind) && e->name == name) return e;
    return nullptr;
}

// A psect's lookups are redirected through its merge target.
name_entry* merged(name_entry* e) {
    if (e && e->is_psect() && e->owner) return e->owner;
    return e;
}

}  // namespace

uint32_t name_hash(const std::string& name) {
    uint32_t sum = 0;
    for (size_t i = 0; i < name.size(); ++i)
        sum += static_cast<uint32_t>(static_cast<unsigned char>(name[i])) << (i % 16);
    return sum % GLOBAL_SLOTS;
}

psect_rec* new_psect_record(context& cx, name_entry* entry, uint8_t bitscale) {
    cx.symtab.records.push_back(std::make_unique<psect_rec>());
    psect_rec* r = cx.symtab.records.back().get();
    r->entry = entry;
    r->bitscale = bitscale;
    entry->rec = r;
    cx.symtab.psect_list.push_back(r);
    return r;
}

void symtab_start(context& cx) {
    cx.symtab.abs_psect = sym_enter(cx, "", FL_PSECT | FL_GLOBAL | FL_OVERLAID | FL_ABSOLUTE);
}

module_rec* new_module(context& cx, const std::string& name, const std::string& library, int32_t file) {
    cx.symtab.modules.push_back(std::make_unique<module_rec>());
    module_rec* m = cx.symtab.modules.back().get();
    m->name = name;
    m->library = library;
    m->file = file;
    return m;
}

void set_current_module(context& cx, int32_t index) {
    cx.symtab.current_index = index;
    cx.symtab.current = index >= 0 ? cx.symtab.modules[static_cast<size_t>(index)].get() : nullptr;
}

name_entry* link_sym_lookup(context& cx, const std::string& name, uint16_t kind) {
    module_rec* m = cx.symtab.current;
    if (m && !(kind & FL_CLASS)) {
        const auto& list = (kind & FL_PSECT) ? m->local_psects : m->local_syms;
        if (name_entry* e = find_in(list, name, kind)) return merged(e);
    }
    uint32_t start = name_hash(name);
    uint32_t i = start;
    do {
        name_entry* e = cx.symtab.slots[i];
        if (!e) return nullptr;
        if (kind_class(e->flags) == kind_class(kind) && e->name == name) return merged(e);
        i = (i + 1) % GLOBAL_SLOTS;
    } while (i != start);
    return nullptr;
}

name_entry* sym_enter(context& cx, const std::string& name, uint16_t kind) {
    module_rec* m = cx.symtab.current;
    bool psect = kind & FL_PSECT;
    bool cls = kind & FL_CLASS;
    bool global = kind & FL_GLOBAL;
    name_entry* e = nullptr;
    if (m && !cls) {
        auto& list = psect ? m->local_psects : m->local_syms;
        e = find_in(list, name, kind);
        bool local_scope = psect ? !global : (!global && m->version_at_least(3, 0));
        if (!e && local_scope) {
            e = new_entry(cx, name, kind & ~SYM_KIND_MASK);
            list.push_back(e);
            if (psect) {
                new_psect_record(cx, e, (kind & FL_BIT) ? 8 : 1);
            } else {
                e->flags |= SK_EXTERN;
                count_undefined_up(cx, e);
            }
            return e;
        }
    }
    if (!e) {
        uint32_t slot = probe(cx, name, kind);
        e = cx.symtab.slots[slot];
        if (!e) {
            e = new_entry(cx, name, (kind & ~SYM_KIND_MASK) | ((psect || cls) ? 0 : SK_EXTERN));
            cx.symtab.slots[slot] = e;
            if (psect || cls)
                new_psect_record(cx, e, (kind & FL_BIT) ? 8 : 1);
            else
                count_undefined_up(cx, e);
            return e;
        }
    }
    e->flags |= kind & ~SYM_KIND_MASK;
    return merged(e);
}

bool is_generated_label(const char* name) {
    if (!name[0] || !std::strchr("klfLSuh", name[0])) return false;
    for (const char* p = name + 1; *p; ++p)
        if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    return true;
}

void count_undefined_down(context& cx, name_entry* e) {
    if (cx.symtab.undefined) --cx.symtab.undefined;
    if (cx.symtab.debug_level < 3) return;
    if (cx.symtab.pass == 0)
        std::fprintf(stderr, "nundef-- == %u: %s\n", cx.symtab.undefined, e->name.c_str());
    else
        std::fprintf(stderr, "nundef--: %s\n", e->name.c_str());
}

void resolve_indirect(name_entry* entry) {
    if (entry->kind() != SK_INDIRECT) return;
    // Any cycle on the chain (not only one through the entry) would loop for ever.
    std::unordered_set<const name_entry*> seen{entry};
    name_entry* target = entry->owner;
    uint32_t value = entry->value;
    while (target && target->kind() == SK_INDIRECT) {
        if (!seen.insert(target).second) {
            alert_message(479, entry->name.c_str());
            return;
        }
        value += target->value;
        target = target->owner;
    }
    if (!target) return;
    entry->value = value + target->value;
    entry->flags = static_cast<uint16_t>((target->flags & ~FL_GLOBAL) | (entry->flags & FL_GLOBAL));
    entry->owner = target->owner;
    entry->lib_taken = target->lib_taken;
    entry->defined_pass1 = target->defined_pass1;
    entry->signature = target->signature;
}

void define_symbol(context& cx, name_entry* e, uint16_t kflags, uint32_t value, name_entry* psect) {
    uint16_t k = kflags & SYM_KIND_MASK;
    bool k_global = kflags & FL_GLOBAL;
    uint16_t o = e->kind();
    if (k == SK_COMMON && o == SK_COMMON) {
        if (value > e->value) e->value = value;
        if (e->owner != psect) alert_message(481, e->name.c_str());
        return;
    }
    bool defined = o != SK_EXTERN && o != SK_COMMON && !(o == k && !e->is_global() && !k_global);
    if (cx.symtab.pass == 1) defined = defined && e->defined_pass1;
    if (defined) {
        if (k != SK_COMMON && (k_global || e->is_global()))
            alert_message(482, e->name.c_str(), psect_origin_name(cx, e).c_str());
        return;
    }
    if (o == SK_EXTERN) count_undefined_down(cx, e);
    if (!k_global) e->flags &= static_cast<uint16_t>(~FL_GLOBAL);
    e->value = value;
    e->owner = psect;
    if (k != SK_COMMON && k != SK_INDIRECT && psect && psect->rec && !(psect->flags & FL_OVERLAID))
        e->value += psect->rec->running;
    e->flags = static_cast<uint16_t>((e->flags & ~SYM_KIND_MASK) | k);
    if (cx.symtab.current) {
        e->file = cx.symtab.current->file;
        e->module = cx.symtab.current_index;
    }
    if (cx.symtab.pass == 1) e->defined_pass1 = true;
}

void bind_symbol(context& cx, name_entry* e, uint16_t kflags, uint32_t value, name_entry* psect) {
    if (e->kind() == SK_EXTERN) count_undefined_down(cx, e);
    e->flags = static_cast<uint16_t>((e->flags & ~(SYM_KIND_MASK | FL_GLOBAL)) | (kflags & (SYM_KIND_MASK | FL_GLOBAL)));
    e->value = value;
    e->owner = psect;
}

void define_linker_symbol(context& cx, const std::string& name, name_entry* psect, uint32_t value, uint16_t kind) {
    module_rec* saved = cx.symtab.current;
    int32_t saved_index = cx.symtab.current_index;
    set_current_module(cx, -1);
    name_entry* e = link_sym_lookup(cx, name, FL_GLOBAL);
    if (!e || e->kind() == SK_EXTERN) {
        if (!e) e = sym_enter(cx, name, FL_GLOBAL);
        bind_symbol(cx, e, kind, value, psect);
        e->linker_defined = true;
        e->file = -1;
        e->module = -1;
    }
    cx.symtab.current = saved;
    cx.symtab.current_index = saved_index;
}

std::string psect_origin_name(context& cx, const name_entry* e) {
    if (e->module < 0 || static_cast<size_t>(e->module) >= cx.symtab.modules.size()) return "";
    const module_rec* m = cx.symtab.modules[static_cast<size_t>(e->module)].get();
    if (!m->library.empty()) return m->library + ": " + m->name;
    return m->name;
}

}  // namespace lnk
