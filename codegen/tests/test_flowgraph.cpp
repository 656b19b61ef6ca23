// The optimiser's flow graph and the bank facts a label may keep: block cuts, label chains,
// switch successors, removal of what nothing reaches, and the entry state over the edges.
#include <map>
#include <gtest/gtest.h>

#include <memory>

#include "codegen/banks.h"
#include "codegen/context.h"
#include "codegen/flowgraph.h"
#include "codegen/optimise.h"
#include "codegen/options.h"
#include "codegen/tests/harness.h"

namespace {

using namespace cg;

struct flow_fixture : ::testing::Test {
    std::unique_ptr<cg_context> ctx = std::make_unique<cg_context>();
    flow_graph g;
    void SetUp() override {
        cgtest::run_ic("");
        setup_processor(*ctx, "16F877A");
        setup_architecture(*ctx);
        init_basic_types(*ctx);
    }
    void TearDown() override {
        for (deferred_item& d : g.items) tree_free(*ctx, d.tree);
    }
    tree_node* k(int32_t v) { return const_make(*ctx, v); }
    void label(int32_t n) { add(tree_make(*ctx, OP_LABEL, k(n), nullptr)); }
    void go(int32_t n) { add(tree_make(*ctx, OP_GOTO, k(n), nullptr)); }
    void cjump(int32_t n) { add(tree_make(*ctx, OP_CJUMP, k(1), k(n))); }
    void stmt() { add(tree_make(*ctx, OP_ADD, k(1), k(2))); }
    void comment() { g.items.push_back({nullptr, 7, false, 0, ""}); }
    void add(tree_node* t) { g.items.push_back({t, -1, false, 0, ""}); }
    // A switch on a constant with the given case labels and default.
    void dispatch(std::vector<int32_t> cases, int32_t deflt) {
        tree_node* list = k(deflt);
        for (size_t i = cases.size(); i-- > 0;)
            list = tree_make(*ctx, OP_ARG, tree_make(*ctx, OP_CJUMP, k(static_cast<int32_t>(i)), k(cases[i])), list);
        tree_node* sw = ctx->nodes.alloc();
        sw->op = OP_SWITCH;
        sw->left = k(0);
        sw->right = list;
        add(sw);
    }
    void build() {
        flow_build(*ctx, g);
        ASSERT_TRUE(g.usable);
        flow_link(*ctx, g);
    }
    using list = std::vector<uint32_t>;
    static constexpr uint8_t all = BK_RP0_SET | BK_RP0_CLEAR | BK_RP1_SET | BK_RP1_CLEAR;
};

TEST_F(flow_fixture, EntryBlockIsNeverATarget) {
    // The function starts with a label that a back edge names: block 0 stays empty before it.
    label(1);
    stmt();
    cjump(1);
    stmt();
    build();
    ASSERT_EQ(g.blocks.size(), 3u);
    EXPECT_TRUE(g.blocks[0].items.empty());
    EXPECT_EQ(g.blocks[1].label, 1);
    EXPECT_EQ(g.blocks[1].succ, (list{1, 2}));
    EXPECT_EQ(g.blocks[1].pred, (list{0, 1}));
    // The back edge counts: a loop that selects bank 1 does not enter in block 0's bank 0.
    std::vector<block_banks> facts(3);
    facts[0] = {0, 0, all, -1, false, true};
    facts[1] = {BK_RP0_SET, BK_RP0_SET, BK_RP1_SET | BK_RP1_CLEAR, 1, false, true};
    bank_flow f = bank_state_flow(g, facts, BK_BANK0);
    EXPECT_TRUE(f.settled);
    EXPECT_EQ(f.entry[1], BK_RP1_CLEAR);
    EXPECT_EQ(flow_remove_unreachable(*ctx, g), 0u);
}

TEST_F(flow_fixture, SelfLoopAndWhatOnlyItReachesAreRemoved) {
    go(3);          // block 0 jumps over the loop
    label(1);       // block 1: reachable only from itself
    stmt();
    comment();
    go(1);
    label(2);       // block 2: reached only from the removed loop... and by nothing else
    stmt();
    go(3);
    label(3);
    stmt();
    build();
    EXPECT_EQ(g.blocks[1].pred, (list{1}));
    EXPECT_EQ(flow_remove_unreachable(*ctx, g), 2u);
    EXPECT_TRUE(g.blocks[1].removed);
    EXPECT_TRUE(g.blocks[2].removed);
    EXPECT_FALSE(g.blocks[3].removed);
    EXPECT_EQ(g.blocks[3].pred, (list{0}));
    // Statements are freed, the comment stays to be written.
    size_t kept = 0, comments = 0;
    for (const deferred_item& d : g.items) {
        kept += d.tree != nullptr;
        comments += !d.tree && d.comment_at >= 0;
    }
    EXPECT_EQ(kept, 3u);
    EXPECT_EQ(comments, 1u);
}

TEST_F(flow_fixture, JumpToBareLabelsLandsOnTheLastOfTheChain) {
    cjump(1);
    stmt();
    label(1);       // nothing but labels up to 3
    label(2);
    label(3);
    stmt();
    label(4);       // a bare label followed by a block without a label: kept as it is
    go(4);
    build();
    tree_node* j = g.items[0].tree;
    EXPECT_EQ(j->right->value, 3);
    EXPECT_EQ(g.blocks[0].succ, (list{1, 4}));
    EXPECT_EQ(flow_remove_unreachable(*ctx, g), 0u);   // 1 and 2 still fall through into 3
    EXPECT_EQ(g.blocks[5].succ, (list{5}));
}

TEST_F(flow_fixture, SwitchSuccessorsAreItsCasesAndDefault) {
    dispatch({2, 3, 2}, 4);
    label(2);
    stmt();
    label(3);
    stmt();
    label(4);
    build();
    EXPECT_EQ(g.blocks[0].succ, (list{1, 2, 3}));
    std::vector<block_banks> facts(4);
    facts[0] = {BK_BANK0, BK_BANK0, all, -1, true, false};
    facts[1] = {BK_BANK0, 0, all, -1, false, true};
    facts[2] = {BK_BANK0, 0, all, -1, false, true};
    // A case label learns nothing from the dispatch; the fall from case 2 into 3 does not
    // help a block the dispatch also enters.
    bank_flow f = bank_state_flow(g, facts, BK_BANK0);
    EXPECT_EQ(f.entry[1], 0);
    EXPECT_EQ(f.entry[2], 0);
}

TEST_F(flow_fixture, JoinKeepsOnlyWhatEveryWayInAgreesOn) {
    cjump(2);
    stmt();
    go(3);
    label(2);
    stmt();
    label(3);
    stmt();
    build();
    ASSERT_EQ(g.blocks.size(), 4u);
    EXPECT_EQ(g.blocks[3].pred, (list{1, 2}));
    std::vector<block_banks> facts(4);
    facts[0] = {0, 0, all, 2, false, true};
    facts[1] = {BK_RP0_SET, BK_RP0_SET | BK_RP1_CLEAR, 0, 3, false, false};
    facts[2] = {BK_RP0_SET | BK_RP1_SET, 0, 0, -1, false, true};
    EXPECT_EQ(bank_state_flow(g, facts, 0).entry[3], BK_RP0_SET);
    facts[2].at_end = BK_BANK0;   // they agree on RP1 alone
    EXPECT_EQ(bank_state_flow(g, facts, 0).entry[3], BK_RP1_CLEAR);
    // A block that leaves the bank alone passes on what it was entered with.
    facts[2] = {0, 0, all, -1, false, true};
    facts[0] = {BK_RP1_CLEAR, BK_RP1_CLEAR, 0, 2, false, true};
    EXPECT_EQ(bank_state_flow(g, facts, 0).entry[3], BK_RP1_CLEAR);
}

// Two nested loops whose heads agree with the way in only once the flow has gone round.
TEST_F(flow_fixture, LoopStatesConvergeWithinTheRounds) {
    stmt();         // block 0 selects bank 1
    label(1);       // block 1: outer head
    stmt();
    label(2);       // block 2: inner loop, leaves the bank alone
    stmt();
    cjump(2);
    stmt();         // block 3
    cjump(1);
    stmt();         // block 4
    build();
    std::vector<block_banks> facts(5);
    facts[0] = {BK_RP0_SET | BK_RP1_CLEAR, 0, 0, -1, false, true};
    facts[1] = {0, 0, all, -1, false, true};
    facts[2] = {0, 0, all, 2, false, true};
    facts[3] = {0, 0, all, 1, false, true};
    bank_flow f = bank_state_flow(g, facts, 0);
    EXPECT_TRUE(f.settled);
    EXPECT_LT(f.rounds, bank_flow_rounds);
    for (uint32_t n = 1; n < 5; ++n) EXPECT_EQ(f.entry[n], BK_RP0_SET | BK_RP1_CLEAR) << n;
    // The inner loop now selects bank 0 on its way round: the heads no longer agree.
    facts[2] = {BK_BANK0, BK_BANK0, 0, 2, false, true};
    f = bank_state_flow(g, facts, 0);
    EXPECT_TRUE(f.settled);
    EXPECT_EQ(f.entry[1], BK_RP1_CLEAR);
    EXPECT_EQ(f.entry[2], BK_RP1_CLEAR);
    EXPECT_EQ(f.entry[3], BK_BANK0);
}

// A chain of blocks each entered only by a jump back from the one after it: what the last
// one knows needs a round per block to come through, more than the flow allows.
TEST_F(flow_fixture, UnsettledStatesAreNotTrusted) {
    const int32_t n = bank_flow_rounds + 4;
    go(n);
    for (int32_t l = 1; l <= n; ++l) {
        label(l);
        stmt();
        if (l > 1) go(l - 1);
        else go(n + 1);
    }
    label(n + 1);
    stmt();
    build();
    std::vector<block_banks> facts(g.blocks.size());
    for (block_banks& b : facts) b = {0, 0, all, -1, false, false};
    for (uint32_t b = 2; b < g.blocks.size() - 1; ++b) facts[b].jump_target = b - 1;
    facts[0].jump_target = static_cast<int64_t>(g.blocks.size() - 2);
    facts[1].jump_target = static_cast<int64_t>(g.blocks.size() - 1);
    // The entry's bank 0 would hold everywhere, but "everything known" narrows to it one
    // block per round: the rounds run out and no block but the entry is trusted.
    bank_flow f = bank_state_flow(g, facts, BK_BANK0);
    EXPECT_FALSE(f.settled);
    EXPECT_EQ(f.rounds, bank_flow_rounds);
    EXPECT_EQ(f.entry[0], BK_BANK0);
    for (uint32_t b = 1; b < g.blocks.size(); ++b) EXPECT_EQ(f.entry[b], 0) << b;
}

TEST(flow_lines, BankFactsALineMayChange) {
    constexpr uint8_t rp0 = BK_RP0_SET | BK_RP0_CLEAR, rp1 = BK_RP1_SET | BK_RP1_CLEAR;
    EXPECT_EQ(bank_facts_touched("\tbsf\tstatus,5"), rp0);
    EXPECT_EQ(bank_facts_touched("\tbcf\tstatus,6\t;carry unused"), rp1);
    EXPECT_EQ(bank_facts_touched("\tbcf\tstatus,0"), 0);
    EXPECT_EQ(bank_facts_touched("\tmovwf\tstatus"), rp0 | rp1);
    EXPECT_EQ(bank_facts_touched("\tclrf\tstatus"), rp0 | rp1);
    EXPECT_EQ(bank_facts_touched("\tbsf\tstatus,50"), rp0 | rp1);
    EXPECT_EQ(bank_facts_touched("\tfcall\t_f"), rp0 | rp1);
    EXPECT_EQ(bank_facts_touched("\tcall\t_f"), rp0 | rp1);
    EXPECT_EQ(bank_facts_touched("\tbtfsc\tstatus,2"), 0);
    EXPECT_EQ(bank_facts_touched("\tgoto\tl3"), 0);
    EXPECT_EQ(bank_facts_touched("\tmovf\t_g,w"), 0);
    // The code compared between the dry and the real run leaves the selections out.
    EXPECT_EQ(code_hash("\tmovf\t_g,w\n\tbsf\tstatus,5\n\tmovwf\t_h\n"), code_hash("\tmovf\t_g,w\n\tmovwf\t_h\n"));
    EXPECT_NE(code_hash("\tmovf\t_g,w\n"), code_hash("\tmovf\t_h,w\n"));
}

}  // namespace

