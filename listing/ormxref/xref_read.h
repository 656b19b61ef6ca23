// Reading the inputs of a cross-reference run: raw cross-reference files and the stop list.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

class xref_table;

// Adds every reference of one raw file. References before the file's first source line belong
// to a source file named ""; sources named with one of the skip prefixes are passed over.
void xref_read_raw(std::FILE* in, xref_table& table, const std::vector<std::string>& skip_prefixes);

// Enters the white-space separated words of the stop list as stopped symbols. False when the
// file cannot be opened.
bool xref_read_stop_list(const char* path, xref_table& table);
