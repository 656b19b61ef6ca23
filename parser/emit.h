// Writer of the intermediate code (format vocabulary in icode.h).
#pragma once
#include <cstdint>
#include <cstdio>

struct expr_node;
struct sym_record;
struct type_desc;

extern FILE* ic_out;   // standard output unless a test sets another stream
FILE* ic_stream();

void emit_reset();
void emit_banner();
void emit_ic_line_marker();
void emit_expr(expr_node* node);
void emit_block_mark(int token_code);
void emit_label(int number);
void emit_exit_label(int number);
void emit_entry_label(sym_record* function);
void emit_body_start();
void emit_expr_stmt(expr_node* node);
struct switch_case {
    expr_node* value;
    int label;
};
void emit_switch(expr_node* expression, const switch_case* cases, int count, int default_label);
void emit_asm_line(const char* text);
void emit_source_comment(const char* prefix, const char* text);
void emit_pragma(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same without a line marker (function flag records).
void emit_pragma_unmarked(const char* format, ...) __attribute__((format(printf, 1, 2)));
void emit_var(sym_record* sym);
// Runs `body` (which writes code that uses sym) and writes sym's record ahead of that code,
// once body is done: an array whose dimension its initialiser completes.
void emit_var_after(sym_record* sym, void (*body)(sym_record*));
void emit_struct(sym_record* tag);
// Declares, before a record is written, every symbol and layout a type or a tree refers to.
void emit_declare_type(const type_desc& t);
void emit_declare_tree(expr_node* node);
void emit_enum_open(sym_record* tag);
void emit_enum_value(int32_t value);
#include <string>
void emit_enum_close(sym_record* tag, const std::string& names);
void emit_init_open(sym_record* sym);
void emit_init_item(expr_node* node);
void emit_init_text(const char* text);
void emit_init_close();
// The last line number written by a marker (function-information file).
int32_t emit_last_marker_line();
