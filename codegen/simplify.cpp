// Statement simplification.
#include "codegen/simplify.h"

#include <vector>

#include "codegen/bitfields.h"
#include "codegen/calls.h"
#include "codegen/context.h"
#include "codegen/defer.h"
#include "codegen/fold.h"
#include "codegen/matcher.h"
#include "codegen/predicates.h"
#include "codegen/reader.h"
#include "codegen/rewrite.h"
#include "codegen/switch.h"
#include "codegen/varflow.h"
#include "common/alert.h"

namespace cg {

namespace {

constexpr size_t max_moved_increments = 10;

bool is_seq(const tree_node* n) { return n && (n->op == OP_SEQ || n->op == OP_ARGSEQ); }

tree_node* label_const(cg_context& ctx, int32_t number) { return const_make(ctx, number); }

int32_t new_label(cg_context& ctx) {
    if (ctx.simp.labels >= INT32_MAX - simplifier_label_base) {
        alert_message(746, static_cast<int>(ctx.simp.labels));
        return simplifier_label_base;
    }
    return simplifier_label_base + ++ctx.simp.labels;
}

void emit_statement(cg_context& ctx, tree_node* t) {
    if (ctx.simp.emit_statement) ctx.simp.emit_statement(ctx, t);
    else if (output_deferred(ctx)) defer_statement(ctx, t, false);
    else generate_statement(ctx, t);
}

// The last operations in an agreed order for the code selector.
tree_node* order_operands(cg_context& ctx, tree_node* n) {
    if (!n) return n;
    uint32_t arity = op_arity(n->op);
    if ((arity == DOPE_UNARY || arity == DOPE_BINARY) && n->left) n->left = order_operands(ctx, n->left);
    if (arity == DOPE_BINARY && n->right) n->right = order_operands(ctx, n->right);
    if (n->op == OP_CALL || n->op == OP_CALLZAP) ctx.simp.call_seen = true;
    if (arity != DOPE_BINARY || !n->left || !n->right) return n;
    tree_node *l = n->left, *r = n->right;
    switch (n->op) {
    case OP_GT: case OP_LE:
        n->op = n->op == OP_GT ? OP_LT : OP_GE;
        std::swap(n->left, n->right);
        break;
    case OP_ADD:
        if (is_floating(n)) break;
        if (r->op == OP_NEG) {
            n->op = OP_SUB;
            n->right = keep_left(ctx, r);
        } else if (l->op == OP_NEG && !n->levels) {
            n->op = OP_SUB;
            n->left = r;
            n->right = keep_left(ctx, l);
        }
        break;
    case OP_ASG_ADD:
        if (r->op == OP_NEG) {
            n->op = OP_ASG_SUB;
            n->right = keep_left(ctx, r);
        }
        break;
    case OP_SUB:
        if (is_floating(n)) break;
        if (r->op == OP_ADD && !r->levels) {
            // a - (b + c) -> (a - b) - c
            tree_node* b = r->left;
            tree_node* c = r->right;
            ctx.nodes.free(r);
            n->left = tree_make(ctx, OP_SUB, l, b);
            n->right = c;
        } else if (r->op == OP_NEG) {
            n->op = OP_ADD;
            n->right = keep_left(ctx, r);
        } else if (l->op == OP_NEG && !n->levels) {
            n->op = OP_ADD;
            n->left = keep_left(ctx, l);
            return tree_make(ctx, OP_NEG, n, nullptr);
        }
        break;
    default: break;
    }
    refresh_node(n);
    return n;
}

// Post-increments and -decrements by 1 of a symbol, outside ordered operators.
void find_increments(tree_node** slot, std::vector<tree_node**>& out) {
    tree_node* n = *slot;
    if (!n || out.size() >= max_moved_increments) return;
    if ((n->op == OP_POSTINC || n->op == OP_POSTDEC) && n->left && n->left->op == OP_ID && n->right &&
        n->right->op == OP_CONST && n->right->value == 1) {
        out.push_back(slot);
        return;
    }
    if (dope_table[n->op] & DOPE_ORDERED) return;
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) find_increments(&n->left, out);
    if (arity == DOPE_BINARY) find_increments(&n->right, out);
}

// The parser numbers its labels below the switch code's range; a label beyond it would be
// taken for another.
void check_label(const tree_node* n) {
    const tree_node* label = nullptr;
    if (n->op == OP_CJUMP) label = n->right;
    else if (n->op == OP_GOTO || n->op == OP_LABEL) label = n->left;
    if (label && label->op == OP_CONST && label->value >= switch_label_base)
        alert_message(746, static_cast<int>(label->value));
}

tree_node* make_jump(cg_context& ctx, tree_node* cond, int32_t label) {
    return tree_make(ctx, OP_CJUMP, cond, label_const(ctx, label));
}

int emit_label(cg_context& ctx, int32_t label) {
    emit_statement(ctx, tree_make(ctx, OP_LABEL, label_const(ctx, label), nullptr));
    return 1;
}

int emit_goto(cg_context& ctx, int32_t label) {
    emit_statement(ctx, tree_make(ctx, OP_GOTO, label_const(ctx, label), nullptr));
    return 1;
}

// "$" on (x = c) compared with 0: the assignment, then a jump only when it is taken.
bool assignment_branch(cg_context& ctx, tree_node* q, int& count) {
    if (q->op != OP_CJUMP || !q->left) return false;
    tree_node* cmp = q->left;
    if ((cmp->op != OP_EQ && cmp->op != OP_NE) || !cmp->left || cmp->left->op != OP_ASSIGN ||
        !node_is_zero(cmp->right) || !cmp->left->right || cmp->left->right->op != OP_CONST)
        return false;
    if (ctx.opt.warning_level < 0) alert_message(758);
    bool nonzero = cmp->left->right->value != 0;
    bool taken = cmp->op == OP_EQ ? !nonzero : nonzero;
    tree_node* assign = cmp->left;
    cmp->left = nullptr;
    count = simplify_stmt(ctx, assign);
    if (taken && q->right && q->right->op == OP_CONST) count += emit_goto(ctx, q->right->value);
    tree_free(ctx, q);
    return true;
}

bool is_compare(uint32_t op) {
    return op == OP_EQ || op == OP_NE || op == OP_LT || op == OP_LE || op == OP_GT || op == OP_GE;
}

bool is_choice(const tree_node* n) {
    return n && n->op == OP_QUEST && n->left && n->right && n->right->op == OP_COLON && n->right->left &&
           n->right->right;
}

// Jumps that select one of two statements: "$" (!c, A); first; "$U" B; ":U" A; second; ":U" B.
int emit_choice(cg_context& ctx, tree_node* c, tree_node* first, tree_node* second) {
    int32_t other = new_label(ctx), end = new_label(ctx);
    int count = simplify_stmt(ctx, make_jump(ctx, tree_make(ctx, OP_NOT, c, nullptr), other));
    count += simplify_stmt(ctx, first);
    count += emit_goto(ctx, end);
    count += emit_label(ctx, other);
    count += simplify_stmt(ctx, second);
    count += emit_label(ctx, end);
    return count;
}

// A jump on a condition made of && || ?: becomes jumps on its parts, so that each part is
// evaluated only when the parts before it left the outcome open.
bool split_jump(cg_context& ctx, tree_node* q, int& count) {
    if (q->op != OP_CJUMP || !q->left || !q->right || q->right->op != OP_CONST) return false;
    tree_node* c = q->left;
    int32_t target = q->right->value;
    tree_node *a = nullptr, *b = nullptr;
    if (c->op == OP_LOR || c->op == OP_LAND) {
        a = c->left;
        b = c->right;
        if (!a || !b) return false;
        bool any = c->op == OP_LOR;
        ctx.nodes.free(c);
        if (any) {
            count = simplify_stmt(ctx, make_jump(ctx, a, target));
        } else {
            int32_t skip = new_label(ctx);
            count = simplify_stmt(ctx, make_jump(ctx, tree_make(ctx, OP_NOT, a, nullptr), skip));
            count += simplify_stmt(ctx, make_jump(ctx, b, target));
            b = nullptr;
            count += emit_label(ctx, skip);
        }
        if (b) count += simplify_stmt(ctx, make_jump(ctx, b, target));
        tree_free(ctx, q->right);
        ctx.nodes.free(q);
        return true;
    }
    // c ? a : b, !(c ? a : b), and (c ? a : b) compared with a constant: the test moves into
    // the alternatives.
    tree_node* choice = c->op == OP_NOT || (is_compare(c->op) && c->right && c->right->op == OP_CONST) ? c->left : c;
    if (!is_choice(choice)) return false;
    tree_node* alts = choice->right;
    a = alts->left;
    b = alts->right;
    if (c != choice) {
        if (c->op == OP_NOT) {
            a = tree_make(ctx, OP_NOT, a, nullptr);
            b = tree_make(ctx, OP_NOT, b, nullptr);
        } else {
            a = tree_make(ctx, c->op, a, tree_copy(ctx, c->right));
            b = tree_make(ctx, c->op, b, c->right);
        }
        ctx.nodes.free(c);
    }
    tree_node* test = choice->left;
    ctx.nodes.free(alts);
    ctx.nodes.free(choice);
    count = emit_choice(ctx, test, make_jump(ctx, a, target), make_jump(ctx, b, target));
    tree_free(ctx, q->right);
    ctx.nodes.free(q);
    return true;
}

// A store or return of c ? a : b, of a && or || value, or of a comparison wider than a byte:
// jumps select between the store (return) of each alternative, or of 1 and 0.
bool choose_value(cg_context& ctx, tree_node* q, int& count, bool any_size = false) {
    tree_node** slot = nullptr;
    if (q->op == OP_ASSIGN && q->left && q->right && !tree_has_effect(q->left)) slot = &q->right;
    else if (q->op == OP_RETURN && q->left) slot = &q->left;
    if (!slot) return false;
    tree_node* value = *slot;
    tree_node* inner = value;
    while (inner->op == OP_CONV && inner->left) inner = inner->left;
    bool choice = is_choice(inner);
    bool logical = inner->op == OP_LAND || inner->op == OP_LOR ||
                   ((is_compare(inner->op) || inner->op == OP_NOT) && (any_size || node_size(ctx, value) != 1));
    if (!choice && !logical) return false;
    tree_node *test = inner, *a = nullptr, *b = nullptr;
    if (choice) {
        test = inner->left;
        a = inner->right->left;
        b = inner->right->right;
        // Each alternative goes through every conversion of the chain, innermost first: a
        // narrowing one in the middle, as in (u32)(u8)(c ? x : y), must still cut the value.
        std::vector<const tree_node*> chain;
        for (const tree_node* n = value; n != inner; n = n->left) chain.push_back(n);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            a = tree_convert(ctx, a, *it);
            b = tree_convert(ctx, b, *it);
        }
        if (chain.empty()) {
            a = tree_convert(ctx, a, value);
            b = tree_convert(ctx, b, value);
        }
        ctx.nodes.free(inner->right);
        ctx.nodes.free(inner);
    } else {
        a = const_make(ctx, 1);
        b = const_make(ctx, 0);
        const_convert(ctx, a, value, false);
        const_convert(ctx, b, value, false);
    }
    for (tree_node* n = value; n != inner;) {
        tree_node* next = n->left;
        tree_free(ctx, n->right);   // a conversion's type leaf
        ctx.nodes.free(n);
        n = next;
    }
    *slot = nullptr;
    tree_node* first = tree_copy(ctx, q);
    *(first->op == OP_ASSIGN ? &first->right : &first->left) = a;
    *slot = b;
    count = emit_choice(ctx, test, first, q);
    return true;
}

