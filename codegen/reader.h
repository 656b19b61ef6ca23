// Intermediate-code reader: the token scanner and the record loop that drives the rest of
// the code generator.
#pragma once
#include <cstdio>
#include <string>

namespace cg {

struct cg_context;
struct tree_node;

// Splits the intermediate code into tokens at white space (carriage returns included).
// Position tokens (a double quote, a line number, optionally a blank and a file name) update
// the context's position and are never returned. Tokens have no length limit.
class ic_scanner {
public:
    ic_scanner(cg_context& ctx, FILE* in) : ctx_(ctx), in_(in) {}
    // Next token; false at the end of the input.
    bool next(std::string& token);
    // Gives a token back; the next call to next() returns it again.
    void unget(const std::string& token);
    // The rest of the current line, without its newline and the one blank after the token.
    std::string rest_of_line();
    // Skips white space; true when the next character is `c` (consumed).
    bool expect(char c);
    // Reads the first line (the version line).
    std::string first_line();
    bool at_end();
private:
    int get();
    void put_back(int c);
    void read_position();
    cg_context& ctx_;
    FILE* in_;
    std::string pending_;
    bool has_pending_ = false;
    int back_ = -2;
};

// Reads the whole module and writes its output. Returns normally at the end of input.
void read_module(cg_context& ctx, ic_scanner& scan);
// Reads one expression in prefix form (null after an error or at the end of input).
tree_node* ic_read_expr(cg_context& ctx, ic_scanner& scan);
// Code for one simplified statement (which it releases).
void generate_statement(cg_context& ctx, tree_node* t);
// Reduces a constant expression tree to a CONST (folding conversions and arithmetic);
// false when it is not constant. The tree is released.
bool const_value(cg_context& ctx, tree_node* n, int32_t& value, bool& typed);

}  // namespace cg
