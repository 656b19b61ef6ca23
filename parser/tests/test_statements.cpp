// Statements, expressions and initialisers that need generated input or the whole unit.
#include <gtest/gtest.h>

#include <string>

#include "common/alert.h"
#include "parser/expr.h"
#include "parser/tests/harness.h"

namespace {
std::string switch_with_cases(int n) {
    std::string src = "int x; void f(void) { switch (x) {";
    for (int i = 0; i < n; ++i) src += " case " + std::to_string(i) + ":";
    return src + " x = 1; } }\n";
}
}  // namespace

TEST(Statements, FiveHundredElevenCasesAndNoMore) {
    auto ok = parse_c(switch_with_cases(511));
    EXPECT_EQ(ok.messages, "");
    EXPECT_NE(ok.ic.find(", $ -> 510 `i "), std::string::npos);
    EXPECT_EXIT(parse_c(switch_with_cases(512)), ::testing::ExitedWithCode(1), "");
}

// A byte selector is promoted to int: 255 is not (signed char)-1, and its conversion stays
// unfolded for the range check; a value the byte holds is folded as before.
TEST(Statements, CaseValuesOutsideAByteSelectorStayAsWritten) {
    auto r = parse_c("signed char s; void f(void) { switch (s) { case 255: case 5: s = 1; } }\n");
    EXPECT_EQ(r.messages, "");
    EXPECT_NE(r.ic.find(", $ -> -> 255 `i `c "), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find(", $ -> 5 `c "), std::string::npos) << r.ic;
    EXPECT_EQ(r.ic.find("-> -1 `c"), std::string::npos) << r.ic;
}

TEST(Statements, ConstantArithmeticWrapsInThirtyTwoBits) {
    EXPECT_EQ(wrap_add(INT32_MAX, 1), INT32_MIN);
    EXPECT_EQ(wrap_sub(INT32_MIN, 1), INT32_MAX);
    EXPECT_EQ(wrap_mul(0x10000, 0x10000), 0);
    int32_t q = 0;
    EXPECT_TRUE(wrap_div(INT32_MIN, -1, q));
    EXPECT_EQ(q, INT32_MIN);
    EXPECT_FALSE(wrap_div(1, 0, q));
    EXPECT_EQ(wrap_shl(1, 33), 2);   // counts modulo 32
    EXPECT_EQ(wrap_shr(-8, 1), -4);
    EXPECT_EQ(wrap_shl(-1, 31), INT32_MIN);
    // The same through dimensions and enumeration values, folded by the parser.
    auto r = parse_c("enum { BIG = 0x7FFFFFFF + 1, Q = (-0x7FFFFFFF - 1) / -1, S = 1 << 33 };\n");
    EXPECT_NE(r.ic.find("\n-2147483648\n-2147483648\n2\n"), std::string::npos) << r.ic;
}

TEST(Statements, InitialiserEdges) {
    auto r = parse_c("struct s { int a; int b; } v = { 1, 2, };\nint w[2][2] = { {1, 2}, {3, 4} };\n");
    EXPECT_EQ(r.messages, "");
    EXPECT_NE(r.ic.find("[i _v\n:U ..\n:U ..\n-> 1 `i\n-> 2 `i\n..\n..\n]"), std::string::npos) << r.ic;
    auto persistent = parse_c("persistent int p = 1;");
    EXPECT_TRUE(has_message(persistent, 1081));
    auto scalar_braces = parse_c("int x = { 3 };");
    EXPECT_NE(scalar_braces.ic.find("[i _x\n-> 3 `i\n]"), std::string::npos);
    EXPECT_TRUE(has_message(parse_c("int x = 1; int x = 2;"), 239));
    EXPECT_TRUE(has_message(parse_c("int f(void) = 3;"), 238));
}

