// Function entry and exit through the reader: return lines, call-graph and frame directives,
// interrupt functions with and without saved registers, and statements no rule derives.
#include <gtest/gtest.h>

#include "codegen/tests/harness.h"

namespace {

using cgtest::lines_with;
using cgtest::run_ic;

// The text between a function's label line and the next FNSIZE line, inclusive.
std::string function_text(const std::string& text, const std::string& name) {
    size_t at = text.find("\n" + name + "\n");
    if (at == std::string::npos) return "";
    size_t end = text.find("\tFNSIZE\t" + name + ",", at);
    if (end == std::string::npos) return "";
    end = text.find('\n', end);
    return text.substr(at + 1, end - at);
}

TEST(function_exit, PlainFunctionReturnsWithWFreeAndEmptyFrame) {
    auto r = run_ic("[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n[e :UE 1 ]\n}\n");
    std::string f = function_text(r.assembly, "_f");
    EXPECT_NE(f.find("\treturn\t;W free\n\tFNSIZE\t_f,0,0\n"), std::string::npos) << r.assembly;
    EXPECT_TRUE(lines_with(r.assembly, "?a_f").empty());
    EXPECT_TRUE(lines_with(r.assembly, "\t?_f").empty());
}

TEST(function_exit, ByteResultInWAndAutoArea) {
    auto r = run_ic("[v _g `(uc 1 ef ]\n{\n[e :U _g ]\n[f ]\n[v _i `uc 1 a ]\n[e = _i -> 2 `uc ]\n"
                    "[e ) -> + -> _i `i -> 1 `i `uc ]\n[e :UE 1 ]\n}\n");
    std::string g = function_text(r.assembly, "_g");
    EXPECT_NE(g.find("\treturn\t;uses W\n\tFNSIZE\t_g,1,0\n"), std::string::npos) << r.assembly;
    EXPECT_EQ(lines_with(r.assembly, "\tglobal\t?a_g").size(), 1u) << r.assembly;
    EXPECT_NE(g.find("\tmovf\t?a_g+0,w\n\taddlw\t01h\n"), std::string::npos) << g;
}

TEST(function_exit, InterruptLevelsGiveCallGraphRootsAndBreaks) {
    auto r = run_ic("[v _n `uc 1 e ]\n[p l 1 ]\n[v _isr `(Iv 1 ef ]\n{\n[e :U _isr ]\n[f ]\n[e :UE 1 ]\n}\n"
                    "[p l 0 ]\n[p l 1 ]\n[v _both `(v 1 ef ]\n{\n[e :U _both ]\n[f ]\n[e :UE 2 ]\n}\n");
    EXPECT_EQ(lines_with(r.assembly, "\tFNCALL\tintlevel1,_isr").size(), 1u) << r.assembly;
    EXPECT_EQ(lines_with(r.assembly, "\tFNROOT\tintlevel1").size(), 1u);
    EXPECT_TRUE(lines_with(r.assembly, "\tFNROOT\t_isr").empty());
    auto breaks = lines_with(r.assembly, "FNBREAK");
    ASSERT_EQ(breaks.size(), 2u) << r.assembly;
    EXPECT_EQ(breaks[0], "\tFNBREAK\t_both,intlevel0");
    EXPECT_EQ(breaks[1], "\tFNBREAK\t_both,intlevel1");
}

TEST(function_exit, InterruptFunctionThatSavesNothing) {
    auto r = run_ic("[v _isr `(Iv 1 ef ]\n{\n[e :U _isr ]\n[f ]\n[e :UE 1 ]\n}\n");
    EXPECT_NE(r.assembly.find("\tglobal\tint_func\nint_func\n"), std::string::npos) << r.assembly;
    EXPECT_NE(r.assembly.find("\tFNROOT\t_isr\n\tretfie\n"), std::string::npos) << r.assembly;
    EXPECT_NE(r.assembly.find("\tglobal\tint_entry\nint_entry\n"), std::string::npos);
    EXPECT_TRUE(lines_with(r.assembly, "saved_w").empty());
}

TEST(function_exit, InterruptFunctionSavesWAndStatus) {
    auto r = run_ic("[v _n `uc 1 e ]\n[v _isr `(Iv 1 ef ]\n{\n[e :U _isr ]\n[f ]\n[e = _n -> 3 `uc ]\n[e :UE 1 ]\n}\n");
    const std::string& a = r.assembly;
    EXPECT_NE(a.find("\tpsect\tintcode"), std::string::npos) << a;
    // Entry: W first, then STATUS through W with bank 0 selected; exit restores both.
    EXPECT_NE(a.find("int_entry\n\tmovwf\tsaved_w\n\tmovf\tstatus,w\n\tclrf\tstatus\n\tmovwf\tsaved_status\n"),
              std::string::npos) << a;
    EXPECT_NE(a.find("int_restore\n\tmovf\tsaved_status,w\n\tmovwf\tstatus\n\tswapf\tsaved_w\n\tswapf\tsaved_w,w\n"
                     "\tretfie\n"),
              std::string::npos) << a;
    EXPECT_NE(a.find("saved_w\n\tds\t1\n"), std::string::npos);
    EXPECT_NE(a.find("saved_status\tds\t1\n"), std::string::npos);
}

TEST(statements, NoRuleGives712WithTheLineAndCompilationGoesOn) {
    // A remainder of doubles: no rule computes one.
    auto r = run_ic("[v _x `d 1 e ]\n[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n\"7\n[e = _x % _x _x ]\n"
                    "\"8\n[e =% _x _x ]\n[e :UE 1 ]\n}\n");
    int count = 0;
    for (const std::string& m : r.messages)
        if (m.find("(712)") != std::string::npos) ++count;
    EXPECT_EQ(count, 2);
    EXPECT_TRUE(r.messages.size() >= 2 && r.messages[0].find("7: (712)") != std::string::npos &&
                r.messages[1].find("8: (712)") != std::string::npos)
        << (r.messages.empty() ? "" : r.messages[0]);
    EXPECT_NE(r.assembly.find("\tFNSIZE\t_f,0,0\n"), std::string::npos);
}

TEST(statements, LineDirectivesMarkEachNewPosition) {
    // Lines 3 and 4 hold code; two statements on line 4 give one line directive.
    auto r = run_ic("[v _x `uc 1 e ]\n[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n\"3 a.c\n[e = _x -> 1 `uc ]\n"
                    "\"4\n[e = _x -> 2 `uc ]\n[e = _x -> 3 `uc ]\n[e :UE 1 ]\n}\n",
                    0, "16F877A", true);
    EXPECT_EQ(lines_with(r.assembly, "\tfile\t").size(), 1u) << r.assembly;
    EXPECT_NE(r.assembly.find("\tline\t3\n\tmovlw\t01h\n"), std::string::npos) << r.assembly;
    EXPECT_EQ(lines_with(r.assembly, "\tline\t4").size(), 1u) << r.assembly;
}

}  // namespace
