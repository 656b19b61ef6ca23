// Memory-range lists, linker classes and memory spaces.
#include "common/lists/lists.h"

#include <cassert>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"

namespace {

addr_range* new_range(uint32_t low, uint32_t high) {
    addr_range* r = xnew<addr_range>();
    r->low = low;
    r->high = high;
    return r;
}

// Places one piece, merging every range it overlaps (and, with merge, every range it
// touches) so that the list stays sorted and disjoint.
void place_piece(addr_range** list, uint32_t lo, uint32_t hi, bool merge) {
    addr_range** link = list;
    while (*link) {
        addr_range* r = *link;
        bool overlaps = r->low <= hi && r->high >= lo;
        bool touches = merge && ((lo > 0 && r->high == lo - 1) || (hi != UINT32_MAX && r->low == hi + 1));
        if (overlaps || touches) {
            if (r->low < lo) lo = r->low;
            if (r->high > hi) hi = r->high;
            *link = r->next;
            xfree(r);
            continue;
        }
        if (r->low > hi) break;
        link = &r->next;
    }
    addr_range* piece = new_range(lo, hi);
    piece->next = *link;
    *link = piece;
}

}  // namespace

void range_add(addr_range** list, uint32_t low, uint32_t high, uint32_t page, bool merge) {
    assert(list != nullptr);
    assert(high >= low);
    if (page != 0 && uint64_t(high) - low + 1 >= page) {
        uint64_t lo = low;
        while (lo <= high) {
            uint64_t hi = lo + page - 1;
            if (hi > high) hi = high;
            place_piece(list, uint32_t(lo), uint32_t(hi), merge);
            lo = hi + 1;
        }
        return;
    }
    place_piece(list, low, high, merge);
}

addr_range* range_list_copy(const addr_range* list) {
    addr_range* head = nullptr;
    addr_range** tail = &head;
    for (const addr_range* r = list; r; r = r->next) {
        *tail = new_range(r->low, r->high);
        tail = &(*tail)->next;
    }
    return head;
}

void range_list_free(addr_range* list) {
    while (list) {
        addr_range* next = list->next;
        xfree(list);
        list = next;
    }
}

uint32_t range_list_free_size(addr_range* list) {
    uint32_t n = 0;
    for (const addr_range* r = list; r; r = r->next) n += r->high - r->low + 1;
    range_list_free(list);
    return n;
}

addr_range* range_subtract(const addr_range* available, const addr_range* reserved) {
    if (!reserved) return range_list_copy(available);
    addr_range* head = nullptr;
    addr_range** tail = &head;
    for (const addr_range* a = available; a; a = a->next) {
        // Walk the stretch of a, skipping every reserved range inside it.
        uint64_t lo = a->low;
        while (lo <= a->high) {
            const addr_range* hit = nullptr;
            for (const addr_range* r = reserved; r; r = r->next)
                if (r->low <= lo && r->high >= lo) { hit = r; break; }
            if (hit) {
                lo = uint64_t(hit->high) + 1;
                continue;
            }
            uint64_t hi = a->high;
            for (const addr_range* r = reserved; r; r = r->next)
                if (r->low > lo && r->low <= hi) hi = r->low - 1;
            *tail = new_range(uint32_t(lo), uint32_t(hi));
            tail = &(*tail)->next;
            lo = hi + 1;
        }
    }
    return head;
}

addr_range* range_intersect(const addr_range* a, const addr_range* b) {
    addr_range* result = nullptr;
    for (const addr_range* x = a; x; x = x->next)
        for (const addr_range* y = b; y; y = y->next) {
            uint32_t lo = x->low > y->low ? x->low : y->low;
            uint32_t hi = x->high < y->high ? x->high : y->high;
            if (lo <= hi) range_add(&result, lo, hi, 0, false);
        }
    return result;
}

void range_move(mem_class* cls, uint32_t old_low, uint32_t new_low, uint32_t new_high) {
    assert(cls != nullptr);
    for (addr_range* r = cls->available; r; r = r->next)
        if (r->low == old_low) {
            uint32_t length = r->high - r->low;
            r->low = new_low;
            r->high = new_high == 0 ? new_low + length : new_high;
            return;
        }
}

