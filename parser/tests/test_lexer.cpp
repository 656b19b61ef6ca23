// Lexer: markers, asm blocks, literals, operators and the typing of numbers.
#include <gtest/gtest.h>

#include "common/alert.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/tests/harness.h"

using strings = std::vector<std::string>;

TEST(Lexer, LineMarkersSetLineAndFile) {
    std::string file_of_second;
    auto r = with_input("# 12 \"a.h\"\nfoo\n# 20\nbar\n# 3 \"\"\nbaz\n", [&] {
        next_token();
        EXPECT_EQ(tok.name, "foo");
        EXPECT_EQ(lex_line, 12);
        EXPECT_STREQ(lex_file, "a.h");
        next_token();
        EXPECT_EQ(lex_line, 20);
        EXPECT_STREQ(lex_file, "a.h");   // a number alone changes only the line
        next_token();
        EXPECT_EQ(lex_line, 3);
        EXPECT_STREQ(lex_file, "t.c");   // an empty name is the main input again
    });
    EXPECT_EQ(r.messages, "");
}

TEST(Lexer, AsmBlockLinesBecomeRecords) {
    auto r = with_input("#asm\n\tmovlw 1\n  clrf x\n  #endasm\nint\n", [] { EXPECT_EQ(next_token(), TK_INT); });
    EXPECT_NE(r.ic.find("[; \tmovlw 1 ;#\n"), std::string::npos) << r.ic;
    EXPECT_NE(r.ic.find("[;   clrf x ;#\n"), std::string::npos) << r.ic;
}

TEST(Lexer, StringLiteralsJoinAcrossLinesWithWarningAtLowLevel) {
    EXPECT_EQ(token_dump("\"ab\" \"c\\x41\"\n\"d\\101\\n\"\n"), strings({"119:abcAdA\n"}));
    auto quiet = with_input("\"a\"\n\"b\"", [] { next_token(); });
    EXPECT_FALSE(has_message(quiet, 336));   // level -2 is below the default threshold
    auto loud = with_input("\"a\"\n\"b\" \"c\"\n\"d\"", [] { next_token(); }, [] { alert_set_level(-2); });
    EXPECT_TRUE(has_message(loud, 336));
    EXPECT_EQ(loud.messages.find("(336)"), loud.messages.rfind("(336)"));   // once per literal
}

TEST(Lexer, CompoundAssignmentsMayHoldBlanks) {
    EXPECT_EQ(token_dump("a & = b"), strings({"116:a@1", "111", "116:b@1"}));
    EXPECT_EQ(token_dump("a <<\t= b >>= c"), strings({"116:a@1", "110", "116:b@1", "109", "116:c@1"}));
    EXPECT_EQ(token_dump("a = = b"), strings({"116:a@1", "101", "101", "116:b@1"}));   // "==" only adjacent
    EXPECT_EQ(token_dump("a - > b ->c"), strings({"116:a@1", "83", "90", "116:b@1", "68", "116:c@1"}));
    EXPECT_EQ(token_dump("... .5 ."), strings({"13", "128:0.5/18", "67"}));
}

TEST(Lexer, IntegerConstantsAreTypedByValueAndSuffix) {
    EXPECT_EQ(token_dump("32767 40000 0xFFFF 0x10000 70000u 65535u 12L 3000000000"),
              strings({"117:32767/8", "117:40000/10", "117:65535/9", "117:65536/10", "117:70000/11",
                       "117:65535/9", "117:12/10", "117:-1294967296/11"}));
    EXPECT_EQ(token_dump("017 0b101 10lu 10ul 5ll"),
              strings({"117:15/8", "117:5/8", "117:10/11", "117:10/11", "117:5/10"}));
    EXPECT_EQ(token_dump("5ll", [] { opt.long_long = true; }), strings({"117:5/12"}));
}

TEST(Lexer, FloatingConstantsKeepTheirTextWithoutSuffix) {
    EXPECT_EQ(token_dump("1.5f 2E3 .25L 3e-2"),
              strings({"128:1.5/16", "128:2e3/18", "128:0.25/18", "128:3e-2/18"}));
}

TEST(Lexer, MalformedNumbersAreReported) {
    auto exponent = with_input("1e+;", [] { next_token(); });
    EXPECT_TRUE(has_message(exponent, 220));
    auto hex = with_input("0x;", [] { next_token(); });
    EXPECT_TRUE(has_message(hex, 221));
    auto binary = with_input("0b;", [] { next_token(); });
    EXPECT_TRUE(has_message(binary, 222));
    auto octal = with_input("09", [] { next_token(); });
    EXPECT_TRUE(has_message(octal, 223));
}

TEST(Lexer, ConstantsWiderThan32BitsAreRefusedNotCut) {
    // The largest value each radix can spell in 32 bits still reads whole.
    EXPECT_EQ(token_dump("4294967295 0xFFFFFFFF 037777777777 0b11111111111111111111111111111111"),
              strings({"117:-1/11", "117:-1/11", "117:-1/11", "117:-1/11"}));
    for (const char* wide : {"4294967296", "0x100000000", "040000000000", "0b100000000000000000000000000000000",
                             "18446744073709551615ULL", "0x00000000123456789"}) {
        strings tokens;
        auto r = with_input(std::string(wide) + " ;", [&] {
            for (int c; (c = next_token()) != TK_EOF;) tokens.push_back(std::to_string(c));
        });
        EXPECT_EQ(tokens, strings({"117", "2"})) << wide;   // one constant; the suffix goes with it
        EXPECT_NE(r.messages.find("(235)"), std::string::npos) << wide;
        EXPECT_EQ(r.messages.find("(235)"), r.messages.rfind("(235)")) << wide;
    }
    // Leading zeros are no value.
    EXPECT_EQ(token_dump("0x0000000012345678"), strings({"117:305419896/10"}));
}

