// STUB until the numbered code helpers land (branch regpred): the helper the first rules use.
#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/matcher.h"
#include "common/alert.h"

namespace cg {

int cg_code_helper(cg_context& ctx, tree_node*, int number, int offset) {
    switch (number) {
    case 20: emit(ctx, "f%u3", ctx.psects.function_number); return offset;
    default: alert_message(679, number); return offset;
    }
}

}  // namespace cg