// --- values taken out of a statement no rule derives ---------------------------------------
// A call whose result feeds further arithmetic, an assignment used for its value, a computed
// value compared, or two operands that both need the pointer register: each is computed by a
// statement of its own into a temporary (or, for an assignment, into its own variable) ahead
// of the statement, which then reads the temporary.

bool is_call_value(const tree_node* n) {
    while (n && n->op == OP_ARGSEQ) n = n->right;
    return n && (n->op == OP_CALL || n->op == OP_CALLZAP);
}

bool is_compound_assignment(uint32_t op) {
    switch (op) {
    case OP_ASSIGN: case OP_ASG_MOD: case OP_ASG_AND: case OP_ASG_MUL: case OP_ASG_ADD: case OP_ASG_SUB:
    case OP_ASG_DIV: case OP_ASG_SHL: case OP_ASG_SHR: case OP_ASG_XOR: case OP_ASG_OR:
        return true;
    default: return false;
    }
}

bool is_aggregate(const tree_node* n) {
    return n && !n->levels && n->type && (n->type->kind == sym_kind::aggregate || n->type->kind == sym_kind::union_reading);
}

bool is_bit_value(const tree_node* n) {
    return n && !n->levels && n->type && base_class(n->type) == value_class::bit;
}

// A memory read whose address is computed (it goes through FSR).
bool is_indirect_read(const tree_node* n) {
    while (n && n->op == OP_CONV && n->left) n = n->left;
    if (!n || n->op != OP_DEREF || !n->left) return false;
    const tree_node* a = n->left;
    if (a->op == OP_ADDR) return false;
    return !(a->op == OP_ADD && a->left && a->left->op == OP_ADDR && a->right && a->right->op == OP_CONST);
}

// A value read from the data EEPROM.
bool is_eeprom_read(const tree_node* n) {
    return !n->levels && (n->pclass & PC_EEPROM) && (n->op == OP_ID || n->op == OP_DEREF);
}

// A value read from a const object in program memory, named or at a constant offset in it.
bool is_code_read(const tree_node* n) {
    if (n->op == OP_DEREF && n->left) {
        const tree_node* a = n->left;
        if (a->op == OP_ADD && a->right && a->right->op == OP_CONST) a = a->left;
        if (a->op != OP_ADDR) return false;
        n = a->left;
    }
    return n && n->op == OP_ID && n->sym && is_global_storage(n->sym->sclass) && n->sym->reg < 0 &&
           n->sym->levels == 0 && (n->sym->classes & PC_CONST);
}

tree_node** below_conversions(tree_node** slot) {
    while ((*slot)->op == OP_CONV && (*slot)->left) slot = &(*slot)->left;
    return slot;
}

// Whether computing n leaves a value in the scratch bytes (btemp..): a call's result, a run-time
// routine's, or a shift done in place there. A byte shift by a constant is done in W.
// `in_address`: n is an operand of pointer arithmetic, where a byte index scaled by a constant
// shift is worked out in W on its way to FSR.
bool uses_scratch(cg_context& ctx, const tree_node* n, bool in_address = false) {
    if (!n) return false;
    switch (n->op) {
    case OP_CALL: case OP_CALLZAP: case OP_MUL: case OP_DIV: case OP_MOD:
        return true;
    case OP_SHL: case OP_SHR:
        // Any other shift that is not done in place works in the scratch bytes, a byte's by a
        // constant too (a bit-field's value is extracted so).
        if (!(in_address && n->right && n->right->op == OP_CONST && node_size(ctx, n) == 1)) return true;
        break;
    default: break;
    }
    const bool address = (n->op == OP_ADD || n->op == OP_SUB) && n->levels;
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_BINARY && uses_scratch(ctx, n->right, address)) return true;
    return (arity == DOPE_UNARY || arity == DOPE_BINARY) &&
           uses_scratch(ctx, n->left, address || (in_address && n->op == OP_CONV));
}

