// Operator table, node pool, constructor and tree queries.
#include "codegen/tree.h"

#include <algorithm>
#include <cstring>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/registers.h"
#include "common/alert.h"

namespace cg {

int op_lookup(const char* token) {
    int lo = 0, hi = ic_token_count - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = std::strcmp(token, op_names[mid]);
        if (c == 0) return mid;
        if (c < 0) hi = mid - 1;
        else lo = mid + 1;
    }
    return -1;
}

tree_node* node_pool::alloc() {
    if (!free_) {
        auto* block = new tree_node[16];
        blocks_.push_back(block);
        for (int i = 0; i < 16; ++i) {
            block[i].next_free = free_;
            free_ = &block[i];
        }
    }
    tree_node* n = free_;
    free_ = n->next_free;
    *n = tree_node();
    changed = true;
    ++live_;
    return n;
}

void node_pool::free(tree_node* n) {
    if (!n) return;
    delete n->text;
    delete n->rule_stack;
    *n = tree_node();
    n->next_free = free_;
    free_ = n;
    changed = true;
    --live_;
}

node_pool::~node_pool() {
    for (tree_node* b : blocks_) {
        for (int i = 0; i < 16; ++i) {
            delete b[i].text;
            delete b[i].rule_stack;
        }
        delete[] b;
    }
}

void tree_free(cg_context& ctx, tree_node* n) {
    if (!n) return;
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) tree_free(ctx, n->left);
    if (arity == DOPE_BINARY) tree_free(ctx, n->right);
    ctx.nodes.free(n);
}

tree_node* tree_copy(cg_context& ctx, const tree_node* n) {
    if (!n) return nullptr;
    tree_node* c = ctx.nodes.alloc();
    *c = *n;
    c->text = n->text ? new std::string(*n->text) : nullptr;
    c->rule_stack = nullptr;   // a copy is matched anew
    uint32_t arity = op_arity(n->op);
    c->left = (arity == DOPE_UNARY || arity == DOPE_BINARY) ? tree_copy(ctx, n->left) : n->left;
    c->right = arity == DOPE_BINARY ? tree_copy(ctx, n->right) : n->right;
    return c;
}

tree_node* const_make(cg_context& ctx, int32_t v) {
    tree_node* n = ctx.nodes.alloc();
    n->op = OP_CONST;
    n->type = basic_type_named(ctx, "l");
    n->value = v;
    return n;
}

tree_node* const_like(cg_context& ctx, tree_node* n) {
    tree_node* c = const_make(ctx, 0);
    c->type = n->type;
    c->levels = n->levels;
    c->pclass = n->pclass;
    c->qual = n->qual;
    tree_free(ctx, n);
    return c;
}

namespace {
bool is_static_address(const tree_node* n) {
    return n->op == OP_ADDR && n->left && n->left->op == OP_ID && n->left->sym &&
           is_global_storage(n->left->sym->sclass);
}
}  // namespace

bool node_is_const(const tree_node* n) {
    if (dope_table[n->op] & 0x10) return true;
    if (n->op == OP_CONST || is_static_address(n)) return true;
    return n->op == OP_ADD && n->left && n->right && is_static_address(n->left) && n->right->op == OP_CONST;
}

bool node_is_zero(const tree_node* n) {
    if (n->op == OP_CONV && n->left) n = n->left;
    return (n->op == OP_FCONST && n->fvalue == 0.0) || (n->op == OP_CONST && n->value == 0);
}

bool tree_has_effect(const tree_node* n) {
    if (!n) return false;
    if (dope_table[n->op] & DOPE_EFFECT) return true;
    if ((n->op == OP_ID || n->op == OP_DEREF) && !n->levels && (n->pclass & PC_VOLATILE)) return true;
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_BINARY && tree_has_effect(n->right)) return true;
    return (arity == DOPE_UNARY || arity == DOPE_BINARY) && tree_has_effect(n->left);
}

bool address_has_effect(const tree_node* n) {
    if (!n || (n->op == OP_ADDR && n->left && n->left->op == OP_ID)) return false;
    if ((dope_table[n->op] & DOPE_EFFECT) ||
        ((n->op == OP_ID || n->op == OP_DEREF) && !n->levels && (n->pclass & PC_VOLATILE)))
        return true;
    const uint32_t arity = op_arity(n->op);
    return ((arity == DOPE_UNARY || arity == DOPE_BINARY) && address_has_effect(n->left)) ||
           (arity == DOPE_BINARY && address_has_effect(n->right));
}

