// Declarations: specifiers, struct/union/enum bodies, declarators and local declarations;
// the top level and initialisers; statements and function bodies.
#pragma once
#include <cstdint>

#include "parser/types.h"

struct sym_record;
struct expr_node;

// Declaration contexts.
enum : int { DC_FILE = 0, DC_KR_PARAMS = 6, DC_MEMBER = 10, DC_KR_LIST = 14, DC_PROTO = 15, DC_BLOCK = 21,
             DC_TYPE_NAME = 80 };

struct decl_spec {
    int storage = 0;           // storage-class keyword token, or the default
    bool storage_given = false;
    bool reg = false;
    bool nothing = false;      // no class, qualifier, basic type, long/short or sign
    bool signed_given = false; // "signed" written: a bit-field of it keeps its sign
    type_desc type{};
};

extern int decl_context;
// Named parameters of the outermost function declarator last read (chained through `link`).
extern sym_record* declarator_params;
// True when the last outermost parameter list had names without types.
extern bool declarator_untyped_names;

bool parse_specifiers(decl_spec& spec, int context);
// Declares one declarator; `keep_params` leaves the parameter level open (function heads).
sym_record* declare_declarator(decl_spec& spec, int context, bool keep_params);
void parse_local_declarations(int context);
// Is the current token (just read) the start of a declaration?
bool starts_declaration(int code);
type_desc parse_type_name();

// Top level and initialisers.
void parse_program();
void parse_external_declaration();
void initialise_object(sym_record* sym);
type_desc unqualified(const type_desc& t);

// Statements.
void parse_function_body(sym_record* function, sym_record* params, bool no_value_needed);
void parse_asm_statement(bool top_level);

// Counts the levels of one recursive construct (nested statements, declarators, struct
// bodies) so that absurd nesting ends with a message rather than a stack overflow.
constexpr int NESTING_LIMIT = 1000;
class nesting_guard {
public:
    explicit nesting_guard(int& level) : level_(level) { ++level_; }
    ~nesting_guard() { --level_; }
    nesting_guard(const nesting_guard&) = delete;
    nesting_guard& operator=(const nesting_guard&) = delete;
    bool too_deep() const { return level_ > NESTING_LIMIT; }

private:
    int& level_;
};