// An operator whose left operand is loaded into the scratch bytes: a multiplication, division
// or modulo, or a shift other than a byte's by a constant.
bool takes_operand_in_scratch(cg_context& ctx, const tree_node* n) {
    if (n->levels || node_class(n) == value_class::floating) return false;
    switch (n->op) {
    case OP_MUL: case OP_DIV: case OP_MOD: case OP_SHL: case OP_SHR:
        return uses_scratch(ctx, n) && n->left;
    default: return false;
    }
}

// A value that is worked out in the scratch bytes by something below it, not by its own
// operator (whose result the next routine takes where it lies).
bool computes_in_scratch(cg_context& ctx, const tree_node* n) {
    switch (n->op) {
    case OP_CALL: case OP_CALLZAP: case OP_MUL: case OP_DIV: case OP_MOD: case OP_SHL: case OP_SHR:
        return false;
    default:
        return n->op != OP_ID && n->op != OP_CONST && !tree_has_effect(n) && node_class(n) != value_class::floating &&
               uses_scratch(ctx, n);
    }
}

// A value made by jumps: a comparison, a logical operator, or c ? a : b.
bool is_jump_value(const tree_node* n) {
    return n && (is_compare(n->op) || n->op == OP_NOT || n->op == OP_LAND || n->op == OP_LOR || is_choice(n));
}

bool is_shift(uint32_t op) { return op == OP_SHL || op == OP_SHR || op == OP_ASG_SHL || op == OP_ASG_SHR; }

bool is_leaf_operand(const tree_node* n) { return n->op == OP_ID || n->op == OP_CONST; }

// A value read through a pointer to const, which may lead into program memory.
bool is_const_pointer_read(const tree_node* n) {
    return n->op == OP_DEREF && !n->levels && n->left && n->left->levels && (n->left->pclass & PC_CONST) &&
           is_indirect_read(n) && !tree_has_effect(n);
}

// An assignment to a plain variable, whose value is then that variable's.
bool is_plain_assignment(const tree_node* n) {
    return n->op == OP_ASSIGN && n->left && n->left->op == OP_ID && !(n->left->pclass & PC_VOLATILE) &&
           !is_aggregate(n) && !is_bit_value(n->left);
}

// An assignment or a post-increment, whose value is what it stored or the old value.
bool is_stored_value(const tree_node* n) {
    return is_compound_assignment(n->op) || n->op == OP_POSTINC || n->op == OP_POSTDEC;
}

// The address of a function.
bool is_function_address(const tree_node* n) {
    return n->op == OP_ADDR && n->left && n->left->op == OP_ID && outer_level(n->left->levels) == LEVEL_FUNCTION;
}

// A float value that the run-time float package computes into the scratch bytes: arithmetic,
// a call, a conversion from an integer or to a narrower float, or the negation of one of them.
bool is_float_routine_value(cg_context& ctx, const tree_node* n) {
    while (n && n->op == OP_NEG && !n->levels) n = n->left;
    if (!n || n->levels || node_class(n) != value_class::floating) return false;
    if (n->op == OP_CONV)
        return n->left && (node_class(n->left) != value_class::floating || node_size(ctx, n->left) > node_size(ctx, n));
    return (op_arity(n->op) == DOPE_BINARY && is_arithmetic(n->op)) || is_call_value(n);
}

// An operand worked out by an operator of two operands, with no side effect.
bool is_computed(const tree_node* n) {
    while (n->op == OP_CONV && n->left) n = n->left;
    return op_arity(n->op) == DOPE_BINARY && is_arithmetic(n->op) && !tree_has_effect(n) && node_class(n) != value_class::floating;
}

// A computed number that moves a pointer (not a pointer sum itself).
bool is_offset(const tree_node* n) { return !n->levels && is_computed(n); }

bool is_integer_value(const tree_node* n) {
    const value_class c = node_class(n);
    return !n->levels && (c == value_class::signed_ || c == value_class::unsigned_);
}

// An integer negated or complemented: the byte rules leave such a value in W alone, so it
// cannot meet another value that only W holds.
bool is_integer_unary(const tree_node* n) {
    return (n->op == OP_NEG || n->op == OP_COMPL) && n->left && !tree_has_effect(n) && is_integer_value(n);
}

// The argument of a call that travels in W (a first byte argument left in the list), or null.
tree_node** register_argument(tree_node* call) {
    tree_node* list = call->right;
    if (!list || list->op < OP_COUNT1 || list->op > OP_COUNT4) return nullptr;
    tree_node** slot = &list->left;
    while (*slot && (*slot)->op == OP_ARG) slot = &(*slot)->left;
    return *slot && (*slot)->op != OP_ARGEND ? slot : nullptr;
}

enum class hoist_mode {
    pairs,      // only operands that would both need FSR at once
    values,     // jump-made values, calls and assignments inside expressions
    result,     // a returned value as a whole
    flatten,    // every integer operation inside another: one statement each
    addresses,  // every computed address of an object read or stored: into a pointer first
};

struct hoister {
    cg_context& ctx;
    hoist_mode mode;
    std::vector<tree_node*> prefix;   // statements to run first, in order

    // The value at *slot is computed into a new temporary first.
    void to_temporary(tree_node** slot) {
        tree_node* n = *slot;
        symbol* t = value_temporary(ctx, n);
        tree_node* id = make_id(ctx, t);
        copy_value_type(id, n);
        id->pclass = t->levels ? id->pclass : t->classes;
        prefix.push_back(tree_make(ctx, OP_ASSIGN, id, n));
        tree_node* use = tree_copy(ctx, id);
        *slot = use;
    }

    bool worth_taking(const tree_node* n) const {
        if (mode == hoist_mode::pairs || is_aggregate(n)) return false;
        if (is_call_value(n)) return true;
        // c ? a : b inside an expression: a temporary is given the chosen value by jumps.
        if (is_choice(n)) return true;
        // A comparison's or logical operator's value is a bit until converted: the conversion
        // gives the temporary its type. A converted c ? a : b is not such a 0-or-1 value: the
        // choice below the conversion gets a temporary of its own type, unless the conversion
        // keeps only a byte of it (which a byte temporary holds as well).
        if (n->op == OP_CONV) {
            const tree_node* v = n;
            while (v->op == OP_CONV && v->left) v = v->left;
            const value_class c = node_class(n);
            const bool to_byte = !n->levels && node_size(ctx, n) == 1 &&
                                 (c == value_class::signed_ || c == value_class::unsigned_);
            if (is_jump_value(v) && (!is_choice(v) || to_byte) && c != value_class::bit) return true;
        }
        if (is_stored_through_pointer(n) || is_post_step_for_value(n) || is_volatile_step(n)) return true;
        // x op= y, *p op= y or a bit-field's f op= y used for its value: the assignment
        // first, then x, *p or the field is read.
        return is_compound_assignment(n->op) && n->left &&
               (n->left->op == OP_ID || n->left->op == OP_DEREF ||
                (n->left->op == OP_BITFIELD && n->left->left && !tree_has_effect(n->left->left) &&
                 !is_volatile_field(n->left))) &&
               !(n->left->pclass & PC_VOLATILE);
    }

    // *d++ = v used for its value: the address may not be computed twice.
    static bool is_stored_through_pointer(const tree_node* n) {
        return n->op == OP_ASSIGN && n->left && n->left->op == OP_DEREF && n->right && !is_aggregate(n);
    }