bool tree_has_call(const tree_node* n) {
    if (!n) return false;
    if (n->op == OP_CALL || n->op == OP_CALLZAP) return true;
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_BINARY && tree_has_call(n->right)) return true;
    return (arity == DOPE_UNARY || arity == DOPE_BINARY) && tree_has_call(n->left);
}

bool tree_uses_sym(const tree_node* n, const symbol* s) {
    if (!n) return false;
    if (n->op == OP_ID) return n->sym == s;
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_BINARY && tree_uses_sym(n->right, s)) return true;
    return (arity == DOPE_UNARY || arity == DOPE_BINARY) && tree_uses_sym(n->left, s);
}

namespace {
void collect_ids(const tree_node* n, std::vector<const symbol*>& out) {
    if (!n || out.size() >= 50) return;
    if (n->op == OP_ID) {
        out.push_back(n->sym);
        return;
    }
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) collect_ids(n->left, out);
    if (arity == DOPE_BINARY) collect_ids(n->right, out);
}
}  // namespace

bool operands_share_symbol(const tree_node* n) {
    if (n->nflags & NF_SHARES_SYMBOL) return true;
    if ((n->nflags & NF_SHARES_NONE) || op_arity(n->op) != DOPE_BINARY) return false;
    std::vector<const symbol*> l, r;
    collect_ids(n->left, l);
    collect_ids(n->right, r);
    if (l.size() >= 50 || r.size() >= 50) return true;
    for (const symbol* s : r)
        if (std::find(l.begin(), l.end(), s) != l.end()) return true;
    return false;
}

bool tree_equal(const tree_node* a, const tree_node* b) {
    if (!a || !b) return a == b;
    if (a->op != b->op || (dope_table[a->op] & DOPE_EFFECT)) return false;
    if (a->op == OP_ID) return a->sym == b->sym;
    if (a->op == OP_CONST) return a->value == b->value;
    if (a->op == OP_FCONST) return a->fvalue == b->fvalue;
    // Two fields of one storage byte differ only in the field they name.
    if (a->op == OP_BITFIELD && a->sym != b->sym) return false;
    uint32_t arity = op_arity(a->op);
    if (arity == DOPE_UNARY) return tree_equal(a->left, b->left);
    if (arity == DOPE_BINARY) return tree_equal(a->left, b->left) && tree_equal(a->right, b->right);
    return true;
}

uint16_t node_size(const cg_context& ctx, const tree_node* n) {
    // One rule for pointers: a value's size is the size of a variable of its type.
    if (n->levels) return static_cast<uint16_t>(type_size(ctx, n->type, n->levels, n->pclass, 1));
    if (!n->type) return 0;
    return symbol_size(ctx, n->type);
}

value_class node_class(const tree_node* n) {
    if (n->levels) return outer_level(n->levels) == LEVEL_POINTER ? value_class::unsigned_ : value_class::none;
    return base_class(n->type);
}

bool node_is_ptr(const tree_node* n) {
    if (n->levels) return outer_level(n->levels) == LEVEL_POINTER;
    for (const symbol* t = n->type; t; t = t->base)
        if (t->levels) return outer_level(t->levels) == LEVEL_POINTER;
    return false;
}

void node_deref(tree_node* n) {
    if (n->levels) {
        n->levels = static_cast<uint16_t>(n->levels >> 2);
        if (!n->levels && n->type) n->qual |= n->type->classes;
        return;
    }
    for (int guard = 0; n->type && guard < 64; ++guard) {
        symbol* t = n->type;
        if (t->levels) {
            n->levels = static_cast<uint16_t>(t->levels >> 2);
            n->pclass = t->classes;
            n->type = t->base;
            if (!n->levels && n->type) n->qual |= n->type->classes;
            return;
        }
        if (!t->base) return;
        n->type = t->base;
    }
}

