// Placement at the end of pass 1: commons, local psect packing, the -P options, class
// allocation, default catenation, the psect-bound symbols, the undefined-symbol report and
// the symbol part of the output.
#pragma once
#include <cstdint>

#include "linker/linkdata.h"

namespace lnk {

struct context;

enum class place_mode : uint8_t { catenate, explicit_addr, in_class, after_psect, as_link };

struct placement_counters {
    uint32_t link = 0;          // byte or bit address
    uint32_t load = 0;          // byte address
    uint8_t bitscale = 1;
    uint32_t highest = 0;
    uint32_t prev_size = 0;
};

// How the -P option being placed sets link and load addresses.
struct modes_state {
    place_mode link = place_mode::explicit_addr;
    place_mode load = place_mode::explicit_addr;
    name_entry* link_target = nullptr;   // class or psect
    name_entry* load_target = nullptr;
};

// Runs every step once; true when function areas were allocated.
bool end_of_pass1(context& cx);

// Steps, exposed for the tests.
void layout_commons(context& cx, bool areas);
void pack_local_psects(context& cx);
void read_placements(context& cx);
void allocate_classes(context& cx);
void default_catenate(context& cx, psect_rec* p);
void make_symbols_absolute(context& cx);

}  // namespace lnk