TEST(Statements, AbsoluteAddressesAndRedefinition) {
    auto r = parse_c("int port @ 0x06;\nint f(void) @ 0x100 { return 0; }\nint g(void) { return &port == 0; }\n");
    EXPECT_NE(r.ic.find("[v _port `i 1 e@6 ]"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("[v _f `(i 1 ef@256 ]"), std::string::npos) << r.ic;
    EXPECT_TRUE(has_message(parse_c("int f(void) { return 0; }\nint f(void) { return 1; }\n"), 237));
    EXPECT_TRUE(has_message(parse_c("int p @ 1; int p @ 2;"), 239));
    EXPECT_TRUE(has_message(parse_c("int p @ q;"), 236));
}

TEST(Statements, MissingBracesAndDeclarationsAfterStatements) {
    auto r = parse_c("void f(void) { int a; a = 1; int b; }\n");
    EXPECT_TRUE(has_message(r, 249));
    auto missing = parse_c("int f(void) return 0; }");
    EXPECT_TRUE(has_message(missing, 315));
}

TEST(Statements, DefinitionAgainstItsPrototype) {
    auto kr = parse_c("int k(int);\nint k(a) long a; { return 0; }\n", [] { alert_set_level(-1); });
    EXPECT_NE(kr.messages.find("(252) argument 0 conflicts with prototype"), std::string::npos) << kr.messages;
    EXPECT_NE(kr.messages.find("long / int"), std::string::npos) << kr.messages;   // the two types in words
    EXPECT_TRUE(has_message(parse_c("int k(int, int);\nint k(a) int a; { return 0; }\n"), 253));
    auto dimension = parse_c("int m(a) int a[10]; { return a[0]; }\n");
    EXPECT_TRUE(has_message(dimension, 368));
    EXPECT_NE(dimension.ic.find("[v _a `*i 1 p ]"), std::string::npos) << dimension.ic;
}

// Casts of constants take the target's widths (8-bit char, 16-bit int, 32-bit long): the value
// is cut and sign-extended, not only retyped. Expected values worked out by hand.
TEST(Statements, CastsOfConstantsCutToTheTargetWidth) {
    auto r = parse_c("int i; long l; unsigned u;\n"
                     "void t(void) { i = (char)(unsigned)55417; i = (unsigned char)300; i = (signed char)200;\n"
                     "l = (int)70000L; u = 65535; }\n");
    for (const char* line : {"[e = _i -> 121 `i ]", "[e = _i -> 44 `i ]", "[e = _i -> -56 `i ]",
                             "[e = _l -> 4464 `l ]", "[e = _u -> 65535 `ui ]"})
        EXPECT_NE(r.ic.find(line), std::string::npos) << line << "\n" << r.ic;
    // Through dimensions, where the parser evaluates the tree: (unsigned)-1 is 65535 and the cut
    // of a conversion over an operator counts as well.
    auto d = parse_c("char a[(unsigned char)(200 + 100)];\nchar b[(unsigned)-1 == 65535 ? 2 : 3];\n"
                     "char c[(signed char)0x180 + 130];\n");
    EXPECT_NE(d.ic.find("[v _a `c -> 44 `ui e ]"), std::string::npos) << d.ic;
    EXPECT_NE(d.ic.find("[v _b `c -> 2 `ui e ]"), std::string::npos) << d.ic;
    EXPECT_NE(d.ic.find("[v _c `c -> + -> -128 `i -> 130 `i `ui e ]"), std::string::npos) << d.ic;
}

// Comparisons, "&&", "||", "!" and "?:" are constant expressions: a dimension made of them is
// written as its value, in the operands' type (unsigned when balanced to unsigned).
TEST(Statements, DimensionsOfComparisonsLogicAndConditionals) {
    auto r = parse_c("char a[2 == 2];\nchar b[(1 && 2) ? 3 : 4];\nchar c[(-1 < 0u) ? 5 : 6];\n"
                     "char d[(-1 < 0) + 4];\nchar e[(0 || 0) + !0 + (3 != 3) + 7 % 4];\n"
                     "char f[(65535u + 1u == 0) ? 8 : 9];\nchar g[0 && 1 / 0 ? 1 : 10];\n"
                     "unsigned s = sizeof b;\n");
    EXPECT_EQ(r.messages, "");
    for (const char* line : {"[v _a `c -> 1 `ux e ]", "[v _b `c -> 3 `ui e ]", "[v _c `c -> 6 `ui e ]",
                             "[v _d `c -> 5 `ui e ]", "[v _e `c -> 4 `ui e ]", "[v _f `c -> 8 `ui e ]",
                             "[v _g `c -> 10 `ui e ]"})
        EXPECT_NE(r.ic.find(line), std::string::npos) << line << "\n" << r.ic;
    // A dimension the code generator can evaluate keeps its spelling (prototypes show it).
    auto kept = parse_c("char h[4 * 2];");
    EXPECT_NE(kept.ic.find("[v _h `c -> * -> 4 `i -> 2 `i `ui e ]"), std::string::npos) << kept.ic;
}

// An assembler block after an "if" without "else" follows the whole statement: the parser reads
// it while looking for the "else", but its lines come after the "if"'s end label.
TEST(Statements, AsmBlockAfterIfWithoutElseFollowsTheStatement) {
    auto r = parse_c("int x, y;\nvoid t(void) {\nif (x) if (y) x = 1;\n#asm\n nop\n#endasm\ny = 2;\n"
                     "if (x) y = 3; else y = 4;\n#asm\n clrw\n#endasm\n}\n");
    size_t inner = r.ic.find("[e :U 3 ]"), outer = r.ic.find("[e :U 2 ]"), nop = r.ic.find(" nop");
    ASSERT_NE(nop, std::string::npos) << r.ic;
    EXPECT_LT(inner, nop) << r.ic;
    EXPECT_LT(outer, nop) << r.ic;
    EXPECT_LT(nop, r.ic.find("[e = _y -> 2 `i ]")) << r.ic;
    size_t after_else = r.ic.find("[e = _y -> 4 `i ]");
    EXPECT_LT(r.ic.find("[e :U", after_else), r.ic.find(" clrw")) << r.ic;
}
