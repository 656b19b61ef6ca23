// The rewriter: brings an expression tree into the canonical form that code selection is
// written against (operand order, normalised comparisons and sums, strength reduction,
// member access as address arithmetic, lowered calls).
#pragma once
#include <cstdint>

#include "codegen/tree.h"

namespace cg {

// One rewriting pass over the tree, operands first; returns the new root.
tree_node* tree_rewrite(cg_context& ctx, tree_node* n);
// Operand order and re-association of one commutative node.
tree_node* tree_canon(cg_context& ctx, tree_node* n);
// The compound assignment of a binary operator ("=" for any other operator).
uint32_t compound_of(uint32_t op);
// "<" and ">=", "<=" and ">", "==" and "!=" exchanged; other operators unchanged.
uint32_t negate_cmp(uint32_t op);
// Sums as linear forms: constants gathered into one, equal terms merged (reading an operand
// fewer times only where reading it has no effect). Returns the new root.
tree_node* normalise_linear(cg_context& ctx, tree_node* n);
// The narrowest integer value whose range x's value is known to lie in: the value below
// widening conversions that keep every value, looked for through "&", "|", "^", "%", "/" and
// ">>" with constants that keep the range; null when there is none.
const tree_node* narrow_source(const cg_context& ctx, const tree_node* x);
// A narrowing operator whose operands hold narrower values, done in the narrower type and
// converted back; returns the new root (n itself when nothing changed).
tree_node* narrow_operation(cg_context& ctx, tree_node* n);

}  // namespace cg
