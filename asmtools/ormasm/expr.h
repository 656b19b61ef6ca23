// Assembler expressions: parsing into trees, evaluation to a constant or a relocatable
// linear form, and encoding of what the linker must compute as relocation byte code.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "objfmt/objfmt.h"

namespace asmx {

enum class op : uint8_t {
    add, sub, mul, div, mod, shl, shr, band, bor, bxor,   // binary
    neg, bnot, low, high, low_hw, high_hw, plus,          // unary
};

struct expr_node;
using expr_ptr = std::shared_ptr<const expr_node>;

struct expr_node {
    enum kind_t { constant, symbol, location, unary, binary } kind = constant;
    int64_t value = 0;          // constant; location: offset
    std::string name;           // symbol
    int psect = -1;             // location: psect index
    op oper = op::add;
    expr_ptr left, right;       // unary uses left
};

// Parses a whole operand text; false with a description of the fault in error.
bool parse_expression(const std::string& text, expr_ptr& out, std::string& error);
// True when the text is a valid symbol name.
bool is_symbol_name(const std::string& text);
bool is_symbol_start(char c);
bool is_symbol_char(char c);
// Parses a number or character constant; false when the text is not one.
bool parse_number(const std::string& text, int64_t& out);

// A base of a relocatable value: a psect of this module or an external symbol.
struct base {
    bool is_psect = true;
    int psect = -1;
    std::string symbol;
    bool operator<(const base& o) const {
        if (is_psect != o.is_psect) return is_psect < o.is_psect;
        return is_psect ? psect < o.psect : symbol < o.symbol;
    }
    bool operator==(const base& o) const {
        return is_psect == o.is_psect && (is_psect ? psect == o.psect : symbol == o.symbol);
    }
};

// The value of an expression: constant + sum(coefficient * base), or complex when an
// operator other than + - and scaling touched a base.
struct linear {
    int64_t constant = 0;
    std::map<base, int64_t> terms;
    bool complex = false;
    bool absolute() const { return !complex && terms.empty(); }
    bool simple() const { return !complex && terms.size() == 1 && terms.begin()->second == 1; }
};

// What a symbol name means to the evaluator.
struct symbol_meaning {
    enum kind_t { undefined, constant, label, external, alias } kind = undefined;
    int64_t value = 0;          // constant value or label offset
    int psect = -1;             // label psect
    expr_ptr tree;              // alias: the relocatable expression it stands for
};

class symbol_resolver {
public:
    virtual ~symbol_resolver() = default;
    virtual symbol_meaning resolve(const std::string& name) = 0;
    virtual std::string psect_name(int psect) = 0;
};

// Evaluates a tree. Undefined names are collected in `undefined` (the value then treats
// them as 0). Division by zero gives 0 and sets `divide_by_zero`.
struct eval_result {
    linear value;
    std::vector<std::string> undefined;
    bool divide_by_zero = false;
    bool too_deep = false;      // aliases nested beyond reason (a definition loop)
};
eval_result evaluate(const expr_ptr& tree, symbol_resolver& resolver);

// Appends the relocation byte code of a tree (without the end operator) to out.
void encode_expression(const expr_ptr& tree, symbol_resolver& resolver, obj::expr_builder& out);

// A copy of the tree with every unbound location ($) set to psect + offset.
expr_ptr bind_location(const expr_ptr& tree, int psect, int64_t offset);
bool has_unbound_location(const expr_ptr& tree);

// Tree helpers for building fixup expressions around an operand.
expr_ptr make_constant(int64_t v);
expr_ptr make_binary(op o, expr_ptr l, expr_ptr r);
expr_ptr make_unary(op o, expr_ptr l);

}  // namespace asmx
