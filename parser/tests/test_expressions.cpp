// Expressions and their typing: conversions, pointer arithmetic, calls and the typing messages.
#include <gtest/gtest.h>

#include <string>

#include "common/alert.h"
#include "parser/options.h"
#include "parser/tests/harness.h"
#include "parser/types.h"

namespace {
// The expression records of the body of `void t(void) { BODY }` after the declarations `decls`.
parse_result body(const std::string& decls, const std::string& statements, const std::function<void()>& setup = {}) {
    return parse_c(decls + "\nvoid t(void)\n{\n" + statements + "\n}\n", [&] {
        alert_set_level(-9);
        if (setup) setup();
    });
}
bool has(const parse_result& r, const std::string& text) { return r.ic.find(text) != std::string::npos; }
}  // namespace

TEST(Expressions, AssignmentsGroupRightSubtractionsLeft) {
    auto r = body("int a, b, c;", "a = b = c; a = a - b - c;");
    EXPECT_TRUE(has(r, "[e = _a = _b _c ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e = _a - - _a _b _c ]")) << r.ic;
}

TEST(Expressions, UsualArithmeticConversions) {
    auto r = body("int i; unsigned u; long l; unsigned long ul; char c; float f; double d;",
                  "l = u + l; u = i - u; f = f * f; d = f + d; i = c + c; ul = l + ul;");
    EXPECT_TRUE(has(r, "[e = _l + -> _u `l _l ]")) << r.ic;            // unsigned int and long: long
    EXPECT_TRUE(has(r, "[e = _u - -> _i `ui _u ]")) << r.ic;           // int and unsigned: unsigned
    EXPECT_TRUE(has(r, "[e = _f * _f _f ]")) << r.ic;                  // float stays float
    EXPECT_TRUE(has(r, "[e = _d + -> _f `d _d ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e = _i + -> _c `i -> _c `i ]")) << r.ic;      // char promotes to int
    EXPECT_TRUE(has(r, "[e = _ul + -> _l `ul _ul ]")) << r.ic;
    EXPECT_TRUE(has_message(r, 373));
    auto constant = body("unsigned u; int i;", "u = u + i; u = u + 1;");
    EXPECT_EQ(constant.messages.find("(355)"), std::string::npos);
}

TEST(Expressions, ComparisonsAndLogicalOperatorsAreBits) {
    auto r = body("int a, b; bit x;", "x = a < b; x = a && b; x = !a;", [] { opt.bit_keyword = true; });
    EXPECT_TRUE(has(r, "[e = _x < _a _b ]")) << r.ic;   // a bit kept as a bit under -B
    EXPECT_TRUE(has(r, "[e = _x && != _a -> 0 `i != _b -> 0 `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e = _x ! != _a -> 0 `i ]")) << r.ic;
    EXPECT_NE(r.ic.find("[v _x `b 1 e ]"), std::string::npos) << r.ic;
    auto negated = body("int a, b;", "a = -(a < b); a = ~(a && b);");
    EXPECT_FALSE(has_message(negated, 203));   // the bit of a comparison is a plain value
    auto bit_object = body("bit x; int a;", "a = -x;", [] { opt.bit_keyword = true; });
    EXPECT_TRUE(has_message(bit_object, 203));
}

TEST(Expressions, PointerArithmeticIsScaled) {
    auto r = body("long *p, *q; int i; struct s { char c[3]; } *sp; int (*pa)[4];",
                  "p = p + i; p = i + p; i = p - q; p++; sp += 2; pa = pa + 1;");
    EXPECT_TRUE(has(r, "[e = _p + _p * -> _i `x -> # `l `x ]")) << r.ic;
    size_t first = r.ic.find("[e = _p + _p * -> _i `x -> # `l `x ]");
    EXPECT_NE(r.ic.find("[e = _p + _p * -> _i `x -> # `l `x ]", first + 1), std::string::npos) << r.ic;   // swapped
    EXPECT_TRUE(has(r, "[e = _i -> / - -> _p `x -> _q `x -> # `l `x `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e ++ _p * -> 1 `x -> # `l `x ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e =+ _sp * -> 2 `x -> # `S1 `x ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e = _pa + _pa * -> 1 `x * -> # `i `x -> 4 `x ]")) << r.ic;   // a pointer to an array: element times count
}

TEST(Expressions, IndexTypeFollowsThePointerClass) {
    auto r = body("bank1 char *bp; int i;", "bp = bp + i;", [] { define_ptr_class("bank1", "X1"); });
    EXPECT_TRUE(has(r, "[e = _bp + _bp * -> _i `c -> # `Xc `c ]")) << r.ic;
}

