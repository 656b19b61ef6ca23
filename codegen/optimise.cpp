// The per-function optimiser and its output: the dry run, the state flow and the real run.
#include "codegen/optimise.h"

#include <string>

#include "codegen/autolayout.h"
#include "codegen/dataflow.h"
#include "codegen/flowgraph.h"
#include "codegen/tree.h"

namespace cg {

namespace {

constexpr uint8_t all_facts = BK_RP0_SET | BK_RP0_CLEAR | BK_RP1_SET | BK_RP1_CLEAR;
constexpr uint8_t rp0_facts = BK_RP0_SET | BK_RP0_CLEAR;
constexpr uint8_t rp1_facts = BK_RP1_SET | BK_RP1_CLEAR;

// Lines a real run writes that the dry run may not: bank selections the entry states made
// needless, and the source positions of -D that only the real run writes.
bool outside_code(const std::string& line) {
    return line.rfind("\tbcf\tstatus,5", 0) == 0 || line.rfind("\tbsf\tstatus,5", 0) == 0 ||
           line.rfind("\tbcf\tstatus,6", 0) == 0 || line.rfind("\tbsf\tstatus,6", 0) == 0 ||
           line.rfind("\tline\t", 0) == 0 || line.rfind("\tfile\t", 0) == 0;
}

// Calls f(line) for each line of a text.
template <typename F>
void for_lines(const std::string& text, size_t from, F f) {
    while (from < text.size()) {
        size_t to = text.find('\n', from);
        if (to == std::string::npos) to = text.size();
        f(text.substr(from, to - from));
        from = to + 1;
    }
}

uint8_t facts_touched(const std::string& text, size_t from) {
    uint8_t touched = 0;
    for_lines(text, from, [&](const std::string& line) { touched |= bank_facts_touched(line); });
    return touched;
}

// Everything that writing statements changes besides the output itself. The dry run puts it
// back, so that the real run hands out the same labels, temporaries and places.
struct writer_snapshot {
    int32_t next_label = 0;
    selector_state sel;
    reg_state regs;
    simplify_state simp;
    helper_state helpers;
    psect_state psects;
    bank_state banks;
    sdb_state sdb;
    function_entry function;
    std::vector<block_entry> blocks;
    decltype(cg_context::bitfield_temps) bitfield_temps;
    int btemp_used = 0, xtemp_used = 0;
    uint32_t struct_return = 0;
    bool code_ptr_used = false, returns_in_w = false;
    size_t strings = 0, floats = 0, fn_pointer_targets = 0, fn_without_area = 0, kept_consts = 0, kept_data = 0;

    explicit writer_snapshot(const cg_context& ctx)
        : next_label(ctx.next_label), sel(ctx.sel), regs(ctx.regs), simp(ctx.simp), helpers(ctx.helpers),
          psects(ctx.psects), banks(ctx.banks), sdb(ctx.sdb), blocks(ctx.blocks), bitfield_temps(ctx.bitfield_temps), btemp_used(ctx.btemp_used),
          xtemp_used(ctx.xtemp_used), struct_return(ctx.struct_return), code_ptr_used(ctx.code_ptr_used),
          returns_in_w(ctx.returns_in_w), strings(ctx.strings.size()), floats(ctx.floats.size()),
          fn_pointer_targets(ctx.fn_pointer_targets.size()), fn_without_area(ctx.fn_without_area.size()),
          kept_consts(ctx.kept_consts.size()), kept_data(ctx.kept_data.size()) {
        if (!ctx.functions.empty()) function = ctx.functions.back();
    }