mem_space* space_add(mem_space** spaces, const char* name, const char* description, int32_t number) {
    assert(spaces != nullptr);
    mem_space* s = xnew<mem_space>();
    s->name = xstrdup(name);
    s->description = xstrdup(description ? description : "");
    s->number = number;
    mem_space** tail = spaces;
    while (*tail) tail = &(*tail)->next;
    *tail = s;
    return s;
}

mem_space* space_find(mem_space* spaces, const char* name) {
    for (mem_space* s = spaces; s; s = s->next)
        if (str_casecmp(s->name, name) == 0) return s;
    return nullptr;
}

mem_class* class_get(mem_space* space, const char* name, uint8_t kind, const char* address_text, int32_t page) {
    assert(space != nullptr);
    mem_class** tail = &space->classes;
    for (; *tail; tail = &(*tail)->next)
        if (strcmp((*tail)->name, name) == 0) return *tail;
    mem_class* c = xnew<mem_class>();
    c->name = xstrdup(name);
    c->kind = kind;
    c->address_text = address_text ? xstrdup(address_text) : nullptr;
    c->page = page;
    *tail = c;
    return c;
}

mem_class* class_find(mem_space* spaces, const char* name) {
    for (mem_space* s = spaces; s; s = s->next)
        for (mem_class* c = s->classes; c; c = c->next)
            if (strcmp(c->name, name) == 0) return c;
    return nullptr;
}

void class_add_range(mem_class* cls, int which, uint32_t low, uint32_t high, uint32_t page) {
    assert(cls != nullptr);
    range_add(which == 0 ? &cls->available : &cls->reserved, low, high, page, page == 0);
}

void space_add_range_all(mem_space* space, int which, uint32_t low, uint32_t high, uint32_t page) {
    assert(space != nullptr);
    for (mem_class* c = space->classes; c; c = c->next) class_add_range(c, which, low, high, page);
}

void class_clear_ranges(mem_class* cls) {
    assert(cls != nullptr);
    range_list_free(cls->available);
    range_list_free(cls->reserved);
    cls->available = cls->reserved = nullptr;
}

void space_clear_ranges(mem_space* space) {
    assert(space != nullptr);
    for (mem_class* c = space->classes; c; c = c->next) class_clear_ranges(c);
    space->cleared = true;
}

void space_list_free(mem_space* spaces) {
    while (spaces) {
        mem_space* next_space = spaces->next;
        for (mem_class* c = spaces->classes; c;) {
            mem_class* next = c->next;
            class_clear_ranges(c);
            for (psect_entry* p = c->psects; p;) {
                psect_entry* pn = p->next;
                xfree(p->name);
                xfree(p->description);
                xfree(p);
                p = pn;
            }
            xfree(c->name);
            xfree(c->address_text);
            xfree(c);
            c = next;
        }
        xfree(spaces->name);
        xfree(spaces->description);
        xfree(spaces);
        spaces = next_space;
    }
}

uint32_t class_low(const mem_class* cls) {
    addr_range* free_list = range_subtract(cls->available, cls->reserved);
    uint32_t low = free_list ? free_list->low : UINT32_MAX;
    range_list_free(free_list);
    return low;
}

uint32_t class_high(const mem_class* cls) {
    addr_range* free_list = range_subtract(cls->available, cls->reserved);
    uint32_t high = 0;
    for (const addr_range* r = free_list; r; r = r->next)
        if (r->high > high) high = r->high;
    range_list_free(free_list);
    return high;
}

uint32_t class_size(const mem_class* cls) {
    return range_list_free_size(range_subtract(cls->available, cls->reserved));
}

uint32_t space_size(const mem_space* space) {
    uint32_t n = 0;
    for (const mem_class* c = space->classes; c; c = c->next) n += class_size(c);
    return n;
}

void class_intersect(mem_class* cls, const mem_class* other, bool take_reserved) {
    addr_range* both = range_intersect(cls->available, other->available);
    range_list_free(cls->available);
    cls->available = both;
    if (take_reserved) {
        range_list_free(cls->reserved);
        cls->reserved = range_list_copy(other->reserved);
    }
}

