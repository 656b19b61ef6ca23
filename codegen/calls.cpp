// Call lowering. The target has no data stack: a caller stores each argument into the
// callee's static argument area, at the offsets the callee's own frame layout gives them, and
// tells the linker who calls whom so that the areas can be overlaid.
#include "codegen/calls.h"

#include <string>
#include <vector>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/fold.h"
#include "codegen/records.h"
#include "common/alert.h"

namespace cg {

namespace {

// The function symbol a callee node names directly (f or *&f), or null.
symbol* direct_callee(const tree_node* callee) {
    if (callee->op == OP_DEREF && callee->left && callee->left->op == OP_ADDR) callee = callee->left->left;
    if (callee && callee->op == OP_ID && callee->sym && outer_level(callee->sym->levels) == LEVEL_FUNCTION)
        return callee->sym;
    return nullptr;
}

// The symbol that carries the function type's flags: the function itself, or the function
// type a pointer points at.
const symbol* function_type_symbol(const tree_node* callee) {
    if (symbol* f = direct_callee(callee)) return f;
    for (const symbol* t = callee->type; t; t = t->base)
        if (outer_level(t->levels) == LEVEL_FUNCTION || (t->flags & (SF_PROTOTYPED | SF_VARIADIC))) return t;
    // Through a pointer the indirection has taken the return type: the pointer's own type is
    // the function type, whose parameters the signature counts like the function's own.
    if (callee->op == OP_DEREF && callee->left)
        for (const symbol* t = callee->left->type; t; t = t->base)
            if (outer_level(t->levels) == LEVEL_FUNCTION) return t;
    return nullptr;
}

bool callee_variadic(const tree_node* callee) {
    const symbol* f = function_type_symbol(callee);
    return f && (f->flags & SF_VARIADIC);
}

// The signature of the function type a callee node has.
uint16_t callee_signature(const cg_context& ctx, const tree_node* callee) {
    if (const symbol* f = function_type_symbol(callee)) return fn_signature(ctx, f);
    symbol probe;
    probe.base = callee->type;
    probe.levels = callee->levels;
    probe.classes = callee->pclass;
    return fn_signature(ctx, &probe);
}

const symbol* current_function(const cg_context& ctx) {
    return ctx.functions.empty() ? nullptr : ctx.functions.back().fn;
}

symbol* argument_area(cg_context& ctx, symbol* f) {
    auto it = ctx.simp.arg_areas.find(f);
    if (it != ctx.simp.arg_areas.end()) return it->second;
    symbol* area = ctx.symbols.make_detached();
    area->name = "?" + asm_name(f);
    area->kind = sym_kind::object;
    area->sclass = f->sclass;
    area->base = basic_type_named(ctx, "uc");
    area->flags |= SF_USED;
    // Areas of functions with declared parameters are announced with the function itself.
    if (f->sclass == storage::external && !(f->flags & SF_DEFINED) && f->param_number == 0) {
        area->flags |= SF_ANNOUNCED;
        emit(ctx, "\tglobal\t%s\n", asm_name(area).c_str());
    }
    ctx.simp.arg_areas[f] = area;
    return area;
}

// The argument area's byte at `offset` as a symbol of its own, named by the assembler
// expression that addresses it.
symbol* area_slot(cg_context& ctx, const symbol* area, int32_t offset) {
    symbol* slot = ctx.symbols.make_detached();
    slot->name = area->name + "+" + std::to_string(offset);
    slot->kind = sym_kind::object;
    slot->sclass = area->sclass;
    slot->base = area->base;
    slot->flags |= SF_USED | SF_ANNOUNCED;
    return slot;
}

// Every call below n whose callee is a symbol; the callees of calls through pointers go to
// `indirect`.
void calls_within(const tree_node* n, std::vector<const symbol*>& out, std::vector<const tree_node*>& indirect) {
    if (!n) return;
    if ((n->op == OP_CALL || n->op == OP_CALLZAP) && n->left) {
        if (symbol* g = direct_callee(n->left)) out.push_back(g);
        else indirect.push_back(n->left);
    }
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) calls_within(n->left, out, indirect);
    if (arity == DOPE_BINARY) calls_within(n->right, out, indirect);
}

// A call inside an argument of a known callee f overwrites the area f's call is filling
// unless the linker knows that f's area outlives it: FNARG for a known inner callee, FNINDARG
// for every function an inner pointer may hold. (Calls through a pointer have their
// call-bearing arguments computed ahead of the stores, so they need no such edge.)
void callgraph_args(cg_context& ctx, const tree_node* callee, const tree_node* arg) {
    symbol* f = direct_callee(callee);
    if (!f) return;
    std::vector<const symbol*> inner;
    std::vector<const tree_node*> through_pointers;
    calls_within(arg, inner, through_pointers);
    for (const tree_node* p : through_pointers)
        emit(ctx, "\t%s\t%s,%u\n", "FNINDARG", asm_name(f).c_str(), callee_signature(ctx, p));
    for (const symbol* g : inner) {
        if (f == g) alert_message(742, asm_name(f).c_str());
        emit(ctx, "\t%s\t%s,%s\n", "FNARG", asm_name(f).c_str(), asm_name(g).c_str());
    }
}

void callgraph_call(cg_context& ctx, const tree_node* callee) {
    const symbol* me = current_function(ctx);
    if (!me) return;   // a call outside a function body has no caller to record
    std::string caller = asm_name(me);
    if (symbol* f = direct_callee(callee)) {
        auto& last = ctx.simp.last_caller[f];
        if (last == me) return;
        last = me;
        emit(ctx, "\t%s\t%s,%s\n", "FNCALL", caller.c_str(), asm_name(f).c_str());
        return;
    }
    // A pointer variable is no call-graph node of its own (nothing marks one): the linker
    // joins the call to every function of the same signature whose address was taken.
    emit(ctx, "\t%s\t%s,%u\n", "FNINDIR", caller.c_str(), callee_signature(ctx, callee));
}

// The argument slots of a left-nested "," list, first argument first. "(." only wraps the
// fixed part of a variadic call's arguments.
void argument_slots(tree_node** slot, std::vector<tree_node**>& out) {
    tree_node* n = *slot;
    if (!n || n->op == OP_ARGEND) return;
    if (n->op == OP_ARG) {
        argument_slots(&n->left, out);
        argument_slots(&n->right, out);
        return;
    }
    if (n->op == OP_FIXARGS) {
        argument_slots(&n->left, out);
        return;
    }
    out.push_back(slot);
}


// On the 12-bit core a function returns through a stub in the jump table, whose address's
// low byte the caller passes as a hidden first argument. The stub is written at once.
tree_node* return_stub_argument(cg_context& ctx, tree_node* call) {
    if (!call->label) call->label = ++ctx.sel.next_label;
    const unsigned number = call->label;
    tree_node* stub = ctx.nodes.alloc();
    stub->op = OP_LITERAL;
    stub->type = basic_type_named(ctx, "uc");
    stub->text = new std::string("u" + std::to_string(number) + "7&0ffh");
    int before = ctx.psects.written;
    psect_request(ctx, PS_JMPTAB);
    psect_check(ctx);
    emit(ctx, "u%u7\n\tljmp\tu%u8\n", number, number);
    if (before) psect_request(ctx, before);
    return stub;
}

// A variadic function keeps byte 0 of its area free, so its arguments start at 1.
int32_t first_arg_offset(const tree_node* callee) { return callee_variadic(callee) ? 1 : 0; }

// The "(." node that wraps the fixed part of a variadic call's argument list, or null.
tree_node** fixed_part(tree_node** slot) {
    tree_node* n = *slot;
    if (!n) return nullptr;
    if (n->op == OP_FIXARGS) return slot;
    return n->op == OP_ARG || (n->op >= OP_COUNT1 && n->op <= OP_COUNT4) ? fixed_part(&n->left) : nullptr;
}

// The call count of a variadic function says nothing of how many arguments a call has, so
// its lowered list takes the form the call rules know: "(1" over a lone first argument in W,
// "(2" over a list.
void register_argument_form(cg_context& ctx, tree_node* call) {
    tree_node* r = call->right;
    const bool counted = r->op >= OP_COUNT1 && r->op <= OP_COUNT4;
    tree_node* list = counted ? r->left : r;
    if (!list || list->op == OP_ARGEND) return;
    const uint32_t op = list->op == OP_ARG ? OP_COUNT2 : OP_COUNT1;
    if (counted) r->op = op;
    else call->right = tree_make(ctx, op, list, nullptr);
}

}  // namespace

