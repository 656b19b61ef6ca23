// RAM bank selection: what is known of STATUS's RP0 and RP1 across the written instructions,
// the selection of a bank for an operand and the bookkeeping marks around calls.
#pragma once
#include <cstdint>
#include <map>

namespace cg {

struct cg_context;
struct tree_node;

// Known-bank bits and the requests made of them.
enum : uint8_t {
    BK_RP0_SET = 1, BK_RP0_CLEAR = 2, BK_RP1_SET = 4, BK_RP1_CLEAR = 8,
    BK_BANK0 = BK_RP0_CLEAR | BK_RP1_CLEAR,
};

struct bank_state {
    uint8_t known = 0;          // BK_* bits known to hold
    uint8_t changed = 0;        // bits changed in the current statement
    uint8_t requested = 0;      // bits requested in the current statement
    bool forced = false;        // the state was set by force (after a STATUS clear, a reset)
    bool carry_used = false;    // the function uses the carry: RP1 clears carry no comment
    bool data_mode = false;     // initialised-data text is being written: no selection
    std::map<const tree_node*, uint8_t> saved;   // states saved through a node
};

// Forgets everything known: at a function's entry (bank 0 known on one-bank-data chips).
void bank_function_entry(cg_context& ctx);
// Selects `request` (BK_* bits) unless all of it is already known.
void bank_select(cg_context& ctx, uint8_t request);
// The bank an operand lives in, or -1 when it names no memory or lies in memory every bank
// reaches (the common range, the core registers mirrored in every bank).
int operand_bank(const cg_context& ctx, const tree_node* n);
// The RAM bank of an absolute data address, or -1 for a register every bank mirrors.
int bank_of_address(const cg_context& ctx, uint32_t address);
// Selects the operand's bank; nothing for an operand without one.
void bank_select_operand(cg_context& ctx, const tree_node* n);
// What is known after a call.
void bank_after_call(cg_context& ctx);

}  // namespace cg
