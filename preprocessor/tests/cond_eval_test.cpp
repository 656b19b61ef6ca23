// #if expressions: operators, precedence, signedness, sizeof and errors, and agreement
// with the host's C preprocessor on random constant expressions.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <regex>

#include "run_ormpre.h"

namespace {
// "T" when the expression is true, "F" when false.
std::string truth(const std::string& expr, const std::vector<std::string>& options = {}) {
    ormpre_run r = preprocess("#if " + expr + "\nT\n#else\nF\n#endif\n", options);
    std::vector<std::string> lines = text_lines(r.out);
    return lines.empty() ? "?" : lines[0];
}
bool has(const ormpre_run& r, const std::string& piece) { return r.err.find(piece) != std::string::npos; }
}  // namespace

TEST(CondEval, PrecedenceAndAssociativity) {
    EXPECT_EQ(truth("(1 | 2 ^ 3) == 1"), "T");
    EXPECT_EQ(truth("(6 & 3 ^ 1) == 3"), "T");
    EXPECT_EQ(truth("1 + 2 * 3 == 7 && 10 - 4 - 3 == 3 && 100 / 10 / 5 == 2"), "T");
    EXPECT_EQ(truth("1 << 2 + 1 == 8 && (1 ? 2 : 3 ? 4 : 5) == 2 && (0 ? 2 : 0 ? 4 : 5) == 5"), "T");
    EXPECT_EQ(truth("(1 ? 0 ? 7 : 8 : 9) == 8"), "T");
    EXPECT_EQ(truth("- - 3 == 3 && !!defined __STDC__ && ~-1 == 0"), "T");
    EXPECT_EQ(truth("~-1"), "F");
    EXPECT_EQ(truth("'a' == 97 && '\\n' == 10 && '\\x41' == 65 && '\\101' == 65 && '\\'' == 39"), "T");
}

TEST(CondEval, SignednessAndDivision) {
    EXPECT_EQ(truth("-1 < 0u"), "F");
    EXPECT_EQ(truth("-1 < 0"), "T");
    EXPECT_EQ(truth("-6 / 2 == -3 && -7 % 3 == -1"), "T");
    EXPECT_EQ(truth("-6 / 2u == 2147483645"), "T");
    EXPECT_EQ(truth("0x80000000 > 0 && 2147483648 > 1"), "T");   // top bit set: unsigned
    // The wrap of INT_MIN / -1 is defined: INT_MIN, and the remainder 0.
    EXPECT_EQ(truth("(-2147483647 - 1) / -1 == -2147483647 - 1"), "T");
    EXPECT_EQ(truth("(-2147483647 - 1) % -1 == 0"), "T");
    EXPECT_EQ(truth("2147483647 + 1 < 0 && 65536 * 65536 == 0"), "T");
    EXPECT_EQ(truth("(1 >> 33) == 0 && (1 << 33) == 2"), "T");   // the count is taken modulo 32
}

TEST(CondEval, DivisionByZero) {
    ormpre_run div = preprocess("#if 7 / 0\nT\n#endif\n");
    EXPECT_TRUE(has(div, "(175) division by zero in #if; zero result assumed (warning)")) << div.err;
    EXPECT_EQ(text_lines(div.out).size(), 0u);
    ormpre_run mod = preprocess("#if 7 % 0\n#endif\n");
    EXPECT_TRUE(has(mod, "(990) modulus by zero in #if; zero result assumed (warning)")) << mod.err;
    // Operands that are not evaluated stay silent.
    ormpre_run skipped = preprocess("#if 0 && 1 / 0 || 1 || 2 % 0 || (1 ? 1 : 1 / 0)\n#endif\n");
    EXPECT_EQ(skipped.err, "");
}

TEST(CondEval, DefinedAndNames) {
    EXPECT_EQ(truth("defined(A) && defined B && !defined C", {"-DA", "-DB"}), "T");
    ormpre_run quiet = preprocess("#if undefined_name == 0\nT\n#endif\n");
    EXPECT_EQ(quiet.err, "");
    EXPECT_EQ(text_lines(quiet.out), std::vector<std::string>{"T"});
    // A macro being expanded counts as not defined.
    EXPECT_EQ(truth("B", {"-DA=defined(B)", "-DB=A"}), "F");
    EXPECT_TRUE(has(preprocess("#if defined(\n#endif\n"), "(127) bad syntax for defined() in #[el]if"));
}