symbol* value_temporary(cg_context& ctx, const tree_node* like) {
    symbol* t = ctx.symbols.make_detached();
    t->name = "_tmp" + std::to_string(++ctx.simp.temps);
    t->kind = sym_kind::object;
    t->base = like->type;
    t->levels = like->levels;
    t->classes = like->pclass;
    // A temporary is RAM, whatever the value was read from (a structure read through a pointer
    // to const is no program-memory object once copied).
    if (!like->levels) t->classes &= ~(PC_EEPROM | PC_CONST);
    t->align_mask = 0;
    place_auto(ctx, t);
    return t;
}

tree_node* arg_location(cg_context& ctx, const tree_node* callee, const tree_node* arg, int32_t offset) {
    tree_node* base;
    if (symbol* f = direct_callee(callee)) {
        // A byte of a known area is a directly addressed operand ("?_f+2"), so every rule
        // that stores to memory stores an argument too.
        symbol* area = argument_area(ctx, f);
        if (offset != 0) area = area_slot(ctx, area, offset);
        tree_node* slot = make_id(ctx, area);
        copy_value_type(slot, arg);
        if (!arg->levels) slot->pclass = 0;
        return slot;
    } else {
        // The byte before a function's entry in the pointer table holds its area's address.
        tree_node* ptr = tree_copy(ctx, callee->op == OP_DEREF ? callee->left : callee);
        tree_node* minus = const_make(ctx, -1);
        tree_node x = basic_probe(ctx, "x");
        const_convert(ctx, minus, &x, false);
        tree_node* at = tree_make(ctx, OP_ADD, ptr, minus);
        at->levels = LEVEL_POINTER;
        at->type = basic_type_named(ctx, "uc");
        at->pclass = PC_CONST;
        base = tree_make(ctx, OP_DEREF, at, nullptr);
    }
    // The area's address as a pointer to the argument's type.
    base->type = arg->type;
    base->levels = static_cast<uint16_t>(arg->levels * 4 + LEVEL_POINTER);
    base->pclass = 0;
    tree_node* off = const_make(ctx, offset);
    tree_node unx = basic_probe(ctx, "unx");
    const_convert(ctx, off, &unx, false);
    tree_node* loc = tree_make(ctx, OP_DEREF, tree_make(ctx, OP_ADD, base, off), nullptr);
    copy_value_type(loc, arg);
    return loc;
}

