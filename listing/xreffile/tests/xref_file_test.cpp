#include "listing/xreffile/xref_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "listing/listcommon/tests/test_streams.h"

namespace {

using listing_test::stream_of;

TEST(XrefFile, WrittenLinesReadBack)
{
    std::FILE* f = std::tmpfile();
    xref_write_source(f, "main.c");
    xref_write_definition(f, "_count", 12);
    xref_write_reference(f, "_count", 40000);
    std::rewind(f);
    std::string text;
    ASSERT_TRUE(xref_read_line(f, text));
    xref_line line = xref_parse_line(text);
    EXPECT_EQ(line.kind, xref_line_kind::source);
    EXPECT_EQ(line.name, "main.c");
    ASSERT_TRUE(xref_read_line(f, text));
    line = xref_parse_line(text);
    EXPECT_EQ(line.kind, xref_line_kind::definition);
    EXPECT_EQ(line.name, "_count");
    EXPECT_EQ(line.line, 12);
    ASSERT_TRUE(xref_read_line(f, text));
    line = xref_parse_line(text);
    EXPECT_EQ(line.kind, xref_line_kind::reference);
    EXPECT_EQ(line.name, "_count");
    EXPECT_EQ(line.line, 40000);   // past 16 bits
    EXPECT_FALSE(xref_read_line(f, text));
    std::fclose(f);
}

TEST(XrefFile, OddLinesParse)
{
    xref_line line = xref_parse_line("lonely");   // no blank: the whole line, line 0
    EXPECT_EQ(line.kind, xref_line_kind::reference);
    EXPECT_EQ(line.name, "lonely");
    EXPECT_EQ(line.line, 0);
    line = xref_parse_line("#x\t-7");
    EXPECT_EQ(line.kind, xref_line_kind::definition);
    EXPECT_EQ(line.name, "x");
    EXPECT_EQ(line.line, -7);
    line = xref_parse_line("y 99999999999");
    EXPECT_EQ(line.line, INT32_MAX);
    line = xref_parse_line("z ");
    EXPECT_EQ(line.line, 0);
    EXPECT_EQ(xref_parse_line("~").name, "");
    EXPECT_EQ(xref_parse_line("").name, "");
}

TEST(XrefFile, LongLinesAreCutAndLineEndsDropped)
{
    std::string longest(XREF_LINE_MAX, 'a');
    std::string over(XREF_LINE_MAX + 50, 'b');
    std::FILE* f = stream_of("one\r\n" + longest + "\r\n" + over + "\nlast");
    std::string text;
    ASSERT_TRUE(xref_read_line(f, text));
    EXPECT_EQ(text, "one");
    ASSERT_TRUE(xref_read_line(f, text));
    EXPECT_EQ(text, longest);
    ASSERT_TRUE(xref_read_line(f, text));
    EXPECT_EQ(text, std::string(XREF_LINE_MAX, 'b'));   // the rest is dropped, not a line of its own
    ASSERT_TRUE(xref_read_line(f, text));
    EXPECT_EQ(text, "last");
    EXPECT_FALSE(xref_read_line(f, text));
    std::fclose(f);
}

}  // namespace
