#include "linker/classes.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/alert.h"
#include "linker/context.h"
#include "linker/symtab.h"

namespace lnk {

namespace {

int digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

[[noreturn]] void stop() {
    exit_hook(1);
    std::exit(1);
}

std::string name_before(const char* text, const char* end) { return std::string(text, end); }

uint32_t delta_for(context& cx, const addr_range& r, const psect_rec* p) {
    if (cx.places.scaled && r.cls) return class_delta(r.cls);
    return p->delta ? p->delta : 1;
}

void reset_members(psect_rec* p) {
    for (psect_rec* m : p->members) {
        if (m->state == place_state::tentative) m->state = place_state::unplaced;
        reset_members(m);
    }
}

// Allocates every member of p into the block of load start ls (units of delta d), first in
// order, then from the last to the first; resets them when neither works.
bool allocate_members(context& cx, range_list& work, psect_rec* p, uint32_t ls, uint32_t d, bool& forward) {
    forward = true;
    if (p->members.empty()) return true;
    uint32_t lo = 0, hi = 0xFFFFFFFFu;
    if (p->max_size) {
        uint32_t base = ls - ls % p->max_size;
        lo = base * d;
        hi = (base + p->max_size - 1) * d;
    }
    range_list trial = work;
    bool ok = true;
    for (psect_rec* m : p->members)
        if (!(ok = allocate_chain(cx, trial, m, lo, hi))) break;
    if (!ok) {
        reset_members(p);
        trial = work;
        forward = false;
        ok = true;
        for (auto it = p->members.rbegin(); it != p->members.rend(); ++it)
            if (!(ok = allocate_chain(cx, trial, *it, lo, hi))) break;
        if (!ok) {
            reset_members(p);
            return false;
        }
    }
    work = std::move(trial);
    return true;
}

}  // namespace

bool parse_number(const char*& p, uint32_t& value) {
    const char* s = p;
    bool prefix = false;
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && digit_value(s[2]) >= 0) {
        prefix = true;
        s += 2;
    }
    if (digit_value(*s) < 0) return false;
    const char* begin = s;
    while (digit_value(*s) >= 0) ++s;
    const char* end = s;
    uint32_t radix = prefix ? 16 : 10;
    switch (*s) {
    case 'H': case 'h': radix = 16; ++s; break;
    case 'O': case 'o': case 'Q': case 'q': radix = 8; ++s; break;
    default:
        // A trailing D is the decimal radix letter, not a digit, unless the 0x prefix
        // already made the number hexadecimal.
        if (!prefix && (end[-1] == 'D' || end[-1] == 'd')) {
            --end;
            radix = 10;
            if (end == begin) return false;
        }
        break;
    }
    uint32_t v = 0;
    for (const char* q = begin; q < end; ++q) {
        int dv = digit_value(*q);
        if (dv < 0 || static_cast<uint32_t>(dv) >= radix) return false;
        v = v * radix + static_cast<uint32_t>(dv);
    }
    value = v;
    p = s;
    return true;
}

uint8_t class_space(const name_entry* cls) { return cls && cls->rec ? cls->rec->space : 0; }

uint32_t class_delta(const name_entry* cls) {
    return cls && cls->rec && cls->rec->delta ? cls->rec->delta : 1;
}

constexpr uint64_t max_range_repeat = 1024;

void parse_class_ranges(context& cx, const char* text) {
    const char* eq = std::strchr(text, '=');
    if (!eq) {
        alert_message(441, text);
        stop();
    }
    name_entry* cls = sym_enter(cx, name_before(text, eq), KIND_CLASS);
    psect_rec* rec = cls->rec;
    const char* p = eq + 1;
    for (;;) {
        if (*p == 0 || *p == ',') {
            alert_message(442);
            stop();
        }
        uint32_t low = 0, high = 0, load = 0, count = 1;
        if (!parse_number(p, low)) { alert_message(443, p); stop(); }
        if (*p != '-') { alert_message(444); stop(); }
        ++p;
        const char* high_text = p;
        if (!parse_number(p, high)) { alert_message(445, p); stop(); }
        // A range that ends below its start has no length: its repeats would divide by zero.
        if (high < low) { alert_message(445, high_text); stop(); }
        uint32_t over_addr = high;
        if (*p == '-') {
            ++p;
            if (!parse_number(p, over_addr)) { alert_message(446, p); stop(); }
        }
        bool load_given = false;
        if (*p == '/') {
            ++p;
            if (!parse_number(p, load)) { alert_message(447, p); stop(); }
            load_given = true;
        }
        if (*p == '*' || *p == 'x' || *p == 'X') {
            ++p;
            if (!parse_number(p, count)) { alert_message(448, p); stop(); }
        }
        if (count > 1) {
            // The repeated ranges must lie inside the 32-bit address space. No chip has more
            // than a few dozen banks or pages, and every range is compared with every other
            // when the master list is built: the count is bounded far above any real use.
            uint64_t length = uint64_t(high) - low + 1;
            uint64_t base = load_given ? std::max(low, load) : low;
            uint64_t most = std::min<uint64_t>(max_range_repeat, (0x100000000ull - base) / length);
            if (count > most) {
                alert_message(457, static_cast<unsigned long>(count), static_cast<unsigned long>(most));
                stop();
            }
        }
        if (count && !rec->in_class_list) {
            rec->in_class_list = true;
            cx.places.class_list.push_back(cls);
        }
        if (!load_given) load = low;
        uint32_t length = high - low + 1;
        // Repeats never contain one another: only the ranges from before this one are
        // searched for a duplicate, which keeps a large repeat count linear.
        size_t existing = rec->ranges.size();
        for (uint32_t k = 0; k < count; ++k) {
            uint32_t step = k * length;
            uint32_t overrun = over_addr - high;
            if (load_given)
                add_range(rec->ranges, cls, low, length, overrun, load + step, -1, existing);
            else
                add_range(rec->ranges, cls, low + step, length, overrun, load + step, -1, existing);
        }
        if (*p != ',') break;
        ++p;
    }
    rec->has_ranges = true;
    if (*p) {
        alert_message(449, p);
        stop();
    }
}

