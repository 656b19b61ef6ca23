// Macro definition and expansion, and the lifetime of a macro while its text is read.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "preprocessor/macros.h"
#include "preprocessor/scanner.h"
#include "run_ormpre.h"

namespace {
std::string text(const std::string& source, const std::vector<std::string>& options = {}) {
    std::string joined;
    for (const auto& line : text_lines(preprocess(source, options).out)) joined += line + "|";
    return joined;
}
bool has(const ormpre_run& r, const std::string& piece) { return r.err.find(piece) != std::string::npos; }
}  // namespace

TEST(Macros, ObjectAndFunctionLike) {
    EXPECT_EQ(text("#define N 10\n#define sq(x) ((x)*(x))\nN sq(N+1) sq ( 2 )\n"), "10 ((10+1)*(10+1)) ((2)*(2))|");
    EXPECT_EQ(text("#define max(a,b) ((a)>(b)?(a):(b))\nmax(1, max(2, 3))\n"),
              "((1)>(((2)>(3)?(2):(3)))?(1):(((2)>(3)?(2):(3))))|");
    // A function-like name without "(" stands, with the white space after it as one blank.
    EXPECT_EQ(text("#define f(x) x\nf  + f;\n"), "f + f;|");
    // A literal argument keeps its commas and parentheses.
    EXPECT_EQ(text("#define g(a,b) b a\ng(\"x,)\", (1,2))\n"), "(1,2) \"x,)\"|");
}

TEST(Macros, RescanAndOwnNameInArguments) {
    std::string defs =
        "#define x 3\n#define f(a) f(x * (a))\n#undef x\n#define x 2\n#define g f\n#define z z[0]\n"
        "#define h g(~\n#define m(a) a(w)\n#define w 0,1\n#define t(a) a\n#define p() int\n"
        "#define q(x) x\n#define r(x,y) x ## y\n";
    EXPECT_EQ(text(defs + "f(y+1) + f(f(z)) % t(t(g)(0) + t)(1);\n"),
              "f(2 * (y+1)) + f(2 * (f(2 * (z[0])))) % f(2 * (0)) + t(1);|");
    EXPECT_EQ(text(defs + "g(x+(3,4)-w) | h 5) & m\n(f)^m(m);\n"),
              "f(2 * (2+(3,4)-0,1)) | f(2 * (~ 5)) & f(2 * (0,1))^m(0,1);|");
    // gcc -E gives "{ 1, 23, 4, 5, };": the one blank more is where the empty paste was.
    EXPECT_EQ(text(defs + "p() i[q()] = { q(1), r(2,3), r(4,), r(,5), r(,) };\n"), "int i[] = { 1, 23, 4, 5,  };|");
}

// A wide constant's L is no identifier: a macro L leaves it alone, but still replaces an L
// standing apart or written after a quote.
TEST(Macros, WideConstantPrefixIsNotExpanded) {
    EXPECT_EQ(text("#define L 1\nL'1' != L\"s\" + L 'x' + L;\n"), "L'1' != L\"s\" + 1 'x' + 1;|");
    // Nor is it a parameter named L inside a macro's body.
    EXPECT_EQ(text("#define m(L) (L'1' + L\"s\" + (L))\nm(0);\n"), "(L'1' + L\"s\" + (0));|");
}

TEST(Macros, StringizeAndPaste) {
    EXPECT_EQ(text("#define s(x) #x\ns(\"a\\\\b\") s( two  words )\n"), "\"\\\"a\\\\\\\\b\\\"\" \"two words\"|");
    EXPECT_EQ(text("#define cat(a,b) a##b\ncat(x,1) cat(y, z)\n"), "x1 yz|");
    // The joined name is itself a macro and expands.
    EXPECT_EQ(text("#define cat(a,b) a ## b\n#define x1 joined\ncat(x,1)\n"), "joined|");
    EXPECT_EQ(text("#define cat3(a,b,c) a##b##c\ncat3(p,q,r)\n"), "pqr|");
}

TEST(Macros, SelfReferenceStops) {
    EXPECT_EQ(text("#define f(x) f(x+1)\nf(2)\n"), "f(2+1)|");
    EXPECT_EQ(text("#define a b\n#define b a\na b\n"), "a b|");
    EXPECT_EQ(text("#define foo foo bar\nfoo\n"), "foo bar|");
}

TEST(Macros, ArgumentCountWarnings) {
    ormpre_run r = preprocess("#define f(x) [x]\nf() f(1,2)\n");
    EXPECT_TRUE(has(r, "(171) wrong number of preprocessor macro arguments for \"f\" (0 instead of 1) (warning)"))
        << r.err;
    EXPECT_TRUE(has(r, "(2 instead of 1)")) << r.err;
    EXPECT_EQ(text_lines(r.out).at(0), "[] [1]");
    EXPECT_EQ(r.status, 0);
    ormpre_run eof = preprocess("#define f(x) x\nf(1,\n2\n");
    EXPECT_TRUE(has(eof, "(116) end of file within preprocessor macro argument from line 2")) << eof.err;
    EXPECT_EQ(eof.status, 1);
}

