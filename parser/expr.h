// Expression trees, the expression parser and the typing engine.
#pragma once
#include <cstdint>
#include <vector>

#include "parser/types.h"

struct expr_node {
    int32_t code;          // operator or leaf code (ic::op)
    expr_node* left;
    expr_node* right;      // also the free-list link
    sym_record* sym;       // identifier leaf
    int32_t value;         // integer constant, member number, string number
    int32_t length;        // string literal length
    char* text;            // floating constant (owned)
    type_desc type;
    int32_t depth;         // levels of operator nodes below and including this one
};

// Expression contexts.
enum : int { CX_PLAIN = 0, CX_CASE = 1, CX_DIMENSION = 2, CX_ARGUMENT = 3, CX_ENUM = 4 };

expr_node* new_node(int code);
expr_node* type_leaf(const type_desc& t);
expr_node* int_const(int32_t value, int32_t code);
expr_node* sym_leaf(sym_record* sym);
void release_node(expr_node* node);
void release_tree(expr_node* node);
expr_node* copy_tree(const expr_node* node);

void init_expressions();
// Gives the node chunks back at the end of the run.
void release_expressions();
expr_node* parse_expression();
expr_node* parse_expression_in(int context);
expr_node* parse_constant_expression(int context, const type_desc* declared);
// The expression with the value conversions of an operand (arrays and functions decayed).
expr_node* value_of(expr_node* node);

expr_node* make_node(int code, expr_node* left, expr_node* right);
// The integral promotion of a basic-type code (char, short, enum and bit to int or unsigned).
int32_t promote_code(int32_t code);
expr_node* convert(expr_node* node, const type_desc& t);
// A constant's value in an integral type of the target: cut to the type's width and
// sign-extended when the type is signed; other types keep the value.
int32_t value_in_type(int32_t value, const type_desc& t);
expr_node* convert_to_code(expr_node* node, int32_t code, bool other_constant);
expr_node* assign_convert(expr_node* node, const type_desc& t, bool strict);
// Records the parameter types of an old-style definition: later calls convert pointer
// arguments to them.
void remember_old_style_parameters(const sym_record* function, std::vector<type_desc> types);
bool const_value(const expr_node* node, int32_t& value);
bool is_constant_expr(const expr_node* node);
bool is_address_constant(const expr_node* node);
bool is_null_constant(const expr_node* node);
bool is_lvalue(const expr_node* node);
type_desc size_type();
int32_t index_type(const type_desc& pointer, int32_t wanted);

// Wrapping 32-bit arithmetic (two's complement, never undefined).
int32_t wrap_add(int32_t a, int32_t b);
int32_t wrap_sub(int32_t a, int32_t b);
int32_t wrap_mul(int32_t a, int32_t b);
bool wrap_div(int32_t a, int32_t b, int32_t& out);
bool wrap_mod(int32_t a, int32_t b, int32_t& out);
int32_t wrap_shl(int32_t a, int32_t count);
int32_t wrap_shr(int32_t a, int32_t count);

// C form of a dimension expression (prototype file).
void write_c_expression(FILE* out, const expr_node* node);

// The function being defined (return checks, "entry" qualifier) and the string count.
extern sym_record* current_function;
extern uint16_t entry_class_mask;
extern int32_t string_count;
extern FILE* string_data_stream;   // the binary string-data side file while it is written
bool string_referenced(int32_t number);
void mark_string_referenced(int32_t number);

// Symbols that trees under construction or held across statements refer to (record recycling).
void mark_expression_roots(void (*mark)(sym_record*));
void mark_statement_roots(void (*mark)(sym_record*));