void parse_class_size(context& cx, const char* text) {
    const char* eq = std::strchr(text, '=');
    if (!eq) { alert_message(437); stop(); }
    psect_rec* rec = sym_enter(cx, name_before(text, eq), KIND_CLASS)->rec;
    const char* p = eq + 1;
    uint32_t v = 0;
    if (*p && *p != ',') {
        if (!parse_number(p, v) || v == 0) { alert_message(438); stop(); }
        if (!rec->max_size || v < rec->max_size) rec->max_size = v;
    }
    if (*p == ',') {
        ++p;
        if (*p && *p != ',') {
            if (!parse_number(p, v)) { alert_message(438); stop(); }
            if (v > rec->align) rec->align = v;
        }
        if (*p == ',') {
            ++p;
            if (*p) {
                if (!parse_number(p, v)) { alert_message(438); stop(); }
                if (v > rec->limit) rec->limit = v;
            }
        }
    }
    if (*p) { alert_message(438); stop(); }
}

void parse_class_assign(context& cx, const char* text) {
    const char* eq = std::strchr(text, '=');
    if (!eq) { alert_message(437); stop(); }
    std::string psect = name_before(text, eq);
    std::string cls = eq + 1;
    if (const class_pair* old = class_pair_for(cx, psect)) {
        if (old->cls != cls) alert_message(484, psect.c_str(), cls.c_str(), old->cls.c_str());
        return;
    }
    cx.places.class_pairs.push_back({psect, cls});
}

const class_pair* class_pair_for(context& cx, const std::string& psect) {
    for (const class_pair& c : cx.places.class_pairs)
        if (c.psect == psect) return &c;
    return nullptr;
}

void parse_class_delta(context& cx, const char* text) {
    const char* eq = std::strchr(text, '=');
    if (!eq) { alert_message(439, text); stop(); }
    psect_rec* rec = sym_enter(cx, name_before(text, eq), KIND_CLASS)->rec;
    const char* p = eq + 1;
    uint32_t v = 0;
    // A delta of 0 would divide by zero; one above 255 does not fit the record field.
    if (!parse_number(p, v) || *p || v == 0 || v > 255) { alert_message(440); stop(); }
    rec->delta = static_cast<uint8_t>(v);
    rec->delta_set = true;
    cx.places.scaled = true;
}

namespace {

// Evaluates the -G expression left to right; false on a bad character or number.
bool eval_selector(const std::string& expr, uint32_t n, uint32_t a, uint32_t k, uint32_t& out) {
    uint32_t v = 0;
    const char* p = expr.c_str();
    while (*p) {
        char c = *p++;
        uint32_t num = 0;
        switch (c) {
        case 'A': case 'a': v = a; break;
        case 'K': case 'k': v = k; break;
        case 'N': case 'n': v = n & 0xFFFF; break;
        case '+': case '-': case '/': case '*': case 'x': case 'X':
            if (!parse_number(p, num)) return false;
            if (c == '+') v += num;
            else if (c == '-') v -= num;
            else if (c == '/') v = num ? v / num : 0;
            else v *= num;
            break;
        default: return false;
        }
    }
    out = v;
    return true;
}

}  // namespace

void parse_selector_option(context& cx, const char* text) {
    uint32_t dummy = 0;
    cx.places.selector_expr = text;
    cx.places.segmented = true;
    if (!eval_selector(cx.places.selector_expr, 0, 0, 0, dummy)) {
        alert_message(435, text);
        stop();
    }
}

