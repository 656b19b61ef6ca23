#ifndef ORM_CODEGEN_BITFIELDS_H
#define ORM_CODEGEN_BITFIELDS_H

#include "codegen/tree.h"

namespace cg {

struct cg_context;

// Rewrites the bit-field reads, stores and compound assignments of a statement tree into
// arithmetic on their storage bytes; true when anything changed.
bool lower_bitfields(cg_context& ctx, tree_node*& tree);

}  // namespace cg

#endif
