#include "linker/mapfile.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "linker/classes.h"
#include "linker/context.h"
#include "linkfiles/maptable.h"
#include "linker/link.h"
#include "linker/options.h"
#include "linker/symtab.h"

namespace lnk {

namespace {

const char* shown_name(context& cx, const name_entry* e) { return e == cx.symtab.abs_psect ? "(abs)" : e->name.c_str(); }

uint32_t delta_of(const psect_rec* r) { return r && r->delta ? r->delta : 1; }

bool hidden(const std::string& name) { return name.compare(0, 14, "fast_interrupt") == 0; }

bool listed(const name_entry* e) { return e->is_symbol() && !hidden(e->name); }

// The psect a map symbol is shown in.
const name_entry* shown_psect(const name_entry* e) {
    const name_entry* p = e->owner;
    if (p && p->is_symbol()) p = nullptr;
    if (p && p->rec && p->rec->glued_into) p = p->rec->glued_into->entry;
    return p;
}

bool undefined(const name_entry* e) { return e->kind() == SK_EXTERN; }

uint32_t shown_value(const name_entry* e) {
    const name_entry* p = shown_psect(e);
    return e->value / delta_of(p ? p->rec : nullptr);
}

struct symbol_widths {
    int n = 0, p = 0, w = 1;
};

symbol_widths widths(context& cx) {
    symbol_widths sw;
    uint32_t largest = 0;
    for (name_entry* e : cx.symtab.slots) {
        if (!e) continue;
        if (e->is_psect() || e->is_class()) {
            sw.p = std::max(sw.p, static_cast<int>(std::string(shown_name(cx, e)).size()));
        } else if (listed(e)) {
            sw.n = std::max(sw.n, static_cast<int>(e->name.size()));
            if (!undefined(e)) largest = std::max(largest, shown_value(e));
        }
    }
    while (sw.w < 8 && (largest >> (4 * sw.w))) ++sw.w;
    if (cx.opts.map_layout8) sw.w += 5;
    return sw;
}

std::string entry_text(context& cx, const name_entry* e, const symbol_widths& sw) {
    char buf[64];
    std::string s = e->name;
    s.resize(std::max(s.size(), static_cast<size_t>(sw.n)), ' ');
    if (undefined(e)) {
        s.append(static_cast<size_t>(sw.w + sw.p + 2), ' ');
        return s;
    }
    const name_entry* p = shown_psect(e);
    std::string pname = p ? shown_name(cx, p) : "(abs)";
    pname.resize(std::max(pname.size(), static_cast<size_t>(sw.p)), ' ');
    if (cx.opts.map_layout8) {
        uint32_t sel = p && p->rec ? p->rec->selector : 0;
        std::snprintf(buf, sizeof buf, " %4.4X:%*.*X", sel, sw.w - 5, sw.w - 5, e->value);
    } else {
        std::snprintf(buf, sizeof buf, " %*.*X", sw.w, sw.w, shown_value(e));
    }
    return s + " " + pname + buf;
}

void print_module_part(context& cx, const psect_rec* r, uint32_t part, uint32_t start, bool& first) {
    uint32_t d = delta_of(r);
    uint32_t link = start, load = (start + r->bitscale - 1) / r->bitscale;
    if (r->entry->flags & FL_OVERLAID) link = load = 0;
    if (!cx.opts.partial) {
        link += r->link;
        load += r->load;
    }
    if (!first) std::fprintf(map_stream(cx), "\t\t");
    first = false;
    std::fprintf(map_stream(cx), "%-9.9s %8X %8X %8X", shown_name(cx, r->entry), link / d, load / d, part / d);
    std::fprintf(map_stream(cx), "%8X  %4X", r->selector, r->space);
    if (r->bitscale != 1) std::fprintf(map_stream(cx), " %4X", r->bitscale);
    std::fprintf(map_stream(cx), "\n");
}

void print_module(context& cx, const std::string& name, bool common) {
    if (name.size() < 16) std::fprintf(map_stream(cx), "%-16.15s", name.c_str());
    else std::fprintf(map_stream(cx), "%s\n\t\t", name.c_str());
    bool first = true;
    for (const psect_rec* r : cx.symtab.psect_list) {
        uint32_t part = common ? r->common : r->part;
        if (!part || r->entry->is_class()) continue;
        print_module_part(cx, r, part, common ? r->size : r->running, first);
    }
    if (first) std::fprintf(map_stream(cx), "\n");
}

void print_totals(context& cx) {
    std::fprintf(map_stream(cx), "\n");
    linkfile::write_totals_header(map_stream(cx));
    auto line = [&cx](const psect_rec* q) {
        if (!q->size && cx.symtab.debug_level == 0) return;
        uint32_t d = delta_of(q);
        linkfile::write_totals_line(map_stream(cx), shown_name(cx, q->entry), !cx.opts.partial, q->link / d, q->load / d,
                                    q->size / d);
    };
    for (const psect_rec* r : cx.symtab.psect_list) {
        if (r->cls) continue;
        if (r->entry->is_class()) {
            linkfile::write_class_line(map_stream(cx), r->entry->name.c_str(), cx.symtab.debug_level && r->bounds_set,
                                       r->low_bound, r->high_bound);
            for (const psect_rec* q : cx.symtab.psect_list)
                if (q->cls == r->entry && !q->entry->is_class()) line(q);
            std::fprintf(map_stream(cx), "\n");
        } else {
            line(r);
        }
    }
}

void print_segments(context& cx) {
    std::vector<segment> segs = cx.places.segments;
    std::stable_sort(segs.begin(), segs.end(), [](const segment& a, const segment& b) { return a.load < b.load; });
    std::fprintf(map_stream(cx), "\n\nSEGMENTS\tName\t\tLoad\tLength\t Top\tSelector    Space Class");
    if (cx.places.scaled) std::fprintf(map_stream(cx), " Delta");
    std::fprintf(map_stream(cx), "\n\n");
    for (const segment& s : segs) {
        if (!s.length) continue;
        uint32_t d = s.delta ? s.delta : 1;
        std::fprintf(map_stream(cx), "\t\t%-15.15s %6.6X\t%6.6X\t%6.6X\t%8X     %3d  %-8.8s", s.name.c_str(), s.load / d,
                    s.length / d, (s.load + s.length) / d, s.selector, s.space, s.cls.c_str());
        if (cx.places.scaled) std::fprintf(map_stream(cx), "%5u", static_cast<unsigned>(s.delta));
        std::fprintf(map_stream(cx), "\n");
    }
    std::fprintf(map_stream(cx), "\n");
}

void print_unused(context& cx, int w) {
    if (cx.places.master.empty()) return;
    range_list ranges = cx.places.master;
    auto cname = [](const addr_range& r) { return r.cls ? r.cls->name : std::string(); };
    std::stable_sort(ranges.begin(), ranges.end(), [&](const addr_range& a, const addr_range& b) {
        if (cname(a) != cname(b)) return cname(a) < cname(b);
        return a.load < b.load;
    });
    std::fprintf(map_stream(cx), "\nUNUSED ADDRESS RANGES\n\n");
    const addr_range* prev = nullptr;
    for (size_t i = 0; i < ranges.size(); ++i) {
        const addr_range& r = ranges[i];
        if (!r.length) continue;
        bool first = !prev || prev->cls != r.cls;
        if (!first && prev->load == r.load && prev->length == r.length) continue;
        if (first) std::fprintf(map_stream(cx), "\t%-16.16s ", cname(r).c_str());
        else std::fprintf(map_stream(cx), "\t%16s ", "");
        uint32_t last = r.load + r.length - 1;
        size_t j = i;
        while (!ranges[j].overrun && j + 1 < ranges.size() && ranges[j + 1].cls == r.cls &&
               ranges[j + 1].load == ranges[j].load + ranges[j].length && ranges[j + 1].length) {
            ++j;
            last = ranges[j].load + ranges[j].length - 1;
        }
        std::fprintf(map_stream(cx), "%*.*X-%*.*X", w, w, r.load, w, w, last);
        bool over = ranges[j].overrun != 0;
        if (over) std::fprintf(map_stream(cx), "+%*.*X", w, w, ranges[j].overrun);
        uint32_t cd = r.cls && r.cls->rec ? r.cls->rec->delta : 0;
        if (first && cx.places.scaled && cd) std::fprintf(map_stream(cx), " %*s%u", over ? 0 : w, "", static_cast<unsigned>(cd));
        std::fprintf(map_stream(cx), "\n");
        prev = &ranges[j];
        i = j;
    }
}

void print_symbol_table(context& cx, const symbol_widths& sw) {
    std::fprintf(map_stream(cx), "\n");
    if (cx.opts.page_width > 12) std::fprintf(map_stream(cx), "%*s", (cx.opts.page_width - 12) / 2, "");
    std::fprintf(map_stream(cx), "Symbol Table\n\n");
    std::vector<const name_entry*> syms;
    for (name_entry* e : cx.symtab.slots)
        if (e && listed(e)) syms.push_back(e);
    std::stable_sort(syms.begin(), syms.end(), [&cx](const name_entry* a, const name_entry* b) {
        if (cx.opts.sort && a->value != b->value) return a->value < b->value;
        return a->name < b->name;
    });
    auto one_per_line = [&](auto&& belongs) {
        for (const name_entry* e : syms)
            if (belongs(e)) std::fprintf(map_stream(cx), "\t%s\n", entry_text(cx, e, sw).c_str());
    };
    if (cx.opts.group == 'c') {
        for (const psect_rec* r : cx.symtab.psect_list) {
            if (r->cls) continue;
            bool cls = r->entry->is_class();
            std::fprintf(map_stream(cx), "\n%s\t%-9.9s\n", cls ? "CLASS" : "PSECT", shown_name(cx, r->entry));
            one_per_line([&](const name_entry* e) {
                const name_entry* p = shown_psect(e);
                if (!p && !undefined(e)) p = cx.symtab.abs_psect;
                if (!p || !p->rec) return false;
                return cls ? p->rec->cls == r->entry : p == r->entry;
            });
        }
        return;
    }
    if (cx.opts.group == 's') {
        for (int space = 0; space < 256; ++space) {
            auto in_space = [&](const name_entry* e) {
                const name_entry* p = shown_psect(e);
                return (p && p->rec ? p->rec->space : 0) == space;
            };
            if (std::none_of(syms.begin(), syms.end(), in_space)) break;
            std::fprintf(map_stream(cx), "\nSPACE\t%d\n", space);
            one_per_line(in_space);
        }
        return;
    }
    // At least one entry a line, whatever the page width.
    int per_line = std::max(1, (cx.opts.page_width - 1) / (sw.n + sw.w + sw.p + 3));
    int column = 0;
    for (const name_entry* e : syms) {
        if (column) std::fprintf(map_stream(cx), "  ");
        std::fprintf(map_stream(cx), "%s", entry_text(cx, e, sw).c_str());
        if (++column == per_line) {
            std::fprintf(map_stream(cx), "\n");
            column = 0;
        }
    }
    if (column) std::fprintf(map_stream(cx), "\n");
}

}  // namespace

void map_head_lines(context& cx) {
    if (!cx.opts.product.empty() || !cx.opts.version.empty())
        std::fprintf(map_stream(cx), "BRYLLEX Software %s Compiler %s\n\n", cx.opts.product.c_str(), cx.opts.version.c_str());
    std::fprintf(map_stream(cx), "Linker command line:\n\n");
    int32_t column = 0;
    for (const std::string& a : cx.opts.arguments) {
        if (a.compare(0, 2, "-B") == 0 || a.compare(0, 2, "-b") == 0) continue;
        if (column + static_cast<int32_t>(a.size()) >= cx.opts.page_width - 4) {
            std::fprintf(map_stream(cx), "\\\n  ");
            column = 2;
        }
        std::fprintf(map_stream(cx), "%s ", a.c_str());
        column += static_cast<int32_t>(a.size()) + 1;
    }
    std::fprintf(map_stream(cx), "\n\n");
}

void map_ident_lines(context& cx, uint8_t major, uint8_t minor, const std::string& machine) {
    if (major || minor) std::fprintf(map_stream(cx), "Object code version is %d.%d\n\n", major, minor);
    std::fprintf(map_stream(cx), "Machine type is %s\n\n", cx.opts.machine.empty() ? machine.c_str() : cx.opts.machine.c_str());
}

void map_module_header(context& cx) { std::fprintf(map_stream(cx), "\t\tName          Link     Load   Length Selector Space Scale\n"); }

void map_module_lines(context& cx, const std::string& module) { print_module(cx, module, false); }

void map_library_line(context& cx, const std::string& library) { std::fprintf(map_stream(cx), "\n%s\n", library.c_str()); }

uint32_t map_value_width(context& cx) { return static_cast<uint32_t>(widths(cx).w); }

void map_end_of_pass2(context& cx) {
    bool any = false;
    for (psect_rec* r : cx.symtab.psect_list) {
        if (!r->common) continue;
        any = true;
        if (r->align && !(r->entry->flags & FL_ALIGN_HIGH) && r->size % r->align)
            r->size += r->align - r->size % r->align;
    }
    if (any && cx.opts.map) {
        std::fprintf(map_stream(cx), "\n");
        print_module(cx, "COMMON", true);
    }
    if (any)
        for (psect_rec* r : cx.symtab.psect_list) r->size += r->common;
    if (!cx.opts.map) return;
    print_totals(cx);
    print_segments(cx);
    symbol_widths sw = widths(cx);
    print_unused(cx, cx.opts.map_layout8 ? sw.w - 5 : sw.w);
    print_symbol_table(cx, sw);
}

}  // namespace lnk
