// Name table and type sizes; the expected sizes are worked out by hand from the target's rules.
#include <gtest/gtest.h>

#include "codegen/context.h"
#include "codegen/options.h"

namespace {

struct types_fixture : ::testing::Test {
    std::unique_ptr<cg::cg_context> ctx = std::make_unique<cg::cg_context>();
    void start(uint16_t flags) {
        ctx->machine_flags = flags;
        cg::init_basic_types(*ctx);
    }
    uint16_t size_of(const char* type, uint16_t count = 1, bool array = false) {
        cg::type_ref t;
        EXPECT_TRUE(cg::parse_type_string(*ctx, type, t)) << type;
        cg::symbol* s = ctx->symbols.make_detached();
        cg::set_symbol_type(s, t);
        if (array) s->flags |= cg::SF_ARRAY, s->count = count;
        return cg::symbol_size(*ctx, s);
    }
};

TEST_F(types_fixture, ChainsHoldNewestFirstAndShadowingUndoesAtBlockEnd) {
    start(0);
    // "ab" and "b'" differ but collide: h = 2*'a' + 'b' = 292; 2*'b' + 96 ('`') = 292.
    ASSERT_EQ(cg::symbol_table::hash("ab") % 101, cg::symbol_table::hash("b`") % 101);
    cg::symbol* a = ctx->symbols.declare("ab", cg::sym_kind::object, 0, 1);
    cg::symbol* b = ctx->symbols.declare("b`", cg::sym_kind::object, 0, 2);
    EXPECT_EQ(b->chain, a);
    cg::symbol* outer = ctx->symbols.declare("_x", cg::sym_kind::object, 0, 1);
    cg::symbol* inner = ctx->symbols.declare("_x", cg::sym_kind::object, 2, 5);
    EXPECT_NE(outer, inner);
    EXPECT_EQ(ctx->symbols.find("_x"), inner);
    ctx->symbols.leave_level(2, [](cg::symbol*) { return true; });
    EXPECT_EQ(ctx->symbols.find("_x"), outer);
}

TEST_F(types_fixture, PointerSizesFollowClassAndTarget) {
    start(cg::MF_PICMIDHI);
    EXPECT_EQ(size_of("`*Cc"), 2);      // const char pointer reaches code space
    EXPECT_EQ(size_of("`*c"), 1);
    EXPECT_EQ(size_of("`*Fc"), 2);      // far
    EXPECT_EQ(size_of("`*(i"), 2);      // pointer to function
    EXPECT_EQ(size_of("`*N(i"), 1);     // a near pointer to a function
    EXPECT_EQ(size_of("`*Ci", 4, true), 8);
    ctx = std::make_unique<cg::cg_context>();
    start(0);
    EXPECT_EQ(size_of("`*Cc"), 1);
    start(cg::MF_PIC12);
    EXPECT_EQ(size_of("`*(i"), 1);
}

TEST_F(types_fixture, BasicSizesAndUnknownArrays) {
    start(0);
    EXPECT_EQ(size_of("`l"), 4);
    EXPECT_EQ(size_of("`d"), 3);
    EXPECT_EQ(size_of("`uc", 10, true), 10);
    EXPECT_EQ(size_of("`i", 0, true), 0);   // size comes from the initialiser later
    ctx = std::make_unique<cg::cg_context>();
    start(cg::MF_IEEE_DBL);
    EXPECT_EQ(size_of("`d"), 4);
}

TEST_F(types_fixture, TypeStringsKeepLevelsAndClasses) {
    start(0);
    cg::type_ref t;
    ASSERT_TRUE(cg::parse_type_string(*ctx, "`*(uc", t));
    EXPECT_EQ(t.levels, cg::LEVEL_POINTER | (cg::LEVEL_FUNCTION << 2));
    EXPECT_EQ(t.base->name, "uc");
    ASSERT_TRUE(cg::parse_type_string(*ctx, "`*VC*c", t));
    // The inner pointer has a class word of its own, so it becomes a placeholder type.
    EXPECT_EQ(t.levels, cg::LEVEL_POINTER);
    EXPECT_EQ(t.classes, cg::PC_VOLATILE | cg::PC_CONST);
    ASSERT_TRUE(t.base->flags & cg::SF_PLACEHOLDER);
    EXPECT_EQ(t.base->name, "Fake");
    EXPECT_EQ(t.base->base->name, "c");
    ASSERT_TRUE(cg::parse_type_string(*ctx, "`S12", t));
    EXPECT_EQ(t.base->name, "S12");
}

}  // namespace
