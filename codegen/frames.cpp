// Function frames: each function owns a static argument area "?f" and auto area "?af" that the
// linker overlays by the call graph; this places parameters and autos in them.
#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/records.h"
#include "codegen/matcher.h"
#include "codegen/sdb.h"
#include "codegen/simplify.h"
#include "common/alert.h"

namespace cg {

namespace {

bool is_bit(const symbol* s) { return !s->levels && s->base && base_class(s->base) == value_class::bit; }

int32_t align_up(int32_t offset, uint8_t mask) { return (offset + mask) & ~static_cast<int32_t>(mask); }

std::string bare_name(const std::string& name) { return (!name.empty() && name[0] == '_') ? name.substr(1) : name; }

}  // namespace

void place_parameter(cg_context& ctx, symbol* s, bool register_param) {
    if (is_bit(s)) {
        alert_message(698);
        return;
    }
    if (ctx.functions.empty()) return;
    function_entry& fe = ctx.functions.back();
    s->sclass = storage::param;
    s->flags |= SF_PARAM_COPY;
    uint16_t size = symbol_size(ctx, s);
    bool first = fe.arg_size == ((fe.fn->flags & SF_VARIADIC) ? 1 : 0) && fe.bound_locals.empty() && !fe.params_seen;
    fe.params_seen = true;
    if (first && size == 1 && register_param) {
        // Passed in W: bound to the register with its value in it; nothing is written.
        s->reg = 0;
        s->flags |= SF_IN_REG;
        fe.bound_locals.push_back(s);
        sdb_variable(ctx, s);
        return;
    }
    fe.arg_size = align_up(fe.arg_size, s->align_mask);
    int32_t offset = fe.arg_size;
    fe.arg_size += size;
    if (size == 1 && !register_param && !s->levels) fe.arg_size += 1;
    fe.arg_high = std::max(fe.arg_high, fe.arg_size);
    place_parameter_at(ctx, s, offset);
}

void place_parameter_at(cg_context& ctx, symbol* s, int32_t offset) {
    if (ctx.functions.empty()) return;
    std::string fn = asm_name(ctx.functions.back().fn);
    s->sclass = storage::param;
    s->offset = offset;
    s->flags |= SF_PLACED;
    if (ctx.opt.notes)
        emit(ctx, ";       param %s assigned to ?%s+%d\n", s->name.c_str(), fn.c_str(), s->offset);
    emit(ctx, "%s$%s\tset\t?%s+%d\n", fn.c_str(), bare_name(s->name).c_str(), fn.c_str(), s->offset);
    sdb_variable(ctx, s);
}

void place_auto(cg_context& ctx, symbol* s) {
    if (is_bit(s)) {
        alert_message(698);
        return;
    }
    if (ctx.functions.empty() || (s->flags & SF_PLACED)) return;
    function_entry& fe = ctx.functions.back();
    s->sclass = storage::automatic;
    fe.auto_size = align_up(fe.auto_size, s->align_mask);
    s->offset = fe.auto_size;
    fe.auto_size += symbol_size(ctx, s);
    fe.auto_high = std::max(fe.auto_high, fe.auto_size);
    s->flags |= SF_PLACED;
    std::string fn = asm_name(fe.fn);
    if (ctx.opt.notes) emit(ctx, ";\t%s assigned to ?a%s+%d\n", s->name.c_str(), fn.c_str(), s->offset);
    emit(ctx, "%s$%s\tset\t?a%s+%d\n", fn.c_str(), bare_name(s->name).c_str(), fn.c_str(), s->offset);
    sdb_variable(ctx, s);
}

namespace {

// A register leaf carrying the variable's value type.
tree_node* register_leaf(cg_context& ctx, const symbol* v, uint32_t code) {
    tree_node* reg = ctx.nodes.alloc();
    reg->op = OP_REG;
    reg->value = static_cast<int32_t>(code);
    reg->type = v->base;
    reg->levels = v->levels;
    reg->pclass = v->classes;
    return reg;
}

// Generates a move as a statement of the function's code; the dry run only releases it.
void generate_move(cg_context& ctx, tree_node* move) {
    move = simplify_expr(ctx, move);
    if (ctx.buffer.dry_run) {
        tree_free(ctx, move);
        return;
    }
    cg_gen_statement(ctx, move, PS_TEXT);
}

// Notes of -S go straight to the output, at a line boundary.
void move_note(cg_context& ctx, const std::string& text) {
    if (ctx.opt.notes && !ctx.buffer.dry_run) emit_direct(ctx, text);
}

}  // namespace

void sym_load(cg_context& ctx, symbol* v, uint32_t code) {
    const char* reg = code < reg_names.size() ? reg_names[code] : "";
    if ((v->flags & SF_IN_REG) && v->reg >= 0) {
        move_note(ctx, ";" + v->name + " already in " + reg + "\n");
        return;
    }
    move_note(ctx, "; " + v->name + " loaded to " + reg + "\n");
    // The variable's own name reads its memory home while the load is generated.
    int32_t bound = v->reg;
    v->reg = -1;
    generate_move(ctx, tree_make(ctx, OP_ASSIGN, register_leaf(ctx, v, code), make_id(ctx, v)));
    v->reg = bound;
}

void sym_load_bound_locals(cg_context& ctx) {
    if (ctx.functions.empty()) return;
    uint8_t level = static_cast<uint8_t>(scope_level(ctx));
    for (symbol* v : ctx.functions.back().bound_locals)
        if (v->sclass == storage::automatic && v->block_level == level && v->reg >= 0 && !(v->flags & SF_IN_REG)) {
            sym_load(ctx, v, v->reg == 0 ? 1u : static_cast<uint32_t>(v->reg));
            v->flags |= SF_IN_REG;
        }
}

void place_for_rest_of_function(cg_context& ctx, symbol* v) {
    if (ctx.functions.empty() || (v->flags & SF_PLACED)) return;
    // Past every auto placed so far, and no block opened before it may hand its bytes out
    // again when it closes.
    function_entry& fe = ctx.functions.back();
    fe.auto_size = std::max(fe.auto_size, fe.auto_high);
    place_auto(ctx, v);
    for (size_t i = static_cast<size_t>(std::max(fe.base_level, 0)); i < ctx.blocks.size(); ++i)
        ctx.blocks[i].auto_size = std::max(ctx.blocks[i].auto_size, fe.auto_size);
}

void sym_store(cg_context& ctx, symbol* v, uint32_t code) {
    // The store belongs to the line the debug file last named, not to the one after it.
    int32_t line = ctx.line;
    if (ctx.sdb.file && ctx.sdb.last_line >= 0 && ctx.line == ctx.sdb.last_line + 1) ctx.line = ctx.sdb.last_line;
    move_note(ctx, ";" + v->name + " stored from " + std::string(code < reg_names.size() ? reg_names[code] : "") + "\n");
    if (!(v->flags & SF_PLACED)) place_for_rest_of_function(ctx, v);
    else sdb_variable(ctx, v);
    generate_move(ctx, tree_make(ctx, OP_ASSIGN, make_id(ctx, v), register_leaf(ctx, v, code)));
    v->flags |= SF_STORED;
    ctx.line = line;
}

}  // namespace cg
