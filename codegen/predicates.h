// Rule predicates: the boolean tests a code-selection rule may name on the node it matches
// (sizes, signedness, special constants, qualifiers, banks, named run-time routines), and
// the small tree tests the rewriter and the statement simplifier share.
#pragma once
#include <cstdint>

namespace cg {

struct cg_context;
struct tree_node;
struct symbol;

constexpr int predicate_count = 151;   // entry 0 is empty
extern const char* const predicate_names[predicate_count];
// Number of a predicate by name; 0 when unknown.
int predicate_lookup(const char* name);

// Whether predicate `number` holds for `n`; a number without a case is fatal (689).
bool cg_predicate(const cg_context& ctx, const tree_node* n, int number);

// Number of set bits; 32 for 0 and for negative values, except 1 for the most negative.
int bit_count(int32_t v);
// All memory operands of the subtree carry the bank qualifiers of the last one; size-1
// operands of byte-sized symbols are skipped unless `count_bytes`.
bool tree_same_bank(const cg_context& ctx, const tree_node* n, bool count_bytes);

// An address constant: a constant-valued operator, the address of a static or external
// object, or such an address plus a constant.
bool tree_is_const_address(const tree_node* n);
// ">" becomes "<" and "<=" becomes ">=" by exchanging the operands; others unchanged.
tree_node* tree_swap_compare(tree_node* n);
// Operand rank for the rewriter's operand ordering.
int tree_eval_kind(const cg_context& ctx, const tree_node* n);
// A "++"/"--" of an ID by one.
bool tree_is_step_by_one(const tree_node* n);
// The type "unx" for an offset into a small defined const array (PIC14), else null.
symbol* const_array_index_type(cg_context& ctx, const symbol* s);

}  // namespace cg
