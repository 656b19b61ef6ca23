// The call graph joined from every module's FNINFO records, its walk from the roots that
// lays out function areas (areas on one call path never overlap), the area symbols and the
// printed graph.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "linker/linkdata.h"

namespace lnk {

struct context;

struct fn_node {
    name_entry* fn = nullptr;       // function; null for indirect nodes and the root list
    int32_t set = -1;               // signature set of an indirect node
    std::vector<fn_node*> edges;
    uint32_t size = 0;
    uint32_t offset = 0;
    uint32_t deepest = 0;           // end of the deepest area below it
    int32_t root = -1;              // root index that first reached it
    bool is_arg = false, on_path = false, reported = false, indirect = false, root_list = false;
    bool reached = false, symbol_defined = false, cut = false, critical = false;
    fn_node* partner = nullptr;     // the function's other node
    uint32_t end() const { return offset + size; }
};

// FNINFO sub-record kinds.
enum : uint8_t {
    FN_CALL = 1, FN_ARG = 2, FN_INDIR = 3, FN_ADDR = 4, FN_SIZE = 5, FN_ROOT = 6, FN_INDARG = 7,
    FN_SETLINK = 8, FN_BREAK = 9,
};

struct callgraph_state {
    callgraph_state() { root_list.root_list = true; }
    std::vector<std::unique_ptr<fn_node>> nodes;
    std::map<uint32_t, fn_node*> sets;   // set number -> indirect argument node (growable)
    fn_node root_list;
    std::vector<name_entry*> roots;      // root functions, in the order first named
    std::map<const name_entry*, std::set<int32_t>> breaks;
    bool have_conf = false;
    std::string psect, local_prefix, arg_prefix;
    uint32_t depth_limit = 0;
    uint32_t total = 0;
};

// FNCONF: the first record sets psect and prefixes; a different later one is 475.
void fn_conf(context& cx, const std::string& psect, const std::string& local_prefix, const std::string& arg_prefix,
             bool has_depth = false, uint32_t depth = 0);
// Applies one FNINFO sub-record; names are looked up in the symbol table (465-470 when absent).
void fn_call(context& cx, const std::string& caller, const std::string& callee);
void fn_arg(context& cx, const std::string& a, const std::string& b);
void fn_indirect(context& cx, uint8_t kind, const std::string& function, uint32_t set);   // FN_INDIR, FN_INDARG
void fn_addr(context& cx, const std::string& function);
void fn_size(context& cx, const std::string& function, uint32_t local_size, uint32_t arg_size);
void fn_root(context& cx, const std::string& function);
void fn_set_link(context& cx, uint32_t a, uint32_t b);
void fn_break(context& cx, const std::string& function, const std::string& root);

// The call-graph step at the end of pass 1: walks, prints (with a map), defines the area
// symbols and grows the area psect's common part. True when areas were allocated.
bool callgraph_allocate(context& cx, bool print);
// A partial link writes the joined graph back out (FNCONF, then FNINFO entries).
void callgraph_write_partial(context& cx);

}  // namespace lnk
