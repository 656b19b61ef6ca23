// Line splitting and expression parsing of the psect dialect.
#include <gtest/gtest.h>

#include "asmtools/ormasm/assembler.h"
#include "asmtools/ormasm/expr.h"
#include "asmtools/ormasm/source.h"

using namespace asmx;

namespace {

source_line split(const std::string& text) { return split_line(text, 1, &assembler::is_operation); }

struct constants : symbol_resolver {
    symbol_meaning resolve(const std::string& name) override {
        symbol_meaning m;
        if (name == "ten") {
            m.kind = symbol_meaning::constant;
            m.value = 10;
        } else if (name == "ext") {
            m.kind = symbol_meaning::external;
        }
        return m;
    }
    std::string psect_name(int) override { return "p"; }
};

int64_t value_of(const std::string& text) {
    expr_ptr e;
    std::string why;
    EXPECT_TRUE(parse_expression(text, e, why)) << text << ": " << why;
    constants c;
    eval_result r = evaluate(e, c);
    EXPECT_TRUE(r.value.absolute()) << text;
    return r.value.constant;
}

}  // namespace

TEST(Lines, LabelsMnemonicsAndDirectivesInEveryColumn) {
    struct {
        const char* text;
        const char* label;
        const char* operation;
        const char* operands;
    } cases[] = {
        {"\tmovlw\t5\t;comment", "", "movlw", "5"},
        {"movlw\t%d", "", "movlw", "%d"},                       // mnemonic in column 1
        {"global\tcopy_data,code_ptr", "", "global", "copy_data,code_ptr"},
        {"PSECT\ttemp,ovrld", "", "PSECT", "temp,ovrld"},       // directives in any case
        {"clrloop", "clrloop", "", ""},                         // label alone, no colon
        {"\tcopy_bank0", "copy_bank0", "", ""},                 // label indented by a tab
        {"reset_vec:", "reset_vec", "", ""},
        {"start:\tgoto\tstart", "start", "goto", "start"},
        {"count\tds\t1", "count", "ds", "1"},
        {"\tC\tset\t0", "C", "set", "0"},                       // name before equ/set, indented
        {"f13\tequ\t?a_main+2", "f13", "equ", "?a_main+2"},
        {"_f$c\tset\t?_f+0", "_f$c", "set", "?_f+0"},
        {"\tretlw\t';'", "", "retlw", "';'"},                   // ';' inside a character
        {"\tmovwf pc", "", "movwf", "pc"},
        {"   ", "", "", ""},
        {"; only a comment", "", "", ""},
    };
    for (const auto& c : cases) {
        source_line l = split(c.text);
        EXPECT_EQ(l.label, c.label) << c.text;
        EXPECT_EQ(l.operation, c.operation) << c.text;
        EXPECT_EQ(l.operands, c.operands) << c.text;
        EXPECT_EQ(l.fault, "") << c.text;
    }
    EXPECT_EQ(split("1abc:\tnop").fault, "1abc");
    EXPECT_EQ(split_operands("a, (b,c) ,'','d'"), (std::vector<std::string>{"a", "(b,c)", "''", "'d'"}));
    EXPECT_EQ(split_lines("a\r\nb\n\nc"), (std::vector<std::string>{"a", "b", "", "c"}));
}

TEST(Numbers, RadixSuffixesAndCharacters) {
    EXPECT_EQ(value_of("10"), 10);
    EXPECT_EQ(value_of("0x1F"), 0x1F);
    EXPECT_EQ(value_of("0Ah"), 10);
    EXPECT_EQ(value_of("0FFH"), 255);
    EXPECT_EQ(value_of("80h"), 128);
    EXPECT_EQ(value_of("'A'"), 65);
    EXPECT_EQ(value_of("'\\n'"), 10);
    int64_t v;
    EXPECT_FALSE(parse_number("0x", v));
    EXPECT_FALSE(parse_number("12ab", v));
    EXPECT_FALSE(parse_number("FFh", v));                      // a name, not a number
    EXPECT_FALSE(parse_number("0x100000000", v));
}

