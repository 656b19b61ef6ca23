// The three passes over the inputs: object files, symbols-only objects and libraries with
// their module selection.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "objfmt/library.h"

namespace lnk {

struct context;

enum class input_kind : uint8_t { object, symbols_only, library };

struct input_file {
    std::string name;
    input_kind kind = input_kind::object;
    std::vector<uint8_t> data;
    bool loaded = false;
    int32_t module = -1;                 // module record of an object file
    obj::lib_directory dir;              // libraries
    bool dir_ok = false;
    std::vector<bool> taken;             // per library module
    std::vector<int32_t> modules;        // module record per library module (-1 not taken)
};

struct passes_state {
    std::vector<input_file> inputs;
};

input_kind kind_of(const std::string& name);
// Runs pass 0, 1 and 2 over every input, with the end-of-pass actions.
void run_passes(context& cx);
// Pass 0 of a library: selects modules in rounds (522 after more than 10), then reads them.
void lib_select(context& cx, input_file& in);
// Reads one module (records up to its END) with the handlers of the current pass.
void read_module(context& cx, const uint8_t* data, size_t size, int32_t module, bool symbols_only);

}  // namespace lnk
