// The link map, written to standard output (reopened on the -M file): head lines, module
// lines, the common block, totals, segments, unused ranges and the symbol table.
#pragma once
#include <cstdint>
#include <string>

namespace lnk {

struct context;

void map_head_lines(context& cx);                                    // product line and command line
void map_ident_lines(context& cx, uint8_t major, uint8_t minor, const std::string& machine);
void map_module_header(context& cx);
void map_module_lines(context& cx, const std::string& module);         // at a module's END in pass 2
void map_library_line(context& cx, const std::string& library);
// The map's end of pass 2 (common block onward); without a map only the common parts are
// added to the psect sizes.
void map_end_of_pass2(context& cx);
uint32_t map_value_width(context& cx);                               // width w of the symbol values

}  // namespace lnk
