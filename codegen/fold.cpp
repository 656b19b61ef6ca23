// Pre-pass and constant folding. Constants are folded in 32 bits and then brought to the
// node's own width, so every result is what the target computes with 8-bit char, 16-bit int
// and 32-bit long.
#include "codegen/fold.h"

#include <cmath>
#include <limits>

#include "codegen/context.h"
#include "codegen/ramstrings.h"
#include "common/alert.h"
#include "common/float_format.h"

namespace cg {

void set_pending(cg_context& ctx, int msg) { ctx.simp.pending_msg = msg; }

uint32_t node_mask(const cg_context& ctx, const tree_node* n) {
    if (n->op == OP_BITFIELD && n->sym) {
        unsigned w = n->sym->bit_width;
        return w >= 32 ? 0xffffffffu : (1u << w) - 1;
    }
    uint16_t size = node_size(ctx, n);
    if (size == 0) return (n->type && !n->levels && n->type->name == "b") ? 1 : 0;
    if (size >= 4) return 0xffffffffu;
    return (1u << (8 * size)) - 1;
}

int pow2_log(const cg_context& ctx, int32_t v, const tree_node* n) {
    uint32_t u = static_cast<uint32_t>(v);
    uint16_t size = node_size(ctx, n);
    int width = size >= 4 ? 32 : 8 * size;
    if (width > 0 && width < 32) u &= (1u << width) - 1;
    if (u == 0 || (u & (u - 1))) return 0;
    if (width > 0 && u == (1u << (width - 1))) return width;
    int k = 0;
    while ((1u << k) != u) ++k;
    return k + 1;
}

bool is_comparison(uint32_t op) {
    return op == OP_LT || op == OP_LE || op == OP_GT || op == OP_GE || op == OP_EQ || op == OP_NE;
}

bool is_unsigned(const tree_node* n) { return node_class(n) == value_class::unsigned_; }
bool is_floating(const tree_node* n) { return node_class(n) == value_class::floating; }
bool is_const_int(const tree_node* n) { return n && n->op == OP_CONST; }

uint32_t float_to_integer(double constant, int size, bool to_unsigned) {
    double t = std::trunc(float_value(float_pattern(constant, size), size));
    if (std::isnan(t)) return 0;
    if (to_unsigned) {
        if (t <= 0) return 0;
        return t >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(t);
    }
    if (t <= -2147483648.0) return static_cast<uint32_t>(INT32_MIN);
    if (t >= 2147483647.0) return static_cast<uint32_t>(INT32_MAX);
    return static_cast<uint32_t>(static_cast<int32_t>(t));
}

tree_node basic_probe(cg_context& ctx, const char* name) {
    tree_node t;
    t.op = OP_TYPE;
    t.type = basic_type_named(ctx, name);
    return t;
}

tree_node* keep_left(cg_context& ctx, tree_node* n) {
    tree_node* l = n->left;
    if (op_arity(n->op) == DOPE_BINARY) tree_free(ctx, n->right);
    ctx.nodes.free(n);
    return l;
}

tree_node* keep_right(cg_context& ctx, tree_node* n) {
    tree_node* r = n->right;
    tree_free(ctx, n->left);
    ctx.nodes.free(n);
    return r;
}

void copy_value_type(tree_node* to, const tree_node* from) {
    to->type = from->type;
    to->levels = from->levels;
    to->pclass = from->pclass;
    to->qual = from->qual;
}

void refresh_node(tree_node* n) {
    uint32_t arity = op_arity(n->op);
    n->height = 1;
    uint32_t regs = 0;
    if ((arity == DOPE_UNARY || arity == DOPE_BINARY) && n->left) {
        n->height = static_cast<uint16_t>(n->left->height + 1);
        regs |= n->left->callregs;
    }
    if (arity == DOPE_BINARY && n->right) {
        n->height = std::max<uint16_t>(n->height, static_cast<uint16_t>(n->right->height + 1));
        regs |= n->right->callregs;
    }
    if (n->op != OP_CALL && n->op != OP_CALLZAP) n->callregs = regs;
}

namespace {

bool is_shift(uint32_t op) { return dope_table[op] & DOPE_SHIFT; }

// Recursion over both operands, right first, as every bottom-up pass here walks.
template <typename F> tree_node* bottom_up(cg_context& ctx, tree_node* n, F visit) {
    if (!n) return n;
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_BINARY && n->right) n->right = bottom_up(ctx, n->right, visit);
    if ((arity == DOPE_UNARY || arity == DOPE_BINARY) && n->left) n->left = bottom_up(ctx, n->left, visit);
    return visit(n);
}

tree_node* precanon_node(cg_context& ctx, tree_node* n) {
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_BINARY && (!n->left || !n->right)) return n;
    if (is_shift(n->op)) {
        value_class vc = node_class(n->right);
        symbol* byte = basic_type(ctx, 1, vc == value_class::unsigned_ ? value_class::unsigned_ : value_class::signed_);
        if (!n->right->type || n->right->levels || n->right->type != byte) {
            tree_node t;
            t.type = byte;
            n->right = tree_convert(ctx, n->right, &t);
        }
    }
    switch (n->op) {
    case OP_SUB:
        if (is_floating(n) || node_is_ptr(n->right)) break;   // a pointer difference stays one
        n->op = OP_ADD;
        n->right = tree_make(ctx, OP_NEG, n->right, nullptr);
        ctx.nodes.changed = true;
        break;
    case OP_NEG:
        if (n->left && n->left->op == OP_NEG) {
            tree_node* x = n->left->left;
            ctx.nodes.free(n->left);
            ctx.nodes.free(n);
            return x;
        }
        if (n->left && n->left->op == OP_FCONST) {
            n->left->fvalue = -n->left->fvalue;
            return keep_left(ctx, n);
        }
        break;
    case OP_ASG_XOR: case OP_ASG_AND: case OP_ASG_OR:
        if (n->left->op != OP_ID) break;
        if (n->right->op == OP_ID && n->right->sym == n->left->sym) {
            if (n->op == OP_ASG_XOR) {
                n->op = OP_ASSIGN;
                tree_free(ctx, n->right);
                n->right = const_like(ctx, tree_copy(ctx, n->left));
                return n;
            }
            return keep_left(ctx, n);
        }
        if (n->op == OP_ASG_XOR && node_is_zero(n->right)) return keep_left(ctx, n);
        break;
    case OP_CONV:
        // A string literal given to a plain pointer: its RAM copy's address, before any
        // other rule sees the conversion.
        if (tree_node* ram = ram_string_address(ctx, n)) return ram;
        break;
    default: break;
    }
    if ((n->op == OP_ASG_AND || n->op == OP_ASG_OR || n->op == OP_ASG_XOR) && n->left &&
        n->left->op == OP_BITFIELD && is_const_int(n->right)) {
        uint32_t mask = node_mask(ctx, n->left);
        if (static_cast<uint32_t>(n->right->value) & ~mask) {
            n->right->value = static_cast<int32_t>(static_cast<uint32_t>(n->right->value) & mask);
            set_pending(ctx, 767);
        }
    }
    return n;
}

