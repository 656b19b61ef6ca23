// Definite assignment of auto variables over the flow graph.
#include "codegen/dataflow.h"

#include <vector>

#include "codegen/flowgraph.h"
#include "codegen/rewrite.h"
#include "codegen/tree.h"
#include "codegen/varflow.h"
#include "common/alert.h"

namespace cg {

bool may_follow(const symbol* s) {
    return s && s->sclass == storage::automatic &&
           !(s->flags & (SF_ADDRESS_TAKEN | SF_ARRAY | SF_PARAM_COPY | SF_REGPARAM | SF_ABSOLUTE)) &&
           !(s->classes & PC_VOLATILE);
}

namespace {

void find_candidates(const tree_node* n, uint32_t parent, followed& f) {
    if (!n) return;
    if (n->op == OP_ID) {
        if (!may_follow(n->sym)) return;
        auto [it, fresh] = f.index.emplace(n->sym, f.syms.size());
        if (fresh) {
            f.syms.push_back(n->sym);
            f.refused.push_back(false);
        }
        if (parent == OP_ADDR || parent == OP_MEMBER || parent == OP_BITFIELD || (n->qual & PC_VOLATILE))
            f.refused[it->second] = true;
        return;
    }
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) find_candidates(n->left, n->op, f);
    if (arity == DOPE_BINARY) find_candidates(n->right, n->op, f);
}

}  // namespace

bool is_compound_assign(uint32_t op) { return plain_operator(op) != OP_NONE; }

uint32_t plain_operator(uint32_t op) {
    for (uint32_t plain : {OP_MOD, OP_AND, OP_MUL, OP_ADD, OP_SUB, OP_DIV, OP_SHL, OP_SHR, OP_XOR, OP_OR})
        if (compound_of(plain) == op) return plain;
    return OP_NONE;
}

followed find_followed(const std::vector<deferred_item>& items) {
    followed f;
    for (const deferred_item& d : items) find_candidates(d.tree, OP_NONE, f);
    return f;
}

int64_t followed_index(const tree_node* n, const followed& f) {
    if (!n || n->op != OP_ID) return -1;
    auto it = f.index.find(n->sym);
    return it == f.index.end() || f.refused[it->second] ? -1 : static_cast<int64_t>(it->second);
}

void warn_used_before_set(cg_context& ctx, const flow_graph& g) {
    followed f = find_followed(g.items);
    const size_t vars = f.syms.size();
    if (vars == 0) return;
    const size_t blocks = g.blocks.size();
    // Per block, the variables every way to its end has stored (entry: none stored).
    std::vector<std::vector<bool>> out(blocks, std::vector<bool>(vars, true));
    std::vector<std::vector<bool>> stored_in(blocks, std::vector<bool>(vars, false));
    for (size_t b = 0; b < blocks; ++b) {
        auto no_use = [](size_t, const tree_node*) {};
        auto set = [&](size_t v) { stored_in[b][v] = true; };
        for (size_t i : g.blocks[b].items) walk(g.items[i].tree, f, no_use, set);
    }
    auto entry_of = [&](size_t b) {
        std::vector<bool> in(vars, b != 0);
        if (b == 0) return in;
        if (g.blocks[b].pred.empty()) in.assign(vars, true);   // nothing reaches it
        for (uint32_t p : g.blocks[b].pred)
            for (size_t v = 0; v < vars; ++v) in[v] = in[v] && out[p][v];
        return in;
    };
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t b = 0; b < blocks; ++b) {
            std::vector<bool> next = entry_of(b);
            for (size_t v = 0; v < vars; ++v) next[v] = next[v] || stored_in[b][v];
            if (next != out[b]) {
                out[b] = std::move(next);
                changed = true;
            }
        }
    }
    std::vector<bool> warned(vars, false);
    int32_t line = ctx.line;
    std::string file = ctx.file_name;
    for (size_t b = 0; b < blocks; ++b) {
        if (b != 0 && g.blocks[b].pred.empty()) continue;
        std::vector<bool> known = entry_of(b);
        for (size_t i : g.blocks[b].items) {
            const deferred_item& d = g.items[i];
            auto use = [&](size_t v, const tree_node*) {
                if (known[v] || warned[v]) return;
                warned[v] = true;
                ctx.line = d.line;
                ctx.file_name = d.file;
                alert_message(748, f.syms[v]->name.c_str());
            };
            auto set = [&](size_t v) { known[v] = true; };
            walk(d.tree, f, use, set);
        }
    }
    ctx.line = line;
    ctx.file_name = file;
}

}  // namespace cg