    // x++ or x-- used for its value where no rule both yields the old value and steps x: the
    // old value is read into a temporary, then x stepped as a statement of its own. So for an
    // integer reached through a pointer (p reached without a side effect), a float, and a
    // bit-field; never for a volatile object, which would be read twice.
    static bool is_plain_post_step(const tree_node* n) {
        return (n->op == OP_POSTINC || n->op == OP_POSTDEC) && n->left && n->right && !tree_has_effect(n->left) &&
               !(n->left->pclass & PC_VOLATILE) && !is_aggregate(n);
    }
    static bool is_float_or_field_step(const tree_node* n) {
        return is_plain_post_step(n) && !n->levels &&
               (node_class(n) == value_class::floating || n->left->op == OP_BITFIELD);
    }
    static bool is_post_step_for_value(const tree_node* n) {
        return is_float_or_field_step(n) ||
               (is_plain_post_step(n) && n->left->op == OP_DEREF && node_class(n) != value_class::floating);
    }

    // A 0-or-1 value is kept in a byte and widened where it is read.
    void to_byte_temporary(tree_node** slot) {
        tree_node* n = *slot;
        tree_node like;
        copy_value_type(&like, n);
        tree_node byte = basic_probe(ctx, "uc");
        *slot = tree_convert(ctx, n, &byte);
        to_temporary(slot);
        *slot = tree_convert(ctx, *slot, &like);
    }

    // A volatile object: declared so, a member of a volatile structure, or what a pointer to
    // volatile leads to (a member's address is the pointer moved, which keeps its classes).
    static bool is_volatile_object(const tree_node* x) {
        return ((x->op == OP_ID || x->op == OP_DEREF) && !x->levels && ((x->pclass | x->qual) & PC_VOLATILE)) ||
               (x->op == OP_DEREF && x->left && x->left->levels && (x->left->pclass & PC_VOLATILE));
    }
    static bool is_volatile_field(const tree_node* f) { return (f->qual & PC_VOLATILE) || is_volatile_object(f->left); }

    // The object a step changes: the variable or pointed-to integer, or a field's storage unit.
    static tree_node* stepped_object(tree_node* x) { return x->op == OP_BITFIELD ? x->left : x; }

    // x op= y, x++ or x-- of a volatile integer or bit-field used for its value: x is read
    // once into a temporary (its old value, or the new one computed from it), which x is given
    // and which is the value, so that x is read once and written once, never read back.
    static bool is_volatile_step(const tree_node* n) {
        const tree_node* x = n->left;
        const bool step = plain_operator(n->op) != OP_NONE || n->op == OP_POSTINC || n->op == OP_POSTDEC;
        if (!step || !x || !n->right || !is_integer_value(x)) return false;
        const bool field = x->op == OP_BITFIELD && x->left && is_volatile_field(x);
        const tree_node* unit = field ? x->left : x;
        return (unit->op == OP_ID || (unit->op == OP_DEREF && unit->left && !address_has_effect(unit->left))) &&
               (field || is_volatile_object(x));
    }

    // A bit-field's new value is what the field keeps of it: the value of the assignment is
    // the temporary cut to the field's width (sign-extended for a signed field), kept in a
    // temporary of its own after the store.
    void cut_to_field(tree_node** slot, const tree_node* field) {
        tree_node uc = basic_probe(ctx, "uc");
        *slot = field_bits_value(ctx, tree_convert(ctx, *slot, &uc), field, 0);
        to_temporary(slot);
    }

    void take_volatile_step(tree_node** slot) {
        tree_node* n = *slot;
        tree_node* x = n->left;
        tree_node* unit = stepped_object(x);
        if (unit->op == OP_DEREF && !is_leaf_operand(unit->left) && !tree_is_const_address(unit->left)) {
            to_temporary(&unit->left);
            refresh_node(unit);
            if (unit != x) refresh_node(x);
        }
        const bool post = n->op == OP_POSTINC || n->op == OP_POSTDEC;
        const uint32_t op = post ? (n->op == OP_POSTINC ? OP_ADD : OP_SUB) : plain_operator(n->op);
        constexpr auto not_volatile = static_cast<uint16_t>(~PC_VOLATILE);
        tree_node* read = tree_copy(ctx, x);
        if (post) {
            to_temporary(&read);   // the old value
            read->sym->classes &= not_volatile;
            read->pclass &= not_volatile;
            read->qual &= not_volatile;
            prefix.back()->left->pclass &= not_volatile;
            prefix.back()->left->qual &= not_volatile;
        }
        tree_node* value = tree_make(ctx, op, post ? tree_copy(ctx, read) : read, n->right);
        copy_value_type(value, x);
        value->pclass &= static_cast<uint16_t>(~(PC_VOLATILE | PC_EEPROM));
        value->qual &= not_volatile;
        refresh_node(value);
        if (!post) to_temporary(&value);   // the new value
        *slot = tree_copy(ctx, post ? read : value);
        n->op = OP_ASSIGN;
        n->right = value;
        refresh_node(n);
        prefix.push_back(n);
        if (!post && x->op == OP_BITFIELD) cut_to_field(slot, x);
    }

    void take(tree_node** slot) {
        tree_node* n = *slot;
        if (is_volatile_step(n)) {
            take_volatile_step(slot);
            return;
        }
        if (is_post_step_for_value(n)) {
            *slot = tree_copy(ctx, n->left);
            to_temporary(slot);
            n->op = n->op == OP_POSTINC ? OP_ASG_ADD : OP_ASG_SUB;
            prefix.push_back(n);
            return;
        }
        if (is_stored_through_pointer(n)) {
            // The value into a temporary, stored from there, and the temporary read.
            to_temporary(&n->right);
            tree_node* use = tree_copy(ctx, n->right);
            prefix.push_back(n);
            *slot = use;
            return;
        }
        if (!is_choice(n) && !is_call_value(n) && !is_compound_assignment(n->op)) {
            if (node_class(n) == value_class::floating) {
                // A 0-or-1 value as a float: the byte is kept, the float made from it where read.
                tree_node* conv = n;
                while (conv->left->op == OP_CONV && conv->left->left) conv = conv->left;
                tree_node byte = basic_probe(ctx, "uc");
                conv->left = tree_convert(ctx, conv->left, &byte);
                to_temporary(&conv->left);
                return;
            }
            to_byte_temporary(slot);
            return;
        }
        if (is_compound_assignment(n->op)) {
            // *f() += k: the address is worked out once, before the assignment, and read again
            // from its temporary.
            if (n->left->op == OP_DEREF && n->left->left && !is_leaf_operand(n->left->left)) {
                to_temporary(&n->left->left);
                refresh_node(n->left);
                refresh_node(n);
            }
            tree_node* use = tree_copy(ctx, n->left);
            prefix.push_back(n);
            *slot = use;
            return;
        }
        to_temporary(slot);
    }

    // A computed shift count is computed first into a temporary of its own.
    void shift_count_first(tree_node* n) {
        if (!is_shift(n->op) || mode == hoist_mode::pairs || !n->right) return;
        tree_node** count = below_conversions(&n->right);
        if (!is_leaf_operand(*count) && !tree_has_effect(n->left)) to_temporary(count);
    }

    static bool is_integer_operation(const tree_node* n) {
        const value_class c = node_class(n);
        return is_arithmetic(n->op) && !n->levels && (c == value_class::signed_ || c == value_class::unsigned_);
    }

    // An operand that gets a temporary of its own when it meets an integer operation.
    static bool is_integer_operand_to_take(const tree_node* n) {
        return is_integer_operation(n) || is_integer_unary(n);
    }

