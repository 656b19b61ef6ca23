// Code selection: the matcher labels a statement tree with the rules that derive it (with the
// registers they take), and the emission walk expands their templates into assembly.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "codegen/ruletable.h"

namespace cg {

struct cg_context;
struct tree_node;

// Match status bits; 0 is success.
enum : int { MS_NO_RULE = 1, MS_NO_REGS = 2, MS_NOT_THERE = 4 };

// A register request: 0 any place, a register number or class, or a mask marked REG_LITERAL.
struct selector_state {
    const rule_tables* tables = nullptr;   // null: the compiled-in rule set
    uint32_t wanted_regs = 0;              // registers whose lack made a rule fail
    bool call_busy = false;                // a call could not have its callee's registers
    int depth = 0;
    int32_t next_label = 0;                // label numbers handed out by the N letter
    int logical_depth = 0;                 // logical operators being emitted (U letter)
    int match_errors = 0;                  // 712s reported in this module
    std::string line_file;                 // position last written with -D
    int32_t line_number = -1;

    // Template expansion, reset before each node's templates.
    int offset = 0, divisor = 0;
    int32_t counters[3] = {};              // I with L, N, R
    std::string deferred;                  // Z+ text
    tree_node* deferred_node = nullptr;
    int deferred_index = 0;
    bool column_tab = false;               // the line's first blank became a tab
    bool line_open = false;                // text written on the current line
    std::string pending_comment;           // written at the next newline
};

// One rule-stack entry of a node.
struct rule_entry {
    int32_t rule = 0;
    uint32_t alloc = 0;     // register the rule's need was given
    uint32_t result = 0;    // where the rule leaves its value
};
int rule_count(const tree_node* n);
rule_entry rule_at(const tree_node* n, int index);
// Replaces the allocated and result registers of rule-stack entry `index`.
void rule_set_registers(tree_node* n, int index, uint32_t alloc, uint32_t result);
void rule_stack_clear(tree_node* n);
// Reserves for the module the scratch bytes and the code pointer that `mask` names.
void note_scratch_use(cg_context& ctx, uint32_t mask);

const rule_tables& active_rules(const cg_context& ctx);
void cg_label_tree(cg_context& ctx, tree_node* n);
int cg_match(cg_context& ctx, tree_node* n, uint32_t goal, uint32_t avail, uint32_t want, uint32_t forbid);
// Matches and emits one statement; section is the program-section kind wanted first (0 none).
// Returns false after 712 (the tree then gave no code).
bool cg_gen_statement(cg_context& ctx, tree_node* tree, int section);
uint32_t cg_operand_value_regs(const tree_node* n);
// The register masks trial matching limits itself to, one tier after another.
const std::vector<uint32_t>& reg_alloc_tiers();
// Matches a statement for the optimiser without emitting it: the registers free to it are the
// function's free registers minus `extra` and those its own leaves hold, tier by tier, register
// variables released where a tier lacks what they hold. The selection stays on the tree.
// Returns false after 712.
bool cg_select_retry(cg_context& ctx, tree_node* tree, uint32_t extra);

// Emission (template expander).
void cg_emit_node(cg_context& ctx, tree_node* n);
void cg_expand_template(cg_context& ctx, tree_node* n, const std::string& text, int index);
uint32_t cg_rule_result_reg(cg_context& ctx, const tree_node* n, int index);

}  // namespace cg
