// Directives, conditional groups and the include search.
#include <gtest/gtest.h>

#include "run_ormpre.h"

namespace {
std::string text(const std::string& source, const std::vector<std::string>& options = {}) {
    std::string joined;
    for (const auto& line : text_lines(preprocess(source, options).out)) joined += line + "|";
    return joined;
}
bool has(const ormpre_run& r, const std::string& piece) { return r.err.find(piece) != std::string::npos; }
}  // namespace

TEST(Directives, NullAndLineDirectives) {
    ormpre_run r = preprocess("#\n# \t\na\n# 7 \"x.c\"\nb\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "\n# 1 \"t.c\"\n\n\na\n\n# 7 \"x.c\"\nb\n");
}

TEST(Directives, ConditionalGroups) {
    EXPECT_EQ(text("#if 1\na\n#else\nb\n#endif\n"), "a|");
    EXPECT_EQ(text("#if 0\na\n#elif 2\nb\n#elif 3\nc\n#else\nd\n#endif\n"), "b|");
    EXPECT_EQ(text("#if 0\na\n#elif 0\nb\n#else\nd\n#endif\n"), "d|");
    EXPECT_EQ(text("#define X\n#ifdef X\na\n#endif\n#ifndef X\nb\n#endif\n#ifndef Y\nc\n#endif\n"), "a|c|");
    // Nothing inside a skipped group is carried out, but its groups nest.
    EXPECT_EQ(text("#if 0\n#if 1\na\n#else\nb\n#endif\n#define Q 1\n#error no\n#else\nQ\n#endif\n"), "Q|");
}

TEST(Directives, MisplacedGroupDirectives) {
    ormpre_run twice = preprocess("#if 1\n#else\n#else\n#endif\n");
    EXPECT_TRUE(has(twice, "(101) #else may not follow #else")) << twice.err;
    EXPECT_EQ(twice.status, 1);
    ormpre_run lone = preprocess("#endif\n#elif 1\n");
    EXPECT_TRUE(has(lone, "(102) #endif must be in an #if")) << lone.err;
    EXPECT_TRUE(has(lone, "(102) #elif must be in an #if")) << lone.err;
    ormpre_run open = preprocess("x\n#if 1\n#ifdef A\n");
    EXPECT_TRUE(has(open, "(100) unterminated #if[n][def] block from line 2")) << open.err;
    ormpre_run bare = preprocess("#if\na\n#endif\n#ifdef 3\n#endif\n");
    EXPECT_TRUE(has(bare, "(108) #if[n][def] without an argument")) << bare.err;
    EXPECT_EQ(text("#if\na\n#endif\n"), "a|");   // the group stays as it was
}

TEST(Directives, NestingLimit) {
    std::string deep;
    for (int i = 0; i < 31; ++i) deep += "#if 1\n";
    deep += "x\n";
    for (int i = 0; i < 31; ++i) deep += "#endif\n";
    EXPECT_EQ(preprocess(deep).status, 0);
    ormpre_run over = preprocess("#if 1\n" + deep + "#endif\n");
    EXPECT_EQ(over.status, 1);
    EXPECT_TRUE(has(over, "(144) too many nested #if blocks")) << over.err;
}

TEST(Directives, UnknownDirectivesEvenWhenSkipped) {
    ormpre_run r = preprocess("#if 0\n#frobnicate\n#endif\n#x\n");
    EXPECT_TRUE(has(r, "(107) illegal # directive \"frobnicate\"")) << r.err;
    EXPECT_TRUE(has(r, "(107) illegal # directive \"x\"")) << r.err;
}

TEST(Directives, MessagesAndAssert) {
    ormpre_run e = preprocess("#error  two  words \n");
    EXPECT_TRUE(has(e, "(103) #error: two  words")) << e.err;
    EXPECT_EQ(e.status, 1);
    ormpre_run w = preprocess("#warning careful\n");
    EXPECT_TRUE(has(w, "(162) #warning: careful (warning)")) << w.err;
    EXPECT_EQ(w.status, 0);
    ormpre_run a = preprocess("#assert 1 == 2\n#assert 2 == 2\n");
    EXPECT_TRUE(has(a, "(104) preprocessor #assert failure")) << a.err;
    ormpre_run extra = preprocess("#if 1\n#else junk\n#endif junk\n#ident \"v\"\n", {"-W-1"});
    EXPECT_EQ(std::count(extra.err.begin(), extra.err.end(), '\n') >= 3, true) << extra.err;
    EXPECT_TRUE(has(extra, "(163) unexpected text in control line ignored (warning)")) << extra.err;
    EXPECT_EQ(preprocess("#if 1\n#else junk\n#endif\n").err, "");   // level -1 is hidden by default
    ormpre_run undef = preprocess("#undef 3\n");
    EXPECT_TRUE(has(undef, "(114) illegal #undef argument")) << undef.err;
    ormpre_run asmerr = preprocess("#endasm\n#asm\n#asm\n#endasm\n");
    EXPECT_TRUE(has(asmerr, "(105) no #asm before #endasm")) << asmerr.err;
    EXPECT_TRUE(has(asmerr, "(106) nested #asm directives")) << asmerr.err;
}

TEST(IncludeSearch, QuotedNamesSearchTheIncludingFilesFolderFirst) {
    scratch_dir dir;
    dir.file("dir/b.c", "#include \"a.h\"\n#include <a.h>\n");
    dir.file("dir/a.h", "near\n");
    dir.file("inc1/a.h", "first\n");
    dir.file("inc2/a.h", "second\n");
    ormpre_run r = dir.run({"-Iinc1", "-Iinc2/", "dir/b.c"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = text_lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(lines[0], "near");
    EXPECT_EQ(lines[1], "first");   // the angle form searches only the directories
    EXPECT_NE(r.out.find("# 1 \"dir/a.h\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("# 1 \"inc1/a.h\""), std::string::npos) << r.out;
    ormpre_run second = dir.run({"-Inone", "-Iinc2", "dir/b.c"});
    EXPECT_EQ(text_lines(second.out).at(1), "second");
}

TEST(IncludeSearch, LowerCaseRetryAndMissingHeader) {
    scratch_dir dir;
    dir.file("inc/lower.h", "low\n");
    dir.file("t.c", "#include \"INC/LOWER.H\"\n");
    ormpre_run r = dir.run({"-W-1", "t.c"});
    EXPECT_EQ(text_lines(r.out), std::vector<std::string>{"low"});
    EXPECT_TRUE(has(r, "(164) #include filename \"INC/LOWER.H\" was converted to lower case")) << r.err;
    dir.file("m.c", "#include \"missing.h\"\n");
    ormpre_run m = dir.run({"m.c"});
    EXPECT_EQ(m.status, 1);
    EXPECT_TRUE(has(m, "(141) can't open include file \"missing.h\": No such file or directory")) << m.err;
    dir.file("s.c", "#include missing.h\n");
    EXPECT_TRUE(has(dir.run({"s.c"}), "(109) #include syntax error"));
}

TEST(IncludeSearch, MacroNamedHeaderAndLongCandidates) {
    scratch_dir dir;
    dir.file("h.h", "hh\n");
    dir.file("t.c", "#define H \"h.h\"\n#include H\n");
    EXPECT_EQ(text_lines(dir.run({"t.c"}).out), std::vector<std::string>{"hh"});
    // A long quoted candidate from a deep folder opens without any fixed-length buffer.
    std::string deep;
    for (int i = 0; i < 40; ++i) deep += "folder_with_a_long_name_" + std::to_string(i) + "/";
    dir.file(deep + "x.h", "deep\n");
    dir.file(deep + "x.c", "#include \"x.h\"\n");
    ormpre_run r = dir.run({deep + "x.c"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(text_lines(r.out), std::vector<std::string>{"deep"});
    // A directory candidate of 8191 characters or more is refused.
    ormpre_run too_long = dir.run({"-I" + std::string(8200, 'd'), "t.c"}, "");
    dir.file("u.c", "#include <nothing.h>\n");
    ormpre_run refused = dir.run({"-I" + std::string(8200, 'd'), "u.c"});
    EXPECT_TRUE(has(refused, "(146) #include filename too long")) << refused.err;
}

TEST(Directives, SelfIncludeStopsAtTheDepthLimit) {
    scratch_dir dir;
    dir.file("self.h", "x\n#include \"self.h\"\ny\n");
    dir.file("t.c", "#include \"self.h\"\nend\n");
    ormpre_run r = dir.run({"t.c"});
    EXPECT_EQ(r.status, 1);
    // Reported once, at the deepest file; every level still reads its own last line.
    size_t first = r.err.find("(136) #include nested too deeply; \"self.h\" not read");
    EXPECT_NE(first, std::string::npos) << r.err.substr(0, 1000);
    EXPECT_EQ(r.err.find("(136)", first + 1), std::string::npos);
    std::vector<std::string> lines = text_lines(r.out);
    ASSERT_EQ(lines.size(), 199u * 2 + 1);
    EXPECT_EQ(lines.front(), "x");
    EXPECT_EQ(lines.back(), "end");
}

TEST(Directives, LineNumbersStayInThirtyTwoBits) {
    ormpre_run refused = preprocess("#line 2147483648\n#line 99999999999999999999 \"n.c\"\n__LINE__\n");
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(has(refused, "(142) line number out of range")) << refused.err;
    EXPECT_EQ(text_lines(refused.out), std::vector<std::string>{"3"});
    // The largest number is taken, and counting past it saturates.
    ormpre_run largest = preprocess("#line 2147483646\na\nb\n__LINE__\n");
    EXPECT_EQ(largest.status, 0) << largest.err;
    EXPECT_EQ(text_lines(largest.out), (std::vector<std::string>{"a", "b", "2147483647"}));
}

TEST(Directives, NulByteIsAnErrorNotTheEnd) {
    ormpre_run r = preprocess(std::string("a\nb\0c\nd\n", 8));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r, "     2:\tb")) << r.err;
    EXPECT_TRUE(has(r, "(140) null character in input")) << r.err;
    EXPECT_EQ(text_lines(r.out), (std::vector<std::string>{"a", "b c", "d"}));
}
