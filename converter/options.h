// The command line of ormconv.
#pragma once
#include "converter/context.h"

namespace conv {

// Reads the arguments (from argv, `@file` or standard input) into the context's options and
// the message settings. Exits for -l, -h, --ver and an unknown option.
void read_command_line(conv_context& ctx, int argc, char** argv);

extern const char usage_text[];

}  // namespace conv
