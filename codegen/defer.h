// Deferred function output: with a global optimisation level above 0 the statements of a
// function body are collected as they are read and generated when the function ends, with
// comment and in-line assembly texts waiting in a spool file meanwhile.
#pragma once
#include <cstdint>
#include <string>

namespace cg {

struct cg_context;
struct tree_node;
struct deferred_item;

// True while statements of a function body are collected rather than generated.
bool output_deferred(const cg_context& ctx);
// Keeps one statement for the function's end. With `move_increments` its post-increments are
// moved out when it is generated, as an undeferred statement's are when it is simplified.
void defer_statement(cg_context& ctx, tree_node* tree, bool move_increments);
// Keeps a source comment line in its place among the statements.
void defer_comment(cg_context& ctx, const std::string& text);
// Writes one collected statement (taking its tree) or comment at its own source position.
void generate_item(cg_context& ctx, deferred_item& d);
// Generates the collected statements in order, each at its own source position.
void generate_deferred(cg_context& ctx);
// Closes and removes the spool file.
void spool_close(cg_context& ctx);

}  // namespace cg
