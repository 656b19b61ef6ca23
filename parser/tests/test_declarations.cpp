// Declarations: specifiers, struct/enum bodies, declarators and K&R parameters.
#include <gtest/gtest.h>

#include "common/alert.h"
#include "parser/options.h"
#include "parser/tests/harness.h"

TEST(Declarations, EnumValuesCountOn) {
    auto r = parse_c("enum e { A, B = 5, C };\nint x = C;\n");
    EXPECT_NE(r.ic.find("0\n5\n6\n.. ]\n"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("[i _x\n"), std::string::npos) << r.ic;   // not the null constant
    EXPECT_TRUE(has_message(parse_c("enum nosuch v;"), 260));
    EXPECT_TRUE(has_message(parse_c("enum;"), 322));
    EXPECT_TRUE(has_message(parse_c("enum e { 1 };"), 321));
}

TEST(Declarations, LongFloatLongLongAndUnsignedDouble) {
    auto lf = parse_c("long float x;");
    EXPECT_NE(lf.ic.find("[v _x `d 1 e ]"), std::string::npos) << lf.ic;
    EXPECT_TRUE(has_message(parse_c("long float x;", [] { opt.strict = true; }), 271));
    EXPECT_NE(parse_c("long long y;").ic.find("[v _y `l 1 e ]"), std::string::npos);
    EXPECT_NE(parse_c("long long y;", [] { opt.long_long = true; }).ic.find("[v _y `o 1 e ]"), std::string::npos);
    auto ud = parse_c("unsigned double d;");
    EXPECT_TRUE(has_message(ud, 274));
    EXPECT_NE(ud.ic.find("[v _d `d 1 e ]"), std::string::npos) << ud.ic;
    EXPECT_TRUE(has_message(parse_c("short char c;"), 272));
    EXPECT_TRUE(has_message(parse_c("signed unsigned int s;"), 273));
    EXPECT_TRUE(has_message(parse_c("int char c;"), 269));
    EXPECT_TRUE(has_message(parse_c("extern static int c;"), 268));
}

TEST(Declarations, BitFields) {
    auto r = parse_c("struct s { int a:3; unsigned b:4; int :2; };", [] { alert_set_level(-1); });
    EXPECT_NE(r.ic.find("[s S1 :3 `ui 1 :4 `ui 1 :2 `ui 1 ]"), std::string::npos) << r.ic;
    EXPECT_EQ(r.messages.find("(369)"), r.messages.rfind("(369)")) << r.messages;   // once: the unnamed one is silent
    EXPECT_TRUE(has_message(r, 369));
    EXPECT_TRUE(has_message(parse_c("struct s { char c:3; };"), 264));
    auto y = parse_c("struct s { unsigned char c:3; unsigned i:2; };", [] { opt.char_bitfields = true; });
    EXPECT_NE(y.ic.find("[s S1 :3 `uc 1 :2 `uc 1 ]"), std::string::npos) << y.ic;
    EXPECT_TRUE(has_message(parse_c("struct s { unsigned a:x; };"), 265));
    // Fields declared signed keep their sign, as int or (under -Y) char, without 369.
    auto sf = parse_c("struct s { signed int a:3; signed b:2; };", [] { alert_set_level(-1); });
    EXPECT_NE(sf.ic.find("[s S1 :3 `i 1 :2 `i 1 ]"), std::string::npos) << sf.ic;
    EXPECT_FALSE(has_message(sf, 369));
    auto sy = parse_c("struct s { signed int a:3; signed char c:2; int p:1; };", [] { opt.char_bitfields = true; });
    EXPECT_NE(sy.ic.find("[s S1 :3 `c 1 :2 `c 1 :1 `uc 1 ]"), std::string::npos) << sy.ic;
    EXPECT_TRUE(has_message(parse_c("struct s { signed char c:3; };"), 264));
}

TEST(Declarations, StructLayoutsAndErrors) {
    auto r = parse_c("struct s { int a; unsigned b:3; char c[8]; };");
    EXPECT_NE(r.ic.find("[s S1 `i 1 :3 `ui 1 `c -> 8 `ui ]"), std::string::npos) << r.ic;
    EXPECT_TRUE(has_message(parse_c("struct s { int a; }; struct s { int b; };"), 262));
    EXPECT_TRUE(has_message(parse_c("struct s { int a; int a; };"), 261));
    EXPECT_TRUE(has_message(parse_c("struct s { int f(void); };"), 263));
    EXPECT_TRUE(has_message(parse_c("struct s { static int a; };"), 266));
    EXPECT_TRUE(has_message(parse_c("struct { int a; } union;"), 323));
    auto names = parse_c("struct { int a; } anon;", [] { opt.names_records = true; });
    EXPECT_NE(names.ic.find("[n S1 . a ]"), std::string::npos) << names.ic;
}

TEST(Declarations, ParameterListStyles) {
    EXPECT_TRUE(has_message(parse_c("int f(a, int b);"), 277));
    EXPECT_TRUE(has_message(parse_c("int f(...);"), 275));
    EXPECT_TRUE(has_message(parse_c("int (*g)(a);"), 276));
    EXPECT_TRUE(has_message(parse_c("int f(int a, int a);"), 278));
    EXPECT_TRUE(has_message(parse_c("int f(int a = 1);"), 279));
    EXPECT_TRUE(has_message(parse_c("int f(int a int b);"), 372));
    auto kr = parse_c("int k(a) float a; { return 0; }");
    EXPECT_TRUE(has_message(kr, 352));
    EXPECT_NE(kr.ic.find("[v _a `d 1 p ]"), std::string::npos) << kr.ic;
    EXPECT_TRUE(has_message(parse_c("int k(a) int b; { return 0; }"), 291));
    EXPECT_TRUE(has_message(parse_c("int k(a) int a; int a; { return 0; }"), 278));
    EXPECT_TRUE(has_message(parse_c("int k(a) static int a; { return 0; }"), 257));
}

TEST(Declarations, ComplexDeclarators) {
    auto r = parse_c("int (*(*fp)(int))[10];\nint *ap[3];\nint (*pa)[3];\nint a2[2][3];\nchar (*(*x(void))[])(void);\n");
    EXPECT_EQ(r.messages, "") << r.messages;
    // fp: pointer to a prototyped function returning a pointer to an array
    size_t at = r.ic.find("[v _fp `*F");
    EXPECT_NE(at, std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("[v _ap `*i -> 3 `ui e ]"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("`i -> 10 `ui t ]"), std::string::npos) << r.ic;   // the array behind the pointer
    EXPECT_NE(r.ic.find("[v _pa `*F"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("[v _a2 `F"), std::string::npos) << r.ic;
}

TEST(Declarations, DeclaratorErrors) {
    EXPECT_TRUE(has_message(parse_c("int f[3](void);"), 280));
    EXPECT_TRUE(has_message(parse_c("int f(void)(void);"), 281));
    EXPECT_TRUE(has_message(parse_c("int f(void)[3];"), 282));
    EXPECT_TRUE(has_message(parse_c("int a[3][];"), 283));
    EXPECT_TRUE(has_message(parse_c("int a[0];"), 284));
    EXPECT_TRUE(has_message(parse_c("int;  int *;"), 285));
    EXPECT_TRUE(has_message(parse_c("void v;"), 288));
    EXPECT_TRUE(has_message(parse_c("interrupt int i;"), 289));
    EXPECT_TRUE(has_message(parse_c("bit b[2];", [] { opt.bit_keyword = true; }), 287));
    EXPECT_TRUE(has_message(parse_c("register int r;"), 270));
    EXPECT_TRUE(has_message(parse_c("x;", [] { alert_set_level(2); }), 374));
}

TEST(Declarations, AutoAtFileLevelIsFatal) {
    EXPECT_EXIT(parse_c("auto int a;"), ::testing::ExitedWithCode(1), "");
}

TEST(Declarations, TypedefNames) {
    auto r = parse_c("typedef int T; typedef int A[4]; typedef char *P;\nT t; A a; const P p; P q;");
    EXPECT_NE(r.ic.find("[v _t `i 1 e ]"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("[v _A `i -> 4 `ui t ]"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("[v _a `i -> 4 `ui e ]"), std::string::npos) << r.ic;   // copied in
    auto qualified = parse_c("typedef int A[4]; const A ca;");
    EXPECT_NE(qualified.ic.find("[v _ca `C_A -> 4 `ui e ]"), std::string::npos) << qualified.ic;
    EXPECT_NE(r.ic.find("[v _p `C*c 1 e ]"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("[v _q `*c 1 e ]"), std::string::npos) << r.ic;
}

// A local array sized by its initialiser and assigned element by element (-R): its record
// carries the count and comes before the first assignment, which needs the object's bytes.
TEST(Declarations, OpenLocalArrayRecordCarriesTheInitialiserCount) {
    auto r = parse_c("struct t { int b; };\n"
                     "void f(void) { int h[] = {1, 2, 3}; struct t k[] = {{1}, {2}}; char s[] = \"ab\"; h[0] = 4; }\n",
                     [] { opt.static_const_autos = true; });
    for (const char* name : {"_h", "_k", "_s"}) {
        size_t record = r.ic.find(std::string("[v ") + name + " ");
        size_t first_use = r.ic.find(std::string("&U ") + name + " ");
        ASSERT_NE(record, std::string::npos) << r.ic;
        EXPECT_LT(record, first_use) << name << "\n" << r.ic;
        EXPECT_EQ(r.ic.find(std::string("[v ") + name + " ", record + 1), std::string::npos) << r.ic;   // once
    }
    EXPECT_NE(r.ic.find("[v _h `i -> 3 `ui a ]"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("[v _k `S1 -> 2 `ui a ]"), std::string::npos) << r.ic;
    size_t s = r.ic.find("[v _s `");
    EXPECT_EQ(r.ic.substr(r.ic.find(' ', s + 7), 12), " -> 3 `ui a ") << r.ic;
}
