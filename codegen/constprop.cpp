// Constants and liveness of followed autos over the flow graph: a constant that reaches a read
// on every way in replaces the read, a compound assignment to a variable of known value becomes
// a plain one, a conditional jump that thereby became constant is folded (and the graph built
// again), and a plain store that nothing reads is replaced by its right side's effects.
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "codegen/context.h"
#include "codegen/dataflow.h"
#include "codegen/flowgraph.h"
#include "codegen/fold.h"
#include "codegen/simplify.h"
#include "codegen/tree.h"
#include "codegen/varflow.h"
#include "common/alert.h"

namespace cg {

namespace {

// Beyond these a function keeps its statements as they are: the tables would grow with the
// product of blocks and variables, and each round rebuilds the graph.
constexpr size_t max_cells = 4'000'000;
constexpr int max_rewrite_rounds = 8;

struct cval {
    enum kind_t : uint8_t { top, known, bottom } kind = top;   // top: no way in seen yet
    int32_t value = 0;
    bool operator==(const cval&) const = default;
};
constexpr cval unknown{cval::bottom, 0};

cval meet(cval a, cval b) {
    if (a.kind == cval::top) return b;
    if (b.kind == cval::top) return a;
    return a == b ? a : unknown;
}

// A value the constants may stand for: an integer, not a pointer, bit or volatile.
bool integral(const tree_node* n) {
    value_class c = node_class(n);
    return n && !n->levels && (c == value_class::signed_ || c == value_class::unsigned_) && !(n->qual & PC_VOLATILE);
}

bool stores_left(uint32_t op) {
    return op == OP_ASSIGN || is_compound_assign(op) || op == OP_POSTINC || op == OP_POSTDEC || op == OP_BLOCKCOPY;
}

// What a statement does to the followed variables.
struct facts {
    int64_t root = -1;                 // the variable the statement as a whole stores
    uint32_t root_op = OP_NONE;
    std::vector<size_t> stored;        // every store, the root's included
    std::vector<size_t> read;
    bool nested(size_t v) const {
        size_t n = static_cast<size_t>(std::count(stored.begin(), stored.end(), v));
        return n > (root == static_cast<int64_t>(v) ? 1u : 0u);
    }
};

facts facts_of(const tree_node* t, const followed& f) {
    facts s;
    if (t && (t->op == OP_ASSIGN || is_compound_assign(t->op))) {
        s.root = followed_index(t->left, f);
        s.root_op = t->op;
    }
    auto use = [&](size_t v, const tree_node*) { s.read.push_back(v); };
    auto set = [&](size_t v) { s.stored.push_back(v); };
    walk(t, f, use, set);
    return s;
}

// A store whose target is not the plain variable (a conversion or anything else the walk
// does not read as a store) hides what it changes: its variables are not followed.
void refuse_hidden_stores(const tree_node* n, followed& f) {
    if (!n) return;
    uint32_t arity = op_arity(n->op);
    if (arity != DOPE_UNARY && arity != DOPE_BINARY) return;
    if (stores_left(n->op) && n->left && n->left->op != OP_ID && n->left->op != OP_DEREF) {
        auto refuse = [&](size_t v, const tree_node*) { f.refused[v] = true; };
        auto none = [](size_t) {};
        walk(n->left, f, refuse, none);
    }
    if (n->op == OP_BLOCKCOPY) {
        int64_t v = followed_index(n->left, f);
        if (v >= 0) f.refused[static_cast<size_t>(v)] = true;
    }
    refuse_hidden_stores(n->left, f);
    if (arity == DOPE_BINARY) refuse_hidden_stores(n->right, f);
}

// The value v as the type of n holds it.
int32_t as_type_of(cg_context& ctx, int32_t v, const tree_node* n) {
    tree_node probe;
    probe.value = v;
    const_convert(ctx, &probe, n, false);
    return probe.value;
}

tree_node* const_for(cg_context& ctx, int32_t v, const tree_node* id) {
    tree_node* c = const_make(ctx, v);
    const_convert(ctx, c, id, false);
    return c;
}

// The effect of one statement on the known values.
void apply(cg_context& ctx, const tree_node* t, const facts& s, std::vector<cval>& state) {
    for (size_t v : s.stored) state[v] = unknown;
    if (s.root >= 0 && s.root_op == OP_ASSIGN && !s.nested(static_cast<size_t>(s.root)) && integral(t->left) &&
        t->right && t->right->op == OP_CONST)
        state[static_cast<size_t>(s.root)] = {cval::known, as_type_of(ctx, t->right->value, t->left)};
}

// Statements made again from a changed tree, through the statement simplifier with the
// warnings it gave the first time kept quiet.
struct resimplifier {
    cg_context& ctx;
    std::vector<tree_node*> out;
    std::vector<tree_node*> run(tree_node* t) {
        out.clear();
        auto saved_hook = std::move(ctx.simp.emit_statement);
        int saved_warning = ctx.opt.warning_level;
        int saved_level = alert_set_level(1000);
        ctx.simp.emit_statement = [this](cg_context&, tree_node* s) { out.push_back(s); };
        ctx.opt.warning_level = 1000;
        simplify_stmt(ctx, t);
        ctx.opt.warning_level = saved_warning;
        alert_set_level(saved_level);
        ctx.simp.emit_statement = std::move(saved_hook);
        return std::move(out);
    }
};

using replacements = std::vector<std::pair<size_t, std::vector<tree_node*>>>;

// Puts each replaced item's statements in its place (an empty list deletes it).
void splice(flow_graph& g, replacements& r) {
    if (r.empty()) return;
    std::sort(r.begin(), r.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<deferred_item> items;
    items.reserve(g.items.size() + r.size());
    size_t k = 0;
    for (size_t i = 0; i < g.items.size(); ++i) {
        if (k < r.size() && r[k].first == i) {
            for (tree_node* t : r[k].second) items.push_back({t, -1, false, g.items[i].line, g.items[i].file});
            ++k;
            continue;
        }
        items.push_back(std::move(g.items[i]));
    }
    g.items = std::move(items);
}

class constant_pass {
public:
    constant_pass(cg_context& c, flow_graph& graph, const followed& fl)
        : ctx(c), g(graph), f(fl), vars(fl.syms.size()), blocks(graph.blocks.size()) {}

    // Substitutes and makes compound assignments plain; the number of items changed (none when
    // the flow of constants did not settle).
    size_t run(replacements& r) {
        block_effects();
        if (!settle()) return 0;
        size_t changed = 0;
        for (uint32_t b = 0; b < blocks; ++b)
            if (!g.blocks[b].removed) changed += rewrite(b, r);
        return changed;
    }

private:
    cg_context& ctx;
    flow_graph& g;
    const followed& f;
    size_t vars, blocks;
    std::vector<std::vector<std::pair<size_t, cval>>> effect;   // per block: value at its end
    std::vector<cval> in, out;                                   // blocks x vars

    void block_effects() {
        effect.assign(blocks, {});
        std::vector<cval> state(vars, cval{});
        for (uint32_t b = 0; b < blocks; ++b) {
            if (g.blocks[b].removed) continue;
            std::fill(state.begin(), state.end(), cval{});
            for (size_t i : g.blocks[b].items) {
                const tree_node* t = g.items[i].tree;
                if (t) apply(ctx, t, facts_of(t, f), state);
            }
            for (size_t v = 0; v < vars; ++v)
                if (state[v].kind != cval::top) effect[b].emplace_back(v, state[v]);
        }
    }

    // Round-robin to the fixed point; the values only ever fall, so it ends, but a bound keeps
    // a pathological graph from running long: unsettled values are never used.
    bool settle() {
        in.assign(blocks * vars, cval{});
        out.assign(blocks * vars, cval{});
        const size_t bound = 2 * blocks + 10;
        for (size_t round = 0; round < bound; ++round) {
            bool changed = false;
            for (uint32_t b = 0; b < blocks; ++b) {
                const flow_block& fb = g.blocks[b];
                if (fb.removed) continue;
                cval* entry = &in[b * vars];
                for (size_t v = 0; v < vars; ++v) {
                    cval m = b == 0 ? unknown : cval{};
                    for (uint32_t p : fb.pred) m = meet(m, out[p * vars + v]);
                    entry[v] = m;
                }
                std::vector<cval> exit(entry, entry + vars);
                for (const auto& [v, c] : effect[b]) exit[v] = c;
                if (!std::equal(exit.begin(), exit.end(), &out[b * vars])) {
                    std::copy(exit.begin(), exit.end(), &out[b * vars]);
                    changed = true;
                }
            }
            if (!changed) return true;
        }
        return false;
    }

    // Replaces the reads of known variables in an operand tree.
    bool substitute(tree_node*& n, const facts& s, const std::vector<cval>& state) {
        if (!n) return false;
        if (n->op == OP_ID) {
            int64_t v = followed_index(n, f);
            if (v < 0 || state[v].kind != cval::known || s.nested(static_cast<size_t>(v)) || !integral(n)) return false;
            tree_node* c = const_for(ctx, state[v].value, n);
            tree_free(ctx, n);
            n = c;
            return true;
        }
        uint32_t arity = op_arity(n->op);
        bool changed = false;
        bool target = stores_left(n->op) || n->op == OP_ADDR;
        if ((arity == DOPE_UNARY || arity == DOPE_BINARY) && !(target && n->left && n->left->op == OP_ID))
            changed |= substitute(n->left, s, state);
        if (arity == DOPE_BINARY) changed |= substitute(n->right, s, state);
        if (changed) refresh_node(n);
        return changed;
    }

    // "x op= r" with x known to hold c: "x = c op r".
    bool make_plain(tree_node* t, const facts& s, const std::vector<cval>& state) {
        if (s.root < 0 || !is_compound_assign(s.root_op)) return false;
        size_t v = static_cast<size_t>(s.root);
        if (state[v].kind != cval::known || s.nested(v) || !integral(t->left) || !t->right) return false;
        uint32_t op = plain_operator(s.root_op);
        const tree_node* r = t->right;
        bool shift = op == OP_SHL || op == OP_SHR;
        bool same_type = r->type == t->left->type && r->levels == 0 && node_class(r) == node_class(t->left);
        if (r->op == OP_CONST) {
            if ((op == OP_DIV || op == OP_MOD) && r->value == 0) return false;
        } else if (shift || !same_type) {
            return false;
        }
        t->right = tree_make(ctx, op, const_for(ctx, state[v].value, t->left), t->right);
        t->op = OP_ASSIGN;
        refresh_node(t);
        return true;
    }

    size_t rewrite(uint32_t b, replacements& r) {
        std::vector<cval> state(&in[b * vars], &in[b * vars] + vars);
        resimplifier again{ctx, {}};
        size_t changed = 0;
        for (size_t i : g.blocks[b].items) {
            tree_node*& t = g.items[i].tree;
            if (!t) continue;
            facts s = facts_of(t, f);
            bool plain = make_plain(t, s, state);
            // A switch keeps its selector: its dispatch is written for a value, not a constant.
            bool subst = false;
            if (t->op == OP_ASSIGN || is_compound_assign(t->op)) subst = substitute(t->right, s, state);
            else if (t->op != OP_SWITCH) subst = substitute(t, s, state);
            if (!plain && !subst) {
                apply(ctx, t, s, state);
                continue;
            }
            ++changed;
            // The statement goes through the simplifier again: folded, and a jump that became
            // constant vanishes or turns into a plain one.
            tree_node* whole = t;
            t = nullptr;
            ctx.line = g.items[i].line;
            // Its post-increments move out now, as writing it would have done.
            std::vector<tree_node*> made = again.run(whole);
            for (tree_node* m : made) apply(ctx, m, facts_of(m, f), state);
            r.emplace_back(i, std::move(made));
        }
        return changed;
    }
};

// Bit sets of followed variables, one word per 64.
using bits = std::vector<uint64_t>;
inline bool test(const bits& b, size_t v) { return (b[v / 64] >> (v % 64)) & 1; }
inline void put(bits& b, size_t v) { b[v / 64] |= uint64_t{1} << (v % 64); }
inline void drop(bits& b, size_t v) { b[v / 64] &= ~(uint64_t{1} << (v % 64)); }

// A statement's effect on what is live before it: only a store of the statement as a whole is
// sure to happen, so only it ends a variable's life.
void live_before(const tree_node* t, const facts& s, bits& live) {
    if (s.root >= 0 && !s.nested(static_cast<size_t>(s.root)) && t) drop(live, static_cast<size_t>(s.root));
    for (size_t v : s.read) put(live, v);
}

class dead_store_pass {
public:
    dead_store_pass(cg_context& c, flow_graph& graph, const followed& fl)
        : ctx(c), g(graph), f(fl), words((fl.syms.size() + 63) / 64), blocks(graph.blocks.size()) {}

    size_t run(replacements& r) {
        settle();
        size_t removed = 0;
        for (uint32_t b = 0; b < blocks; ++b)
            if (!g.blocks[b].removed) removed += sweep(b, r);
        return removed;
    }

private:
    cg_context& ctx;
    flow_graph& g;
    const followed& f;
    size_t words, blocks;
    std::vector<bits> live_in;

    bits exit_live(uint32_t b) const {
        bits live(words, 0);
        for (uint32_t s : g.blocks[b].succ)
            for (size_t w = 0; w < words; ++w) live[w] |= live_in[s][w];
        return live;
    }

    // Liveness only grows while it is worked out, so the work list ends at the fixed point.
    void settle() {
        live_in.assign(blocks, bits(words, 0));
        std::vector<bool> queued(blocks, true);
        std::vector<uint32_t> work;
        for (uint32_t b = 0; b < blocks; ++b) work.push_back(b);   // popped from the last block
        while (!work.empty()) {
            uint32_t b = work.back();
            work.pop_back();
            queued[b] = false;
            if (g.blocks[b].removed) continue;
            bits live = exit_live(b);
            const std::vector<size_t>& items = g.blocks[b].items;
            for (size_t k = items.size(); k-- > 0;)
                if (const tree_node* t = g.items[items[k]].tree) live_before(t, facts_of(t, f), live);
            if (live == live_in[b]) continue;
            live_in[b] = std::move(live);
            for (uint32_t p : g.blocks[b].pred)
                if (!queued[p]) {
                    queued[p] = true;
                    work.push_back(p);
                }
        }
    }

    // The statements left of a dead store: its right side's effects; false when they would
    // need jumps of their own (the statement then stays).
    bool effects_only(tree_node* t, int32_t line, std::vector<tree_node*>& made) {
        made.clear();
        if (!tree_has_effect(t->right)) return true;
        resimplifier again{ctx, {}};
        ctx.line = line;
        made = again.run(tree_copy(ctx, t->right));
        for (tree_node* m : made)
            if (ends_block(m) || placed_label(m) || m->op == OP_LABEL || m->op == OP_EXIT_LABEL) {
                for (tree_node* x : made) tree_free(ctx, x);
                made.clear();
                return false;
            }
        return true;
    }

    size_t sweep(uint32_t b, replacements& r) {
        bits live = exit_live(b);
        const std::vector<size_t>& items = g.blocks[b].items;
        size_t removed = 0;
        std::vector<tree_node*> made;
        for (size_t k = items.size(); k-- > 0;) {
            size_t i = items[k];
            tree_node*& t = g.items[i].tree;
            if (!t) continue;
            facts s = facts_of(t, f);
            bool dead = s.root >= 0 && s.root_op == OP_ASSIGN && !test(live, static_cast<size_t>(s.root)) &&
                        !s.nested(static_cast<size_t>(s.root)) && integral(t->left) && effects_only(t, g.items[i].line, made);
            if (!dead) {
                live_before(t, s, live);
                continue;
            }
            tree_free(ctx, t);
            t = nullptr;
            for (size_t m = made.size(); m-- > 0;) live_before(made[m], facts_of(made[m], f), live);
            r.emplace_back(i, std::move(made));
            made.clear();
            ++removed;
        }
        return removed;
    }
};

}  // namespace

bool optimise_data_flow(cg_context& ctx, flow_graph& g) {
    bool changed = false;
    for (int round = 0; round < max_rewrite_rounds && g.usable; ++round) {
        followed f = find_followed(g.items);
        for (const deferred_item& d : g.items) refuse_hidden_stores(d.tree, f);
        if (f.syms.empty() || g.blocks.size() * f.syms.size() > max_cells) break;
        replacements r;
        size_t done = constant_pass(ctx, g, f).run(r);
        splice(g, r);
        r.clear();
        if (done == 0) {
            // Dead stores only once the constants have settled: a store they made dead goes too.
            done = dead_store_pass(ctx, g, f).run(r);
            splice(g, r);
        }
        if (done == 0) break;
        changed = true;
        flow_build(ctx, g);
        if (!g.usable) break;
        flow_link(ctx, g);
        flow_remove_unreachable(ctx, g);
    }
    return changed;
}

}  // namespace cg
