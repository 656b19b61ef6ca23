// Patching fields and evaluating complex relocations.
#include <gtest/gtest.h>

#include "linker/tests/fresh_link.h"
#include "testsupport/message_capture.h"
#include "linker/link.h"
#include "linker/options.h"
#include "linker/output.h"
#include "linker/reloc.h"
#include "linker/symtab.h"
#include "objfmt/objfmt.h"

namespace lnk {
namespace {

class Reloc : public testing::Test {
protected:
    context cx;   // the run state under test
    void SetUp() override {
        testobj::fresh_link(cx);
        output_set_order(cx, obj::byte_order::little());
    }
    // Evaluates an expression built with the format module's encoder.
    std::optional<uint32_t> eval(const obj::expr_builder& e, uint32_t base = 0, uint32_t offset = 0) {
        size_t used = 0;
        return eval_complex_reloc(cx, e.data().data(), e.data().size(), used, base, offset);
    }
    void fix(std::vector<uint8_t>& data, uint32_t offset, uint8_t type, uint32_t value) {
        apply_fixup(cx, data, 0x100, 9, offset, type, value, nullptr, "symbol", "_x");
    }
};

TEST_F(Reloc, SignedFieldsAndOverflow) {
    testsupport::message_capture m;
    std::vector<uint8_t> d{0xFE, 0xFF};
    fix(d, 0, 0x22, 1);
    EXPECT_EQ(d, (std::vector<uint8_t>{0xFF, 0xFF}));
    EXPECT_FALSE(m.has(476));
    std::vector<uint8_t> b{0x7F};
    fix(b, 0, 0x21, 0x90);
    EXPECT_TRUE(m.has(476));
    EXPECT_EQ(b[0], 0x0F);
    std::vector<uint8_t> l{0xFF, 0xFF, 0xFF, 0xFF};
    fix(l, 0, 0x24, 2);   // all 32 bits: never an overflow
    EXPECT_EQ(l, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(m.count(476), 1);
}

TEST_F(Reloc, BitFieldsKeepTheBitsAboveThem) {
    std::vector<uint8_t> d{0x00, 0xA8};   // 12-bit field 0x800 under the top nibble A
    fix(d, 0, 0xCC, 0x123);
    EXPECT_EQ(d, (std::vector<uint8_t>{0x23, 0xA9}));
    std::vector<uint8_t> goto_word{0x00, 0x28};   // an 11-bit jump target
    fix(goto_word, 0, 0xCB, 0x7FF);
    EXPECT_EQ(goto_word, (std::vector<uint8_t>{0xFF, 0x2F}));
}

TEST_F(Reloc, ByteFixupsOfBytePsectsCheckOnlyEightBits) {
    testsupport::message_capture m;
    name_entry* p = sym_enter(cx, "rbss_1", FL_PSECT | FL_GLOBAL | FL_BYTE_FIXUP);
    std::vector<uint8_t> d{0};
    apply_fixup(cx, d, 0, 9, 0, 0x21, 0xA0 + 0x80, p, "psect", "rbss_1");
    EXPECT_FALSE(m.has(476));
    EXPECT_EQ(d[0], 0x20);
    p->flags &= static_cast<uint16_t>(~FL_BYTE_FIXUP);
    apply_fixup(cx, d, 0, 9, 0, 0x21, 0x1A0, p, "psect", "rbss_1");
    EXPECT_TRUE(m.has(476));
    p->rec->failed = true;   // a psect without room reports no overflow
    apply_fixup(cx, d, 0, 9, 0, 0x21, 0x1A0, p, "psect", "rbss_1");
    EXPECT_EQ(m.count(476), 1);
}

TEST_F(Reloc, BigEndianTriplesAndBadFields) {
    output_set_order(cx, obj::byte_order::big());
    std::vector<uint8_t> d{0x01, 0x02, 0x03};
    fix(d, 0, 0x23, 1);
    EXPECT_EQ(d, (std::vector<uint8_t>{0x01, 0x02, 0x04}));
    testsupport::message_capture m;
    fix(d, 2, 0x22, 1);
    EXPECT_TRUE(m.has(508));
    std::vector<uint8_t> wide(8, 0);
    fix(wide, 0, 0x25, 1);
    EXPECT_TRUE(m.has(509));
    fix(wide, 0, 0xC0, 1);   // a bit field of no bits covers no byte
    EXPECT_EQ(m.count(509), 2);
}

TEST_F(Reloc, OperandOrderAndArithmetic) {
    obj::expr_builder sub;
    sub.constant(5).constant(3).op(obj::EX_SUB).end();
    EXPECT_EQ(eval(sub), uint32_t(3 - 5));
    obj::expr_builder shifts;
    shifts.constant(4).constant(0x100).op(obj::EX_SHR).end();
    EXPECT_EQ(eval(shifts), 0x10u);
    obj::expr_builder sar;
    sar.constant(4).constant(0x80000000u).op(obj::EX_SAR).end();
    EXPECT_EQ(eval(sar), 0xF8000000u);
    obj::expr_builder bits;
    bits.constant(0x00030004).constant(0xF8).op(obj::EX_BITEXTRACT).end();
    EXPECT_EQ(eval(bits), 7u);   // F8 >> 4 is F, bit 3 cleared
    obj::expr_builder lowhigh;
    lowhigh.constant(0x1234).op(obj::EX_HIGH).end();
    EXPECT_EQ(eval(lowhigh), 0x12u);
    obj::expr_builder neg;
    neg.constant(5).op(obj::EX_NEG).op(obj::EX_ABS).op(obj::EX_NOT).end();
    EXPECT_EQ(eval(neg), ~5u);
}

TEST_F(Reloc, DivisionByZeroGivesZero) {
    testsupport::message_capture m;
    obj::expr_builder div;
    div.constant(0).constant(9).op(obj::EX_DIV).end();
    EXPECT_EQ(eval(div), 0u);
    obj::expr_builder mod;
    mod.constant(0).constant(9).op(obj::EX_MOD).end();
    EXPECT_EQ(eval(mod), 0u);
    EXPECT_EQ(m.all(), "");
}

TEST_F(Reloc, StackLimitsAreBadRelocations) {
    testsupport::message_capture m;
    obj::expr_builder under;
    under.constant(1).op(obj::EX_ADD).end();
    EXPECT_FALSE(eval(under));
    EXPECT_EQ(m.count(513), 1);
    obj::expr_builder over;
    for (int i = 0; i < 43; ++i) over.constant(1);
    for (int i = 0; i < 42; ++i) over.op(obj::EX_ADD);
    over.end();
    EXPECT_FALSE(eval(over));
    EXPECT_EQ(m.count(513), 2);
    obj::expr_builder two_left;
    two_left.constant(1).constant(2).end();
    EXPECT_FALSE(eval(two_left));
    EXPECT_EQ(m.count(513), 3);
    std::vector<uint8_t> cut{obj::EX_CONST, 1, 2};   // a constant cut short
    size_t used = 0;
    EXPECT_FALSE(eval_complex_reloc(cx, cut.data(), cut.size(), used, 0, 0));
    EXPECT_EQ(m.count(513), 4);
    std::vector<uint8_t> no_nul{obj::EX_SYM, 'a', 'b'};
    EXPECT_FALSE(eval_complex_reloc(cx, no_nul.data(), no_nul.size(), used, 0, 0));
    EXPECT_EQ(m.count(513), 5);
}

TEST_F(Reloc, RangeChecks) {
    testsupport::message_capture m;
    obj::expr_builder ok;
    ok.constant(0x10).constant(0x7F).op_name(obj::EX_RANGE_NAME, "bank").op(obj::EX_RANGE).end();
    EXPECT_FALSE(eval(ok));   // a range check never patches
    EXPECT_FALSE(m.has(478));
    obj::expr_builder bad;
    bad.constant(0x80).constant(0x7F).op_name(obj::EX_RANGE_NAME, "bank").op(obj::EX_RANGE).end();
    EXPECT_FALSE(eval(bad, 0x200, 4));
    EXPECT_TRUE(m.has(478));
    EXPECT_NE(m.all().find("bank range check failed (location 0x204"), std::string::npos);
    obj::expr_builder three;
    three.constant(1).constant(2).constant(3).op(obj::EX_RANGE).end();
    EXPECT_FALSE(eval(three));
    EXPECT_TRUE(m.has(511));
}

TEST_F(Reloc, NamesInTheExpression) {
    testsupport::message_capture m;
    name_entry* code = sym_enter(cx, "code", FL_PSECT | FL_GLOBAL);
    code->rec->delta = 2;
    code->rec->link = 0x200;
    code->rec->running = 0x10;
    name_entry* f = sym_enter(cx, "_f", FL_GLOBAL);
    f->flags = SK_DEFINED | FL_GLOBAL;
    f->value = 0x220;
    f->owner = code;
    obj::expr_builder sym;
    sym.symbol("_f").end();
    EXPECT_EQ(eval(sym), 0x110u);
    obj::expr_builder psect;
    psect.psect("code").end();
    EXPECT_EQ(eval(psect), 0x108u);
    obj::expr_builder defined;
    defined.op_name(obj::EX_DEFINED, "_f").op_name(obj::EX_DEFINED, "_nope").op(obj::EX_ADD).end();
    EXPECT_EQ(eval(defined), 1u);
    obj::expr_builder unknown;
    unknown.symbol("_nope").end();
    EXPECT_FALSE(eval(unknown));
    EXPECT_TRUE(m.has(517));
    obj::expr_builder op;
    op.constant(1).op(99).end();
    EXPECT_EQ(eval(op), 1u);
    EXPECT_TRUE(m.has(512));
}

TEST_F(Reloc, RotatedImmediates) {
    EXPECT_EQ(rotated_immediate(0x12), 0x12u);
    EXPECT_EQ(rotated_immediate(0x3FC), 0xFFFu);
    EXPECT_EQ(rotated_immediate(0x10001), 0xFFFFu);
    EXPECT_EQ(rotated_immediate(0x102), 0xFFFFFFFFu);
}

TEST_F(Reloc, ConditionalExpressionSkipsTheModule) {
    obj::expr_builder one;
    one.constant(1).end();
    condexpr_record(cx, one.data());
    EXPECT_FALSE(cx.module_skip);
    obj::expr_builder zero;
    zero.constant(0).end();
    condexpr_record(cx, zero.data());
    EXPECT_TRUE(cx.module_skip);
}

TEST_F(Reloc, PartialAndLoadRelocationsReportComplexOnes) {
    testsupport::message_capture m;
    cx.opts.load_reloc = true;
    obj::expr_builder e;
    e.constant(1).end();
    EXPECT_EQ(eval(e), 1u);
    EXPECT_TRUE(m.has(510));
}

}  // namespace
}  // namespace lnk
