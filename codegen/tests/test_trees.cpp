// Expression trees read from prefix form: leaves, typing and the constructor's own rewrites.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "codegen/context.h"
#include "codegen/options.h"
#include "codegen/reader.h"
#include "codegen/tests/harness.h"
#include "icode/icode.h"

namespace {

struct tree_fixture : ::testing::Test {
    std::unique_ptr<cg::cg_context> ctx = std::make_unique<cg::cg_context>();
    FILE* in = nullptr;
    FILE* out = std::tmpfile();
    std::unique_ptr<cg::ic_scanner> scan;
    void SetUp() override {
        cgtest::run_ic("");   // loads the message file once
        cg::setup_processor(*ctx, "16F877A");
        cg::setup_architecture(*ctx);
        cg::init_basic_types(*ctx);
        ctx->out = out;
    }
    void TearDown() override {
        if (in) std::fclose(in);
        std::fclose(out);
    }
    cg::tree_node* read(const std::string& text) {
        if (in) std::fclose(in);
        in = std::tmpfile();
        std::fputs(text.c_str(), in);
        std::rewind(in);
        scan = std::make_unique<cg::ic_scanner>(*ctx, in);
        return cg::ic_read_expr(*ctx, *scan);
    }
    cg::symbol* declare(const char* name, const char* type, uint32_t flags) {
        cg::symbol* s = ctx->symbols.declare(name, cg::sym_kind::object, 0, 1);
        cg::type_ref t;
        cg::parse_type_string(*ctx, type, t);
        cg::set_symbol_type(s, t);
        s->sclass = cg::storage::external;
        s->flags |= flags | cg::SF_DEFINED;
        return s;
    }
    std::string output() {
        std::fflush(out);
        std::string s;
        std::rewind(out);
        for (int c; (c = std::fgetc(out)) != EOF;) s.push_back(static_cast<char>(c));
        return s;
    }
};

TEST(op_table, EveryTokenIsFoundByBinarySearch) {
    for (int i = 1; i < cg::ic_token_count; ++i) {
        EXPECT_LT(std::strcmp(cg::op_names[i - 1], cg::op_names[i]), 0) << cg::op_names[i];
        EXPECT_EQ(cg::op_lookup(cg::op_names[i]), i);
    }
    EXPECT_EQ(cg::op_lookup("RECIP"), -1);   // internal operators are not tokens
    EXPECT_EQ(cg::dope_table[cg::OP_ADD] & cg::DOPE_SHAPE, 1u);
    EXPECT_EQ(cg::dope_table[cg::OP_LAND] & cg::DOPE_RESULT, cg::DOPE_RESULT_BIT);
}

TEST(op_table, ReadsEveryOperatorTheWriterSpells) {
    for (int code = ic::op_first; code <= ic::op_last; ++code) {
        const char* spelling = ic::op_spelling(code);
        // A cast reaches the intermediate code as "->"; its own spelling is never written.
        if (code == ic::OP_CAST) continue;
        if (*spelling) {
            EXPECT_GE(cg::op_lookup(spelling), 0) << spelling;
        }
    }
    for (const char* record : {ic::rec_block_open, ic::rec_block_close, ic::rec_expr, ic::rec_body, ic::rec_var,
                               ic::rec_struct, ic::rec_union, ic::rec_names, ic::rec_enum, ic::rec_init,
                               ic::rec_string, ic::rec_pragma, ic::rec_comment, ic::switch_token})
        EXPECT_GE(cg::op_lookup(record), 0) << record;
}


TEST_F(tree_fixture, LeavesReadAsConstantsFloatsAndListEnds) {
    cg::tree_node* n = read("-5");
    ASSERT_EQ(n->op, cg::OP_CONST);
    EXPECT_EQ(n->value, -5);
    n = read("12DN");
    EXPECT_EQ(n->value, 12);
    EXPECT_EQ(n->pclass, cg::PC_D | cg::PC_NEAR);
    // The writer puts the literal's own text after the dot.
    n = read(".0.5");
    ASSERT_EQ(n->op, cg::OP_FCONST);
    EXPECT_DOUBLE_EQ(n->fvalue, 0.5);
    n = read(".1.5e3");
    EXPECT_DOUBLE_EQ(n->fvalue, 1500.0);
    n = read("..");
    EXPECT_EQ(n->op, cg::OP_ARGEND);
}

TEST_F(tree_fixture, SizeofFoldsAndZeroSizeIsReported) {
    cg::tree_node* n = read("# `x");
    ASSERT_EQ(n->op, cg::OP_CONST);
    EXPECT_EQ(n->value, 2);
    n = read("# `v");
    ASSERT_EQ(n->op, cg::OP_CONST);
    EXPECT_EQ(n->value, 0);
}

TEST_F(tree_fixture, TypesComeFromOperandsAndConversions) {
    cg::tree_node* n = read("-> _c `i");
    EXPECT_EQ(n->type->name, "i");
    n = read("== _a _b");
    EXPECT_EQ(n->type->name, "b");
    n = read(":s 3C");
    EXPECT_EQ(n->levels, cg::LEVEL_POINTER);
    EXPECT_EQ(n->pclass, cg::PC_CONST);
    EXPECT_EQ(n->type->name, "c");
    n = read("&U _v");
    EXPECT_EQ(n->levels & 3, cg::LEVEL_POINTER);
    EXPECT_TRUE(n->left->sym->flags & cg::SF_ADDRESS_TAKEN);
}

TEST_F(tree_fixture, SignatureIsWrittenOncePerFunction) {
    declare("_f", "`(i", cg::SF_PROTOTYPED)->param_number = 1;
    read("( _f (1 _a");
    read("( _f (1 _b");
    std::string text = output();
    auto lines = cgtest::lines_with(text, "signat");
    ASSERT_EQ(lines.size(), 1u);
    // int return: size 2, signed; prototyped with one parameter; AUTOSTATIC on the 14-bit target.
    EXPECT_EQ(lines[0], "\tsignat\t_f," + std::to_string(2 | 0x20 | 0x40 | (1 << 12)));
}

TEST_F(tree_fixture, FunctionAddressStoredInPointerWritesOneCallEdge) {
    declare("_handler", "`(v", 0);
    declare("_fp", "`*(v", 0);
    read("= _fp &U _handler");
    EXPECT_EQ(cgtest::lines_with(output(), "FNCALL").size(), 1u);
    EXPECT_EQ(cgtest::lines_with(output(), "FNCALL")[0], "\tFNCALL\t_fp,_handler");
}

TEST(call_graph, FunctionAddressPassedAsArgumentWritesNoCallEdge) {
    // run(1, h, h) with run(char x, void (*f)(void), void (*g)(void)): the pointers land in
    // run's argument area ("?_run", "?_run+2"), no variable and (with an offset) no name the
    // assembler takes; the indirect-call and address records link run to h.
    auto r = cgtest::run_ic(
        "[v _h `(v 1 ef ]\n{\n[e :U _h ]\n[f ]\n[e :UE 1 ]\n}\n"
        "[v F7 `(v 1 tf ]\n[v _run `(v 1 ef3`uc`*F7`*F7 ]\n{\n[v _x `uc 1 r1 ]\n[v _f `*F7 1 r2 ]\n"
        "[v _g `*F7 1 r3 ]\n[e :U _run ]\n[f ]\n[e ( *U _f .. ]\n[e ( *U _g .. ]\n[e :UE 2 ]\n}\n"
        "[v _m `(v 1 ef ]\n{\n[e :U _m ]\n[f ]\n[e ( _run (3 , , -> 1 `uc &U _h &U _h ]\n[e :UE 3 ]\n}\n");
    EXPECT_EQ(cgtest::lines_with(r.assembly, "\tFNCALL\t"), (std::vector<std::string>{"\tFNCALL\t_m,_run"}));
    EXPECT_FALSE(cgtest::lines_with(r.assembly, "\tFNINDIR\t_run,").empty());
    EXPECT_FALSE(cgtest::lines_with(r.assembly, "\tFNADDR\t_h").empty());
}

TEST_F(tree_fixture, DamagedExpressionsNeverBuildOperators) {
    cg::tree_node* n = read("+ _a @@@");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->right->op, cg::OP_ARGEND);
    EXPECT_EQ(read("+ _a"), nullptr);   // truncated: end of input inside the expression
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "-U ";
    text += "1";
    EXPECT_NE(read(text), nullptr);     // bounded depth: reported, not a stack overflow
}

}  // namespace