TEST(CondEval, Sizeof) {
    EXPECT_EQ(truth("sizeof(int) == 4 && sizeof(char) == 1 && sizeof(double) == 8 && sizeof(int *) == 4"), "T");
    std::vector<std::string> target = {"-S1,2,2,4,3,4"};
    EXPECT_EQ(truth("sizeof(int) == 2 && sizeof(unsigned short int) == 2 && sizeof(long) == 4", target), "T");
    EXPECT_EQ(truth("sizeof(float) == 3 && sizeof(double) == 4 && sizeof(signed char) == 1", target), "T");
    EXPECT_EQ(truth("sizeof(char *) == 1", {"-SP1,1,1,1,1,1,1"}), "T");
    EXPECT_EQ(truth("sizeof(int (*)()) == 3", {"-SP1,1,1,1,1,1,3"}), "T");
    EXPECT_EQ(truth("sizeof(int) - 5 > 0"), "T");   // sizeof is unsigned
    EXPECT_TRUE(has(preprocess("#if sizeof(long double)\n#endif\n"), "(131) illegal type combination"));
    EXPECT_TRUE(has(preprocess("#if sizeof(struct)\n#endif\n"), "(130) unknown type \"struct\""));
    EXPECT_TRUE(has(preprocess("#if sizeof(unsigned)\n#endif\n"), "(132) no type specified"));
    EXPECT_TRUE(has(preprocess("#if sizeof int\n#endif\n"), "(134) syntax error in #[el]if sizeof()"));
    ormpre_run few = preprocess("x\n", {"-S1,2"});
    EXPECT_TRUE(has(few, "(166) too few values specified with option \"-S1,2\" (warning)")) << few.err;
    ormpre_run many = preprocess("x\n", {"-S1,2,3,4,5,6,7"});
    EXPECT_TRUE(has(many, "(167) too many values specified with -S option; \",7\" unused")) << many.err;
}

TEST(CondEval, ErrorsMakeTheGroupTaken) {
    struct {
        const char* expr;
        const char* message;
    } cases[] = {
        {"(1", "(122) unbalanced parenthesis at operator \"end of expression\""},
        {"1 2", "(117) misplaced constant in #if"},
        {"1 = 1", "(128) illegal operator in #if"},
        {"\"s\"", "(126) strings can't be used in #if"},
        {"1 @ 2", "(124) illegal character \"@\" in #if"},
        {"1 : 2", "(123) misplaced \"?\" or \":\"; previous operator is \"(none)\""},
        {"1 , 2", "(135) unknown operator (23) in #if"},
        {"* 2", "(120) operator \"*\" in incorrect context"},
        {"1.5", "(119) invalid expression in #if line"},
        {"L'\\400'", "(250) wide character constants and strings are not supported"},
    };
    for (const auto& c : cases) {
        ormpre_run r = preprocess(std::string("#if ") + c.expr + "\nT\n#endif\n");
        EXPECT_TRUE(has(r, c.message)) << c.expr << ": " << r.err;
        EXPECT_EQ(text_lines(r.out), std::vector<std::string>{"T"}) << c.expr;
        EXPECT_EQ(r.status, 1) << c.expr;
    }
    std::string deep(130, '(');
    EXPECT_TRUE(has(preprocess("#if " + deep + "1\n#endif\n"), "(121) expression stack overflow at operator \"(\""));
}

