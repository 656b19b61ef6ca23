// Argument reader: splitting, quotes, continuations, limits, redirected standard input.
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/getargs.h"
#include "common/tests/test_util.h"
#include "testsupport/testsupport.h"

namespace {

std::vector<std::string> take(char** args)
{
    std::vector<std::string> out;
    EXPECT_STREQ(args[0], "");
    for (int i = 1; i < getargs_count; i++)
        out.emplace_back(args[i]);
    EXPECT_EQ(args[getargs_count], nullptr);
    for (int i = 0; i < getargs_count; i++)
        xfree(args[i]);
    xfree(args);
    return out;
}

std::vector<std::string> split(const char* text) { return take(getargs(text, "t")); }

std::vector<std::string> from_stdin(const std::string& content)
{
    auto path = testsupport::scratch_folder("getargs") / "input.txt";
    testsupport::write_file(path, content);
    EXPECT_NE(std::freopen(path.c_str(), "r", stdin), nullptr);
    return take(getargs(nullptr, "prog"));
}

using args = std::vector<std::string>;

TEST(GetArgs, SplitsOnBlanksTabsAndNewlines)
{
    EXPECT_EQ(split("  -a  -b\t-c\nd  \r"), (args{"-a", "-b", "-c", "d"}));
    EXPECT_EQ(split(""), args{});
    EXPECT_EQ(getargs_count, 1);
    EXPECT_EQ(split("a\rb"), args{"a\rb"});   // a carriage return inside is kept
}

TEST(GetArgs, Quotes)
{
    EXPECT_EQ(split("'x y'"), args{"x y"});
    EXPECT_EQ(split("a\"b c\"d"), args{"ab cd"});
    EXPECT_EQ(split("'a b'c"), args{"a bc"});
    EXPECT_EQ(split("\"it's\" '\"q\"'"), (args{"it's", "\"q\""}));
    EXPECT_EQ(split("x \"\" y"), (args{"x", "", "y"}));
    EXPECT_EQ(split("a 'open b c"), (args{"a", "open b c"}));   // end of input ends it
}

TEST(GetArgs, OverlongArgumentKeepsItsStartAndReportsOnce)
{
    testutil::captured_output out;
    uint32_t errors = alert_error_count();
    std::string longer(300, 'q');
    args result = split((longer + " next " + longer).c_str());
    ASSERT_EQ(result.size(), 3u);
    EXPECT_EQ(result[0], std::string(255, 'q'));
    EXPECT_EQ(result[1], "next");
    EXPECT_EQ(alert_error_count(), errors + 2);   // once for each overlong argument
    EXPECT_EQ(out.lines().size(), 2u);
    EXPECT_EQ(out.lines()[0], "(917) argument too long\n");
}

TEST(GetArgs, RedirectedInputReadsEveryLineWithoutPrompt)
{
    EXPECT_EQ(from_stdin("-a -b\n-c 'd e'\n\nlast"), (args{"-a", "-b", "-c", "d e", "last"}));
    EXPECT_EQ(from_stdin("one\r\ntwo\r\n"), (args{"one", "two"}));
    EXPECT_EQ(from_stdin(""), args{});
}

TEST(GetArgs, ContinuationBackslash)
{
    // Between arguments the backslash only joins the lines; right after an argument it
    // continues that argument without losing a character.
    EXPECT_EQ(from_stdin("-a  -b \\\n-c\n"), (args{"-a", "-b", "-c"}));
    EXPECT_EQ(from_stdin("-ab\\\ncd e\n"), (args{"-abcd", "e"}));
    EXPECT_EQ(split("a b\\"), (args{"a", "b"}));
}

TEST(GetArgs, LongLinesAreReadToTheirEnd)
{
    std::string line;
    for (int i = 0; i < 100; i++)
        line += "arg" + std::to_string(i) + " ";
    args result = from_stdin(line + "\n");
    ASSERT_EQ(result.size(), 100u);
    EXPECT_EQ(result[99], "arg99");
}

}  // namespace