tree_node* lower_call(cg_context& ctx, tree_node* call) {
    if (!flag(ctx, MF_AUTOSTATIC) || (call->nflags & NF_CALL_LOWERED) || !call->left || !call->right) return call;
    call->nflags |= NF_CALL_LOWERED;
    // The variable arguments of a variadic call lie past the callee's own area, which only a
    // known callee can be told to make room for: through a pointer the call stays unlowered
    // (and so is refused) rather than overwrite what follows the area.
    tree_node** fixed = callee_variadic(call->left) ? fixed_part(&call->right) : nullptr;
    if (fixed && !direct_callee(call->left)) return call;
    tree_node* prefix = nullptr;   // assignments that run before the call

    // A computed callee is evaluated once, before the arguments.
    tree_node* callee = call->left;
    // So is a pointer kept in program memory, which the call rules cannot read in place.
    const tree_node* ptr = callee->left;
    const bool in_code = ptr && ptr->op == OP_ID && ptr->sym && !ptr->levels && (ptr->sym->classes & PC_CONST);
    if (!direct_callee(callee) && callee->op == OP_DEREF && callee->left &&
        (tree_has_effect(callee->left) || callee->height > 2 || in_code) && !ctx.functions.empty()) {
        symbol* tmp = value_temporary(ctx, callee->left);
        tree_node* store = tree_make(ctx, OP_ASSIGN, make_id(ctx, tmp), callee->left);
        callee->left = make_id(ctx, tmp);
        refresh_node(callee);
        prefix = store;
    }

    tree_node** list = &call->right;
    bool register_arg = false, single = false;
    uint32_t cls = call->right->op;
    if (cls >= OP_COUNT1 && cls <= OP_COUNT4) {
        register_arg = true;
        single = cls == OP_COUNT1 && call->right->left && call->right->left->op != OP_ARG;
        list = &call->right->left;
    }
    bool variadic = callee_variadic(callee);
    // A variadic callee takes a one-byte first parameter in W like any prototyped one.
    if (variadic) register_arg = true;
    const symbol* fts = function_type_symbol(callee);
    bool prototyped = cls != OP_ARGEND && ((fts && (fts->flags & SF_PROTOTYPED)) || register_arg);
    int32_t offset = first_arg_offset(callee);

    std::vector<tree_node**> slots;
    argument_slots(list, slots);
    // Through a pointer the linker cannot order an argument's calls before the area they fill
    // (the object format has no edge from a pointer's functions to a callee): each argument
    // that calls goes to a temporary of the caller before the first byte of the area is
    // stored, so nothing of it is live while those calls run.
    if (!direct_callee(callee) && !single && !ctx.functions.empty())
        for (tree_node** s : slots) {
            if (!tree_has_call(*s)) continue;
            symbol* tmp = value_temporary(ctx, *s);
            tree_node* store = tree_make(ctx, OP_ASSIGN, make_id(ctx, tmp), *s);
            *s = make_id(ctx, tmp);
            prefix = prefix ? tree_make(ctx, OP_ARGSEQ, prefix, store) : store;
        }

    // A callee declared with the T class keeps no return stub.
    if (flag(ctx, MF_PIC12) && !(callee->pclass & PC_EEPROM)) {
        tree_node* stub = return_stub_argument(ctx, call);
        tree_node* store = tree_make(ctx, OP_ASSIGN, arg_location(ctx, callee, stub, offset), stub);
        offset += 1;
        prefix = prefix ? tree_make(ctx, OP_ARGSEQ, prefix, store) : store;
    }

    for (size_t i = 0; i < slots.size(); ++i) {
        tree_node* arg = *slots[i];
        if (!single) callgraph_args(ctx, callee, arg);
        uint16_t size = node_size(ctx, arg);
        if (i == 0 && register_arg) {
            if (size < 2) continue;   // travels in W
        }
        // Without a prototype the callee reads an int where a char was passed, and keeps two
        // bytes for a one-byte structure, which has no int to become.
        const value_class vc = node_class(arg);
        uint16_t slot = size;
        if (!prototyped && size == 1 && !arg->levels && vc != value_class::floating) {
            if (vc != value_class::none) {
                tree_node i16 = basic_probe(ctx, vc == value_class::unsigned_ ? "ui" : "i");
                arg = tree_convert(ctx, arg, &i16);
                size = node_size(ctx, arg);
            }
            slot = 2;
        }
        tree_node* store = tree_make(ctx, OP_ASSIGN, arg_location(ctx, callee, arg, offset), arg);
        offset += slot;
        *slots[i] = tree_make(ctx, OP_ARGEND, nullptr, nullptr);
        prefix = prefix ? tree_make(ctx, OP_ARGSEQ, prefix, store) : store;
    }
    if (fixed) {
        // The fixed part's marker has done its work: the first argument may stay in W.
        tree_node* mark = *fixed;
        *fixed = mark->left;
        mark->left = nullptr;
        tree_free(ctx, mark);
        // The linker keeps the largest size it is given for an area.
        emit(ctx, "\t%s\t%s,0,%d\n", "FNSIZE", asm_name(direct_callee(callee)).c_str(), static_cast<int>(offset));
    }
    if (variadic) register_argument_form(ctx, call);
    callgraph_call(ctx, callee);
    refresh_node(call);
    if (!prefix) return call;
    ctx.nodes.changed = true;
    return tree_make(ctx, OP_ARGSEQ, prefix, call);
}

}  // namespace cg
