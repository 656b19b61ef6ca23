// The pass runner: argument lists, the common prefix arguments, option files, -V and
// --noexec, and running a pass.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

enum pass_index : int32_t {
    PASS_ANNOT, PASS_PRE, PASS_PARSE, PASS_CG, PASS_ASM, PASS_LINK, PASS_HEX, PASS_PATCH, PASS_CONV,
    PASS_ARCH, PASS_XREF, PASS_COUNT
};
extern const char* const pass_names[PASS_COUNT];

constexpr uint32_t ARG_CONFIGURABLE = 1;

struct arg_entry {
    std::string text;
    uint32_t flags = 0;
};

struct arglist {
    int32_t pass;
    std::vector<arg_entry> entries;
    explicit arglist(int32_t p) : pass(p) {}
    void append(const std::string& text, uint32_t flags = 0) { entries.push_back({text, flags}); }
    void appendf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void prepend(const std::string& text, uint32_t flags = 0) { entries.insert(entries.begin(), {text, flags}); }
};

// Completes, shows and runs the list; true when the pass succeeded or was not run.
bool run_pass(arglist& list);
// The stage timer.
void stage_start(const char* name);
void stage_report();

// Reads whole lines (any length) of an open file, one trailing newline cut from each.
std::vector<std::string> read_lines(FILE* f);
