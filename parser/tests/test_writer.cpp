// Intermediate-code records that depend on options and symbol flags.
#include <gtest/gtest.h>

#include <string>

#include "common/alert.h"
#include "parser/options.h"
#include "parser/tests/harness.h"

namespace {
bool has(const parse_result& r, const std::string& text) { return r.ic.find(text) != std::string::npos; }
}  // namespace

TEST(Writer, DeclarationRecordClassesAndFlags) {
    auto r = parse_c("int f(register int r, char *s) { register int x; x = r; return x + *s; }\n"
                     "int v(int n, ...);\nstatic int s1;\nint g() { static int keep; return keep; }\n",
                     [] { alert_set_level(9); });
    EXPECT_TRUE(has(r, "[v _r `i 1 R1 ]")) << r.ic;    // register parameter of a prototyped definition
    EXPECT_TRUE(has(r, "[v _s `*c 1 r2 ]")) << r.ic;
    EXPECT_TRUE(has(r, "[v _x `i 1 A ]")) << r.ic;
    EXPECT_TRUE(has(r, "[v _s1 `i 1 s ]")) << r.ic;
    EXPECT_TRUE(has(r, "`i 1 s ]")) << r.ic;
    EXPECT_NE(r.ic.find("[v F"), std::string::npos) << r.ic;   // a static local is written by number
    auto names = parse_c("int g() { static int keep; return keep; }", [] { opt.names_records = true; });
    EXPECT_NE(names.ic.find(" s keep ]"), std::string::npos) << names.ic;
}

TEST(Writer, InitialisationInPlaceAndByBlockCopy) {
    auto in_place = parse_c("void f(void) { int a[2] = { 1, 2 }; struct { int x; } s = { 3 }; }",
                            [] { opt.static_const_autos = true; });
    EXPECT_TRUE(has(in_place, "[e = *U + &U _a * -> 0 `ux -> # `i `ux -> 1 `i ]")) << in_place.ic;
    EXPECT_TRUE(has(in_place, "[e = . _s 0 -> 3 `i ]")) << in_place.ic;
    // An array of pointers too: an initial-value record would only fill a static copy that the
    // automatic object never receives. The element left out is null.
    auto pointers = parse_c("int g; void f(void) { int *p[3] = { &g, 0 }; char *n[] = { \"a\" }; }",
                            [] { opt.static_const_autos = true; });
    EXPECT_EQ(pointers.ic.find("[i "), std::string::npos) << pointers.ic;
    EXPECT_TRUE(has(pointers, "[e = *U + &U _p * -> 0 `ux -> # `*i `ux &U _g ]")) << pointers.ic;
    EXPECT_TRUE(has(pointers, "[e = *U + &U _p * -> 2 `ux -> # `*i `ux -> 0 `*i ]")) << pointers.ic;
    EXPECT_TRUE(has(pointers, "[v _n `*c -> 1 `ui a ]")) << pointers.ic;
    EXPECT_TRUE(has(pointers, "[e = *U + &U _n * -> 0 `ux -> # `*c `ux :s 1 ]")) << pointers.ic;
    auto copy = parse_c("void f(void) { int a[2] = { 1, 2 }; }", [] {
        opt.init_block_copy = true;
        opt.init_classes = 0x01;
    });
    EXPECT_TRUE(has(copy, "`Ci -> 2 `ui s ]")) << copy.ic;   // the static copy takes the -I classes
    EXPECT_TRUE(has(copy, "[e := _a F")) << copy.ic;
}

// An automatic array whose initialiser gives its dimension: its record, written once the
// elements are counted, has that dimension and still comes before the code that fills it
// (written with no dimension, its neighbour would be laid out over it).
TEST(Writer, OpenAutoArrayInPlaceIsDeclaredWithItsDimension) {
    auto r = parse_c("struct p { int x; };\nvoid f(void) {\n char a[] = { 1, 2, 3 };\n struct p s[] = { {4}, {5} };\n"
                     " char k[] = \"ab\";\n}\n",
                     [] { opt.static_const_autos = true; });
    for (const char* name : {"_a", "_s", "_k"}) {
        const std::string record = std::string("[v ") + name + " ";
        const size_t declared = r.ic.find(record);
        ASSERT_NE(declared, std::string::npos) << name << "\n" << r.ic;
        EXPECT_LT(declared, r.ic.find(std::string("&U ") + name + " ")) << name << "\n" << r.ic;
    }
    EXPECT_TRUE(has(r, "[v _a `c -> 3 `ui a ]")) << r.ic;
    EXPECT_TRUE(has(r, "-> 2 `ui a ]")) << r.ic;
    EXPECT_TRUE(has(r, "[v _k `c -> 3 `ui a ]")) << r.ic;
    EXPECT_LT(r.ic.find("[s S"), r.ic.find("[v _s ")) << r.ic;
    EXPECT_EQ(r.messages, "");
}