    void restore(cg_context& ctx) const {
        ctx.next_label = next_label;
        ctx.sel = sel;
        ctx.regs = regs;
        ctx.simp = simp;
        ctx.helpers = helpers;
        ctx.psects = psects;
        ctx.banks = banks;
        ctx.sdb = sdb;
        if (!ctx.functions.empty()) ctx.functions.back() = function;
        ctx.blocks = blocks;
        ctx.bitfield_temps = bitfield_temps;
        ctx.btemp_used = btemp_used;
        ctx.xtemp_used = xtemp_used;
        ctx.struct_return = struct_return;
        ctx.code_ptr_used = code_ptr_used;
        ctx.returns_in_w = returns_in_w;
        ctx.strings.resize(strings);
        ctx.floats.resize(floats);
        ctx.fn_pointer_targets.resize(fn_pointer_targets);
        ctx.fn_without_area.resize(fn_without_area);
        ctx.kept_consts.resize(kept_consts);
        ctx.kept_data.resize(kept_data);
    }
};

// Index of the block's last statement; the item count when it has none.
size_t last_statement_index(const flow_graph& g, const flow_block& b) {
    for (size_t k = b.items.size(); k-- > 0;)
        if (g.items[b.items[k]].tree) return k;
    return b.items.size();
}

// Writes a copy of every statement of a block from a state where nothing is known, and
// records what the block does to the bank facts. The collected trees stay for the real run.
block_banks dry_run_block(cg_context& ctx, const flow_graph& g, uint32_t n, const item_writer& write, std::string& text) {
    const flow_block& b = g.blocks[n];
    block_banks facts;
    ctx.banks.known = ctx.banks.changed = ctx.banks.requested = 0;
    size_t start = text.size(), last = last_statement_index(g, b), last_from = text.size();
    uint8_t before_last = 0;
    for (size_t k = 0; k < b.items.size(); ++k) {
        const deferred_item& d = g.items[b.items[k]];
        if (k == last) {
            before_last = ctx.banks.known;
            last_from = text.size();
            const tree_node* t = d.tree;
            facts.dispatch = t->op == OP_SWITCH;
            facts.falls = !facts.dispatch && t->op != OP_GOTO && t->op != OP_GOTO_EXIT;
            if (t->op == OP_CJUMP || t->op == OP_GOTO || t->op == OP_GOTO_EXIT) {
                const tree_node* l = t->op == OP_CJUMP ? t->right : t->left;
                for (uint32_t s : b.succ)
                    if (g.blocks[s].label == l->value) facts.jump_target = s;
            }
        }
        deferred_item copy = d;
        copy.tree = tree_copy(ctx, d.tree);
        write(ctx, copy);
    }
    facts.at_end = ctx.banks.known & all_facts;
    facts.kept = all_facts & ~facts_touched(text, start);
    // The jump may leave from anywhere in its statement's code: what held before it and that
    // code leaves alone holds there.
    if (last < b.items.size()) facts.on_jump = before_last & all_facts & ~facts_touched(text, last_from);
    return facts;
}

// Writes a block for real, with the entry state the flow settled; the statements are consumed.
void write_block(cg_context& ctx, flow_graph& g, uint32_t n, uint8_t entry, const item_writer& write) {
    flow_block& b = g.blocks[n];
    size_t k = 0;
    // A leading label forgets the bank; what every way in agrees on holds after it.
    if (b.label && !b.items.empty() && placed_label(g.items[b.items[0]].tree) == b.label) write(ctx, g.items[b.items[k++]]);
    ctx.banks.known = entry;
    for (; k < b.items.size(); ++k) write(ctx, g.items[b.items[k]]);
    b.items.clear();
}

uint8_t edge_facts(const block_banks& from, uint8_t from_entry, uint32_t from_block, uint32_t to) {
    uint8_t carried = static_cast<uint8_t>(from_entry & from.kept);
    uint8_t facts = all_facts;
    if (from.jump_target == static_cast<int64_t>(to)) facts &= from.dispatch ? 0 : (from.on_jump | carried);
    if (from.dispatch) facts = 0;
    if (from.falls && from_block + 1 == to) facts &= from.at_end | carried;
    return facts;
}

}  // namespace

uint8_t bank_facts_touched(const std::string& line) {
    if (line.find("call") != std::string::npos) return all_facts;
    size_t at = line.find("status");
    if (at == std::string::npos) return 0;
    // Only the bit tests read STATUS without writing it.
    if (line.find("btfsc") != std::string::npos || line.find("btfss") != std::string::npos) return 0;
    // A bit set or cleared in STATUS: only bits 5 (RP0) and 6 (RP1) select the bank.
    bool bit_op = line.find("bcf") != std::string::npos || line.find("bsf") != std::string::npos;
    size_t bit = at + 7;
    if (bit_op && bit < line.size() && line[at + 6] == ',' && line[bit] >= '0' && line[bit] <= '7' &&
        (bit + 1 == line.size() || line[bit + 1] == '\t' || line[bit + 1] == ' ' || line[bit + 1] == ';')) {
        if (line[bit] == '5') return rp0_facts;
        if (line[bit] == '6') return rp1_facts;
        return 0;
    }
    return all_facts;
}

uint64_t code_hash(const std::string& text) {
    uint64_t h = 14695981039346656037ull;   // FNV-1a
    for_lines(text, 0, [&](const std::string& line) {
        if (outside_code(line)) return;
        for (char c : line) h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ull;
        h = (h ^ '\n') * 1099511628211ull;
    });
    return h;
}

bank_flow bank_state_flow(const flow_graph& g, const std::vector<block_banks>& facts, uint8_t function_entry) {
    const uint32_t count = static_cast<uint32_t>(g.blocks.size());
    bank_flow f;
    f.entry.assign(count, all_facts);
    for (f.rounds = 1; f.rounds <= bank_flow_rounds; ++f.rounds) {
        bool changed = false;
        for (uint32_t n = 0; n < count; ++n) {
            uint8_t e = n == 0 ? function_entry : g.blocks[n].pred.empty() ? 0 : all_facts;
            if (n != 0)
                for (uint32_t p : g.blocks[n].pred) e &= edge_facts(facts[p], f.entry[p], p, n);
            changed |= e != f.entry[n];
            f.entry[n] = e;
        }
        if (!changed) {
            f.settled = true;
            return f;
        }
    }
    f.rounds = bank_flow_rounds;
    for (uint32_t n = 1; n < count; ++n) f.entry[n] = 0;
    return f;
}

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
    lay_out_autos(ctx, g.items, true);

    // Dry run: every block from nothing known, writing nothing.
    const uint8_t function_entry = ctx.banks.known;
    std::vector<block_banks> facts(g.blocks.size());
    std::string dry_text, pending = ctx.buffer.line;
    {
        writer_snapshot before(ctx);
        ctx.sdb.file = nullptr;
        ctx.buffer.dry_run = true;
        ctx.buffer.capture = &dry_text;
        for (uint32_t n = 0; n < g.blocks.size(); ++n) facts[n] = dry_run_block(ctx, g, n, write, dry_text);
        ctx.buffer.capture = nullptr;
        ctx.buffer.dry_run = false;
        ctx.buffer.line = pending;
        before.restore(ctx);
    }
    bank_flow flow = bank_state_flow(g, facts, function_entry);

    std::string real_text;
    ctx.buffer.capture = &real_text;
    for (uint32_t n = 0; n < g.blocks.size(); ++n) write_block(ctx, g, n, flow.entry[n], write);
    ctx.buffer.capture = nullptr;
    ctx.output_hashes.emplace_back(code_hash(dry_text), code_hash(real_text));
    items.clear();
    return true;
}

}  // namespace cg
