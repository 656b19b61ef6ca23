// STUB until the predicates and the numbered code helpers land (branch regpred): the few
// size and constant tests and helpers the first rule set needs. Replaced after merging.
#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/matcher.h"
#include "common/alert.h"

namespace cg {

bool cg_predicate(cg_context& ctx, const tree_node* n, uint32_t number) {
    int size = node_size(ctx, n);
    switch (number) {
    case 1: return size == 1;                                       // ISBYTE
    case 2: return size == 2;                                       // WORD
    case 34: return size != 1;                                      // NOTBYTE
    case 59: return n->op == OP_CONST && n->value == 0;             // ISZERO
    case 99: return n->op == OP_CONST && n->value == 1;             // ISONE
    case 61: return n->left && node_size(ctx, n->left) == 1;        // LISBYTE
    case 102: return n->op == OP_ID && n->sym && n->sym->reg < 0;   // DIRECT_ADDR (plain variables)
    case 125: return n->op == OP_ID && n->sym && n->sym->reg == 0;  // HASWREG
    default: return false;
    }
}

int cg_code_helper(cg_context& ctx, tree_node*, int number, int offset) {
    switch (number) {
    case 20: emit(ctx, "f%u3", ctx.psects.function_number); return offset;
    default: alert_message(679, number); return offset;
    }
}

}  // namespace cg
