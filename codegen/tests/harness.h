// Runs the code generator's reader over intermediate code held in a string, in process, and
// collects the assembly, the debug records and the messages.
#pragma once
#include <string>
#include <vector>

#include "codegen/context.h"

namespace cgtest {

struct run_result {
    std::string assembly;
    std::string sdb;
    std::vector<std::string> messages;
    std::vector<std::string> statements;   // run_statements: each statement handed to code generation
    std::vector<std::pair<uint64_t, uint64_t>> output_hashes;   // optimised functions: dry run, real run
    bool has_message(int number) const;
};

// `ic` is the body after the version line (which is added). `flags` are machine flags set
// before the header; `chip` is the -P argument.
// `opt_level` is the global optimisation level of -OG (above 0: function output deferred).
run_result run_ic(const std::string& ic, uint16_t flags = 0, const char* chip = "16F877A",
                  bool with_sdb = false, int opt_level = 0);
// Runs `ic` at a warning level, recording each simplified statement in prefix form instead of
// generating code for it; with `lowered`, after conditions made of && || ?: became jumps.
// `round_limit` replaces the simplifier's bound on folding and rewriting rounds (0: its own).
run_result run_statements(const std::string& ic, int warning_level = 0, int round_limit = 0, bool lowered = false);
// The operand an auto's equate names ("?a_f+1" for "_f$x\tset\t?a_f+1"); empty when the
// assembly places no auto of that name in that function.
std::string auto_place(const std::string& assembly, const std::string& function, const std::string& name);
// The lines of `text` that contain `needle`.
std::vector<std::string> lines_with(const std::string& text, const std::string& needle);

}  // namespace cgtest
