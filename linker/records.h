// The record handlers of the three passes, dispatched by record type and pass.
#pragma once
#include <set>
#include <string>

#include "objfmt/records.h"

namespace lnk {

struct context;

using record_handler = void (*)(context& cx, const obj::record& r);

// The handler for a record type (1..20) in a pass; null steps over the record.
record_handler handler_for(int type, int pass);
// The start-of-module action of pass 2: the module's local symbols go out.
void start_module_pass2(context& cx);
// Gathers the names that -P options mention (a psect named there is never made module-local).
void collect_placement_names(context& cx);
// The end of pass 2 before the map: pending TEXT, default START, END.
void finish_output(context& cx);

}  // namespace lnk
