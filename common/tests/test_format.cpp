// Allocation, string building and checked formatting.
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

#include "common/alloc.h"
#include "common/alert.h"
#include "common/format_args.h"
#include "common/tests/test_util.h"

namespace {

template <typename... A> std::string fmt(const char* format, const A&... args)
{
    const format_arg list[] = {make_format_arg(args)..., format_arg()};
    return format_checked(format, list, sizeof...(A));
}

template <typename... A> std::string printf_text(const char* format, A... args)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, format, args...);
    return buf;
}

TEST(Alloc, ZeroFilledBlocksAndTexts)
{
    auto* block = static_cast<unsigned char*>(xalloc(64));
    for (int i = 0; i < 64; i++)
        EXPECT_EQ(block[i], 0);
    xfree(block);
    void* empty = xalloc(0);
    EXPECT_NE(empty, nullptr);
    xfree(empty);
    xfree(nullptr);

    char* s = format_string("%d.%02dPL%d", 9, 50, 2);
    EXPECT_STREQ(s, "9.50PL2");
    xfree(s);
    s = str_concat("", "");
    EXPECT_STREQ(s, "");
    s = str_concat_free(s, "ab");
    EXPECT_STREQ(s, "ab");
    char* d = xstrdup(s);
    EXPECT_NE(d, s);
    EXPECT_STREQ(d, "ab");
    xfree(d);
    xfree(s);

    // Formatting is never cut.
    std::string big(10000, 'y');
    s = format_string("<%s>", big.c_str());
    EXPECT_EQ(std::string(s), "<" + big + ">");
    xfree(s);
}

TEST(CheckedFormat, MatchingConversionsGivePrintfOutput)
{
    EXPECT_EQ(fmt("%d|%5d|%-4d|%+d|%05d", 1, -2, 3, 4, 5), printf_text("%d|%5d|%-4d|%+d|%05d", 1, -2, 3, 4, 5));
    EXPECT_EQ(fmt("%u %x %X %o %#x", 7u, 255, 255u, 8, 16), printf_text("%u %x %X %o %#x", 7u, 255, 255u, 8, 16));
    EXPECT_EQ(fmt("%ld %lu %lld %llu", -5L, 6UL, -7LL, 8ULL), printf_text("%ld %lu %lld %llu", -5L, 6UL, -7LL, 8ULL));
    EXPECT_EQ(fmt("%hd %hhu %zu", 70000, 300, size_t{9}), printf_text("%hd %hhu %zu", 70000, 300, size_t{9}));
    EXPECT_EQ(fmt("%u", -1), printf_text("%u", -1));
    EXPECT_EQ(fmt("%s|%.2s|%6s|%-6s|", "abc", "abc", "abc", "abc"),
              printf_text("%s|%.2s|%6s|%-6s|", "abc", "abc", "abc", "abc"));
    EXPECT_EQ(fmt("%*d|%-*s|%.*s", 4, 1, 3, "a", 1, "xyz"), printf_text("%*d|%-*s|%.*s", 4, 1, 3, "a", 1, "xyz"));
    EXPECT_EQ(fmt("%c%c", 'o', 'k'), "ok");
    EXPECT_EQ(fmt("%.*s|%*d", -1, "abc", -3, 5), printf_text("%.*s|%*d", -1, "abc", -3, 5));
    const unsigned char bytes[] = "raw";
    EXPECT_EQ(fmt("%s", bytes), "raw");
    EXPECT_EQ(fmt("%f %.2e %g", 1.5, 12345.678, 0.25), printf_text("%f %.2e %g", 1.5, 12345.678, 0.25));
    EXPECT_EQ(fmt("100%% sure"), "100% sure");
    EXPECT_EQ(fmt("%p", static_cast<const void*>(nullptr)), printf_text("%p", static_cast<const void*>(nullptr)));
    EXPECT_EQ(fmt("%s", std::string("str")), "str");
    EXPECT_EQ(fmt("%d", true), "1");
}

TEST(CheckedFormat, MismatchesPrintPlaceholders)
{
    EXPECT_EQ(fmt("%s"), "<?>");
    EXPECT_EQ(fmt("%d and %d", 1), "1 and <?>");
    EXPECT_EQ(fmt("%s", 42), "<?>");
    EXPECT_EQ(fmt("%d", "text"), "<?>");
    EXPECT_EQ(fmt("%s %s", 1, "b"), "<?> b");     // a mismatched argument is passed over
    EXPECT_EQ(fmt("%f", 3), "<?>");
    EXPECT_EQ(fmt("%n", 3), "<?>");               // never writes through an argument
    EXPECT_EQ(fmt("%*d", "w", 5), "<?>");
    EXPECT_EQ(fmt("%s", static_cast<const char*>(nullptr)), "(null)");
    EXPECT_EQ(fmt("end %"), "end %");
    EXPECT_EQ(fmt("%y"), "%y");
}

}  // namespace

namespace {

struct packed_record {
    unsigned kind : 4;
    int level : 5;
};

TEST(CheckedFormat, BitFieldsAndArraysAsMessageArguments)
{
    testutil::captured_output out;
    packed_record r{9, -3};
    char name[16] = "buffer";
    alert_kind_message("M", "%u %d %s", r.kind, r.level, name);
    EXPECT_EQ(out.text(), "9 -3 buffer\n");
}

}  // namespace
