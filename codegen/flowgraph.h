// The flow graph of one collected function: its statements cut into blocks at labels and
// jumps, the label table, successors (with label chains followed), predecessors, and the
// removal of blocks that nothing reaches.
#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "codegen/context.h"

namespace cg {

struct flow_block {
    std::vector<size_t> items;    // indices into the function's items, in order
    std::vector<uint32_t> succ;   // ascending, no repeats
    std::vector<uint32_t> pred;   // ascending, no repeats
    int32_t label = 0;            // label the block starts with (0: none)
    bool removed = false;         // unreachable: its statements were freed
};

struct flow_graph {
    std::vector<deferred_item> items;
    std::vector<flow_block> blocks;                     // block 0 is the entry and never a target
    std::vector<std::pair<int32_t, uint32_t>> labels;   // label number -> block, sorted
    bool usable = false;          // false: the function goes through the plain path
};

// The jump kinds that end a block.
bool ends_block(const tree_node* t);
// Label number a label statement places; 0 for any other statement.
int32_t placed_label(const tree_node* t);

// Cuts the items into blocks and fills the label table. Leaves `usable` false (and the items
// untouched) for a function it cannot reason about: in-line assembly, a jump to a label that
// is not in the function, a label placed twice, a switch without a readable case list.
void flow_build(cg_context& ctx, flow_graph& g);
// Successors (following label chains and retargeting the jumps) and predecessors.
void flow_link(cg_context& ctx, flow_graph& g);
// Frees the statements of blocks that only they themselves reach; repeats as removals make
// more blocks unreachable. Comments stay where they were. Returns the number removed.
size_t flow_remove_unreachable(cg_context& ctx, flow_graph& g);

}  // namespace cg
