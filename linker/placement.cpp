#include "linker/placement.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <cstdlib>
#include <functional>

#include "common/alert.h"
#include "linker/context.h"
#include "linker/avmap.h"
#include "linker/callgraph.h"
#include "linker/classes.h"
#include "linker/mapfile.h"
#include "linker/options.h"
#include "linker/output.h"
#include "linker/symout.h"
#include "linker/symtab.h"
#include "linker/util.h"

namespace lnk {

placement_counters& counters = run_context.counters;

namespace {

modes_state& modes = run_context.modes;

[[noreturn]] void stop() {
    exit_hook(1);
    std::exit(1);
}

uint32_t round_up(uint32_t v, uint32_t a) { return a > 1 && v % a ? v + (a - v % a) : v; }

void for_each_symbol(const std::function<void(name_entry*)>& fn) {
    for (name_entry* e : symtab.slots)
        if (e && e->is_symbol()) fn(e);
}

// A psect item of -P: the name must be a psect or a class not yet positioned.
name_entry* placement_target(const std::string& name) {
    name_entry* e = link_sym_lookup(name, KIND_GLOBAL_PSECT);
    if (!e) e = link_sym_lookup(name, KIND_CLASS);
    if (!e) {
        alert_message(450, name.c_str());
        stop();
    }
    // An absolute or already positioned psect is reported and its item left alone.
    if (e->flags & FL_ABSOLUTE) {
        alert_message(492, name.c_str());
        return nullptr;
    }
    if (e->rec->state != place_state::unplaced) {
        alert_message(493, name.c_str());
        return nullptr;
    }
    return e;
}

std::string read_name(const char*& p) {
    const char* s = p;
    while (*p && !std::strchr("=,/+%", *p)) ++p;
    return std::string(s, p);
}

void switch_scale_and_align(const psect_rec* r) {
    if (r->bitscale != counters.bitscale) {
        counters.link = r->bitscale * counters.load;
        counters.bitscale = r->bitscale;
    }
    if (r->align) {
        counters.link = round_up(counters.link, r->align * r->bitscale);
        if (!(r->entry->flags & FL_ALIGN_HIGH)) counters.load = round_up(counters.load, r->align);
    }
}

void new_segment(const psect_rec* r, uint32_t length) {
    segment s;
    s.length = length;
    s.load = r->load;
    s.link = r->link;
    s.name = r->entry->name;
    s.space = r->space;
    s.delta = r->delta;
    s.cls = r->cls ? r->cls->name : "";
    s.selector = segment_selector(static_cast<uint32_t>(places.segments.size()), r, r->load, r->link);
    places.segments.push_back(s);
}

struct item_opts {
    uint32_t min = 0;
    uint32_t load_min = 0;
    bool below = false;
    bool link_dot = false;
    bool slash = false;
};

// Places one psect at the counters by the current modes.
void place_psect(psect_rec* r, const item_opts& it) {
    uint32_t d = r->delta ? r->delta : 1;
    uint32_t bs = r->bitscale;
    uint32_t a = r->align;
    bool high_align = r->entry->flags & FL_ALIGN_HIGH;
    bool class_segment = false;
    if (modes.link == place_mode::in_class && modes.link_target && modes.link_target->rec->has_ranges) {
        uint32_t link = 0, load = 0;
        if (!place_in_class(modes.link_target, r, it.min * d, link, load)) return;
        class_segment = true;
        counters.link = link;
        if (modes.load == place_mode::in_class &&
            (!modes.load_target || modes.load_target == modes.link_target))
            counters.load = load;
    } else if (modes.link == place_mode::after_psect && modes.link_target) {
        const psect_rec* q = modes.link_target->rec;
        counters.link = round_up(std::max(it.min, q->link + q->size), a * bs);
        if (modes.load == place_mode::after_psect && modes.load_target == modes.link_target)
            counters.load = round_up(std::max(it.load_min, q->load + q->words()), a);
    }
    if (!high_align && a && counters.link % (a * bs)) {
        alert_message(455, r->entry->name.c_str(), a * bs);
        stop();
    }
    // Counters from a number or a class allocation are in units; a class without ranges
    // allocates nothing and leaves the counters in bytes.
    bool ranged_link = modes.link_target && modes.link_target->rec->has_ranges;
    bool scaled_link = modes.link == place_mode::explicit_addr || (modes.link == place_mode::in_class && ranged_link);
    if (scaled_link) {
        counters.link *= d;
        if (it.below) counters.link -= r->units() * d;
    }
    r->link = counters.link;
    if (modes.load == place_mode::in_class && modes.load_target && modes.load_target != modes.link_target &&
        modes.load_target->rec->has_ranges) {
        if (!r->members.empty()) {
            alert_message(495);
        } else {
            uint32_t link = 0, load = 0, saved = r->link;
            r->state = place_state::unplaced;
            if (place_in_class(modes.load_target, r, it.load_min * d, link, load)) counters.load = load;
            r->link = saved;
            class_segment = true;
        }
    } else if (modes.load == place_mode::after_psect && modes.load_target &&
               modes.load_target != modes.link_target) {
        const psect_rec* q = modes.load_target->rec;
        counters.load = round_up(std::max(it.load_min, q->load + q->words()), a);
    } else if (modes.load == place_mode::as_link) {
        counters.load = (counters.link + bs - 1) / bs;
    }
    if (!high_align && a && counters.load % a) {
        alert_message(456, r->entry->name.c_str(), a);
        stop();
    }
    bool ranged_load = modes.load_target && modes.load_target->rec->has_ranges;
    if (modes.load == place_mode::explicit_addr || (modes.load == place_mode::in_class && ranged_load)) {
        counters.load *= d;
        if (it.below) counters.load -= r->units() * d;
    }
    if (it.link_dot) r->link = counters.load;
    r->load = counters.load;
    r->load_given = it.slash;
    if (!class_segment) {
        bool joined = false;
        if (modes.link == place_mode::catenate && modes.load == place_mode::catenate && !places.segments.empty()) {
            segment& s = places.segments.back();
            uint32_t end = round_up(s.load + s.length, a);
            if (end == counters.load) {
                s.length = end - s.load + d * r->units();
                r->selector = s.selector;
                joined = true;
            }
        }
        if (!joined) {
            new_segment(r, d * r->units());
            r->selector = places.segments.back().selector;
        }
    }
    counters.load += d * r->units();
    counters.link += bs * r->words();
    counters.highest = std::max(counters.highest, counters.link);
    if (r->state == place_state::unplaced) r->state = place_state::positioned;
    remove_placed(r);
}

void after_item() {
    if (modes.link == place_mode::explicit_addr || modes.link == place_mode::after_psect)
        modes.link = place_mode::catenate;
    if (modes.load == place_mode::explicit_addr || modes.load == place_mode::after_psect)
        modes.load = place_mode::catenate;
}

// Reads the link or load target at p: a class (InClass), a psect (AfterPsect), or null.
name_entry* mode_target(const char*& p, place_mode& mode) {
    std::string name = read_name(p);
    if (name_entry* c = link_sym_lookup(name, KIND_CLASS)) {
        mode = place_mode::in_class;
        return c;
    }
    if (name_entry* q = link_sym_lookup(name, KIND_GLOBAL_PSECT)) {
        mode = place_mode::after_psect;
        return q;
    }
    alert_message(450, name.c_str());
    stop();
}

bool starts_name(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }

// Reads and places one item; false when the reading of every -P option must end.
bool placement_item(const std::string& option, const char*& p) {
    if (*p == 0 || *p == ',') {
        alert_message(494, option.c_str(), p);
        return false;
    }
    name_entry* e = placement_target(read_name(p));
    psect_rec scratch;   // takes the item when its psect is refused
    psect_rec* r = e ? e->rec : &scratch;
    if (!e) scratch.entry = symtab.abs_psect;
    while (*p == '+' && std::isalpha(static_cast<unsigned char>(p[1]))) {
        ++p;
        name_entry* ge = placement_target(read_name(p));
        if (!ge || !e) continue;
        psect_rec* g = ge->rec;
        g->glued_into = r;
        g->glue_offset = r->size;
        r->size += g->size;
        g->state = place_state::positioned;
    }
    if (e && !e->is_class()) switch_scale_and_align(r);
    uint32_t d = r->delta ? r->delta : 1;
    uint32_t load_before = counters.load;
    item_opts it;
    bool link_given = false;
    if (*p == '=') {
        ++p;
        link_given = true;
        if (*p == '-') {
            it.below = true;
            ++p;
        }
        if (*p == '.') {
            it.link_dot = true;
            ++p;
        } else if (starts_name(*p)) {
            modes.link_target = mode_target(p, modes.link);
        } else {
            uint32_t v = 0;
            if (!parse_number(p, v)) {
                alert_message(451);
                stop();
            }
            modes.link = place_mode::explicit_addr;
            modes.link_target = nullptr;
            counters.link = counters.load = v;
        }
    }
    if (*p == '+') {
        ++p;
        if (!parse_number(p, it.min)) {
            alert_message(452);
            stop();
        }
        counters.link = std::max(counters.link, it.min);
    }
    if (*p == '%') {
        ++p;
        uint32_t n = 0;
        if (!parse_number(p, n)) {
            alert_message(453);
            stop();
        }
        modes.link = place_mode::catenate;
        counters.link = round_up(counters.link, n * d);
        counters.load = counters.link;
    }
    if (*p == '/') {
        ++p;
        it.slash = true;
        if (*p == '%') {
            ++p;
            uint32_t n = 0;
            if (!parse_number(p, n)) {
                alert_message(453);
                stop();
            }
            modes.load = place_mode::catenate;
            counters.load = round_up(load_before, n * d);
        } else if (*p == '.') {
            ++p;
            if (it.link_dot) {
                alert_message(454);
                stop();
            }
            modes.load = place_mode::as_link;
        } else if (starts_name(*p)) {
            modes.load_target = mode_target(p, modes.load);
        } else {
            uint32_t v = 0;
            if (parse_number(p, v)) {
                modes.load = place_mode::explicit_addr;
                modes.load_target = nullptr;
                counters.load = v;
            }
        }
        if (*p == '+') {
            ++p;
            if (!parse_number(p, it.load_min)) {
                alert_message(452);
                stop();
            }
            counters.load = std::max(counters.load, it.load_min);
        }
    } else {
        if (link_given) {
            modes.load = modes.link;
            modes.load_target = modes.link_target;
        }
        counters.load = std::max(counters.load, it.min);
        it.load_min = it.min;
    }
    if (!e) {
        after_item();
        return true;
    }
    if (e->is_class()) {
        for (psect_rec* q : symtab.psect_list) {
            if (q->cls != e || q->entry->is_class() || q->state != place_state::unplaced ||
                (q->entry->flags & FL_ABSOLUTE))
                continue;
            switch_scale_and_align(q);
            place_psect(q, it);
            after_item();
        }
        r->state = place_state::positioned;
    } else {
        place_psect(r, it);
    }
    counters.prev_size = r->size;
    after_item();
    return true;
}

uint32_t chain_total(psect_rec* r, int depth) {
    uint32_t total = r->size;
    // with= cycles are dropped when read; the depth bound only guards against a bad table.
    if (depth < 64)
        for (psect_rec* m : r->members) {
            m->is_member = true;
            total += chain_total(m, depth + 1);
        }
    r->total = total;
    return total;
}

void define_bounds(psect_rec* r) {
    const std::string& n = r->entry->name;
    uint16_t kind = SK_DEFINED | FL_GLOBAL;
    if (r->entry->is_class()) {
        for (const char* prefix : {"__L", "__H", "__B"}) {
            name_entry* s = link_sym_lookup(prefix + n, FL_GLOBAL);
            if (!s || s->kind() != SK_EXTERN) continue;
            uint32_t v = prefix[2] == 'L' ? r->low_bound : prefix[2] == 'H' ? r->high_bound : r->load - r->link;
            define_linker_symbol(prefix + n, symtab.abs_psect, v, kind);
        }
        return;
    }
    define_linker_symbol("__L" + n, r->entry, r->link, kind);
    define_linker_symbol("__H" + n, r->entry, r->link + r->size, kind);
    if (r->load != r->link || r->load_given) define_linker_symbol("__B" + n, r->entry, r->load, kind);
}

void report_undefined() {
    if (!symtab.undefined) return;
    bool many = symtab.undefined > 1;
    if (opts.undefined_warn) {
        if (many) alert_message(595);
        else alert_message(594);
    } else {
        if (many) alert_message(500);
        else alert_message(499);
    }
    auto module_name = [](const name_entry* e) {
        if (e->ref_module < 0 || static_cast<size_t>(e->ref_module) >= symtab.modules.size()) return std::string();
        return symtab.modules[static_cast<size_t>(e->ref_module)]->name;
    };
    uint32_t left = symtab.undefined;
    for_each_symbol([&](name_entry* e) {
        if (e->kind() == SK_EXTERN && e->is_global() && left) {
            alert_continue(1, "%s (%s)", e->name.c_str(), module_name(e).c_str());
            --left;
        }
    });
    for (const auto& m : symtab.modules)
        for (name_entry* e : m->local_syms)
            if (e->kind() == SK_EXTERN && left) {
                alert_continue(1, "%s (%s)", e->name.c_str(), m->name.c_str());
                --left;
            }
}

void bind_undefined(name_entry* e) {
    if (e->kind() == SK_EXTERN) {
        e->owner = symtab.abs_psect;
        e->value = 0;
    }
}

void write_psects_and_symbols() {
    if (opts.no_symbols) return;
    for (name_entry* e : symtab.slots) {
        if (!e || !e->is_psect() || (e->rec && e->rec->glued_into) || opts.binary) continue;
        uint16_t f = e->flags & static_cast<uint16_t>(~(FL_PSECT | FL_PSECT_KIND2));
        if (!opts.partial) {
            if (!(f & FL_ABSOLUTE)) f &= static_cast<uint16_t>(~FL_GLOBAL);
            f |= FL_OVERLAID | FL_ABSOLUTE;
        }
        out_psect(f, e->name);
    }
    for_each_symbol([](name_entry* e) {
        if (opts.no_locals && !e->is_global()) return;
        if (opts.no_generated && is_generated_label(e->name.c_str())) return;
        emit_symbol(e->name, e->value, e->flags, symbol_psect(e));
    });
}

void check_segment_overlaps() {
    auto& segs = places.segments;
    if (segs.size() < 2) return;
    for (size_t i = 0; i < segs.size(); ++i)
        for (size_t j = i + 1; j < segs.size(); ++j) {
            const segment& a = segs[i];
            const segment& b = segs[j];
            if (a.space != b.space || !a.length || !b.length) continue;
            if (a.load < b.load + b.length && b.load < a.load + a.length)
                alert_message(596, a.name.c_str(), ul(a.load), ul(a.load + a.length - 1), b.name.c_str(),
                              ul(b.load), ul(b.load + b.length - 1));
        }
}

}  // namespace


void layout_commons(bool areas) {
    bool any = areas;
    for_each_symbol([&](name_entry* e) {
        if (e->kind() != SK_COMMON || !e->owner || !e->owner->rec) return;
        psect_rec* r = e->owner->rec;
        bool high = e->owner->flags & FL_ALIGN_HIGH;
        if (!r->has_common && r->align && !high) r->size = round_up(r->size, r->align);
        uint32_t align = high ? 0 : r->align;
        if (align > e->value) align = e->value;
        r->common = round_up(r->common, align);
        uint32_t size = e->value;
        e->value = r->size + r->common;
        e->flags = static_cast<uint16_t>((e->flags & ~SYM_KIND_MASK) | SK_DEFINED | FL_GLOBAL);
        r->common += size;
        r->has_common = true;
        any = true;
    });
    if (any)
        for (psect_rec* r : symtab.psect_list) r->size += r->common;
}

void pack_local_psects() {
    std::vector<psect_rec*> containers;
    size_t count = symtab.psect_list.size();
    for (size_t i = 0; i < count; ++i) {
        psect_rec* r = symtab.psect_list[i];
        name_entry* e = r->entry;
        if (e->is_global() || e->is_class() || r->glued_into || (r->cls && r->cls->rec->has_ranges)) continue;
        psect_rec* into = nullptr;
        if (r->max_size)
            for (psect_rec* c : containers)
                if (c->entry->name == e->name && c->cls == r->cls && c->max_size == r->max_size &&
                    c->align == r->align && c->size + r->size <= c->max_size) {
                    into = c;
                    break;
                }
        if (!into) {
            symtab.entries.push_back(std::make_unique<name_entry>());
            name_entry* ce = symtab.entries.back().get();
            ce->name = e->name;
            ce->flags = e->flags;
            into = new_psect_record(ce, r->bitscale);
            into->cls = r->cls;
            into->max_size = r->max_size;
            into->align = r->align;
            into->limit = r->limit;
            into->delta = r->delta;
            into->space = r->space;
            into->range_space = r->range_space;
            into->type = r->type;
            into->selector = r->selector;
            containers.push_back(into);
        }
        r->glued_into = into;
        r->glue_offset = into->size;
        into->size += r->size;
        r->state = place_state::positioned;
    }
}

void read_placements() {
    for (const std::string& option : opts.placements) {
        const char* p = option.c_str();
        for (;;) {
            if (!placement_item(option, p)) return;
            if (*p == ',') {
                ++p;
                continue;
            }
            if (*p) alert_message(494, option.c_str(), p);
            break;
        }
    }
}

void allocate_classes() {
    std::vector<psect_rec*> list;
    for (psect_rec* r : symtab.psect_list) {
        name_entry* e = r->entry;
        if ((e->flags & FL_ABSOLUTE) || e->is_class() || r->glued_into) continue;
        bool eligible = r->members.empty() ? r->state == place_state::unplaced : r->state != place_state::finished;
        if (eligible && r->cls && r->cls->rec->has_ranges) list.push_back(r);
    }
    for (psect_rec* r : list) chain_total(r, 0);
    std::stable_sort(list.begin(), list.end(), [](const psect_rec* a, const psect_rec* b) {
        bool ap = a->state != place_state::unplaced, bp = b->state != place_state::unplaced;
        if (ap != bp) return ap;
        if (a->is_member != b->is_member) return !a->is_member;
        bool am = !a->members.empty(), bm = !b->members.empty();
        if (am != bm) return am;
        if (a->total != b->total) return a->total > b->total;
        return a->members.size() > b->members.size();
    });
    for (psect_rec* r : list) {
        bool again = r->state == place_state::positioned && !r->members.empty();
        if (r->state != place_state::unplaced && !again) continue;
        if (!allocate_chain(places.master, r, 0, 0xFFFFFFFFu)) {
            uint32_t d = r->delta ? r->delta : 1;
            alert_message(593, r->units(), r->total / d, r->entry->name.c_str(), r->cls->name.c_str());
            r->failed = true;
        } else {
            finish_chain(r);
        }
    }
}

void default_catenate(psect_rec* r) {
    if (r->state != place_state::unplaced) {
        alert_message(436, r->entry->name.c_str());
        stop();
    }
    if (!(r->entry->flags & FL_ABSOLUTE)) {
        if (r->size && !r->failed)
            alert_message(526, r->entry->name.c_str(), psect_origin_name(r->entry).c_str());
        switch_scale_and_align(r);
        r->link = counters.link;
        r->load = counters.load;
        counters.link += r->size;
        counters.load += r->words();
        counters.highest = std::max(counters.highest, counters.link);
    }
    r->state = place_state::positioned;
    remove_placed(r);
}

void make_symbols_absolute() {
    for_each_symbol([](name_entry* e) {
        if (e->linker_defined || e->kind() == SK_INDIRECT || e->kind() == SK_EXTERN) return;
        const name_entry* p = e->owner;
        if (!p || !p->rec || (p->flags & FL_ABSOLUTE)) return;
        e->value += p->rec->link;
    });
    for_each_symbol([](name_entry* e) { resolve_indirect(e); });
}

bool end_of_pass1() {
    set_current_module(-1);
    bool areas = false;
    if (opts.partial) callgraph_write_partial();
    else areas = callgraph_allocate(opts.map);
    if (!opts.avmap_file.empty())
        avmap_read(opts.machine.empty() ? symtab.machine : opts.machine, opts.avmap_file);
    layout_commons(areas);
    pack_local_psects();
    build_master_list();
    counters = placement_counters{};
    if (!opts.partial && !opts.placements.empty()) read_placements();
    if (!opts.partial) allocate_classes();
    // Symbols of a glued psect now belong to the psect that holds it.
    for_each_symbol([](name_entry* e) {
        if (e->owner && e->owner->rec && e->owner->rec->glued_into && e->is_symbol()) {
            e->value += e->owner->rec->glue_offset;
            e->owner = e->owner->rec->glued_into->entry;
        }
    });
    for (size_t i = 0; i < symtab.psect_list.size(); ++i) {
        psect_rec* r = symtab.psect_list[i];
        uint32_t d = r->delta ? r->delta : 1;
        if (r->max_size && r->size / d > r->max_size)
            alert_message(497, r->entry->name.c_str(), ul(r->size / d), ul(r->max_size));
        if (opts.partial) {
            if (!r->entry->is_class()) out_empty_text(r->size, r->entry->name);
            continue;
        }
        if (r->entry->is_class()) {
            if (r->state == place_state::unplaced && !r->has_ranges) {
                for (psect_rec* q : symtab.psect_list)
                    if (q->cls == r->entry && !q->entry->is_class() && q->state == place_state::unplaced)
                        default_catenate(q);
                r->state = place_state::positioned;
            }
        } else if (r->state == place_state::unplaced) {
            default_catenate(r);
        }
        if (r->limit && (uint64_t(r->link) + r->size) / d > r->limit)
            alert_message(498, r->entry->name.c_str(), ul((r->link + r->size) / d), ul(r->limit));
    }
    if (!opts.partial) {
        for (psect_rec* r : symtab.psect_list) {
            if (!r->glued_into) continue;
            r->link = r->glued_into->link + r->glue_offset;
            r->load = r->glued_into->load + r->glue_offset / r->bitscale;
        }
        make_symbols_absolute();
        for (psect_rec* r : symtab.psect_list) {
            bool global_psect = r->entry->is_global() && r->entry != symtab.abs_psect;
            if (!opts.symbols_only && (global_psect || r->entry->is_class())) define_bounds(r);
        }
        for (const space_entry& s : places.spaces)
            define_linker_symbol("__S" + std::to_string(s.space), symtab.abs_psect, s.high, SK_DEFINED | FL_GLOBAL);
        report_undefined();
        for_each_symbol(bind_undefined);
        for (const auto& m : symtab.modules)
            for (name_entry* e : m->local_syms) bind_undefined(e);
    }
    for (psect_rec* r : symtab.psect_list) {
        r->size = 0;
        r->running = 0;
        r->part = 0;
    }
    write_psects_and_symbols();
    if ((opts.partial || opts.symbols_only) && !opts.no_symbols)
        for_each_symbol([](name_entry* e) {
            if (e->flags & FL_SIGNATURE) out_signat(e->signature, e->name);
        });
    out_flush();
    if (places.segmented)
        for (const segment& s : places.segments)
            if (s.length) out_segment(s);
    out_flush();
    write_symfile_sections();
    check_segment_overlaps();
    if (opts.map) map_module_header();
    return areas;
}

}  // namespace lnk
