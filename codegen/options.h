// The command line of ormcg.
#pragma once
#include "codegen/context.h"

namespace cg {

extern const char* const machine_flag_names[16];

// Applies the options of args[0..count) (the leading ones that begin with "-"); returns the
// index of the first file argument, or -1 after --ver (the version block was printed).
int apply_options(cg_context& ctx, int count, char** args);
// Processor set-up from the argument after "-P".
void setup_processor(cg_context& ctx, const char* text);
// Architecture flags and the page-select value, set when the header is written.
void setup_architecture(cg_context& ctx);

}  // namespace cg
