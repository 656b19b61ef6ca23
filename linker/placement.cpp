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

namespace {

[[noreturn]] void stop() {
    exit_hook(1);
    std::exit(1);
}

uint32_t round_up(uint32_t v, uint32_t a) { return a > 1 && v % a ? v + (a - v % a) : v; }

void for_each_symbol(context& cx, const std::function<void(name_entry*)>& fn) {
    for (name_entry* e : cx.symtab.slots)
        if (e && e->is_symbol()) fn(e);
}

// A psect item of -P: the name must be a psect or a class not yet positioned.
name_entry* placement_target(context& cx, const std::string& name) {
    name_entry* e = link_sym_lookup(cx, name, KIND_GLOBAL_PSECT);
    if (!e) e = link_sym_lookup(cx, name, KIND_CLASS);
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

void switch_scale_and_align(context& cx, const psect_rec* r) {
    if (r->bitscale != cx.counters.bitscale) {
        cx.counters.link = r->bitscale * cx.counters.load;
        cx.counters.bitscale = r->bitscale;
    }
    if (r->align) {
        cx.counters.link = round_up(cx.counters.link, r->align * r->bitscale);
        if (!(r->entry->flags & FL_ALIGN_HIGH)) cx.counters.load = round_up(cx.counters.load, r->align);
    }
}

void new_segment(context& cx, const psect_rec* r, uint32_t length) {
    segment s;
    s.length = length;
    s.load = r->load;
    s.link = r->link;
    s.name = r->entry->name;
    s.space = r->space;
    s.delta = r->delta;
    s.cls = r->cls ? r->cls->name : "";
    s.selector = segment_selector(cx, static_cast<uint32_t>(cx.places.segments.size()), r, r->load, r->link);
    cx.places.segments.push_back(s);
}

struct item_opts {
    uint32_t min = 0;
    uint32_t load_min = 0;
    bool below = false;
    bool link_dot = false;
    bool slash = false;
};

// Places one psect at the counters by the current modes.
void place_psect(context& cx, psect_rec* r, const item_opts& it) {
    uint32_t d = r->delta ? r->delta : 1;
    uint32_t bs = r->bitscale;
    uint32_t a = r->align;
    bool high_align = r->entry->flags & FL_ALIGN_HIGH;
    bool class_segment = false;
    if (cx.modes.link == place_mode::in_class && cx.modes.link_target && !cx.modes.link_target->rec->has_ranges &&
        r->units()) {
        // A class without memory has no room: catenating the psect after the previous item
        // would put it in some other class's memory, where the program's code does not look.
        alert_message(491, r->units(), r->entry->name.c_str(), cx.modes.link_target->name.c_str());
        r->failed = true;
        return;
    }
    if (cx.modes.link == place_mode::in_class && cx.modes.link_target && cx.modes.link_target->rec->has_ranges) {
        uint32_t link = 0, load = 0;
        if (!place_in_class(cx, cx.modes.link_target, r, it.min * d, link, load)) return;
        class_segment = true;
        cx.counters.link = link;
        if (cx.modes.load == place_mode::in_class &&
            (!cx.modes.load_target || cx.modes.load_target == cx.modes.link_target))
            cx.counters.load = load;
    } else if (cx.modes.link == place_mode::after_psect && cx.modes.link_target) {
        const psect_rec* q = cx.modes.link_target->rec;
        cx.counters.link = round_up(std::max(it.min, q->link + q->size), a * bs);
        if (cx.modes.load == place_mode::after_psect && cx.modes.load_target == cx.modes.link_target)
            cx.counters.load = round_up(std::max(it.load_min, q->load + q->words()), a);
    }
    if (!high_align && a && cx.counters.link % (a * bs)) {
        alert_message(455, r->entry->name.c_str(), a * bs);
        stop();
    }
    // Counters from a number or a class allocation are in units; a class without ranges
    // allocates nothing and leaves the counters in bytes.
    bool ranged_link = cx.modes.link_target && cx.modes.link_target->rec->has_ranges;
    bool scaled_link = cx.modes.link == place_mode::explicit_addr || (cx.modes.link == place_mode::in_class && ranged_link);
    if (scaled_link) {
        cx.counters.link *= d;
        if (it.below) cx.counters.link -= r->units() * d;
    }
    r->link = cx.counters.link;
    if (cx.modes.load == place_mode::in_class && cx.modes.load_target && cx.modes.load_target != cx.modes.link_target &&
        cx.modes.load_target->rec->has_ranges) {
        if (!r->members.empty()) {
            alert_message(495);
        } else {
            uint32_t link = 0, load = 0, saved = r->link;
            r->state = place_state::unplaced;
            if (place_in_class(cx, cx.modes.load_target, r, it.load_min * d, link, load)) cx.counters.load = load;
            r->link = saved;
            class_segment = true;
        }
    } else if (cx.modes.load == place_mode::after_psect && cx.modes.load_target &&
               cx.modes.load_target != cx.modes.link_target) {
        const psect_rec* q = cx.modes.load_target->rec;
        cx.counters.load = round_up(std::max(it.load_min, q->load + q->words()), a);
    } else if (cx.modes.load == place_mode::as_link) {
        cx.counters.load = (cx.counters.link + bs - 1) / bs;
    }
    if (!high_align && a && cx.counters.load % a) {
        alert_message(456, r->entry->name.c_str(), a);
        stop();
    }
    bool ranged_load = cx.modes.load_target && cx.modes.load_target->rec->has_ranges;
    if (cx.modes.load == place_mode::explicit_addr || (cx.modes.load == place_mode::in_class && ranged_load)) {
        cx.counters.load *= d;
        if (it.below) cx.counters.load -= r->units() * d;
    }
    if (it.link_dot) r->link = cx.counters.load;
    r->load = cx.counters.load;
    r->load_given = it.slash;
    if (!class_segment) {
        bool joined = false;
        if (cx.modes.link == place_mode::catenate && cx.modes.load == place_mode::catenate && !cx.places.segments.empty()) {
            segment& s = cx.places.segments.back();
            uint32_t end = round_up(s.load + s.length, a);
            if (end == cx.counters.load) {
                s.length = end - s.load + d * r->units();
                r->selector = s.selector;
                joined = true;
            }
        }
        if (!joined) {
            new_segment(cx, r, d * r->units());
            r->selector = cx.places.segments.back().selector;
        }
    }
    cx.counters.load += d * r->units();
    cx.counters.link += bs * r->words();
    cx.counters.highest = std::max(cx.counters.highest, cx.counters.link);
    if (r->state == place_state::unplaced) r->state = place_state::positioned;
    remove_placed(cx, r);
}

void after_item(context& cx) {
    if (cx.modes.link == place_mode::explicit_addr || cx.modes.link == place_mode::after_psect)
        cx.modes.link = place_mode::catenate;
    if (cx.modes.load == place_mode::explicit_addr || cx.modes.load == place_mode::after_psect)
        cx.modes.load = place_mode::catenate;
}

// Reads the link or load target at p: a class (InClass), a psect (AfterPsect), or null.
name_entry* mode_target(context& cx, const char*& p, place_mode& mode) {
    std::string name = read_name(p);
    if (name_entry* c = link_sym_lookup(cx, name, KIND_CLASS)) {
        mode = place_mode::in_class;
        return c;
    }
    if (name_entry* q = link_sym_lookup(cx, name, KIND_GLOBAL_PSECT)) {
        mode = place_mode::after_psect;
        return q;
    }
    alert_message(450, name.c_str());
    stop();
}

bool starts_name(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }

// Reads and places one item; false when the reading of every -P option must end.
bool placement_item(context& cx, const std::string& option, const char*& p) {
    if (*p == 0 || *p == ',') {
        alert_message(494, option.c_str(), p);
        return false;
    }
    name_entry* e = placement_target(cx, read_name(p));
    psect_rec scratch;   // takes the item when its psect is refused
    psect_rec* r = e ? e->rec : &scratch;
    if (!e) scratch.entry = cx.symtab.abs_psect;
    while (*p == '+' && std::isalpha(static_cast<unsigned char>(p[1]))) {
        ++p;
        name_entry* ge = placement_target(cx, read_name(p));
        if (!ge || !e) continue;
        psect_rec* g = ge->rec;
        g->glued_into = r;
        g->glue_offset = r->size;
        r->size += g->size;
        g->state = place_state::positioned;
    }
    if (e && !e->is_class()) switch_scale_and_align(cx, r);
    uint32_t d = r->delta ? r->delta : 1;
    uint32_t load_before = cx.counters.load;
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
            cx.modes.link_target = mode_target(cx, p, cx.modes.link);
        } else {
            uint32_t v = 0;
            if (!parse_number(p, v)) {
                alert_message(451);
                stop();
            }
            cx.modes.link = place_mode::explicit_addr;
            cx.modes.link_target = nullptr;
            cx.counters.link = cx.counters.load = v;
        }
    }
    if (*p == '+') {
        ++p;
        if (!parse_number(p, it.min)) {
            alert_message(452);
            stop();
        }
        cx.counters.link = std::max(cx.counters.link, it.min);
    }
    if (*p == '%') {
        ++p;
        uint32_t n = 0;
        if (!parse_number(p, n)) {
            alert_message(453);
            stop();
        }
        cx.modes.link = place_mode::catenate;
        cx.counters.link = round_up(cx.counters.link, n * d);
        cx.counters.load = cx.counters.link;
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
            cx.modes.load = place_mode::catenate;
            cx.counters.load = round_up(load_before, n * d);
        } else if (*p == '.') {
            ++p;
            if (it.link_dot) {
                alert_message(454);
                stop();
            }
            cx.modes.load = place_mode::as_link;
        } else if (starts_name(*p)) {
            cx.modes.load_target = mode_target(cx, p, cx.modes.load);
        } else {
            uint32_t v = 0;
            if (parse_number(p, v)) {
                cx.modes.load = place_mode::explicit_addr;
                cx.modes.load_target = nullptr;
                cx.counters.load = v;
            }
        }
        if (*p == '+') {
            ++p;
            if (!parse_number(p, it.load_min)) {
                alert_message(452);
                stop();
            }
            cx.counters.load = std::max(cx.counters.load, it.load_min);
        }
    } else {
        if (link_given) {
            cx.modes.load = cx.modes.link;
            cx.modes.load_target = cx.modes.link_target;
        }
        cx.counters.load = std::max(cx.counters.load, it.min);
        it.load_min = it.min;
    }
    if (!e) {
        after_item(cx);
        return true;
    }
    if (e->is_class()) {
        for (psect_rec* q : cx.symtab.psect_list) {
            if (q->cls != e || q->entry->is_class() || q->state != place_state::unplaced ||
                (q->entry->flags & FL_ABSOLUTE))
                continue;
            switch_scale_and_align(cx, q);
            place_psect(cx, q, it);
            after_item(cx);
        }
        r->state = place_state::positioned;
    } else {
        place_psect(cx, r, it);
    }
    cx.counters.prev_size = r->size;
    after_item(cx);
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

