#include "listing/ormxref/xref_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "listing/ormxref/tests/xref_test_support.h"

namespace {

std::string listing(const std::string& raw, const xref_page_setup& setup,
                    const std::vector<std::string>& exclusions = {})
{
    xref_table table;
    read_raw(table, raw);
    std::FILE* out = std::tmpfile();
    xref_print_listing(out, table, setup, exclusions);
    return listing_test::contents_of(out);
}

xref_page_setup page(int32_t length = 66, int32_t width = 80)
{
    return xref_page_setup{"H", length, width};
}

// The rows of the listing between its header and its form feed.
std::vector<std::string> rows(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.find("Cross reference listing") == std::string::npos && line != "\f")
            result.push_back(line);
    }
    return result;
}

TEST(XrefListing, OnePageExactly)
{
    std::string text = listing("~a.c\nf 5\n#f 2\n", page());
    std::string header = "\n\nCross reference listing: H" + std::string(37, ' ') + "Page   1\n\n\n";
    EXPECT_EQ(text, header + "f    a.c      2#    5 \n\f");
}

TEST(XrefListing, RepeatedLineShownOnceWithTheDefinitionMark)
{
    // The definition is not next to its twin in the raw file, and comes after it.
    std::string text = listing("~a.c\nf 5\nf 7\n#f 5\nf 5\n", page());
    EXPECT_EQ(rows(text), std::vector<std::string>{"f    a.c      5#    7 "});
}

TEST(XrefListing, OneRowPerFileTheNameOnTheFirstOnly)
{
    std::string text = listing("~b.c\nv 2\n~a.c\nv 1\nw 3\n", page());
    std::vector<std::string> expected{"v    a.c      1 ", "     b.c      2 ", "w    a.c      3 "};
    EXPECT_EQ(rows(text), expected);
    EXPECT_NE(text.find("2 \n\nw"), std::string::npos);   // a blank line between symbols
}

TEST(XrefListing, LineNumbersWrapToThePageWidth)
{
    // File names count toward the symbol column: both columns are 14 wide, 28 together.
    std::string raw = "~twelve_chr.c\n";
    for (int line = 1; line <= 10; line++)
        raw += "abcdefghij " + std::to_string(line) + "\n";
    std::string first = "abcdefghij    twelve_chr.c      1     2     3     4     5     6     7";
    std::vector<std::string> got = rows(listing(raw, page(66, 78)));   // 28 + 6 * 7 + 8 fits
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], first + "     8 ");
    EXPECT_EQ(got[1], std::string(28, ' ') + "    9    10 ");
    got = rows(listing(raw, page(66, 77)));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], first + " ");
    EXPECT_EQ(got[1], std::string(28, ' ') + "    8     9    10 ");
}

TEST(XrefListing, NumbersPastSixteenBitsAndBelowZero)
{
    std::string text = listing("~a.c\nbig 40000\nbig 32768\nneg -3\n", page());
    std::vector<std::string> expected{"big  a.c  32768 40000 ", "neg  a.c     -3 "};
    EXPECT_EQ(rows(text), expected);
}

TEST(XrefListing, FormFeedAfterTheSixtyFirstLineOfAPage)
{
    std::string raw = "~a.c\n";
    for (char c = 'a'; c <= 'z'; c++)
        for (char d = 'a'; d <= 'c'; d++)
            raw += std::string{c, d} + " 1\n";
    std::string text = listing(raw, page());
    size_t feed = text.find('\f');
    ASSERT_NE(feed, std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.begin() + static_cast<long>(feed), '\n'), 61);
    EXPECT_NE(text.find("Page   2\n", feed), std::string::npos);
    EXPECT_EQ(text.back(), '\f');
}

TEST(XrefListing, ShortPagesStillBreak)
{
    std::string text = listing("~a.c\nx 1\ny 2\nz 3\n", page(10));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 3);
    EXPECT_NE(text.find("Page   3"), std::string::npos);
}

TEST(XrefListing, ExclusionPrefixes)
{
    std::string raw = "~a.c\n1x 1\n9y 1\nabc 1\nab 1\na 1\n_1 1\n";
    EXPECT_EQ(rows(listing(raw, page(), {"1"})),
              (std::vector<std::string>{"_1   a.c      1 ", "a    a.c      1 ", "ab   a.c      1 ",
                                        "abc  a.c      1 "}));
    EXPECT_EQ(rows(listing(raw, page(), {"", "abc", "_0"})).size(), 4u);   // "" matches nothing
    EXPECT_EQ(rows(listing(raw, page(), {"ab"})).size(), 4u);
}

TEST(XrefListing, AnyNumberOfExclusionPrefixes)
{
    std::vector<std::string> prefixes;
    for (int i = 0; i < 40; i++)
        prefixes.push_back({static_cast<char>('A' + i % 26), static_cast<char>('a' + i / 26)});
    EXPECT_TRUE(xref_excluded(prefixes, "Nbtail"));   // the fortieth
    EXPECT_FALSE(xref_excluded(prefixes, "Nc"));
}

TEST(XrefListing, NothingToListWritesNothing)
{
    EXPECT_EQ(listing("~a.c\n", page()), "");
    xref_table table;
    read_raw(table, "~a.c\nx 1\n");
    table.add_stop_word("x");
    std::FILE* out = std::tmpfile();
    xref_print_listing(out, table, page(), {});
    EXPECT_EQ(listing_test::contents_of(out), "");
}

}  // namespace
