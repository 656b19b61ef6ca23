// Name table, basic types, type strings and the size rules.
#include "codegen/symbols.h"

#include <cstring>

#include "codegen/context.h"
#include "common/alert.h"

namespace cg {

namespace {

struct basic_row {
    const char* name;
    uint16_t size;
    value_class vc;
};
// Searched in this order by basic_type(); "v" last so that it is the fallback.
constexpr basic_row basic_rows[16] = {
    {"i", 2, value_class::signed_},   {"ui", 2, value_class::unsigned_},
    {"s", 2, value_class::signed_},   {"us", 2, value_class::unsigned_},
    {"c", 1, value_class::signed_},   {"uc", 1, value_class::unsigned_},
    {"l", 4, value_class::signed_},   {"ul", 4, value_class::unsigned_},
    {"f", 3, value_class::floating},  {"d", 3, value_class::floating},
    {"x", 2, value_class::signed_},   {"ux", 2, value_class::unsigned_},
    {"nx", 1, value_class::signed_},  {"unx", 1, value_class::unsigned_},
    {"b", 0, value_class::bit},       {"v", 0, value_class::none},
};

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

uint16_t class_bit(char letter) {
    const char* p = std::strchr(ptr_class_letters, letter);
    if (!letter || !p) return 0;
    return static_cast<uint16_t>(1u << (p - ptr_class_letters));
}

uint32_t symbol_table::hash(const std::string& name) {
    uint32_t h = 0;
    for (unsigned char c : name) h = h * 2 + c;
    return h;
}

symbol* symbol_table::take() {
    if (free_.empty()) {
        // Records are made sixteen at a time and never handed back to the allocator.
        for (int i = 0; i < 16; ++i) {
            store_.push_back(std::make_unique<symbol>());
            free_.push_back(store_.back().get());
        }
    }
    symbol* s = free_.back();
    free_.pop_back();
    *s = symbol();
    return s;
}

void symbol_table::recycle(symbol* s) {
    *s = symbol();
    free_.push_back(s);
}

void symbol_table::release_held() {
    for (symbol* s : held_) recycle(s);
    held_.clear();
}

symbol* symbol_table::find(const std::string& name) const {
    for (symbol* s = chains_[hash(name) % buckets]; s; s = s->chain)
        if (s->name == name) return s;
    return nullptr;
}

symbol* symbol_table::lookup(const std::string& name, int level, int32_t line) {
    if (symbol* s = find(name)) return s;
    symbol* s = take();
    s->name = name;
    s->block_level = static_cast<uint8_t>(level < 0 ? 0 : level);
    s->line = line;
    s->file = file_;
    symbol*& head = chains_[hash(name) % buckets];
    s->chain = head;
    head = s;
    return s;
}

symbol* symbol_table::declare(const std::string& name, sym_kind kind, int level, int32_t line) {
    uint8_t lv = static_cast<uint8_t>(level < 0 ? 0 : level);
    symbol* s = find(name);
    // An entry made by a forward reference (no kind yet) is taken over by its declaration.
    if (!s || (s->block_level != lv && s->kind != sym_kind::none)) {
        s = take();
        s->name = name;
        symbol*& head = chains_[hash(name) % buckets];
        s->chain = head;
        head = s;
    }
    s->block_level = lv;
    s->line = line;
    s->file = file_;
    s->kind = kind;
    return s;
}

symbol* symbol_table::make_detached() { return take(); }

std::vector<symbol*> symbol_table::all() const {
    std::vector<symbol*> out;
    for (symbol* head : chains_)
        for (symbol* s = head; s; s = s->chain) out.push_back(s);
    return out;
}

void init_basic_types(cg_context& ctx) {
    for (const basic_row& row : basic_rows) {
        symbol* s = ctx.symbols.declare(row.name, sym_kind::type_name, 0, 0);
        s->size = row.size;
        if (std::strcmp(row.name, "d") == 0 && flag(ctx, MF_IEEE_DBL)) s->size = 4;
        s->size_known = true;
        s->vclass = row.vc;
        s->count = 1;
    }
}

symbol* basic_type(cg_context& ctx, uint16_t size, value_class vc) {
    for (const basic_row& row : basic_rows)
        if (row.size == size && row.vc == vc) return basic_type_named(ctx, row.name);
    return basic_type_named(ctx, "v");
}

symbol* basic_type_named(cg_context& ctx, const char* name) {
    symbol* s = ctx.symbols.find(name);
    // Basic types may be shadowed by a local of the same name; walk to the type entry.
    while (s && !(s->kind == sym_kind::type_name && s->block_level == 0 && s->name == name)) s = s->chain;
    return s ? s : ctx.symbols.lookup(name, 0, 0);
}

value_class base_class(const symbol* base) {
    for (int guard = 0; base && guard < 64; ++guard) {
        if (base->levels && outer_level(base->levels) == LEVEL_POINTER) return value_class::unsigned_;
        if (!base->base) return base->vclass;
        base = base->base;
    }
    return value_class::none;
}

namespace {

// A "Fake" type record standing for a derived type (its levels and classes on its base).
symbol* make_placeholder(cg_context& ctx, const type_ref& t) {
    symbol* fake = ctx.symbols.make_detached();
    fake->name = "Fake";
    fake->kind = sym_kind::type_name;
    fake->flags |= SF_PLACEHOLDER;
    fake->base = t.base;
    fake->levels = t.levels;
    fake->classes = t.classes;
    fake->count = 1;
    if (!t.levels && t.base) fake->align_mask = t.base->align_mask;
    else fake->vclass = value_class::unsigned_;
    fake->size = static_cast<uint16_t>(type_size(ctx, fake->base, fake->levels, fake->classes, 1));
    fake->size_known = true;
    ctx.placeholders.push_back(fake);
    return fake;
}

// Parses marks and class letters from text[pos]; returns false on a missing base name.
bool parse_levels(cg_context& ctx, const std::string& text, size_t pos, type_ref& out, int depth) {
    std::vector<uint16_t> marks;
    uint16_t classes = 0;
    bool letters_seen = false;
    while (pos < text.size()) {
        char c = text[pos];
        if (c == '(' || c == '*') {
            if (letters_seen) {
                // A further level after class letters: an inner derived type with its own word.
                if (depth > 64) break;
                type_ref inner;
                if (!parse_levels(ctx, text, pos, inner, depth + 1)) return false;
                out.base = make_placeholder(ctx, inner);
                break;
            }
            marks.push_back(c == '(' ? LEVEL_FUNCTION : LEVEL_POINTER);
            ++pos;
            continue;
        }
        if (is_upper(c) && !(pos + 1 < text.size() && is_digit(text[pos + 1])) && class_bit(c)) {
            classes |= class_bit(c);
            letters_seen = true;
            ++pos;
            continue;
        }
        // The base name: a basic type, a typedef ("_name" or "F" n), "S"/"E" n, or "...".
        std::string name = text.substr(pos);
        if (name.empty() || !(name[0] == '_' || std::isalpha(static_cast<unsigned char>(name[0])) ||
                              name == "..."))
            return false;
        symbol* base = ctx.symbols.find(name);
        if (name[0] != '_' && name[0] != 'S' && name[0] != 'E' && name[0] != 'F' && name != "...") {
            // Lower-case names must be basic types; "o" (long long) has none on this target.
            base = nullptr;
            for (const basic_row& row : basic_rows)
                if (name == row.name) base = basic_type_named(ctx, row.name);
            if (!base) return false;
        }
        if (!base) base = ctx.symbols.lookup(name, 0, ctx.line);
        out.base = base;
        break;
    }
    if (!out.base) return false;
    uint16_t levels = 0;
    for (size_t i = 0; i < marks.size() && i < 8; ++i) levels |= static_cast<uint16_t>(marks[i] << (2 * i));
    out.levels = levels;
    out.classes = classes;
    // A typedef that is only another name for a type without levels or classes is followed.
    for (int guard = 0; guard < 64 && out.base && out.base->kind == sym_kind::type_name && out.base->base &&
                        !out.base->levels && !out.base->classes && !(out.base->flags & SF_ARRAY);
         ++guard)
        out.base = out.base->base;
    return true;
}

}  // namespace

bool parse_type_string(cg_context& ctx, const std::string& text, type_ref& out) {
    out = type_ref();
    size_t pos = (!text.empty() && text[0] == '`') ? 1 : 0;
    if (parse_levels(ctx, text, pos, out, 0)) return true;
    alert_message(724, text.c_str());
    out = type_ref();
    out.base = basic_type_named(ctx, "v");
    return false;
}

symbol* derived_type(cg_context& ctx, const type_ref& t) {
    for (symbol* p : ctx.placeholders)
        if (p->base == t.base && p->levels == t.levels && p->classes == t.classes) return p;
    return make_placeholder(ctx, t);
}

void set_symbol_type(symbol* s, const type_ref& t) {
    s->base = t.base;
    s->levels = t.levels;
    s->classes = t.classes;
    s->size_known = false;
}

uint16_t pointer_size(const cg_context& ctx, uint16_t levels, uint16_t classes, const symbol* base) {
    if (levels >> 2) {
        // Several levels, pointer outermost: a pointer to a function is code-sized.
        return (outer_level(levels >> 2) == LEVEL_FUNCTION && !flag(ctx, MF_PIC12)) ? 2 : 1;
    }
    bool points_to_function = false;
    for (const symbol* b = base; b; b = b->base) {
        if (b->levels) {
            points_to_function = outer_level(b->levels) == LEVEL_FUNCTION;
            break;
        }
        if (b->kind != sym_kind::type_name) break;
    }
    if (classes & 0xffc0u) return (flag(ctx, MF_PICMIDHI) && (classes & PC_CONST)) ? 2 : 1;
    if ((classes & PC_FAR) || (!(classes & PC_NEAR) && points_to_function && !flag(ctx, MF_PIC12))) return 2;
    return 1;
}

uint32_t type_size(const cg_context& ctx, const symbol* base, uint16_t levels, uint16_t classes, uint32_t count) {
    if (outer_level(levels) == LEVEL_FUNCTION) levels = static_cast<uint16_t>(levels >> 2);
    if (outer_level(levels) == LEVEL_POINTER) return count * pointer_size(ctx, levels, classes, base);
    if (levels) return 0;   // function level inside: no object size
    if (!base) return 0;
    if (base->size_known || base->kind != sym_kind::type_name || !base->base)
        return count * base->size;
    return count * symbol_size(ctx, const_cast<symbol*>(base));
}

uint16_t symbol_size(const cg_context& ctx, symbol* s) {
    if (s->size_known) return s->size;
    uint32_t count = (s->flags & SF_ARRAY) ? s->count : 1;
    if ((s->flags & SF_ARRAY) && s->count == 0) count = 0;
    uint32_t size = type_size(ctx, s->base, s->levels, s->classes, count);
    s->size = static_cast<uint16_t>(size > 0xffff ? 0xffff : size);
    s->size_known = true;
    return s->size;
}

}  // namespace cg
