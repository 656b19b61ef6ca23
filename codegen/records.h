// The record readers of the intermediate code (declarations, layouts, enumerations,
// initial values, pragmas) and the modules they hand their results to.
#pragma once
#include <cstdint>
#include <string>

namespace cg {

struct cg_context;
struct symbol;
struct tree_node;
class ic_scanner;

void read_declaration(cg_context& ctx, ic_scanner& scan);
void read_layout(cg_context& ctx, ic_scanner& scan, bool is_union);
void read_enumeration(cg_context& ctx, ic_scanner& scan);
void read_initialiser(cg_context& ctx, ic_scanner& scan);
void read_pragma(cg_context& ctx, ic_scanner& scan);
void read_names(cg_context& ctx, ic_scanner& scan);
void read_string_record(cg_context& ctx, ic_scanner& scan);
// Assembler label of string literal n.
std::string string_label(int32_t number);
// "[c", "[s", "[u" or "[v" met inside an expression.
void read_nested_record(cg_context& ctx, ic_scanner& scan, uint32_t op);
// A comment line goes to the output (null); anything else is an in-line assembly node.
tree_node* read_comment_or_asm(cg_context& ctx, ic_scanner& scan, bool& produced);
// Skips tokens up to and including the next one that begins with "]".
void skip_record(ic_scanner& scan);
// Defines the data kept for the end of the file.
void define_kept_data(cg_context& ctx);

// Frames: parameter and auto placement.
void place_parameter(cg_context& ctx, symbol* s, bool register_param);
void place_auto(cg_context& ctx, symbol* s);
// Gives a parameter its home at `offset` of the current function's argument area.
void place_parameter_at(cg_context& ctx, symbol* s, int32_t offset);
// Places a variable that leaves its register in the middle of a function: its home must
// outlive the block it happens in.
void place_for_rest_of_function(cg_context& ctx, symbol* v);
// Moves between a register-bound variable's register (a register code) and its memory home,
// each generated as an assignment of the function's code. sym_store places the variable in
// the auto area first when it has no place yet.
void sym_load(cg_context& ctx, symbol* v, uint32_t code);
void sym_store(cg_context& ctx, symbol* v, uint32_t code);
// At a function body's start: loads the bound autos of the current level not yet in their register.
void sym_load_bound_locals(cg_context& ctx);

}  // namespace cg
