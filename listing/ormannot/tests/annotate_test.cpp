#include "listing/ormannot/annotate.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "listing/listcommon/tests/test_streams.h"

namespace {

std::string listing_of(const std::string& source, int tab_width = 8)
{
    std::FILE* in = listing_test::stream_of(source);
    std::FILE* out = std::tmpfile();
    annotate(in, out, tab_width);
    std::fclose(in);
    return listing_test::contents_of(out);
}

TEST(Annotate, LineEnds)
{
    EXPECT_EQ(listing_of(""), "");
    EXPECT_EQ(listing_of("\n\n"), "     1: \n     2: \n");
    EXPECT_EQ(listing_of("x\ny\n"), "     1: x\n     2: y\n");
    EXPECT_EQ(listing_of("x\ny"), "     1: x\n     2: y");   // no newline added
    EXPECT_EQ(listing_of("a\r\n"), "     1: a\r\n");          // carriage returns are text
}

TEST(Annotate, TabsStopAtMultiplesOfTheWidth)
{
    EXPECT_EQ(listing_of("a\tb\n"), "     1: a       b\n");
    EXPECT_EQ(listing_of("\t\tx", 4), "     1:         x");
    EXPECT_EQ(listing_of("abcd\te", 4), "     1: abcd    e");   // a full stop's worth at a stop
    EXPECT_EQ(listing_of("a\tb\tc", 1), "     1: a b c");
    EXPECT_EQ(listing_of("ab\tc", 64), "     1: ab" + std::string(62, ' ') + "c");
    // The column starts again on each line.
    EXPECT_EQ(listing_of("abc\n\tx\n", 4), "     1: abc\n     2:     x\n");
}

TEST(Annotate, WideLineNumbers)
{
    std::string source(999999, '\n');
    std::string text = listing_of(source + "last\n");
    EXPECT_EQ(text.substr(text.size() - 14), "1000000: last\n");
    EXPECT_EQ(text.substr(text.size() - 14 - 9, 9), "999999: \n");
}

}  // namespace