// Address constants as the relational test of the folder sees them.
bool is_address_constant(const tree_node* n) {
    while (n && (n->op == OP_ASSIGN || n->op == OP_SEQ || n->op == OP_ARGSEQ)) n = n->right;
    return n && node_is_const(n);
}

// A comparison in the operands' own arithmetic; false for any other operator.
template <typename T> bool fold_compare(uint32_t op, T a, T b, int32_t& r) {
    switch (op) {
    case OP_NE: r = a != b; return true;
    case OP_EQ: r = a == b; return true;
    case OP_LT: r = a < b; return true;
    case OP_LE: r = a <= b; return true;
    case OP_GT: r = a > b; return true;
    case OP_GE: r = a >= b; return true;
    default: return false;
    }
}

// Signed 32-bit evaluation of an integer operator; false when the operator does not fold.
bool fold_signed(uint32_t op, int32_t a, int32_t b, int32_t& r) {
    if (fold_compare(op, a, b, r)) return true;
    uint32_t ua = static_cast<uint32_t>(a), ub = static_cast<uint32_t>(b);
    switch (op) {
    case OP_NOT: r = !a; return true;
    case OP_NEG: r = static_cast<int32_t>(0u - ua); return true;
    case OP_COMPL: r = ~a; return true;
    case OP_LAND: r = a && b; return true;
    case OP_LOR: r = a || b; return true;
    case OP_AND: r = a & b; return true;
    case OP_OR: r = a | b; return true;
    case OP_XOR: r = a ^ b; return true;
    case OP_ADD: r = static_cast<int32_t>(ua + ub); return true;
    case OP_SUB: r = static_cast<int32_t>(ua - ub); return true;
    case OP_MUL: r = static_cast<int32_t>(ua * ub); return true;
    case OP_SHL: r = static_cast<int32_t>(ua << (ub & 31)); return true;
    case OP_SHR: r = a >> (ub & 31); return true;
    case OP_DIV: case OP_MOD:
        if (b == 0) {
            alert_message(743);
            r = a;
            return true;
        }
        // The one quotient that overflows wraps, as the target's 32-bit division does.
        if (a == std::numeric_limits<int32_t>::min() && b == -1) r = op == OP_DIV ? a : 0;
        else r = op == OP_DIV ? a / b : a % b;
        return true;
    default: return false;
    }
}

bool fold_unsigned(uint32_t op, uint32_t a, uint32_t b, int32_t& r) {
    switch (op) {
    case OP_DIV: case OP_MOD:
        if (b == 0) {
            alert_message(743);
            r = static_cast<int32_t>(a);
            return true;
        }
        r = static_cast<int32_t>(op == OP_DIV ? a / b : a % b);
        return true;
    case OP_SHR: r = static_cast<int32_t>(a >> (b & 31)); return true;
    case OP_LT: case OP_LE: case OP_GT: case OP_GE: return fold_compare(op, a, b, r);
    default:
        // The remaining operators give the same bits either way.
        return fold_signed(op, static_cast<int32_t>(a), static_cast<int32_t>(b), r);
    }
}