TEST(Lexer, RadixLetterAfterNonZeroDigitsIsRejected) {
    // Read naively, "12x3" would drop the 12 and yield 3.
    strings tokens;
    auto r = with_input("12x3 ; 5b1 ;", [&] {
        for (int c; (c = next_token()) != TK_EOF;) tokens.push_back(std::to_string(c));
    });
    EXPECT_EQ(tokens, strings({"117", "2", "117", "2"}));
    EXPECT_EQ(r.messages.find("(223)") != std::string::npos, true);
    EXPECT_NE(r.messages.find("(223)"), r.messages.rfind("(223)"));
}

TEST(Lexer, RawBytesAboveSevenBits) {
    // A raw 0xFF byte is a character like any other, never the end of input.
    EXPECT_EQ(token_dump("\"\\0\xff\x80\" x"), (strings{std::string("119:\0\xff\x80", 7), "116:x@1"}));
    EXPECT_EQ(token_dump("'\xff'"), strings({"117:-1/8"}));
    EXPECT_EQ(token_dump("'\xff'", [] { opt.unsigned_char = true; }), strings({"117:255/9"}));
}

TEST(Lexer, CharacterConstants) {
    EXPECT_EQ(token_dump("'\\377' 'a' '\\n' '\\x41'"), strings({"117:-1/8", "117:97/8", "117:10/8", "117:65/8"}));
    EXPECT_EQ(token_dump("'\\377'", [] { opt.unsigned_char = true; }), strings({"117:255/9"}));
    auto empty = with_input("'' x", [] { next_token(); });
    EXPECT_TRUE(has_message(empty, 225));
    auto longer = with_input("'ab' x", [] {
        next_token();
        EXPECT_EQ(next_token(), TK_IDENT);
    });
    EXPECT_TRUE(has_message(longer, 226));
}

// Wide constants are refused once each and read as narrow ones, so nothing else is reported;
// an L apart from its quote, or ending a longer name, is an identifier.
TEST(Lexer, WideConstantsAreRefusedInOneMessage) {
    strings tokens;
    auto r = with_input("L'a' L\"ab\" L 'b' xL\"c\" Lx", [&] {
        for (int c; (c = next_token()) != TK_EOF;)
            tokens.push_back(c == TK_IDENT ? tok.name : c == TK_ICONST ? std::to_string(tok.value) : std::to_string(c));
    });
    EXPECT_EQ(tokens, strings({"97", "119", "L", "98", "xL", "119", "Lx"}));
    size_t first = r.messages.find("(250) wide character constants and strings are not supported");
    ASSERT_NE(first, std::string::npos) << r.messages;
    size_t second = r.messages.find("(250)", first + 1);
    EXPECT_NE(second, std::string::npos) << r.messages;
    EXPECT_EQ(r.messages.find("(250)", second + 1), std::string::npos) << r.messages;
    EXPECT_EQ(r.messages.find("(192)"), std::string::npos) << r.messages;
}

TEST(Lexer, IllegalCharactersAndDollar) {
    // '$' is no identifier character here.
    auto r = with_input("a$b", [] {
        EXPECT_EQ(next_token(), TK_IDENT);
        EXPECT_EQ(tok.name, "a");
        EXPECT_EQ(next_token(), TK_IDENT);
        EXPECT_EQ(tok.name, "b");
    });
    EXPECT_NE(r.messages.find("(228) illegal character (044)"), std::string::npos) << r.messages;
    auto dots = with_input("..;", [] { EXPECT_EQ(next_token(), TK_ELLIPSIS); });
    EXPECT_TRUE(has_message(dots, 227));
}

TEST(Lexer, KeywordsIdentifiersAndQualifiers) {
    EXPECT_EQ(token_dump("Int int bit const far"), strings({"116:Int@1", "36", "116:bit@1", "16:1", "16:4"}));
    EXPECT_EQ(token_dump("bit", [] { opt.bit_keyword = true; }), strings({"51"}));
    std::string name(40, 'a');
    EXPECT_EQ(token_dump(name), strings({"116:" + std::string(31, 'a') + "@1"}));
}

TEST(Lexer, PragmaOperatorAndLastLineWithoutNewline) {
    auto r = with_input("_Pragma(\"jis\") x", [] {
        jis_flag = false;
        EXPECT_EQ(next_token(), TK_IDENT);
        EXPECT_TRUE(jis_flag);
    });
    EXPECT_TRUE(has_message(r, 337));
    auto bad = with_input("_Pragma x", [] { next_token(); });
    EXPECT_TRUE(has_message(bad, 317));
    auto directive = with_input("#line 4\nx\n", [] { next_token(); });
    EXPECT_TRUE(has_message(directive, 224));
}

TEST(Lexer, SizeListSetsTypeSizesAndBounds) {
    auto r = with_input("40000", [] {
        EXPECT_TRUE(set_sizes("1,2,4,4,2,4,4"));
        EXPECT_EQ(type_size(8), 4);
        EXPECT_EQ(type_size(18), 4);
        EXPECT_EQ(type_size(31), 2);
        next_token();
        EXPECT_EQ(tok.type_code, 8);   // fits a 4-byte int
        EXPECT_TRUE(set_sizes("1,2,2,4,2,4,8,p3"));
        EXPECT_EQ(type_size(31), 3);
        EXPECT_FALSE(set_sizes("1,2,0,4,2,4,8"));
        EXPECT_FALSE(set_sizes("1,2"));
        set_sizes("1,2,2,4,2,4,8");
        EXPECT_EQ(type_size(2), 0);
    });
    EXPECT_TRUE(has_message(r, 210));
    EXPECT_TRUE(has_message(r, 211));
}