uint32_t segment_selector(context& cx, uint32_t number, const psect_rec* p, uint32_t load, uint32_t link) {
    if (p->selector) return p->selector;
    if (!cx.places.segmented) return p->align ? load / p->align : load;
    uint32_t v = 0;
    if (!eval_selector(cx.places.selector_expr, number, load, link, v)) {
        alert_message(435, cx.places.selector_expr.c_str());
        stop();
    }
    return v;
}

void add_range(range_list& list, name_entry* cls, uint32_t low, uint32_t length, uint32_t overrun,
               uint32_t load, int32_t insert_at, size_t search_limit) {
    addr_range r{low, length, load, overrun, cls, false};
    if (insert_at < 0) {
        uint64_t end = uint64_t(low) + length;
        size_t searched = std::min(search_limit, list.size());
        for (size_t i = 0; i < searched; ++i) {
            const addr_range& o = list[i];
            if (o.cls == cls && o.low <= low && uint64_t(o.low) + o.length >= end && o.overrun >= overrun &&
                o.load - o.low == load - low)
                return;
        }
        list.push_back(r);
    } else {
        list.insert(list.begin() + insert_at, r);
    }
}

void subtract_range(context& cx, range_list& list, uint32_t from_in, uint32_t to_in, uint8_t space) {
    for (size_t i = 0; i < list.size(); ++i) {
        addr_range& r = list[i];
        if (class_space(r.cls) != space) continue;
        uint64_t f = from_in, t = to_in;
        if (cx.places.scaled) {
            uint32_t d = class_delta(r.cls);
            f /= d;
            t /= d;
        }
        uint64_t load = r.load, end = uint64_t(r.load) + r.length;
        if (f <= load && t >= end) {
            r.length = 0;
            r.overrun = 0;
        } else if (f <= load && t > load) {
            uint32_t cut = static_cast<uint32_t>(t - load);
            r.load += cut;
            r.low += cut;
            r.length -= cut;
        } else if (f > load && f < end && t >= end) {
            r.length = static_cast<uint32_t>(f - load);
            r.overrun = 0;
        } else if (f > load && t < end && f < t) {
            addr_range upper = r;
            upper.low = r.low + static_cast<uint32_t>(t - load);
            upper.load = static_cast<uint32_t>(t);
            upper.length = static_cast<uint32_t>(end - t);
            r.length = static_cast<uint32_t>(f - load);
            r.overrun = 0;
            list.insert(list.begin() + static_cast<ptrdiff_t>(i) + 1, upper);
            ++i;
        } else if (f >= end && f < end + r.overrun) {
            r.overrun = static_cast<uint32_t>(f - end);
        }
    }
}

void build_master_list(context& cx) {
    cx.places.master.clear();
    for (name_entry* cls : cx.places.class_list)
        for (const addr_range& r : cls->rec->ranges)
            add_range(cx.places.master, r.cls, r.low, r.length, r.overrun, r.load);
    range_list& m = cx.places.master;
    for (size_t i = 0; i < m.size(); ++i) {
        for (size_t j = i + 1; j < m.size(); ++j) {
            if (class_space(m[i].cls) != class_space(m[j].cls)) continue;
            uint64_t ie = uint64_t(m[i].load) + m[i].length, je = uint64_t(m[j].load) + m[j].length;
            if (ie > m[j].load && ie < je)
                m[j].top = true;
            else if (je > m[i].load && je < ie)
                m[i].top = true;
        }
    }
    for (const dabs_entry& d : cx.places.dabs)
        subtract_range(cx, m, d.address, d.address + d.size, d.space);
}

void remove_placed(context& cx, const psect_rec* p) {
    uint32_t d = p->delta ? p->delta : 1;
    if (cx.places.scaled)
        subtract_range(cx, cx.places.master, p->load, p->load + p->words(), p->range_space);
    else
        subtract_range(cx, cx.places.master, p->load / d, p->load / d + p->units(), p->range_space);
}

void raise_space(context& cx, uint8_t space, uint32_t end) {
    for (space_entry& s : cx.places.spaces) {
        if (s.space == space) {
            if (end > s.high) s.high = end;
            return;
        }
    }
    if (cx.places.spaces.size() >= MAX_SPACES) {
        alert_message(525, static_cast<unsigned>(space));
        return;
    }
    cx.places.spaces.push_back({space, end});
}