TEST(Expressions, SizeofForms) {
    auto r = body("int a, arr[10]; extern int ext[]; extern long one;",
                  "a = sizeof(int); a = sizeof a; a = sizeof arr; a = sizeof(char[5]); a = sizeof \"abc\";"
                  "a = sizeof ext; a = sizeof one;");
    EXPECT_TRUE(has(r, "-> # `i `ui")) << r.ic;
    EXPECT_TRUE(has(r, "-> # _a `ui")) << r.ic;
    EXPECT_TRUE(has(r, "-> # _arr `ui")) << r.ic;
    EXPECT_TRUE(has(r, "* -> # `c `ui -> 5 `ui")) << r.ic;
    EXPECT_TRUE(has(r, "[e = _a -> 4 `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "-> * # `i 0 `ui")) << r.ic;   // an extern array of unknown size
    EXPECT_TRUE(has(r, "-> * # `l 1 `ui")) << r.ic;
    EXPECT_TRUE(has_message(r, 353));
}

TEST(Expressions, CallsCountTheirParameters) {
    auto r = body("int f0(void); int f1(int); int f3(int, int, int); int f5(int, int, int, int, int);"
                  "int fv(int, ...); int fk(); int (*fp)(int);",
                  "f0(); f1(1); f3(1, 2, 3); f5(1, 2, 3, 4, 5); fv(1); fv(1, 2, 3); fk(1, 2); fp(7); (*fp)(8);");
    EXPECT_TRUE(has(r, "[e ( _f0 .. ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e ( _f1 (1 -> 1 `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e ( _f3 (3 , , -> 1 `i -> 2 `i -> 3 `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e ( _f5 (4 , , , , ")) << r.ic;
    EXPECT_TRUE(has(r, "[e ( _fv -> 1 `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e ( _fv , , (. -> 1 `i -> 2 `i -> 3 `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e ( _fk , -> 1 `i -> 2 `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e ( *U _fp (1 -> 7 `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e ( *U _fp (1 -> 8 `i ]")) << r.ic;
}

TEST(Expressions, ArgumentChecks) {
    EXPECT_TRUE(has_message(body("int f(void);", "f(1);"), 185));
    auto many = body("int f(int);", "f(1, 2, 3);");
    EXPECT_TRUE(has_message(many, 186));
    EXPECT_EQ(many.messages.find("(186)"), many.messages.rfind("(186)"));   // once
    EXPECT_TRUE(has_message(body("int f(int, int);", "f(1);"), 187));
    EXPECT_FALSE(has_message(body("int f(int, ...);", "f(1);"), 187));
    EXPECT_TRUE(has_message(body("int i;", "i(1);"), 183));
    EXPECT_TRUE(has_message(body("interrupt void isr(void);", "isr();"), 184));
    auto promoted = body("int f(); char c; float x;", "f(c, x);");
    EXPECT_TRUE(has(promoted, "[e ( _f , -> _c `i -> _x `d ]")) << promoted.ic;
}

// An old-style definition of an earlier run is forgotten: a later run's function may take the
// address of that run's record (seen in a Release build, where freed memory is reused at once;
// this sequence of runs met the earlier definition's pointer parameter).
TEST(Expressions, OldStyleDefinitionsOfAnEarlierRunAreForgotten) {
    parse_c("int k(int);\nint k(a) long a; { return 0; }\n", [] { alert_set_level(-1); });
    parse_c("int k(int, int);\nint k(a) int a; { return 0; }\n");
    parse_c("int m(a) int a[10]; { return a[0]; }\n");
    for (const char* declarations : {"int f(void);", "int f(int);", "int f(int, int);", "int f(int, ...);", "int i;",
                                     "interrupt void isr(void);"})
        body(declarations, "f(1);");
    auto promoted = body("int f(); char c; float x;", "f(c, x);");
    EXPECT_TRUE(has(promoted, "[e ( _f , -> _c `i -> _x `d ]")) << promoted.ic;
}

TEST(Expressions, OldStyleDefinitionsGivePointerArgumentsTheirType) {
    // A pointer to const may be wider than a plain one: the argument takes the parameter's
    // own pointer type, so the callee reads the bytes it was given. Arithmetic arguments are
    // still only promoted, as the definition's parameters arrive promoted; a call before the
    // definition knows nothing of it.
    auto r = body("int early(void) { return h((const char *)0, 'a'); }\n"
                  "int g(b, n, x) char *b; char n; float x; { return n; }\n"
                  "int h(p, k) char *p; int k; { return k; }\n"
                  "char c; float y; const char *s;",
                  "g(s, c, y); g(\"\", 1, 2.0); h(s, 3);");
    EXPECT_TRUE(has(r, "[e ( _g , , -> _s `*c -> _c `i -> _y `d ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e ( _g , , :s 1 -> 1 `i .2.0 ]")) << r.ic;   // a string is a char array
    EXPECT_TRUE(has(r, "[e ( _h , -> _s `*c -> 3 `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e ) ( _h , -> 0 `*Cc -> 97 `i ]")) << r.ic;   // before the definition
    EXPECT_TRUE(has_message(r, 359));   // the pointers disagree, as with a prototype
}

TEST(Expressions, UndeclaredNames) {
    auto r = body("", "u = 1; u = 2; implicit(3);");
    EXPECT_EQ(r.messages.find("(192)"), r.messages.rfind("(192)"));   // reported once
    EXPECT_TRUE(has_message(r, 192));
    EXPECT_TRUE(has_message(r, 361));
    EXPECT_TRUE(has(r, "[v _implicit `(i 0 e ]")) << r.ic;
    EXPECT_TRUE(has_message(body("typedef int T; int a;", "a = T;"), 193));
}

TEST(Expressions, AssignmentConversionMessages) {
    auto r = body("int i, *p; long *lp; float f; char *cp; void *vp; const char *ccp;",
                  "i = f; p = i; i = p; p = lp; p = 0; p = vp; cp = ccp;");
    EXPECT_TRUE(has_message(r, 356));
    EXPECT_TRUE(has_message(r, 357));
    EXPECT_TRUE(has_message(r, 358));
    EXPECT_TRUE(has_message(r, 359));
    EXPECT_TRUE(has(r, "[e = _p -> 0 `*i ]")) << r.ic;   // a null constant takes the pointer's type
    EXPECT_TRUE(has(r, "[e = _p -> _vp `*i ]")) << r.ic;
}

TEST(Expressions, AddressAndModification) {
    auto r = body("int a[3]; int f(void); const int k; int *p;", "p = &a; p = &f; k = 1;");
    EXPECT_TRUE(has_message(r, 362));
    EXPECT_TRUE(has_message(r, 363));
    EXPECT_NE(r.messages.find("(364) attempt to modify object qualifed const"), std::string::npos) << r.messages;
    auto local = parse_c("int *f(void) { int x; return &x; }", [] { alert_set_level(-9); });
    EXPECT_TRUE(has_message(local, 365));
    auto mixed = body("int *p; long *q; int i;", "i = p == q;");
    EXPECT_TRUE(has_message(mixed, 366));
}

TEST(Expressions, PointerTruncationBetweenClasses) {
    auto r = body("far char *fp; near char *np;", "np = fp;", [] {
        define_ptr_class("far", "F4");
        define_ptr_class("near", "N2");
    });
    EXPECT_TRUE(has_message(r, 354)) << r.messages;
}

TEST(Expressions, ConditionalAndCaseValues) {
    auto r = body("int a, b, c, *p;", "a = a ? b : c; p = a ? p : 0; switch (a) { case 1 ? 2 : 3: a = 0; }");
    EXPECT_TRUE(has(r, "[e = _a ? != _a -> 0 `i : _b _c ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e = _p ? != _a -> 0 `i : _p -> 0 `*i ]")) << r.ic;
    EXPECT_TRUE(has(r, ", $ ? != -> 1 `i -> 0 `i : -> 2 `i -> 3 `i ")) << r.ic;
    EXPECT_EQ(r.messages.find("(195)"), std::string::npos) << r.messages;
}

TEST(Expressions, MembersAndCasts) {
    auto r = body("struct s { int a; char b; } v, *p; union u { long l; } w;",
                  "v.b = 1; p->a = 2; w.l = 3; v.a = (int)p->b; (void)v.a;");
    EXPECT_TRUE(has(r, "[e = . _v 1 -> 1 `c ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e = . *U _p 0 -> 2 `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e = . _w 0 -> 3 `l ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e = . _v 0 -> . *U _p 1 `i ]")) << r.ic;
    EXPECT_TRUE(has_message(body("struct s { int a; } v;", "v.nosuch = 1;"), 255));
    EXPECT_TRUE(has_message(body("struct s { int a; } v;", "v = (struct s)v;"), 191));
}

TEST(Expressions, SyntaxErrorsRecover) {
    auto r = body("int a, b;", "a = (b + ;\n a = 2; a = b ] ; a = 3;");
    EXPECT_TRUE(has_message(r, 195));
    EXPECT_TRUE(has(r, "[e = _a -> 2 `i ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e = _a -> 3 `i ]")) << r.ic;
    EXPECT_TRUE(has_message(body("int a[2];", "a[1 = 2;"), 310));
    EXPECT_TRUE(has_message(body("int a;", "a = (a + 1;"), 194));
}

TEST(Expressions, DeepNestingIsFatal) {
    std::string deep(120, '(');
    EXPECT_EXIT(body("int a;", "a = " + deep + "a;"), ::testing::ExitedWithCode(1), "");
}