TEST(Expressions, FloatingLiteralsAreBitPatterns) {
    EXPECT_EQ(value_of("1.5"), 0x3FC000);                      // the 24-bit format unless float32
    EXPECT_EQ(value_of("float32 1.5"), 0x3FC00000);
    EXPECT_EQ(value_of("-1.5e+00"), 0xBFC000);                 // the sign belongs to the literal
    EXPECT_EQ(value_of("float32 -2e0 >> 24"), 0xC0);
    EXPECT_EQ(value_of("(1.0 >> 8) & 255"), 0x80);
    EXPECT_EQ(value_of("2 - 1.0"), 2 - 0x3F8000);              // a binary minus stays one
    EXPECT_EQ(value_of("-(1.0)"), -0x3F8000);                  // the pattern, negated as an integer
    EXPECT_EQ(value_of("1e5h"), 0x1E5);                        // radix forms stay integers
    EXPECT_EQ(value_of("0E0h"), 0xE0);
    expr_ptr e;
    std::string why;
    EXPECT_FALSE(parse_expression("float32 3", e, why));
    EXPECT_FALSE(parse_expression("float32", e, why));
    EXPECT_FALSE(parse_expression("1.5.2", e, why));
    EXPECT_FALSE(parse_expression("1.5x", e, why));
}

TEST(Expressions, PrecedenceAndOperators) {
    EXPECT_EQ(value_of("1+2*3"), 7);
    EXPECT_EQ(value_of("(1+2)*3"), 9);
    EXPECT_EQ(value_of("0x7FF & 0x1234 | 0x1800 & not 0x7FF"), 0x1A34);
    EXPECT_EQ(value_of("1<<4+1"), 32);                         // + binds tighter than <<
    EXPECT_EQ(value_of("6^3&1"), 7);                           // & before ^
    EXPECT_EQ(value_of("-((3)^80h)"), -131);
    EXPECT_EQ(value_of("low(0x1234)+1"), 0x35);
    EXPECT_EQ(value_of("high 0x1234"), 0x12);
    EXPECT_EQ(value_of("low highword(0x12345678)"), 0x34);
    EXPECT_EQ(value_of("HIGH HIGHWORD(0x12345678)"), 0x12);
    EXPECT_EQ(value_of("ten%3 + ten/3"), 4);
    EXPECT_EQ(value_of("~0 & 0xFF"), 0xFF);
    expr_ptr e;
    std::string why;
    EXPECT_FALSE(parse_expression("1+", e, why));
    EXPECT_FALSE(parse_expression("(1", e, why));
    EXPECT_FALSE(parse_expression("1 2", e, why));
    EXPECT_FALSE(parse_expression(std::string(1000, '(') + "1" + std::string(1000, ')'), e, why));
}

TEST(Expressions, RelocatableForms) {
    constants c;
    expr_ptr e;
    std::string why;
    ASSERT_TRUE(parse_expression("ext+ten-3", e, why));
    eval_result r = evaluate(e, c);
    EXPECT_TRUE(r.value.simple());
    EXPECT_EQ(r.value.constant, 7);
    ASSERT_TRUE(parse_expression("ext-ext+1", e, why));          // the symbol cancels out
    EXPECT_TRUE(evaluate(e, c).value.absolute());
    ASSERT_TRUE(parse_expression("ext/8", e, why));
    EXPECT_TRUE(evaluate(e, c).value.complex);
    ASSERT_TRUE(parse_expression("nothing+1", e, why));
    EXPECT_EQ(evaluate(e, c).undefined, std::vector<std::string>{"nothing"});
    // The left operand is pushed last: it is the top of the linker's stack.
    ASSERT_TRUE(parse_expression("ext-3", e, why));
    obj::expr_builder b;
    encode_expression(make_binary(op::shr, e, make_constant(1)), c, b);
    EXPECT_EQ(b.data(), (std::vector<uint8_t>{obj::EX_CONST, 1, 0, 0, 0, obj::EX_CONST, 0xFD, 0xFF, 0xFF,
                                              0xFF, obj::EX_SYM, 'e', 'x', 't', 0, obj::EX_ADD, obj::EX_SHR}));
}

namespace {

TEST(Lines, PreprocessorLineMarkers) {
    int32_t number = 0;
    std::string file;
    EXPECT_TRUE(read_line_marker("# 1 \"pp.as\"", number, file));
    EXPECT_EQ(number, 1);
    EXPECT_EQ(file, "pp.as");
    EXPECT_TRUE(read_line_marker("# 8", number, file));
    EXPECT_EQ(number, 8);
    EXPECT_EQ(file, "pp.as");   // a marker without a name keeps the file
    EXPECT_TRUE(read_line_marker("#12 \"dir/a b.as\"\r", number, file));
    EXPECT_EQ(file, "dir/a b.as");
    // Anything else that starts with '#' is not a marker.
    EXPECT_FALSE(read_line_marker("#", number, file));
    EXPECT_FALSE(read_line_marker("#define X 1", number, file));
    EXPECT_FALSE(read_line_marker("# 3 \"open", number, file));
    EXPECT_FALSE(read_line_marker("# 3 x", number, file));
    EXPECT_FALSE(read_line_marker(" # 3", number, file));
}

}  // namespace
