// String literals given to plain pointers. A literal lives in program memory and its address
// is a code pointer; a plain pointer reaches only RAM. Such a literal gets a copy in RAM,
// initialised data like any initialised variable, and the pointer takes the copy's address.
#pragma once
#include <cstdint>
#include <vector>

namespace cg {

struct cg_context;
struct tree_node;

// For a conversion (T)x with T a pointer that reaches only RAM and x an address within string
// literals (a literal, one plus or minus an offset, a choice between such addresses, &"X"[0]):
// the same address within the literals' RAM copies, of type T; the conversion is used up.
// Null, with the tree untouched, for any other conversion.
tree_node* ram_string_address(cg_context& ctx, tree_node* conversion);
// Keeps the bytes of a string record for the RAM copies.
void keep_string_record(cg_context& ctx, int32_t number, const std::vector<uint8_t>& bytes);
// Writes the RAM copies that code and initialisers asked for (once, at the end of the module).
void write_ram_strings(cg_context& ctx);

}  // namespace cg
