// Function frames: each function owns a static argument area "?f" and auto area "?af" that the
// linker overlays by the call graph; this places parameters and autos in them.
#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/records.h"
#include "codegen/sdb.h"
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
    std::string fn = asm_name(fe.fn);
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
    s->offset = fe.arg_size;
    fe.arg_size += size;
    if (size == 1 && !register_param && !s->levels) fe.arg_size += 1;
    fe.arg_high = std::max(fe.arg_high, fe.arg_size);
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

}  // namespace cg