    // Operands that are themselves integer operations are computed into temporaries first,
    // innermost first, so that each operation meets plain operands (what the rules of a
    // run-time routine's operands and results ask for). Only for statements without side
    // effects in their values, whose order therefore cannot change.
    void flatten(tree_node* n) {
        if (!n) return;
        const uint32_t op = n->op;
        const uint32_t arity = op_arity(op);
        if (op == OP_LAND || op == OP_LOR || is_choice(n) || op == OP_COLON || op == OP_SEQ || op == OP_ARGSEQ ||
            op == OP_CJUMP || op == OP_CALL || op == OP_CALLZAP || is_aggregate(n) || node_class(n) == value_class::floating)
            return;
        if (arity == DOPE_UNARY) {
            flatten(n->left);
            return;
        }
        if (arity != DOPE_BINARY) return;
        if (is_compound_assignment(op)) {
            if (op != OP_ASSIGN) return;
            flatten(n->right);
            // Stored through a pointer: the value is worked out before FSR takes the address.
            tree_node** value = below_conversions(&n->right);
            if (is_indirect_read(n->left) && is_integer_operation(*value)) to_temporary(value);
            refresh_node(n);
            return;
        }
        // A pointer moved by a computed offset (an element of an array of arrays, its address
        // built a dimension at a time) takes the offset as a plain operand too.
        const bool pointer_step = (op == OP_ADD || op == OP_SUB) && n->levels;
        for (tree_node** side : {&n->left, &n->right}) {
            tree_node** inner = below_conversions(side);
            flatten(*inner);
            if ((is_integer_operation(n) || pointer_step) && is_integer_operand_to_take(*inner)) to_temporary(inner);
        }
        refresh_node(n);
    }

    // The objects that are read or stored at a computed address are reached through a pointer
    // temporary that holds it, worked out first: an address no rule takes as it stands (an
    // EEPROM object at a variable index, a member of an element of an array reached through a
    // pointer read through a pointer) is then computed by a statement of its own. Operands
    // evaluated only on some paths, and addresses with side effects, stay as they are.
    void addresses_first(tree_node* n) {
        if (!n) return;
        const uint32_t op = n->op;
        if (op == OP_LAND || op == OP_LOR || is_choice(n) || op == OP_COLON || op == OP_SEQ || op == OP_ARGSEQ ||
            op == OP_CALL || op == OP_CALLZAP)
            return;
        const uint32_t arity = op_arity(op);
        if (op == OP_DEREF && n->left && !is_leaf_operand(n->left) && !tree_is_const_address(n->left) &&
            !tree_has_effect(n->left) && !is_aggregate(n)) {
            to_temporary(&n->left);
            refresh_node(n);
            return;
        }
        if (arity == DOPE_UNARY || arity == DOPE_BINARY) addresses_first(n->left);
        if (arity == DOPE_BINARY) addresses_first(n->right);
        refresh_node(n);
    }

    // An lvalue stays where it is; only what computes its address is looked at.
    void walk_lvalue(tree_node* n) {
        if (n && n->op == OP_DEREF) walk(&n->left, false);
    }

