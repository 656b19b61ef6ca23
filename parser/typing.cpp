// Typing engine: operand checks, conversions, pointer scaling, result types and constant folding.
#include <cstring>

#include "common/alert.h"
#include "parser/emit.h"
#include "parser/expr.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/symbols.h"

namespace {

struct typing_row {
    uint16_t mask;
    uint8_t rule;
};
// Typing mask and result rule by code - 60.
constexpr typing_row typing_table[76] = {
    {0x0200, 7}, {0x0200, 3}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0x0A00, 2},
    {0, 0}, {0x3200, 3}, {0x2200, 4}, {0x4030, 1}, {0x4030, 1}, {0x0002, 6}, {0x4020, 1}, {0, 0},
    {0, 0}, {0, 0}, {0, 0}, {0x0300, 8}, {0, 0}, {0x0070, 1}, {0x0060, 1}, {0x007C, 1},
    {0x0074, 1}, {0x0070, 1}, {0x0060, 1}, {0x4020, 1}, {0x4020, 1}, {0x10F8, 6}, {0x10F8, 6}, {0x10F8, 6},
    {0x10F8, 6}, {0x90F8, 6}, {0x90F8, 6}, {0x0060, 1}, {0x0060, 1}, {0x0003, 6}, {0x0003, 6}, {0x0002, 2},
    {0x92F8, 9}, {0x2600, 1}, {0x2434, 1}, {0x2434, 1}, {0x2434, 1}, {0x2434, 1}, {0x2430, 1}, {0x2430, 1},
    {0x2420, 1}, {0x2020, 1}, {0x2020, 1}, {0x2420, 1}, {0x2420, 1}, {0x2420, 1}, {0x0200, 7}, {0x0200, 2},
    {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0x0200, 7}, {0x0200, 7},
    {0x0002, 7}, {0x0880, 2}, {0x0480, 7}, {0, 0}, {0, 0}, {0x0200, 3}, {0x0200, 3}, {0x0200, 3},
    {0x0200, 3}, {0x0200, 3}, {0x0200, 7}, {0x0F00, 1},
};
// Syntactic flags needed here: binary (0x02), right-associative (0x08), constant (0x10),
// int right operand (0x20), signedness by constant (0x40), bit kept (0x80).
constexpr uint8_t flag_table[76] = {
    0x00, 0x02, 0x00, 0x00, 0x02, 0x00, 0x00, 0x02, 0x02, 0x1C, 0x1C, 0x1C, 0x1C, 0x98, 0x18, 0x08,
    0x08, 0x08, 0x08, 0x18, 0x0A, 0x16, 0x96, 0x16, 0x16, 0x52, 0x52, 0x32, 0x32, 0x52, 0x52, 0x52,
    0x52, 0x92, 0x92, 0x92, 0x92, 0x92, 0x92, 0x1A, 0x1A, 0x8A, 0x0A, 0x0A, 0x0A, 0x0A, 0x0A, 0x4A,
    0x4A, 0x0A, 0x0A, 0x8A, 0x8A, 0x8A, 0x02, 0x02, 0x01, 0x11, 0x11, 0x11, 0x11, 0x00, 0x00, 0x00,
    0x02, 0x12, 0x02, 0x01, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x8A,
};
uint16_t mask_of(int c) { return typing_table[c - 60].mask; }
int rule_of(int c) { return typing_table[c - 60].rule; }
uint8_t flags_of(int c) { return flag_table[c - 60]; }

bool size_type_known = false;
type_desc size_type_cache;

type_desc pointed_type(const type_desc& p) {
    type_desc t = p;
    fold_type(t);
    // A qualified pointer (T *const p) is a classed level over the pointer itself.
    while (t.code == ic::T_DERIVED && t.base && t.indirection == 0 && t.kind == K_PLAIN && t.classes) {
        t = t.base->type;
        fold_type(t);
    }
    if (t.kind == K_PLAIN && (t.indirection & 1)) {
        t.indirection >>= 1;
        fold_type(t);
    }
    return t;
}

expr_node* size_node(const type_desc& pointed, int32_t code) {
    expr_node* n = new_node(ic::OP_SIZEOF);
    type_desc element = pointed;
    int32_t count = 1;
    if (element.kind == K_ARRAY) {
        count = element.dim;
        element.kind = K_PLAIN;
        element.dim_tree = nullptr;
    }
    n->left = type_leaf(element);
    n->type = make_basic(code);
    if (count != 1) {
        expr_node* m = new_node(ic::OP_MUL);
        m->left = n;
        m->right = int_const(count, code);
        m->type = make_basic(code);
        return m;
    }
    return n;
}