char* class_format(const mem_class* cls, const char* prefix, const char* name) {
    addr_range* free_list = range_subtract(cls->available, cls->reserved);
    if (!free_list) return xstrdup("");
    std::string text;
    char buf[64];
    bool address_written = false;
    for (const addr_range* r = free_list; r;) {
        if (r == free_list) {
            text = std::string(prefix) + name;
            snprintf(buf, sizeof buf, "=0%lXh-", (unsigned long)r->low);
        } else {
            snprintf(buf, sizeof buf, ",0%lXh-", (unsigned long)r->low);
        }
        text += buf;
        if (cls->page == 0) {
            // A run of equal ranges that follow each other without a gap is written once.
            int count = 1;
            const addr_range* last = r;
            while (last->next && last->next->low == last->high + 1 &&
                   last->next->high - last->next->low == r->high - r->low) {
                last = last->next;
                ++count;
            }
            if (count > 1) {
                snprintf(buf, sizeof buf, "0%lXh", (unsigned long)r->high);
                text += buf;
                if (cls->address_text) {
                    text += "/";
                    text += cls->address_text;
                    address_written = true;
                }
                text += "x" + std::to_string(count);
                r = last->next;
                continue;
            }
            snprintf(buf, sizeof buf, "0%lXh", (unsigned long)r->high);
        } else {
            snprintf(buf, sizeof buf, "0%lXh-0%lXh", (unsigned long)(r->low + cls->page - 1),
                     (unsigned long)r->high);
        }
        text += buf;
        r = r->next;
    }
    if (!address_written && cls->address_text) {
        text += "/";
        text += cls->address_text;
    }
    range_list_free(free_list);
    return xstrdup(text.c_str());
}

namespace {

bool read_hex(const char** cursor, uint32_t* out) {
    const char* p = *cursor;
    if (!isxdigit((unsigned char)*p)) return false;
    uint64_t v = 0;
    while (isxdigit((unsigned char)*p)) {
        int d = isdigit((unsigned char)*p) ? *p - '0' : (tolower((unsigned char)*p) - 'a' + 10);
        v = v * 16 + d;
        if (v > UINT32_MAX) return false;
        ++p;
    }
    *cursor = p;
    *out = uint32_t(v);
    return true;
}

}  // namespace

int parse_range_list(const char* text, void* context, range_fn add, range_fn reserve) {
    const char* p = text;
    char sign = '+';
    for (;;) {
        if (*p == '+' || *p == '-') sign = *p++;
        uint32_t low, high;
        if (!read_hex(&p, &low) || *p != '-') return 0;
        ++p;
        if (!read_hex(&p, &high) || high < low) return 0;
        if (*p != ',' && *p != '\0') return 0;
        (sign == '+' ? add : reserve)(context, low, high);
        if (*p == '\0') return 1;
        ++p;
    }
}

int parse_address(const char** cursor, uint32_t* out) {
    const char* p = *cursor;
    int base = 10;
    const char* start = p;
    const char* end;
    const char* after;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        start = p + 2;
        end = start;
        while (isxdigit((unsigned char)*end)) ++end;
        after = end;
    } else {
        end = p;
        while (isxdigit((unsigned char)*end)) ++end;
        after = end;
        char suffix = char(toupper((unsigned char)*end));
        if (suffix == 'H') {
            base = 16;
            ++after;
        } else if (suffix == 'O' || suffix == 'Q') {
            base = 8;
            ++after;
        } else if (end > start && toupper((unsigned char)end[-1]) == 'D') {
            --end;   // a decimal suffix, not a digit
        }
    }
    if (end == start) return 1;
    uint64_t v = 0;
    for (const char* q = start; q < end; ++q) {
        int d = isdigit((unsigned char)*q) ? *q - '0' : tolower((unsigned char)*q) - 'a' + 10;
        if (d >= base) return 1;
        v = v * uint64_t(base) + uint64_t(d);
        if (v > UINT32_MAX) return 1;
    }
    *out = uint32_t(v);
    *cursor = after;
    return 0;
}

namespace {

std::string word_at(const char* p) {
    const char* e = p;
    while (*e && *e != ',' && *e != '-' && *e != '*' && *e != 'x' && *e != 'X') ++e;
    return std::string(p, e);
}

}  // namespace

