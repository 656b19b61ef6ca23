// What the flow graph tells of a function's auto variables: which ones the analysis can follow
// where one may be read before anything was stored in it, and what constants and liveness allow.
#pragma once

namespace cg {

struct cg_context;
struct flow_graph;

// Warning 748 at the first read of each followed auto variable that some way from the
// function's entry reaches without an assignment to it.
void warn_used_before_set(cg_context& ctx, const flow_graph& g);

// Constants held in followed autos replace their reads, compound assignments to them become
// plain ones, jumps that became constant are folded, and plain stores nothing reads give way to
// their right side's effects; the graph is built again after each change. True when anything
// changed; `usable` turns false when the changed function no longer suits the graph.
bool optimise_data_flow(cg_context& ctx, flow_graph& g);

}  // namespace cg
