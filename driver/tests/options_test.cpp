#include "driver/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport/testsupport.h"

namespace {

int32_t output = 0, warn = 0, opt = 0, quiet = 0, runtime = 0, chr = 0;
std::vector<std::string> applied;   // handler calls in order
std::vector<std::string> files;

void record(option_row* row, const char* argument) {
    applied.push_back(std::string(row->name) + "=" + (argument ? argument : "(none)"));
}
void file(const char* name) { files.push_back(name); }

choice_row output_choices[] = {{1, "intel", "Intel Hex", 0}, {0x20, "bin;binary", "Binary", 0}, {0x1000, "mcof", "COFF", 0}, {}};
choice_row warn_choices[] = {{-3, "-3", "Level -3", 0}, {0, "0", "Level 0", 0}, {3, "3", "Level 3", 0}, {}};
choice_row opt_choices[] = {{0x100, "1", "level 1", 0}, {1, "asm", "asm", 0}, {0x40000, "space", "space", 0},
                            {int32_t(0x80000000u), "all", "all", 0}, {}};
choice_row runtime_choices[] = {{1, "init", "init", 0}, {2, "clear", "clear", 0}, {}};
choice_row char_choices[] = {{1, "unsigned", "u", 0}, {2, "signed", "s", 0}, {}};

#define H(name, group, flags) {0, name, group, flags, KIND_HANDLER, record, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0}
option_row table[] = {
    {1, "output", 1000, OPT_ARG_OPTIONAL, KIND_BITS, nullptr, nullptr, nullptr, nullptr, &output, 0, output_choices, 0, nullptr, 0, 0},
    {2, "warn", 2010, OPT_ARG_OPTIONAL, KIND_SINGLE, nullptr, nullptr, nullptr, nullptr, &warn, 0, warn_choices, 0, nullptr, 0, 0},
    {3, "opt", 1000, OPT_ARG_OPTIONAL, KIND_OPT_BITS, nullptr, nullptr, nullptr, nullptr, &opt, 0, opt_choices, 0, nullptr, 0, 0},
    {4, "Q", 9980, 0, KIND_BOOLEAN, nullptr, nullptr, nullptr, nullptr, &quiet, 0, nullptr, 0, nullptr, 0, 0},
    {5, "runtime", 1000, OPT_ARG_OPTIONAL, KIND_BITS, nullptr, nullptr, nullptr, nullptr, &runtime, 0, runtime_choices, 0, nullptr, 0, 0},
    {6, "char", 1000, OPT_ARG_OPTIONAL, KIND_SINGLE, nullptr, nullptr, nullptr, nullptr, &chr, 0, char_choices, 0, nullptr, 0, 0},
    H("chip", 1990, OPT_ARG_REQUIRED),
    H("D", 1000, OPT_ARG_REQUIRED),
    H("U", 1000, OPT_ARG_REQUIRED),
    H("C", 1010, 0),
    H("lang", -2, OPT_ARG_OPTIONAL),
    H("setup", -5, OPT_ARG_REQUIRED),
    H("once", 1000, OPT_NO_REPEAT),
    {30001, "O", 1000, OPT_ARG_OPTIONAL | OPT_OBSOLETE, KIND_HANDLER, record, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0},
    {31000, "bin", 1, OPT_ALIAS, KIND_HANDLER, nullptr, nullptr, nullptr, nullptr, nullptr, 1, nullptr, 0x20, nullptr, 0, 0},
    {31000, "signed", 1, OPT_ALIAS, KIND_HANDLER, nullptr, nullptr, nullptr, nullptr, nullptr, 6, nullptr, 2, nullptr, 0, 0},
    {31000, "nort", 1, OPT_ALIAS, KIND_HANDLER, nullptr, nullptr, nullptr, nullptr, nullptr, 5, nullptr, 0, nullptr, 0, 0},
    {31000, "chipinfo", 1, OPT_ALIAS, KIND_HANDLER, nullptr, nullptr, nullptr, nullptr, nullptr, 99, nullptr, 0, nullptr, 0, 0},
    {0, nullptr, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 0, 0},
};

int parse(std::vector<std::string> args) {
    for (option_row* r = table; r->group; ++r) {
        r->count = 0;
        r->removed_bits = 0;
    }
    applied.clear();
    files.clear();
    std::vector<char*> argv{const_cast<char*>("ormcl")};
    for (std::string& a : args) argv.push_back(a.data());
    return opt_parse(table, int(argv.size()), argv.data(), file, nullptr);
}

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::load_messages();
        output = 0x1000;
        warn = opt = quiet = runtime = chr = 0;
    }
};

