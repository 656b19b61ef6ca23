// The intermediate-code vocabulary: every written spelling, type letter and string-data record
// reads back as what was written.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <unistd.h>

#include "icode/icode.h"

namespace {

TEST(IcodeVocabulary, EveryWrittenOperatorReadsBackAsItsCode) {
    std::set<std::string> seen;
    int written = 0;
    for (int code = ic::op_first; code <= ic::op_last; ++code) {
        std::string spelling = ic::op_spelling(code);
        if (spelling.empty()) {
            EXPECT_EQ(ic::op_arity(code), 0) << code;
            continue;
        }
        ++written;
        EXPECT_TRUE(seen.insert(spelling).second) << "spelled twice: " << spelling;
        EXPECT_EQ(ic::op_from_spelling(spelling.c_str()), code) << spelling;
    }
    EXPECT_EQ(written, static_cast<int>(seen.size()));
    // Values worked out from the format: unary minus, assignment-add and block copy.
    EXPECT_STREQ(ic::op_spelling(ic::OP_NEG), "-U");
    EXPECT_EQ(ic::op_arity(ic::OP_NEG), 1);
    EXPECT_STREQ(ic::op_spelling(ic::OP_ASG_ADD), "=+");
    EXPECT_STREQ(ic::op_spelling(ic::OP_BLOCKCOPY), ":=");
    EXPECT_EQ(ic::op_from_spelling(""), 0);
    EXPECT_EQ(ic::op_from_spelling("=!"), 0);
    EXPECT_STREQ(ic::op_spelling(ic::op_first - 1), "");
    EXPECT_STREQ(ic::op_spelling(ic::op_last + 1), "");
}

TEST(IcodeVocabulary, TypeLettersReadBackAsTheirCodes) {
    for (int32_t code = ic::T_BIT; code <= ic::T_VOID; code += 2) {
        char letter = ic::basic_letter(code);
        if (letter == '?') continue;   // enum has no letter of its own
        EXPECT_EQ(ic::basic_from_letter(letter), code) << letter;
        EXPECT_EQ(ic::basic_letter(code + 1), letter);   // the unsigned form shares it
    }
    EXPECT_EQ(ic::basic_letter(ic::T_LONG), 'l');
    EXPECT_EQ(ic::basic_letter(ic::T_DERIVED), '?');
    EXPECT_EQ(ic::basic_letter(-2), '?');
    EXPECT_EQ(ic::basic_from_letter('?'), -1);
    EXPECT_EQ(ic::basic_from_letter('z'), -1);
}

TEST(IcodeVocabulary, FloatConstantsReadBackWithTheirSize) {
    struct { const char* text; bool is_float; double value; } cases[] = {
        {"1.5", true, 1.5}, {"0.1", false, 0.1}, {"3e-39", false, 3e-39}, {"6.5e4", true, 65000.0},
    };
    for (const auto& c : cases) {
        std::string token = ic::float_const_token(c.text, c.is_float);
        double value = -1;
        bool is_float = !c.is_float;
        ASSERT_TRUE(ic::read_float_const(token, value, is_float)) << token;
        EXPECT_EQ(is_float, c.is_float) << token;
        EXPECT_EQ(value, c.value) << token;
    }
    // A literal without text is zero; the list end ".." and a bare "." are not constants.
    EXPECT_EQ(ic::float_const_token(nullptr, false), ".0");
    double v;
    bool f;
    EXPECT_FALSE(ic::read_float_const("..", v, f));
    EXPECT_FALSE(ic::read_float_const(".", v, f));
    EXPECT_FALSE(ic::read_float_const("12", v, f));
}

TEST(IcodeStringData, RecordsReadBackEqualAndDamageIsSeen) {
    std::FILE* f = std::tmpfile();
    ASSERT_TRUE(f);
    ic::string_data_record a, b, empty;
    a.number = 1;
    a.class_mask = 0x21;
    a.bytes = {'h', 'i', 0};
    b.number = -7;
    b.class_mask = 0xFFFFFFFF;
    b.bytes.assign(300, 0xA5);
    empty.number = 3;
    for (const auto* r : {&a, &b, &empty}) ASSERT_TRUE(ic::write_string_data(f, *r));
    std::rewind(f);
    ic::string_data_record got;
    for (const auto* r : {&a, &b, &empty}) {
        ASSERT_EQ(ic::read_string_data(f, got), 1);
        EXPECT_EQ(got.number, r->number);
        EXPECT_EQ(got.class_mask, r->class_mask);
        EXPECT_EQ(got.bytes, r->bytes);
    }
    EXPECT_EQ(ic::read_string_data(f, got), 0);   // a clean end
    std::fclose(f);

    // Little-endian layout, worked out by hand: number, length, mask, bytes.
    f = std::tmpfile();
    ASSERT_TRUE(ic::write_string_data(f, a));
    EXPECT_EQ(std::ftell(f), 15);
    std::rewind(f);
    unsigned char head[12];
    ASSERT_EQ(std::fread(head, 1, 12, f), 12u);
    const unsigned char expected[12] = {1, 0, 0, 0, 3, 0, 0, 0, 0x21, 0, 0, 0};
    EXPECT_EQ(std::string(head, head + 12), std::string(expected, expected + 12));
    std::fclose(f);

    // A record cut short and a length no record can have are both read as damage.
    f = std::tmpfile();
    ASSERT_TRUE(ic::write_string_data(f, b));
    std::fflush(f);
    ASSERT_EQ(ftruncate(fileno(f), 12 + 100), 0);
    std::rewind(f);
    EXPECT_EQ(ic::read_string_data(f, got), -1);
    std::rewind(f);
    const unsigned char huge[12] = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0};
    std::fwrite(huge, 1, 12, f);
    std::rewind(f);
    EXPECT_EQ(ic::read_string_data(f, got), -1);
    std::fclose(f);
}

}  // namespace
