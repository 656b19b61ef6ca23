// The per-function optimiser and its output.
#include "codegen/optimise.h"

#include <string>

#include "codegen/dataflow.h"
#include "codegen/flowgraph.h"
#include "codegen/tree.h"

namespace cg {

bool line_may_change_bank(const std::string& line) {
    if (line.find("call") != std::string::npos) return true;
    size_t at = line.find("status");
    if (at == std::string::npos) return false;
    // Only the bit tests read STATUS without writing it.
    return line.find("btfsc") == std::string::npos && line.find("btfss") == std::string::npos;
}

uint8_t block_entry_state(const flow_graph& g, uint32_t n, const std::vector<block_exit>& exits) {
    const flow_block& b = g.blocks[n];
    if (b.pred.empty()) return 0;
    uint8_t known = 0xff;
    for (uint32_t p : b.pred) {
        const block_exit& e = exits[p];
        if (p >= n || !e.written || e.dispatch) return 0;
        if (e.jump_target == static_cast<int64_t>(n)) known &= e.on_jump;
        if (e.falls && p + 1 == n) known &= e.on_fall;
    }
    return known;
}

namespace {

// Writes a block's items; the last statement's text is watched for what its jump carries.
void write_block(cg_context& ctx, flow_graph& g, uint32_t n, std::vector<block_exit>& exits, const item_writer& write) {
    flow_block& b = g.blocks[n];
    block_exit& e = exits[n];
    e.written = true;
    size_t last = b.items.size();
    for (size_t k = b.items.size(); k-- > 0;)
        if (g.items[b.items[k]].tree) {
            last = k;
            break;
        }
    uint8_t entry = n == 0 ? ctx.banks.known : block_entry_state(g, n, exits);
    bool label_pending = b.label != 0;
    for (size_t k = 0; k < b.items.size(); ++k) {
        deferred_item& d = g.items[b.items[k]];
        if (k != last) {
            bool was_label = label_pending && d.tree;
            write(ctx, d);
            // The label forgot the bank; what every way in agrees on holds again.
            if (was_label) {
                ctx.banks.known = entry;
                label_pending = false;
            }
            continue;
        }
        tree_node* t = d.tree;
        bool jump = t->op == OP_CJUMP || t->op == OP_GOTO || t->op == OP_GOTO_EXIT;
        e.dispatch = t->op == OP_SWITCH;
        e.falls = !e.dispatch && t->op != OP_GOTO && t->op != OP_GOTO_EXIT;
        if (jump) {
            const tree_node* l = t->op == OP_CJUMP ? t->right : t->left;
            for (uint32_t s : b.succ)
                if (g.blocks[s].label == l->value) e.jump_target = s;
        }
        uint8_t before = ctx.banks.known;
        std::string text;
        ctx.buffer.capture = &text;
        write(ctx, d);
        ctx.buffer.capture = nullptr;
        if (label_pending) {
            // A block of nothing but its label.
            ctx.banks.known = entry;
            before = entry;
        }
        uint8_t after = ctx.banks.known;
        e.on_fall = after;
        bool steady = true;
        for (size_t from = 0; steady && from < text.size();) {
            size_t to = text.find('\n', from);
            if (to == std::string::npos) to = text.size();
            steady = !line_may_change_bank(text.substr(from, to - from));
            from = to + 1;
        }
        // The jump may leave from anywhere in the statement's code: only what held before it
        // and was never touched holds there.
        e.on_jump = steady ? static_cast<uint8_t>(before & after) : 0;
    }
}

}  // namespace

bool cg_optimise_function(cg_context& ctx, std::vector<deferred_item>& items, const item_writer& write) {
    flow_graph g;
    g.items = std::move(items);
    flow_build(ctx, g);
    if (!g.usable) {
        items = std::move(g.items);
        return false;
    }
    flow_link(ctx, g);
    flow_remove_unreachable(ctx, g);
    if (ctx.opt.warning_level <= 0) warn_used_before_set(ctx, g);
    optimise_data_flow(ctx, g);
    if (!g.usable) {
        items = std::move(g.items);
        return false;
    }
    std::vector<block_exit> exits(g.blocks.size());
    for (uint32_t n = 0; n < g.blocks.size(); ++n) write_block(ctx, g, n, exits, write);
    items.clear();
    return true;
}

}  // namespace cg
