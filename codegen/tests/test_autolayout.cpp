// The auto area the optimiser lays out: the order of its keys, blocks that are not nested in
// one another sharing bytes, autos nothing names left without a place, debug records inside
// their own blocks, and functions the optimiser leaves alone keeping the plain layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "codegen/autolayout.h"
#include "codegen/tests/harness.h"

namespace {

using cgtest::run_ic;

// {auto name: offset} from the equates "_f$x\tset\t?a_f+N" of an assembly text.
std::map<std::string, int> offsets(const std::string& assembly) {
    std::map<std::string, int> out;
    std::regex equate("_f\\$(\\w+)\tset\t\\?a_f\\+(\\d+)");
    for (std::sregex_iterator it(assembly.begin(), assembly.end(), equate), end; it != end; ++it)
        out[(*it)[1]] = std::stoi((*it)[2]);
    return out;
}

std::string function(const std::string& body) {
    return "\"1 u.c\n[v _g `uc 1 e ]\n[v _h `uc 1 e ]\n[v _q `*uc 1 e ]\n[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n" +
           body + "[e :UE 2 ]\n}\n";
}

// o in the outermost block; a and b in one inner block; w in a sibling, d nested in that.
const std::string nested_blocks =
    "\"3\n[v _o `uc 1 a ]\n[e = _o _g ]\n"
    "{\n\"5\n[v _a `uc 1 a ]\n[v _b `uc 1 a ]\n[e = _a _h ]\n[e = _b _g ]\n"
    "[e = _g -> + -> _a `i -> _b `i `uc ]\n}\n"
    "{\n\"9\n[v _w `ui 1 a ]\n[e = _w -> _g `ui ]\n"
    "{\n\"11\n[v _d `uc 1 a ]\n[e = _d _h ]\n[e =+ _w -> _d `ui ]\n}\n"
    "[e = _h -> _w `uc ]\n}\n"
    "[e = _h _o ]\n";

TEST(auto_layout, KeysOrderByDepthLineSizeUsesThenName) {
    std::vector<cg::layout_key> keys = {
        {2, 5, 1, 1, "z"}, {1, 9, 4, 0, "late"}, {2, 5, 1, 3, "m"}, {2, 4, 2, 9, "early"},
        {2, 5, 2, 0, "wide"}, {1, 3, 1, 7, "first"}, {2, 5, 1, 1, "y"}, {3, 1, 1, 0, "deep"},
    };
    std::sort(keys.begin(), keys.end(), cg::layout_before);
    std::vector<std::string> names;
    for (const auto& k : keys) names.push_back(k.name);
    EXPECT_EQ(names, (std::vector<std::string>{"first", "late", "early", "y", "z", "m", "wide", "deep"}));
}

TEST(auto_layout, BlocksNotNestedInOneAnotherShareBytes) {
    // 0 outermost; 1 and 2 siblings in it; 3 in 2; 4 in 1 with nothing of its own; 5 in 4.
    std::vector<cg::auto_scope> scopes = {{-1, 1}, {0, 2}, {0, 2}, {2, 3}, {1, 3}, {4, 4}};
    // Given with a child's auto before its parent's: the parent's still go below.
    std::vector<cg::layout_item> items = {{3, 1, 0}, {0, 2, 0}, {1, 1, 0}, {2, 3, 0}, {1, 1, 0}, {5, 2, 0}, {0, 1, 0}};
    cg::layout_result r = cg::lay_out_scopes(scopes, items, 1);
    // Outermost from 1: 1-2, then 3. Block 1 from 4: 4, 5; block 2 from 4: 4-6; block 3
    // above block 2: 7; block 5 above block 1 (block 4 holds nothing): 6-7.
    EXPECT_EQ(r.offsets, (std::vector<int32_t>{7, 1, 4, 4, 5, 6, 3}));
    EXPECT_EQ(r.high, 8);

    // A wider alignment mask rounds each place up; no autos leave the base as the size.
    std::vector<cg::layout_item> aligned = {{0, 1, 0}, {0, 2, 1}, {1, 1, 0}, {1, 4, 3}};
    r = cg::lay_out_scopes(scopes, aligned, 0);
    EXPECT_EQ(r.offsets, (std::vector<int32_t>{0, 2, 4, 8}));
    EXPECT_EQ(r.high, 12);
    EXPECT_EQ(cg::lay_out_scopes(scopes, {}, 3).high, 3);
}

TEST(auto_layout, OptimisedFunctionPlacesByBlockAndKeys) {
    auto plain = run_ic(function(nested_blocks), 0, "16F877A", false, 0);
    auto opt = run_ic(function(nested_blocks), 0, "16F877A", false, 9);
    ASSERT_TRUE(opt.messages.empty());
    std::map<std::string, int> expected = {{"o", 0}, {"a", 1}, {"b", 2}, {"w", 1}, {"d", 3}};
    EXPECT_EQ(offsets(plain.assembly), expected);
    EXPECT_EQ(offsets(opt.assembly), expected);
    // The same area as the plain layout's (autos and temporaries).
    EXPECT_EQ(cgtest::lines_with(opt.assembly, "FNSIZE"), cgtest::lines_with(plain.assembly, "FNSIZE"));

    // One line, one block: the byte before the word, the less used before the more used,
    // then by name; the plain layout keeps the declaration order.
    std::string same_line =
        "\"4\n[v _i `ui 1 a ]\n[v _m `uc 1 a ]\n[v _n `uc 1 a ]\n[v _l `uc 1 a ]\n"
        "[e = _i -> _g `ui ]\n[e = _m _g ]\n[e = _n _h ]\n[e = _l _h ]\n[e =+ _m _n ]\n[e =+ _m _l ]\n"
        "[e = _g -> + -> _m `ui _i `uc ]\n";
    plain = run_ic(function(same_line), 0, "16F877A", false, 0);
    opt = run_ic(function(same_line), 0, "16F877A", false, 9);
    ASSERT_TRUE(opt.messages.empty());
    EXPECT_EQ(offsets(plain.assembly), (std::map<std::string, int>{{"i", 0}, {"m", 2}, {"n", 3}, {"l", 4}}));
    EXPECT_EQ(offsets(opt.assembly), (std::map<std::string, int>{{"l", 0}, {"n", 1}, {"m", 2}, {"i", 3}}));
}

TEST(auto_layout, AutosTheStatementsNoLongerNameTakeNoPlace) {
    // u is never named; k's constant is taken and its store dropped; the volatile v and the
    // address-taken z are only stored, and keep their places.
    std::string body =
        "\"2\n[v _u `uc 1 a ]\n[v _k `uc 1 a ]\n[v _v `Vuc 1 a ]\n[v _z `uc 1 a ]\n"
        "[e = _k -> 5 `uc ]\n[e = _g _k ]\n[e = _v -> 1 `Vuc ]\n[e = _q &U _z ]\n";
    auto plain = run_ic(function(body), 0, "16F877A", false, 0);
    auto opt = run_ic(function(body), 0, "16F877A", false, 9);
    ASSERT_TRUE(opt.messages.empty());
    EXPECT_EQ(offsets(plain.assembly), (std::map<std::string, int>{{"u", 0}, {"k", 1}, {"v", 2}, {"z", 3}}));
    EXPECT_EQ(offsets(opt.assembly), (std::map<std::string, int>{{"v", 0}, {"z", 1}}));
    EXPECT_NE(opt.assembly.find("FNSIZE\t_f,2,0"), std::string::npos);
}

TEST(auto_layout, FunctionTheOptimiserLeavesAloneKeepsThePlainLayout) {
    // In-line assembly keeps the function out of the optimiser: every auto is placed as it
    // would be without it, the unused one included, siblings sharing.
    std::string body = "\"3\n[v _unused `ui 1 a ]\n" + nested_blocks + "[; \tnop\n";
    auto plain = run_ic(function(body), 0, "16F877A", false, 0);
    auto opt = run_ic(function(body), 0, "16F877A", false, 9);
    ASSERT_TRUE(opt.messages.empty());
    EXPECT_EQ(offsets(opt.assembly), offsets(plain.assembly));
    EXPECT_EQ(offsets(opt.assembly).at("d"), 5);
}

// The block depth ("{" lines open and not closed) at which each variable record stands.
std::map<std::string, int> record_depths(const std::string& sdb) {
    std::map<std::string, int> out;
    int depth = 0;
    size_t at = 0;
    while (at < sdb.size()) {
        size_t end = sdb.find('\n', at);
        std::string line = sdb.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? sdb.size() : end + 1;
        if (line == "{") ++depth;
        else if (!line.empty() && line[0] == '}') --depth;
        else if (line.rfind("[v ", 0) == 0) out[line.substr(3, line.find(' ', 3) - 3)] = depth;
    }
    return out;
}

TEST(auto_layout, DebugRecordsStandInTheirOwnBlocks) {
    auto opt = run_ic(function(nested_blocks), 0, "16F877A", true, 9);
    ASSERT_TRUE(opt.messages.empty());
    std::map<std::string, int> depths = record_depths(opt.sdb);
    EXPECT_EQ(depths["_o"], 1);
    EXPECT_EQ(depths["_a"], 2);
    EXPECT_EQ(depths["_b"], 2);
    EXPECT_EQ(depths["_w"], 2);
    EXPECT_EQ(depths["_d"], 3);
    // Every block opened is closed; the function's close gives the area's size.
    EXPECT_EQ(std::count(opt.sdb.begin(), opt.sdb.end(), '{'), std::count(opt.sdb.begin(), opt.sdb.end(), '}'));
    EXPECT_NE(opt.sdb.find("} 4\n"), std::string::npos) << opt.sdb;
    EXPECT_NE(opt.sdb.find("[v _d `uc  1 a 1 3 ]"), std::string::npos) << opt.sdb;
}

TEST(auto_layout, ClosedBlocksKeepTheirOwnVariables) {
    // The first block's two bytes are read after its statements were collected; the second
    // block's word and byte come after it closed. Each read takes its own variable's byte.
    std::string body =
        "{\n\"3\n[v _a1 `uc 1 a ]\n[v _a2 `uc 1 a ]\n[e = _a1 _g ]\n[e = _a2 _h ]\n[e = _h _a1 ]\n[e = _g _a2 ]\n}\n"
        "{\n\"6\n[v _p `ui 1 a ]\n[v _r `uc 1 a ]\n[e = _p -> _g `ui ]\n[e = _r _h ]\n"
        "[e = _g -> + -> _p `ui -> _r `ui `uc ]\n}\n";
    auto opt = run_ic(function(body), 0, "16F877A", false, 9);
    ASSERT_TRUE(opt.messages.empty());
    std::map<std::string, int> at = offsets(opt.assembly);
    ASSERT_EQ(at.size(), 4u);
    EXPECT_NE(at["a1"], at["a2"]);
    EXPECT_EQ(at["r"], 0);
    EXPECT_EQ(at["p"], 1);
    auto reads = [&](const std::string& var, const std::string& global) {
        std::string seq = "movf\t?a_f+" + std::to_string(at[var]) + ",w\n\tmovwf\t" + global + "\n";
        return opt.assembly.find(seq) != std::string::npos;
    };
    EXPECT_TRUE(reads("a1", "_h")) << opt.assembly;
    EXPECT_TRUE(reads("a2", "_g")) << opt.assembly;
}

}  // namespace
