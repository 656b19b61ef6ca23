// The numbered listing of a source: every line behind its number, tabs expanded to spaces.
#pragma once
#include <cstdint>
#include <cstdio>

constexpr int ANNOTATE_TAB_MIN = 1;
constexpr int ANNOTATE_TAB_MAX = 64;

// Copies the input to the output as a numbered listing with tab stops every tab_width columns.
// Nothing is added at the end: a last line without a newline keeps none.
void annotate(std::FILE* in, std::FILE* out, int tab_width);