TEST(Macros, Redefinition) {
    ormpre_run same = preprocess("#define A 1  +  2\n#define A 1 + 2\n");
    EXPECT_EQ(same.err, "");
    ormpre_run differ = preprocess("#define A 1\n#define A 2\nA\n");
    EXPECT_TRUE(has(differ, "(111) redefining preprocessor macro \"A\"")) << differ.err;
    EXPECT_EQ(text_lines(differ.out).at(0), "2");
    EXPECT_EQ(text("#define A 1\n#undef A\nA\n"), "A|");
    ormpre_run bad = preprocess("#define 3\n#define f(a,\n#define g(a b) a\n");
    EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '^'), 3) << bad.err;
    EXPECT_TRUE(has(bad, "(112) #define syntax error")) << bad.err;
    EXPECT_TRUE(has(preprocess("#define s \"open\n"), "(113) unterminated string in preprocessor macro body"));
}

TEST(Macros, PredefinedNames) {
    std::vector<std::string> lines = text_lines(preprocess("__STDC__ __LINE__\n__DATE__ __TIME__\n").out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "1 1");
    EXPECT_EQ(lines[1].size(), 24u) << lines[1];   // "Mmm dd yyyy" "hh:mm:ss"
    EXPECT_EQ(lines[1][0], '"');
}

TEST(Macros, MessagesInMacroTextNameTheFile) {
    ormpre_run r = preprocess("#define D(x) x\n#if D(1 / 0)\n#endif\n");
    EXPECT_TRUE(has(r, "     2:\t#if D(1 / 0)")) << r.err;
    EXPECT_TRUE(has(r, "(175) division by zero in #if; zero result assumed (warning)")) << r.err;
}

TEST(Macros, DeepRecursionIsStopped) {
    // Each level rescans into the next: the expansion depth limit cuts it off.
    std::string src = "#define r(x) x\n";
    std::string call = "1";
    for (int i = 0; i < 5000; ++i) call = "r(" + call + ")";
    ormpre_run r = preprocess(src + call + "\nafter\n");
    EXPECT_TRUE(has(r, "(115) recursive preprocessor macro definition of \"r\" defined by \"r\"")) << r.err.substr(0, 400);
    EXPECT_EQ(r.status, 1);
    // Below the limit the same nesting expands fully.
    call = "1";
    for (int i = 0; i < 900; ++i) call = "r(" + call + ")";
    EXPECT_EQ(text_lines(preprocess(src + call + "\n").out), std::vector<std::string>{"1"});
}

// A macro removed while its text is still read stays alive until its stream ends.
TEST(MacroLifetime, UndefineWhileExpansionIsRead) {
    char source[] = "M tail\n";
    FILE* f = fmemopen(source, strlen(source), "r");
    ASSERT_NE(f, nullptr);
    scanner::push_file(f, "mem.c");
    macros::define_from_option("M", "alpha beta");
    pchar c = scanner::next_char();
    ptext id;
    ASSERT_FALSE(macros::identifier_token(c, id, true));   // M expanded and pushed
    EXPECT_TRUE(macros::undefine(u"M"));
    macros::define_from_option("M", "other");               // replaced while in use
    std::string rest;
    for (c = scanner::next_char(); c != 0; c = scanner::next_char())
        if (c < 256) rest.push_back(static_cast<char>(c));
    EXPECT_EQ(rest, "alpha beta tail\n");
    scanner::close_all();
}

TEST(ScannerMessages, CommentsAndLineEnds) {
    ormpre_run eof = preprocess("a /* open\nb\n");
    EXPECT_TRUE(has(eof, "(139) end of file in comment")) << eof.err;
    EXPECT_EQ(eof.status, 1);
    ormpre_run nested = preprocess("/* a /* b */ c\n", {"-W-2"});
    EXPECT_TRUE(has(nested, "(179) nested comments (warning)")) << nested.err;
    EXPECT_EQ(text_lines(nested.out), std::vector<std::string>{"c"});
    EXPECT_EQ(preprocess("/* a /* b */ c\n").err, "");   // level -2 is hidden by default
    ormpre_run last = preprocess("a\nb");
    EXPECT_TRUE(has(last, "(176) missing newline (warning)")) << last.err;
    EXPECT_EQ(last.out, "\n# 1 \"t.c\"\na\nb\n");
    scratch_dir dir;
    dir.file("h.h", "x /* never closed\n");
    dir.file("t.c", "#include \"h.h\"\ny\n");
    ormpre_run inc = dir.run({"t.c"});
    EXPECT_TRUE(has(inc, "(180) unterminated comment in included file (warning)")) << inc.err;
    EXPECT_EQ(text_lines(inc.out), std::vector<std::string>{"x y"});   // the file's end closed it
}

TEST(ScannerMessages, PasteAndStringizeOddities) {
    ormpre_run odd = preprocess("#define j(a) a ## +\nj(x)\n");
    EXPECT_TRUE(has(odd, "(137) strange character \"+\" after ## (warning)")) << odd.err;
    EXPECT_TRUE(has(odd, "(169) strange character (43) after ##")) << odd.err;
    ormpre_run hash = preprocess("#define h(a) # 1 a\nh(z)\n");
    EXPECT_TRUE(has(hash, "(172) formal parameter expected after # (warning)")) << hash.err;
    EXPECT_EQ(text_lines(hash.out), std::vector<std::string>{"#1 z"});
}

TEST(ScannerMessages, DirectiveAfterFunctionLikeName) {
    // The look for "(" after a function-like name crosses the newline and gives the "#" back
    // to the file: the directive is the file's own, as it is for gcc.
    ormpre_run r = preprocess("#define f(x) x\nf\n#define Y 2\nY\n");
    EXPECT_FALSE(has(r, "(161)")) << r.err;
    EXPECT_EQ(text_lines(r.out), (std::vector<std::string>{"f", "2"}));
}
