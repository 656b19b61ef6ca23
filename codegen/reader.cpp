// The record loop: dispatches each record of the intermediate code, keeps the block levels
// and the function stack, and ends the module.
#include "codegen/reader.h"

#include <algorithm>

#include "codegen/asmout.h"
#include "codegen/autolayout.h"
#include "codegen/context.h"
#include "codegen/defer.h"
#include "codegen/entry.h"
#include "codegen/matcher.h"
#include "codegen/ramstrings.h"
#include "codegen/records.h"
#include "codegen/sdb.h"
#include "codegen/simplify.h"
#include "common/alert.h"

namespace cg {

void skip_record(ic_scanner& scan) {
    std::string token;
    while (scan.next(token))
        if (token[0] == ']') return;
}

namespace {

void expect_close(cg_context&, ic_scanner& scan) {
    if (!scan.expect(']')) alert_message(714);
}

void read_statement(cg_context& ctx, ic_scanner& scan) {
    tree_node* t = ic_read_expr(ctx, scan);
    if (t) simplify_and_emit(ctx, t);
    // A switch table carries its case list up to the closing bracket.
    std::string token;
    if (!scan.expect(']')) {
        alert_message(714);
        skip_record(scan);
    }
}

}  // namespace

void generate_statement(cg_context& ctx, tree_node* t) {
    if (lower_condition(ctx, t)) return;
    if (t->op == OP_ASM) {
        // In-line assembly needs no code selection: it is copied as written.
        psect_request(ctx, PS_TEXT);
        emit_text(ctx, (t->text ? *t->text : std::string()) + "\n");
    } else {
        cg_gen_statement(ctx, t, PS_TEXT);   // takes the tree
        return;
    }
    tree_free(ctx, t);
}

namespace {

void block_open(cg_context& ctx) {
    ++ctx.block_level;
    block_entry b;
    if (!ctx.functions.empty()) {
        b.arg_size = ctx.functions.back().arg_size;
        b.auto_size = ctx.functions.back().auto_size;
    }
    b.line = ctx.line;
    if (!ctx.functions.empty() && ctx.block_level >= ctx.functions.back().base_level) {
        // The auto layout needs to know which blocks nest in which.
        function_entry& fe = ctx.functions.back();
        auto_scope scope;
        if (ctx.block_level > fe.base_level && !ctx.blocks.empty()) scope.parent = ctx.blocks.back().scope;
        scope.depth = scope_level(ctx);
        b.scope = static_cast<int32_t>(fe.scopes.size());
        fe.scopes.push_back(scope);
    }
    ctx.blocks.push_back(b);
    bool outermost = !ctx.functions.empty() && ctx.block_level == ctx.functions.back().base_level;
    if (outermost) sdb_open_block_now(ctx);
}

void end_function(cg_context& ctx, function_entry& fe) {
    generate_deferred(ctx);
    // A function without statements still places what it declared.
    if (fe.autos_wait) lay_out_autos(ctx, {}, false);
    ctx.symbols.release_held();
    // Extern declarations of the body are held until its outermost block closes.
    for (symbol* s : fe.held_externals) sdb_variable(ctx, s);
    sdb_close_block(ctx, true, fe.auto_high);
    function_exit_code(ctx, fe);
    ctx.in_body = false;
    ctx.used_regs.clear();
    ctx.used_regs_set = false;
    reg_reset(ctx.regs);
    helpers_function_end(ctx);
    ctx.main_exit = false;
    ++ctx.psects.function_number;
    // The next function's code goes to a section of its own number.
    int w = ctx.psects.written;
    if (w == PS_TEXT || w == PS_SWTEXT || w == PS_CTEXT || w == PS_INTCODE) ctx.psects.written = PS_NONE;
    ctx.psects.requested = PS_NONE;
    ctx.psects.declared[PS_TEXT] = false;
    ctx.psects.declared[PS_SWTEXT] = false;
    if (flag(ctx, MF_PIC12)) ctx.psects.declared[PS_CTEXT] = false;
}

bool is_function_symbol(const symbol* s) {
    return s->kind == sym_kind::object && outer_level(s->levels) == LEVEL_FUNCTION;
}

// The call-graph facts of the functions of a closing scope: the signature of each one visible
// outside that is called or defined here, and under AUTOSTATIC each one whose address was
// taken. Written once per function, in declaration order.
void scope_directives(cg_context& ctx, std::vector<symbol*> fns) {
    std::stable_sort(fns.begin(), fns.end(), [](const symbol* a, const symbol* b) { return a->number < b->number; });
    for (symbol* f : fns) {
        if (f->sclass == storage::external && (f->flags & (SF_USED | SF_DEFINED)) && !(f->flags & SF_SIGNED_FN)) {
            f->flags |= SF_SIGNED_FN;
            emit_text(ctx, "\tsignat\t" + asm_name(f) + "," + std::to_string(fn_signature(ctx, f)) + "\n");
        }
        if (flag(ctx, MF_AUTOSTATIC) && (f->flags & SF_ADDRESS_TAKEN) && !(f->flags & SF_FNADDR_WRITTEN)) {
            f->flags |= SF_FNADDR_WRITTEN;
            emit_text(ctx, "\tFNADDR\t" + asm_name(f) + "\n");
        }
    }
}

void leave_scope(cg_context& ctx, int level) {
    std::vector<symbol*> fns;
    // The function's collected statements still name the locals of a block that closes.
    bool hold = !ctx.functions.empty() && ctx.functions.back().autos_wait;
    // Locals leave the table; file-scope material (types, externals, statics) stays.
    ctx.symbols.leave_level(level, [&](symbol* s) {
        if (is_function_symbol(s)) fns.push_back(s);
        if (s->kind != sym_kind::object) return false;
        if (is_global_storage(s->sclass)) {
            s->block_level = static_cast<uint8_t>(level > 0 ? level - 1 : 0);
            return false;
        }
        bool drop = s->sclass == storage::param || s->sclass == storage::automatic || s->sclass == storage::reg;
        if (drop && ctx.helpers.last_labelled == s) ctx.helpers.last_labelled = nullptr;   // the record is reused
        return drop;
    }, hold);
    scope_directives(ctx, fns);
}

// The end of input closes the file scope: its functions get their directives; nothing leaves.
void leave_file_scope(cg_context& ctx) {
    std::vector<symbol*> fns;
    for (symbol* s : ctx.symbols.all())
        if (is_function_symbol(s)) fns.push_back(s);
    scope_directives(ctx, fns);
}

void block_close(cg_context& ctx) {
    if (ctx.block_level < 0) {
        alert_message(714);
        return;
    }
    bool function_end = !ctx.functions.empty() && ctx.block_level == ctx.functions.back().base_level;
    if (!ctx.functions.empty()) {
        function_entry& fe = ctx.functions.back();
        fe.arg_high = std::max(fe.arg_high, fe.arg_size);
        fe.auto_high = std::max(fe.auto_high, fe.auto_size);
        if (function_end) {
            end_function(ctx, fe);
        } else {
            sdb_close_block(ctx, false, 0);
            fe.arg_size = ctx.blocks.back().arg_size;
            fe.auto_size = ctx.blocks.back().auto_size;
        }
    } else {
        sdb_close_block(ctx, false, 0);
    }
    leave_scope(ctx, scope_level(ctx));
    ctx.blocks.pop_back();
    --ctx.block_level;
    if (function_end) ctx.functions.pop_back();
}

void dispatch(cg_context& ctx, ic_scanner& scan, const std::string& token) {
    int op = op_lookup(token.c_str());
    switch (op) {
    case OP_ASM: {
        bool produced;
        tree_node* t = read_comment_or_asm(ctx, scan, produced);
        if (t && output_deferred(ctx)) {
            defer_statement(ctx, t, false);
        } else if (t) {
            psect_request(ctx, PS_TEXT);
            emit_text(ctx, (t->text ? *t->text : std::string()) + "\n");
            tree_free(ctx, t);
        }
        break;
    }
    case OP_REC_A: read_string_record(ctx, scan); break;
    case OP_REC_C: read_enumeration(ctx, scan); break;
    case OP_REC_E: read_statement(ctx, scan); break;
    case OP_REC_F:
        ctx.in_body = true;
        function_entry_code(ctx);
        sym_load_bound_locals(ctx);
        expect_close(ctx, scan);
        break;
    case OP_REC_I: read_initialiser(ctx, scan); break;
    case OP_REC_N: read_names(ctx, scan); break;
    case OP_REC_P: read_pragma(ctx, scan); break;
    case OP_REC_S: read_layout(ctx, scan, false); break;
    case OP_REC_U: read_layout(ctx, scan, true); break;
    case OP_REC_V: read_declaration(ctx, scan); break;
    case OP_BLOCK_OPEN: block_open(ctx); break;
    case OP_BLOCK_CLOSE: block_close(ctx); break;
    default: alert_message(714); break;
    }
}

}  // namespace

void read_nested_record(cg_context& ctx, ic_scanner& scan, uint32_t op) {
    switch (op) {
    case OP_REC_C: read_enumeration(ctx, scan); break;
    case OP_REC_S: read_layout(ctx, scan, false); break;
    case OP_REC_U: read_layout(ctx, scan, true); break;
    default: read_declaration(ctx, scan); break;
    }
}

void read_module(cg_context& ctx, ic_scanner& scan) {
    std::string token;
    while (scan.next(token)) dispatch(ctx, scan, token);
    // The end of input closes whatever is still open, then the file scope.
    while (ctx.block_level >= 0) block_close(ctx);
    leave_file_scope(ctx);
    write_ram_strings(ctx);
    define_kept_data(ctx);
    write_float_pool(ctx);
    write_end(ctx);
}

}  // namespace cg