void define_bounds(context& cx, psect_rec* r) {
    const std::string& n = r->entry->name;
    uint16_t kind = SK_DEFINED | FL_GLOBAL;
    if (r->entry->is_class()) {
        for (const char* prefix : {"__L", "__H", "__B"}) {
            name_entry* s = link_sym_lookup(cx, prefix + n, FL_GLOBAL);
            if (!s || s->kind() != SK_EXTERN) continue;
            uint32_t v = prefix[2] == 'L' ? r->low_bound : prefix[2] == 'H' ? r->high_bound : r->load - r->link;
            define_linker_symbol(cx, prefix + n, cx.symtab.abs_psect, v, kind);
        }
        return;
    }
    define_linker_symbol(cx, "__L" + n, r->entry, r->link, kind);
    define_linker_symbol(cx, "__H" + n, r->entry, r->link + r->size, kind);
    if (r->load != r->link || r->load_given) define_linker_symbol(cx, "__B" + n, r->entry, r->load, kind);
}

void report_undefined(context& cx) {
    if (!cx.symtab.undefined) return;
    bool many = cx.symtab.undefined > 1;
    if (cx.opts.undefined_warn) {
        if (many) alert_message(595);
        else alert_message(594);
    } else {
        if (many) alert_message(500);
        else alert_message(499);
    }
    auto module_name = [&cx](const name_entry* e) {
        if (e->ref_module < 0 || static_cast<size_t>(e->ref_module) >= cx.symtab.modules.size()) return std::string();
        return cx.symtab.modules[static_cast<size_t>(e->ref_module)]->name;
    };
    uint32_t left = cx.symtab.undefined;
    for_each_symbol(cx, [&](name_entry* e) {
        if (e->kind() == SK_EXTERN && e->is_global() && left) {
            alert_continue(1, "%s (%s)", e->name.c_str(), module_name(e).c_str());
            --left;
        }
    });
    for (const auto& m : cx.symtab.modules)
        for (name_entry* e : m->local_syms)
            if (e->kind() == SK_EXTERN && left) {
                alert_continue(1, "%s (%s)", e->name.c_str(), m->name.c_str());
                --left;
            }
}

