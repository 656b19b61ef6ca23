// Token streams of ormpre against the host's gcc -E on the macro forms that are easy to get
// wrong: names of function-like macros used without a call, pasting and argument counting.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>

#include "run_ormpre.h"
#include "testsupport/testsupport.h"

namespace {

// The C89 punctuators, longest first where one is the start of another.
constexpr std::array<const char*, 48> punctuators = {
    "...", "<<=", ">>=", "->", "++", "--", "<<", ">>", "<=", ">=", "==", "!=", "&&", "||",
    "*=",  "/=",  "%=",  "+=", "-=", "&=", "^=", "|=", "##", "[",  "]",  "(",  ")",  "{",
    "}",   ".",   "&",   "*",  "+",  "-",  "~",  "!",  "/",  "%",  "<",  ">",  "^",  "|",
    "?",   ":",   "=",   ",",  "#",  ";"};

bool is_word(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}

// Splits preprocessed text into C tokens, leaving out line markers.
std::vector<std::string> tokens(const std::string& text) {
    std::vector<std::string> out;
    size_t i = 0;
    bool line_start = true;
    while (i < text.size()) {
        char c = text[i];
        if (c == '\n') {
            line_start = true;
            ++i;
            continue;
        }
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        if (line_start && c == '#' && i + 2 < text.size() && text[i + 1] == ' ' &&
            text[i + 2] >= '0' && text[i + 2] <= '9') {
            i = text.find('\n', i);
            if (i == std::string::npos) break;
            continue;
        }
        line_start = false;
        size_t start = i;
        if (is_word(c)) {
            while (i < text.size() && is_word(text[i])) ++i;
        } else if (c == '"' || c == '\'') {
            for (++i; i < text.size() && text[i] != c && text[i] != '\n'; ++i)
                if (text[i] == '\\') ++i;
            ++i;
        } else {
            size_t length = 1;
            for (const char* p : punctuators)
                if (text.compare(i, strlen(p), p) == 0) {
                    length = strlen(p);
                    break;
                }
            i += length;
        }
        out.push_back(text.substr(start, i - start));
    }
    return out;
}

std::string joined(const std::vector<std::string>& t) {
    std::string s;
    for (const auto& w : t) s += w + " ";
    return s;
}

// Preprocesses the source with both and expects the same tokens; returns ormpre's run.
ormpre_run expect_as_gcc(const std::string& source) {
    scratch_dir dir;
    dir.file("t.c", source);
    ormpre_run ours = dir.run({"-N255", "t.c"});
    std::string cmd = "cd '" + dir.path() + "' && gcc -E -P -undef -nostdinc -std=c89 t.c > gcc.out 2>/dev/null";
    EXPECT_EQ(system(cmd.c_str()), 0) << source;
    EXPECT_EQ(joined(tokens(ours.out)), joined(tokens(dir.read("gcc.out")))) << source;
    return ours;
}

}  // namespace

TEST(GccAgreement, FunctionLikeNameWithoutCallKeepsTheNextTokenWhole) {
    ORM_REQUIRE_TOOL("gcc");
    // The name directly before the punctuator, after a blank, at the end of a line, at the end
    // of another macro's text and at the end of an argument.
    std::string source = "#define f(a) (a)\n#define g f\n#define id(x) x\n";
    for (const char* p : punctuators) {
        std::string q = p;
        if (q == "(") continue;   // that is a call
        source += "f" + q + " x;\n";
        source += "f " + q + " x;\n";
        bool directive = q == "#" || q == "##";   // would start a directive line
        if (!directive) source += "f\n" + q + " x;\n";
        source += "g" + q + " x;\n";
        source += "g " + q + " x;\n";
        source += "id(f)" + q + " x;\n";
        if (q != "," && q != ")") source += "id(f" + q + " x);\n";
    }
    ormpre_run r = expect_as_gcc(source);
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(GccAgreement, PastingAndArguments) {
    ORM_REQUIRE_TOOL("gcc");
    // "##" in an argument handed on to another macro.
    expect_as_gcc("#define cat(a,b) a##b\n#define xcat(a,b) cat(a,b)\n#define call(m,a,b) m(a,b)\n"
                  "call(cat, x, 1); xcat(cat(p,q), r); call(xcat, u, v);\n");
    // An argument is counted before it is expanded.
    expect_as_gcc("#define PAIR x, y\n#define B_2(a, b) [a|b]\n#define ONE(a) <a>\n"
                  "#define ID(x) x\n#define LP (\n#define APPLY(m, v) m(v)\n"
                  "B_2(PAIR, z); ONE(PAIR); B_2((PAIR), 1); ID(B_2(PAIR, z)); ID(ONE(LP)); ID(ID(B_2(PAIR, z)));\n"
                  "APPLY(ONE, 1); APPLY(B_2, PAIR);\n");
    // A name made by pasting is rescanned and expanded.
    expect_as_gcc("#define cat(a,b) a##b\n#define xy 42\n#define f1(n) [n]\n#define mk(p) cat(f, p)\n"
                  "cat(x, y); cat(f, 1)(7); mk(1)(8); cat(x,y)+cat(1,2);\n");
}

TEST(GccAgreement, PastingAfterAPunctuatorLeavesNoBlank) {
    ORM_REQUIRE_TOOL("gcc");
    // The token list cannot tell ". 5" from ".5": the lines themselves are compared.
    scratch_dir dir;
    dir.file("t.c", "#define C(a,b) a##b\nC(., 5)\nC(-, =)\nC(+,+)\nx C(.,) y\n");
    ormpre_run ours = dir.run({"t.c"});
    std::string cmd = "cd '" + dir.path() + "' && gcc -E -P -undef -nostdinc -std=c89 t.c > gcc.out 2>/dev/null";
    ASSERT_EQ(system(cmd.c_str()), 0);
    auto lines = [](const std::string& text) {
        std::string kept;
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line[0] != '#') kept += line + "\n";
        }
        return kept;
    };
    EXPECT_EQ(lines(ours.out), lines(dir.read("gcc.out")));
    EXPECT_EQ(lines(ours.out), ".5\n-=\n++\nx . y\n");
}

TEST(GccAgreement, NumberPastedInABodyEndsCleanly) {
    ORM_REQUIRE_TOOL("gcc");
    // A number pasted at the end of an argument handed on, directly or through two macros,
    // and whatever may follow it in the body: nothing to complain about.
    const char* sources[] = {
        "#define F(x) [x]\n#define G(x) F(x##1)\nG(a)\n",
        "#define F(x) [x]\n#define H(x) F(x)\n#define G(x) H(x##12)\nG(a)\n",
        "#define F(x,y) [x|y]\n#define G(x) F(x##1,2##x)\nG(a)\n",
        "#define F(x) [x]\n#define G(x) F(1##x)\nG(a)\n",
        "#define G(x) x##1\nG(a) G(b)\n",
        "#define G(x) x##1 y\nG(a)\n",
        "#define G(x,y) x##y##1 z\nG(a,b)\n",
        "#define G(x) x##1##y x##1##2 x##1+y x##1y\nG(a)\n",
    };
    for (const char* source : sources) {
        ormpre_run r = expect_as_gcc(source);
        EXPECT_EQ(r.status, 0) << source;
        EXPECT_EQ(r.err.find("after ##"), std::string::npos) << source << r.err;
    }
}
