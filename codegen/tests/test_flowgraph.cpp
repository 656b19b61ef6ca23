// The optimiser's flow graph and the bank facts a label may keep: block cuts, label chains,
// switch successors, removal of what nothing reaches, and the entry state over the edges.
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
    // The back edge carries nothing: what block 0 left is not trusted at the loop head.
    std::vector<block_exit> exits(3);
    exits[0] = {-1, false, true, 0, BK_BANK0, true};
    EXPECT_EQ(block_entry_state(g, 1, exits), 0);
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
    std::vector<block_exit> exits(4);
    exits[0] = {-1, true, false, 0xff, 0xff, true};
    exits[1] = {-1, false, true, 0, BK_BANK0, true};
    exits[2] = {-1, false, true, 0, BK_BANK0, true};
    // A case label learns nothing from the dispatch.
    EXPECT_EQ(block_entry_state(g, 1, exits), 0);
    EXPECT_EQ(block_entry_state(g, 2, exits), 0);
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
    std::vector<block_exit> exits(4);
    exits[1] = {3, false, false, BK_RP0_SET | BK_RP1_CLEAR, 0, true};
    exits[2] = {-1, false, true, 0, BK_RP0_SET | BK_RP1_SET, true};
    EXPECT_EQ(block_entry_state(g, 3, exits), BK_RP0_SET);
    exits[2].on_fall = BK_BANK0;   // they agree on RP1 alone
    EXPECT_EQ(block_entry_state(g, 3, exits), BK_RP1_CLEAR);
    // A predecessor not yet written (a back edge) carries nothing.
    exits[2].written = false;
    exits[2].on_fall = BK_RP0_SET;
    EXPECT_EQ(block_entry_state(g, 3, exits), 0);
}

TEST_F(flow_fixture, FunctionsTheGraphCannotSeeGoThePlainWay) {
    go(9);          // a label the function never places
    stmt();
    flow_build(*ctx, g);
    EXPECT_FALSE(g.usable);
    for (deferred_item& d : g.items) tree_free(*ctx, d.tree);
    g.items.clear();
    label(1);
    label(1);       // placed twice
    flow_build(*ctx, g);
    EXPECT_FALSE(g.usable);
    for (deferred_item& d : g.items) tree_free(*ctx, d.tree);
    g.items.clear();
    tree_node* a = ctx->nodes.alloc();
    a->op = OP_ASM;
    a->text = new std::string("\tgoto\tl1");
    add(a);
    label(1);
    flow_build(*ctx, g);
    EXPECT_FALSE(g.usable);
}

TEST(flow_lines, BankChangingLines) {
    EXPECT_TRUE(line_may_change_bank("\tbsf\tstatus,5"));
    EXPECT_TRUE(line_may_change_bank("\tmovwf\tstatus"));
    EXPECT_TRUE(line_may_change_bank("\tfcall\t_f"));
    EXPECT_TRUE(line_may_change_bank("\tcall\t_f"));
    EXPECT_FALSE(line_may_change_bank("\tbtfsc\tstatus,2"));
    EXPECT_FALSE(line_may_change_bank("\tgoto\tl3"));
    EXPECT_FALSE(line_may_change_bank("\tmovf\t_g,w"));
}

}  // namespace