    void walk(tree_node** slot, bool top) {
        tree_node* n = *slot;
        if (!n) return;
        if (mode == hoist_mode::flatten) {
            flatten(n);
            return;
        }
        if (mode == hoist_mode::addresses) {
            addresses_first(n);
            return;
        }
        if (mode == hoist_mode::result) {
            // The return rules want the value's scratch bytes free while it is computed: it is
            // computed into a temporary first, by rules that need no such bytes.
            if (top && n->op == OP_RETURN && n->left && !is_leaf_operand(n->left) && !is_aggregate(n->left) &&
                node_class(n->left) != value_class::floating)
                to_temporary(&n->left);
            return;
        }
        if ((!top || is_float_or_field_step(n)) && worth_taking(n)) {
            take(slot);
            return;
        }
        // (void) *vp: the volatile object is read into a temporary, which is then left alone.
        if (top && mode == hoist_mode::values && n->op == OP_DEREF && !n->levels && (n->pclass & PC_VOLATILE) &&
            !is_aggregate(n) && !is_bit_value(n) && !tree_has_effect(n->left)) {
            to_temporary(slot);
            return;
        }
        // f().m: a returned structure has no address until it is stored, so the call's
        // result goes to a temporary whose member is then read like any variable's.
        if (n->op == OP_MEMBER && mode != hoist_mode::pairs && is_call_value(n->left) && is_aggregate(n->left)) {
            to_temporary(&n->left);
            refresh_node(n);
            return;
        }
        const uint32_t op = n->op;
        const uint32_t arity = op_arity(op);
        // Operands evaluated only on some paths stay with their operator.
        if (op == OP_LAND || op == OP_LOR || is_choice(n) || op == OP_COLON) return;
        if (arity == DOPE_UNARY) {
            walk(&n->left, op == OP_RETURN);
            // *(const T *)&x, also at a constant offset: the converted address is kept as the
            // pointer it now is first.
            if (op == OP_DEREF && mode != hoist_mode::pairs && n->left) {
                tree_node** address = &n->left;
                if ((*address)->op == OP_ADD && (*address)->right && (*address)->right->op == OP_CONST)
                    address = &(*address)->left;
                const tree_node* a = *address;
                if (a->op == OP_CONV && a->left && a->left->op == OP_ADDR && a->levels && (a->pclass & PC_CONST)) {
                    to_temporary(address);
                    refresh_node(n->left);
                }
            }
            // A float is negated by copying it with its sign bit flipped: a value the float
            // package computes into the scratch bytes is stored in a temporary first.
            if (op == OP_NEG && mode != hoist_mode::pairs && !n->levels && node_class(n) == value_class::floating &&
                n->left && n->left->op != OP_NEG && is_float_routine_value(ctx, n->left))
                to_temporary(&n->left);
            return;
        }
        if (arity != DOPE_BINARY) return;
        if (op == OP_ARGSEQ || op == OP_SEQ) {
            // Argument stores run before the call: when the call's side had to move out, they
            // move out ahead of it.
            walk(&n->left, true);
            if (mode != hoist_mode::pairs) {
                prefix.push_back(n->left);
                *slot = n->right;
                ctx.nodes.free(n);
                walk(slot, top);
                return;
            }
            size_t mark = prefix.size();
            walk(&n->right, top);
            if (prefix.size() > mark) {
                prefix.insert(prefix.begin() + static_cast<std::ptrdiff_t>(mark), n->left);
                *slot = n->right;
                ctx.nodes.free(n);
            }
            return;
        }
        if (op == OP_CJUMP) {
            walk(&n->left, true);
            return;
        }
        if (is_compound_assignment(op)) {
            // x op= (a < b): the right side is an operand, not a value stored as it is.
            const size_t before_right = prefix.size();
            walk(&n->right, top && op == OP_ASSIGN);
            // v = (a && b) with v volatile: the value is worked out in a temporary first.
            if (op == OP_ASSIGN && top && prefix.size() == before_right && n->left->op == OP_ID &&
                (n->left->pclass & PC_VOLATILE) && worth_taking(n->right)) {
                take(&n->right);
                refresh_node(n);
                return;
            }
            // *p++ = (a < b) stored wider than a byte: no rule both steps the pointer and
            // widens the compare's bit, so the bit is kept in a byte first.
            if (op == OP_ASSIGN && top && prefix.size() == before_right && n->left->op == OP_DEREF &&
                tree_has_effect(n->left->left) && node_size(ctx, n) > 1 && n->right->op == OP_CONV &&
                worth_taking(n->right)) {
                take(&n->right);
                refresh_node(n);
                return;
            }
            shift_count_first(n);
            // A call in the destination's index and one in the value: the rules store the value
            // call's arguments before the index call runs, and two callees on no common path may
            // share their argument bytes. The value is computed first, before the index's
            // argument stores move out.
            if (op == OP_ASSIGN && mode != hoist_mode::pairs && !is_aggregate(n) && tree_has_call(n->left) &&
                tree_has_call(n->right))
                to_temporary(&n->right);
            walk_lvalue(n->left);
            // x = a = v: a is given its value first, then x is given a's.
            tree_node** inner = below_conversions(&n->right);
            if (op == OP_ASSIGN && mode != hoist_mode::pairs && is_plain_assignment(*inner)) {
                take(inner);
                refresh_node(n);
                return;
            }
            // x = (a[i] <<= 2), x = (*p = v), x = a[i]++: the inner store or step is a statement
            // of its own first, then x is given the object's (or the old) value.
            if (op == OP_ASSIGN && top && mode != hoist_mode::pairs && is_stored_value(*inner) && worth_taking(*inner)) {
                take(inner);
                refresh_node(n);
                return;
            }
            // Both sides through FSR: the source is copied out first. A structure returned
            // by a call that may itself use FSR waits in a temporary too, and so does any
            // result wider than W: the destination's address is worked out in the scratch
            // bytes that hold it.
            if (op == OP_ASSIGN && is_indirect_read(n->left) &&
                (is_indirect_read(n->right) ||
                 (is_call_value(n->right) && (node_size(ctx, n->right) > 1 || (is_aggregate(n) && mode != hoist_mode::pairs)))))
                to_temporary(&n->right);
            else if (op == OP_ASSIGN && mode != hoist_mode::pairs && is_indirect_read(n->left) &&
                     is_float_routine_value(ctx, n->right))
                to_temporary(&n->right);   // computed before FSR is loaded with the destination
            return;
        }
        size_t mark = prefix.size();
        walk(&n->left, false);
        size_t after_left = prefix.size();
        walk(&n->right, false);
        shift_count_first(n);
        // A function's address as a number: the address is stored as a pointer first.
        if (op == OP_CONV && mode != hoist_mode::pairs && !n->levels && is_function_address(n->left)) {
            to_temporary(&n->left);
            refresh_node(n);
            return;
        }
        // A float read through a pointer and converted to another float type: the conversion
        // rules take a variable, so the float is read into one first.
        if (op == OP_CONV && mode != hoist_mode::pairs && !n->levels && node_class(n) == value_class::floating &&
            n->left->op == OP_DEREF && !n->left->levels && node_class(n->left) == value_class::floating &&
            is_indirect_read(n->left)) {
            to_temporary(&n->left);
            refresh_node(n);
            return;
        }
        // An integer read from program memory (through a pointer to const, or from a const
        // object) and converted: the read comes back by a routine whose result the conversion
        // rules do not take, so it is read into a variable of its own type first.
        if (op == OP_CONV && mode != hoist_mode::pairs && is_integer_value(n) && is_integer_value(n->left) &&
            (is_const_pointer_read(n->left) || is_code_read(n->left))) {
            to_temporary(&n->left);
            refresh_node(n);
            return;
        }
        // What the left operand does must not happen after what moved out of the right one.
        if (prefix.size() > after_left && tree_has_effect(n->left)) {
            std::vector<tree_node*> right_part(prefix.begin() + static_cast<std::ptrdiff_t>(after_left), prefix.end());
            prefix.resize(after_left);
            to_temporary(&n->left);
            prefix.insert(prefix.end(), right_part.begin(), right_part.end());
        } else if (prefix.size() == mark && is_indirect_read(n->left) && is_indirect_read(n->right)) {
            to_temporary(below_conversions(&n->left));
            // The rules of a commutative operator read a plain variable on the right.
            if (!n->levels && (op == OP_ADD || op == OP_MUL || op == OP_AND || op == OP_OR || op == OP_XOR))
                std::swap(n->left, n->right);
        } else if (prefix.size() == mark && mode == hoist_mode::pairs && uses_scratch(ctx, n->left) &&
                   uses_scratch(ctx, n->right) && !is_aggregate(n->left) && !is_bit_value(n->left) &&
                   node_class(n) != value_class::floating && node_class(*below_conversions(&n->left)) != value_class::floating) {
            // Results come back in W or btemp: computing the right operand would overwrite the
            // left one's, so the left value is kept in a temporary first, at its own width
            // (a one-bit value has no home on the compiled stack: then its widened value).
            // The float rules keep such operands apart themselves.
            tree_node** inner = below_conversions(&n->left);
            to_temporary(is_bit_value(*inner) ? &n->left : inner);
        } else if (mode != hoist_mode::pairs && (is_arithmetic(op) || is_compare(op)) &&
                   is_eeprom_read(*below_conversions(&n->left)) && is_eeprom_read(*below_conversions(&n->right))) {
            // Each EEPROM read comes back in W: the right one first, into a temporary.
            to_temporary(below_conversions(&n->right));
        } else if (mode != hoist_mode::pairs && is_arithmetic(op) && node_class(n) == value_class::floating &&
                   is_float_routine_value(ctx, n->right) && !is_float_routine_value(ctx, n->left)) {
            // The float package computes both operands in the same scratch bytes: a right
            // operand it computes goes first, into a temporary, when the left one is loaded.
            to_temporary(&n->right);
        } else if (mode != hoist_mode::pairs && is_arithmetic(op) && node_class(n) != value_class::floating &&
                   n->right->op == OP_CONV && n->right->left && node_class(n->right->left) == value_class::floating &&
                   !tree_has_effect(n->left)) {
            // An integer made from a float by the float package, as a right operand: first.
            to_temporary(&n->right);
        } else if (mode != hoist_mode::pairs && takes_operand_in_scratch(ctx, n) &&
                   computes_in_scratch(ctx, *below_conversions(&n->left))) {
            // The routine (or the shift in place) loads its left operand into the scratch
            // bytes that computing that operand used: the operand is computed first.
            to_temporary(below_conversions(&n->left));
        } else if (is_compare(op) && mode != hoist_mode::pairs) {
            // A compare of a computed value or of one read through a pointer or from the
            // EEPROM: the value first, at its own width.
            for (tree_node** side : {&n->right, &n->left}) {
                tree_node** inner = below_conversions(side);
                // A one-bit value (a && b, a < b) has no home on the compiled stack: its
                // widened value is what goes to the temporary.
                if (is_bit_value(*inner) && inner != side) inner = side;
                else if ((op_arity((*inner)->op) != DOPE_BINARY && !is_indirect_read(*inner) && !is_code_read(*inner) &&
                          !is_eeprom_read(*inner) && !is_integer_unary(*inner)) ||
                         is_bit_value(*inner))
                    continue;
                if (!tree_has_effect(*inner)) {
                    to_temporary(inner);
                    break;
                }
            }
        } else if (mode != hoist_mode::pairs && op == OP_ADD && n->levels && n->left->op == OP_ADDR &&
                   is_computed(n->right)) {
            // An array indexed by a computed value: the index first. A signed byte index is read
            // as the parser reads a plain one: as a count of elements, unsigned.
            tree_node** index = below_conversions(&n->right);
            const bool signed_byte = node_size(ctx, *index) == 1 && node_class(*index) == value_class::signed_;
            to_temporary(index);
            if (signed_byte) {
                tree_node count = basic_probe(ctx, "unx");
                *index = tree_convert(ctx, *index, &count);
            }
        } else if (mode != hoist_mode::pairs && op == OP_ADD && n->levels && n->left->op == OP_ID &&
                   !(n->pclass & PC_CONST) && is_computed(n->right)) {
            // A pointer variable moved by a computed offset (a row of an array of arrays whose
            // address went to a temporary): the offset first, its sign kept.
            to_temporary(below_conversions(&n->right));
        } else if (mode != hoist_mode::pairs && (op == OP_ADD || op == OP_SUB) && n->levels &&
                   (n->pclass & PC_CONST) && (is_offset(n->right) || (op == OP_ADD && is_offset(n->left)))) {
            // A pointer into program memory moved by a computed offset: the offset first, at
            // the width it is added at.
            to_temporary(is_offset(n->right) ? &n->right : &n->left);
        } else if (mode != hoist_mode::pairs && is_arithmetic(op) &&
                   (is_const_pointer_read(*below_conversions(&n->left)) ||
                    is_const_pointer_read(*below_conversions(&n->right)))) {
            // A value read through a pointer that may lead into program memory comes back by a
            // routine of its own: the read first, into a temporary.
            tree_node** side = below_conversions(&n->left);
            to_temporary(is_const_pointer_read(*side) ? side : below_conversions(&n->right));
        } else if (mode != hoist_mode::pairs && is_arithmetic(op) && !n->levels && is_indirect_read(n->right) &&
                   !is_leaf_operand(*below_conversions(&n->left))) {
            // A computed value and one read through a pointer: the read first, into a temporary.
            to_temporary(below_conversions(&n->right));
        } else if (mode != hoist_mode::pairs && is_arithmetic(op) && is_computed(n->left) && is_computed(n->right)) {
            // Two computed operands: the right one first, into a temporary.
            to_temporary(below_conversions(&n->right));
        } else if (mode != hoist_mode::pairs && is_call_value(n)) {
            // A call's W argument worked out by an operator: a routine it needs may use the
            // scratch bytes the result comes back in, and its operands may be a shape no rule
            // takes in W. It is worked out first, after the other arguments' stores as before.
            tree_node** arg = register_argument(n);
            if (arg) {
                const tree_node* v = *below_conversions(arg);
                const value_class c = node_class(*arg);
                if (!(*arg)->levels && (c == value_class::signed_ || c == value_class::unsigned_) &&
                    !tree_has_effect(*arg) && (is_computed(v) || is_integer_unary(v)))
                    to_temporary(arg);
            }
        }
        refresh_node(n);
    }
};

