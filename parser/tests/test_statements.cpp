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