int class_parse_spec(mem_class* cls, const char** cursor) {
    assert(cls != nullptr);
    const char* p = strchr(*cursor, '=');
    if (!p) {
        alert_kind_message("E", "Bad spec in memory range option");
        return 0;
    }
    ++p;
    if (*p == '\0') {
        alert_kind_message("E", "Missing address in memory range option");
        return 0;
    }
    for (;;) {
        uint32_t low, high, count = 1;
        if (*p == '\0' || *p == ',') {
            alert_message(442);
            return 0;
        }
        if (parse_address(&p, &low)) {
            alert_message(443, word_at(p).c_str());
            return 0;
        }
        if (*p != '-') {
            alert_message(444);
            return 0;
        }
        ++p;
        if (parse_address(&p, &high) || high < low) {
            alert_message(445, word_at(p).c_str());
            return 0;
        }
        if (*p == '*' || *p == 'x' || *p == 'X') {
            ++p;
            if (parse_address(&p, &count) || count == 0) {
                alert_message(448, word_at(p).c_str());
                return 0;
            }
        }
        // A repeated range stands for that many pages of its length, one after another.
        uint64_t length = uint64_t(high) - low + 1;
        uint64_t end = low + length * count - 1;
        if (end > UINT32_MAX) {
            alert_message(448, word_at(p).c_str());
            return 0;
        }
        range_add(&cls->available, low, uint32_t(end), count > 1 ? uint32_t(length) : 0, count == 1);
        if (*p == '\0') break;
        if (*p != ',') {
            alert_message(449, p);
            return 0;
        }
        ++p;
    }
    *cursor = p;
    return 1;
}

psect_entry* class_add_psect(mem_class* cls, const char* name, int32_t number, const char* description,
                             uint32_t first, uint32_t second, uint32_t size) {
    assert(cls != nullptr);
    psect_entry** tail = &cls->psects;
    for (; *tail; tail = &(*tail)->next) {
        psect_entry* e = *tail;
        if (strcmp(e->name, name) != 0) continue;
        if (e->size != 0 && size != 0) continue;   // both sized: a second entry of that name
        if (description) {
            xfree(e->description);
            e->description = xstrdup(description);
        }
        if (e->number == 0) e->number = number;
        if (size != 0) {
            e->size = size;
            e->first = first;
            e->second = second;
        }
        return e;
    }
    psect_entry* e = xnew<psect_entry>();
    e->name = xstrdup(name);
    e->number = number;
    const char* d = description ? description : psect_description_lookup(cls, name);
    e->description = d ? xstrdup(d) : nullptr;
    e->size = size;
    e->first = first;
    e->second = second;
    *tail = e;
    return e;
}

int32_t psect_value(const mem_class* cls, const char* name) {
    for (const psect_entry* e = cls->psects; e; e = e->next)
        if (strcmp(e->name, name) == 0) return e->number;
    return 0;
}

const char* psect_description_lookup(const mem_class* cls, const char* name) {
    // The name less its trailing digits (digits after an underscore stay).
    size_t n = strlen(name);
    size_t cut = n;
    while (cut > 0 && isdigit((unsigned char)name[cut - 1])) --cut;
    if (cut > 0 && cut < n && name[cut - 1] == '_') cut = n;
    for (const psect_entry* e = cls->psects; e; e = e->next)
        if (e->description && strncmp(e->name, name, cut) == 0) return e->description;
    return nullptr;
}

void class_sort_psects(mem_class* cls, int key) {
    std::vector<psect_entry*> v;
    for (psect_entry* e = cls->psects; e; e = e->next) v.push_back(e);
    auto value = [key](const psect_entry* e) { return key == 1 ? e->first : key == 2 ? e->second : e->size; };
    // Stable, so entries with equal keys keep their order.
    for (size_t i = 1; i < v.size(); ++i)
        for (size_t j = i; j > 0 && value(v[j - 1]) > value(v[j]); --j) std::swap(v[j - 1], v[j]);
    cls->psects = nullptr;
    psect_entry** tail = &cls->psects;
    for (psect_entry* e : v) {
        *tail = e;
        tail = &e->next;
    }
    *tail = nullptr;
}

uint32_t class_page_count(const mem_class* cls, const uint32_t* unit_sizes, uint32_t kinds) {
    uint32_t total = 0;
    for (uint32_t k = 0; k < kinds; ++k) {
        uint32_t sum = 0;
        for (const psect_entry* e = cls->psects; e; e = e->next)
            if (uint32_t(e->number) == k) sum += e->size;
        uint32_t unit = unit_sizes[k] ? unit_sizes[k] : 1;
        if (sum != 0 && sum < unit) total += 1;
        else total += sum / unit;
    }
    return total;
}

double percent(double a, double b) { return b == 0 ? 0.0 : a * 100.0 / b; }