void const_convert(cg_context& ctx, tree_node* c, const tree_node* n, bool warn) {
    uint16_t size = node_size(ctx, n);
    value_class vc = node_class(n);
    if (vc == value_class::bit) {
        c->value &= 1;
    } else if (size >= 1 && size <= 3 && vc != value_class::floating) {
        int bits = size * 8;
        int64_t limit = int64_t(1) << bits;
        bool is_signed = vc == value_class::signed_;
        if (is_signed) limit /= 2;
        bool index_type = n->type && !n->levels && (n->type->name == "x" || n->type->name == "nx");
        if (warn && ctx.opt.warning_level <= 0 && !index_type && (c->value < -limit || c->value > limit - 1))
            alert_message(751);
        uint32_t mask = static_cast<uint32_t>((int64_t(1) << bits) - 1);
        uint32_t v = static_cast<uint32_t>(c->value) & mask;
        if (is_signed && (v & (1u << (bits - 1)))) v |= ~mask;
        c->value = static_cast<int32_t>(v);
    }
    c->type = n->type;
    c->levels = n->levels;
    if (n->levels) c->pclass = n->pclass;
    c->qual = n->qual;
}

tree_node* tree_convert(cg_context& ctx, tree_node* n, const tree_node* t) {
    // Only a conversion that keeps every bit of its operand may go; a narrowing one cuts the value.
    while (n->op == OP_CONV && n->left && node_class(n->left) == node_class(n) &&
           node_class(n) == node_class(t) && node_size(ctx, n) >= node_size(ctx, n->left)) {
        tree_node* inner = n->left;
        tree_free(ctx, n->right);
        ctx.nodes.free(n);
        n = inner;
    }
    if (node_size(ctx, n) == node_size(ctx, t) && node_class(n) == node_class(t)) return n;
    if (n->op == OP_CONST) {
        const_convert(ctx, n, t, true);
        return n;
    }
    tree_node* leaf = ctx.nodes.alloc();
    leaf->op = OP_TYPE;
    leaf->type = t->type;
    leaf->levels = t->levels;
    leaf->pclass = t->pclass;
    leaf->qual = t->qual;
    return tree_make(ctx, OP_CONV, n, leaf);
}

uint16_t fn_signature(const cg_context& ctx, const symbol* fn) {
    tree_node probe;
    probe.type = fn->base;
    probe.levels = fn->levels;
    probe.pclass = fn->classes;
    if (outer_level(probe.levels) == LEVEL_FUNCTION) probe.levels = static_cast<uint16_t>(probe.levels >> 2);
    uint32_t size = probe.levels ? pointer_size(ctx, probe.levels, probe.pclass, probe.type)
                                 : (probe.type ? symbol_size(ctx, probe.type) : 0);
    uint16_t sig = static_cast<uint16_t>(size >= 7 ? 7 : size);
    value_class vc = node_class(&probe);
    sig |= vc == value_class::signed_ ? 0 : vc == value_class::unsigned_ ? 0x08 : vc == value_class::floating ? 0x10 : 0x18;
    if (fn->param_number && (fn->flags & SF_PROTOTYPED)) sig |= 0x20;
    if (flag(ctx, MF_AUTOSTATIC)) sig |= 0x40;
    if (probe.levels && (probe.pclass & PC_NEAR)) sig |= 0x80;
    if (probe.levels && (probe.pclass & PC_FAR)) sig |= 0x100;
    if (flag(ctx, MF_AUTOSTATIC) && (fn->flags & SF_VARIADIC)) sig |= 0x200;
    if (probe.levels && (probe.pclass & 0xffc0u)) sig |= 0x400;
    sig |= static_cast<uint16_t>((fn->param_number & 15) << 12);
    return sig;
}

tree_node* make_id(cg_context& ctx, symbol* s) {
    tree_node* n = ctx.nodes.alloc();
    n->op = OP_ID;
    n->sym = s;
    n->type = s->base ? s->base : s;
    n->levels = s->levels;
    n->pclass = s->classes;
    n->qual = s->classes;
    n->callregs = 0;
    return n;
}

tree_node* make_type_leaf(cg_context& ctx, const type_ref& t) {
    tree_node* n = ctx.nodes.alloc();
    n->op = OP_TYPE;
    n->type = t.base;
    n->levels = t.levels;
    n->pclass = t.classes;
    n->qual = t.classes;
    return n;
}

namespace {

// A const global with a known value is read through its value tree.
tree_node* substitute_value(cg_context& ctx, tree_node* n) {
    if (!n || n->op != OP_ID || !n->sym || n->levels || !(n->pclass & PC_CONST) || !n->sym->value ||
        !is_global_storage(n->sym->sclass) || (n->pclass & PC_VOLATILE))
        return n;
    tree_node* copy = tree_copy(ctx, n->sym->value);
    ctx.nodes.free(n);
    return copy;
}

// The one-byte index type for a byte-sized operation.
void narrow_index(cg_context& ctx, tree_node* node) {
    tree_node* r = node->right;
    if (!r || r->levels || !r->type || node_size(ctx, node) != 1) return;
    const char* to = r->type->name == "x" ? "nx" : r->type->name == "ux" ? "unx" : nullptr;
    if (!to) return;
    tree_node t;
    t.type = basic_type_named(ctx, to);
    node->right = tree_convert(ctx, r, &t);
}

}  // namespace

