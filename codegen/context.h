// The run state of one ormcg run: options, target, the tables and the output state. Every
// module takes it by reference; nothing lives in globals except what the signal handler needs.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "codegen/matcher.h"
#include "codegen/banks.h"
#include "codegen/helpers.h"
#include "codegen/registers.h"
#include "codegen/symbols.h"
#include "codegen/tree.h"

namespace cg {

// Machine flags: bit n is named by row n of machine_flag_names.
enum : uint16_t {
    MF_AVOCET = 1u << 0, MF_NOTREGPAR = 1u << 1, MF_GLOBOPT = 1u << 2, MF_AUTOSTATIC = 1u << 3,
    MF_PIC12 = 1u << 4, MF_PIC14 = 1u << 5, MF_PIC17 = 1u << 6, MF_IEEE_DBL = 1u << 7,
    MF_PICMIDHI = 1u << 8, MF_ORMCLOMID = 1u << 9, MF_PIC42A = 1u << 10, MF_PAGED = 1u << 11,
    MF_NONPAGED = 1u << 12, MF_CANREADCODE = 1u << 13, MF_SPACEOPT = 1u << 14, MF_SPEEDOPT = 1u << 15,
};
extern const char* const machine_flag_names[16];

// The target chip as -P and the header writer set it up.
struct processor {
    std::string name;             // as given, case kept
    int arch = 2;                 // 1 12-bit, 2 14-bit, 3 17-series
    uint32_t rom_words = 1024;
    int banks = 2;
    uint32_t ram_low = 12, ram_high = 79;   // bank-0 or common RAM range
    bool common_ram = false;
    bool one_bank_data = true;
    int page_select = 0;
    int string_pack_threshold = 29;
};

struct options {
    std::string input, output;    // empty: standard input / output
    std::string sdb_name;         // -D file
    bool line_directives = false; // -D
    bool notes = false;           // -S, or the first source comment
    int warning_level = 0;
    bool optimise = false;        // -O G or L
    int opt_level = 0;            // sum of the G numbers
    bool decimal_constants = false;   // -RD
};

// Program-section state of the assembly writer.
struct psect_state {
    int requested = 0;            // kind the code asks for (0 none)
    int written = 0;              // kind last written to the file
    int function_override = 0;    // intcode while an interrupt function is generated
    uint32_t function_number = 0; // "%u" of per-function sections
    uint32_t const_tables = 0;    // "%u" of "const%u"
    bool declared[42] = {};
    // Words of jump tables placed in the section of function `table_function` (one page).
    uint32_t table_function = 0, table_words = 0;
    std::vector<std::pair<std::string, std::string>> renames;   // psect pragmas, in order
};

// A block of a function's body as the auto layout sees it: the block it is nested in (-1 for
// the outermost) and its nesting depth (the symbol-table level of its declarations).
struct auto_scope {
    int32_t parent = -1;
    int depth = 0;
};

// An auto whose place waits for the function's end, where the optimiser lays the autos out.
struct waiting_auto {
    symbol* sym = nullptr;
    int32_t scope = 0;            // index into function_entry::scopes
    bool temporary = false;       // made by the code generator: placed whether named or not
};

// One function being defined (the function stack).
struct function_entry {
    symbol* fn = nullptr;
    int32_t arg_size = 0, auto_size = 0;        // running sizes
    int32_t arg_high = 0, auto_high = 0;        // high-water marks
    int32_t temp_high = 0;                      // temporaries high-water mark
    int base_level = 0;                         // block level of its outermost block
    std::vector<symbol*> bound_locals;          // register-bound locals (W parameter)
    bool params_seen = false;                   // a parameter has been placed
    std::vector<symbol*> held_externals;        // extern declarations inside, for the debug file
    // With the optimiser on, autos get their places only when the function's statements are
    // final: until then they wait here, with the blocks they were declared in.
    bool autos_wait = false;
    std::vector<auto_scope> scopes;
    std::vector<waiting_auto> waiting;
};

// Per block level: sizes remembered at the opening.
struct block_entry {
    int32_t arg_size = 0, auto_size = 0, line = 0;
    bool sdb_open = false;        // its "{" has been written to the debug file
    int32_t scope = -1;           // its index in the function's scopes (-1: outside a function)
};

// A collected string (with CANREADCODE and SPACEOPT), written at the end of the file.
struct collected_string {
    std::string label;
    std::vector<uint8_t> bytes;
};

// A string record's bytes, kept for the RAM copies of literals given to plain pointers.
struct string_record {
    int32_t number = 0;
    std::vector<uint8_t> bytes;
};

// A statement of a function body kept for the function's end (deferred output).
struct deferred_item {
    tree_node* tree = nullptr;    // null for a comment line
    int64_t comment_at = -1;      // spool position of a comment line
    bool move_increments = false;
    int32_t line = 0;
    std::string file;
};

// The spool file of comment and in-line assembly texts while output is deferred.
struct spool_state {
    FILE* file = nullptr;
    std::string name;
    bool unavailable = false;     // could not be created: texts stay in memory
};

struct float_constant {
    double value = 0;
    int size = 3;
    uint16_t qual = 0;
};

// A const scalar whose definition waits for the end of the file.
struct kept_const {
    symbol* sym = nullptr;
    std::vector<uint8_t> bytes;
};

// The assembly line buffer: one line collected until its newline.
struct line_buffer {
    std::string line;
    bool dry_run = false;         // the optimiser's dry run drops completed lines
    std::string* capture = nullptr;   // when set, completed lines are also appended here
};

// The debug (SDB) writer's state.
struct sdb_state {
    FILE* file = nullptr;
    std::string last_file;        // position last written
    int32_t last_line = -1;
    int open_written = 0;         // block openings written and not yet closed
};

// State of expression rewriting and statement simplification.
struct simplify_state {
    int pending_msg = 0;            // warning the rewriting passes left for the statement
    bool no_effect_seen = false;    // part of the statement was dropped for having no effect
    bool call_seen = false;         // the statement holds a call
    int32_t labels = 0;             // labels made by the simplifier so far (numbered from 40000)
    std::map<const symbol*, const symbol*> last_caller;   // call graph: callee -> last caller
    std::map<const symbol*, symbol*> arg_areas;           // a callee's argument area symbol
    int32_t temps = 0;              // temporaries made for indirect callees
    // Temporaries of values taken out of a statement: how deep such statements nest, and, for
    // the function whose statements are replayed at its end, the top of its own autos.
    int hoist_depth = 0;
    const symbol* hoist_function = nullptr;
    int32_t hoist_base = 0;
    int round_limit = 0;            // folding and rewriting rounds allowed (0: by the tree's height)
    // Code generation of one simplified statement; unset until code selection exists.
    std::function<void(cg_context&, tree_node*)> emit_statement;
};

struct cg_context {
    options opt;
    processor proc;
    uint16_t machine_flags = 0;