bool hoist_with(cg_context& ctx, tree_node* tree, hoist_mode mode);
bool flatten_operations(cg_context& ctx, tree_node* tree);

// x op= y that no rule derives, whose x is reached without a side effect (an EEPROM word, an
// element at a variable index): x = x op y, which reads x once and stores it once as well.
// The right operand already has x's type (a shift count its own).
bool split_compound(cg_context& ctx, tree_node* tree) {
    const uint32_t op = plain_operator(tree->op);
    if (op == OP_NONE || !tree->left || !tree->right || tree->left->levels || tree_has_effect(tree->left) ||
        is_aggregate(tree->left) || is_bit_value(tree->left) || tree->left->op == OP_BITFIELD)
        return false;
    tree_node* value = tree_make(ctx, op, tree_copy(ctx, tree->left), tree->right);
    copy_value_type(value, tree->left);
    // The value is computed in RAM, wherever x itself lives.
    value->pclass &= ~(PC_EEPROM | PC_VOLATILE);
    refresh_node(value);
    tree->op = OP_ASSIGN;
    tree->right = value;
    refresh_node(tree);
    // Not simplified again: that would make it the compound assignment it was.
    generate_statement(ctx, tree);
    return true;
}

// A statement no rule derives: the values that can be computed ahead of it are, each by a
// statement of its own. Returns false when nothing could be taken out.
bool hoist_values(cg_context& ctx, tree_node* tree) {
    if (ctx.functions.empty() || cg_statement_fits(ctx, tree)) return false;
    int count = 0;
    if (choose_value(ctx, tree, count, true)) return true;
    return hoist_with(ctx, tree, hoist_mode::values) || split_compound(ctx, tree) ||
           hoist_with(ctx, tree, hoist_mode::result) || flatten_operations(ctx, tree) ||
           hoist_with(ctx, tree, hoist_mode::addresses);
}

bool flatten_operations(cg_context& ctx, tree_node* tree) {
    const tree_node* value = tree->op == OP_ASSIGN ? tree->right : tree;
    if (!value || tree_has_effect(value) || (tree->op == OP_ASSIGN && tree->left && tree_has_effect(tree->left)))
        return false;
    return hoist_with(ctx, tree, hoist_mode::flatten);
}

// Two operands read through pointers cannot both hold FSR: the first is read into a
// temporary ahead of the statement.
bool separate_pointer_reads(cg_context& ctx, tree_node* tree) {
    return !ctx.functions.empty() && hoist_with(ctx, tree, hoist_mode::pairs);
}

bool hoist_with(cg_context& ctx, tree_node* tree, hoist_mode mode) {
    // Temporaries are free again after the statement that needed them.
    function_entry& fe = ctx.functions.back();
    const int32_t running = fe.auto_size;
    if (ctx.simp.hoist_depth == 0) {
        // Replayed at the function's end, every auto of the function is placed and any may be
        // live; read in order, the autos of the open blocks are those below the running size.
        if (!ctx.replaying) {
            fe.auto_size = running;
        } else {
            if (ctx.simp.hoist_function != fe.fn) {
                ctx.simp.hoist_function = fe.fn;
                ctx.simp.hoist_base = fe.auto_high;
            }
            fe.auto_size = ctx.simp.hoist_base;
        }
    }
    ++ctx.simp.hoist_depth;
    hoister h{ctx, mode, {}};
    tree_node* root = tree;
    h.walk(&root, true);
    bool hoisted = !h.prefix.empty();
    if (hoisted) {
        for (tree_node* s : h.prefix) generate_statement(ctx, mode != hoist_mode::pairs ? simplify_expr(ctx, s) : s);
        refresh_node(root);
        // With its operands now plain variables the statement may narrow further.
        if (mode != hoist_mode::pairs) root = simplify_expr(ctx, root);
        // A statement that was only a read now reads a temporary: nothing is left to do.
        if (root->op == OP_ID && !(root->pclass & PC_VOLATILE)) tree_free(ctx, root);
        else generate_statement(ctx, root);
    }
    --ctx.simp.hoist_depth;
    fe.auto_size = running;
    return hoisted;
}

}  // namespace

namespace {

// x /= y and x %= y arrive with y converted to x's type, but C divides in the type both
// promote to: 50 / -5 is -10, not 50 / 251. When y's own type differs, the division is done
// in that type and the quotient converted back.
tree_node* widen_compound_division(cg_context& ctx, tree_node* n) {
    if ((n->op != OP_ASG_DIV && n->op != OP_ASG_MOD) || !n->left || !n->right || n->right->op != OP_CONV ||
        !n->right->left || tree_has_effect(n->left) || n->levels || n->left->levels)
        return n;
    const tree_node* y = n->right->left;
    auto integral = [](value_class c) { return c == value_class::signed_ || c == value_class::unsigned_; };
    const value_class lc = node_class(n->left), yc = node_class(y);
    if (!integral(lc) || !integral(yc) || y->levels) return n;
    uint16_t ls = node_size(ctx, n->left), ys = node_size(ctx, y);
    if (ls == ys && lc == yc) return n;
    // The promotions with a 16-bit int, then the usual arithmetic conversions.
    struct kind { uint16_t size; bool is_unsigned; };
    auto promote = [](uint16_t size, value_class c) {
        return size < 2 ? kind{2, false} : kind{size, c == value_class::unsigned_};
    };
    kind a = promote(ls, lc), b = promote(ys, yc), common{};
    if (a.size == b.size) common = {a.size, a.is_unsigned || b.is_unsigned};
    else common = a.size > b.size ? a : b;
    symbol* type = basic_type(ctx, common.size, common.is_unsigned ? value_class::unsigned_ : value_class::signed_);
    if (!type) return n;
    tree_node probe;
    probe.op = OP_TYPE;
    probe.type = type;
    tree_node* divisor = n->right->left;
    n->right->left = nullptr;
    tree_free(ctx, n->right);
    tree_node* x = tree_convert(ctx, tree_copy(ctx, n->left), &probe);
    tree_node* quotient = tree_make(ctx, n->op == OP_ASG_DIV ? OP_DIV : OP_MOD, x, tree_convert(ctx, divisor, &probe));
    quotient->type = type;
    quotient->levels = 0;
    refresh_node(quotient);
    n->right = tree_convert(ctx, quotient, n->left);
    n->op = OP_ASSIGN;
    refresh_node(n);
    return n;
}

}  // namespace

