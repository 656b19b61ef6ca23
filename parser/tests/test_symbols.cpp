// Symbol table: hashing, hiding, name spaces, redeclarations, scope reports and recycling.
#include <gtest/gtest.h>

#include <string>

#include "parser/options.h"
#include "parser/symbols.h"
#include "parser/tests/harness.h"

namespace {
// Two different names of one bucket.
std::pair<std::string, std::string> colliding_names() {
    for (char a = 'a'; a <= 'z'; ++a)
        for (char b = 'a'; b <= 'z'; ++b)
            for (char c = 'a'; c <= 'z'; ++c) {
                std::string x = {'g', a, b}, y = {'h', c};
                if (sym_hash(x.c_str()) == sym_hash(y.c_str())) return {x, y};
            }
    return {"", ""};
}
}  // namespace

TEST(Symbols, HashIsShiftAndAddOverTheTerminator) {
    EXPECT_EQ(sym_hash(""), 0u);
    EXPECT_EQ(sym_hash("a"), (2u * 97u) % 256u);
    EXPECT_EQ(sym_hash("ab"), (2u * ((2u * 97u + 98u) % 256u)) % 256u);
}

TEST(Symbols, BlockDeclarationHidesOnlyItsOwnNameInASharedBucket) {
    auto [x, y] = colliding_names();
    ASSERT_FALSE(x.empty());
    auto r = parse_c("long " + x + ", " + y + ";\nvoid f(void) { char " + x + "; " + x + " = 1; " + y +
                     " = 1; }\nvoid g(void) { " + x + " = 2; }\n");
    EXPECT_NE(r.ic.find("[e = _" + x + " -> 1 `c ]"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("[e = _" + y + " -> 1 `l ]"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("[e = _" + x + " -> 2 `l ]"), std::string::npos) << r.ic;
    EXPECT_EQ(r.messages, "");
}

TEST(Symbols, NameSpacesAreSeparate) {
    auto r = parse_c("struct s { int s; } s;\nint f(void) { s.s = 1; goto s; s: return s.s; }\n");
    EXPECT_EQ(r.messages, "") << r.messages;
    EXPECT_NE(r.ic.find("[e = . _s 0 -> 1 `i ]"), std::string::npos) << r.ic;
}

TEST(Symbols, RedeclarationMatrix) {
    EXPECT_TRUE(has_message(parse_c("int x; long x;"), 984));
    EXPECT_TRUE(has_message(parse_c("int x; const int x;"), 985));
    EXPECT_TRUE(has_message(parse_c("int x; typedef int x;"), 983));
    EXPECT_TRUE(has_message(parse_c("extern int x; static int x;"), 367));
    auto e = parse_c("enum a { A }; enum b { A };");
    EXPECT_TRUE(has_message(e, 986)) << e.messages;
    // After a declaration without a list, calls pass promoted values: a list must take them as
    // they come (int, long, pointers, "(void)"), not as char, float or through an ellipsis.
    auto f = parse_c("int f(); int f(char);");
    EXPECT_TRUE(has_message(f, 987)) << f.messages;
    EXPECT_TRUE(has_message(parse_c("int f(); int f(float);"), 987));
    EXPECT_TRUE(has_message(parse_c("int f(); int f(int, ...);"), 987));
    auto promoted = parse_c("int f(); int f(int, unsigned, long, char *); int g(); int g(void);");
    EXPECT_FALSE(promoted.messages.find("(98") != std::string::npos) << promoted.messages;
    EXPECT_TRUE(has_message(parse_c("int f(int); int f(long);"), 987));
    EXPECT_TRUE(has_message(parse_c("int f(int); int f(int, int);"), 988));
    EXPECT_TRUE(has_message(parse_c("int a[3]; int a[4];"), 251));
    auto fine = parse_c("extern int a[]; int a[4]; int f(int); int f(int); int g(); int g();");
    EXPECT_FALSE(fine.messages.find("(98") != std::string::npos) << fine.messages;
    EXPECT_FALSE(has_message(fine, 251));
}

TEST(Symbols, ScopeReports) {
    auto label = parse_c("void f(void) { goto nowhere; }");
    EXPECT_NE(label.messages.find("(254) undefined label: \"nowhere\""), std::string::npos) << label.messages;
    auto tag = parse_c("void f(void) { struct t { int a; }; }", [] {});
    EXPECT_NE(tag.messages.find("(350) unused structure \"t\""), std::string::npos) << tag.messages;
    auto unused_static = parse_c("static int h(void) { return 1; }");
    EXPECT_NE(unused_static.messages.find("(967) unused function definition \"h\""), std::string::npos)
        << unused_static.messages;
    auto ids = parse_c("static char rcsid[] = \"x\"; static char sccsid[] = \"y\"; static int other;");
    EXPECT_EQ(ids.messages.find("rcsid"), std::string::npos) << ids.messages;
    EXPECT_EQ(ids.messages.find("sccsid"), std::string::npos) << ids.messages;
    auto hides = parse_c("int v; void f(void) { int v; v = 1; }", [] {});
    EXPECT_FALSE(has_message(hides, 346));   // level -2
}

TEST(Symbols, RecordsAreRecycledAcrossScopes) {
    // 50 functions of 1000 locals each: far more records than 20 blocks hold at once.
    std::string src;
    for (int f = 0; f < 50; ++f) {
        src += "void f" + std::to_string(f) + "(void) { int ";
        for (int v = 0; v < 1000; ++v) src += (v ? ", v" : "v") + std::to_string(v);
        src += "; v0 = 1; }\n";
    }
    auto r = parse_c(src);
    EXPECT_EQ(r.messages, "");
    EXPECT_LT(symbols_allocated_blocks(), 20u);
    EXPECT_NE(r.ic.find("[v _f49 `(v 1 ef ]"), std::string::npos);
}

TEST(Symbols, ExternInsideFunctionAndQualifiedAuto) {
    auto ext = parse_c("void f(void) { extern int e; e = 1; }", [] {});
    EXPECT_TRUE(has_message(ext, 347));
    auto q = parse_c("void f(void) { far int a; a = 0; }", [] {});
    EXPECT_TRUE(has_message(q, 348));
    auto allowed = parse_c("void f(void) { far int a; a = 0; }", [] { opt.default_classes = Q_FAR; });
    EXPECT_FALSE(has_message(allowed, 348));
}

// Thousands of globals whose names differ only in their first characters (the report order's
// hash sees the last ones): each still resolves to itself, inner declarations still hide outer
// ones after the look-up table has grown, and a closing scope still drops only its own names.
TEST(Symbols, LookUpHoldsAcrossManyNamesOfOneTail) {
    std::string src;
    for (int i = 0; i < 3000; ++i) src += "int n" + std::to_string(i) + "_same_tail;\n";
    src += "void f(void) { char n7_same_tail; n7_same_tail = 1; n2999_same_tail = 2; }\n"
           "void g(void) { n7_same_tail = 3; }\n";
    auto r = parse_c(src);
    EXPECT_EQ(r.messages, "");
    EXPECT_NE(r.ic.find("[e = _n7_same_tail -> 1 `c ]"), std::string::npos);   // the local char
    EXPECT_NE(r.ic.find("[e = _n2999_same_tail -> 2 `i ]"), std::string::npos);
    EXPECT_NE(r.ic.find("[e = _n7_same_tail -> 3 `i ]"), std::string::npos);         // the global again
}