// Random constant expressions whose value stays inside 32 bits at every step, so that the
// host's wider arithmetic gives the same answer.
namespace {
struct expression {
    std::string text;
    int64_t value;
};

class expression_maker {
public:
    explicit expression_maker(uint32_t seed) : rng_(seed) {}
    bool make(int depth, expression& e);

private:
    std::mt19937 rng_;
    int pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
    static bool fits(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }
};

bool expression_maker::make(int depth, expression& e) {
    if (depth == 0 || pick(4) == 0) {
        int64_t v = pick(3) == 0 ? pick(2000) - 1000 : pick(20);
        if (v < 0) {
            e = {"(" + std::to_string(v) + ")", v};
        } else {
            static const char* const forms[] = {"%lld", "0x%llx", "0%llo"};
            char buf[40];
            snprintf(buf, sizeof buf, forms[pick(3)], static_cast<long long>(v));
            e = {buf, v};
        }
        return true;
    }
    int kind = pick(26);
    if (kind < 4) {
        expression a;
        if (!make(depth - 1, a)) return false;
        static const char* const ops[] = {"-", "~", "!", "+"};
        int64_t v = kind == 0 ? -a.value : kind == 1 ? ~a.value : kind == 2 ? !a.value : a.value;
        e = {std::string(ops[kind]) + "(" + a.text + ")", v};
        return fits(v);
    }
    if (kind == 4) {
        expression c, a, b;
        if (!make(depth - 1, c) || !make(depth - 1, a) || !make(depth - 1, b)) return false;
        e = {c.text + " ? " + a.text + " : " + b.text, c.value ? a.value : b.value};
        e.text = "(" + e.text + ")";
        return true;
    }
    static const char* const ops[] = {"+", "-", "*", "/", "%", "<<", ">>", "&", "|", "^", "==", "!=",
                                      "<", "<=", ">", ">=", "&&", "||", "+", "-", "*"};
    int op = kind - 5;
    expression a, b;
    if (!make(depth - 1, a) || !make(depth - 1, b)) return false;
    int64_t x = a.value, y = b.value, v = 0;
    std::string o = ops[op];
    if (o == "+") v = x + y;
    else if (o == "-") v = x - y;
    else if (o == "*") v = x * y;
    else if (o == "/" || o == "%") {
        if (y == 0) return false;
        v = o == "/" ? x / y : x % y;
    } else if (o == "<<" || o == ">>") {
        if (x < 0 || y < 0 || y > 30) return false;
        v = o == "<<" ? x << y : x >> y;
    } else if (o == "&") v = x & y;
    else if (o == "|") v = x | y;
    else if (o == "^") v = x ^ y;
    else if (o == "==") v = x == y;
    else if (o == "!=") v = x != y;
    else if (o == "<") v = x < y;
    else if (o == "<=") v = x <= y;
    else if (o == ">") v = x > y;
    else if (o == ">=") v = x >= y;
    else if (o == "&&") v = x && y;
    else if (o == "||") v = x || y;
    e = {"(" + a.text + " " + o + " " + b.text + ")", v};
    return fits(v);
}
}  // namespace

TEST(CondEval, AgreesWithTheHostPreprocessorOnRandomExpressions) {
    ORM_REQUIRE_TOOL("gcc");
    expression_maker maker(20261208);
    std::string source;
    int count = 0;
    while (count < 3000) {
        expression e;
        if (!maker.make(1 + count % 5, e)) continue;
        std::string n = std::to_string(count++);
        source += "#if " + e.text + "\nT" + n + "\n#else\nF" + n + "\n#endif\n";
        source += "#if (" + e.text + ") > 100\nG" + n + "\n#endif\n";
        source += "#if ((" + e.text + ") & 15) > 7\nH" + n + "\n#endif\n";
    }
    scratch_dir dir;
    dir.file("r.c", source);
    ormpre_run ours = dir.run({"r.c"});
    ASSERT_EQ(ours.status, 0) << ours.err.substr(0, 2000);
    std::string cmd = "cd '" + dir.path() + "' && gcc -E -P -undef -nostdinc r.c > gcc.out 2>gcc.err";
    ASSERT_EQ(system(cmd.c_str()), 0);
    auto words = [](const std::string& text) {
        std::vector<std::string> w;
        std::regex word("[TFGH][0-9]+");
        for (auto it = std::sregex_iterator(text.begin(), text.end(), word); it != std::sregex_iterator(); ++it)
            w.push_back(it->str());
        return w;
    };
    std::vector<std::string> mine = words(ours.out), theirs = words(dir.read("gcc.out"));
    ASSERT_EQ(mine.size(), theirs.size());
    int differ = 0;
    for (size_t i = 0; i < mine.size() && differ < 10; ++i)
        if (mine[i] != theirs[i]) {
            ++differ;
            ADD_FAILURE() << "ours " << mine[i] << ", host " << theirs[i];
        }
}
