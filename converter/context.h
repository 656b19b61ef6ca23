// One run of ormconv: its options, the flat model, the debug model and the processor choice.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "converter/coff_format.h"
#include "converter/debug_model.h"
#include "converter/encodings.h"
#include "converter/machines.h"
#include "converter/model.h"
#include "converter/omf51.h"

namespace conv {

constexpr size_t MAX_FILES = 127;   // inputs, and outputs

struct output_request {
    uint32_t format = 0;   // 1-based row of the format table
    std::string name;      // empty: derived from the previous output (or the first input)
};

struct conv_options {
    uint32_t verbose_level = 0;
    bool check_only = false, dump = false, fake_locals = false, fake_redefinitions = false;
    bool strip_underscore = false, strip_extensions = false;
    std::vector<std::string> processor_fields;
    std::string code_class_list;
    bool has_pathspec = false;
    std::string pathspec_from, pathspec_to;
    uint32_t input_format = 0;   // 0: probe every input
    std::vector<std::string> inputs;
    std::vector<output_request> outputs;
};

struct conv_context {
    conv_context() : md(opt.strip_extensions) {}
    conv_context(const conv_context&) = delete;
    conv_context& operator=(const conv_context&) = delete;

    conv_options opt;
    byte_order order = byte_order::little;
    model md;
    debug_model dbg;
    machine_state machine;
    uint32_t symfile_current_file = 0;   // the symbol-file reader's file; lasts the whole run
    uint32_t coff_machine = 0;           // chosen row of the COFF machine table, 0 none
    bool icoff_machine = false;          // the ICOFF row was chosen
    mcoff_words mcoff;                   // processor words of the last Microchip COFF read
    uint32_t mcoff_unnamed = 0;          // ".u%d" counters of the two COFF writers; they run on
    uint32_t coff_unnamed = 0;
    omf_state omf;
};

// "==> " and the text on standard error while verbose.
void verbose_msg(const conv_context& ctx, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace conv
