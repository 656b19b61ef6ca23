// Call lowering: arguments become assignments to the callee's argument area (the first may
// travel in W), and the call-graph directives for the linker's overlay of the areas.
#pragma once
#include <cstdint>

#include "codegen/tree.h"

namespace cg {

// Lowers one "(" node (once; later calls return it unchanged). Returns the new root.
tree_node* lower_call(cg_context& ctx, tree_node* call);
// A new automatic of the value type of `like` (a computed callee, a value taken out of an
// expression that no rule derives in place).
symbol* value_temporary(cg_context& ctx, const tree_node* like);
// An lvalue of `arg`'s type at `offset` in the argument area of `callee`.
tree_node* arg_location(cg_context& ctx, const tree_node* callee, const tree_node* arg, int32_t offset);

}  // namespace cg
