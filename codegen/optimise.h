// The per-function optimiser: with global optimisation on, a collected function is cut into
// blocks, blocks that nothing reaches are dropped, and the function is written with what is
// known of the bank selection at each block's entry.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "codegen/context.h"

namespace cg {

struct flow_graph;

// Writes one collected item (statement or comment), taking its tree.
using item_writer = std::function<void(cg_context&, deferred_item&)>;

// Optimises and writes the function's items. Returns false, with the items untouched, when the
// function is one the optimiser leaves to the plain path.
bool cg_optimise_function(cg_context& ctx, std::vector<deferred_item>& items, const item_writer& write);

// What a written block leaves on its way out: the bank facts its jump carries and those it
// carries when it falls through to the next block.
struct block_exit {
    int64_t jump_target = -1;     // block its jump names (-1: none)
    bool dispatch = false;        // ends in a switch: its targets learn nothing
    bool falls = false;
    uint8_t on_jump = 0, on_fall = 0;
    bool written = false;
};

// The bank facts known on entry to block n when blocks are written in order: what every
// predecessor carries into it, and nothing over a back edge or from a switch.
uint8_t block_entry_state(const flow_graph& g, uint32_t n, const std::vector<block_exit>& exits);
// True when an instruction line may change the bank-select bits or leave the straight line
// (a call, a write to STATUS).
bool line_may_change_bank(const std::string& line);

}  // namespace cg
