// Side files of the parser: the raw cross-reference file, the function-information files and
// the prototype file; and the step at the start of every function body.
#pragma once
#include <cstdio>
#include <vector>

class replacing_file;

struct sym_record;

extern FILE* xref_raw_file;
extern FILE* proto_file;
extern const char* fipath;

bool open_xref_file(const char* name);
void xref_write_file(const char* name);
void xref_write_reference(const char* name, int line);
void xref_write_definition(const char* name, int line);
// Function-information lines: a call (name and current line), a body start, a body end.
void write_func_info(const char* name);
void func_info_start(sym_record* function, int first_line);
void func_info_end(int last_line);
void start_function_body(sym_record* function, sym_record* params);
// The prototype file; false when it cannot be made.
bool open_proto_file(const char* name);
// Adds the side files written so far, to be moved into place with the output.
void side_files_to_commit(std::vector<replacing_file*>& files);
// Drops what is left: side files not committed leave their targets as they were.
void close_side_files();
