// Constants and liveness of auto variables in the optimiser, seen in the code it writes for
// functions as the parser hands them over: folding where one constant reaches a read, none
// where two meet or where the variable is volatile, stores nothing reads dropped with their
// calls kept, a post-increment's variable left to the increment.
#include <gtest/gtest.h>

#include <string>

#include "codegen/tests/harness.h"

namespace {

using cgtest::lines_with;
using cgtest::run_ic;

std::string function(const std::string& autos, const std::string& body) {
    return "\"1 u.c\n[v _g `uc 1 e ]\n[v _h `uc 1 e ]\n[v _t `(uc 1 ef ]\n{\n[e :U _t ]\n[f ]\n"
           "[e ) =+ _h -> 1 `uc ]\n[e $UE 1 ]\n[e :UE 1 ]\n}\n[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n" +
           autos + body + "[e :UE 2 ]\n}\n";
}

// The lines from the first that contains `from` up to the next that contains `to`.
std::string between(const std::string& text, const std::string& from, const std::string& to) {
    size_t a = text.find(from);
    if (a == std::string::npos) return "";
    size_t b = text.find(to, a + from.size());
    return text.substr(a, b == std::string::npos ? std::string::npos : b - a);
}

// The function written plainly and through the optimiser.
struct both {
    cgtest::run_result plain, opt;
    explicit both(const std::string& ic)
        : plain(run_ic(ic, 0, "16F877A", false, 0)), opt(run_ic(ic, 0, "16F877A", false, 9)) {}
};

const std::string two_bytes = "[v _x `uc 1 a ]\n[v _y `uc 1 a ]\n";

TEST(data_flow, KnownConstantFoldsCompoundAssignmentAndJump) {
    // x = 3; x += 2; if (x == 5) g = 1; else g = 0xAB; h = x;
    std::string ic = function(two_bytes,
                              "[e = _x -> 3 `uc ]\n[e =+ _x -> 2 `uc ]\n[e $ ! == -> _x `i -> 5 `i 3 ]\n"
                              "[e = _g -> 1 `uc ]\n[e $U 4 ]\n[e :U 3 ]\n[e = _g -> 171 `uc ]\n[e :U 4 ]\n"
                              "[e = _h _x ]\n");
    both r(ic);
    const std::string &plain = r.plain.assembly, &opt = r.opt.assembly;
    EXPECT_TRUE(r.opt.messages.empty());
    EXPECT_EQ(lines_with(plain, "movlw\t02h").size(), 1u);
    EXPECT_TRUE(lines_with(opt, "movlw\t02h").empty());
    EXPECT_EQ(between(opt, "_f\n", "FNSIZE\t_f").find("addwf"), std::string::npos);
    // The else branch is gone, the test with it; h takes the constant.
    EXPECT_EQ(lines_with(plain, "movlw\t0ABh").size(), 1u);
    EXPECT_TRUE(lines_with(opt, "movlw\t0ABh").empty());
    EXPECT_TRUE(lines_with(opt, "xorlw").empty());
    EXPECT_NE(between(opt, "_f\n", "movwf\t_h").find("movlw\t05h"), std::string::npos);
}

TEST(data_flow, DifferentConstantsOnTwoWaysAreNotSubstituted) {
    // if (g) x = 1; else x = 2; h = x;   and a volatile v = 3; g = v;
    std::string ic = function("[v _x `uc 1 a ]\n[v _v `Vuc 1 a ]\n",
                              "[e $ ! != _g -> 0 `uc 5 ]\n[e = _x -> 1 `uc ]\n[e $U 6 ]\n[e :U 5 ]\n"
                              "[e = _x -> 2 `uc ]\n[e :U 6 ]\n[e = _h _x ]\n"
                              "[e = _v -> 3 `Vuc ]\n[e = _g -> _v `uc ]\n");
    auto result = run_ic(ic, 0, "16F877A", false, 9);
    const std::string& opt = result.assembly;
    EXPECT_TRUE(result.messages.empty());
    const std::string x = cgtest::auto_place(opt, "f", "x"), v = cgtest::auto_place(opt, "f", "v");
    ASSERT_FALSE(x.empty() || v.empty() || x == v) << opt;
    std::string join = between(opt, "l6", "movwf\t_h");
    EXPECT_NE(join.find("movf\t" + x + ",w"), std::string::npos) << join;
    // The volatile is stored and read back through memory.
    std::string vol = between(opt, "movlw\t03h", "movwf\t_g");
    EXPECT_NE(vol.find("movwf\t" + v), std::string::npos) << vol;
    EXPECT_NE(vol.find("movf\t" + v + ",w"), std::string::npos) << vol;
}

TEST(data_flow, DeadStoreGoesButItsCallStays) {
    // y = t(); y = x++ (x = 7); g = y + x;   the first store of y is never read.
    std::string ic = function(two_bytes,
                              "[e = _x -> 7 `uc ]\n[e = _y ( _t .. ]\n[e = _y ++ _x -> 1 `uc ]\n"
                              "[e = _g -> + -> _y `i -> _x `i `uc ]\n");
    both r(ic);
    const std::string &plain = r.plain.assembly, &opt = r.opt.assembly;
    EXPECT_TRUE(r.opt.messages.empty());
    EXPECT_EQ(lines_with(opt, "fcall\t_t").size(), 1u);
    const std::string x = cgtest::auto_place(opt, "f", "x"), y = cgtest::auto_place(opt, "f", "y");
    ASSERT_FALSE(x.empty() || y.empty()) << opt;
    EXPECT_EQ(opt.find("fcall\t_t\n\tmovwf\t" + y), std::string::npos);
    EXPECT_NE(plain.find("fcall\t_t\n\tmovwf\t" + cgtest::auto_place(plain, "f", "y")), std::string::npos);
    // y = x++ reads x before the increment: its store is not the constant 8.
    EXPECT_EQ(lines_with(opt, "incf\t" + x + ",f").size(), 1u);
    EXPECT_TRUE(lines_with(opt, "movlw\t08h").empty());
}

TEST(data_flow, LoopCounterIsNotTakenForItsFirstValue) {
    // k = 4; while (k) { g += k; k--; }
    std::string ic = function("[v _k `uc 1 a ]\n",
                              "[e = _k -> 4 `uc ]\n[e $U 2 ]\n[e :U 3 ]\n[e =+ _g _k ]\n[e -- _k -> 1 `uc ]\n"
                              "[e :U 2 ]\n[e $ != _k -> 0 `uc 3 ]\n");
    both r(ic);
    const std::string &plain = r.plain.assembly, &opt = r.opt.assembly;
    EXPECT_TRUE(r.opt.messages.empty());
    EXPECT_EQ(lines_with(opt, "decf").size(), lines_with(plain, "decf").size());
    EXPECT_EQ(lines_with(opt, "addwf\t_g").size(), 1u);
    EXPECT_EQ(lines_with(opt, "movlw\t04h").size(), 1u);
}

}  // namespace
