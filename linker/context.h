// The run state of one link in one record: options, name table, classes and placement, call
// graph, address map, passes and outputs. Every function that needs it takes the record by
// reference; a new link starts from a fresh record, so nothing needs resetting.
#pragma once
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/replace_file.h"
#include "linker/avmap.h"
#include "linker/callgraph.h"
#include "linker/classes.h"
#include "linker/options.h"
#include "linker/output.h"
#include "linker/passes.h"
#include "linker/placement.h"
#include "linker/reloc.h"
#include "linker/symout.h"
#include "linker/symtab.h"

namespace lnk {

// The outputs of the run other than the object, written under temporary names and moved into
// place together with the object only when the link succeeds.
struct side_outputs {
    std::unique_ptr<replacing_file> map;   // null when the map goes to standard output
    std::unique_ptr<replacing_file> sym;
    std::vector<std::unique_ptr<replacing_file>> listings;   // relocated assembler listings
    bool closed = false;                   // the outputs were committed or dropped
};

struct context {
    link_options opts;
    symtab_state symtab;
    placement_state places;
    callgraph_state graph;
    avmap_state avmap;
    passes_state passes;
    placement_counters counters;
    modes_state modes;
    pending_text pending;
    bool module_skip = false;
    const name_entry* current_ref_psect = nullptr;
    std::set<std::string> placement_names;
    std::string current_input;           // input being read, for LISTRELOC
    std::vector<fn_node*> call_path;     // the call graph walk's path
    uint32_t local_depth_count = 0;
    output_state out;
    symout_state symout;
    side_outputs opened;
};

// Replaces the run state by a fresh record: the name table holds only the absolute psect.
void start_context(context& cx);

}  // namespace lnk
