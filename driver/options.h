// The option engine: rows of a table applied in group order, each scanning the whole
// command line.
#pragma once
#include <cstdint>

enum : uint32_t {
    OPT_ARG_REQUIRED = 0x1, OPT_ARG_OPTIONAL = 0x2, OPT_NO_REPEAT = 0x4, OPT_STOPS = 0x100,
    OPT_ALIAS = 0x2000, OPT_OBSOLETE = 0x4000
};
enum opt_kind : int32_t {
    KIND_HANDLER = 0, KIND_BITS = 1, KIND_SINGLE = 2, KIND_OPT_BITS = 3, KIND_NAMED = 4, KIND_BOOLEAN = 5,
    KIND_COUNTER = 6, KIND_INTEGER = 7, KIND_HEX = 8, KIND_RANGES = 9, KIND_SPEC = 10
};

struct choice_row {
    int32_t value;
    const char* names;          // one or more separated by ';'
    const char* description;
    uint32_t default_mark;      // bit 0
};

struct option_row;
using opt_handler = void (*)(option_row* row, const char* argument);
using opt_number_handler = void (*)(option_row* row, uint32_t value);
using opt_range_handler = void (*)(option_row* row, uint32_t low, uint32_t high);
using opt_plain_handler = void (*)();

struct help_text {
    const char* short_text;
    const char* long_text;
};

struct option_row {
    int32_t id;
    const char* name;           // null for handler-only rows
    int32_t group;              // 0 ends the table
    uint32_t flags;
    int32_t kind;
    // Target: a handler for kinds 0, 8, 9, 10 (by kind), a variable otherwise; an alias
    // row's target is the id of the row it stands for.
    opt_handler handler;
    opt_number_handler number_handler;
    opt_range_handler range_handler;
    opt_plain_handler plain_handler;
    int32_t* variable;
    int32_t alias_target;
    choice_row* choices;        // kinds 1 to 4
    int32_t alias_value;        // choice aliases: the bits they add
    const help_text* help;
    int32_t count;
    uint32_t removed_bits;      // bits the user removed explicitly ("-space")
};

using opt_file_fn = void (*)(const char* name);

int opt_parse(option_row* table, int argc, char** argv, opt_file_fn file_callback, const char* program);
option_row* opt_find(option_row* table, int32_t id);
option_row* opt_find_name(option_row* table, const char* name);
const choice_row* choice_find(const choice_row* choices, int32_t value);
void opt_set_value(option_row* row, int32_t value);
const char* opt_display_name(const option_row* row);   // static buffer
int32_t opt_id(const option_row* row);
bool choice_has_name(const choice_row* choice, const char* name);

// Set by the help printer so that the engine can hand it "--opt=help".
extern void (*opt_help_for)(option_row* table, const char* name);
