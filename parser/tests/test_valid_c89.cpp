// Ordinary C89 that the parser must accept without a message: common idioms of real programs.
#include <gtest/gtest.h>

#include <string>

#include "common/alert.h"
#include "parser/tests/harness.h"

namespace {
// Messages of a unit parsed with every warning shown.
std::string messages_of(const std::string& source) {
    return parse_c(source, [] { alert_set_level(-9); }).messages;
}
}  // namespace

TEST(ValidC89, PointerIncrementIsPointerArithmetic) {
    // Every pointer class and both directions, alone and inside larger expressions.
    for (std::string pointed : {"char", "const char", "short", "volatile int", "far char", "near const short",
                                "struct S", "char *", "const char *const"}) {
        std::string src = "struct S { int a; };\nvoid f(" + pointed + " *p, " + pointed + " *q)\n{\n"
                          "    p++; ++p; p--; --p; p += 1; p -= 2;\n    q = &*p++; p = &*--q;\n"
                          "    while (p != q) q++;\n    q = p++ + 1; p = --q - 1;\n}\n";
        EXPECT_EQ(messages_of(src), "") << pointed;
    }
}

TEST(ValidC89, QualifiedPointersDereference) {
    EXPECT_EQ(messages_of("const char *const names[] = { \"ab\", \"cd\" };\n"
                          "char n(int i) { return names[1][i] + *(names[i] + 1); }\n"
                          "struct T { int t; }; typedef struct A { int n; } A;\n"
                          "int *volatile g;\n"
                          "int f(int *const p, const A *const b, const int *const volatile c)\n"
                          "{ return *p + b->n + *g + *c + ((struct T *const) 0x4000)->t + (*&b)->n + p[1]; }\n"),
              "");
    // An array of pointers to const, subscripted twice or through "*", in each class.
    for (std::string q : {"const", "volatile", "far", "near const"}) {
        std::string src = "extern " + q + " char *const words[];\n" + q + " char *w2[2][2];\n" +
                          "char f(int i)\n{ return words[1][i] + *(words[i] + 1) + **words + w2[1][0][i] + *w2[0][1]; }\n";
        EXPECT_EQ(messages_of(src), "") << q;
    }
}

TEST(ValidC89, CaseLabelsInsideLoopsOfTheirSwitch) {
    auto r = parse_c("void copy(char *to, char *from, int count)\n{\n    int n = (count + 7) / 8;\n"
                     "    switch (count % 8) {\n    case 0: do { *to = *from++;\n    case 7: *to = *from++;\n"
                     "    case 6: while (0) { case 5: ; }\n    default: for (;;) { case 4: break; }\n"
                     "    } while (--n > 0);\n    }\n}\n",
                     [] { alert_set_level(-9); });
    EXPECT_EQ(r.messages, "");
    // All five labels reach the dispatch of the one switch.
    for (const char* value : {"-> 0 `i", "-> 7 `i", "-> 6 `i", "-> 5 `i", "-> 4 `i"})
        EXPECT_NE(r.ic.find(value), std::string::npos) << value << "\n" << r.ic;
    // An inner switch takes the labels inside it; outside any switch a label is still an error.
    auto nested = parse_c("void f(int a, int b)\n{ switch (a) { case 1: switch (b) { case 1: break; } case 2: ; } }\n",
                          [] { alert_set_level(-9); });
    EXPECT_EQ(nested.messages, "");
    EXPECT_TRUE(has_message(parse_c("void f(int a) { while (a) { case 1: ; } }\n"), 246));
}

TEST(ValidC89, NestedConditionals) {
    auto r = parse_c("int g(int x, int y)\n{ return y < 0 ? x > 0 ? x : 0 : y; }\n"
                     "int h(int a, int b, int c)\n{ return a ? b ? c ? 1 : 2 : 3 : b ? 4 : 5; }\n"
                     "int k(int a)\n{ switch (a) { case 1 ? 2 ? 3 : 4 : 5: return 0; } return 1; }\n",
                     [] { alert_set_level(-9); });
    EXPECT_EQ(r.messages, "");
    EXPECT_NE(r.ic.find("? < _y -> 0 `i : ? > _x -> 0 `i : _x -> 0 `i _y"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("-> 3 `i"), std::string::npos) << r.ic;   // the case value folds to 3
}

TEST(ValidC89, OldStyleDefinitionAgainstPromotedPrototype) {
    EXPECT_EQ(messages_of("void f(int);\nvoid f(x) unsigned char x; {}\n"
                          "void g(int, double);\nvoid g(s, r) short s; float r; {}\n"),
              "t.c: 4: (352) float parameter coerced to double (warning)\n");
    // A prototype definition still has to match exactly.
    EXPECT_TRUE(has_message(parse_c("void f(int);\nvoid f(unsigned char x) {}\n"), 252));
    EXPECT_TRUE(has_message(parse_c("void f(long);\nvoid f(x) char x; {}\n"), 252));
}

TEST(ValidC89, EndlessLoopsNeedNoReturnAfterThem) {
    EXPECT_EQ(messages_of("const char *f(const char *in)\n{ while (1) { if (*in == 'a') return in; in++; } }\n"
                          "int g(int x)\n{ do { if (x) return x; } while (1); }\n"
                          "int h(int x)\n{ for (;;) { if (x) return x; } }\n"),
              "");
    // A break leaves the loop, so the end of the function is reached.
    EXPECT_NE(messages_of("int f(int x)\n{ while (1) { if (x) return 1; if (x > 2) break; } }\n").find("(343)"),
              std::string::npos);
}

TEST(ValidC89, StructAndUnionValuesCastToVoid) {
    EXPECT_EQ(messages_of("struct S { int a; } s; union U { int i; char c; } u;\nstruct S f(void);\n"
                          "void g(void) { (void)s; (void)u; (void)f(); (void)(s); }\n"),
              "");
}
