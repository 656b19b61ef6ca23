// Function entry and exit: the section of a function's code, its return, the call-graph and
// frame-size directives the linker overlays areas by, and an interrupt function's save and
// restore code.
#include "codegen/entry.h"

#include <cstring>

#include "codegen/asmout.h"
#include "codegen/banks.h"
#include "codegen/context.h"
#include "codegen/matcher.h"
#include "codegen/records.h"
#include "codegen/registers.h"
#include "common/alert.h"

namespace cg {

namespace {

bool is_interrupt(const symbol* fn) { return fn && (fn->classes & PC_INTERRUPT); }

// Registers an interrupt function must keep: the ones its code used, cut to a regsused list.
uint32_t saved_registers(const cg_context& ctx) {
    uint32_t used = ctx.regs.regs_used;
    if (ctx.used_regs_set) {
        uint32_t allowed = 0;
        for (const std::string& name : ctx.used_regs)
            for (int32_t c = 1; c <= REG_LAST; ++c)
                if (strcasecmp(reg_names[c], name.c_str()) == 0) allowed |= reg_code_mask(c);
        used &= allowed;
    }
    return used;
}

constexpr uint32_t mask_w = 0x1, mask_fsr = 0x2, mask_status = 0xc, mask_btemp = 0x7fff0, mask_pclath = 1u << 26;

void select_bank0(cg_context& ctx) { bank_select(ctx, BK_BANK0); }

// Writes a line in a section outside the current function's code.
void in_section(cg_context& ctx, int kind) {
    psect_request(ctx, kind);
    psect_check(ctx);
}

void write_interrupt_exit(cg_context& ctx, const std::string& name, uint32_t saved) {
    uint8_t mask = ctx.interrupt_mask;
    if (mask) {
        int bits = 0, level = 0;
        for (int b = 0; b < 8; ++b)
            if (mask & (1u << b)) { ++bits; level = b; }
        if (bits > 1) alert_message(692, name.c_str());
        if (level > 1) alert_message(693);
        emit(ctx, "\tglobal\tintlevel%d\n\tFNCALL\tintlevel%d,%s\n\tFNROOT\tintlevel%d\n", level, level, name.c_str(), level);
    } else {
        emit(ctx, "\tFNROOT\t%s\n", name.c_str());
    }
    if (saved) {
        select_bank0(ctx);
        int strategy = ctx.proc.one_bank_data ? 1 : ctx.proc.common_ram ? 2 : 0;
        if (strategy == 0) {
            alert_message(694);
        } else {
            emit_direct(ctx, strategy == 1 ? "\tpsect\tintsave_0,ovrld,class=BANK0,space=1\n"
                                           : "\tpsect\tintsave_0,ovrld,class=COMBANK,space=1\n");
            ctx.psects.written = PS_NONE;
            emit_direct(ctx, "saved_w\n\tds\t1\n");
            in_section(ctx, PS_INTRET);
            if (saved & mask_fsr) emit(ctx, "\tmovf\tsaved_fsr,w\n\tmovwf\tfsr\t;restore FSR\n");
            if (saved & mask_pclath) emit(ctx, "\tmovf\tsaved_pclath,w\n\tmovwf\tpclath\n");
            emit(ctx, "\tglobal\tint_restore\nint_restore\n");
            emit(ctx, "\tmovf\tsaved_status,w\n\tmovwf\tstatus\n\tswapf\tsaved_w\n\tswapf\tsaved_w,w\n");
        }
    }
    emit(ctx, "\tretfie\n");
}

void write_interrupt_entry(cg_context& ctx, uint32_t saved) {
    in_section(ctx, PS_INTENTRY);
    emit(ctx, "\tglobal\tint_entry\nint_entry\n");
    if (!saved) return;
    emit(ctx, "\tmovwf\tsaved_w\n\tmovf\tstatus,w\n");
    if (ctx.proc.banks > 1) emit(ctx, "\tclrf\tstatus\n");
    emit(ctx, "\tmovwf\tsaved_status\n");
    in_section(ctx, PS_INTSAVE);
    emit(ctx, "saved_status\tds\t1\n");
    in_section(ctx, PS_INTENTRY);
    // btemp+0..11 and the three extended bytes have consecutive mask bits from bit 4.
    for (int b = 0; b < 15; ++b)
        if (saved & (1u << (4 + b))) emit(ctx, "\tglobal\tsave_btemp%d\n", b);
    if (saved & mask_fsr) {
        in_section(ctx, PS_INTSAVE);
        emit(ctx, "saved_fsr\tds\t1\n");
        in_section(ctx, PS_INTENTRY);
        emit(ctx, "\tmovf\tfsr,w\n\tmovwf\tsaved_fsr\n");
    }
    if (saved & mask_pclath) {
        in_section(ctx, PS_INTSAVE);
        emit(ctx, "saved_pclath\tds\t1\n");
        in_section(ctx, PS_INTENTRY);
        emit(ctx, "\tmovf\tpclath,w\n\tmovwf\tsaved_pclath\n\tclrf\tpclath\n");
    }
    if (ctx.code_ptr_used) emit(ctx, "\tglobal\tsave_code_ptr\n");
}

// A byte parameter that arrives in W moves to a home in the auto area before the body runs:
// almost every statement needs W, and a call in the body would lose it. A variadic function's
// home for it is byte 0 of its argument area, kept free for it, so that the variable arguments
// the caller stored from byte 1 on follow it directly (va_start steps over it to reach them).
void store_w_parameters(cg_context& ctx) {
    const bool variadic = (ctx.functions.back().fn->flags & SF_VARIADIC) != 0;
    for (symbol* v : ctx.functions.back().bound_locals) {
        if (v->reg != 0 || !(v->flags & SF_IN_REG)) continue;
        tree_node* reg = ctx.nodes.alloc();
        reg->op = OP_REG;
        reg->value = R_W;
        reg->type = v->base;
        reg->levels = v->levels;
        reg->pclass = v->classes;
        v->reg = -1;
        v->flags &= ~SF_IN_REG;
        if (variadic && v->sclass == storage::param) place_parameter_at(ctx, v, 0);
        else place_auto(ctx, v);
        cg_gen_statement(ctx, tree_make(ctx, OP_ASSIGN, make_id(ctx, v), reg), PS_TEXT);
    }
}

}  // namespace

void function_entry_code(cg_context& ctx) {
    if (ctx.functions.empty()) return;
    symbol* fn = ctx.functions.back().fn;
    ctx.returns_in_w = false;
    ctx.psects.function_override = PS_NONE;
    psect_request(ctx, PS_TEXT);
    if (is_interrupt(fn)) {
        ctx.psects.function_override = PS_INTCODE;
        psect_request(ctx, PS_TEXT);
        emit(ctx, "\tglobal\tint_func\nint_func\n");
    }
    store_w_parameters(ctx);
}

void function_exit_code(cg_context& ctx, function_entry& fe) {
    symbol* fn = fe.fn;
    if (!fn) return;
    std::string name = asm_name(fn);
    psect_request(ctx, PS_TEXT);
    bool external = fn->sclass != storage::static_;
    if (!external) emit(ctx, "\tlocal\t%s\n", name.c_str());
    const char* word = external ? "global" : "local";
    bool interrupt = is_interrupt(fn);
    uint32_t saved = interrupt ? saved_registers(ctx) : 0;
    if (interrupt && (saved & ~mask_w)) saved |= mask_w | mask_status;   // saving needs W and STATUS
    if (interrupt) {
        write_interrupt_exit(ctx, name, saved);
    } else {
        for (int b = 0; b < 8; ++b)
            if (ctx.interrupt_mask & (1u << b)) emit(ctx, "\tglobal\tintlevel%d\n\tFNBREAK\t%s,intlevel%d\n", b, name.c_str(), b);
        if (ctx.main_exit) {
            emit(ctx, "\tclrf status\n\tglobal\tstart\n\tljmp\tstart\n");
        } else {
            select_bank0(ctx);
            emit(ctx, ctx.returns_in_w || ctx.helpers.returns_in_w ? "\treturn\t;uses W\n" : "\treturn\t;W free\n");
        }
    }
    int32_t autos = fe.auto_high + fe.temp_high;
    int32_t args = fe.arg_high;
    emit(ctx, "\tFNSIZE\t%s,%d,%d\n", name.c_str(), autos, args);
    if (autos) emit(ctx, "\t%s\t?a%s\n", word, name.c_str());
    if (args) emit(ctx, "\t%s\t?%s\n", word, name.c_str());
    else ctx.fn_without_area.push_back(fn);
    if (interrupt) write_interrupt_entry(ctx, saved);
    if (fe.temp_high) emit(ctx, "f%u3\tequ\t?a%s+%d\n", ctx.psects.function_number, name.c_str(), fe.auto_high);
    fn->reg_mask = ctx.regs.regs_used & reg_default_free();
    ctx.psects.function_override = PS_NONE;
    ctx.interrupt_mask = 0;
    ctx.returns_in_w = false;
}

}  // namespace cg
