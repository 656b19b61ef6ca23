// Pragma records and settings.
#include <gtest/gtest.h>

#include "parser/lexer.h"
#include "parser/symbols.h"
#include "parser/tests/harness.h"

namespace {
parse_result pragma(const std::string& text) { return parse_c("#pragma " + text + "\n"); }
bool has_record(const parse_result& r, const std::string& record) {
    return r.ic.find("[p " + record + " ]\n") != std::string::npos;
}
}  // namespace

TEST(Pragmas, NumberRecords) {
    EXPECT_TRUE(has_record(pragma("pack 2"), "p 2"));
    EXPECT_TRUE(has_message(pragma("pack"), 212));
    EXPECT_TRUE(has_message(pragma("pack x"), 212));
    EXPECT_TRUE(has_record(pragma("return_offset 3"), "r 3"));
    EXPECT_TRUE(has_message(pragma("return_offset"), 213));
    auto levels = pragma("interrupt_level 0 1");
    EXPECT_TRUE(has_record(levels, "l 0"));
    EXPECT_TRUE(has_record(levels, "l 1"));
    EXPECT_TRUE(has_message(pragma("interrupt_level 9"), 332));
    EXPECT_TRUE(has_message(pragma("interrupt_level"), 214));
}

TEST(Pragmas, WordRecords) {
    EXPECT_TRUE(has_record(pragma("regsused w fsr btemp"), "u w fsr,btemp,"));
    EXPECT_TRUE(has_record(pragma("regsused w"), "u w "));
    EXPECT_TRUE(has_record(pragma("regsused"), "u ,"));
    EXPECT_TRUE(has_record(pragma("varregs a b"), "v a,b"));
    EXPECT_TRUE(has_record(pragma("varregs"), "v ,"));
    EXPECT_TRUE(has_record(pragma("switch direct"), "w direct"));
    EXPECT_TRUE(has_message(pragma("switch"), 215));
    EXPECT_TRUE(has_record(pragma("psect text=mytext"), "s text=mytext"));
    EXPECT_TRUE(has_message(pragma("psect"), 216));
    EXPECT_TRUE(has_record(pragma("stack_size s=10"), "b s=10"));
    EXPECT_TRUE(has_message(pragma("stack_size"), 217));
    EXPECT_TRUE(has_record(pragma("callname f g h"), "c _f g h"));
    EXPECT_EQ(pragma("callname").ic.find("[p"), std::string::npos);
}

TEST(Pragmas, InlineMarksTheFunctionRecord) {
    auto r = parse_c("#pragma inline f\nstatic int f(void);\n");
    EXPECT_NE(r.ic.find("[v _f `(i 0 sf ]\n[p i _f ]\n"), std::string::npos) << r.ic;
    EXPECT_TRUE(has_message(pragma("inline"), 218));
    EXPECT_TRUE(has_message(pragma("printf_check"), 219));
    EXPECT_TRUE(has_message(pragma("printf_check myprintf nosuch"), 334));
}

TEST(Pragmas, WarningForms) {
    auto r = pragma("warning push\n#pragma warning disable 350 361\n#pragma WARNING enable\n"
                    "#pragma warning error 361\n#pragma warning warning 1 2\n#pragma warning pop\n"
                    "#pragma warning disable\n#pragma warning error");
    EXPECT_TRUE(has_record(r, "u"));
    EXPECT_TRUE(has_record(r, "n 350 361"));
    EXPECT_TRUE(has_record(r, "y"));
    EXPECT_TRUE(has_record(r, "e 361"));
    EXPECT_TRUE(has_record(r, "w 1 2"));
    EXPECT_TRUE(has_record(r, "o"));
    EXPECT_TRUE(has_record(r, "n"));
    EXPECT_EQ(r.ic.find("[p e ]"), std::string::npos);   // no numbers: nothing
    EXPECT_TRUE(has_message(pragma("warning sideways"), 335));
}

TEST(Pragmas, WarningDisableSilencesThatNumber) {
    auto shown = parse_c("int f() { return 1; }\n");
    EXPECT_TRUE(has_message(shown, 349));
    auto hidden = parse_c("#pragma warning disable 349\nint f() { return 1; }\n");
    EXPECT_FALSE(has_message(hidden, 349));
}

TEST(Pragmas, StringsAndSwitchesAndUnknown) {
    auto r = with_input("#pragma strings const far\n#pragma jis\n#pragma noregarg\nx", [] {
        next_token();
        EXPECT_EQ(string_classes, 1);
        EXPECT_TRUE(jis_flag);
        EXPECT_FALSE(regarg_flag);
    });
    EXPECT_NE(r.messages.find("(335) unknown pragma \"far\""), std::string::npos) << r.messages;
    auto bad = with_input("#pragma strings nosuch\n#pragma strings\nx", [] {
        next_token();
        EXPECT_EQ(string_classes, 0);
    });
    EXPECT_TRUE(has_message(bad, 333));
    EXPECT_TRUE(has_message(pragma("frobnicate"), 335));
}
