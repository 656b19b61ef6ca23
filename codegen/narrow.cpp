// Narrowing: an operation whose operands hold values of a narrower type is done in that type
// and its result widened, which on an 8-bit machine saves whole bytes of work. Only
// operations whose result provably does not depend on the width are narrowed; a wrong width
// here would silently change values.
#include "codegen/context.h"
#include "codegen/fold.h"
#include "codegen/rewrite.h"
#include "codegen/symbols.h"

namespace cg {

namespace {

bool is_integer(const tree_node* n) {
    value_class c = node_class(n);
    return !n->levels && (c == value_class::signed_ || c == value_class::unsigned_);
}

bool is_signed(const tree_node* n) { return node_class(n) == value_class::signed_; }

// Whether widening v to the type of `to` keeps every value of v.
bool widens_exactly(const cg_context& ctx, const tree_node* v, const tree_node* to) {
    uint16_t vs = node_size(ctx, v);
    return is_integer(v) && is_integer(to) && vs > 0 && vs < node_size(ctx, to) && (!is_signed(v) || is_signed(to));
}

// Whether the value c lies in the range of v's type (v at most three bytes).
bool const_in_range(const cg_context& ctx, int32_t c, const tree_node* v) {
    int bits = 8 * node_size(ctx, v);
    if (bits <= 0 || bits >= 32) return false;
    int64_t lo = is_signed(v) ? -(int64_t(1) << (bits - 1)) : 0;
    int64_t hi = is_signed(v) ? (int64_t(1) << (bits - 1)) : (int64_t(1) << bits);
    return c >= lo && c < hi;
}

// Whether op(x, c), with x's value in the range of s's type, stays in that range.
bool stays_in_range(const cg_context& ctx, uint32_t op, int32_t c, const tree_node* s) {
    switch (op) {
    case OP_AND: return !is_signed(s) || const_in_range(ctx, c, s);
    case OP_OR: case OP_XOR: return const_in_range(ctx, c, s);
    case OP_MOD: return c != 0;
    case OP_DIV: return c > 0;
    case OP_SHR: return c >= 0 && c < 32;
    default: return false;
    }
}

// Shorthand: 'n' is a binary node of this op and its right operand is an integer constant.
bool has_const_right(const tree_node* n) {
    return op_arity(n->op) == DOPE_BINARY && n->left && n->right && is_const_int(n->right);
}

// Does op(a, b) give the same value in a's type as in the node's wider type, for a and b in
// the range of `into`? Division overflows only for the most negative value by -1.
bool exact_in(uint32_t op, const tree_node* into, const tree_node* right) {
    if (op != OP_DIV && op != OP_MOD) return true;
    if (!is_signed(into)) return true;
    return is_const_int(right) && right->value != -1 && right->value != 0;
}

// n's operation done in `type`, the result converted back to n's type.
tree_node* do_in_type(cg_context& ctx, tree_node* n, symbol* type, bool convert_right) {
    tree_node probe;
    probe.op = OP_TYPE;
    probe.type = type;
    tree_node back;
    copy_value_type(&back, n);
    n->left = tree_convert(ctx, n->left, &probe);
    if (convert_right) n->right = tree_convert(ctx, n->right, &probe);
    n->type = type;
    n->levels = 0;
    refresh_node(n);
    ctx.nodes.changed = true;
    return tree_convert(ctx, n, &back);
}

symbol* type_of(cg_context& ctx, const tree_node* v) { return basic_type(ctx, node_size(ctx, v), node_class(v)); }

// "&" whose left operand holds an unsigned narrower value, or is a narrower value converted
// (masked by a constant no wider than it), or is a narrowed right shift.
tree_node* narrow_and(cg_context& ctx, tree_node* n) {
    uint16_t size = node_size(ctx, n);
    // An unsigned value has no bits above its width: the other operand's do not matter.
    const tree_node* s = narrow_source(ctx, n->left);
    if (s && !is_signed(s) && node_size(ctx, s) < size) return do_in_type(ctx, n, type_of(ctx, s), true);
    tree_node* l = n->left;
    if (l->op != OP_CONV || !l->left || !is_integer(l) || !is_integer(l->left) || !is_const_int(n->right)) return n;
    tree_node* x = l->left;
    int32_t c = n->right->value;
    uint16_t xs = node_size(ctx, x);
    if (xs > 0 && xs < size) {
        // (T)x & c: with c's top bit at x's width clear, the result is that of x & c.
        uint32_t mask = node_mask(ctx, x);
        bool fits = c >= 0 && static_cast<uint32_t>(c) <= (is_signed(x) ? mask >> 1 : mask);
        if (fits || (is_signed(x) && is_signed(l) && const_in_range(ctx, c, x)))
            return do_in_type(ctx, n, type_of(ctx, x), true);
        return n;
    }
    // (T)(x >> k) & c, c keeping only bits the narrower shift still gets right.
    if (x->op == OP_SHR && has_const_right(x) && xs > size && is_integer(x->left)) {
        int32_t k = x->right->value;
        int width = 8 * size;
        if (k < 0 || k >= width || c < 0 || static_cast<int64_t>(c) >= (int64_t(1) << (width - k))) return n;
        tree_node probe;
        copy_value_type(&probe, l);
        x->left = tree_convert(ctx, x->left, &probe);
        copy_value_type(x, l);
        refresh_node(x);
        n->left = x;
        l->left = nullptr;
        tree_free(ctx, l);
        refresh_node(n);
        ctx.nodes.changed = true;
        return n;
    }
    return n;
}

}  // namespace

const tree_node* narrow_source(const cg_context& ctx, const tree_node* x) {
    if (!x || !is_integer(x)) return nullptr;
    if (x->op == OP_CONV && x->left && widens_exactly(ctx, x->left, x)) {
        const tree_node* deeper = narrow_source(ctx, x->left);
        return deeper ? deeper : x->left;
    }
    if (!(dope_table[x->op] & DOPE_NARROW) || !has_const_right(x)) return nullptr;
    const tree_node* s = narrow_source(ctx, x->left);
    return s && stays_in_range(ctx, x->op, x->right->value, s) ? s : nullptr;
}

tree_node* narrow_operation(cg_context& ctx, tree_node* n) {
    uint32_t d = dope_table[n->op];
    if (!(d & DOPE_NARROW) || op_arity(n->op) != DOPE_BINARY || !n->left || !n->right || !is_integer(n)) return n;
    if (n->op == OP_AND) {
        tree_node* r = narrow_and(ctx, n);
        if (r != n) return r;
    }
    uint16_t size = node_size(ctx, n);
    const tree_node* s = narrow_source(ctx, n->left);
    if (!s || node_size(ctx, s) >= size) return n;
    const tree_node* into = s;
    bool shift = (d & DOPE_SHIFT) != 0;
    if (shift) {
        // A count of the narrower width or more would shift everything out there.
        if (!is_const_int(n->right) || n->right->value < 0 || n->right->value >= 8 * node_size(ctx, s)) return n;
    } else if (is_const_int(n->right)) {
        if (!const_in_range(ctx, n->right->value, s)) return n;
    } else {
        const tree_node* r = narrow_source(ctx, n->right);
        if (!r || node_class(r) != node_class(s)) return n;
        if (node_size(ctx, r) > node_size(ctx, s)) into = r;
    }
    if (!exact_in(n->op, into, n->right)) return n;
    return do_in_type(ctx, n, type_of(ctx, into), !shift);
}

}  // namespace cg