tree_node* simplify_expr(cg_context& ctx, tree_node* tree) {
    ctx.simp.pending_msg = 0;
    if (!tree) return nullptr;
    if (tree->op == OP_SWITCH) {
        if (tree->left) tree->left = simplify_expr(ctx, tree->left);
        // Each case value is a constant expression converted to the switched type: what is
        // converted is folded to a constant, the conversion is kept for the range check.
        for (tree_node* list = tree->right; list && list->op == OP_ARG; list = list->right) {
            tree_node* pair = list->left;
            if (!pair || pair->op != OP_CJUMP || !pair->left) continue;
            tree_node** value = &pair->left;
            while ((*value)->op == OP_CONV && (*value)->left) value = &(*value)->left;
            *value = simplify_expr(ctx, *value);
        }
        uint32_t label = 0;
        if (switch_constant_label(ctx, tree, label)) {
            tree_free(ctx, tree);
            return tree_make(ctx, OP_GOTO, label_const(ctx, static_cast<int32_t>(label)), nullptr);
        }
        return tree;
    }
    tree = widen_compound_division(ctx, tree);
    tree = tree_precanon(ctx, tree);
    // Some rewrites move one level per round (a conversion into a chain of sequences), so a
    // deep tree may need as many rounds as it is high.
    int limit = ctx.simp.round_limit ? ctx.simp.round_limit : simplify_round_limit + 2 * tree->height;
    int rounds = 0;
    do {
        if (++rounds > limit) {
            alert_message(745);
            break;
        }
        ctx.nodes.changed = false;
        tree = tree_fold(ctx, tree);
        tree = tree_rewrite(ctx, tree);
        // Bit-fields become byte arithmetic once their own rewrites are done.
        if (!ctx.nodes.changed && lower_bitfields(ctx, tree)) ctx.nodes.changed = true;
    } while (ctx.nodes.changed);
    if (ctx.simp.pending_msg) {
        alert_message(ctx.simp.pending_msg);
        ctx.simp.pending_msg = 0;
    }
    if (tree->op == OP_CJUMP && tree->left && tree->left->op == OP_CONST) {
        if (ctx.opt.warning_level < 0 && !(tree->left->nflags & NF_RANGE_FOLDED)) alert_message(757);
        if (tree->left->value == 0) {
            tree_node* c = tree->left;
            tree->left = nullptr;
            tree_free(ctx, tree);
            tree = c;
        } else {
            tree_node* label = tree->right;
            tree->right = nullptr;
            tree_free(ctx, tree);
            tree = tree_make(ctx, OP_GOTO, label, nullptr);
        }
    }
    return order_operands(ctx, tree);
}

int simplify_stmt(cg_context& ctx, tree_node* tree) {
    if (!tree) return 0;
    tree_node* q = simplify_expr(ctx, tree);
    if (!q) return 0;
    int count = 0;
    if (assignment_branch(ctx, q, count)) return count;
    uint32_t d = dope_table[q->op];
    if ((q->op == OP_LAND || q->op == OP_LOR) && q->left && q->right) {
        int32_t label = new_label(ctx);
        tree_node* a = q->left;
        tree_node* b = q->right;
        bool land = q->op == OP_LAND;
        ctx.nodes.free(q);
        if (land) a = tree_make(ctx, OP_NOT, a, nullptr);
        int jump = simplify_stmt(ctx, make_jump(ctx, a, label));
        int rest = simplify_stmt(ctx, b);
        emit_label(ctx, label);
        if (rest == 0) {
            ctx.simp.no_effect_seen = true;
            return jump;
        }
        return 1;
    }
    if (q->op == OP_QUEST && q->left && q->right && q->right->op == OP_COLON) {
        int32_t other = new_label(ctx), end = new_label(ctx);
        tree_node* c = q->left;
        tree_node* alts = q->right;
        tree_node *a = alts->left, *b = alts->right;
        ctx.nodes.free(alts);
        ctx.nodes.free(q);
        if (a && a->op == OP_CONV) a = keep_left(ctx, a);
        if (b && b->op == OP_CONV) b = keep_left(ctx, b);
        count = simplify_stmt(ctx, make_jump(ctx, tree_make(ctx, OP_NOT, c, nullptr), other));
        count += simplify_stmt(ctx, a);
        count += emit_goto(ctx, end);
        count += emit_label(ctx, other);
        count += simplify_stmt(ctx, b);
        count += emit_label(ctx, end);
        return count;
    }
    bool volatile_read = (q->op == OP_DEREF || q->op == OP_ID) && !q->levels && (q->pclass & PC_VOLATILE);
    if (!volatile_read && !(d & (DOPE_ORDERED | DOPE_EFFECT))) {
        uint32_t arity = op_arity(q->op);
        tree_node* l = (arity == DOPE_UNARY || arity == DOPE_BINARY) ? q->left : nullptr;
        tree_node* r = arity == DOPE_BINARY ? q->right : nullptr;
        ctx.nodes.free(q);
        ctx.simp.no_effect_seen = true;
        return simplify_stmt(ctx, l) + simplify_stmt(ctx, r);
    }
    if (q->op == OP_POSTINC) q->op = OP_ASG_ADD;
    else if (q->op == OP_POSTDEC) q->op = OP_ASG_SUB;
    if (is_seq(q) && q->left && q->right) {
        tree_node *a = q->left, *b = q->right;
        ctx.nodes.free(q);
        int first = simplify_stmt(ctx, a);
        return first + simplify_stmt(ctx, b);
    }
    if (output_deferred(ctx)) {
        // Increments move out when the function's statements are generated.
        defer_statement(ctx, q, true);
        return 1;
    }
    emit_moving_increments(ctx, q);
    return 1;
}

void emit_moving_increments(cg_context& ctx, tree_node* q) {
    std::vector<tree_node*> moved;
    std::vector<tree_node**> slots;
    find_increments(&q, slots);
    for (tree_node** slot : slots) {
        tree_node* inc = *slot;
        *slot = tree_copy(ctx, inc->left);
        inc->op = inc->op == OP_POSTINC ? OP_ASG_ADD : OP_ASG_SUB;
        moved.push_back(inc);
    }
    if (!moved.empty()) q = simplify_expr(ctx, q);
    emit_statement(ctx, q);
    for (tree_node* inc : moved) emit_statement(ctx, inc);
}

bool lower_condition(cg_context& ctx, tree_node* tree) {
    int count = 0;
    return tree && (split_jump(ctx, tree, count) || choose_value(ctx, tree, count) || separate_pointer_reads(ctx, tree) ||
                    hoist_values(ctx, tree));
}

void simplify_and_emit(cg_context& ctx, tree_node* tree) {
    ctx.simp.no_effect_seen = false;
    ctx.simp.call_seen = false;
    if (tree) check_label(tree);
    int count = simplify_stmt(ctx, tree);
    if (count == 0) {
        if (ctx.opt.warning_level < 0) alert_message(759);
    } else if (ctx.simp.no_effect_seen && ctx.opt.warning_level < -2) {
        alert_message(760);
    }
}

}  // namespace cg
