// Type model: the type descriptor, qualifiers and pointer classes, walkers, comparison,
// the type string of the intermediate code and the type in words for messages.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "icode/icode.h"

struct sym_record;
struct expr_node;
struct param_list;

enum type_kind : uint8_t { K_PLAIN = 0, K_ARRAY = 1, K_FUNCTION = 2 };

struct type_desc {
    sym_record* base;      // tag symbol (enum, struct, union) or type symbol (code 24)
    expr_node* dim_tree;   // kind array: the dimension expression (owned), may be null for "[]"
    param_list* params;    // kind function: the parameter list (owned), null without a list
    int32_t dim;           // folded element count; 0 when not constant
    uint16_t indirection;  // a run of one bits from bit 0, one per pointer level
    uint16_t classes;      // bit i: row i of qualifier_table
    int32_t code;          // basic-type code (ic::basic)
    uint8_t kind;          // type_kind
};

// A function's parameter list. The vector knows its own length, so no walk can pass its end.
struct param_list {
    std::vector<type_desc> items;   // a trailing ellipsis is a record of code 26, "(void)" one of code 22
};

// Qualifier and pointer-class rows.
enum : uint8_t { QF_I = 1, QF_U = 2, QF_M = 4 };
struct qualifier_row {
    std::string name;
    char letter;
    uint8_t flags;
    uint8_t size;
    uint32_t mask;
};
constexpr int qualifier_rows = 16;
extern qualifier_row qualifier_table[qualifier_rows];
enum : uint16_t { Q_CONST = 0x01, Q_VOLATILE = 0x02, Q_FAR = 0x04, Q_NEAR = 0x08, Q_INTERRUPT = 0x10,
                  Q_PERSISTENT = 0x20 };

void init_qualifiers();
uint32_t qualifier_mask(const char* word);
// Handles -Q "spec,keyword"; false when the row table is full (already reported).
void define_ptr_class(const char* keyword, const char* spec);

type_desc make_basic(int32_t code);
bool is_function(const type_desc& t);
param_list* type_params(const type_desc& t);
expr_node* array_dim_tree(const type_desc& t);
bool is_array(const type_desc& t);
bool is_pointer(const type_desc& t);
bool is_plain(const type_desc& t, int32_t code);
bool is_void_pointer(const type_desc& t);
const type_desc* pointed_function(const type_desc& t);
bool is_scalar(const type_desc& t);
bool is_arithmetic(const type_desc& t);
bool is_integral(const type_desc& t);
bool is_floating(const type_desc& t);
bool is_integral_or_enum(const type_desc& t);
// The level that decides what a type is: past code-24 levels that carry no pointer, no kind.
const type_desc& skip_transparent(const type_desc& t);
// Whether the object itself is const (a const pointer, not a pointer to const).
bool is_const_object(const type_desc& t);

void add_pointer(type_desc& t);
void deref(type_desc& t);
void add_classes(type_desc& t, uint16_t mask);
void fold_type(type_desc& t);
bool always_compatible(const type_desc& a, const type_desc& b);
void set_param_list(type_desc& t, param_list* list);
param_list* new_param_list();
param_list* copy_param_list(const param_list* list);
void copy_type(const type_desc& source, type_desc& destination);
void free_type_parts(type_desc& t);
void free_param_list(param_list* list);

bool types_equal(const type_desc& a, const type_desc& b, bool lenient);
bool classes_compatible(uint16_t target, uint16_t source);
bool assignable(const type_desc& target, const type_desc& source);

// Derivation used by declarators: wraps t (which is consumed) in an anonymous type symbol.
type_desc wrap_in_type_symbol(const type_desc& t);
// The call count of a function type (declared parameters, ellipsis takes two, never negative).
int call_count(const type_desc& t);
bool has_ellipsis(const type_desc& t);
bool is_void_list(const param_list* list);

// The type string without its back-quote.
std::string ic_type_string(const type_desc& t);
void emit_type(const type_desc& t);
std::string type_name(const type_desc& t);
void print_type_pair(const type_desc& a, const type_desc& b, const char* separator);
void print_not_type(const type_desc& t);