bool fold_floating(uint32_t op, double a, double b, double& fr, int32_t& ir, bool& integer) {
    integer = fold_compare(op, a, b, ir);
    if (integer) return true;
    switch (op) {
    case OP_MUL: fr = a * b; return true;
    case OP_ADD: fr = a + b; return true;
    case OP_SUB: fr = a - b; return true;
    case OP_NEG: fr = -a; return true;
    case OP_DIV:
        if (b == 0.0) {
            alert_message(743);
            return false;
        }
        fr = a / b;
        return true;
    default: return false;
    }
}

// A conversion of a constant: the constant takes the target type.
tree_node* fold_conversion(cg_context& ctx, tree_node* n) {
    tree_node* c = n->left;
    bool to_float = is_floating(n);
    if (c->op == OP_CONST && to_float) {
        double v = (is_unsigned(c) && node_size(ctx, c) == 4) ? static_cast<double>(static_cast<uint32_t>(c->value))
                                                              : static_cast<double>(c->value);
        c->op = OP_FCONST;
        c->fvalue = v;
    } else if (c->op == OP_FCONST && !to_float) {
        int size = static_cast<int>(node_size(ctx, c)) == 4 ? 4 : 3;
        uint32_t w = float_to_integer(c->fvalue, size, is_unsigned(n));
        c->op = OP_CONST;
        c->fvalue = 0;
        c->value = static_cast<int32_t>(w);
    }
    if (c->op == OP_CONST) const_convert(ctx, c, n, true);
    else copy_value_type(c, n);
    return keep_left(ctx, n);
}

tree_node* fold_node(cg_context& ctx, tree_node* n) {
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_BINARY && (!n->left || !n->right)) return n;
    if (arity == DOPE_UNARY && !n->left) return n;
    if (n->op == OP_ADD && n->right->op == OP_NEG && !is_floating(n)) {
        n->op = OP_SUB;
        tree_node* neg = n->right;
        n->right = neg->left;
        ctx.nodes.free(neg);
        return n;
    }
    if (n->op == OP_ADD && n->left->op == OP_NEG && !is_floating(n) && !node_is_ptr(n->right)) {
        tree_node* neg = n->left;
        n->op = OP_SUB;
        n->left = n->right;
        n->right = neg->left;
        ctx.nodes.free(neg);
        copy_value_type(n, n->left);
        return n;
    }
    if (n->op == OP_CONV && n->left->op == OP_FCONST && is_floating(n)) return fold_conversion(ctx, n);
    if (ctx.opt.warning_level < 0 && (n->op == OP_EQ || n->op == OP_NE) && node_is_zero(n->right) &&
        is_address_constant(n->left) && n->left->op != OP_CONST)
        set_pending(ctx, 768);

    tree_node* l = n->left;
    bool l_const = l && (l->op == OP_CONST || l->op == OP_FCONST);
    if (arity != DOPE_UNARY && arity != DOPE_BINARY) return n;
    if (!l_const) return n;
    if (n->op == OP_CONV) return fold_conversion(ctx, n);
    tree_node* r = arity == DOPE_BINARY ? n->right : nullptr;
    if (r && r->op != OP_CONST && r->op != OP_FCONST) return n;

    value_class lc = node_class(l);
    int32_t ir = 0;
    if (lc == value_class::floating || l->op == OP_FCONST) {
        double a = l->op == OP_FCONST ? l->fvalue : l->value;
        double b = !r ? 0 : r->op == OP_FCONST ? r->fvalue : r->value;
        double fr = 0;
        bool integer = false;
        if (!fold_floating(n->op, a, b, fr, ir, integer)) return n;
        if (!integer) {
            l->op = OP_FCONST;
            l->fvalue = fr;
            copy_value_type(l, n);
            return keep_left(ctx, n);
        }
        l->op = OP_CONST;
        l->fvalue = 0;
    } else {
        if (r && r->op == OP_FCONST) return n;
        int32_t b = r ? r->value : 0;
        bool done = lc == value_class::unsigned_
                        ? fold_unsigned(n->op, static_cast<uint32_t>(l->value), static_cast<uint32_t>(b), ir)
                        : (lc == value_class::signed_ || lc == value_class::bit) &&
                              fold_signed(n->op, l->value, b, ir);
        if (!done) return n;
    }
    if (is_comparison(n->op) && ctx.opt.warning_level < 0) set_pending(ctx, 768);
    l->value = ir;
    const_convert(ctx, l, n, true);
    return keep_left(ctx, n);
}

}  // namespace

tree_node* tree_precanon(cg_context& ctx, tree_node* n) {
    return bottom_up(ctx, n, [&](tree_node* x) { return precanon_node(ctx, x); });
}

tree_node* tree_fold(cg_context& ctx, tree_node* n) {
    return bottom_up(ctx, n, [&](tree_node* x) { return fold_node(ctx, x); });
}

}  // namespace cg