TEST(Writer, ConstAutosBecomeStaticUnderR) {
    auto r = parse_c("int f(void) { const int k = 5; return k; }", [] { opt.static_const_autos = true; });
    EXPECT_TRUE(has(r, "`Ci 1 s ]")) << r.ic;
    EXPECT_TRUE(has(r, "-> 5 `Ci")) << r.ic;
}

// A const automatic computed at run time cannot be a static with an initial value: it stays
// automatic, in plain RAM (const data would be placed in program memory), and is assigned in
// place; a constant one beside it still becomes static, braces or not.
TEST(Writer, ConstAutoWithRunTimeValueStaysAutomatic) {
    auto r = parse_c("int f(int i) { const int k = i - 1; const char c = { 7 }; const int *p = &k; return *p + c; }\n",
                     [] { opt.static_const_autos = true; });
    EXPECT_TRUE(has(r, "[v _k `i 1 a ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e = _k - _i -> 1 `i ]")) << r.ic;
    EXPECT_FALSE(has(r, "`Ci 1 s ]")) << r.ic;
    EXPECT_TRUE(has(r, "c 1 s ]")) << r.ic;
    EXPECT_TRUE(has(r, "-> 7 `C")) << r.ic;
    EXPECT_TRUE(has(r, "-> &U _k `*Ci")) << r.ic;   // the address converts like any int's
    EXPECT_EQ(r.messages, "");
}

// The automatic copy lost its const, but each write to it is still a modification of a const
// object; its own initialisation is not. A typedef's const is dropped the same way.
TEST(Writer, ConstAutoSetAtRunTimeWarnsOnEveryWrite) {
    auto r = parse_c("typedef const int ci;\nint f(int i) {\n const int k = i;\n ci t = i;\n k = 2;\n k++;\n"
                     " --k;\n k += 3;\n t = 1;\n return k + t;\n}\n",
                     [] { opt.static_const_autos = true; });
    EXPECT_TRUE(has(r, "[v _k `i 1 a ]")) << r.ic;
    EXPECT_TRUE(has(r, "[v _t `i 1 a ]")) << r.ic;
    EXPECT_TRUE(has(r, "[e = _t _i ]")) << r.ic;
    std::string expected;
    for (int line = 5; line <= 9; ++line)
        expected += "t.c: " + std::to_string(line) + ": (364) attempt to modify object qualifed const (warning)\n";
    EXPECT_EQ(r.messages, expected);
}

TEST(Writer, LineMarkersOnlyOnChange) {
    auto r = parse_c("int a; int b;\n\nint c;\n# 7 \"x.h\"\nint d;\n# 9 \"t.c\"\nint e;\n");
    EXPECT_EQ(r.ic, "\"1 t.c\n[v _a `i 1 e ]\n[v _b `i 1 e ]\n\"3\n[v _c `i 1 e ]\n\"7 x.h\n[v _d `i 1 e ]\n"
                    "\"9 t.c\n[v _e `i 1 e ]\n");
}

TEST(Writer, SourceCommentsAreCut) {
    std::string longline = "    g = 1;    /*" + std::string(300, 'x') + "*/\n";
    auto r = parse_c("int g;\nvoid f(void)\n{\n" + longline + "}\n", [] { opt.source_comments = true; });
    size_t at = r.ic.find("[; ;t.c: 4: ");
    ASSERT_NE(at, std::string::npos) << r.ic;
    std::string line = r.ic.substr(at, r.ic.find('\n', at) - at);
    EXPECT_EQ(line.size(), 3u + 251u + 3u);   // "[; ", 251 characters with the prefix, "..."
    EXPECT_EQ(line.substr(line.size() - 3), "...");
}

TEST(Writer, EnumerationNamesAndConstants) {
    auto r = parse_c("enum e { A, B = -2, C } v = C;\nint x = B;", [] { opt.names_records = true; });
    EXPECT_TRUE(has(r, "0\n-2\n-1\n.. ]\n[n E")) << r.ic;
    EXPECT_TRUE(has(r, " e A B C ]")) << r.ic;
    EXPECT_TRUE(has(r, "[i _v\n. `E")) << r.ic;
}
