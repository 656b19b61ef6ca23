// Bank selection. The bits written follow the bank the operand really lives in on every chip;
// only memory that every bank reaches leaves the bits free.
#include "codegen/banks.h"

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/registers.h"
#include "codegen/tree.h"

namespace cg {

namespace {

uint8_t opposite(uint8_t bits) {
    uint8_t o = 0;
    if (bits & BK_RP0_SET) o |= BK_RP0_CLEAR;
    if (bits & BK_RP0_CLEAR) o |= BK_RP0_SET;
    if (bits & BK_RP1_SET) o |= BK_RP1_CLEAR;
    if (bits & BK_RP1_CLEAR) o |= BK_RP1_SET;
    return o;
}

void write_select(cg_context& ctx, const char* text) {
    emit_text(ctx, text);
    ctx.regs.regs_used |= reg_mask[R_STATUS];   // an interrupt function saves it
}

void write_rp1_clear(cg_context& ctx) {
    write_select(ctx, ctx.banks.carry_used ? "\tbcf\tstatus,6\n" : "\tbcf\tstatus,6\t;carry unused\n");
}

// Core registers that every bank mirrors: INDF, PCL, STATUS, FSR, PCLATH, INTCON.
bool mirrored_everywhere(const cg_context& ctx, uint32_t address) {
    uint32_t low = address & 0x7f;
    if (ctx.proc.common_ram && low >= 0x70) return true;
    return low == 0x00 || low == 0x02 || low == 0x03 || low == 0x04 || low == 0x0a || low == 0x0b;
}

int bank_of_qualifier(uint16_t pclass) {
    if (pclass & PC_BANK3) return 3;
    if (pclass & PC_BANK2) return 2;
    if (pclass & PC_BANK1) return 1;
    return 0;
}

}  // namespace

int bank_of_address(const cg_context& ctx, uint32_t address) {
    if (mirrored_everywhere(ctx, address)) return -1;
    return static_cast<int>((address >> 7) & 3);
}

void bank_function_entry(cg_context& ctx) {
    bank_state& b = ctx.banks;
    b.known = ctx.proc.one_bank_data ? BK_BANK0 : 0;
    b.changed = b.requested = 0;
    b.forced = false;
    b.carry_used = false;
    b.data_mode = false;
    b.saved.clear();
}

void bank_select(cg_context& ctx, uint8_t request) {
    bank_state& b = ctx.banks;
    request &= BK_BANK0 | BK_RP0_SET | BK_RP1_SET;
    if (!request || (b.known & request) == request) return;
    const int banks = ctx.proc.banks;
    if (request == BK_BANK0) {
        if (banks > 2) write_rp1_clear(ctx);
        if (banks > 1) write_select(ctx, "\tbcf\tstatus,5\n");
    } else {
        if ((request & BK_RP0_SET) && banks > 1) write_select(ctx, "\tbsf\tstatus,5\n");
        if ((request & BK_RP0_CLEAR) && banks > 1) write_select(ctx, "\tbcf\tstatus,5\n");
        if ((request & BK_RP1_SET) && banks > 2) write_select(ctx, "\tbsf\tstatus,6\n");
        if ((request & BK_RP1_CLEAR) && banks > 2) write_rp1_clear(ctx);
    }
    b.known = static_cast<uint8_t>((b.known & ~opposite(request)) | request);
    b.changed |= request;
    b.requested |= request;
}

int operand_bank(const cg_context& ctx, const tree_node* n) {
    const tree_node* m = n;
    // A conversion of a variable reads its low byte(s) where the variable lives.
    while (m && (m->op == OP_BITFIELD || m->op == OP_MEMBER || m->op == OP_CONV) && m->left) m = m->left;
    if (!m) return -1;
    if (m->op == OP_DEREF) {
        // A constant address names a bank, and so does a member or element at a constant
        // offset from a variable (the variable's own bank); a pointer goes through FSR and IRP.
        const tree_node* a = m->left;
        if (a && a->op == OP_CONST) return bank_of_address(ctx, static_cast<uint32_t>(a->value));
        if (a && a->op == OP_ADD && a->right && a->right->op == OP_CONST) a = a->left;
        if (a && a->op == OP_ADDR && a->left && a->left->op == OP_ID) return operand_bank(ctx, a->left);
        return -1;
    }
    if (m->op != OP_ID || !m->sym) return -1;
    const symbol* s = m->sym;
    if (s->flags & SF_ABSOLUTE) {
        uint32_t address = s->address;
        if (!s->levels && s->base && base_class(s->base) == value_class::bit) address /= 8;
        return bank_of_address(ctx, address);
    }
    if (s->sclass == storage::reg || s->reg >= 0 || s->sclass == storage::none) return -1;
    if (m->levels && outer_level(m->levels) == LEVEL_FUNCTION) return -1;
    // A pointer variable lives in bank 0: its bank qualifier is that of what it points to.
    if (s->levels) return 0;
    // A variable lives where its declaration puts it (bank 0 without a bank qualifier),
    // whatever class bits the expression gave its node: a dropped conversion or a compound
    // assignment may have handed it those of the other side.
    return bank_of_qualifier(s->classes);
}

void bank_select_operand(cg_context& ctx, const tree_node* n) {
    int bank = operand_bank(ctx, n);
    if (bank < 0) return;
    bank_select(ctx, (bank & 1) ? BK_RP0_SET : BK_RP0_CLEAR);
    if (ctx.proc.banks > 2) bank_select(ctx, (bank & 2) ? BK_RP1_SET : BK_RP1_CLEAR);
}

void bank_after_call(cg_context& ctx) {
    if (ctx.proc.banks == 2)
        ctx.banks.known = static_cast<uint8_t>((ctx.banks.known & ~BK_RP0_SET) | BK_RP0_CLEAR);
    else
        ctx.banks.known = BK_BANK0;
}

}  // namespace cg
