// Bit-fields as byte arithmetic on their storage byte, so that every width and position is
// compiled by the byte rules: a read is (byte >> offset) & mask (sign-extended for a signed
// field), a store keeps the byte's other bits, and a compound assignment or an increment of a
// field is a read, the operation and a store. Each field read and each shifted value to store
// goes to a byte temporary in a statement of its own before the statement that uses it, so
// that the byte rules meet at most one computed operand; reads on the conditional side of
// && || ?: stay in place. A bit variable taken as a byte beside an operand that is not a
// constant waits in a byte temporary too, for the same reason.
#include "codegen/bitfields.h"

#include <string>
#include <vector>

#include "codegen/context.h"
#include "codegen/fold.h"
#include "codegen/records.h"
#include "codegen/symbols.h"
#include "codegen/tree.h"

namespace cg {

namespace {

tree_node* byte_const(cg_context& ctx, int32_t v) {
    tree_node* c = const_make(ctx, v);
    tree_node uc = basic_probe(ctx, "uc");
    copy_value_type(c, &uc);
    return c;
}

// A copy of the field's storage byte as an unsigned char lvalue.
tree_node* storage_byte(cg_context& ctx, const tree_node* field) {
    tree_node* unit = tree_copy(ctx, field->left);
    uint16_t qual = unit->qual;
    tree_node uc = basic_probe(ctx, "uc");
    copy_value_type(unit, &uc);
    unit->qual = qual;
    return unit;
}

tree_node* binary(cg_context& ctx, uint32_t op, tree_node* l, tree_node* r) {
    tree_node* n = tree_make(ctx, op, l, r);
    refresh_node(n);
    return n;
}

}  // namespace

tree_node* field_bits_value(cg_context& ctx, tree_node* byte, const tree_node* field, int offset) {
    const int width = field->sym->bit_width;
    tree_node* v = byte;
    // The member's declared type decides the sign: narrowing may have retyped the node.
    if (base_class(field->sym->base) == value_class::signed_) {
        // The field's top bit to bit 7, then an arithmetic shift brings the sign down.
        tree_node sc = basic_probe(ctx, "c");
        if (8 - offset - width > 0) {
            // The left shift gives the same bits signed: its node is typed signed rather than
            // converted, which no rule takes for a computed byte.
            v = binary(ctx, OP_SHL, v, byte_const(ctx, 8 - offset - width));
            copy_value_type(v, &sc);
            refresh_node(v);
        } else {
            v = tree_convert(ctx, v, &sc);
        }
        if (width < 8) v = binary(ctx, OP_SHR, v, byte_const(ctx, 8 - width));
    } else {
        if (offset) v = binary(ctx, OP_SHR, v, byte_const(ctx, offset));
        if (offset + width < 8) v = binary(ctx, OP_AND, v, byte_const(ctx, (1 << width) - 1));
    }
    return tree_convert(ctx, v, field);
}

namespace {

// The field's value, of the field's type.
tree_node* field_value(cg_context& ctx, const tree_node* field) {
    return field_bits_value(ctx, storage_byte(ctx, field), field, field->sym->bit_offset);
}

// Whether reaching a field's storage byte changes something. A store reads the byte for its
// other bits and stores it, so the address is worked out twice and must have no side effect;
// that the byte is volatile (at a fixed address, or through a pointer to volatile) is no bar.
bool storage_has_effect(const tree_node* unit) {
    return unit->op == OP_DEREF && !unit->levels ? address_has_effect(unit->left) : tree_has_effect(unit);
}

bool is_field(const tree_node* n) {
    return n && n->op == OP_BITFIELD && n->left && n->sym && n->sym->bit_width >= 1 && n->sym->bit_width <= 8 &&
           n->sym->bit_offset + n->sym->bit_width <= 8;
}

// A bit variable converted to a byte.
bool is_bit_byte(cg_context& ctx, const tree_node* n) {
    return n && n->op == OP_CONV && node_size(ctx, n) == 1 && n->left && n->left->op == OP_ID &&
           n->left->levels == 0 && node_class(n->left) == value_class::bit;
}

// The operator a compound assignment or a statement-level increment applies, or OP_NONE.
uint32_t compound_operator(uint32_t op) {
    switch (op) {
    case OP_ASG_ADD: case OP_POSTINC: return OP_ADD;
    case OP_ASG_SUB: case OP_POSTDEC: return OP_SUB;
    case OP_ASG_AND: return OP_AND;
    case OP_ASG_OR: return OP_OR;
    case OP_ASG_XOR: return OP_XOR;
    case OP_ASG_MUL: return OP_MUL;
    case OP_ASG_DIV: return OP_DIV;
    case OP_ASG_MOD: return OP_MOD;
    case OP_ASG_SHL: return OP_SHL;
    case OP_ASG_SHR: return OP_SHR;
    default: return OP_NONE;
    }
}

bool sequence_op(uint32_t op) { return op == OP_SEQ || op == OP_ARGSEQ; }


// An operation whose low byte does not depend on the signedness of its operands.
bool same_bits(uint32_t op) {
    switch (op) {
    case OP_ADD: case OP_SUB: case OP_AND: case OP_OR: case OP_XOR: case OP_SHL: case OP_MUL: return true;
    default: return false;
    }
}

struct lowering {
    explicit lowering(cg_context& c) : ctx(c) {}
    cg_context& ctx;
    bool changed = false;
    std::vector<tree_node*> before;   // assignments to temporaries, in order

