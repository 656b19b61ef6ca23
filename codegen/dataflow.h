// What the flow graph tells of a function's auto variables: which ones the analysis can follow
// and where one may be read before anything was stored in it.
#pragma once

namespace cg {

struct cg_context;
struct flow_graph;

// Warning 748 at the first read of each followed auto variable that some way from the
// function's entry reaches without an assignment to it.
void warn_used_before_set(cg_context& ctx, const flow_graph& g);

}  // namespace cg