expr_node* truth_value(expr_node* n) {
    if (!is_scalar(n->type)) {
        alert_message(199);
        return n;
    }
    if (is_plain(n->type, ic::T_BIT)) return n;
    expr_node* z = int_const(0, ic::T_INT);
    z->type = n->type;
    expr_node* ne = new_node(ic::OP_NE);
    ne->left = n;
    ne->right = z;
    ne->type = make_basic(ic::T_BIT);
    return ne;
}


int32_t balance(int32_t a, int32_t b) {
    if (a == 18 || b == 18) return 18;
    if (a == 16 || b == 16) return 16;
    a = promote_code(a);
    b = promote_code(b);
    if (a == b) return a;
    if ((a & 1) == (b & 1)) return a > b ? a : b;
    int32_t u = (a & 1) ? a : b, s = (a & 1) ? b : a;
    return u >= s ? u : s;
}

// Arrays become the address of their first element, functions the address of the function.
expr_node* decay(expr_node* n) {
    if (!n) return n;
    type_desc t = n->type;
    fold_type(t);
    if (t.kind == K_ARRAY) {
        expr_node* a = new_node(ic::OP_ADDR);
        a->left = n;
        t.kind = K_PLAIN;
        t.dim_tree = nullptr;
        t.dim = 0;
        if (t.code == ic::T_DERIVED && t.indirection == 0 && t.classes == 0 && t.base &&
            t.base->type.kind != K_PLAIN) {
            add_pointer(t);
        } else if (t.code == ic::T_DERIVED && t.indirection == 0 && t.classes) {
            t = wrap_in_type_symbol(t);
            add_pointer(t);
        } else {
            add_pointer(t);
        }
        a->type = t;
        return a;
    }
    if (t.kind == K_FUNCTION) {
        expr_node* a = new_node(ic::OP_ADDR);
        a->left = n;
        type_desc p = wrap_in_type_symbol(t);
        add_pointer(p);
        a->type = p;
        return a;
    }
    return n;
}

// The variable an lvalue is part of: itself, one of its members, or an element of an array
// member; what is reached through a pointer belongs to no variable here (null).
const expr_node* named_object(const expr_node* p) {
    while (p) {
        if (p->code == ic::OP_DOT && p->left && p->left->code != ic::OP_DEREF) {
            p = p->left;
        } else if (p->code == ic::OP_DEREF && p->left && p->left->code == ic::OP_ADD && p->left->left &&
                   p->left->left->code == ic::OP_ADDR && p->left->left->left && is_array(p->left->left->left->type)) {
            p = p->left->left->left;
        } else {
            return p->code == ic::OP_IDENT ? p : nullptr;
        }
    }
    return nullptr;
}

void check_modify(expr_node* p) {
    const expr_node* whole = named_object(p);
    if (whole && whole->sym && whole->sym->read_only) {
        alert_message(364, qualifier_table[0].name.c_str());
        return;
    }
    const type_desc& t = skip_transparent(p->type);
    if (t.indirection) return;
    for (int i = 0; i < qualifier_rows; ++i)
        if ((t.classes >> i) & 1 & ((qualifier_table[i].flags & QF_M) || i == 0))
            alert_message(364, qualifier_table[i].name.c_str());
}

}  // namespace

expr_node* value_of(expr_node* n) { return decay(n); }

