// The one-time pre-pass and the constant folder of expression trees, with the small helpers
// that the rewriter and the statement simplifier share.
#pragma once
#include <cstdint>

#include "codegen/tree.h"

namespace cg {

// Brings shift counts to one byte and subtractions to sums; once per expression.
tree_node* tree_precanon(cg_context& ctx, tree_node* n);
// Folds operators whose operands are constants, with the target's widths.
tree_node* tree_fold(cg_context& ctx, tree_node* n);

// Leaves a warning for the statement; a later one replaces an earlier one.
void set_pending(cg_context& ctx, int msg);
// All value bits of n: the field width of a bit-field, 1 for a bit, else the size's bits.
uint32_t node_mask(const cg_context& ctx, const tree_node* n);
// The width in bits when v (masked to n's width) is the top bit, log2(v) + 1 for another
// power of two, else 0.
int pow2_log(const cg_context& ctx, int32_t v, const tree_node* n);
bool is_comparison(uint32_t op);
bool is_unsigned(const tree_node* n);
bool is_floating(const tree_node* n);
bool is_const_int(const tree_node* n);
// A float constant converted to an integer as the run-time library converts one: first rounded
// to the value a double of `size` bytes holds, then truncated
// toward zero; out of range a signed result saturates to the 32-bit limits and an unsigned one
// to all ones, and a negative value converted to unsigned is 0. Narrower types take its low
// bytes, so a folded conversion gives what the same conversion gives at run time.
uint32_t float_to_integer(double constant, int size, bool to_unsigned);
// A type carrier for tree_convert: the basic type of that name.
tree_node basic_probe(cg_context& ctx, const char* name);
// Releases n and its right operand; returns its left operand.
tree_node* keep_left(cg_context& ctx, tree_node* n);
// Releases n and its left operand; returns its right operand.
tree_node* keep_right(cg_context& ctx, tree_node* n);
// Gives `to` the value type (type, levels, classes, qualifiers) of `from`.
void copy_value_type(tree_node* to, const tree_node* from);
// Recomputes height and call registers of n from its operands.
void refresh_node(tree_node* n);

}  // namespace cg

