// How ormpre shows a message: the current position, and in the plain layout the offending
// source line with a caret under the place.
#pragma once
#include <cstddef>

namespace display {

void install(bool show_source_line);

// The column of the caret: characters of the line before the one ahead of the read
// position, a tab advancing to the next multiple of 8.
int caret_column(const char16_t* line, size_t position);

}  // namespace display
