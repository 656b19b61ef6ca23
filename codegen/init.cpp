// Initial values: the items of an "[i" record laid out as bytes of the object's type.
#include <cmath>
#include <cstring>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/reader.h"
#include "codegen/records.h"
#include "codegen/sdb.h"
#include "codegen/fold.h"
#include "codegen/simplify.h"
#include "common/alert.h"
#include "common/float_format.h"

namespace cg {

namespace {

// One item of the record: an aggregate opening, a closing, or a value tree.
struct item {
    enum kind_t { open, close, value } kind = value;
    tree_node* tree = nullptr;
};

struct layout_state {
    cg_context& ctx;
    std::vector<item>& items;
    size_t pos = 0;
    std::vector<data_item> out;
    uint32_t measured_count = 0;
    bool failed = false;
};

bool is_function(const symbol* s) { return s && outer_level(s->levels) == LEVEL_FUNCTION; }

// A small const object is a table of retlw read through "addwf pc" at its label: its first
// byte is at the label plus one, where the code's pointers to it point too.
int32_t table_entry_offset(cg_context& ctx, symbol* s) {
    const bool in_program_memory = s->levels == 0 && (s->classes & PC_CONST) && !(s->classes & PC_EEPROM) &&
                                   is_global_storage(s->sclass);
    return flag(ctx, MF_PIC14) && in_program_memory && symbol_size(ctx, s) <= 255 ? 1 : 0;
}

// The label of an object whose address is taken, its table offset added to `offset`.
std::string object_address(cg_context& ctx, symbol* s, int32_t& offset) {
    offset += table_entry_offset(ctx, s);
    return asm_name(s);
}

// An address expression for a value tree, or empty when it is none. A function's address is
// that of its pointer lookup entry.
std::string address_of(cg_context& ctx, const tree_node* n, int32_t& offset) {
    if (!n) return {};
    switch (n->op) {
    case OP_CONV: return address_of(ctx, n->left, offset);
    case OP_ADDR:
        if (n->left && n->left->op == OP_ID && n->left->sym) {
            if (is_function(n->left->sym) && flag(ctx, MF_PIC14)) return function_pointer_value(ctx, n->left->sym);
            return object_address(ctx, n->left->sym, offset);
        }
        return address_of(ctx, n->left, offset);
    case OP_ID:
        // A function or an array names its address.
        if (is_function(n->sym) && flag(ctx, MF_PIC14)) return function_pointer_value(ctx, n->sym);
        if (n->sym && is_function(n->sym)) return asm_name(n->sym);
        if (n->sym && (n->sym->flags & SF_ARRAY)) return object_address(ctx, n->sym, offset);
        return {};
    case OP_STRING:
        if (n->left && n->left->op == OP_CONST) return string_label(n->left->value);
        return {};
    case OP_ADD: case OP_SUB: {
        std::string base = address_of(ctx, n->left, offset);
        if (base.empty() || !n->right || n->right->op != OP_CONST) return {};
        offset += n->op == OP_ADD ? n->right->value : -n->right->value;
        return base;
    }
    default: return {};
    }
}

// Whether an address expression names a variable in RAM (not code, a string or EEPROM).
bool addresses_ram(const tree_node* n) {
    while (n && (n->op == OP_CONV || n->op == OP_ADDR || n->op == OP_ADD || n->op == OP_SUB)) n = n->left;
    if (!n || n->op != OP_ID || !n->sym || is_function(n->sym)) return false;
    const symbol* s = n->sym;
    return !(s->levels == 0 && (s->classes & (PC_CONST | PC_EEPROM)));
}

// Whether an address expression names program memory: a string or a const object.
bool addresses_program_memory(const tree_node* n) {
    while (n && (n->op == OP_CONV || n->op == OP_ADDR || n->op == OP_ADD || n->op == OP_SUB || n->op == OP_DEREF))
        n = n->left;
    if (!n) return false;
    if (n->op == OP_STRING) return true;
    if (n->op != OP_ID || !n->sym || is_function(n->sym)) return false;
    const symbol* s = n->sym;
    return s->levels == 0 && (s->classes & PC_CONST) && !(s->classes & PC_EEPROM);
}

void put_scalar(layout_state& st, const symbol* type, uint16_t levels, uint16_t classes, tree_node* value) {
    cg_context& ctx = st.ctx;
    uint32_t size = type_size(ctx, type, levels, classes, 1);
    value_class vc = levels ? value_class::unsigned_ : base_class(type);
    if (vc == value_class::bit) {
        alert_message(732);
        return;
    }
    // Folded with the target's widths first: casts, member offsets of a null pointer and
    // sums of constants all become one constant.
    tree_node* folded = simplify_expr(ctx, tree_copy(ctx, value));
    int32_t offset = 0;
    std::string addr = address_of(ctx, value, offset);
    const bool ram_pointer = outer_level(levels) == LEVEL_POINTER && !(classes & PC_CONST);
    // Simplifying gave a string literal for such a pointer the address of the literal's RAM copy.
    const bool ram_copy = ram_pointer && addresses_program_memory(value) && folded && !addresses_program_memory(folded);
    if ((addr.empty() || ram_copy) && folded && folded->op != OP_CONST && folded->op != OP_FCONST) {
        offset = 0;
        addr = address_of(ctx, folded, offset);
    }
    // A pointer that reaches only RAM cannot hold a program-memory address: its low byte alone
    // would read some unrelated variable. Zeros keep the layout for the messages that follow.
    if (!addr.empty() && ram_pointer && ((!ram_copy && addresses_program_memory(value)) || addresses_program_memory(folded))) {
        alert_message(712);
        addr.clear();
        tree_free(ctx, folded);
        folded = const_make(ctx, 0);
    }
    if (!addr.empty()) {
        tree_free(ctx, folded);
        std::string expr = offset ? addr + (offset > 0 ? "+" : "") + std::to_string(offset) : addr;
        // A pointer to const holding a RAM address marks it with bit 15, as the code does.
        const bool ram_mark = size == 2 && levels && (classes & PC_CONST) && addresses_ram(value);
        for (uint32_t i = 0; i < size; ++i)
            st.out.push_back({0, i == 0 ? "low(" + expr + ")"
                                 : i == 1 ? "high(" + expr + ")" + (ram_mark ? "+128" : "")
                                          : "0"});
        return;
    }
    uint64_t bits = 0;
    if (!folded || (folded->op != OP_CONST && folded->op != OP_FCONST)) {
        alert_message(713);
    } else if (vc == value_class::floating) {
        double fv = folded->op == OP_FCONST ? folded->fvalue
                    : is_unsigned(folded) && node_size(ctx, folded) == 4
                        ? static_cast<double>(static_cast<uint32_t>(folded->value))
                        : static_cast<double>(folded->value);
        bits = float_pattern(fv, size == 4 ? 4 : 3);
    } else if (folded->op == OP_FCONST) {
        int fsize = static_cast<int>(node_size(ctx, folded)) == 4 ? 4 : 3;
        bits = float_to_integer(folded->fvalue, fsize, vc == value_class::unsigned_);
    } else {
        bits = static_cast<uint32_t>(folded->value);
    }
    tree_free(ctx, folded);
    for (uint32_t i = 0; i < size; ++i) st.out.push_back({static_cast<uint8_t>(i < 8 ? bits >> (8 * i) : 0), {}});
}

// `top` is set where the writer opens a structure with two levels: the object itself, every
// member, and array elements of a named type.
void put_object(layout_state& st, const symbol* type, uint16_t levels, uint16_t classes, bool array, uint32_t count,
                bool top);

void pad_to(layout_state& st, size_t start, uint32_t size) {
    if (st.out.size() - start > size) {
        alert_message(240);
        st.out.resize(start + size);
    }
    while (st.out.size() - start < size) st.out.push_back({0, {}});
}

// Skips the items of one element (a whole aggregate level or one value).
void skip_element(layout_state& st) {
    int depth = 0;
    do {
        if (st.pos >= st.items.size()) return;
        item& it = st.items[st.pos++];
        if (it.kind == item::open) ++depth;
        else if (it.kind == item::close) --depth;
    } while (depth > 0);
}

void put_aggregate_members(layout_state& st, const symbol* agg, size_t start) {
    cg_context& ctx = st.ctx;
    for (size_t i = 0; i < agg->members.size(); ++i) {
        if (st.pos >= st.items.size() || st.items[st.pos].kind == item::close) break;
        symbol* m = agg->members[i];
        if (m->is_bitfield) {
            item& it = st.items[st.pos];
            if (it.kind != item::value) {
                skip_element(st);
                st.failed = true;
                continue;
            }
            ++st.pos;
            int32_t v = 0;
            bool typed = false;
            if (!const_value(ctx, tree_copy(ctx, it.tree), v, typed)) alert_message(713);
            size_t at = start + static_cast<size_t>(m->offset);
            while (st.out.size() <= at) st.out.push_back({0, {}});
            uint32_t mask = (1u << m->bit_width) - 1;
            st.out[at].byte = static_cast<uint8_t>(st.out[at].byte | ((static_cast<uint32_t>(v) & mask) << m->bit_offset));
            if (agg->is_union) break;
            continue;
        }
        size_t at = start + static_cast<size_t>(m->offset);
        if (st.out.size() > at) st.out.resize(at);
        while (st.out.size() < at) st.out.push_back({0, {}});
        put_object(st, m->base, m->levels, m->classes, (m->flags & SF_ARRAY) != 0, m->count, true);
        if (agg->is_union) break;
    }
}

void put_object(layout_state& st, const symbol* type, uint16_t levels, uint16_t classes, bool array, uint32_t count,
                bool top) {
    cg_context& ctx = st.ctx;
    if (st.pos >= st.items.size()) return;
    // Typedefs of arrays and plain typedefs carry their own shape.
    while (!array && !levels && type && type->kind == sym_kind::type_name && type->base) {
        if (type->flags & SF_ARRAY) {
            array = true;
            count = type->count;
        }
        levels = type->levels;
        classes = type->classes;
        type = type->base;
        if (levels) break;
    }
    size_t start = st.out.size();
    if (array) {
        bool named = type && type->kind == sym_kind::type_name && type->base;
        uint32_t element = type_size(ctx, type, levels, classes, 1);
        if (st.items[st.pos].kind != item::open) {
            // A single value for an array: its first element.
            put_object(st, type, levels, classes, false, 1, named);
        } else {
            ++st.pos;
            uint32_t n = 0;
            while (st.pos < st.items.size() && st.items[st.pos].kind != item::close) {
                if (count && n >= count) {
                    alert_message(240);
                    while (st.pos < st.items.size() && st.items[st.pos].kind != item::close) skip_element(st);
                    break;
                }
                put_object(st, type, levels, classes, false, 1, named);
                ++n;
                if (st.out.size() - start < n * element) pad_to(st, start, n * element);
            }
            if (st.pos < st.items.size()) ++st.pos;
            if (!count) st.measured_count = n;
        }
        if (count) pad_to(st, start, count * element);
        return;
    }
    if (!levels && type && type->kind == sym_kind::aggregate) {
        int opened = 0;
        for (int i = 0; i < (top ? 2 : 1) && st.pos < st.items.size() && st.items[st.pos].kind == item::open; ++i)
            ++st.pos, ++opened;
        put_aggregate_members(st, type, start);
        for (; opened > 0; --opened) {
            if (st.pos < st.items.size() && st.items[st.pos].kind != item::close) {
                alert_message(240);
                while (st.pos < st.items.size() && st.items[st.pos].kind != item::close) skip_element(st);
            }
            if (st.pos < st.items.size()) ++st.pos;
        }
        pad_to(st, start, type->size);
        return;
    }
    item& it = st.items[st.pos];
    if (it.kind != item::value) {
        // A scalar in braces: its one value.
        if (it.kind == item::open) {
            ++st.pos;
            put_object(st, type, levels, classes, false, 1, false);
            while (st.pos < st.items.size() && st.items[st.pos].kind != item::close) {
                alert_message(240);
                skip_element(st);
            }
            if (st.pos < st.items.size()) ++st.pos;
        } else {
            st.failed = true;
        }
        return;
    }
    ++st.pos;
    put_scalar(st, type, levels, classes, it.tree);
}

bool read_items(cg_context& ctx, ic_scanner& scan, std::vector<item>& items) {
    int depth = 0;
    std::string token;
    do {
        if (!scan.next(token)) {
            alert_message(714);
            return false;
        }
        if (token == ":U") {
            std::string rest;
            if (!scan.next(rest) || rest != "..") {
                alert_message(713);
                return false;
            }
            items.push_back({item::open, nullptr});
            ++depth;
            continue;
        }
        if (token == "..") {
            items.push_back({item::close, nullptr});
            --depth;
            continue;
        }
        if (token[0] == ']') {
            alert_message(713);
            scan.unget(token);
            return false;
        }
        scan.unget(token);
        tree_node* t = ic_read_expr(ctx, scan);
        if (!t) return false;
        items.push_back({item::value, t});
    } while (depth > 0);
    return true;
}

// An array written without its count has the dimension 1, like a scalar; its initialiser
// tells them apart: braces around non-aggregates, or one brace level per aggregate element.
bool reads_as_array(const symbol* base, const std::vector<item>& items) {
    if (!base) return false;
    if (base->kind == sym_kind::type_name && (base->flags & SF_ARRAY)) return false;
    if (base->kind != sym_kind::aggregate) return true;
    size_t children = 0;
    bool all_open = true;
    int depth = 0;
    for (size_t i = 1; i + 1 < items.size(); ++i) {
        if (depth == 0) {
            ++children;
            if (items[i].kind != item::open) all_open = false;
        }
        if (items[i].kind == item::open) ++depth;
        else if (items[i].kind == item::close) --depth;
    }
    // A structure object opens two levels around its members, an array of them one level
    // around several elements; one element lays out the same bytes either way.
    return all_open && children > 1;
}

}  // namespace

void read_initialiser(cg_context& ctx, ic_scanner& scan) {
    std::string name;
    if (!scan.next(name)) {
        alert_message(714);
        return;
    }
    symbol* s = ctx.symbols.lookup(name, scope_level(ctx), ctx.line);
    std::vector<item> items;
    ctx.reading_init = true;
    bool ok = read_items(ctx, scan, items);
    ctx.reading_init = false;
    if (!scan.expect(']')) {
        alert_message(714);
        skip_record(scan);
    }
    if (ok) {
        bool bit = !s->levels && base_class(s->base) == value_class::bit;
        if (bit) {
            alert_message(732);
        } else {
            layout_state st{ctx, items, 0, {}, 0, false};
            // An array declared without a count is written with dimension 1 and an aggregate.
            // The parser drops the braces around a scalar's value, so braces around the value
            // of a pointer mean an array of pointers (`char *names[] = {"a", "b"}`).
            bool array = (s->flags & SF_ARRAY) != 0;
            uint32_t count = s->count;
            bool unsized = !items.empty() && items[0].kind == item::open && (!array || count <= 1) &&
                           (s->levels || reads_as_array(s->base, items));
            if (unsized) {
                array = true;
                count = 0;
            }
            put_object(st, s->base, s->levels, s->classes, array, count, true);
            if (st.pos < items.size()) alert_message(240);
            if (st.failed) alert_message(713);
            if (unsized) {
                s->flags |= SF_ARRAY;
                uint32_t element = type_size(ctx, s->base, s->levels, s->classes, 1);
                s->count = static_cast<uint16_t>(element ? st.out.size() / element : 0);
                s->size_known = false;
                symbol_size(ctx, s);
                sdb_variable(ctx, s);
            }
            int32_t known = 0;
            bool typed = false;
            bool scalar_const = (s->classes & PC_CONST) && !(s->classes & PC_VOLATILE) && !(s->flags & SF_ABSOLUTE) &&
                                !(s->flags & SF_ARRAY) && !s->levels && items.size() == 1 && items[0].tree &&
                                base_class(s->base) != value_class::floating &&
                                const_value(ctx, tree_copy(ctx, items[0].tree), known, typed);
            if (scalar_const) {
                // Known at compile time: its value is substituted and the definition waits.
                tree_node* v = const_make(ctx, known);
                tree_node* shape = make_id(ctx, s);
                const_convert(ctx, v, shape, false);
                tree_free(ctx, shape);
                s->value = v;
                kept_const k;
                k.sym = s;
                for (const data_item& d : st.out) k.bytes.push_back(d.byte);
                ctx.kept_consts.push_back(k);
            } else {
                define_initialised(ctx, s, st.out);
            }
        }
    }
    for (item& it : items) tree_free(ctx, it.tree);
}

}  // namespace cg
