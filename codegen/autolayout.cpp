// Placing a function's autos once the optimiser has its final statements.
#include "codegen/autolayout.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <unordered_map>

#include "codegen/records.h"
#include "codegen/sdb.h"
#include "codegen/tree.h"

namespace cg {

bool layout_before(const layout_key& a, const layout_key& b) {
    return std::tie(a.depth, a.line, a.size, a.uses, a.name) < std::tie(b.depth, b.line, b.size, b.uses, b.name);
}

layout_result lay_out_scopes(const std::vector<auto_scope>& scopes, const std::vector<layout_item>& items,
                             int32_t base) {
    layout_result r;
    r.offsets.assign(items.size(), 0);
    r.high = base;
    // Each block's autos, in placing order.
    std::vector<std::vector<size_t>> own(scopes.size());
    for (size_t i = 0; i < items.size(); ++i) {
        size_t s = items[i].scope >= 0 && static_cast<size_t>(items[i].scope) < scopes.size() ? items[i].scope : 0;
        if (!scopes.empty()) own[s].push_back(i);
    }
    // A block starts where its parent's autos end; parents come first in the numbering.
    std::vector<int32_t> end(scopes.size(), base);
    for (size_t s = 0; s < scopes.size(); ++s) {
        int32_t parent = scopes[s].parent;
        int32_t at = parent >= 0 && static_cast<size_t>(parent) < s ? end[parent] : base;
        for (size_t i : own[s]) {
            int32_t mask = items[i].align_mask;
            at = (at + mask) & ~mask;
            r.offsets[i] = at;
            at += static_cast<int32_t>(items[i].size);
        }
        end[s] = at;
        r.high = std::max(r.high, at);
    }
    return r;
}

namespace {

template <typename F>
void for_ids(const tree_node* n, F& f) {
    if (!n) return;
    if (n->op == OP_ID) {
        f(n->sym);
        return;
    }
    uint32_t arity = op_arity(n->op);
    if (arity == DOPE_UNARY || arity == DOPE_BINARY) for_ids(n->left, f);
    if (arity == DOPE_BINARY) for_ids(n->right, f);
}

// The debug records of the autos are written inside their own blocks: the blocks between the
// function's outermost one and the auto's are opened (their "{" written lazily, as the reader
// would) and closed again when the next auto lies elsewhere.
struct debug_blocks {
    cg_context& ctx;
    const std::vector<auto_scope>& scopes;
    std::vector<int32_t> open;   // scopes opened here, outermost first

    void enter(int32_t scope) {
        std::vector<int32_t> path;
        for (int32_t s = scope; s >= 0 && scopes[s].parent >= 0; s = scopes[s].parent) path.push_back(s);
        std::reverse(path.begin(), path.end());
        size_t keep = 0;
        while (keep < open.size() && keep < path.size() && open[keep] == path[keep]) ++keep;
        while (open.size() > keep) leave_one();
        for (size_t k = keep; k < path.size(); ++k) {
            block_entry b;
            b.scope = path[k];
            ctx.blocks.push_back(b);
            open.push_back(path[k]);
        }
    }
    void leave_one() {
        sdb_close_block(ctx, false, 0);
        ctx.blocks.pop_back();
        open.pop_back();
    }
    ~debug_blocks() {
        while (!open.empty()) leave_one();
    }
};

}  // namespace

std::vector<uint32_t> count_uses(const std::vector<deferred_item>& items, const std::vector<waiting_auto>& autos) {
    std::unordered_map<const symbol*, size_t> index;
    for (size_t i = 0; i < autos.size(); ++i) index.emplace(autos[i].sym, i);
    std::vector<uint32_t> uses(autos.size(), 0);
    auto count = [&](const symbol* s) {
        auto it = index.find(s);
        if (it != index.end()) ++uses[it->second];
    };
    for (const deferred_item& d : items) for_ids(d.tree, count);
    return uses;
}

void lay_out_autos(cg_context& ctx, const std::vector<deferred_item>& items, bool by_use) {
    if (ctx.functions.empty()) return;
    function_entry& fe = ctx.functions.back();
    std::vector<waiting_auto> waiting = std::move(fe.waiting);
    fe.waiting.clear();
    fe.autos_wait = false;
    for (const waiting_auto& w : waiting) w.sym->flags &= ~SF_OPT_MEMORY;

    // Autos that need no place: unnamed by the statements the optimiser kept.
    std::vector<size_t> order;
    std::vector<uint32_t> uses = count_uses(items, waiting);
    for (size_t i = 0; i < waiting.size(); ++i)
        if (!(waiting[i].sym->flags & SF_PLACED) && (!by_use || uses[i] > 0 || waiting[i].temporary)) order.push_back(i);
    if (by_use) {
        std::vector<layout_key> keys(waiting.size());
        for (size_t i : order) {
            const waiting_auto& w = waiting[i];
            keys[i] = {fe.scopes[w.scope].depth, w.sym->line, symbol_size(ctx, w.sym), uses[i], w.sym->name};
        }
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return layout_before(keys[a], keys[b]); });
    }

    std::vector<layout_item> items_in_order;
    for (size_t i : order)
        items_in_order.push_back({waiting[i].scope, symbol_size(ctx, waiting[i].sym), waiting[i].sym->align_mask});
    // Whatever was placed already (a parameter that arrived in W) stays below.
    layout_result r = lay_out_scopes(fe.scopes, items_in_order, fe.auto_high);

    debug_blocks blocks{ctx, fe.scopes, {}};
    for (size_t k = 0; k < order.size(); ++k) {
        const waiting_auto& w = waiting[order[k]];
        blocks.enter(w.scope);
        fe.auto_size = r.offsets[k];
        place_auto_now(ctx, w.sym);
    }
    // Temporaries made from here on go above everything placed.
    fe.auto_high = std::max(fe.auto_high, r.high);
    fe.auto_size = fe.auto_high;
}

}  // namespace cg
