// printf format scanning: expected argument kinds, feature bits and malformed conversions.
#include <gtest/gtest.h>

#include <vector>

#include "parser/printf_check.h"
#include "parser/tests/harness.h"

namespace {
// Every expected argument kind of a format, in order, ending with the final result.
std::vector<int32_t> kinds(const char* format) {
    std::vector<int32_t> out;
    int32_t k = printf_format_check(format, true);
    out.push_back(k);
    while (k != 0 && k != 127 && out.size() < 20) out.push_back(k = printf_format_check(nullptr, false));
    return out;
}
}  // namespace

TEST(PrintfCheck, ExpectedArgumentKinds) {
    reset_parser();
    printf_feature_bits = 0;
    EXPECT_EQ(kinds("%5.2f"), std::vector<int32_t>({18, 0}));
    EXPECT_EQ(printf_feature_bits & (0x8000 | 0x10000 | 0x2000), 0x8000u | 0x10000u | 0x2000u);
    EXPECT_EQ(kinds("%*d"), std::vector<int32_t>({8, 8, 0}));
    EXPECT_EQ(kinds("%-08lx"), std::vector<int32_t>({10, 0}));
    EXPECT_EQ(kinds("%lld"), std::vector<int32_t>({12, 0}));
    EXPECT_EQ(kinds("%hd %c %s %n %ln"), std::vector<int32_t>({6, 8, 132, 136, 138, 0}));
    EXPECT_EQ(kinds("100%%"), std::vector<int32_t>({0}));
    EXPECT_EQ(kinds("%.*e"), std::vector<int32_t>({8, 18, 0}));
    EXPECT_EQ(printf_format_check(nullptr, true), 127);   // no format at all
}

TEST(PrintfCheck, FeatureBitsOfConversions) {
    reset_parser();
    printf_feature_bits = 0;
    kinds("% +#-d %o %u %x %X %E %G %g %e");
    EXPECT_EQ(printf_feature_bits, 0x1u | 0x2u | 0x20u | 0x8u | 0x80u | 0x100u | 0x400u | 0x400000u | 0x200000u |
                                       0x840u | 0x1040u | 0x1000u | 0x800u);
}

TEST(PrintfCheck, MalformedConversions) {
    struct bad {
        const char* format;
        int message;
    };
    for (bad b : {bad{"%hld", 974}, bad{"%Lf", 975}, bad{"%lf", 971}, bad{"%", 969}, bad{"%5%", 970},
                  bad{"%d%-", 969}, bad{"%.5-d", 970}, bad{"%hn", 973}, bad{"%hc", 971}, bad{"%1*d", 970}}) {
        auto r = with_input("", [&] { kinds(b.format); });
        EXPECT_TRUE(has_message(r, b.message)) << b.format << ": " << r.messages;
    }
}
