#ifndef ORM_CODEGEN_BITFIELDS_H
#define ORM_CODEGEN_BITFIELDS_H

#include "codegen/tree.h"

namespace cg {

struct cg_context;

// Rewrites the bit-field reads, stores and compound assignments of a statement tree into
// arithmetic on their storage bytes; true when anything changed.
bool lower_bitfields(cg_context& ctx, tree_node*& tree);

// The value, of the field's type, of a field like `field` whose bits are those of the unsigned
// char `byte` from bit `offset` up (sign-extended for a signed field).
tree_node* field_bits_value(cg_context& ctx, tree_node* byte, const tree_node* field, int offset);

}  // namespace cg

#endif
