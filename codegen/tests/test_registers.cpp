// The register model: table consistency, register lists, choice and temporaries.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "codegen/context.h"
#include "codegen/options.h"
#include "codegen/registers.h"
#include "codegen/tests/harness.h"
#include "common/alert.h"

namespace {

using namespace cg;

int32_t code_named(const char* name) {
    for (int32_t c = 1; c <= REG_LAST; ++c)
        if (std::strcmp(reg_names[c], name) == 0) return c;
    return 0;
}

std::vector<std::string> captured;
void capture(const char* line) { captured.emplace_back(line); }

struct reg_fixture : ::testing::Test {
    void SetUp() override {
        cgtest::run_ic("");   // loads the message file once
        captured.clear();
        alert_set_output(capture);
        alert_set_level(0);
    }
    void TearDown() override { alert_set_output(nullptr); }
};

TEST(register_tables, ThirtyAtomsOfOneBitEach) {
    std::set<uint32_t> bits;
    for (int32_t c = 1; c <= REG_LAST; ++c)
        if (reg_part_count(c) == 0) {
            EXPECT_EQ(__builtin_popcount(reg_mask[c]), 1) << reg_names[c];
            bits.insert(reg_mask[c]);
        }
    EXPECT_EQ(bits.size(), 30u);
    // Spot values worked out by hand from the atom bits.
    EXPECT_EQ(reg_mask[R_W], 0x1u);
    EXPECT_EQ(reg_mask[R_STATUS], 0xcu);
    EXPECT_EQ(reg_mask[code_named("ltemp2")], 0xf000u);
    EXPECT_EQ(reg_mask[code_named("xtemp")], 0x70000u);
    EXPECT_EQ(reg_mask[R_CODE_PTR], 0x30000000u);
    EXPECT_EQ(reg_mask[code_named("ttemp1")], 0x380u);
    EXPECT_EQ(reg_mask[code_named("bmodreg")], 0x1ddu);
    EXPECT_EQ(reg_mask[0], 0u);
    EXPECT_EQ(reg_mask[REG_EMPTY], 0u);
    EXPECT_EQ(reg_mask[REG_TEMP], 0u);
}

TEST(register_tables, CompositeMaskIsTheUnionOfItsParts) {
    for (int32_t c = 1; c <= REG_LAST; ++c) {
        int n = reg_part_count(c);
        if (!n) continue;
        uint32_t u = 0;
        for (int i = 0; i < n; ++i) {
            ASSERT_GE(reg_parts[c][i], 1);
            ASSERT_LE(reg_parts[c][i], REG_LAST);
            u |= reg_mask[reg_parts[c][i]];
        }
        EXPECT_EQ(reg_mask[c], u) << reg_names[c];
    }
}

TEST(register_tables, ClassMembersAreRegistersOfTheClass) {
    for (int32_t k = CLASS_FIRST; k <= CLASS_LAST; ++k) {
        uint32_t u = 0;
        int n = 0;
        for (uint8_t m : class_members(k)) {
            if (!m) break;
            ++n;
            EXPECT_TRUE(m == REG_TEMP || (m >= 1 && m <= REG_LAST)) << k;
            EXPECT_TRUE(class_has(k, m));
            u |= reg_mask[m];
        }
        EXPECT_GE(n, 2) << k;
        EXPECT_EQ(reg_mask[k], u) << k;
    }
    EXPECT_FALSE(class_has(114, REG_TEMP));
    EXPECT_TRUE(class_has(113, REG_TEMP));
    EXPECT_TRUE(class_has(122, R_LTEMP0_W));
    EXPECT_FALSE(class_has(122, R_LTEMP0_W_TPTRL));
    EXPECT_TRUE(class_has(113 | 0x1000, 6 | 0x100));   // rule-table marks are ignored
}

TEST(register_tables, NamesFlagsAndGroups) {
    EXPECT_STREQ(reg_names[1], "w");
    EXPECT_STREQ(reg_names[5], "status");
    EXPECT_STREQ(reg_names[17], "btemp+11");
    EXPECT_STREQ(reg_names[71], "ltemp0_w");
    EXPECT_STREQ(reg_names[72], "ltemp0_w");
    EXPECT_STREQ(reg_names[102], "code_ptr+0");
    EXPECT_STREQ(reg_names[111], "tempall");
    EXPECT_STREQ(reg_names[REG_EMPTY], "");
    EXPECT_EQ(reg_mask[71], reg_mask[42] | 0x1u | (1u << 21));
    EXPECT_EQ(reg_group(code_named("allreg")), 7);
    EXPECT_EQ(reg_group(code_named("lmulreg")), 3);
    EXPECT_EQ(reg_group(code_named("asmulreg")), 2);
    EXPECT_EQ(reg_group(code_named("tempall")), 4);
    EXPECT_EQ(reg_group(R_LTEMP0), 1);
    EXPECT_EQ(reg_group(R_W), 0);
    for (int32_t c = 1; c <= REG_LAST; ++c) EXPECT_EQ(reg_weight(c), 0);
    // Every atom but two is nameable; of the composites only three.
    int nameable = 0;
    for (int32_t c = 1; c <= REG_LAST; ++c)
        if (!(reg_flags[c] & RF_UNNAMEABLE)) ++nameable;
    EXPECT_EQ(nameable, 28 + 3);
    EXPECT_TRUE(reg_flags[R_XSR] & RF_UNNAMEABLE);
    EXPECT_TRUE(reg_flags[R_PCLATHI] & RF_UNNAMEABLE);
}

TEST_F(reg_fixture, RegisterListsParseNamesWithoutCase) {
    EXPECT_EQ(cg_parse_reglist("w,fsr status"), 0xfu);
    EXPECT_EQ(cg_parse_reglist("W,\tfsr \t status"), 0xfu);
    EXPECT_EQ(cg_parse_reglist(" , ,"), 0u);
    EXPECT_EQ(cg_parse_reglist("BTEMP+1,w_tptrl"), 0x20u | 0x1u | (1u << 21));
    EXPECT_TRUE(captured.empty());
}

TEST_F(reg_fixture, UnnameableAndUnknownNamesWarnAndAreIgnored) {
    EXPECT_EQ(cg_parse_reglist("w,wtemp0"), 0x1u);
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_NE(captured[0].find("(749)"), std::string::npos);
    EXPECT_NE(captured[0].find("\"wtemp0\""), std::string::npos);
    EXPECT_EQ(cg_parse_reglist("xsr bogus fsr"), 0x2u);
    EXPECT_EQ(captured.size(), 3u);
}

TEST(register_choice, ByMask) {
    EXPECT_STREQ(reg_names[reg_by_mask(0x31)], "wtemp0_w");
    EXPECT_EQ(reg_by_mask(0xf1), R_LTEMP0_W);
    EXPECT_EQ(reg_by_mask(0xc), R_STATUS);
    EXPECT_EQ(reg_by_mask(0), REG_EMPTY);
    EXPECT_EQ(reg_by_mask(1u << 31), 0);
}

TEST(register_choice, ClassFallsBackToATemporaryOnlyWhereItHasOne) {
    reg_state st;
    uint32_t all = reg_default_free() | 0xfff0u;
    uint32_t no01 = all & ~(reg_mask[6] | reg_mask[7]);
    EXPECT_EQ(reg_choose(st, no01, 113), 8);   // "btemp+2"
    uint32_t none = all & ~reg_mask[114];
    EXPECT_EQ(reg_choose(st, none, 113), REG_TEMP);
    EXPECT_EQ(reg_choose(st, none, 114), 0);
    EXPECT_EQ(reg_choose(st, none, 131), 131);   // a temporary request is returned as is
    EXPECT_EQ(reg_choose(st, all, R_W), R_W);
    EXPECT_EQ(reg_choose(st, all & ~1u, R_LTEMP0_W), 0);
}

TEST(register_choice, RegistersTheFunctionUsesArePreferred) {
    reg_state st;
    st.regs_used = reg_mask[9];   // "btemp+3"
    EXPECT_EQ(reg_choose(st, 0xfff0u, 114), 9);
    st.regs_used = 0;
    EXPECT_EQ(reg_choose(st, 0xfff0u, 114), 6);
}

TEST(register_choice, SelectRecordsWhatCouldNotBeMet) {
    reg_state st;
    EXPECT_EQ(reg_select(st, 0, 0, 0, 114, false), 0);
    EXPECT_EQ(st.regs_to_save, reg_mask[114]);
    st = reg_state{};
    EXPECT_EQ(reg_select(st, 0, 0, 0, 113, false), REG_TEMP);
    EXPECT_EQ(st.regs_to_save, 0u);
    // A literal mask in `have` takes its bits from the free set.
    EXPECT_EQ(reg_select(st, 0xf0u, 0, static_cast<int32_t>(REG_LITERAL | 0x10u), 114, false), 7);
    // With a preference the first member meeting it wins, or the last with keep_last.
    EXPECT_EQ(reg_select(st, 0xfff0u, reg_mask[8] | reg_mask[9], 0, 114, false), 8);
    EXPECT_EQ(reg_select(st, 0xfff0u, reg_mask[8] | reg_mask[9], 0, 114, true), 9);
    // With a register already holding the value, a member overlapping it is chosen.
    EXPECT_EQ(reg_select(st, 0xffffu, 0, R_WTEMP0 + 1, 126, false), R_LTEMP0);
    EXPECT_EQ(reg_select(st, 0xffffu, 0, 8, 116, false), R_WTEMP0 + 1);
}

TEST(register_choice, ParentsAndReconciliation) {
    EXPECT_EQ(reg_parent(R_TBLPTRH, 1), R_TABLREG);
    EXPECT_EQ(reg_parent(R_CODE_PTR1, 1), R_CODE_PTR);
    EXPECT_EQ(reg_parent(R_W, 1), 0);        // many registers end in w
    EXPECT_EQ(reg_parent(R_WTEMP0, 0), 0);   // ltemp0, wtemp0_w, ... all start with it
    EXPECT_EQ(reg_parent(115, 0), 117);
    reg_state st;
    uint32_t free = 0xffffu;
    EXPECT_EQ(reg_reconcile(st, 0, R_WTEMP0, free, ""), R_WTEMP0);
    EXPECT_EQ(reg_reconcile(st, 0, R_TBLPTRH, free, "1"), R_TABLREG);
    EXPECT_EQ(reg_reconcile(st, 0, R_WTEMP0, free, "0"), R_WTEMP0);   // no unique parent
    EXPECT_EQ(reg_reconcile(st, R_W, 0, free, ""), R_W);
    EXPECT_EQ(reg_reconcile(st, R_W, R_FSR, free, ""), 0);
    EXPECT_EQ(reg_reconcile(st, R_WTEMP0, R_LTEMP0, free, ""), 0);   // two fixed registers
    EXPECT_EQ(reg_reconcile(st, 116, R_LTEMP0, free, ""), 116);
    EXPECT_EQ(reg_reconcile(st, 114, R_WTEMP0, free, ""), R_WTEMP0);
    EXPECT_EQ(reg_reconcile(st, 126, R_WTEMP0 + 2, free, "0"), R_LTEMP0 + 1);
    EXPECT_EQ(free, 0xffffu);
}

TEST(temporaries, OffsetsAdvanceBySize) {
    auto ctx = std::make_unique<cg_context>();
    setup_processor(*ctx, "16F877A");
    init_basic_types(*ctx);
    EXPECT_EQ(temp_alloc(*ctx, nullptr, 129), 127);   // two bytes
    EXPECT_EQ(temp_alloc(*ctx, nullptr, 128), 129);   // one byte
    EXPECT_EQ(temp_alloc(*ctx, nullptr, REG_TEMP), 130);   // a node of no size takes one byte
    EXPECT_EQ(ctx->regs.temp_offset, 4);
    reg_reset(ctx->regs);
    EXPECT_EQ(temp_alloc(*ctx, nullptr, 128), 127);
}

}  // namespace
