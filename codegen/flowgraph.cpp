// Flow graph of a collected function.
#include "codegen/flowgraph.h"

#include <algorithm>

#include "codegen/tree.h"

namespace cg {

namespace {

// The label a jump statement names (its CONST operand); null for anything else.
tree_node* jump_label_node(tree_node* t) {
    if (!t) return nullptr;
    tree_node* l = nullptr;
    if (t->op == OP_CJUMP) l = t->right;
    else if (t->op == OP_GOTO || t->op == OP_GOTO_EXIT) l = t->left;
    return l && l->op == OP_CONST ? l : nullptr;
}

// Calls f(label node) for every case label and the default of a switch; false when the case
// list is not in the form the switch writer reads.
template <typename F>
bool for_switch_labels(tree_node* sw, F f) {
    tree_node* list = sw->right;
    for (; list && list->op == OP_ARG; list = list->right) {
        tree_node* pair = list->left;
        if (!pair || pair->op != OP_CJUMP || !pair->right || pair->right->op != OP_CONST) return false;
        f(pair->right);
    }
    if (!list || list->op != OP_CONST) return false;
    f(list);
    return true;
}

// Block of a label; -1 when the function does not place it.
int64_t block_of(const flow_graph& g, int32_t label) {
    auto it = std::lower_bound(g.labels.begin(), g.labels.end(), std::make_pair(label, uint32_t{0}));
    if (it == g.labels.end() || it->first != label) return -1;
    return it->second;
}

// Statements (not comments) of a block.
size_t statement_count(const flow_graph& g, const flow_block& b) {
    size_t n = 0;
    for (size_t i : b.items) n += g.items[i].tree != nullptr;
    return n;
}

// The last statement of a block; null when it has none.
tree_node* last_statement(const flow_graph& g, const flow_block& b) {
    for (size_t k = b.items.size(); k-- > 0;)
        if (g.items[b.items[k]].tree) return g.items[b.items[k]].tree;
    return nullptr;
}

// Where a jump to `target` really lands: past blocks that hold nothing but their label, as
// long as the next block starts with a label of its own (which the jump may name instead).
uint32_t follow_chain(const flow_graph& g, uint32_t target) {
    uint32_t b = target;
    while (statement_count(g, g.blocks[b]) == 1 && b + 1 < g.blocks.size() && g.blocks[b + 1].label) ++b;
    return b;
}

void add_unique(std::vector<uint32_t>& v, uint32_t x) {
    if (std::find(v.begin(), v.end(), x) == v.end()) v.push_back(x);
}

bool has_asm(const tree_node* n) {
    if (!n) return false;
    if (n->op == OP_ASM) return true;
    uint32_t arity = op_arity(n->op);
    return ((arity == DOPE_UNARY || arity == DOPE_BINARY) && has_asm(n->left)) ||
           (arity == DOPE_BINARY && has_asm(n->right));
}

}  // namespace

bool ends_block(const tree_node* t) {
    return t && (t->op == OP_CJUMP || t->op == OP_GOTO || t->op == OP_GOTO_EXIT || t->op == OP_SWITCH);
}

int32_t placed_label(const tree_node* t) {
    if (!t || (t->op != OP_LABEL && t->op != OP_EXIT_LABEL)) return 0;
    return t->left && t->left->op == OP_CONST ? t->left->value : 0;
}

void flow_build(cg_context&, flow_graph& g) {
    g.usable = false;
    g.blocks.assign(1, flow_block{});
    g.labels.clear();
    bool cut = false;   // the last statement ended its block
    for (size_t i = 0; i < g.items.size(); ++i) {
        tree_node* t = g.items[i].tree;
        if (t && has_asm(t)) return;   // its jumps and labels are invisible here
        // A function's own label statement (an ID operand) names no block: only numbered
        // labels are jump targets.
        if (t && (t->op == OP_LABEL || t->op == OP_EXIT_LABEL) && !placed_label(t)) return;
        int32_t label = placed_label(t);
        if (label || (cut && t)) {
            g.blocks.push_back(flow_block{});
            cut = false;
            if (label) {
                g.blocks.back().label = label;
                g.labels.emplace_back(label, static_cast<uint32_t>(g.blocks.size() - 1));
            }
        }
        g.blocks.back().items.push_back(i);
        if (ends_block(t)) cut = true;
    }
    std::sort(g.labels.begin(), g.labels.end());
    for (size_t k = 1; k < g.labels.size(); ++k)
        if (g.labels[k].first == g.labels[k - 1].first) return;
    // Every jump must land inside the function.
    for (const deferred_item& d : g.items) {
        tree_node* t = d.tree;
        if (!t) continue;
        if (tree_node* l = jump_label_node(t); l && block_of(g, l->value) < 0) return;
        if (t->op == OP_CJUMP && !jump_label_node(t)) return;
        if (t->op == OP_SWITCH) {
            bool known = true;
            if (!for_switch_labels(t, [&](tree_node* l) { known = known && block_of(g, l->value) >= 0; }) || !known)
                return;
        }
    }
    g.usable = true;
}

void flow_link(cg_context&, flow_graph& g) {
    const uint32_t count = static_cast<uint32_t>(g.blocks.size());
    for (flow_block& b : g.blocks) {
        b.succ.clear();
        b.pred.clear();
    }
    for (uint32_t n = 0; n < count; ++n) {
        flow_block& b = g.blocks[n];
        if (b.removed) continue;
        tree_node* t = last_statement(g, b);
        bool falls = true;
        if (t && (t->op == OP_CJUMP || t->op == OP_GOTO || t->op == OP_GOTO_EXIT)) {
            tree_node* l = jump_label_node(t);
            uint32_t target = follow_chain(g, static_cast<uint32_t>(block_of(g, l->value)));
            l->value = g.blocks[target].label;
            add_unique(b.succ, target);
            falls = t->op == OP_CJUMP;
        } else if (t && t->op == OP_SWITCH) {
            for_switch_labels(t, [&](tree_node* l) { add_unique(b.succ, static_cast<uint32_t>(block_of(g, l->value))); });
            falls = false;
        }
        if (falls && n + 1 < count) add_unique(b.succ, n + 1);
        std::sort(b.succ.begin(), b.succ.end());
    }
    for (uint32_t n = 0; n < count; ++n)
        for (uint32_t s : g.blocks[n].succ) g.blocks[s].pred.push_back(n);
}

size_t flow_remove_unreachable(cg_context& ctx, flow_graph& g) {
    auto unreached = [&](uint32_t n) {
        const flow_block& b = g.blocks[n];
        if (n == 0 || b.removed || statement_count(g, b) == 0) return false;
        return b.pred.empty() || (b.pred.size() == 1 && b.pred[0] == n);
    };
    std::vector<uint32_t> work;
    for (uint32_t n = 0; n < g.blocks.size(); ++n)
        if (unreached(n)) work.push_back(n);
    size_t removed = 0;
    while (!work.empty()) {
        uint32_t n = work.back();
        work.pop_back();
        if (!unreached(n)) continue;
        flow_block& b = g.blocks[n];
        for (size_t i : b.items) {
            deferred_item& d = g.items[i];
            if (!d.tree) continue;
            tree_free(ctx, d.tree);
            d.tree = nullptr;
            d.comment_at = -1;   // nothing to write
        }
        b.removed = true;
        ++removed;
        for (uint32_t s : b.succ) {
            std::vector<uint32_t>& p = g.blocks[s].pred;
            p.erase(std::remove(p.begin(), p.end(), n), p.end());
            if (unreached(s)) work.push_back(s);
        }
        b.succ.clear();
        b.pred.clear();
    }
    return removed;
}

}  // namespace cg