    size_t used = 0;                  // temporaries of this statement

    symbol* byte_temporary() {
        symbol* t = ctx.symbols.make_detached();
        t->name = "_tmp" + std::to_string(++ctx.simp.temps);
        t->kind = sym_kind::object;
        t->base = basic_type_named(ctx, "uc");
        t->align_mask = 0;
        place_auto(ctx, t);
        return t;
    }

    // A byte temporary of the function holding v; its value as a node. A temporary lives
    // within one statement, so the next statement takes the same ones again.
    tree_node* hoist(tree_node* v) {
        auto& pool = ctx.bitfield_temps;
        if (pool.function != ctx.functions.back().fn) {
            pool.function = ctx.functions.back().fn;
            pool.bytes.clear();
        }
        symbol* t = nullptr;
        if (ctx.simp.hoist_depth > 0) {
            // Within a statement worked out in parts, the temporaries of the parts are given
            // back together afterwards: one placed now must not be taken again later.
            t = byte_temporary();
        } else {
            if (used == pool.bytes.size()) pool.bytes.push_back(byte_temporary());
            t = pool.bytes[used++];
        }
        before.push_back(binary(ctx, OP_ASSIGN, make_id(ctx, t), as_unsigned_byte(v)));
        return make_id(ctx, t);
    }

    // v as an unsigned char. A signed byte whose operation gives the same bits either way is
    // retyped rather than converted: the byte rules have no conversion of a computed byte.
    tree_node* as_unsigned_byte(tree_node* v) {
        tree_node uc = basic_probe(ctx, "uc");
        if (node_size(ctx, v) == 1 && !v->levels && node_class(v) == value_class::signed_ && same_bits(v->op)) {
            copy_value_type(v, &uc);
            refresh_node(v);
            return v;
        }
        return tree_convert(ctx, v, &uc);
    }

    bool can_hoist(bool conditional) const { return !conditional && !ctx.functions.empty(); }

    // A store to a field whose value is not used.
    bool store(tree_node** slot, bool conditional) {
        tree_node* n = *slot;
        if (!n || !is_field(n->left) || storage_has_effect(n->left->left)) return false;
        tree_node* value = nullptr;
        if (n->op == OP_ASSIGN) {
            value = n->right;
        } else if (uint32_t op = compound_operator(n->op)) {
            value = binary(ctx, op, read(n->left, conditional), n->right);
        } else {
            return false;
        }
        walk(&value, false, conditional);
        tree_node* s = field_store(n->left, value, can_hoist(conditional));
        n->right = nullptr;
        tree_free(ctx, n);
        *slot = s;
        changed = true;
        return true;
    }