namespace {

// A function as the parser writes it: a loop over a bank-1 variable, then a post-increment.
//   b1 = 1; for (i = g; i < 3; i++) c1 += b1; g = c1; h = g++ + b1;
// (the loop starts from a variable: a known start would fold its first test)
const char* const loop_over_bank1 =
    "\"1 t.c\n[v _g `uc 1 e ]\n[v _h `uc 1 e ]\n[v _b1 `Xuc 1 e ]\n[v _c1 `Xuc 1 e ]\n"
    "\"3\n[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n\"4\n[v _i `uc 1 a ]\n\"5\n[e = _b1 -> 1 `Xuc ]\n"
    "\"6\n[e = _i _g ]\n[e $ < -> _i `i -> 3 `i 2 ]\n[e $U 3 ]\n[e :U 2 ]\n[e =+ _c1 _b1 ]\n"
    "[e ++ _i -> 1 `uc ]\n[e $ < -> _i `i -> 3 `i 2 ]\n[e :U 3 ]\n\"7\n[e = _g -> _c1 `uc ]\n"
    "\"8\n[e = _h -> + -> ++ _g -> 1 `uc `i -> _b1 `i `uc ]\n\"9\n[e :UE 1 ]\n}\n";

// The instructions and labels of a text, bank selections left out.
std::vector<std::string> code_lines(const std::string& text) {
    std::vector<std::string> out;
    for (const std::string& line : cgtest::lines_with(text, ""))
        if (!line.empty() && line[0] != ';' && line.find("status,5") == std::string::npos &&
            line.find("status,6") == std::string::npos)
            out.push_back(line);
    return out;
}

// The lines that follow the line `label` in a text.
std::vector<std::string> after_label(const std::string& text, const std::string& label, size_t count) {
    std::vector<std::string> lines = cgtest::lines_with(text, "");
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == label) return {lines.begin() + static_cast<long>(i) + 1, lines.begin() + static_cast<long>(std::min(lines.size(), i + 1 + count))};
    return {};
}

