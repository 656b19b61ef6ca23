// The auto area of a function the optimiser writes: once its statements are final, each auto
// they still name gets its place, in an order by block depth, declaration line, size and use;
// autos of blocks that are not nested in one another share bytes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "codegen/context.h"

namespace cg {

// What orders an auto in the optimiser's layout (every key ascending, in this order).
struct layout_key {
    int depth = 0;
    int32_t line = 0;
    uint32_t size = 0;
    uint32_t uses = 0;
    std::string name;
};
bool layout_before(const layout_key& a, const layout_key& b);

// One auto to place: its block (an index into the scopes), its size and alignment mask.
struct layout_item {
    int32_t scope = 0;
    uint32_t size = 0;
    uint8_t align_mask = 0;
};

struct layout_result {
    std::vector<int32_t> offsets;   // one per item
    int32_t high = 0;               // the area's size
};

// Offsets of autos given in placing order. A block's autos follow one another in that order
// from where the autos of the block it is nested in end, the outermost block's from `base`;
// so blocks that are not nested in one another share bytes. A parent's index must be below
// its children's (blocks are numbered as they open).
layout_result lay_out_scopes(const std::vector<auto_scope>& scopes, const std::vector<layout_item>& items,
                             int32_t base);

// How many times each symbol is named in the statements.
std::vector<uint32_t> count_uses(const std::vector<deferred_item>& items, const std::vector<waiting_auto>& autos);

// Places the current function's waiting autos after the area's present contents, writing
// their equates and debug records (each within its own block), and ends the waiting. With
// `by_use` (the optimiser's statements): only autos the statements name, and the temporaries,
// in the order of layout_before; without: every one, in declaration order.
void lay_out_autos(cg_context& ctx, const std::vector<deferred_item>& items, bool by_use);

}  // namespace cg
