// The per-function optimiser: with global optimisation on, a collected function is cut into
// blocks, blocks that nothing reaches are dropped, and the function is written twice: a dry
// run learns what each block does to the bank selection, the states at the block entries are
// settled over the flow graph, and the real run writes the function with them.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "codegen/context.h"

namespace cg {

struct flow_graph;

// Writes one collected item (statement or comment), taking its tree.
using item_writer = std::function<void(cg_context&, deferred_item&)>;

// Optimises and writes the function's items. Returns false, with the items untouched, when the
// function is one the optimiser leaves to the plain path.
bool cg_optimise_function(cg_context& ctx, std::vector<deferred_item>& items, const item_writer& write);

// What the dry run learned of one block, written from a state where nothing was known.
struct block_banks {
    uint8_t at_end = 0;           // bank facts known at the block's end
    uint8_t on_jump = 0;          // known where its final jump may leave
    uint8_t kept = 0;             // facts no instruction of the block may change
    int64_t jump_target = -1;     // block its final jump names (-1: none)
    bool dispatch = false;        // ends in a switch: its targets learn nothing
    bool falls = true;            // may run on into the next block
};

struct bank_flow {
    std::vector<uint8_t> entry;   // known on entry to each block
    int rounds = 0;
    bool settled = false;         // false: the rounds ran out and every entry is unknown
};

// Rounds of the state flow before it gives up.
constexpr int bank_flow_rounds = 10;

// Settles the bank facts known at each block's entry: what every way in carries, loops
// included. Starts from "everything known" and narrows; when the rounds run out before the
// states settle, nothing is trusted and every block but the entry starts unknown.
bank_flow bank_state_flow(const flow_graph& g, const std::vector<block_banks>& facts, uint8_t function_entry);

// The bank facts an instruction line may change: RP0's for a write to STATUS bit 5, RP1's for
// bit 6, all of them for a call or any other write to STATUS.
uint8_t bank_facts_touched(const std::string& line);

// The code of a text with its bank selections and source positions left out: what a dry run
// and the real run of the same function must agree on.
uint64_t code_hash(const std::string& text);

}  // namespace cg
