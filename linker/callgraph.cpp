#include "linker/callgraph.h"

#include <algorithm>
#include <cstdio>

#include "common/alert.h"
#include "linker/context.h"
#include "linker/link.h"
#include "linker/options.h"
#include "linker/output.h"
#include "objfmt/records.h"
#include "linker/symtab.h"

namespace lnk {

namespace {

fn_node* new_node(context& cx) {
    cx.graph.nodes.push_back(std::make_unique<fn_node>());
    return cx.graph.nodes.back().get();
}

void add_edge(fn_node* from, fn_node* to) {
    if (std::find(from->edges.begin(), from->edges.end(), to) == from->edges.end()) from->edges.push_back(to);
}

void make_nodes(context& cx, name_entry* e) {
    if (e->local_node) return;
    e->local_node = new_node(cx);
    e->arg_node = new_node(cx);
    e->local_node->fn = e->arg_node->fn = e;
    e->arg_node->is_arg = true;
    e->local_node->partner = e->arg_node;
    e->arg_node->partner = e->local_node;
    add_edge(e->arg_node, e->local_node);
}

// The indirect argument node of a signature set; its partner is the indirect node.
fn_node* set_node(context& cx, uint32_t set) {
    auto it = cx.graph.sets.find(set);
    if (it != cx.graph.sets.end()) return it->second;
    fn_node* ind = new_node(cx);
    fn_node* arg = new_node(cx);
    ind->indirect = arg->indirect = true;
    ind->set = arg->set = static_cast<int32_t>(set);
    arg->is_arg = true;
    ind->partner = arg;
    arg->partner = ind;
    add_edge(arg, ind);
    cx.graph.sets[set] = arg;
    return arg;
}

name_entry* function(context& cx, const std::string& name, int message) {
    name_entry* e = link_sym_lookup(cx, name, FL_GLOBAL);
    if (!e) {
        switch (message) {
        case 465: alert_message(465, name.c_str()); break;
        case 466: alert_message(466, name.c_str()); break;
        case 467: alert_message(467, name.c_str()); break;
        case 468: alert_message(468, name.c_str()); break;
        case 469: alert_message(469, name.c_str()); break;
        default: alert_message(470, name.c_str()); break;
        }
        return nullptr;
    }
    make_nodes(cx, e);
    return e;
}

int32_t add_root(context& cx, name_entry* e) {
    for (size_t i = 0; i < cx.graph.roots.size(); ++i)
        if (cx.graph.roots[i] == e) return static_cast<int32_t>(i);
    cx.graph.roots.push_back(e);
    cx.graph.root_list.edges.push_back(e->arg_node);
    return static_cast<int32_t>(cx.graph.roots.size() - 1);
}

void report_cycle(context& cx, fn_node* n) {
    alert_message(471);
    auto describe = [](fn_node* x) {
        if (x->indirect) alert_continue(0, "indirect(%d) -> ", x->set);
        else if (x->is_arg) alert_continue(0, "ARG(%s) -> ", x->fn->name.c_str());
        else alert_continue(0, "%s -> ", x->fn->name.c_str());
        x->reported = true;
    };
    describe(n);
    for (auto it = cx.call_path.rbegin(); it != cx.call_path.rend() && *it != n; ++it) {
        if ((*it)->reported) {
            alert_continue(1, "...");
            return;
        }
        describe(*it);
    }
    alert_continue(1, "%s", "");
}

bool breaks_at(context& cx, const fn_node* n, int32_t r) {
    if (!n->fn) return false;
    auto it = cx.graph.breaks.find(n->fn);
    return it != cx.graph.breaks.end() && it->second.count(r);
}

const char* root_name(context& cx, int32_t r) {
    if (r < 0 || static_cast<size_t>(r) >= cx.graph.roots.size()) return "";
    return cx.graph.roots[static_cast<size_t>(r)]->name.c_str();
}

uint32_t visit(context& cx, fn_node* n, uint32_t o, int32_t r) {
    if (n->cut) return 0;
    if (breaks_at(cx, n, r)) return o;
    if (n->on_path) {
        if (n->size && !n->reported) {
            report_cycle(cx, n);
            return 0;
        }
        n->cut = true;
    }
    n->offset = std::max(n->offset, o);
    if (n->reached && n->size && n->root != r && !n->root_list)
        alert_message(472, n->fn ? n->fn->name.c_str() : "", root_name(cx, r), root_name(cx, n->root));
    if (!n->reached) n->root = r;
    n->reached = true;
    bool was_on_path = n->on_path;
    n->on_path = true;
    cx.call_path.push_back(n);
    uint32_t deepest = n->end();
    for (size_t i = 0; i < n->edges.size(); ++i) {
        fn_node* t = n->edges[i];
        uint32_t result = n->root_list ? visit(cx, t, deepest, static_cast<int32_t>(i)) : visit(cx, t, n->end(), r);
        if (result >= deepest) {
            deepest = result;
            if (t->offset == n->end() && t->critical) n->critical = true;
        }
    }
    if (n->edges.empty()) n->critical = true;
    cx.call_path.pop_back();
    n->on_path = was_on_path;
    n->deepest = deepest;
    return deepest;
}

void print_tree(context& cx, fn_node* n, int depth, bool has_threshold, uint32_t threshold) {
    bool starred = false;
    if (has_threshold && n->critical) {
        bool edges_at_end = std::all_of(n->edges.begin(), n->edges.end(),
                                        [n](const fn_node* t) { return t->offset == n->end(); });
        starred = n->end() >= threshold || (n->deepest == threshold && edges_at_end);
    }
    if (cx.opts.cg_print == 1 && !starred) return;
    fn_node* below = n;
    std::fprintf(map_stream(cx), "%c%*s", starred ? '*' : ' ', 4 * depth, "");
    if (n->indirect) {
        std::fprintf(map_stream(cx), "INDIRECT %d", n->set);
    } else if (n->is_arg && n->edges.size() == 1 && n->edges[0] == n->partner) {
        std::fprintf(map_stream(cx), "%s size %u,%u offset %u", n->fn->name.c_str(), n->size, n->partner->size, n->offset);
        below = n->partner;
    } else {
        std::fprintf(map_stream(cx), "%s %ssize %u, offset %u", n->fn->name.c_str(), n->is_arg ? "ARG " : "", n->size, n->offset);
    }
    bool local = below->fn && !below->is_arg;
    if (local) ++cx.local_depth_count;
    if (cx.graph.depth_limit && local && cx.local_depth_count > cx.graph.depth_limit) {
        std::fprintf(map_stream(cx), " *** OVERDEEP ***\n");
        alert_message(521, below->fn->name.c_str());
    } else {
        std::fprintf(map_stream(cx), "\n");
    }
    if (!n->on_path && !below->on_path) {
        n->on_path = below->on_path = true;
        for (fn_node* t : below->edges) print_tree(cx, t, depth + 1, starred, threshold);
        n->on_path = below->on_path = false;
    }
    if (local) --cx.local_depth_count;
}

void print_graph(context& cx) {
    std::fprintf(map_stream(cx), cx.opts.cg_print == 1 ? "Call graph (critical paths only):\n\n" : "Call graph:\n\n");
    for (fn_node* root : cx.graph.root_list.edges) print_tree(cx, root, 0, true, root->deepest);
    std::fprintf(map_stream(cx), "\n");
}

// The area symbol of node n (prefix + function name), when the code refers to it.
void define_area_symbol(context& cx, fn_node* n, name_entry* area, uint32_t base) {
    if (!n->fn || n->indirect || n->symbol_defined) return;
    n->symbol_defined = true;
    const std::string& prefix = n->is_arg ? cx.graph.arg_prefix : cx.graph.local_prefix;
    module_rec* saved = cx.symtab.current;
    int32_t saved_index = cx.symtab.current_index;
    set_current_module(cx, n->fn->is_global() ? -1 : n->fn->module);
    name_entry* s = link_sym_lookup(cx, prefix + n->fn->name, 0);
    if (s && s->kind() == SK_EXTERN)
        bind_symbol(cx, s, static_cast<uint16_t>(SK_DEFINED | (s->flags & FL_GLOBAL)), base + n->offset, area);
    cx.symtab.current = saved;
    cx.symtab.current_index = saved_index;
}

void define_reached(context& cx, fn_node* n, name_entry* area, uint32_t base, std::set<fn_node*>& seen) {
    if (!seen.insert(n).second) return;
    define_area_symbol(cx, n, area, base);
    for (fn_node* t : n->edges) define_reached(cx, t, area, base, seen);
}

void unreached_function(context& cx, name_entry* e, name_entry* area, uint32_t base, uint32_t& extra) {
    if (!e->local_node) return;
    bool unreached = false;
    for (fn_node* n : {e->arg_node, e->local_node}) {
        if (n->reached) continue;
        unreached = true;
        n->offset = 0;
        define_area_symbol(cx, n, area, base);
    }
    if (!unreached) return;
    extra = std::max(extra, std::max(e->arg_node->reached ? 0u : e->arg_node->size,
                                      e->local_node->reached ? 0u : e->local_node->size));
    if (cx.graph.breaks.count(e)) alert_message(473, e->name.c_str());
    else alert_message(520, e->name.c_str());
}

}  // namespace

void fn_conf(context& cx, const std::string& psect, const std::string& local_prefix, const std::string& arg_prefix,
             bool has_depth, uint32_t depth) {
    if (!cx.graph.have_conf) {
        cx.graph.have_conf = true;
        cx.graph.psect = psect;
        cx.graph.local_prefix = local_prefix;
        cx.graph.arg_prefix = arg_prefix;
        if (has_depth) cx.graph.depth_limit = depth;
        return;
    }
    if (cx.graph.psect != psect || cx.graph.local_prefix != local_prefix || cx.graph.arg_prefix != arg_prefix)
        alert_message(475);
}

void fn_call(context& cx, const std::string& caller, const std::string& callee) {
    if (cx.opts.callgraph_flag) return;
    name_entry* a = function(cx, caller, 468);
    name_entry* b = a ? function(cx, callee, 468) : nullptr;
    if (a && b) add_edge(a->local_node, b->arg_node);
}

void fn_arg(context& cx, const std::string& first, const std::string& second) {
    if (cx.opts.callgraph_flag) return;
    name_entry* a = function(cx, first, 468);
    name_entry* b = a ? function(cx, second, 468) : nullptr;
    if (a && b) add_edge(a->arg_node, b->arg_node);
}

void fn_indirect(context& cx, uint8_t kind, const std::string& name, uint32_t set) {
    if (cx.opts.callgraph_flag) return;
    name_entry* e = function(cx, name, 466);
    if (!e) return;
    add_edge(kind == FN_INDIR ? e->local_node : e->arg_node, set_node(cx, set));
}

void fn_addr(context& cx, const std::string& name) {
    name_entry* e = function(cx, name, 467);
    if (e) add_edge(set_node(cx, e->signature)->partner, e->arg_node);
}

void fn_size(context& cx, const std::string& name, uint32_t local_size, uint32_t arg_size) {
    name_entry* e = function(cx, name, 470);
    if (!e) return;
    e->local_node->size = std::max(e->local_node->size, local_size);
    e->arg_node->size = std::max(e->arg_node->size, arg_size);
    if (cx.opts.callgraph_flag) add_root(cx, e);
}

void fn_root(context& cx, const std::string& name) {
    if (cx.opts.callgraph_flag) return;
    if (name_entry* e = function(cx, name, 469)) add_root(cx, e);
}

void fn_set_link(context& cx, uint32_t a, uint32_t b) { add_edge(set_node(cx, a), set_node(cx, b)); }

void fn_break(context& cx, const std::string& name, const std::string& root) {
    name_entry* e = function(cx, name, 465);
    name_entry* r = e ? function(cx, root, 465) : nullptr;
    if (r) cx.graph.breaks[e].insert(add_root(cx, r));
}

void callgraph_write_partial(context& cx) {
    if (cx.graph.have_conf) {
        obj::fnconf_rec conf;
        conf.psect = cx.graph.psect;
        conf.local_prefix = cx.graph.local_prefix;
        conf.arg_prefix = cx.graph.arg_prefix;
        obj::body_builder b(output_order(cx));
        obj::encode_fnconf(b, conf);
        out_flush(cx);
        out_record(cx, obj::FNCONF, b.data());
    }
    auto entry = [&cx](obj::fninfo_entry e) {
        obj::body_builder b(output_order(cx));
        obj::encode_fninfo_entry(b, e);
        out_fninfo(cx, b.data());
    };
    for (name_entry* e : cx.symtab.slots) {
        if (!e || !e->is_symbol() || !e->local_node) continue;
        if (e->local_node->size || e->arg_node->size) {
            obj::fninfo_entry f;
            f.kind = obj::FN_SIZE;
            f.name = e->name;
            f.local_size = e->local_node->size;
            f.arg_size = e->arg_node->size;
            entry(f);
        }
        for (fn_node* from : {e->local_node, e->arg_node}) {
            for (fn_node* to : from->edges) {
                if (to == from->partner) continue;
                obj::fninfo_entry f;
                f.name = e->name;
                if (to->indirect) {
                    f.kind = from->is_arg ? obj::FN_INDARG : obj::FN_INDIR;
                    f.set = static_cast<uint16_t>(to->set);
                } else if (to->fn) {
                    f.kind = from->is_arg ? obj::FN_ARG : obj::FN_CALL;
                    f.other = to->fn->name;
                } else {
                    continue;
                }
                entry(f);
            }
        }
    }
    for (name_entry* root : cx.graph.roots) {
        obj::fninfo_entry f;
        f.kind = obj::FN_ROOT;
        f.name = root->name;
        entry(f);
    }
    out_flush(cx);
}

bool callgraph_allocate(context& cx, bool print) {
    if (cx.graph.nodes.empty()) return false;
    if (!cx.graph.have_conf) {
        alert_message(474);
        return false;
    }
    cx.call_path.clear();
    cx.graph.total = visit(cx, &cx.graph.root_list, 0, -1);
    if (print && !cx.graph.roots.empty() && cx.opts.cg_print != 2) print_graph(cx);
    name_entry* area = sym_enter(cx, cx.graph.psect, KIND_GLOBAL_PSECT);
    psect_rec* rec = area->rec;
    if (rec->align && rec->size % rec->align) rec->size += rec->align - rec->size % rec->align;
    uint32_t base = rec->size + rec->common;
    std::set<fn_node*> seen;
    define_reached(cx, &cx.graph.root_list, area, base, seen);
    uint32_t extra = 0;
    for (name_entry* e : cx.symtab.slots)
        if (e && e->is_symbol()) unreached_function(cx, e, area, base, extra);
    for (const auto& m : cx.symtab.modules)
        for (name_entry* e : m->local_syms) unreached_function(cx, e, area, base, extra);
    cx.graph.total = std::max(cx.graph.total, extra);
    rec->common += cx.graph.total;
    rec->has_common = rec->has_common || cx.graph.total != 0;
    return cx.graph.total != 0;
}

}  // namespace lnk
