// Directive lines, conditional groups and the include search.
#pragma once
#include <string>

namespace directives {

extern bool active;   // lines are copied; false while a group is skipped

// Carries out the directive whose "#" was just read, through the newline that ends it;
// the line counts as one pending newline.
void run();
void check_unterminated();   // at the end of the input

bool add_include_directory(const std::string& dir);   // false when the list is full
bool dependency_only_mode();
void set_dependency_only(bool flag);

}  // namespace directives