TEST(function_output, DryRunWritesNothingAndTheRealRunTheSameCode) {
    for (const char* chip : {"16F877A", "16F84A"}) {
        auto plain = cgtest::run_ic(loop_over_bank1, 0, chip, true, 0);
        auto opt = cgtest::run_ic(loop_over_bank1, 0, chip, true, 9);
        ASSERT_EQ(opt.output_hashes.size(), 1u) << chip;
        EXPECT_EQ(opt.output_hashes[0].first, opt.output_hashes[0].second) << chip;
        EXPECT_TRUE(opt.messages.empty()) << chip;
        // Every instruction at most as often as the plain path writes it: the dry run left
        // nothing in the output (the data flow may fold the loop's first test away).
        std::map<std::string, int> left;
        for (const std::string& line : code_lines(plain.assembly)) ++left[line];
        for (const std::string& line : code_lines(opt.assembly)) EXPECT_GE(--left[line], 0) << chip << ": " << line << "\n" << opt.assembly;
        EXPECT_EQ(cgtest::lines_with(opt.assembly, "\tline\t8").size(), 1u) << opt.assembly;
        EXPECT_LT(cgtest::lines_with(opt.assembly, "status,").size(), cgtest::lines_with(plain.assembly, "status,").size());
        // Each variable's debug record once.
        EXPECT_EQ(cgtest::lines_with(opt.sdb, "_i").size(), 1u) << opt.sdb;
        // The post-increment follows its statement.
        std::string a = opt.assembly;
        EXPECT_LT(a.find("\tmovwf\t_h"), a.find("\tincf\t_g,f")) << a;
    }
}

TEST(function_output, LoopHeadsWriteTheirLabelThenTakeTheEntryState) {
    auto r = cgtest::run_ic(loop_over_bank1, 0, "16F877A", false, 9);
    // Both ways into the loop leave bank 0 with RP1 clear: the label comes first, then only
    // RP0 is selected for b1.
    EXPECT_EQ(after_label(r.assembly, "l2", 2), (std::vector<std::string>{"\tbsf\tstatus,5", "\tmovf\t_b1,w"})) << r.assembly;
    EXPECT_EQ(after_label(r.assembly, "l3", 2), (std::vector<std::string>{"\tbsf\tstatus,5", "\tmovf\t_c1,w"})) << r.assembly;
    // The plain path knows nothing at a label.
    auto plain = cgtest::run_ic(loop_over_bank1, 0, "16F877A", false, 0);
    EXPECT_EQ(after_label(plain.assembly, "l2", 1), (std::vector<std::string>{"\tbsf\tstatus,5"}));
    EXPECT_EQ(after_label(plain.assembly, "l2", 2)[1], "\tbcf\tstatus,6\t;carry unused");
}

}  // namespace
