// The record handlers of the three passes, dispatched by record type and pass.
#pragma once
#include <set>
#include <string>

#include "objfmt/records.h"

namespace lnk {

using record_handler = void (*)(const obj::record& r);

// The handler for a record type (1..20) in a pass; null steps over the record.
record_handler handler_for(int type, int pass);
// The start-of-module action of pass 2: the module's local symbols go out.
void start_module_pass2();
// Names that -P options mention (a psect named there is never made module-local).
extern std::set<std::string>& placement_names;
void collect_placement_names();
extern std::string& current_input;   // input being read, for LISTRELOC
// The end of pass 2 before the map: pending TEXT, default START, END.
void finish_output();

}  // namespace lnk
