// The template language, one group per letter or directive, on nodes labelled by the tests'
// rule set. Expected texts are worked out by hand from the letter's definition.
#include <gtest/gtest.h>

#include <cmath>

#include "codegen/asmout.h"
#include "codegen/registers.h"
#include "codegen/tests/select_fixture.h"

namespace {

struct template_fixture : cgtest::select_fixture {
    size_t seen = 0;
    // Expands text (ended by a newline) on entry `index` of n; returns what it wrote.
    std::string expand(cg::tree_node* n, const std::string& text, int index = 0) {
        cg::cg_expand_template(*ctx, n, text, index);
        cg::cg_expand_template(*ctx, n, "\n", index);   // ends the line (";" ends a template early)
        std::string all = output();
        std::string fresh = all.substr(seen);
        seen = all.size();
        return fresh;
    }
    // A leaf labelled for a goal, as the matcher leaves it.
    cg::tree_node* labelled(cg::tree_node* n, const char* g) {
        cg::cg_label_tree(*ctx, n);
        EXPECT_EQ(cg::cg_match(*ctx, n, goal(g), cg::reg_default_free(), 0, 0), 0);
        return n;
    }
    cg::tree_node* assign(cg::tree_node* l, cg::tree_node* r) {
        cg::tree_node* n = binary(cg::OP_ASSIGN, l, r);
        cg::cg_label_tree(*ctx, n);
        EXPECT_EQ(cg::cg_match(*ctx, n, goal("stmt"), cg::reg_default_free(), 0, 0), 0);
        return n;
    }
};

TEST_F(template_fixture, OperandPartsOfAWordGlobal) {
    cg::tree_node* n = assign(id(global("_w", "`i")), constant(0, "`i"));
    EXPECT_EQ(expand(n, "clrf ~0/2L\nclrf ~1/2L"), "clrf\t_w\n\tclrf\t_w+1\n");
    // The same through the emission walk: each line starts with a tab.
    cg::cg_emit_node(*ctx, n);
    EXPECT_EQ(expand(n, ""), "\tclrf\t_w\n\tclrf\t_w+1\n");
}

TEST_F(template_fixture, LineLogic) {
    cg::tree_node* x = labelled(id(global("_x", "`uc")), "mem");
    // "\b" starts a line at column 0; only the first blank of a line becomes a tab.
    EXPECT_EQ(expand(x, "a b c\n\bu1 d\ne"), "a\tb c\nu1\td\n\te\n");
    EXPECT_EQ(expand(x, "movwf SN;never written"), "movwf\t_x\n");
    EXPECT_EQ(expand(x, "x;;y"), "x;\n");
    EXPECT_EQ(expand(x, "a`b ~~c"), "a;b\t~c\n");
    // A pending comment goes on the first newline, not on a carriage-return line end.
    ctx->sel.pending_comment = "volatile";
    EXPECT_EQ(expand(x, "a\rb\nc"), "a\n\tb\t;volatile\n\tc\n");
}

TEST_F(template_fixture, RepetitionRepeatsTheGroupSinceTheLastNewline) {
    cg::tree_node* n = assign(id(global("_x", "`uc")), constant(3));
    EXPECT_EQ(expand(n, "movlw 1\nbcf c\rrlf LV--R"),
              "movlw\t1\n\tbcf\tc\n\trlf\t_x\n\tbcf\tc\n\trlf\t_x\n\tbcf\tc\n\trlf\t_x\n");
}

TEST_F(template_fixture, ConstantParts) {
    cg::tree_node* c = labelled(constant(0x1234, "`i"), "con");
    EXPECT_EQ(expand(c, "V0/2N V1/2N"), "034h\t012h\n");
    cg::tree_node* m = labelled(constant(-1), "con");
    EXPECT_EQ(expand(m, "VN"), "0FFh\n");
    ctx->opt.decimal_constants = true;
    EXPECT_EQ(expand(m, "VN"), "255\n");
    cg::tree_node* z = labelled(constant(0), "con");
    EXPECT_EQ(expand(z, "VN SN"), "0\t0\n");
}

// A floating constant's bytes are left to the assembler, which reads a bare literal as the
// 24-bit pattern: a 4-byte constant must say float32, and an infinity must stay a number.
TEST_F(template_fixture, FloatingConstantPartsNameTheirSize) {
    auto floating = [&](double v, const char* type) {
        cg::tree_node* n = constant(0, type);
        n->op = cg::OP_FCONST;
        n->fvalue = v;
        return n;
    };
    EXPECT_EQ(expand(floating(1.5, "d"), "movlw V1/3N"), "movlw\t(1.50000000000000000e+00 >> 8) & 255\n");
    EXPECT_EQ(expand(floating(-2.0, "`l"), "movlw V3/4N"),
              "movlw\t(float32 -2.00000000000000000e+00 >> 24) & 255\n");
    EXPECT_EQ(expand(floating(HUGE_VAL, "d"), "movlw V0/3N"), "movlw\t(1.79769313486231571e+308 >> 0) & 255\n");
}

TEST_F(template_fixture, SymbolTextByStorage) {
    cg::symbol* a = global("_a", "`uc");
    a->sclass = cg::storage::automatic;
    a->offset = 2;
    cg::function_entry fe;
    fe.fn = global("_f", "`(v");
    ctx->functions.push_back(fe);
    EXPECT_EQ(expand(labelled(id(a), "mem"), "SN"), "?a_f+2\n");
    cg::symbol* p = global("_p", "`uc");
    p->flags |= cg::SF_ABSOLUTE;
    p->address = 0x1f;
    EXPECT_EQ(expand(labelled(id(p), "mem"), "SN"), "01Fh\n");
    // An operator node has no operand text.
    cg::tree_node* n = assign(id(global("_x", "`uc")), constant(3));
    EXPECT_EQ(expand(n, "SN"), "");
    EXPECT_TRUE(has_message(707));
}

TEST_F(template_fixture, LabelsAreNumberedOnFirstUse) {
    cg::tree_node* n = assign(id(global("_x", "`uc")), constant(3));
    cg::tree_node* m = assign(id(global("_y", "`uc")), constant(4));
    std::string a = expand(n, "uNN5 uNN6");
    std::string b = expand(m, "uNN5");
    EXPECT_EQ(a, "u15\tu16\n");
    EXPECT_EQ(b, "u25\n");
}

TEST_F(template_fixture, OperatorSizeAndClassLetters) {
    cg::tree_node* x = id(global("_x", "`uc"));
    cg::tree_node* plus = binary(cg::OP_ADD, x, constant(1));
    EXPECT_EQ(expand(plus, "ONwf ON"), "addwf\tadd\n");
    plus->op = cg::OP_XOR;
    EXPECT_EQ(expand(plus, "ONlw"), "xorlw\n");
    plus->op = cg::OP_ASSIGN;
    EXPECT_EQ(expand(plus, "[ON]"), "[]\n");
    EXPECT_EQ(expand(x, "ANbWN ZN"), "lbb\t1\n");
    cg::tree_node* w = id(global("_i", "`i"));
    EXPECT_EQ(expand(w, "ANWN ZN"), "aw\t2\n");
    cg::tree_node* q = id(global("_q", "`*ui"));
    EXPECT_EQ(expand(q, "PN BN"), "w\t2\n");
    cg::tree_node* pointer_free = id(global("_v", "`uc"));
    EXPECT_EQ(expand(pointer_free, "[KNMN]"), "[]\n");
}

TEST_F(template_fixture, BitsOffsetsAndPartPrefixes) {
    cg::tree_node* bit = labelled(constant(0x40), "con");
    EXPECT_EQ(expand(bit, "TN"), "6\n");
    cg::tree_node* clear = labelled(constant(0xbf), "con");
    EXPECT_EQ(expand(clear, "TN"), "6\n");
    // C adds the byte of the single bit to the offset; D writes it and clears it.
    cg::tree_node* high = labelled(constant(0x400, "`i"), "con");
    EXPECT_EQ(expand(high, "CND D"), "1\t0\n");
    cg::tree_node* w = labelled(id(global("_w", "`i")), "mem");
    EXPECT_EQ(expand(w, "~1!NHN) DDD"), "_w+1high()\t0\n");
    EXPECT_EQ(expand(w, "HN"), "low(\n");
    EXPECT_EQ(expand(labelled(id(global("_b", "`uc")), "mem"), "HN"), "(\n");
}

TEST_F(template_fixture, CountersHelpersAndLogicalDepth) {
    cg::tree_node* x = labelled(id(global("_x", "`uc")), "mem");
    EXPECT_EQ(expand(x, "IN,I3NIN,I+NIN"), "f03+0,f03+3,f03+4\n");
    EXPECT_EQ(expand(x, "E20N"), "f03\n");
    EXPECT_EQ(expand(x, "E5N"), "\n");
    EXPECT_TRUE(has_message(679));
    EXPECT_EQ(expand(x, "ISN"), "");
    EXPECT_TRUE(has_message(705));
    ctx->sel.logical_depth = 2;
    EXPECT_EQ(expand(x, "U,U1"), "2,3\n");
}

TEST_F(template_fixture, HelperNumberIsNotAnOffset) {
    // E16 names the shift helper: the variable it rotates is written without an offset.
    cg::tree_node* x = labelled(id(global("_x", "`uc")), "mem");
    cg::tree_node* n = binary(cg::OP_ASG_SHL, x, constant(2, "`uc"));
    EXPECT_EQ(expand(n, "E16N"), "\tbcf\tstatus,0\n\trlf\t_x,f\n\tbcf\tstatus,0\n\trlf\t_x,f\n");
}

TEST_F(template_fixture, ConditionalPartsAndDeferredText) {
    cg::tree_node* w = labelled(id(global("_w", "`i")), "mem");
    // Z= keeps a line only for its part; a negative number clears the offset.
    EXPECT_EQ(expand(w, "~1!NZ=1N one\nZ=0N zero\nZ=-1ND"), "_w+1\tone\n\t0\n");
    EXPECT_EQ(expand(w, "Z+Nmovf SN\nnop\nZ-N"), "\tnop\n\tmovf\t_w\n");
}

TEST_F(template_fixture, RegistersOfEntries) {
    enter_function();
    cg::psect_check(*ctx);   // the function's section line, before the lines under test
    seen = output().size();
    cg::tree_node* x = id(global("_x", "`uc"));
    cg::cg_label_tree(*ctx, x);
    ASSERT_EQ(cg::cg_match(*ctx, x, goal("wreg"), cg::reg_default_free(), 0, 0), 0);
    ASSERT_EQ(cg::rule_count(x), 2);   // mem, then the chain rule into W
    EXPECT_EQ(expand(x, "XN ~L", 1), "w\t_x\n");
    EXPECT_FALSE(has_message(703));
    // GN asks for the node's own register: a plain variable has none.
    cg::tree_node* y = labelled(id(global("_y", "`uc")), "mem");
    expand(y, "GN");
    EXPECT_TRUE(has_message(703));
    cg::tree_node* r = ctx->nodes.alloc();
    r->op = cg::OP_REG;
    r->value = 6;
    r->type = y->type;
    EXPECT_EQ(expand(labelled(r, "wreg"), "GN SN"), "btemp\tbtemp\n");
    // Part digits walk the register's parts: ltemp1 is wtemp2 and wtemp3, wtemp3 is btemp+6, +7.
    cg::tree_node* l = ctx->nodes.alloc();
    l->op = cg::OP_REG;
    l->value = cg::R_LTEMP0 + 1;
    l->type = y->type;
    labelled(l, "wreg");
    EXPECT_EQ(expand(l, "GN,G1N,G11N,G19N"), "ltemp1,wtemp3,btemp+7,wtemp3\n");
}

// X of an allocated composite that has no name of its own (ltemp0: btemp .. btemp+3) writes
// the byte the running offset picks, with or without a divisor; part digits still walk parts.
TEST_F(template_fixture, AllocatedCompositeIsWrittenByteByByte) {
    enter_function();
    cg::psect_check(*ctx);
    seen = output().size();
    cg::tree_node* x = labelled(id(global("_x", "`l")), "wreg");
    const cg::rule_tables& t = cg::active_rules(*ctx);
    int32_t rule = 0;
    for (size_t i = 1; i < t.row_count && !rule; ++i)
        if (std::string(t.pool + t.rows[i].result) == "XN") rule = static_cast<int32_t>(i);
    ASSERT_NE(rule, 0);
    ASSERT_EQ(cg::rule_count(x), 2);
    (*x->rule_stack)[3] = rule;            // entry 1: a rule whose result is its register
    (*x->rule_stack)[4] = cg::R_LTEMP0;
    EXPECT_EQ(expand(x, "~0/4N,~1/4N,~3/4N,~2N", 1), "btemp,btemp+1,btemp+3,btemp+2\n");
    EXPECT_EQ(expand(x, "X0N,X11N", 1), "wtemp0,btemp+3\n");
}

}  // namespace
