// The generated code-selection tables: the goal-and-operator transition hash, the candidate
// lists, the rule rows and the template pool. The tables are written by the rule generator
// (codegen/rulegen) from a rule source; nothing here is edited by hand.
#pragma once
#include <cstddef>
#include <cstdint>

namespace cg {

constexpr uint32_t transition_slots = 5257;
constexpr int32_t first_goal = 89;        // 89 is the statement goal
constexpr int32_t statement_goal = 89;
constexpr size_t rule_stack_size = 9;

// One rule row, twelve words; code, result and post are offsets into the template pool.
struct rule_row {
    uint32_t mflags;       // machine flags that must all be set
    uint32_t pred;         // predicate number, 0 none
    uint32_t operand_reg;  // where the operand must be (register or class, with flags)
    uint32_t need;         // scratch/result register the rule needs (with flags)
    uint32_t clobbers;     // registers its code destroys
    uint32_t op;           // operator 1-88, or the sub-goal of a chain rule
    uint32_t left, right;  // goals the children must match (0: none)
    uint32_t code;         // template pool offset of the code template
    uint32_t result;       // template pool offset of the result descriptor
    uint32_t kind;         // where the value is afterwards (low 3 bits) and who holds it
    uint32_t post;         // template pool offset of the post template
};

// Need and operand-register flags.
enum : uint32_t {
    RF_REPLACE = 0x100, RF_MASK = 0x200, RF_NOT_SYM = 0x400, RF_CALL = 0x800, RF_REUSE_RIGHT = 0x1000,
    RF_FLAGS = RF_REPLACE | RF_MASK | RF_NOT_SYM | RF_CALL | RF_REUSE_RIGHT,
};

struct rule_tables {
    const int16_t (*hash)[3];        // transition_slots slots {goal, op, next}
    const int16_t* candidates;       // negative-terminated lists
    size_t candidate_count;
    const rule_row* rows;            // row 0 unused
    size_t row_count;
    const char* pool;                // NUL-terminated texts
    const char* const* goal_names;   // goal_names[g - first_goal]
    size_t goal_count;
};

// The rule set compiled into ormcg.
extern const rule_tables pic14_rules;

// Candidate index (> 0), negated single rule (< 0) or 0, by the probing the generator used.
int32_t cg_transition(const rule_tables& t, uint32_t goal, uint32_t op);

}  // namespace cg