    // byte = (byte & ~bits) | ((value << offset) & bits), the value taken as unsigned char;
    // the shifted value waits in a temporary when one can be had.
    tree_node* field_store(const tree_node* field, tree_node* value, bool use_temporary) {
        const int width = field->sym->bit_width, offset = field->sym->bit_offset;
        const int32_t bits = ((1 << width) - 1) << offset;
        tree_node* v = as_unsigned_byte(value);
        // A computed value is kept whole before its shift: spread over its operands the shift
        // leaves two computed bytes side by side.
        if (offset && use_temporary && v->op != OP_ID && v->op != OP_CONST) v = hoist(v);
        if (offset) v = binary(ctx, OP_SHL, v, byte_const(ctx, offset));
        if (width < 8) {
            v = binary(ctx, OP_AND, v, byte_const(ctx, bits));
            if (use_temporary) v = hoist(v);
            tree_node* kept = binary(ctx, OP_AND, storage_byte(ctx, field), byte_const(ctx, ~bits & 0xff));
            v = binary(ctx, OP_OR, kept, v);
        }
        return binary(ctx, OP_ASSIGN, storage_byte(ctx, field), v);
    }

    tree_node* read(const tree_node* field, bool conditional) {
        tree_node* v = field_value(ctx, field);
        if (!can_hoist(conditional)) return v;
        return tree_convert(ctx, hoist(v), field);
    }

    void walk(tree_node** slot, bool statement, bool conditional) {
        tree_node* n = *slot;
        if (!n) return;
        if (statement && store(slot, conditional)) return;
        if (is_field(n)) {
            *slot = read(n, conditional);
            tree_free(ctx, n);
            changed = true;
            return;
        }
        uint32_t arity = op_arity(n->op);
        if ((n->op == OP_ASSIGN || compound_operator(n->op)) && is_field(n->left)) {
            // A store this lowering cannot make (its value used, or a storage byte with side
            // effects) keeps its field: no rule takes it, which is reported, never miscompiled.
            if (arity == DOPE_BINARY) walk(&n->right, false, conditional);
            refresh_node(n);
            return;
        }
        if (arity == DOPE_BINARY && is_arithmetic(n->op) && can_hoist(conditional)) {
            for (tree_node** side : {&n->left, &n->right}) {
                tree_node* other = side == &n->left ? n->right : n->left;
                if (!is_bit_byte(ctx, *side) || (other && other->op == OP_CONST)) continue;
                tree_node* bit = *side;
                *side = tree_convert(ctx, hoist(bit), bit);
                changed = true;
            }
        }
        // What the first operand of a comma (or an earlier statement of a chain) does must
        // come before the reads that move out of the second: it moves out ahead of them.
        if (can_hoist(conditional) && (n->op == OP_SEQ || (n->op == OP_ARGSEQ && statement)) &&
            tree_has_effect(n->left)) {
            walk(&n->left, true, conditional);
            size_t mark = before.size();
            walk(&n->right, statement, conditional);
            if (before.size() > mark) {
                before.insert(before.begin() + static_cast<std::ptrdiff_t>(mark), n->left);
                *slot = n->right;
                ctx.nodes.free(n);
                changed = true;
            } else {
                refresh_node(n);
            }
            return;
        }
        bool sequence = sequence_op(n->op);
        // Only the first operand of && || ?: is always evaluated.
        bool branches = n->op == OP_LAND || n->op == OP_LOR || n->op == OP_QUEST;
        if (arity == DOPE_UNARY || arity == DOPE_BINARY)
            walk(&n->left, sequence && statement, conditional || n->op == OP_COLON);
        if (arity == DOPE_BINARY) {
            const size_t mark = before.size();
            walk(&n->right, n->op == OP_ARGSEQ && statement, conditional || branches);
            // What the second part of a sequence hoists runs after the first part (an argument
            // store, a store to the field's byte), not ahead of the whole statement.
            if (sequence && before.size() > mark) {
                for (size_t i = before.size(); i-- > mark;) n->right = binary(ctx, OP_ARGSEQ, before[i], n->right);
                before.resize(mark);
            }
        }
        refresh_node(n);
    }
};

}  // namespace

bool lower_bitfields(cg_context& ctx, tree_node*& tree) {
    lowering l(ctx);
    l.walk(&tree, true, false);
    for (auto it = l.before.rbegin(); it != l.before.rend(); ++it) tree = binary(ctx, OP_ARGSEQ, *it, tree);
    return l.changed;
}

}  // namespace cg