TEST_F(Engine, BitSetChoicesAddRemoveReplace) {
    parse({"--output=+bin"});
    EXPECT_EQ(output, 0x1020);
    output = 0x1000;
    parse({"--output=bin"});
    EXPECT_EQ(output, 0x20);
    output = 0x1000;
    parse({"--output=-mcof"});
    EXPECT_EQ(output, 0);
    parse({"--output"});
    EXPECT_EQ(output, -1);
    output = 0x1000;
    parse({"-bin"});   // a choice alias adds, like --output=+bin
    EXPECT_EQ(output, 0x1020);
}

TEST_F(Engine, DashFollowedByDigitIsNoRemoveSign) {
    parse({"--warn=-3"});
    EXPECT_EQ(warn, -3);
}

TEST_F(Engine, ExplicitRemovalSurvivesAll) {
    parse({"--opt=all,-space"});
    EXPECT_EQ(uint32_t(opt), 0x80000000u);   // the driver turns "all" into its full set less these
    EXPECT_EQ(table[2].removed_bits, 0x40000u);
}

TEST_F(Engine, ChoiceAliasOfSingleChoiceOrZeroReplaces) {
    chr = 1;
    parse({"-signed"});
    EXPECT_EQ(chr, 2);
    runtime = 3;
    parse({"-nort"});
    EXPECT_EQ(runtime, 0);
}

TEST_F(Engine, NamesCompareWithoutCase) {
    parse({"-q", "--CHIP=16F877"});
    EXPECT_EQ(quiet, 1);
    EXPECT_EQ(applied, (std::vector<std::string>{"chip=16F877"}));
}

TEST_F(Engine, GroupOrderThenCommandLineOrderWithinAGroup) {
    parse({"-UX", "-DX", "-C", "--chip=a", "-DY"});
    EXPECT_EQ(applied, (std::vector<std::string>{"chip=a", "C=(none)", "U=X", "D=X", "D=Y"}));
    // Negative groups come first: compared as unsigned numbers.
    parse({"--chip=a", "--lang=en"});
    EXPECT_EQ(applied, (std::vector<std::string>{"lang=en", "chip=a"}));
}

TEST_F(Engine, ObsoleteRowsTakeTheirPrefix) {
    parse({"-Ofoo", "-O"});
    EXPECT_EQ(applied, (std::vector<std::string>{"O=foo", "O=(none)"}));
}

TEST_F(Engine, FilesReachTheCallbackInOrder) {
    parse({"b.c", "-C", "a.obj", "-"});
    EXPECT_EQ(files, (std::vector<std::string>{"b.c", "a.obj"}));
}

TEST_F(Engine, ArgumentErrorsAreFatal) {
    EXPECT_EXIT(parse({"-CHIP=16F877"}), ::testing::ExitedWithCode(1), "\\(925\\) extraneous argument to \"-C\"");
    EXPECT_EXIT(parse({"--setup"}), ::testing::ExitedWithCode(1), "\\(924\\) missing argument to \"--setup\"");
    EXPECT_EXIT(parse({"--once", "--once"}), ::testing::ExitedWithCode(1), "\\(926\\) duplicate \"--once\"");
    EXPECT_EXIT(parse({"--output=hex"}), ::testing::ExitedWithCode(1), "\\(923\\) unknown suboption \"hex\"");
    EXPECT_EXIT(parse({"x.c", "@"}), ::testing::ExitedWithCode(1), "\\(931\\) command file not specified");
}

TEST_F(Engine, UnknownOptionIsAnError) {
    testing::internal::CaptureStderr();
    parse({"--frobnicate"});
    EXPECT_NE(testing::internal::GetCapturedStderr().find("(168) unknown option \"--frobnicate\""), std::string::npos);
}

TEST_F(Engine, CommandFileReplacesTheWholeCommandLine) {
    std::string path = testsupport::scratch_file("args.txt", "-DA 'x y.c'\n--chip=Z\n");
    parse({"-DB", "@" + path, "-DC", "@other"});
    EXPECT_EQ(applied, (std::vector<std::string>{"chip=Z", "D=A"}));
    EXPECT_EQ(files, (std::vector<std::string>{"x y.c"}));
}

TEST(ChoiceValues, DefaultMarksFollowTheValue) {
    option_row row = table[0];
    opt_set_value(&row, 0x1020);
    EXPECT_EQ(output_choices[1].default_mark & 1, 1u);
    EXPECT_EQ(output_choices[0].default_mark & 1, 0u);
    output = 0;
    parse({"--output=default"});
    EXPECT_EQ(output, 0x1020);
    opt_set_value(&row, 0x1000);
}

}  // namespace