void bind_undefined(context& cx, name_entry* e) {
    if (e->kind() == SK_EXTERN) {
        e->owner = cx.symtab.abs_psect;
        e->value = 0;
    }
}

void write_psects_and_symbols(context& cx) {
    if (cx.opts.no_symbols) return;
    for (name_entry* e : cx.symtab.slots) {
        if (!e || !e->is_psect() || (e->rec && e->rec->glued_into) || cx.opts.binary) continue;
        uint16_t f = e->flags & static_cast<uint16_t>(~(FL_PSECT | FL_PSECT_KIND2));
        if (!cx.opts.partial) {
            if (!(f & FL_ABSOLUTE)) f &= static_cast<uint16_t>(~FL_GLOBAL);
            f |= FL_OVERLAID | FL_ABSOLUTE;
        }
        out_psect(cx, f, e->name);
    }
    for_each_symbol(cx, [&cx](name_entry* e) {
        if (cx.opts.no_locals && !e->is_global()) return;
        if (cx.opts.no_generated && is_generated_label(e->name.c_str())) return;
        emit_symbol(cx, e->name, e->value, e->flags, symbol_psect(cx, e));
    });
}

void check_segment_overlaps(context& cx) {
    auto& segs = cx.places.segments;
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

void layout_commons(context& cx, bool areas) {
    bool any = areas;
    for_each_symbol(cx, [&](name_entry* e) {
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
        for (psect_rec* r : cx.symtab.psect_list) r->size += r->common;
}

void pack_local_psects(context& cx) {
    std::vector<psect_rec*> containers;
    size_t count = cx.symtab.psect_list.size();
    for (size_t i = 0; i < count; ++i) {
        psect_rec* r = cx.symtab.psect_list[i];
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
            cx.symtab.entries.push_back(std::make_unique<name_entry>());
            name_entry* ce = cx.symtab.entries.back().get();
            ce->name = e->name;
            ce->flags = e->flags;
            into = new_psect_record(cx, ce, r->bitscale);
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

void read_placements(context& cx) {
    for (const std::string& option : cx.opts.placements) {
        const char* p = option.c_str();
        for (;;) {
            if (!placement_item(cx, option, p)) return;
            if (*p == ',') {
                ++p;
                continue;
            }
            if (*p) alert_message(494, option.c_str(), p);
            break;
        }
    }
}

void allocate_classes(context& cx) {
    std::vector<psect_rec*> list;
    for (psect_rec* r : cx.symtab.psect_list) {
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
        if (!allocate_chain(cx, cx.places.master, r, 0, 0xFFFFFFFFu)) {
            uint32_t d = r->delta ? r->delta : 1;
            alert_message(593, r->units(), r->total / d, r->entry->name.c_str(), r->cls->name.c_str());
            r->failed = true;
        } else {
            finish_chain(cx, r);
        }
    }
}

void default_catenate(context& cx, psect_rec* r) {
    if (r->state != place_state::unplaced) {
        alert_message(436, r->entry->name.c_str());
        stop();
    }
    if (!(r->entry->flags & FL_ABSOLUTE)) {
        if (r->size && !r->failed)
            alert_message(526, r->entry->name.c_str(), psect_origin_name(cx, r->entry).c_str());
        switch_scale_and_align(cx, r);
        r->link = cx.counters.link;
        r->load = cx.counters.load;
        cx.counters.link += r->size;
        cx.counters.load += r->words();
        cx.counters.highest = std::max(cx.counters.highest, cx.counters.link);
    }
    r->state = place_state::positioned;
    remove_placed(cx, r);
}

void make_symbols_absolute(context& cx) {
    for_each_symbol(cx, [](name_entry* e) {
        if (e->linker_defined || e->kind() == SK_INDIRECT || e->kind() == SK_EXTERN) return;
        const name_entry* p = e->owner;
        if (!p || !p->rec || (p->flags & FL_ABSOLUTE)) return;
        e->value += p->rec->link;
    });
    for_each_symbol(cx, [](name_entry* e) { resolve_indirect(e); });
}

bool end_of_pass1(context& cx) {
    set_current_module(cx, -1);
    bool areas = false;
    if (cx.opts.partial) callgraph_write_partial(cx);
    else areas = callgraph_allocate(cx, cx.opts.map);
    if (!cx.opts.avmap_file.empty())
        avmap_read(cx, cx.opts.machine.empty() ? cx.symtab.machine : cx.opts.machine, cx.opts.avmap_file);
    layout_commons(cx, areas);
    pack_local_psects(cx);
    build_master_list(cx);
    cx.counters = placement_counters{};
    if (!cx.opts.partial && !cx.opts.placements.empty()) read_placements(cx);
    if (!cx.opts.partial) allocate_classes(cx);
    // Symbols of a glued psect now belong to the psect that holds it.
    for_each_symbol(cx, [](name_entry* e) {
        if (e->owner && e->owner->rec && e->owner->rec->glued_into && e->is_symbol()) {
            e->value += e->owner->rec->glue_offset;
            e->owner = e->owner->rec->glued_into->entry;
        }
    });
    for (size_t i = 0; i < cx.symtab.psect_list.size(); ++i) {
        psect_rec* r = cx.symtab.psect_list[i];
        uint32_t d = r->delta ? r->delta : 1;
        if (r->max_size && r->size / d > r->max_size)
            alert_message(497, r->entry->name.c_str(), ul(r->size / d), ul(r->max_size));
        if (cx.opts.partial) {
            if (!r->entry->is_class()) out_empty_text(cx, r->size, r->entry->name);
            continue;
        }
        if (r->entry->is_class()) {
            if (r->state == place_state::unplaced && !r->has_ranges) {
                for (psect_rec* q : cx.symtab.psect_list)
                    if (q->cls == r->entry && !q->entry->is_class() && q->state == place_state::unplaced)
                        default_catenate(cx, q);
                r->state = place_state::positioned;
            }
        } else if (r->state == place_state::unplaced) {
            default_catenate(cx, r);
        }
        if (r->limit && (uint64_t(r->link) + r->size) / d > r->limit)
            alert_message(498, r->entry->name.c_str(), ul((r->link + r->size) / d), ul(r->limit));
    }
    if (!cx.opts.partial) {
        for (psect_rec* r : cx.symtab.psect_list) {
            if (!r->glued_into) continue;
            r->link = r->glued_into->link + r->glue_offset;
            r->load = r->glued_into->load + r->glue_offset / r->bitscale;
        }
        make_symbols_absolute(cx);
        for (psect_rec* r : cx.symtab.psect_list) {
            bool global_psect = r->entry->is_global() && r->entry != cx.symtab.abs_psect;
            if (!cx.opts.symbols_only && (global_psect || r->entry->is_class())) define_bounds(cx, r);
        }
        for (const space_entry& s : cx.places.spaces)
            define_linker_symbol(cx, "__S" + std::to_string(s.space), cx.symtab.abs_psect, s.high, SK_DEFINED | FL_GLOBAL);
        report_undefined(cx);
        for_each_symbol(cx, [&cx](name_entry* e) { bind_undefined(cx, e); });
        for (const auto& m : cx.symtab.modules)
            for (name_entry* e : m->local_syms) bind_undefined(cx, e);
    }
    for (psect_rec* r : cx.symtab.psect_list) {
        r->size = 0;
        r->running = 0;
        r->part = 0;
    }
    write_psects_and_symbols(cx);
    if ((cx.opts.partial || cx.opts.symbols_only) && !cx.opts.no_symbols)
        for_each_symbol(cx, [&cx](name_entry* e) {
            if (e->flags & FL_SIGNATURE) out_signat(cx, e->signature, e->name);
        });
    out_flush(cx);
    if (cx.places.segmented)
        for (const segment& s : cx.places.segments)
            if (s.length) out_segment(cx, s);
    out_flush(cx);
    write_symfile_sections(cx);
    check_segment_overlaps(cx);
    if (cx.opts.map) map_module_header(cx);
    return areas;
}

}  // namespace lnk
