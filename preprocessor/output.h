// The preprocessed text: the copy loop, line markers, pass-through lines and the
// dependency list of the headers read.
#pragma once
#include <cstdio>
#include <string>

#include "ppchar.h"

namespace output {

extern bool asm_block;        // between #asm and #endasm
extern bool text_suppressed;  // dependency-only mode: nothing of the text is written
extern bool keep_comments;    // -C
extern int32_t pending;       // newlines read but not yet written

void open(FILE* stream);
void flush();
void write_bytes(const char* text, size_t length);
void write_text(const ptext& text);
void write_comment(const char* text);   // a comment copied with -C

void write_marker();
// Before a pass-through line (#pragma, #endasm): the pending newlines, or a marker in
// their place, so that the line lands on its own source line.
void begin_pass_through();
void write_one_pending();     // before #line and #asm

void copy_loop();             // the whole input; returns at its end

// Dependency list.
void open_dependencies(FILE* stream, const std::string& file_name, bool make_rule);
bool dependency_wanted();
bool already_included(const std::string& name);
void note_included(const std::string& name);
void set_main_name(const std::string& name);
void write_dependencies();

}  // namespace output