tree_node* tree_make(cg_context& ctx, uint32_t op, tree_node* left, tree_node* right) {
    tree_node* n = ctx.nodes.alloc();
    n->op = op;
    if (op != OP_ADDR) {
        left = substitute_value(ctx, left);
        right = substitute_value(ctx, right);
    }
    n->left = left;
    n->right = right;
    uint32_t arity = op_arity(op);
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) {
        if (left) n->height = static_cast<uint16_t>(left->height + 1), n->callregs |= left->callregs;
    }
    if (arity == DOPE_BINARY && right) {
        n->height = std::max<uint16_t>(n->height, static_cast<uint16_t>(right->height + 1));
        n->callregs |= right->callregs;
    }
    switch (dope_table[op] & DOPE_RESULT) {
    case DOPE_RESULT_BIT: n->type = basic_type_named(ctx, "b"); break;
    case DOPE_RESULT_VOID: n->type = basic_type_named(ctx, "v"); break;
    case DOPE_RESULT_LONG: n->type = basic_type_named(ctx, "l"); break;
    default:
        if (left) {
            n->type = left->type;
            n->levels = left->levels;
            n->pclass = left->pclass;
            n->qual |= left->qual & 0xd0;
        }
    }
    switch (op) {
    case OP_SIZEOF: {
        uint32_t size = 0;
        if (left) size = (left->op == OP_ID && left->sym) ? symbol_size(ctx, left->sym) : node_size(ctx, left);
        if (size == 0) alert_message(761);
        tree_free(ctx, left);
        n->left = nullptr;
        n->op = OP_CONST;
        n->type = basic_type_named(ctx, "l");
        n->levels = n->pclass = 0;
        n->value = static_cast<int32_t>(size);
        n->height = 1;
        break;
    }
    case OP_ADDR:
        if (left && left->op == OP_ID && left->sym) left->sym->flags |= SF_ADDRESS_TAKEN;
        if (left && left->op == OP_DEREF && !left->levels && left->type && (left->type->flags & SF_ARRAY)) {
            // A row reached through a pointer (a[i] of a 2-D array) decays to a pointer to its
            // first element. A variable or member keeps its element count in its own symbol, so
            // its address already points at the element type; a row has only its array type.
            n->type = left->type->base;
            n->levels = left->type->levels;
        }
        node_add_pointer(n);
        break;
    case OP_CALL:
    case OP_CALLZAP:
        // A callee whose registers are not known yet may change every allocatable one.
        n->callregs |= (left && left->op == OP_ID && left->sym &&
                        (left->sym->reg_mask || (left->sym->flags & SF_FUNCTION_DEF)))
                           ? left->sym->reg_mask
                           : reg_code_mask(R_ALLREG);
        node_deref(n);
        break;
    case OP_DEREF:
    case OP_CALLARGS: node_deref(n); break;
    case OP_ADD: case OP_POSTINC: case OP_SUB: case OP_POSTDEC: case OP_ASG_ADD: case OP_ASG_SUB:
        narrow_index(ctx, n);
        break;
    case OP_CONV: case OP_SEQ: case OP_QUEST: case OP_ARGSEQ:
        if (right) {
            n->type = right->type;
            n->levels = right->levels;
            n->pclass = right->pclass;
            n->qual = right->qual;
        }
        break;
    case OP_MEMBER: {
        if (!left || !right) break;
        if (left->op == OP_TYPE) {
            // An enumeration constant: its value from the enumeration record.
            symbol* e = left->type;
            int32_t index = right->value;
            int32_t v = (e && index >= 0 && static_cast<size_t>(index) < e->enum_values.size()) ? e->enum_values[index] : 0;
            symbol* etype = e;
            tree_free(ctx, left);
            tree_free(ctx, right);
            n->left = n->right = nullptr;
            n->op = OP_CONST;
            n->value = v;
            n->type = etype;
            n->levels = n->pclass = 0;
            n->height = 1;
            break;
        }
        symbol* agg = left->levels ? nullptr : left->type;
        int32_t index = right->value;
        if (!agg || index < 0 || static_cast<size_t>(index) >= agg->members.size()) {
            alert_message(714);
            break;
        }
        symbol* m = agg->members[index];
        n->type = m->base;
        n->levels = m->levels;
        n->pclass = m->levels ? static_cast<uint16_t>(m->classes | left->pclass) : m->classes;
        n->qual = static_cast<uint16_t>(m->classes | (left->qual & PC_VOLATILE));
        if (m->levels && !left->levels && (left->pclass & PC_EEPROM) && !m->is_bitfield) {
            // A pointer member of a structure in the data EEPROM is itself an object there:
            // typed as one base type (the pointer), its node's classes say where it lives and
            // its type's where it points, as for a pointer variable declared in EEPROM.
            n->type = derived_type(ctx, type_ref{m->base, m->levels, m->classes});
            n->levels = 0;
            n->pclass = PC_EEPROM;
            n->qual = static_cast<uint16_t>(PC_EEPROM | (left->qual & PC_VOLATILE));
        }
        right->value = m->offset;
        right->type = basic_type_named(ctx, "x");
        if (m->is_bitfield) {
            // The "." node becomes the storage unit under a BITFIELD node.
            tree_node* bf = ctx.nodes.alloc();
            tree_node* unit = n;
            bf->op = OP_BITFIELD;
            bf->type = unit->type;
            bf->levels = unit->levels;
            bf->pclass = unit->pclass;
            bf->qual = unit->qual;
            bf->callregs = unit->callregs;
            bf->left = unit;
            bf->sym = m;
            bf->height = static_cast<uint16_t>(unit->height + 1);
            n = bf;
        }
        break;
    }
    case OP_LABEL:
        if (left && left->op == OP_ID && left->sym) {
            symbol* s = left->sym;
            if (s->sclass == storage::external) announce_external(ctx, s);
        }
        break;
    case OP_STRING:
        n->type = basic_type_named(ctx, "c");
        n->levels = LEVEL_POINTER;
        n->pclass = left ? left->pclass : 0;
        break;
    case OP_ASSIGN:
        // A function's address stored in a pointer variable is noted for the call graph. Not in
        // an argument area ("?_f", "?_f+2": no variable, and an offset is no name the assembler
        // takes): the callee's indirect-call record and the address record cover that call.
        if (flag(ctx, MF_AUTOSTATIC) && left && left->op == OP_ID && left->sym &&
            is_global_storage(left->sym->sclass) && left->sym->name[0] != '?' &&
            outer_level(left->levels) == LEVEL_POINTER &&
            outer_level(static_cast<uint16_t>(left->levels >> 2)) == LEVEL_FUNCTION) {
            for (const tree_node* r = right; r;) {
                if (r->op == OP_ID) {
                    if (r->sym && static_cast<uint8_t>(r->sym->sclass) >= 4 &&
                        outer_level(r->sym->levels) == LEVEL_FUNCTION)
                        emit(ctx, "\tFNCALL\t%s,%s\n", left->sym->name.c_str(), r->sym->name.c_str());
                    break;
                }
                if (r->op == OP_ADD || r->op == OP_ADDR || r->op == OP_DEREF) r = r->left;
                else break;
            }
        }
        break;
    case OP_SWITCH:
        if (left && node_size(ctx, left) == 0) {
            tree_node t;
            t.type = basic_type(ctx, 1, node_class(left));
            n->left = tree_convert(ctx, left, &t);
        }
        n->swkind = ctx.switch_kind;
        ctx.switch_kind = 0;
        break;
    default: break;
    }
    return n;
}

std::string tree_dump(const tree_node* n) {
    if (!n) return "<null>";
    std::string s;
    switch (n->op) {
    case OP_ID: return n->sym ? n->sym->name : "?";
    case OP_CONST: return std::to_string(n->value);
    case OP_FCONST: return "." + std::to_string(n->fvalue);
    case OP_TYPE: return "`" + (n->type ? n->type->name : std::string("?"));
    case OP_ASM: return "[; " + (n->text ? *n->text : std::string());
    default: break;
    }
    s = op_names[n->op];
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) s += " " + tree_dump(n->left);
    if (arity == DOPE_BINARY) s += " " + tree_dump(n->right);
    return s;
}

}  // namespace cg