bool allocate_chain(context& cx, range_list& list, psect_rec* p, uint32_t lo_b, uint32_t hi_b) {
    if (p->state != place_state::unplaced) {
        uint32_t d = p->delta ? p->delta : 1;
        uint64_t ls = p->load / d, n = p->units();
        if (ls < lo_b / d || (n && ls + n - 1 > lo_b / d + (hi_b - lo_b) / d)) return false;
        bool forward = true;
        return allocate_members(cx, list, p, static_cast<uint32_t>(ls), d, forward);
    }
    for (size_t i = 0; i < list.size(); ++i) {
        const addr_range r = list[i];
        if (r.cls != p->cls) continue;
        uint32_t d = delta_for(cx, r, p);
        int64_t n = (p->words() + d - 1) / d;
        int64_t lo = lo_b / d, hi = lo + (hi_b - lo_b) / d;
        if (lo + n > hi) return false;
        if (n && int64_t(r.length) + r.overrun < n) continue;
        bool top = (r.top && r.overrun < n) || (r.overrun && r.overrun < n) || r.length <= n;
        int64_t a = p->align;
        int64_t link_s, load_s;
        if (!top) {
            link_s = r.low;
            load_s = r.load;
            if (a && link_s % a) {
                int64_t move = a - link_s % a;
                link_s += move;
                load_s += move;
                if (n + move > int64_t(r.length) + r.overrun) continue;
            }
            if (load_s < lo) {
                int64_t diff = lo - load_s;
                link_s += diff;
                load_s += diff;
            }
        } else {
            link_s = int64_t(r.low) + r.length + r.overrun - n;
            load_s = int64_t(r.load) + r.length + r.overrun - n;
            if (r.load < hi && hi - r.load >= n && load_s + n - 1 > hi) {
                int64_t down = load_s + n - 1 - hi;
                link_s -= down;
                load_s -= down;
            }
            if (a) {
                int64_t down = ((link_s % a) + a) % a;
                link_s -= down;
                load_s -= down;
                if (link_s < r.low || load_s < r.load) continue;
            }
        }
        if (load_s < lo || (n && load_s + n - 1 > hi) || link_s < r.low ||
            (n && link_s + n > int64_t(r.low) + r.length))
            continue;
        range_list work = list;
        uint32_t scale = cx.places.scaled ? d : 1;
        subtract_range(cx, work, static_cast<uint32_t>(load_s * scale), static_cast<uint32_t>((load_s + n) * scale),
                       p->range_space);
        raise_space(cx, p->range_space, static_cast<uint32_t>(load_s + n));
        p->state = place_state::tentative;
        bool forward = true;
        if (!allocate_members(cx, work, p, static_cast<uint32_t>(load_s), d, forward)) {
            p->state = place_state::unplaced;
            continue;
        }
        p->load = static_cast<uint32_t>(load_s * d);
        p->link = static_cast<uint32_t>(link_s * d * p->bitscale);
        // The class bounds need the allocated size whichever order the members took.
        p->alloc_words = static_cast<uint32_t>(n);
        list = std::move(work);
        return true;
    }
    return false;
}

void finish_chain(context& cx, psect_rec* p) {
    if (p->state == place_state::tentative) {
        if (p->cls && p->cls->rec) {
            psect_rec* c = p->cls->rec;
            uint32_t d = p->delta ? p->delta : 1;
            uint32_t end = p->link + p->alloc_words * d * p->bitscale;
            if (!c->bounds_set || p->link < c->low_bound) c->low_bound = p->link;
            if (!c->bounds_set || end > c->high_bound) c->high_bound = end;
            c->bounds_set = true;
        }
        p->state = place_state::finished;
        std::string cls = p->cls ? p->cls->name : "";
        segment* found = nullptr;
        for (segment& s : cx.places.segments)
            if (s.space == p->space && s.cls == cls && s.delta == p->delta && s.load + s.length == p->load) found = &s;
        if (found) {
            found->length = p->load + p->words() - found->load;
            p->selector = found->selector;
        } else {
            segment s;
            s.name = p->entry->name;
            s.load = p->load;
            s.link = p->link;
            s.length = p->words();
            s.space = p->space;
            s.delta = p->delta;
            s.cls = cls;
            s.selector = segment_selector(cx, static_cast<uint32_t>(cx.places.segments.size()), p, p->load, p->link);
            p->selector = s.selector;
            cx.places.segments.push_back(s);
        }
    }
    for (psect_rec* m : p->members) finish_chain(cx, m);
}

bool place_in_class(context& cx, name_entry* cls, psect_rec* p, uint32_t lowest, uint32_t& link, uint32_t& load) {
    name_entry* saved = p->cls;
    p->cls = cls;
    if (!allocate_chain(cx, cx.places.master, p, lowest, 0xFFFFFFFFu)) {
        alert_message(491, p->units(), p->entry->name.c_str(), cls->name.c_str());
        p->failed = true;
        p->cls = saved;
        return false;
    }
    finish_chain(cx, p);
    uint32_t d = p->delta ? p->delta : 1;
    link = p->link / d;
    load = p->load / d;
    return true;
}

}  // namespace lnk