    // Current source position, kept by the reader and printed by the message system.
    std::string file_name;
    int32_t line = 0;

    FILE* out = stdout;           // assembly output
    FILE* in = stdin;             // intermediate code

    symbol_table symbols;
    node_pool nodes;
    int32_t next_symbol_number = 1;
    line_buffer buffer;
    psect_state psects;
    sdb_state sdb;

    // Reader state.
    int block_level = -1;                   // -1 at file scope
    std::vector<block_entry> blocks;        // per open block
    std::vector<function_entry> functions;  // function stack
    int skipped_definitions = 0;            // nested definitions refused with 723
    bool in_body = false;
    bool reading_init = false;
    int expr_depth = 0;                     // recursion depth of the expression reader
    bool not_generated_reported = false;    // the "not yet generated" error was given
    std::vector<float_constant> floats;
    uint16_t switch_kind = 0;               // pending switch kind for the next switch
    uint8_t interrupt_mask = 0;
    std::vector<std::string> used_regs;     // regsused list for the next function
    bool used_regs_set = false;
    uint8_t return_offset = 0;
    bool main_exit = false;
    bool stack_user_or_sys = false;         // a USR_MODE or SYS_MODE stack size was given
    std::vector<collected_string> strings;  // collected for the end of the file
    std::vector<string_record> string_records;  // every string record, in the order read
    std::map<int32_t, symbol*> ram_strings;     // literals given to plain pointers: their RAM copies
    std::vector<const symbol*> fn_pointer_targets;  // functions whose address was taken, in order
    std::vector<const symbol*> fn_without_area;     // functions defined here whose argument area is empty
    // Byte temporaries of bit-field statements: each statement reuses the current function's.
    struct {
        const symbol* function = nullptr;
        std::vector<symbol*> bytes;
    } bitfield_temps;
    std::vector<kept_const> kept_consts;
    std::vector<symbol*> kept_data;         // statics and externals kept for the end
    std::vector<symbol*> placeholders;      // "Fake" types made for inner derived types
    uint32_t string_bytes_total = 0;

    // Temporaries and areas used by function code (end-of-file material).
    int btemp_used = 0, xtemp_used = 0;
    uint32_t struct_return = 0;
    bool code_ptr_used = false;

    selector_state sel;                     // code selection and template expansion
    bool returns_in_w = false;              // the current function leaves its result in W
    reg_state regs;                         // the code selector's registers and temporaries

    simplify_state simp;
    bank_state banks;                       // what is known of the bank-select bits
    helper_state helpers;                   // state of the numbered template helpers
    int32_t next_label = 30001;             // labels of the switch code and the helpers

    std::vector<deferred_item> deferred;    // the current function's statements (deferred output)
    bool replaying = false;                 // the deferred statements are being generated
    spool_state spool;
    // Per optimised function, the code of its dry run and of its real run (tests compare them).
    std::vector<std::pair<uint64_t, uint64_t>> output_hashes;
};

// Symbol-table level of the current block: 0 at file scope, 1 for a function's outermost block.
inline int scope_level(const cg_context& ctx) { return ctx.block_level + 1; }
inline bool flag(const cg_context& ctx, uint16_t f) { return (ctx.machine_flags & f) != 0; }

}  // namespace cg
