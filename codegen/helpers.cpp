// Numbered code helpers of the instruction templates.
#include "codegen/helpers.h"

#include <algorithm>
#include <cinttypes>

#include "codegen/asmout.h"
#include "codegen/banks.h"
#include "codegen/context.h"
#include "codegen/matcher.h"
#include "codegen/registers.h"
#include "codegen/switch.h"
#include "codegen/tree.h"
#include "common/alert.h"

namespace cg {

namespace {

int32_t call_table_position(cg_context& ctx, const symbol* fn) {
    auto& table = ctx.helpers.call_table;
    auto it = std::find(table.begin(), table.end(), fn);
    if (it != table.end()) return static_cast<int32_t>(it - table.begin());
    table.push_back(fn);
    return static_cast<int32_t>(table.size() - 1);
}

const symbol* node_symbol(const tree_node* n) {
    for (int guard = 0; n && guard < 8; n = n->left, ++guard)
        if (n->op == OP_ID) return n->sym;
    return nullptr;
}

uint32_t bank_bits(const cg_context& ctx, const tree_node* n) {
    int bank = n ? operand_bank(ctx, n) : -1;
    return bank > 0 ? static_cast<uint32_t>(bank) * 128u : 0u;
}

// Helper 70 looks at the innermost operand under a chain of unary operators.
const tree_node* innermost(const tree_node* n) {
    while (n && op_arity(n->op) == DOPE_UNARY && n->op != OP_BITFIELD && n->left) n = n->left;
    return n;
}

bool names_bank23(const tree_node* n) { return n && (n->pclass & (PC_BANK2 | PC_BANK3)); }

void write_irp(cg_context& ctx, int set) {
    emit_text(ctx, set ? "\n\tbsf\t3,7" : "\n\tbcf\t3,7");
    ctx.helpers.irp_last = set;
}

// Helpers 61 and 62: initialised data of a RAM bank goes to its image in code space.
int current_psect(const cg_context& ctx) { return ctx.psects.requested ? ctx.psects.requested : ctx.psects.written; }

std::string function_name(const cg_context& ctx) {
    return ctx.functions.empty() || !ctx.functions.back().fn ? std::string() : asm_name(ctx.functions.back().fn);
}

bool holds_temporary(const tree_node* n) {
    constexpr uint32_t scratch = 0xfff0;   // btemp .. btemp+11, in bank 0
    for (int i = 0; i < rule_count(n); ++i) {
        auto alloc = static_cast<int32_t>(rule_at(n, i).alloc);
        uint32_t mask = reg_code_mask(alloc);
        // A leaf is read where it lives, even when a rule above it loads it into btemp..
        if (reg_is_temp(alloc) || (op_arity(n->op) != DOPE_LEAF && mask && (mask & ~scratch) == 0)) return true;
    }
    return false;
}

// Selects the bank of the memory that holds n's value: a variable's own bank, bank 0 for a
// statement temporary (it lies in the function's auto area) or a value in the scratch bytes
// (a run-time routine's result), and through a conversion that reads its operand's low bytes
// in place, the operand's.
void select_value_bank(cg_context& ctx, const tree_node* n) {
    for (int guard = 0; n && guard < 16; ++guard) {
        if (holds_temporary(n)) {
            bank_select(ctx, BK_RP0_CLEAR);
            if (ctx.proc.banks > 2) bank_select(ctx, BK_RP1_CLEAR);
            return;
        }
        if (n->op == OP_ARGSEQ) {   // argument stores, then the call that gives the value
            n = n->right;
            continue;
        }
        if (n->op != OP_CONV) break;
        n = n->left;
    }
    if (n) bank_select_operand(ctx, n);
}

}  // namespace

std::string const_compare_template(int32_t value, int size) {
    // Z ends set exactly when every byte matched: later tests run only while Z is set, and
    // zero bytes are or-ed into a W that is 0 exactly when all before matched.
    std::string t;
    char b[96];
    bool first = true;
    auto operand = [&](int i) {
        std::snprintf(b, sizeof b, "~%d/%dL,w\n", i, size);
        return std::string(b);
    };
    for (int i = 0; i < size; ++i) {
        int byte = static_cast<int>((static_cast<uint32_t>(value) >> (8 * i)) & 0xff);
        if (byte == 0) continue;
        if (byte == 1 || byte == 255) {
            if (!first) t += "\tbtfsc\tstatus,2\n";
            t += byte == 1 ? "\tdecf\t" : "\tincf\t";
            t += operand(i);
        } else {
            std::snprintf(b, sizeof b, "\tmovlw\t%d\n", byte);
            t += b;
            if (!first) t += "\tbtfsc\tstatus,2\n";
            t += "\txorwf\t" + operand(i);
        }
        first = false;
    }
    for (int i = 0; i < size; ++i) {
        int byte = static_cast<int>((static_cast<uint32_t>(value) >> (8 * i)) & 0xff);
        if (byte != 0) continue;
        t += first ? "\tmovf\t" : "\tiorwf\t";
        t += operand(i);
        first = false;
    }
    return t;
}

std::string const_shift_template(int count, bool left, bool arithmetic) {
    const int n = count & 7;
    arithmetic = arithmetic && !left;
    const char* rotate = left ? "\trlf\tL,f\n" : "\trrf\tL,f\n";
    // Each rotate takes a clear carry, or the sign for an arithmetic right shift.
    const char* carry_in = arithmetic ? "\trlf\tL,w\n" : "\tbcf\tstatus,0\n";
    std::string t;
    char b[96];
    // A byte shifted by 8 places or more keeps nothing of its value: only zeros, or copies
    // of the sign bit. Taking the count modulo 8 here would leave bits behind.
    if (static_cast<unsigned>(count) >= 8)
        return arithmetic ? "\tmovlw\t0\n\tbtfsc\tL,7\n\tmovlw\t255\n\tmovwf\tL\n" : "\tclrf\tL\n";
    if (n == 0) return t;
    if (n == 7 && !arithmetic) {
        t = left ? "\trrf\tL,w\n\tclrf\tL\n\trrf\tL,f\n" : "\trlf\tL,w\n\tclrf\tL\n\trlf\tL,f\n";
        return t;
    }
    int rotates = n;
    if (n >= 4 && n <= 6) {
        std::snprintf(b, sizeof b, "\tswapf\tL,f\n\tmovlw\t%u\n\tandwf\tL,f\n", left ? 0xf0u : 0x0fu);
        t += b;
        if (arithmetic) {
            // The swap lost the sign: bits 7-4 copy old bit 7, now at bit 3.
            std::snprintf(b, sizeof b, "\tmovlw\t%u\n\tbtfsc\tL,%u\n\tiorwf\tL,f\n", 0xf0u, 3u);
            t += b;
        }
        rotates = n - 4;
    }
    for (int i = 0; i < rotates; ++i) {
        t += carry_in;
        t += rotate;
    }
    return t;
}

void helpers_function_end(cg_context& ctx) {
    helper_state& h = ctx.helpers;
    h.irp_last = -1;
    h.irp_arm = 0;
    h.return_label.clear();
    h.returns_in_w = false;
    h.temp_start = -1;
    ctx.banks.carry_used = false;
}

int cg_code_helper(cg_context& ctx, tree_node* n, int number, int offset, helper_io& io) {
    helper_state& h = ctx.helpers;
    bank_state& bk = ctx.banks;
    const bool pic12 = flag(ctx, MF_PIC12);
    switch (number) {
    case 1:
    case 3: {
        const symbol* fn = node_symbol(n);
        if (!fn) break;
        int32_t pos = call_table_position(ctx, fn);
        if (number == 1) {
            if (!h.call_table_label) h.call_table_label = ctx.next_label++;
            emit(ctx, "((l%" PRId32 "+%" PRId32 ")%s)", h.call_table_label, pos, pic12 ? "&0ffh" : "");
        } else if (flag(ctx, MF_PIC14)) {
            emit_text(ctx, function_pointer_value(ctx, fn));
        } else {
            emit(ctx, "((fpl_%s+%" PRId32 ")%s)", fn->name.c_str(), pos, pic12 ? "&0ffh" : "");
        }
        break;
    }
    case 2: emit_text(ctx, pic12 ? "1fh" : flag(ctx, MF_PIC14) ? "7fh" : "0ffh"); break;
    case 4:
        if (n) ctx.struct_return = std::max<uint32_t>(ctx.struct_return, node_size(ctx, n));
        break;
    case 6:
        if (pic12) {
            ctx.psects.written = PS_NONE;
            ctx.psects.function_override = 0;
        }
        break;
    case 7:
        if (h.last_labelled) {
            emit_text(ctx, asm_name(h.last_labelled));
            if (!h.last_labelled->levels && (h.last_labelled->classes & PC_CONST)) h.last_labelled->flags |= SF_USED;
        }
        break;
    case 8:
        if (h.temp_start < 0 || h.temp_start > ctx.regs.temp_offset) h.temp_start = ctx.regs.temp_offset;
        break;
    case 9: {
        switch_request req;
        if (switch_collect(ctx, n, req))
            switch_dispatch(ctx, req);
        else
            alert_message(714);
        break;
    }
    case 11: psect_request(ctx, PS_TEXT); break;
    case 12:
        if (n && !n->levels && (n->pclass & PC_VOLATILE)) io.note = "volatile";
        break;
    case 13: {
        const symbol* fn = node_symbol(n);
        if (fn && ((fn->classes | (n ? n->pclass : 0)) & PC_INTERRUPT)) {
            ctx.psects.function_override = PS_INTCODE;
            if (flag(ctx, MF_PIC17)) emit_text(ctx, "\tpsect\tintcode,ovrld,size=8192\n");
        }
        psect_request(ctx, PS_TEXT);
        break;
    }
    case 14: emit(ctx, "?%s", function_name(ctx).c_str()); break;
    case 15: {
        const tree_node* b = n;
        while (b && b->op != OP_BITFIELD && op_arity(b->op) != DOPE_LEAF) b = b->left;
        if (b && b->op == OP_BITFIELD && b->sym) emit(ctx, "%d", b->sym->bit_width);
        break;
    }
    case 16:
        if (n && n->right && n->right->op == OP_CONST) {
            bool left = n->op == OP_SHL || n->op == OP_ASG_SHL;
            bool arithmetic = n->left && node_class(n->left) == value_class::signed_;
            io.expand += const_shift_template(n->right->value, left, arithmetic);
        }
        break;
    case 17:
    case 18:
    case 70: {
        const tree_node* m = number == 70 ? innermost(n) : n;
        if (number == 18 && m && m->op == OP_DEREF && m->left && m->left->op == OP_CONST && m->left->value < 256) break;
        uint32_t bits = bank_bits(ctx, m);
        if (bits) emit(ctx, "^0x%X", bits);
        break;
    }
    case 19: emit(ctx, "0x%X", bank_bits(ctx, n)); break;
    case 20: emit(ctx, "f%u3", ctx.psects.function_number); break;
    case 21:
        if (n && n->left && n->right && n->right->op == OP_CONST) {
            int size = node_size(ctx, n->left);
            if (size >= 1 && size <= 4) io.expand += const_compare_template(n->right->value, size);
        }
        break;
    case 48:
    case 50:
        if (bk.data_mode || (number == 48 && ctx.proc.common_ram)) break;
        bank_select(ctx, BK_RP0_CLEAR);
        bank_select(ctx, BK_RP1_CLEAR);
        break;
    case 49: break;   // 17-series only
    case 51:
        if (!bk.data_mode) select_value_bank(ctx, n);
        break;
    case 52: {
        uint8_t kept = bk.known;
        bank_select_operand(ctx, n);
        bk.known = kept;
        break;
    }
    case 53:
        bk.known = static_cast<uint8_t>(bk.known & ~bk.changed);
        bk.changed = 0;
        break;
    case 54:
    case 56:
        if (number == 54 && ctx.opt.optimise) break;
        bk.known = 0;
        bk.forced = true;
        break;
    case 55:
        if (ctx.proc.banks > 2) write_irp(ctx, names_bank23(n) ? 1 : 0);
        break;
    case 57:
        if (n) {
            auto it = bk.saved.find(n);
            bk.saved[n] = it == bk.saved.end() ? bk.known : static_cast<uint8_t>(it->second & bk.known);
        }
        break;
    case 58:
        if (n) bk.saved[n] = bk.known;
        break;
    case 59:
        if (n && bk.saved.count(n)) bk.known = bk.saved[n];
        break;
    case 60:
        bk.known = BK_BANK0;
        bk.forced = true;
        break;
    case 61: {
        bk.data_mode = true;
        int kind = current_psect(ctx);
        if (kind >= PS_RDATA0 && kind <= PS_RDATA0 + 3) {
            emit(ctx, "ds\t%u\n", n ? static_cast<unsigned>(node_size(ctx, n)) : 0u);
            psect_request(ctx, PS_IDATA0 + (kind - PS_RDATA0));
            emit_text(ctx, "\t");
        }
        break;
    }
    case 62: {
        bk.data_mode = false;
        int kind = current_psect(ctx);
        if (kind >= PS_IDATA0 && kind <= PS_IDATA0 + 3) {
            emit_text(ctx, "\n");
            psect_request(ctx, PS_RDATA0 + (kind - PS_IDATA0));
        }
        break;
    }
    case 63:
        // The selector's registers live in bank 0 unless the chip has common RAM for them.
        if (!ctx.proc.common_ram) bank_select(ctx, BK_BANK0);
        break;
    case 64:
        if (ctx.proc.one_bank_data) bank_select(ctx, BK_BANK0);
        break;
    case 65:
        bk.known = 0;
        bk.forced = true;
        bank_select(ctx, BK_BANK0);
        break;
    case 66: bk.data_mode = true; break;
    case 67: bk.data_mode = false; break;
    case 68:
    case 69:
        if (number == 68 && ctx.proc.common_ram) break;
        bank_after_call(ctx);
        break;
    case 71: emit(ctx, "FNCALL\t%s,", function_name(ctx).c_str()); break;
    case 72: {
        char b[32];
        std::snprintf(b, sizeof b, "u%" PRId32 "9", n ? n->value : 0);
        h.return_label = b;
        break;
    }
    case 73:
    case 74: break;
    case 75: bk.carry_used = true; break;
    case 76: ctx.regs.regs_used |= reg_mask[R_BTEMP + 3]; break;
    case 77: ctx.regs.regs_used |= reg_mask[R_BTEMP + 2]; break;
    case 78: emit_text(ctx, ctx.proc.rom_words > 2048 ? "fcall" : "call"); break;
    case 80: h.irp_arm = 1; break;
    case 81: h.irp_arm = h.irp_arm == 1 ? 2 : 0; break;
    case 82:
        if (ctx.proc.banks > 2) write_irp(ctx, h.irp_arm == 2 && h.irp_last >= 0 ? h.irp_last : names_bank23(n) ? 1 : 0);
        h.irp_arm = 0;
        break;
    case 83: h.irp_arm = 0; break;
    case 90:
    case 91:
    case 92:
    case 93: {
        static const char* const texts[4] = {"bcf\tstatus,5\n\tbcf\tstatus,6", "bsf\tstatus,5\n\tbcf\tstatus,6",
                                             "bcf\tstatus,5\n\tbsf\tstatus,6", "bsf\tstatus,5\n\tbsf\tstatus,6"};
        int bank = number - 90;
        emit_text(ctx, texts[bank]);
        bk.known = static_cast<uint8_t>(((bank & 1) ? BK_RP0_SET : BK_RP0_CLEAR) | ((bank & 2) ? BK_RP1_SET : BK_RP1_CLEAR));
        ctx.regs.regs_used |= reg_mask[R_STATUS];
        break;
    }
    case 94: h.returns_in_w = true; break;
    default: alert_message(679, number); break;
    }
    return offset;
}

}  // namespace cg
