// Statement simplification: folding and rewriting to a fixed point, constant branches,
// statements whose value is unused (logical operators become jumps, post-increments move
// out), and the hand-over of each resulting statement to code generation.
#pragma once
#include <cstdint>

#include "codegen/tree.h"

namespace cg {

// Label numbers: the parser's below switch_label_base, the switch code's from there, the
// simplifier's from simplifier_label_base.
constexpr int32_t switch_label_base = 30001;
constexpr int32_t simplifier_label_base = 40000;
// Bound on folding and rewriting rounds, raised by twice the tree's height; reaching it is an
// internal error.
constexpr int simplify_round_limit = 100;

// Simplifies one expression; null for null.
tree_node* simplify_expr(cg_context& ctx, tree_node* tree);
// Simplifies an expression used as a statement and emits the resulting statements; returns
// how many of them generate code.
int simplify_stmt(cg_context& ctx, tree_node* tree);
// A simplified statement whose condition or stored value is made of && || ?: (or a comparison
// stored wider than a byte) becomes jumps on its parts, handed on as statements; true when it
// took the tree.
bool lower_condition(cg_context& ctx, tree_node* tree);
// Hands a simplified statement to code generation, its post-increments and -decrements by 1
// moved out (at most ten) and generated after it.
void emit_moving_increments(cg_context& ctx, tree_node* q);
// simplify_stmt with the reports of statements that generate no code.
void simplify_and_emit(cg_context& ctx, tree_node* tree);

}  // namespace cg
