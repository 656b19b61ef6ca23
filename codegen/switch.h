// Switch dispatch: after the controlling value is in W (1 byte), "btemp+2"/"btemp+3" (2 bytes)
// or "btemp+4".."btemp+7" (4 bytes), a chain of comparisons or a computed jump table sends it
// to its case label or to the default.
#pragma once
#include <cstdint>
#include <vector>

namespace cg {

struct cg_context;
struct tree_node;

struct switch_case {
    int32_t value = 0;
    uint32_t label = 0;
};

// Switch kinds of the switch pragma.
enum : uint16_t { SWK_NONE = 0, SWK_AUTO = 1, SWK_SIMPLE = 2, SWK_SEARCH = 3, SWK_DIRECT = 4 };

struct switch_request {
    std::vector<switch_case> cases;   // in source order
    uint32_t default_label = 0;
    int size = 1;                      // bytes of the controlling value
    bool is_signed = false;
    uint16_t kind = SWK_NONE;
};

// Reads the case list of a switch node ("[\" expression, list) where the list is a chain of
// "," nodes holding "$" value label pairs and ends in the default label. Checks each case
// (697 not constant, 696 out of range, 308 too many); false when the node has no such list.
bool switch_collect(cg_context& ctx, const tree_node* sw, switch_request& out);
// A controlling value that folded to a constant leaves nothing to dispatch on: sets the label
// it selects (its case or the default). False when the switch is not that simple.
bool switch_constant_label(cg_context& ctx, const tree_node* sw, uint32_t& label);
// Writes the dispatch (699 no cases, 695 duplicates: no dispatch, 686 bad size).
void switch_dispatch(cg_context& ctx, switch_request req);

}  // namespace cg
