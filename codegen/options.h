// The command line of ormcg.
#pragma once
#include <string>
#include <vector>

#include "codegen/context.h"
#include "common/pass_startup.h"

namespace cg {

extern const char* const machine_flag_names[16];

// How ormcg reads its arguments and the passes' prefix options.
extern const pass_startup startup;

// Applies the leading arguments that begin with "-" (the passes' prefix options among them;
// "--ver" ends the process); returns the index of the first file argument.
size_t apply_options(cg_context& ctx, const std::vector<std::string>& args);
// Processor set-up from the argument after "-P".
void setup_processor(cg_context& ctx, const char* text);
// Architecture flags and the page-select value, set when the header is written.
void setup_architecture(cg_context& ctx);

}  // namespace cg
