// Function entry and exit code (see entry.cpp).
#pragma once

namespace cg {

struct cg_context;
struct function_entry;

// At the function body record: per-function state and the function's code section.
void function_entry_code(cg_context& ctx);
// When the function's outermost block closes: return, call-graph and frame directives, and
// an interrupt function's save and restore code. Runs before the function number advances.
void function_exit_code(cg_context& ctx, function_entry& fe);

}  // namespace cg
