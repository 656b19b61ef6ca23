// Tree rewriting, one pass, operands first. Each rule leaves a valid tree of the same value;
// the statement simplifier repeats folding and rewriting until nothing changes.
#include "codegen/rewrite.h"

#include "codegen/calls.h"
#include "codegen/context.h"
#include "codegen/fold.h"
#include "codegen/predicates.h"
#include "common/alert.h"

namespace cg {

uint32_t compound_of(uint32_t op) {
    switch (op) {
    case OP_MOD: return OP_ASG_MOD;
    case OP_AND: return OP_ASG_AND;
    case OP_MUL: return OP_ASG_MUL;
    case OP_ADD: return OP_ASG_ADD;
    case OP_SUB: return OP_ASG_SUB;
    case OP_DIV: return OP_ASG_DIV;
    case OP_SHL: return OP_ASG_SHL;
    case OP_SHR: return OP_ASG_SHR;
    case OP_XOR: return OP_ASG_XOR;
    case OP_OR: return OP_ASG_OR;
    default: return OP_ASSIGN;
    }
}

uint32_t negate_cmp(uint32_t op) {
    switch (op) {
    case OP_LT: return OP_GE;
    case OP_GE: return OP_LT;
    case OP_LE: return OP_GT;
    case OP_GT: return OP_LE;
    case OP_EQ: return OP_NE;
    case OP_NE: return OP_EQ;
    default: return op;
    }
}

namespace {

bool is_binary(const tree_node* n) { return op_arity(n->op) == DOPE_BINARY; }
bool has_operands(const tree_node* n) {
    uint32_t a = op_arity(n->op);
    return (a == DOPE_UNARY && n->left) || (a == DOPE_BINARY && n->left && n->right);
}
bool is_seq(const tree_node* n) { return n && (n->op == OP_SEQ || n->op == OP_ARGSEQ); }
bool is_call(const tree_node* n) { return n && (n->op == OP_CALL || n->op == OP_CALLZAP); }
bool is_bit_value(const tree_node* n) { return !n->levels && node_class(n) == value_class::bit; }

// A constant of n's type holding v.
tree_node* const_of(cg_context& ctx, int32_t v, const tree_node* n) {
    tree_node* c = const_make(ctx, v);
    const_convert(ctx, c, n, false);
    return c;
}

// Replaces n by a constant of n's type, keeping the effects of `keep` (released otherwise).
// A range test's result carries the range mark, which silences 750 and 757 for it.
tree_node* constant_result(cg_context& ctx, tree_node* n, tree_node* keep, int32_t v, bool range = false) {
    tree_node* c = const_of(ctx, v, n);
    if (range) c->nflags |= NF_RANGE_FOLDED;
    if (n->left == keep) n->left = nullptr;
    if (is_binary(n) && n->right == keep) n->right = nullptr;
    tree_free(ctx, n);
    if (keep && tree_has_effect(keep)) return tree_make(ctx, OP_SEQ, keep, c);
    tree_free(ctx, keep);
    return c;
}

// A one-byte count constant of the count's class, as shifts take it.
tree_node* shift_count(cg_context& ctx, int k) {
    tree_node t = basic_probe(ctx, "uc");
    tree_node* c = const_make(ctx, k);
    const_convert(ctx, c, &t, false);
    return c;
}

// n's operand in `slot` is the sequence ;(a, b): n takes b, and ;(a, n) replaces n.
tree_node* lift_sequence(cg_context& ctx, tree_node* n, tree_node*& slot) {
    tree_node* seq = slot;
    slot = seq->right;
    refresh_node(n);
    seq->right = n;
    copy_value_type(seq, n);
    refresh_node(seq);
    ctx.nodes.changed = true;
    return seq;
}

// op(;(a, b), c) -> ;(a, op(b, c)), and likewise for a sequence on the right.
tree_node* hoist_sequences(cg_context& ctx, tree_node* n) {
    uint32_t d = dope_table[n->op];
    bool hoistable = n->op != OP_SEQ && n->op != OP_COLON && n->op != OP_ARG &&
                     (n->op == OP_CALL || (d & (DOPE_ORDERED | DOPE_EFFECT)) != (DOPE_ORDERED | DOPE_EFFECT));
    if (!hoistable) return n;
    // A call's argument stores stay next to their call: lifted, they would run before a call
    // in the right operand, whose argument bytes the linker may share with theirs.
    if (n->left && is_seq(n->left) &&
        !(n->left->op == OP_ARGSEQ && is_binary(n) && n->op != OP_ARGSEQ && tree_has_call(n->right)))
        return lift_sequence(ctx, n, n->left);
    // From the right only when the left operand does nothing the lifted part must follow (a
    // call's argument stores would otherwise land before an earlier call to the same function).
    if (is_binary(n) && !(d & DOPE_SEQUENCED) && n->right && is_seq(n->right) && !is_call(n->right->right) &&
        !tree_has_effect(n->left))
        return lift_sequence(ctx, n, n->right);
    return n;
}

tree_node* rewrite_not(cg_context& ctx, tree_node* n) {
    tree_node* x = n->left;
    uint32_t neg = negate_cmp(x->op);
    if (neg != x->op && !is_floating(x->left)) {
        x->op = neg;
        ctx.nodes.free(n);
        ctx.nodes.changed = true;
        return x;
    }
    // !!x is x only where x is already a truth value.
    if (x->op == OP_NOT && is_bit_value(x->left)) {
        tree_node* y = x->left;
        ctx.nodes.free(x);
        ctx.nodes.free(n);
        return y;
    }
    if (is_seq(x)) return lift_sequence(ctx, n, n->left);
    if (x->op == OP_LAND || x->op == OP_LOR) {
        uint32_t op = x->op == OP_LAND ? OP_LOR : OP_LAND;
        tree_node* a = tree_make(ctx, OP_NOT, x->left, nullptr);
        tree_node* b = tree_make(ctx, OP_NOT, x->right, nullptr);
        ctx.nodes.free(x);
        ctx.nodes.free(n);
        return tree_make(ctx, op, a, b);
    }
    return n;
}

// "&&" and "||" with a constant operand.
tree_node* rewrite_logical(cg_context& ctx, tree_node* n) {
    bool land = n->op == OP_LAND;
    tree_node *l = n->left, *r = n->right;
    if (!is_const_int(l) && !is_const_int(r)) return n;
    if (ctx.opt.warning_level < 0 && !(l->nflags & NF_RANGE_FOLDED) && !(r->nflags & NF_RANGE_FOLDED))
        alert_message(750);
    if (is_const_int(l)) {
        bool decides = land ? l->value == 0 : l->value != 0;
        if (!decides) return keep_right(ctx, n);
        return constant_result(ctx, n, nullptr, land ? 0 : 1);
    }
    bool decides = land ? r->value == 0 : r->value != 0;
    if (!decides) return keep_left(ctx, n);
    return constant_result(ctx, n, l, land ? 0 : 1);
}

// "?" with a constant condition, or with alternatives 1 and 0.
tree_node* rewrite_conditional(cg_context& ctx, tree_node* n) {
    tree_node* alts = n->right;
    if (!alts || alts->op != OP_COLON || !alts->left || !alts->right) return n;
    if (is_const_int(n->left)) {
        set_pending(ctx, 763);
        tree_node* chosen = n->left->value ? alts->left : alts->right;
        if (chosen == alts->left) alts->left = nullptr;
        else alts->right = nullptr;
        tree_free(ctx, n);
        return chosen;
    }
    tree_node *a = alts->left, *b = alts->right;
    if (a->op == OP_DEREF && b->op == OP_DEREF && a->left && b->left && a->left->levels && b->left->levels &&
        node_size(ctx, a->left) == node_size(ctx, b->left) && a->left->pclass == b->left->pclass &&
        node_size(ctx, a) == node_size(ctx, b)) {
        // One indirection through the chosen pointer.
        alts->left = keep_left(ctx, a);
        alts->right = keep_left(ctx, b);
        copy_value_type(alts, alts->left);
        refresh_node(alts);
        tree_node t;
        copy_value_type(&t, n);
        copy_value_type(n, alts);
        refresh_node(n);
        tree_node* loc = tree_make(ctx, OP_DEREF, n, nullptr);
        copy_value_type(loc, &t);
        return loc;
    }
    if (is_const_int(alts->left) && is_const_int(alts->right) && !is_floating(n)) {
        int32_t a = alts->left->value, b = alts->right->value;
        if ((a == 1 && b == 0) || (a == 0 && b == 1)) {
            tree_node* c = n->left;
            n->left = nullptr;
            if (a == 0) c = tree_make(ctx, OP_NOT, c, nullptr);
            tree_node t;
            copy_value_type(&t, n);
            tree_free(ctx, n);
            return tree_convert(ctx, c, &t);
        }
    }
    return n;
}

// Constant operands of the bitwise and multiplicative operators.
tree_node* rewrite_bitwise(cg_context& ctx, tree_node* n) {
    tree_node* r = n->right;
    if (!is_const_int(r) || tree_has_effect(r)) return n;
    // The bits that matter. A compound assignment keeps only those of its target; a value
    // keeps every bit of its own width, since "|" and "^" carry the constant's bits beyond a
    // narrower operand's, and a signed field or bit spreads its sign over them. Only "&" of an
    // operand that is never negative may ignore the constant's bits beyond that operand.
    uint32_t m = node_mask(ctx, n->left);
    bool value = n->op == OP_AND || n->op == OP_OR || n->op == OP_XOR;
    if (value && !(n->op == OP_AND && (is_unsigned(n->left) || is_bit_value(n->left)))) m = node_mask(ctx, n);
    uint32_t v = static_cast<uint32_t>(r->value);
    switch (n->op) {
    case OP_MOD: case OP_DIV: case OP_ASG_MOD: case OP_ASG_DIV:
        if (v == 0) alert_message(755);
        return n;
    case OP_AND: case OP_MUL:
        if (v == 0) return constant_result(ctx, n, n->left, 0);
        break;
    case OP_ASG_AND: case OP_ASG_MUL:
        if (v == 0) {
            n->op = OP_ASSIGN;
            ctx.nodes.changed = true;
            return n;
        }
        break;
    case OP_OR: case OP_ASG_OR: case OP_XOR: case OP_ASG_XOR: {
        if (m == 0) return n;
        v &= m;
        if (v == 0) return keep_left(ctx, n);
        if (v == m && n->op == OP_XOR) {
            n->op = OP_COMPL;
            tree_free(ctx, r);
            n->right = nullptr;
            ctx.nodes.changed = true;
            return n;
        }
        if (v == m && n->op == OP_ASG_OR) {
            n->op = OP_ASSIGN;
            ctx.nodes.changed = true;
            return n;
        }
        if (v == m && n->op == OP_OR) return constant_result(ctx, n, n->left, static_cast<int32_t>(m));
        if (r->value != static_cast<int32_t>(v)) r->value = static_cast<int32_t>(v), ctx.nodes.changed = true;
        return n;
    }
    default: return n;
    }
    if ((n->op == OP_AND || n->op == OP_ASG_AND) && m) {
        if ((v & m) == m) return keep_left(ctx, n);
        if ((v & m) != v) {
            r->value = static_cast<int32_t>(v & m);
            ctx.nodes.changed = true;
        }
    }
    return n;
}

// Multiplication, division and remainder by a power of two; x * 1; x * -2^k.
tree_node* rewrite_multiplicative(cg_context& ctx, tree_node* n) {
    tree_node* r = n->right;
    if (!is_const_int(r) || is_floating(n) || n->levels) return rewrite_bitwise(ctx, n);
    bool mul = n->op == OP_MUL || n->op == OP_ASG_MUL;
    if (mul && r->value == 1 && n->op == OP_MUL) {
        tree_node t;
        copy_value_type(&t, n);
        return tree_convert(ctx, keep_left(ctx, n), &t);
    }
    if (n->op == OP_MUL && r->value < 0 && r->value != INT32_MIN && pow2_log(ctx, -r->value, n) > 1) {
        r->value = -r->value;
        ctx.nodes.changed = true;
        return tree_make(ctx, OP_NEG, n, nullptr);
    }
    int log = pow2_log(ctx, r->value, n);
    // A signed quotient or remainder rounds towards zero; a shift or mask would not.
    bool unsigned_value = is_unsigned(n->left) || (n->left->type && !n->left->levels &&
                                                   (n->left->type->name == "x" || n->left->type->name == "nx"));
    if (log > 1 && (mul || unsigned_value)) {
        int k = log - 1;
        switch (n->op) {
        case OP_MUL: n->op = OP_SHL; break;
        case OP_ASG_MUL: n->op = OP_ASG_SHL; break;
        case OP_DIV: n->op = OP_SHR; break;
        case OP_ASG_DIV: n->op = OP_ASG_SHR; break;
        case OP_MOD: n->op = OP_AND; break;
        case OP_ASG_MOD: n->op = OP_ASG_AND; break;
        default: return n;
        }
        if (n->op == OP_AND || n->op == OP_ASG_AND) {
            r->value = static_cast<int32_t>((1u << k) - 1);
        } else {
            tree_free(ctx, r);
            n->right = shift_count(ctx, k);
        }
        ctx.nodes.changed = true;
        return n;
    }
    return rewrite_bitwise(ctx, n);
}

// A shift by a constant count that is negative or the node's width or more.
tree_node* rewrite_shift(cg_context& ctx, tree_node* n) {
    tree_node* r = n->right;
    if (!is_const_int(r)) return n;
    uint16_t size = node_size(ctx, n);
    int32_t k = r->value;
    if (k == 0 && (n->op == OP_SHL || n->op == OP_SHR)) {
        tree_node t;
        copy_value_type(&t, n);
        return tree_convert(ctx, keep_left(ctx, n), &t);
    }
    if (k < 0 || (size >= 2 && k >= 8 * size)) {
        alert_message(753, static_cast<long>(k));
        return keep_left(ctx, n);
    }
    tree_node* l = n->left;
    if (n->op == OP_SHL && (l->op == OP_ADD || l->op == OP_XOR || l->op == OP_OR) && is_const_int(l->right) &&
        !l->levels && !tree_has_effect(l)) {
        // (a op c1) << c2 -> (a << c2) op (c1 << c2); the constant part then folds.
        tree_node* c1 = l->right;
        l->right = tree_make(ctx, OP_SHL, c1, tree_copy(ctx, r));
        l->left = tree_make(ctx, OP_SHL, l->left, r);
        refresh_node(l);
        ctx.nodes.free(n);
        return l;
    }
    bool left_shift = n->op == OP_SHL || n->op == OP_ASG_SHL || is_unsigned(n);
    if (size == 1 && k >= 8 && left_shift) {
        if (n->op == OP_ASG_SHL || n->op == OP_ASG_SHR) {
            n->op = OP_ASSIGN;
            r->value = 0;
            copy_value_type(r, n->left);
            ctx.nodes.changed = true;
            return n;
        }
        return constant_result(ctx, n, n->left, 0);
    }
    return n;
}


uint32_t swapped_cmp(uint32_t op) {
    switch (op) {
    case OP_LT: return OP_GT;
    case OP_GT: return OP_LT;
    case OP_LE: return OP_GE;
    case OP_GE: return OP_LE;
    default: return op;
    }
}

// Relational operators against constants: degenerate tests become constants, the rest
// "<" and ">=" with the constant on the right.
tree_node* rewrite_relational(cg_context& ctx, tree_node* n) {
    if (is_const_int(n->left) && !is_const_int(n->right)) {
        std::swap(n->left, n->right);
        n->op = swapped_cmp(n->op);
        ctx.nodes.changed = true;
    }
    tree_node *l = n->left, *r = n->right;
    if (!is_const_int(r) || is_floating(l)) {
        if ((n->op == OP_LE || n->op == OP_GT) && !is_const_int(r)) {
            std::swap(n->left, n->right);
            n->op = swapped_cmp(n->op);
            ctx.nodes.changed = true;
        }
        return n;
    }
    uint32_t m = node_mask(ctx, r);
    if (m <= 1 && !is_bit_value(l)) return n;
    bool unsigned_left = is_unsigned(l) || is_bit_value(l);
    uint32_t v = static_cast<uint32_t>(r->value) & (m ? m : 1);
    int32_t sv = r->value;
    int32_t smallest = static_cast<int32_t>(~(m >> 1)), largest = static_cast<int32_t>(m >> 1);
    switch (n->op) {
    case OP_LT: case OP_GE:
        if (unsigned_left) {
            if (v == 0) {
                bool same_enum = l->type && r->type == l->type && l->type->kind == sym_kind::enumeration;
                if (!same_enum) set_pending(ctx, 765);
                return constant_result(ctx, n, l, n->op == OP_GE, true);
            }
            if (v == node_mask(ctx, l)) n->op = n->op == OP_LT ? OP_NE : OP_EQ, ctx.nodes.changed = true;
        } else {
            if (sv == smallest) {
                set_pending(ctx, 766);
                return constant_result(ctx, n, l, n->op == OP_GE, true);
            }
            if (sv == largest) n->op = n->op == OP_LT ? OP_NE : OP_EQ, ctx.nodes.changed = true;
        }
        return n;
    case OP_LE: case OP_GT:
        if (unsigned_left) {
            if (v == 0) {
                n->op = n->op == OP_LE ? OP_EQ : OP_NE;
                ctx.nodes.changed = true;
                return n;
            }
            if (v == node_mask(ctx, l) || (m && v == m)) {
                set_pending(ctx, 765);
                return constant_result(ctx, n, l, n->op == OP_LE, true);
            }
        } else {
            if (sv == largest) {
                set_pending(ctx, 766);
                return constant_result(ctx, n, l, n->op == OP_LE, true);
            }
            if (sv == smallest) {
                n->op = n->op == OP_LE ? OP_EQ : OP_NE;
                ctx.nodes.changed = true;
                return n;
            }
        }
        // x > c is x >= c + 1, x <= c is x < c + 1; c + 1 cannot overflow here.
        n->op = n->op == OP_LE ? OP_LT : OP_GE;
        r->value = unsigned_left ? static_cast<int32_t>(v + 1) : sv + 1;
        ctx.nodes.changed = true;
        return n;
    default: return n;
    }
}

// "==" and "!=" of a truth value or a complement against a constant.
tree_node* rewrite_equality(cg_context& ctx, tree_node* n) {
    tree_node *l = n->left, *r = n->right;
    if (!is_const_int(r)) return n;
    if (l->op == OP_COMPL && !is_floating(l)) {
        tree_node t;
        copy_value_type(&t, r);
        r->value = ~r->value;
        const_convert(ctx, r, &t, false);
        n->left = keep_left(ctx, l);
        return n;
    }
    bool one_bit_field = l->op == OP_BITFIELD && node_mask(ctx, l) == 1 && is_unsigned(l);
    if (is_bit_value(l) || one_bit_field) {
        int32_t v = r->value;
        if (v < 0 || v > 1) {
            if (one_bit_field) alert_message(754);
            else set_pending(ctx, 765);
            return constant_result(ctx, n, l, n->op == OP_NE);
        }
        if (one_bit_field) {
            if (v == 1) n->op = negate_cmp(n->op), r->value = 0, ctx.nodes.changed = true;
            return n;
        }
        bool keep = (n->op == OP_EQ) == (v == 1);
        n->left = nullptr;
        tree_free(ctx, n);
        return keep ? l : tree_make(ctx, OP_NOT, l, nullptr);
    }
    if (l->op == OP_AND && is_const_int(l->right) && l->right->value == r->value && r->value != 0 &&
        pow2_log(ctx, r->value, l) > 0) {
        n->op = negate_cmp(n->op);
        r->value = 0;
        ctx.nodes.changed = true;
    }
    return n;
}

constexpr uint16_t placement_classes = PC_FAR | PC_BANK1 | PC_BANK2 | PC_BANK3 | PC_EEPROM | PC_CONST;

// "&U" of "*U" and "*U" of "&U" cancel.
tree_node* rewrite_address(cg_context& ctx, tree_node* n) {
    tree_node* inner = n->left;
    if (n->op == OP_ADDR && inner->op == OP_ID && inner->sym && (inner->sym->flags & SF_ABSOLUTE)) {
        int32_t address = static_cast<int32_t>(inner->sym->address);
        tree_node* c = const_like(ctx, n);
        c->value = address;
        return c;
    }
    uint32_t other = n->op == OP_ADDR ? OP_DEREF : OP_ADDR;
    if (inner->op != other || !inner->left) return n;
    tree_node* e = inner->left;
    if (n->op == OP_DEREF && !e->levels && e->type && e->type->kind == sym_kind::aggregate &&
        (is_call(e) || e->op == OP_ASSIGN || e->op == OP_QUEST))
        return n;
    ctx.nodes.free(inner);
    // &*e is e's address: it stays in the memory e points into, whatever the pointed-to type
    // (the address of an array member of a structure in program memory is no RAM pointer).
    if (n->op == OP_ADDR && e->levels && n->levels) n->pclass |= e->pclass & placement_classes;
    if (e->op == OP_ID || e->op == OP_DEREF) {
        uint16_t q = e->qual & 0xd0;
        copy_value_type(e, n);
        e->qual |= q;
        ctx.nodes.free(n);
        return e;
    }
    tree_node t;
    copy_value_type(&t, n);
    ctx.nodes.free(n);
    return tree_convert(ctx, e, &t);
}

bool same_repr(const cg_context& ctx, const tree_node* a, const tree_node* b) {
    return node_size(ctx, a) == node_size(ctx, b) && node_class(a) == node_class(b);
}

bool is_integer(const tree_node* n) {
    value_class c = node_class(n);
    return !n->levels && (c == value_class::signed_ || c == value_class::unsigned_);
}

// (T)(a op b) with T narrower: the low bits of a modular operation depend only on the low bits
// of its operands, so the operation is done in T. A shift keeps its count.
tree_node* narrow_into_operands(cg_context& ctx, tree_node* n) {
    tree_node* x = n->left;
    if (!is_integer(n) || !is_integer(x) || node_size(ctx, n) >= node_size(ctx, x) || node_size(ctx, n) == 0)
        return n;
    uint32_t d = dope_table[x->op];
    if (!(d & DOPE_MODULAR) || (d & DOPE_EFFECT) || tree_has_effect(x) || !x->left) return n;
    bool binary = is_binary(x);
    bool shift = d & DOPE_SHIFT;
    if (binary && (!x->right || (!shift && node_size(ctx, x->right) < node_size(ctx, n)))) return n;
    // In the narrower type a count of its width or more would be taken for an undefined shift.
    if (shift && (!is_const_int(x->right) || x->right->value < 0 || x->right->value >= 8 * node_size(ctx, n)))
        return n;
    tree_node t;
    copy_value_type(&t, n);
    x->left = tree_convert(ctx, x->left, &t);
    if (binary && !shift) x->right = tree_convert(ctx, x->right, &t);
    copy_value_type(x, n);
    refresh_node(x);
    return keep_left(ctx, n);
}

// Whether x takes the type of `to` without code: a constant, an indirection at least as wide,
// or a symbol of the same size or of static storage.
bool conv_free(const cg_context& ctx, const tree_node* x, const tree_node* to) {
    if (x->op == OP_CONST) return true;
    uint16_t xs = node_size(ctx, x), ts = node_size(ctx, to);
    if (xs == 0) return false;
    if (x->op == OP_DEREF) return xs >= ts;
    if (x->op == OP_ID && x->sym) return xs == ts || is_global_storage(x->sym->sclass);
    return false;
}

// An object read under the type of a conversion that is dropped: it must still be read each
// time when volatile, and it stays in its own bank and memory (RAM or EEPROM), whatever the
// new type names (the type of an assignment's target carries that target's bank and memory).
void retype_object(tree_node* x, const tree_node* like) {
    constexpr uint16_t kept = PC_BANK1 | PC_BANK2 | PC_BANK3 | PC_EEPROM;
    bool scalar = !x->levels;
    uint16_t own = x->pclass & (scalar ? uint16_t{PC_VOLATILE | kept} : uint16_t{PC_VOLATILE});
    copy_value_type(x, like);
    if (scalar) x->pclass = static_cast<uint16_t>(x->pclass & ~kept);
    x->pclass |= own;
}

// Conversions: dropped where they change nothing, moved into sequences, collapsed.
tree_node* rewrite_conversion(cg_context& ctx, tree_node* n) {
    tree_node* x = n->left;
    if (!x || x->op == OP_TYPE) return n;
    if (same_repr(ctx, x, n) && node_class(n) != value_class::floating && !(x->levels && !n->levels)) {
        retype_object(x, n);
        return keep_left(ctx, n);
    }
    // A float converted to its own type (a volatile one read as plain) changes no bit.
    if (node_class(n) == value_class::floating && node_class(x) == value_class::floating && !n->levels &&
        !x->levels && n->type == x->type && same_repr(ctx, x, n)) {
        retype_object(x, n);
        return keep_left(ctx, n);
    }
    if (x->op == OP_QUEST && x->right && x->right->op == OP_COLON && x->right->left && x->right->right &&
        conv_free(ctx, x->right->left, n) && conv_free(ctx, x->right->right, n) && !is_floating(n) &&
        !is_floating(x)) {
        tree_node t;
        copy_value_type(&t, n);
        tree_node* alts = x->right;
        alts->left = tree_convert(ctx, alts->left, &t);
        alts->right = tree_convert(ctx, alts->right, &t);
        copy_value_type(alts, &t);
        refresh_node(alts);
        copy_value_type(x, &t);
        refresh_node(x);
        return keep_left(ctx, n);
    }
    if (is_seq(x)) {
        tree_node t;
        copy_value_type(&t, n);
        tree_node* seq = x;
        seq->right = tree_convert(ctx, seq->right, &t);
        copy_value_type(seq, seq->right);
        refresh_node(seq);
        return keep_left(ctx, n);
    }
    if (x->op == OP_CONV && x->left && !is_floating(n) && !is_floating(x) && !is_floating(x->left)) {
        tree_node* y = x->left;
        uint16_t s1 = node_size(ctx, n), s2 = node_size(ctx, x), s0 = node_size(ctx, y);
        bool unsigned_inner = (is_unsigned(y) || is_bit_value(y)) && !y->levels && s0 < s2;
        bool no_widen = s1 <= s2;
        if (unsigned_inner || (no_widen && s2 >= s1)) {
            n->left = y;
            x->left = nullptr;
            tree_free(ctx, x);
            refresh_node(n);
            ctx.nodes.changed = true;
            return n;
        }
    }
    if (ctx.opt.warning_level < -3 && node_size(ctx, n) < node_size(ctx, x) && !is_floating(n) && !is_floating(x))
        alert_message(752);
    return narrow_into_operands(ctx, n);
}

// ";": what the first operand computes without effect goes.
tree_node* rewrite_sequence(cg_context& ctx, tree_node* n) {
    if (!tree_has_effect(n->left)) return keep_right(ctx, n);
    if (n->left->op == OP_POSTINC || n->left->op == OP_POSTDEC) {
        n->left->op = n->left->op == OP_POSTINC ? OP_ASG_ADD : OP_ASG_SUB;
        ctx.nodes.changed = true;
    }
    return n;
}

// "=": x = x op y becomes x op= y.
tree_node* rewrite_assign(cg_context& ctx, tree_node* n) {
    tree_node *x = n->left, *v = n->right;
    if (x->op == OP_BITFIELD && is_const_int(v)) {
        uint32_t m = node_mask(ctx, x);
        // The value the field will read back: cut to its width, and sign-extended for a signed
        // field (so that this rewrite, run again, finds nothing more to cut).
        uint32_t kept = static_cast<uint32_t>(v->value) & m;
        if (node_class(x) == value_class::signed_ && m != 0xffffffffu && (kept & ((m >> 1) + 1))) kept |= ~m;
        if (static_cast<int32_t>(kept) != v->value) {
            v->value = static_cast<int32_t>(kept);
            set_pending(ctx, 762);
        }
        return n;
    }
    if (x->op != OP_ID || !(dope_table[v->op] & DOPE_COMPOUND) || tree_has_effect(x)) return n;
    // EEPROM objects wider than a byte are read and written whole, never updated in place.
    if (!x->levels && (x->pclass & PC_EEPROM) && node_size(ctx, x) > 1) return n;
    tree_node* same = nullptr;
    tree_node* other = nullptr;
    if (v->left && v->left->op == OP_ID && v->left->sym == x->sym) same = v->left, other = v->right;
    else if ((dope_table[v->op] & DOPE_COMMUTATIVE) && v->right && v->right->op == OP_ID && v->right->sym == x->sym)
        same = v->right, other = v->left;
    if (!same || !same_repr(ctx, v, x)) return n;
    n->op = compound_of(v->op);
    n->right = other;
    ctx.nodes.free(same);
    ctx.nodes.free(v);
    refresh_node(n);
    return n;
}

// "+" and "-" beyond the linear forms.
tree_node* rewrite_additive(cg_context& ctx, tree_node* n) {
    tree_node *l = n->left, *r = n->right;
    if (is_bit_value(n) && (n->op == OP_ADD || n->op == OP_SUB)) {
        n->op = OP_XOR;
        ctx.nodes.changed = true;
        return n;
    }
    if ((n->op == OP_SUB || n->op == OP_ASG_SUB) && is_const_int(r) && !n->levels) {
        n->op = n->op == OP_SUB ? OP_ADD : OP_ASG_ADD;
        tree_node t;
        copy_value_type(&t, r);
        r->value = static_cast<int32_t>(0u - static_cast<uint32_t>(r->value));
        const_convert(ctx, r, &t, false);
        ctx.nodes.changed = true;
        return n;
    }
    if ((n->op == OP_ADD || n->op == OP_ASG_ADD) && node_is_zero(r) && !is_floating(n)) {
        tree_node t;
        copy_value_type(&t, n);
        if (n->op == OP_ASG_ADD) {
            tree_node* x = keep_left(ctx, n);
            return tree_convert(ctx, x, &t);
        }
        return tree_convert(ctx, keep_left(ctx, n), &t);
    }
    if ((n->op == OP_ASG_ADD || n->op == OP_ASG_SUB) && l->op == OP_BITFIELD && node_mask(ctx, l) == 1) {
        n->op = OP_ASG_XOR;
        ctx.nodes.changed = true;
        return n;
    }
    if (n->op == OP_ADD && l->op == OP_ID && r->op == OP_ID && l->sym == r->sym && !is_floating(n) &&
        !tree_has_effect(l) && !n->levels) {
        tree_free(ctx, r);
        n->op = OP_MUL;
        n->right = const_of(ctx, 2, n);
        return n;
    }
    if (n->op == OP_SUB && tree_equal(l, r) && !tree_has_effect(l) && !is_floating(n))
        return constant_result(ctx, n, nullptr, 0);
    if (n->op == OP_ADD && !is_floating(n)) {
        // An offset into a small const array fits one unsigned byte: the other operand
        // narrows to that type.
        for (tree_node** other : {&n->right, &n->left}) {
            const tree_node* address = other == &n->right ? l : r;
            if (address->op != OP_ADDR || !address->left || address->left->op != OP_ID) continue;
            symbol* index_type = const_array_index_type(ctx, address->left->sym);
            if (!index_type || (*other)->levels || node_size(ctx, *other) <= index_type->size) continue;
            tree_node probe;
            probe.type = index_type;
            *other = tree_convert(ctx, *other, &probe);
            ctx.nodes.changed = true;
            refresh_node(n);
            return n;
        }
    }
    if (n->op == OP_ADD && l->op == OP_NEG && r->op == OP_NEG) {
        tree_node* a = l->left;
        tree_node* b = r->left;
        ctx.nodes.free(l);
        ctx.nodes.free(r);
        ctx.nodes.free(n);
        return tree_make(ctx, OP_NEG, tree_make(ctx, OP_ADD, a, b), nullptr);
    }
    return n;
}

// Whether constant c, compared by op, can be compared with the unconverted value x instead.
bool const_fits(const cg_context& ctx, const tree_node* conv, const tree_node* x, int32_t c, uint32_t op) {
    int64_t lo, hi;   // the values x can hold, [lo, hi)
    uint16_t size = node_size(ctx, x);
    if (is_bit_value(x)) {
        lo = 0, hi = 2;
    } else if (size >= 1 && size <= 3) {
        int s = 8 * size;
        bool both_signed = node_class(conv) == value_class::signed_ && node_class(x) == value_class::signed_;
        lo = both_signed ? -(int64_t(1) << (s - 1)) : 0;
        hi = both_signed ? (int64_t(1) << (s - 1)) : (int64_t(1) << s);
    } else {
        return true;
    }
    if (op == OP_LT) ++lo;
    if (op == OP_GT) --hi;
    int64_t v = node_class(conv) == value_class::unsigned_ && node_size(ctx, conv) < 4
                    ? static_cast<int64_t>(static_cast<uint32_t>(c))
                    : static_cast<int64_t>(c);
    return v >= lo && v < hi;
}

// (T)x compared with a constant: compared in x's own type when the constant fits it.
tree_node* narrow_comparison(cg_context& ctx, tree_node* n) {
    tree_node *conv = n->left, *c = n->right;
    if (!is_const_int(c) || conv->op != OP_CONV || !conv->left || is_floating(conv)) return n;
    tree_node* x = conv->left;
    if (is_floating(x) || x->levels || conv->levels) return n;
    uint16_t xs = node_size(ctx, x);
    if (!(is_bit_value(x) || xs != 0) || xs >= node_size(ctx, conv)) return n;
    bool eligible = node_class(conv) == value_class::signed_ || is_unsigned(x) || is_bit_value(x);
    if (!eligible) return n;
    if (!const_fits(ctx, conv, x, c->value, n->op)) {
        set_pending(ctx, 764);
        return n;
    }
    n->left = keep_left(ctx, conv);
    const_convert(ctx, c, x, false);
    refresh_node(n);
    return n;
}

// s.m becomes *(&s + offset) read as m's type.
tree_node* rewrite_member(cg_context& ctx, tree_node* n) {
    tree_node *s = n->left, *off = n->right;
    if (!is_const_int(off) || s->op == OP_TYPE || s->op == OP_CALL || s->op == OP_CALLZAP ||
        s->op == OP_ASSIGN || s->op == OP_QUEST || is_seq(s))
        return n;
    tree_node* base = tree_make(ctx, OP_ADDR, s, nullptr);
    if (n->levels && !s->levels && (s->pclass & placement_classes)) {
        // A pointer member of an object outside bank 0 RAM: a pointer to a pointer has no
        // classes of its own to say where it points, so the member's address is a byte's.
        base->type = basic_type_named(ctx, "uc");
        base->levels = LEVEL_POINTER;
    } else {
        base->type = n->type;
        base->levels = static_cast<uint16_t>(n->levels * 4 + LEVEL_POINTER);
    }
    base->qual = 0;
    if (off->value != 0) {
        base = tree_make(ctx, OP_ADD, base, off);
    } else {
        tree_free(ctx, off);
    }
    tree_node* loc = tree_make(ctx, OP_DEREF, base, nullptr);
    copy_value_type(loc, n);
    // A member of a structure in EEPROM is in EEPROM too: read and written through the
    // EEPROM routines, never as the RAM byte at its address.
    if (!s->levels && !loc->levels) loc->pclass |= s->pclass & PC_EEPROM;
    ctx.nodes.free(n);
    return loc;
}

// Under a modular operator a conversion between integer types of one size changes no bit.
// Whether x gives the same bits when retyped to the other signedness: a right shift, a division,
// a remainder and a conversion from a float compute by their own type's sign.
bool same_bits_either_sign(const tree_node* x) {
    switch (x->op) {
    case OP_SHR: case OP_ASG_SHR: case OP_DIV: case OP_ASG_DIV: case OP_MOD: case OP_ASG_MOD: return false;
    case OP_CONV: return !x->left || !is_floating(x->left);
    default: return true;
    }
}

void drop_equal_size_conversions(cg_context& ctx, tree_node* n) {
    if (!(dope_table[n->op] & DOPE_MODULAR) || n->levels) return;
    auto drop = [&](tree_node*& slot) {
        tree_node* c = slot;
        if (c && c->op == OP_CONV && c->left && is_integer(c) && is_integer(c->left) &&
            node_size(ctx, c) == node_size(ctx, c->left) && node_size(ctx, c) == node_size(ctx, n) &&
            (node_class(c) == node_class(c->left) || same_bits_either_sign(c->left))) {
            slot = keep_left(ctx, c);
            retype_object(slot, n);
        }
    };
    drop(n->left);
    if (is_binary(n) && !(dope_table[n->op] & DOPE_SHIFT)) drop(n->right);
}

tree_node* rewrite_node(cg_context& ctx, tree_node* n) {
    if (has_operands(n)) drop_equal_size_conversions(ctx, n);
    if (dope_table[n->op] & DOPE_COMMUTATIVE) n = tree_canon(ctx, n);
    if (!has_operands(n)) return n;
    if ((dope_table[n->op] & DOPE_SHIFT) && is_binary(n)) {
        n = rewrite_shift(ctx, n);
        if (!has_operands(n) || !(dope_table[n->op] & DOPE_SHIFT)) return n;
    }
    if ((dope_table[n->op] & DOPE_NARROW) && is_binary(n)) {
        tree_node* narrowed = narrow_operation(ctx, n);
        if (narrowed != n) return narrowed;
    }
    if (is_comparison(n->op)) n = narrow_comparison(ctx, n);
    if ((n->op == OP_ADD || n->op == OP_SUB) && !is_floating(n)) {
        n = normalise_linear(ctx, n);
        if (!has_operands(n) || (n->op != OP_ADD && n->op != OP_SUB)) return n;
    }
    switch (n->op) {
    case OP_NOT: return rewrite_not(ctx, n);
    case OP_EQ: case OP_NE: return rewrite_equality(ctx, n);
    case OP_LT: case OP_LE: case OP_GT: case OP_GE: return rewrite_relational(ctx, n);
    case OP_LAND: case OP_LOR: return rewrite_logical(ctx, n);
    case OP_QUEST: return rewrite_conditional(ctx, n);
    case OP_MOD: case OP_ASG_MOD: case OP_MUL: case OP_ASG_MUL: case OP_DIV: case OP_ASG_DIV:
        if (n->op == OP_MUL && n->left->op == OP_NEG && is_const_int(n->right)) {
            tree_node* neg = n->left;
            n->left = neg->left;
            ctx.nodes.free(neg);
            n->right->value = static_cast<int32_t>(0u - static_cast<uint32_t>(n->right->value));
            return n;
        }
        return rewrite_multiplicative(ctx, n);
    case OP_AND: case OP_ASG_AND: case OP_OR: case OP_ASG_OR: case OP_XOR: case OP_ASG_XOR:
        return rewrite_bitwise(ctx, n);
    case OP_ADDR: case OP_DEREF: return rewrite_address(ctx, n);
    case OP_CALL: return lower_call(ctx, n);
    case OP_COUNT1: case OP_COUNT2: case OP_COUNT3: case OP_COUNT4:
        if (n->left->op == OP_ARGEND) return keep_left(ctx, n);
        return n;
    case OP_UPLUS: return keep_left(ctx, n);
    case OP_ADD: case OP_SUB: case OP_ASG_ADD: case OP_ASG_SUB: return rewrite_additive(ctx, n);
    case OP_CONV: return rewrite_conversion(ctx, n);
    case OP_MEMBER: return rewrite_member(ctx, n);
    case OP_SEQ: case OP_ARGSEQ: return rewrite_sequence(ctx, n);
    case OP_ASSIGN: return rewrite_assign(ctx, n);
    case OP_COMPL:
        if (is_bit_value(n->left)) {
            n->op = OP_NOT;
            ctx.nodes.changed = true;
        }
        return n;
    default: return n;
    }
}

}  // namespace

tree_node* tree_canon(cg_context& ctx, tree_node* n) {
    if (!n->left || !n->right) return n;
    if (tree_eval_kind(ctx, n->left) < tree_eval_kind(ctx, n->right) && node_size(ctx, n->left) == node_size(ctx, n->right)) {
        std::swap(n->left, n->right);
        ctx.nodes.changed = true;
    }
    if (!(dope_table[n->op] & DOPE_ASSOC) || n->left->op != n->op || !n->left->right) return n;
    tree_node* inner = n->left;
    if (is_const_int(inner->right) && is_const_int(n->right) && !is_floating(n) && !n->levels == !inner->levels) {
        // (a op c1) op c2 -> a op (c1 op c2), folded at once.
        tree_node* c = tree_fold(ctx, tree_make(ctx, n->op, inner->right, n->right));
        n->right = c;
        n->left = inner->left;
        ctx.nodes.free(inner);
        refresh_node(n);
        return n;
    }
    // Floats round at every step: (a op b) op c keeps its order.
    if (tree_eval_kind(ctx, inner->right) < tree_eval_kind(ctx, n->right) &&
        node_size(ctx, inner->right) == node_size(ctx, n->right) && !inner->levels && !n->levels && !is_floating(n)) {
        std::swap(inner->right, n->right);
        refresh_node(inner);
        n->left = tree_canon(ctx, inner);
        refresh_node(n);
        ctx.nodes.changed = true;
    }
    return n;
}

tree_node* tree_rewrite(cg_context& ctx, tree_node* n) {
    if (!n) return n;
    n->mark = 0;
    uint32_t arity = op_arity(n->op);
    if ((arity == DOPE_UNARY || arity == DOPE_BINARY) && n->left) {
        n->left = tree_rewrite(ctx, n->left);
        if (arity == DOPE_BINARY && n->right) n->right = tree_rewrite(ctx, n->right);
        refresh_node(n);
        tree_node* hoisted = hoist_sequences(ctx, n);
        if (hoisted != n) return hoisted;
    }
    return rewrite_node(ctx, n);
}

}  // namespace cg