int32_t wrap_add(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
int32_t wrap_sub(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
int32_t wrap_mul(int32_t a, int32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }
bool wrap_div(int32_t a, int32_t b, int32_t& out) {
    if (b == 0) return false;
    if (b == -1) out = wrap_sub(0, a);   // INT32_MIN / -1 wraps to INT32_MIN instead of trapping
    else out = a / b;
    return true;
}
bool wrap_mod(int32_t a, int32_t b, int32_t& out) {
    if (b == 0) return false;
    out = b == -1 ? 0 : a % b;
    return true;
}
int32_t wrap_shl(int32_t a, int32_t count) { return static_cast<int32_t>(static_cast<uint32_t>(a) << (count & 31)); }
int32_t wrap_shr(int32_t a, int32_t count) {
    count &= 31;
    uint32_t u = static_cast<uint32_t>(a) >> count;
    if (a < 0 && count) u |= ~(~0u >> count);   // arithmetic shift, spelled without relying on the host
    return static_cast<int32_t>(u);
}

type_desc size_type() {
    if (!size_type_known) {
        int32_t largest = 0;
        for (int i = 6; i < qualifier_rows; ++i)
            if (qualifier_table[i].size > largest) largest = qualifier_table[i].size;
        size_type_cache = make_basic(largest && largest == type_size(10) ? 11 : 9);
        size_type_known = true;
    }
    return size_type_cache;
}

int32_t index_type(const type_desc& pointer, int32_t wanted) {
    type_desc t = pointer;
    fold_type(t);
    if (t.indirection != 1 || !t.classes) return wanted & 1 ? 15 : 14;
    for (int i = 0; i < qualifier_rows; ++i) {
        if (!((t.classes >> i) & 1) || !qualifier_table[i].size) continue;
        int32_t size = qualifier_table[i].size;
        for (int32_t c : {4, 6, 8, 10})
            if (type_size(c) == size) return c | (wanted & 1);
        alert_message(293);
    }
    return wanted & 1 ? 15 : 14;
}

int32_t promote_code(int32_t code) {
    if (code == 4 || code == 6 || code == 20 || code == 2) return 8;
    if (code == 5 || code == 7) return type_size(code) == type_size(8) ? 9 : 8;
    return code;
}

int32_t value_in_type(int32_t v, const type_desc& t) {
    const type_desc& s = skip_transparent(t);
    if (s.kind != K_PLAIN || s.indirection || !((s.code >= ic::T_CHAR && s.code < ic::T_FLOAT) || s.code == ic::T_ENUM))
        return v;
    int32_t size = type_size(s.code);
    if (size <= 0 || size >= 4) return v;
    uint32_t bits = static_cast<uint32_t>(size) * 8;
    uint32_t u = static_cast<uint32_t>(v) & ((1u << bits) - 1);
    bool is_unsigned = (s.code & 1) && s.code < ic::T_FLOAT;
    if (!is_unsigned && (u >> (bits - 1))) u |= ~((1u << bits) - 1);   // sign-extend
    return static_cast<int32_t>(u);
}

expr_node* convert(expr_node* n, const type_desc& t) {
    if (!n) return n;
    if (is_pointer(n->type) && is_pointer(t)) {
        int32_t ts = type_size(index_type(t, 15)), ss = type_size(index_type(n->type, 15));
        if (ts < ss) alert_message(354);
    }
    if (types_equal(n->type, t, false) && n->type.classes == t.classes) return n;
    if (!is_scalar(n->type) && !is_plain(n->type, ic::T_VOID)) {
        alert_message(181);
        return n;
    }
    if (n->code == ic::OP_ICONST && is_scalar(t)) {
        n->value = value_in_type(n->value, t);
        n->type = t;
        return n;
    }
    expr_node* c = new_node(ic::OP_CONV);
    c->left = n;
    c->right = type_leaf(t);
    c->type = t;
    return c;
}

expr_node* convert_to_code(expr_node* n, int32_t code, bool other_constant) {
    const type_desc& t = skip_transparent(n->type);
    if ((code & 1) && code < 16 && is_integral(n->type) && !(t.code & 1) && n->code != ic::OP_ICONST) {
        if (other_constant) alert_message(355);
        else alert_message(373);
        if (type_size(code) > type_size(t.code)) n = convert(n, make_basic(code & ~1));
    }
    return convert(n, make_basic(code));
}

expr_node* assign_convert(expr_node* n, const type_desc& t, bool strict) {
    if (!n) return n;
    if (types_equal(n->type, t, false))
        return (n->type.classes == t.classes || !is_scalar(t)) ? n : convert(n, t);   // a const struct copies as it is
    if (is_arithmetic(t) && is_arithmetic(n->type)) {
        if (is_integral_or_enum(t) && is_floating(n->type)) alert_message(356);
        return convert(n, t);
    }
    if (is_pointer(t) && is_integral_or_enum(n->type)) {
        bool index = is_plain(n->type, 14) || is_plain(n->type, 15);
        if (!is_null_constant(n)) alert_message(357);
        if (!strict || index) return n;
        return convert(n, t);
    }
    if (is_integral_or_enum(t) && is_pointer(n->type)) {
        alert_message(358);
        return convert(n, t);
    }
    if (is_pointer(t) && is_pointer(n->type)) {
        if (!(is_void_pointer(t) || is_void_pointer(n->type) || assignable(t, n->type))) alert_message(359);
        return convert(n, t);
    }
    if (is_plain(t, ic::T_STRUCT) || is_plain(t, ic::T_UNION)) {
        alert_message(182);
        return n;
    }
    alert_message(182);
    return convert(n, t);
}

bool is_null_constant(const expr_node* n) {
    while (n && n->code == ic::OP_CONV && is_integral(n->type)) n = n->left;
    return n && n->code == ic::OP_ICONST && n->value == 0;
}

bool is_lvalue(const expr_node* n) {
    if (!n) return false;
    if (n->code == ic::OP_IDENT)
        return n->sym && n->sym->kind != S_ENUM_CONST && n->sym->kind != S_TYPEDEF && !is_array(n->type) &&
               !is_function(n->type);
    if (n->code == ic::OP_DEREF) return true;
    if (n->code == ic::OP_DOT) return is_lvalue(n->left) || n->left->code == ic::OP_DEREF;
    return false;
}

bool is_address_constant(const expr_node* n) {
    if (!n) return false;
    if (n->code == ic::OP_IDENT)
        return n->sym && (n->sym->kind == S_STATIC || n->sym->kind == S_EXTERN);
    if (n->code == ic::OP_DOT) return is_address_constant(n->left);
    if (n->code == ic::OP_DEREF) return is_constant_expr(n->left);
    return false;
}

bool is_constant_expr(const expr_node* n) {
    if (!n) return false;
    switch (n->code) {
    case ic::OP_IDENT: return n->sym && n->sym->kind == S_ENUM_CONST;
    case ic::OP_SIZEOF: return true;
    case ic::OP_ADDR: return is_address_constant(n->left) || (n->left && n->left->code == ic::OP_IDENT &&
                                                              n->left->sym && (n->left->sym->flags & F_ABSOLUTE));
    case ic::OP_ICONST: case ic::OP_STRING: case ic::OP_FCONST: case ic::OP_TYPE: case ic::OP_MEMBER:
        return true;
    case ic::OP_DEREF: return n->left && n->left->code == ic::OP_ADDR && is_constant_expr(n->left);
    default: break;
    }
    if (n->code < 60 || n->code > 135 || !(flags_of(n->code) & 0x10)) return false;
    if (!is_constant_expr(n->left)) return false;
    if (ic::op_arity(n->code) == 2 && n->code != ic::OP_CONV) return is_constant_expr(n->right);
    return true;
}

bool const_value(const expr_node* n, int32_t& v) {
    if (!n) return false;
    int32_t a, b;
    switch (n->code) {
    case ic::OP_ICONST: v = n->value; return true;
    case ic::OP_IDENT:
        if (n->sym && n->sym->kind == S_ENUM_CONST) {
            v = n->sym->value;
            return true;
        }
        return false;
    case ic::OP_CONV:
        if (!const_value(n->left, v)) return false;
        v = value_in_type(v, n->type);
        return true;
    case ic::OP_NEG:
        if (!const_value(n->left, a)) return false;
        v = wrap_sub(0, a);
        return true;
    case ic::OP_UPLUS: return const_value(n->left, v);
    case ic::OP_ADDR:
        if (n->left && n->left->code == ic::OP_IDENT && n->left->sym && (n->left->sym->flags & F_ABSOLUTE)) {
            v = static_cast<int32_t>(n->left->sym->width_or_address);
            return true;
        }
        return false;
    case ic::OP_SIZEOF: {
        const expr_node* o = n->left;
        if (!o) return false;
        const type_desc& t = skip_transparent(o->type);
        if (t.kind != K_PLAIN || t.indirection || t.code >= 20) return false;
        v = type_size(t.code);
        return true;
    }
    case ic::OP_NOT:
        if (!const_value(n->left, a)) return false;
        v = value_in_type(a, n->left->type) == 0;
        return true;
    case ic::OP_COMPL:
        if (!const_value(n->left, a)) return false;
        v = ~a;
        return true;
    case ic::OP_LT: case ic::OP_GT: case ic::OP_LE: case ic::OP_GE: case ic::OP_EQ: case ic::OP_NE: {
        if (!const_value(n->left, a) || !const_value(n->right, b)) return false;
        // Both operands have the balanced type: compare in it, unsigned when it is.
        a = value_in_type(a, n->left->type);
        b = value_in_type(b, n->right->type);
        const type_desc& t = skip_transparent(n->left->type);
        bool is_unsigned = t.indirection || (t.kind == K_PLAIN && (t.code & 1) && t.code < ic::T_FLOAT);
        int order = is_unsigned ? (static_cast<uint32_t>(a) < static_cast<uint32_t>(b) ? -1 : a != b)
                                : (a < b ? -1 : a != b);
        switch (n->code) {
        case ic::OP_LT: v = order < 0; break;
        case ic::OP_GT: v = order > 0; break;
        case ic::OP_LE: v = order <= 0; break;
        case ic::OP_GE: v = order >= 0; break;
        case ic::OP_EQ: v = order == 0; break;
        default: v = order != 0; break;
        }
        return true;
    }
    case ic::OP_LAND: case ic::OP_LOR:
        // Only the operand that decides is needed, as at run time.
        if (!const_value(n->left, a)) return false;
        a = value_in_type(a, n->left->type) != 0;
        if (n->code == ic::OP_LAND ? !a : a) {
            v = a;
            return true;
        }
        if (!const_value(n->right, b)) return false;
        v = value_in_type(b, n->right->type) != 0;
        return true;
    case ic::OP_QUEST:
        if (!n->right || n->right->code != ic::OP_COLON || !const_value(n->left, a)) return false;
        return const_value(value_in_type(a, n->left->type) ? n->right->left : n->right->right, v);
    case ic::OP_MOD:
        if (!const_value(n->left, a) || !const_value(n->right, b)) return false;
        return wrap_mod(a, b, v);
    case ic::OP_MUL: case ic::OP_AND: case ic::OP_SUB: case ic::OP_ADD: case ic::OP_DIV:
    case ic::OP_SHR: case ic::OP_SHL: case ic::OP_XOR: case ic::OP_OR:
        if (!const_value(n->left, a) || !const_value(n->right, b)) return false;
        switch (n->code) {
        case ic::OP_MUL: v = wrap_mul(a, b); return true;
        case ic::OP_AND: v = a & b; return true;
        case ic::OP_SUB: v = wrap_sub(a, b); return true;
        case ic::OP_ADD: v = wrap_add(a, b); return true;
        case ic::OP_DIV: return wrap_div(a, b, v);
        case ic::OP_SHR: v = wrap_shr(a, b); return true;
        case ic::OP_SHL: v = wrap_shl(a, b); return true;
        case ic::OP_XOR: v = a ^ b; return true;
        default: v = a | b; return true;
        }
    default: return false;
    }
}

namespace {

expr_node* scale_index(expr_node* ptr, expr_node* index) {
    int32_t want = skip_transparent(index->type).code & 1 ? 15 : 14;
    int32_t code = index_type(ptr->type, want);
    index = convert(index, make_basic(code));
    type_desc pointed = pointed_type(ptr->type);
    expr_node* size = size_node(pointed, code);
    expr_node* m = new_node(ic::OP_MUL);
    m->left = index;
    m->right = size;
    m->type = make_basic(code);
    return m;
}

expr_node* member_access(expr_node* p, expr_node* q) {
    const type_desc& st = skip_transparent(p->type);
    if (!(st.kind == K_PLAIN && !st.indirection && (st.code == ic::T_STRUCT || st.code == ic::T_UNION))) {
        alert_message(196);
        release_tree(q);
        return p;
    }
    if (q->code != ic::OP_IDENT || !q->text) {
        alert_message(197);
        release_tree(q);
        return p;
    }
    sym_record* tag = st.base;
    if (!tag || !(tag->flags & F_DEFINED)) {
        alert_message(198, tag ? tag->name : "");
        release_tree(q);
        return p;
    }
    sym_record* m = find_member(tag, q->text);
    release_tree(q);
    if (!m) return p;
    m->flags |= F_USED;
    expr_node* leaf = new_node(ic::OP_MEMBER);
    leaf->value = m->index;
    leaf->type = m->type;
    expr_node* dot = new_node(ic::OP_DOT);
    dot->left = p;
    dot->right = leaf;
    dot->type = m->type;
    if (p->type.classes) {
        fold_type(dot->type);
        dot->type.classes |= p->type.classes;
    }
    return dot;
}

expr_node* return_value(expr_node* p) {
    if (p->code == ic::OP_ADDR && p->left && p->left->code == ic::OP_IDENT && p->left->sym &&
        p->left->sym->kind != S_STATIC && p->left->sym->kind != S_EXTERN)
        alert_message(365);
    type_desc ret = current_function ? current_function->type : make_basic(ic::T_INT);
    fold_type(ret);
    ret.kind = K_PLAIN;
    ret.params = nullptr;
    fold_type(ret);
    expr_node* n = new_node(ic::OP_RETURN);
    if (is_plain(ret, ic::T_VOID)) {
        if (!(current_function && entry_class_mask && (current_function->type.classes & entry_class_mask)))
            alert_message(204);
        n->left = p;
    } else {
        n->left = assign_convert(p, ret, true);
    }
    n->type = ret;
    return n;
}

}  // namespace

expr_node* make_node(int c, expr_node* p, expr_node* q) {
    bool binary = ic::op_arity(c) == 2 || (flags_of(c) & 0x02);
    if (!p || (binary && !q)) {
        release_tree(p);
        release_tree(q);
        return nullptr;
    }
    uint16_t mask = mask_of(c);
    if (c == ic::OP_ADDR && p->code == ic::OP_IDENT && p->sym && (p->sym->flags & F_REGISTER)) alert_message(200);
    if (!(mask & 0x0100)) {
        if (c == ic::OP_ADDR) {
            if (p->code == ic::OP_ADDR || is_array(p->type) || is_function(p->type)) {
                if (is_array(p->type)) alert_message(362);
                else if (is_function(p->type)) alert_message(363);
                else alert_message(201);
                return decay(p);
            }
        } else {
            p = decay(p);
        }
    }
    if (q && !(mask & 0x0800)) q = decay(q);
    uint16_t field = mask & 0x3000;
    if (field == 0x2000) {
        if (c != ic::OP_ADDR) {
            if (!is_lvalue(p)) alert_message(202);
            else if (c != ic::OP_POSTINC && c != ic::OP_POSTDEC) check_modify(p);
            else check_modify(p);
        } else if (!is_lvalue(p) && p->code != ic::OP_DEREF) {
            alert_message(201);
        }
    } else if (field == 0x3000) {
        if (!is_pointer(p->type)) {
            alert_message(981);
            expr_node* n = new_node(c);
            n->left = p;
            n->type = make_basic(ic::T_INT);
            return n;
        }
    }
    uint8_t flags = flags_of(c);
    if (!(mask & 0x0003)) {
        if (is_plain(p->type, ic::T_BIT) &&
            !((flags & 0x80) && opt.bit_keyword && ((q && is_plain(q->type, ic::T_BIT)) || !(flags & 0x08)))) {
            // Only a bit object is refused here; the bit value of a comparison is an ordinary truth value.
            if ((flags & 0x08) && c != ic::OP_COLON && c != ic::OP_ASSIGN && is_lvalue(p)) alert_message(203);
            p = convert(p, make_basic(ic::T_INT));
        }
        bool bits_kept = (flags & 0x80) && opt.bit_keyword;
        if (q && is_plain(q->type, ic::T_BIT) && (!bits_kept || !is_plain(p->type, ic::T_BIT)))
            q = convert(q, make_basic(ic::T_INT));
    }
    switch (c) {
    case 60: return p;
    case ic::OP_DOT: return member_access(p, q);
    case ic::OP_RETURN: return return_value(p);
    case ic::OP_UPLUS: return p;
    default: break;
    }
    bool unary = !binary;
    bool pointer_difference = false;
    bool scaled_offset = false;   // q is a scaled offset of pointer p (p += n, p++), not a value for p
    type_desc pointed{};
    if (mask & 0x0003) {
        if (mask & 0x0002) p = truth_value(p);
        if ((mask & 0x0001) && q) q = truth_value(q);
    } else if ((mask & 0x0004) && !unary && is_pointer(p->type) && is_integral_or_enum(q->type)) {
        q = scale_index(p, q);
        scaled_offset = true;
    } else if ((mask & 0x0004) && c == ic::OP_ADD && !unary && is_pointer(q->type) && is_integral_or_enum(p->type)) {
        std::swap(p, q);
        q = scale_index(p, q);
    } else if ((mask & 0x0008) && is_pointer(p->type) && (unary || is_pointer(q->type))) {
        if (!unary) {
            if ((mask & 0x8000) && (is_void_pointer(p->type) || is_void_pointer(q->type))) {
                if (is_void_pointer(p->type)) q = convert(q, p->type);
                else p = convert(p, q->type);
            } else {
                type_desc a = pointed_type(p->type), b = pointed_type(q->type);
                a.classes = b.classes = 0;
                if (!types_equal(a, b, true) && !assignable(p->type, q->type) && !assignable(q->type, p->type))
                    alert_message(366, ic::op_spelling(c));
                if (c == ic::OP_SUB) {
                    pointer_difference = true;
                    pointed = pointed_type(p->type);
                    p = convert(p, make_basic(14));
                    q = convert(q, make_basic(14));
                } else if (rule_of(c) != 9 && !types_equal(p->type, q->type, false)) {
                    q = convert(q, p->type);
                }
            }
        }
    } else if ((mask & 0x0030) && is_arithmetic(p->type) && (unary || is_arithmetic(q->type))) {
        if (!(mask & 0x0010) && (!is_integral_or_enum(p->type) || (q && !is_integral_or_enum(q->type))))
            alert_message(205);
        else if ((mask & 0x0040) && !unary) {
            int32_t code = balance(skip_transparent(p->type).code, skip_transparent(q->type).code);
            bool sign_by_constant = flags & 0x40;
            p = convert_to_code(p, code, sign_by_constant && is_constant_expr(q));
            q = convert_to_code(q, code, sign_by_constant && is_constant_expr(p));
        } else {
            if (mask & 0x4000) p = convert(p, make_basic(promote_code(skip_transparent(p->type).code)));
            if ((flags & 0x20) && q) q = convert(q, make_basic(ic::T_INT));
        }
    } else if (mask & 0x0080) {
        if (is_plain(p->type, ic::T_VOID) || (q && is_plain(q->type, ic::T_VOID))) {
            if (!(c == ic::OP_COLON && q && types_equal(p->type, q->type, false))) alert_message(206);
        } else {
            if (!(mask & 0x0200) && (!is_scalar(p->type) || (q && !is_scalar(q->type)))) alert_message(207, ic::op_spelling(c));
            if ((mask & 0x1000) && (mask & 0x8000) && q) {
                if (is_pointer(p->type) && is_null_constant(q)) q = convert(q, p->type);
                else if (is_pointer(q->type) && is_null_constant(p)) p = convert(p, q->type);
            }
            if (q && !types_equal(p->type, q->type, false)) alert_message(208, ic::op_spelling(c));
        }
    } else if (!(mask & 0x0200)) {
        alert_message(209);
    }
    if ((mask & 0x0400) && !scaled_offset) q = assign_convert(q, p->type, !(mask & 0x0004));
    if (c == ic::OP_CONV && p->code == ic::OP_ICONST) {
        p->value = value_in_type(p->value, q->type);
        p->type = q->type;
        release_tree(q);
        return p;
    }
    expr_node* n = new_node(c);
    n->left = p;
    n->right = unary ? nullptr : q;
    switch (rule_of(c)) {
    case 1: n->type = p->type; break;
    case 2: n->type = q ? q->type : p->type; break;
    case 3: n->type = p->type; deref(n->type); break;
    case 4: n->type = p->type; fold_type(n->type); add_pointer(n->type); break;
    case 5: n->type = make_basic(ic::T_INT); break;
    case 6: n->type = make_basic(ic::T_BIT); break;
    case 7: n->type = make_basic(ic::T_VOID); break;
    case 8: n->type = size_type(); break;
    case 9: {
        type_desc t = is_void_pointer(q->type) ? q->type : p->type;
        if (is_pointer(t)) {
            fold_type(t);
            type_desc qp = q->type;
            fold_type(qp);
            t.classes |= qp.classes;
        }
        n->left = convert(p, t);
        n->right = convert(q, t);
        n->type = t;
        break;
    }
    default: n->type = p->type; break;
    }
    if (c == ic::OP_ADDR && p->code == ic::OP_IDENT && is_function(p->type)) {
        n->type = p->type;
        n->type = wrap_in_type_symbol(p->type);
        add_pointer(n->type);
    }
    if (pointer_difference) {
        n->type = make_basic(14);
        expr_node* d = new_node(ic::OP_DIV);
        d->left = n;
        d->right = size_node(pointed, 14);
        d->type = make_basic(14);
        return d;
    }
    return n;
}
