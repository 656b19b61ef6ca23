// Numbered code helpers: what an instruction template cannot spell by itself (bank selection,
// section changes inside data, constant comparisons, call mnemonics, bookkeeping marks).
//
// The template expander calls cg_code_helper for each helper directive with the operand node
// the directive selects (may be null), the helper number and its running offset. Text goes to
// the current line through the line buffer, except where a helper produces template text: that
// is appended to `expand` and the expander must feed it back through itself (helper 21 writes
// operand escapes "~<byte>/<size>L" that only the expander can resolve, helper 16 the operand
// letter "L"). A helper may set
// `note` to an operand note ("volatile") for the expander to write.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace cg {

struct cg_context;
struct tree_node;
struct symbol;

struct helper_io {
    std::string expand;   // template text to expand in place (empty: none)
    std::string note;     // operand note set by helper 12
};

// Per-file and per-function state of the helpers.
struct helper_state {
    int32_t call_table_label = 0;          // label of the table of called functions (0: none yet)
    std::vector<const symbol*> call_table; // functions in the order of first use
    symbol* last_labelled = nullptr;       // last variable the data writer labelled
    int irp_last = -1;                     // 0 bcf, 1 bsf: the IRP instruction 55 wrote last
    int irp_arm = 0;                       // 80 then 81 arm a repeat (2 when armed)
    std::string return_label;              // local return label kept by 72
    bool returns_in_w = false;             // marked by 94
    int32_t temp_start = -1;               // lowered by 8 (-1: not yet)
};

// Runs helper `number` for node `n`; returns the expander's new running offset. Unknown
// numbers report 679.
int cg_code_helper(cg_context& ctx, tree_node* n, int number, int offset, helper_io& io);
// At a function's end: forgets what belongs to one function.
void helpers_function_end(cg_context& ctx);

// The compare-with-constant sequence of helper 21 for a `size`-byte operand: template text.
std::string const_compare_template(int32_t value, int size);
// The in-place shift of helper 16 of the byte operand "L" by `count` & 7 places: template text.
std::string const_shift_template(int count, bool left, bool arithmetic);

}  // namespace cg
