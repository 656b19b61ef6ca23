// The matcher on the tests' rule set: transition lookup, first fit, machine flags, register
// shortage with and without releasing register variables, and its limits.
#include <gtest/gtest.h>

#include "codegen/asmout.h"
#include "codegen/registers.h"
#include "codegen/records.h"
#include "codegen/tests/select_fixture.h"

namespace {

using cgtest::select_fixture;

// A hash with two entries of one home slot, the last slot, so that the second wrapped to 0.
TEST(transition, ProbeWrapsFromTheLastSlotToTheFirst) {
    static int16_t hash[cg::transition_slots][3] = {};
    // (goal x op) mod 5257 = 5256 for goal 751 x 7 - 1 ... found by search below.
    uint32_t goal = 0, op = 0;
    for (uint32_t g = 89; g < 285 && !goal; ++g)
        for (uint32_t o = 1; o <= 88; ++o)
            if ((g * o) % cg::transition_slots == cg::transition_slots - 1) { goal = g; op = o; break; }
    ASSERT_NE(goal, 0u);
    hash[cg::transition_slots - 1][0] = static_cast<int16_t>(goal + 1);   // another pair at home
    hash[cg::transition_slots - 1][1] = static_cast<int16_t>(op);
    hash[cg::transition_slots - 1][2] = -1;
    hash[0][0] = static_cast<int16_t>(goal);
    hash[0][1] = static_cast<int16_t>(op);
    hash[0][2] = -2;
    cg::rule_tables t{hash, nullptr, 0, nullptr, 0, "", nullptr, 0};
    EXPECT_EQ(cg::cg_transition(t, goal, op), -2);
    EXPECT_EQ(cg::cg_transition(t, goal + 2, op), 0);   // stops at the empty slot 1
}

TEST(transition, EveryGeneratedEntryIsFoundWhereTheMatcherProbes) {
    const cg::rule_tables& t = cg::pic14_rules;
    int filled = 0;
    for (uint32_t s = 0; s < cg::transition_slots; ++s) {
        const int16_t* e = t.hash[s];
        if (!e[2]) continue;
        ++filled;
        EXPECT_EQ(cg::cg_transition(t, static_cast<uint32_t>(e[0]), static_cast<uint32_t>(e[1])), e[2]) << s;
    }
    EXPECT_GT(filled, 10);
}

TEST_F(select_fixture, AbsentPairFailsAtOnceWithoutLookingAtRegisters) {
    cg::tree_node* t = binary(cg::OP_MUL, id(global("_x", "`uc")), constant(3));
    cg::cg_label_tree(*ctx, t);
    // No registers at all: a register check would have answered 2.
    EXPECT_EQ(cg::cg_match(*ctx, t, goal("stmt"), 0, 0, 0), cg::MS_NO_RULE);
    EXPECT_EQ(ctx->sel.wanted_regs, 0u);
    cg::tree_free(*ctx, t);
}

TEST_F(select_fixture, FirstFittingRuleWinsAndForeignMachineRulesAreSkipped) {
    enter_function();
    ctx->machine_flags = cg::MF_PIC14;
    EXPECT_TRUE(cg::cg_gen_statement(*ctx, binary(cg::OP_ASSIGN, id(global("_x", "`uc")), constant(3)), cg::PS_TEXT));
    // The same statement on the 17-series takes the earlier rule made for it.
    ctx->machine_flags = cg::MF_PIC17;
    EXPECT_TRUE(cg::cg_gen_statement(*ctx, binary(cg::OP_ASSIGN, id(global("_y", "`uc")), constant(4)), cg::PS_TEXT));
    std::string text = output();
    EXPECT_NE(text.find("\tfirst\t_x\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("second"), std::string::npos) << text;
    EXPECT_EQ(text.find("movlr\t_x"), std::string::npos) << text;
    EXPECT_NE(text.find("\tmovlr\t_y\n"), std::string::npos) << text;
}

TEST_F(select_fixture, ChainRuleStacksOnTheSameNode) {
    enter_function();
    cg::tree_node* x = id(global("_x", "`uc"));
    cg::tree_node* neg = ctx->nodes.alloc();
    neg->op = cg::OP_NEG;
    neg->left = id(global("_y", "`uc"));
    neg->type = neg->left->type;
    EXPECT_TRUE(cg::cg_gen_statement(*ctx, binary(cg::OP_ASSIGN, x, neg), cg::PS_TEXT));
    EXPECT_NE(output().find("\tmovf\t_y,w\n\tsublw\t0\n\tmovwf\t_x\n"), std::string::npos) << output();
}

cg::tree_node* unary(cg::cg_context& ctx, uint32_t op, cg::tree_node* operand) {
    cg::tree_node* n = ctx.nodes.alloc();
    n->op = op;
    n->left = operand;
    n->type = operand->type;
    return n;
}

cg::tree_node* reg_leaf(select_fixture& f, int32_t code) {
    cg::tree_node* r = f.constant(0);
    r->op = cg::OP_REG;
    r->value = code;
    return r;
}

// A class flagged as a mask takes only registers inside it; a plain class also one that holds
// the whole class.
TEST_F(select_fixture, OperandClassAsMaskTakesOnlyRegistersInsideIt) {
    enter_function();
    EXPECT_TRUE(cg::cg_gen_statement(*ctx, unary(*ctx, cg::OP_COMPL, reg_leaf(*this, cg::R_WTEMP0)), cg::PS_TEXT));
    EXPECT_TRUE(cg::cg_gen_statement(*ctx, unary(*ctx, cg::OP_COMPL, reg_leaf(*this, cg::R_LTEMP0_W)), cg::PS_TEXT));
    std::string text = output();
    // The pair lies inside the scratch bytes; the second register also holds W.
    size_t inside = text.find("\tinside\t");
    ASSERT_NE(inside, std::string::npos) << text;
    EXPECT_EQ(text.find("\tinside\t", inside + 1), std::string::npos) << text;
    EXPECT_GT(text.find("\toverlapping\t"), inside) << text;
    EXPECT_NE(text.find("\toverlapping\t"), std::string::npos) << text;
    EXPECT_FALSE(has_message(712));
}

// A rule flagged so never takes a register variable's own register for its operand.
TEST_F(select_fixture, FlaggedOperandRefusesTheVariablesOwnRegister) {
    enter_function();
    cg::symbol* v = global("_v", "`uc");
    v->reg = 6;   // btemp
    EXPECT_TRUE(cg::cg_gen_statement(*ctx, unary(*ctx, cg::OP_NEG, id(v)), cg::PS_TEXT));
    std::string text = output();
    EXPECT_EQ(text.find("in place"), std::string::npos) << text;
    EXPECT_NE(text.find("\tcopied\t"), std::string::npos) << text;
}

// A variable bound to the scratch byte the statement needs.
struct release_fixture : select_fixture {
    cg::symbol* v = nullptr;
    void bind() {
        enter_function();
        v = global("_v", "`uc");
        v->sclass = cg::storage::automatic;
        v->reg = 6;   // btemp
        v->flags |= cg::SF_IN_REG;
        ctx->functions.back().bound_locals.push_back(v);
        // The other scratch bytes of the class are taken.
        ctx->regs.regs_free = cg::reg_default_free() & ~0xf0u;
    }
    cg::tree_node* needs_scratch() { return binary(cg::OP_XOR, id(global("_x", "`uc")), constant(5)); }
};

TEST_F(release_fixture, ShortageReleasesARegisterVariableThenSucceeds) {
    bind();
    EXPECT_TRUE(cg::cg_gen_statement(*ctx, needs_scratch(), cg::PS_TEXT));
    EXPECT_FALSE(has_message(712));
    EXPECT_EQ(v->reg, -1);
    std::string text = output();
    // The value moves to the auto area first, then the statement uses the freed byte.
    size_t store = text.find("\tmovwf\t?a_f+0\n");
    size_t use = text.find("\tmovwf\tbtemp\n");
    EXPECT_NE(store, std::string::npos) << text;
    EXPECT_NE(use, std::string::npos) << text;
    EXPECT_LT(store, use);
}

TEST_F(release_fixture, WithGlobalOptimisationAShortageIs712WithoutRelease) {
    bind();
    ctx->opt.opt_level = 1;
    EXPECT_FALSE(cg::cg_gen_statement(*ctx, needs_scratch(), cg::PS_TEXT));
    EXPECT_TRUE(has_message(712));
    EXPECT_EQ(v->reg, 6);
    EXPECT_TRUE(v->flags & cg::SF_IN_REG);
    EXPECT_EQ(output().find("xorwf"), std::string::npos) << output();
    EXPECT_EQ(output().find("?a_f"), std::string::npos) << output();
}

TEST_F(release_fixture, WithGlobalOptimisationTheTrialMatchReleaseKeepsTheValue) {
    // No optimiser takes the variable over, so the release must still move its value home.
    bind();
    ctx->opt.opt_level = 1;
    cg::tree_node* t = needs_scratch();
    EXPECT_TRUE(cg::cg_select_retry(*ctx, t, 0));
    EXPECT_FALSE(has_message(712));
    EXPECT_EQ(v->reg, -1);
    EXPECT_TRUE(v->flags & cg::SF_PLACED);
    EXPECT_NE(output().find("\tmovwf\t?a_f+0\n"), std::string::npos) << output();
    cg::tree_free(*ctx, t);
}

TEST_F(release_fixture, HomeOutlivesTheBlockTheReleaseHappensIn) {
    bind();
    // The function's block and an inner one are open; an earlier sibling block used 3 bytes.
    ctx->blocks.resize(2);
    ctx->functions.back().auto_high = 3;
    EXPECT_TRUE(cg::cg_gen_statement(*ctx, needs_scratch(), cg::PS_TEXT));
    EXPECT_EQ(v->offset, 3);
    EXPECT_NE(output().find("\tmovwf\t?a_f+3\n"), std::string::npos) << output();
    // Neither block gives the byte back when it closes.
    EXPECT_EQ(ctx->blocks[0].auto_size, 4);
    EXPECT_EQ(ctx->blocks[1].auto_size, 4);
}

TEST_F(release_fixture, LoadOfAVariableAlreadyInItsRegisterIsANoteOnly) {
    bind();
    ctx->opt.notes = true;
    // The body's start loads nothing: the variable's value is in its register already.
    cg::sym_load_bound_locals(*ctx);
    cg::sym_load(*ctx, v, 6);
    EXPECT_EQ(output().find("loaded to"), std::string::npos) << output();
    EXPECT_NE(output().find(";_v already in btemp\n"), std::string::npos) << output();
    EXPECT_FALSE(has_message(712));
}

TEST_F(release_fixture, NothingToReleaseGives712AndNoCode) {
    enter_function();
    ctx->regs.regs_free = cg::reg_default_free() & ~0xf0u;
    EXPECT_FALSE(cg::cg_gen_statement(*ctx, needs_scratch(), cg::PS_TEXT));
    EXPECT_TRUE(has_message(712));
    EXPECT_EQ(output().find("xorwf"), std::string::npos);
}

// Trial matching for the optimiser: registers outside the tier, the extra registers and those
// the tree's own leaves hold are not offered; a shortage releases a register variable and
// tries the same tier again; nothing is written either way.
TEST_F(release_fixture, TrialMatchKeepsToTheTierAndReleasesWhatItLacks) {
    EXPECT_EQ(cg::reg_alloc_tiers().size(), 1u);
    EXPECT_FALSE(cg::reg_alloc_tiers()[0] & cg::reg_code_mask(cg::R_FSR1));
    bind();
    cg::tree_node* t = needs_scratch();
    EXPECT_TRUE(cg::cg_select_retry(*ctx, t, 0));
    EXPECT_EQ(v->reg, -1);
    EXPECT_TRUE(t->sel_regs_used & cg::reg_code_mask(6));
    EXPECT_EQ(output().find("xorwf"), std::string::npos);
    cg::tree_free(*ctx, t);
    // The freed byte is withheld as extra: nothing is left to release.
    t = needs_scratch();
    EXPECT_FALSE(cg::cg_select_retry(*ctx, t, cg::reg_code_mask(6)));
    EXPECT_TRUE(has_message(712));
    EXPECT_EQ(cg::rule_count(t), 0);
    cg::tree_free(*ctx, t);
}

TEST_F(select_fixture, DeepTreeReports701AndNeverOverflows) {
    enter_function();
    cg::tree_node* t = id(global("_y", "`uc"));
    for (int i = 0; i < 1100; ++i) {
        cg::tree_node* n = ctx->nodes.alloc();
        n->op = cg::OP_NEG;
        n->left = t;
        n->type = t->type;
        t = n;
    }
    cg::tree_node* ret = ctx->nodes.alloc();
    ret->op = cg::OP_RETURN;
    ret->left = t;
    ret->type = t->type;
    EXPECT_FALSE(cg::cg_gen_statement(*ctx, ret, cg::PS_TEXT));
    EXPECT_TRUE(has_message(701));
    EXPECT_TRUE(has_message(712));
    EXPECT_EQ(ctx->sel.depth, 0);
}

}  // namespace

// A temporary request gets its place in the function's temporaries area when its code is
// written, afresh for each statement; a bank selection takes lines of its own, and a value in
// a temporary is read in bank 0.
TEST_F(select_fixture, TemporariesArePlacedPerStatementAndReadInBankZero) {
    enter_function();
    ctx->machine_flags = cg::MF_PIC14;
    for (const char* target : {"_w", "_v"}) {
        cg::symbol* b = global("_b", "`i");
        b->classes |= cg::PC_BANK1;
        cg::tree_node* src = id(b);
        src->pclass = static_cast<uint16_t>(src->pclass | cg::PC_BANK1);
        cg::tree_node* compl_ = ctx->nodes.alloc();
        compl_->op = cg::OP_COMPL;
        compl_->left = src;
        compl_->type = src->type;
        EXPECT_TRUE(cg::cg_gen_statement(*ctx, binary(cg::OP_ASSIGN, id(global(target, "`i")), compl_), cg::PS_TEXT));
    }
    std::string text = output();
    std::string temp = "f" + std::to_string(ctx->psects.function_number) + "3+1";
    EXPECT_NE(text.find("\tbsf\tstatus,5\n\tbcf\tstatus,6\t;carry unused\n\tcomf\t_b+1,w\n\tbcf\tstatus,5\n\tmovwf\t" +
                        temp + "\n\tmovf\t" + temp + ",w\n\tmovwf\t_w+1\n"),
              std::string::npos) << text;
    // The second statement reuses the same bytes.
    EXPECT_NE(text.find("\tmovwf\t" + temp + "\n\tmovf\t" + temp + ",w\n\tmovwf\t_v+1\n"), std::string::npos) << text;
    EXPECT_EQ(ctx->functions.back().temp_high, 2);
}

namespace {

// A call's first byte argument travels in W; when nothing derives the argument, no call rule
// may fit by leaving the argument list out (the callee would run on whatever W held).
TEST_F(select_fixture, CallWithAnUnderivableArgumentIsNotCalledWithoutIt) {
    enter_function();
    ctx->machine_flags = cg::MF_PIC14;
    ctx->sel.tables = &cg::pic14_rules;
    cg::tree_node* k = id(global("_k", "`uc"));
    cg::tree_node* test = binary(cg::OP_NE, k, constant(0));
    cg::tree_node* choice = binary(cg::OP_QUEST, test, binary(cg::OP_COLON, constant(3), constant(5)));
    choice->type = choice->right->type;
    choice->levels = 0;
    cg::tree_node* arg = binary(cg::OP_COUNT1, choice, nullptr);
    cg::tree_node* call = binary(cg::OP_CALL, id(global("_g", "`(uc")), arg);
    call->type = choice->type;
    call->levels = 0;
    EXPECT_FALSE(cg::cg_gen_statement(*ctx, binary(cg::OP_ASSIGN, id(global("_r", "`uc")), call), cg::PS_TEXT));
    EXPECT_TRUE(has_message(712));
    EXPECT_EQ(output().find("fcall"), std::string::npos) << output();
}

}  // namespace
