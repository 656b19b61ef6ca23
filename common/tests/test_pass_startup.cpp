// Pass start-up: argument sources, the prefix options and their per-program differences, and
// the output that replaces its target only when committed.
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/alert.h"
#include "common/pass_startup.h"
#include "common/replace_file.h"
#include "common/tests/test_util.h"
#include "testsupport/testsupport.h"

namespace {

using args = std::vector<std::string>;

args arguments_of(std::vector<std::string> argv, const pass_startup& how)
{
    std::vector<char*> v;
    for (std::string& a : argv)
        v.push_back(a.data());
    v.push_back(nullptr);
    return pass_arguments(static_cast<int>(argv.size()), v.data(), how);
}

// Whether a warning numbered `number` is shown, with the state the options left.
bool shown(int number)
{
    testutil::captured_output out;
    alert_message(number);
    return !out.lines().empty();
}

class PassStartup : public ::testing::Test {
protected:
    void SetUp() override
    {
        testutil::load_test_messages();
        alert_msg_state(0, 5);   // push the message states; TearDown pops them
    }
    void TearDown() override
    {
        alert_msg_state(0, 6);
        alert_set_level(0);
        alert_set_warn_fails(0);
        alert_set_max_errors(20);
    }
    pass_settings got;
};

TEST_F(PassStartup, ArgumentsFromCommandLineOrCommandFile)
{
    pass_startup how{.name = "t"};
    EXPECT_EQ(arguments_of({"prog", "-a", "x"}, how), (args{"-a", "x"}));
    // "@file" is a command file only when it stands alone.
    EXPECT_EQ(arguments_of({"prog", "@f", "x"}, how), (args{"@f", "x"}));

    auto dir = testsupport::scratch_folder("pass_startup");
    testsupport::write_file(dir / "cmd", "-b 'two words'\n  y\n");
    EXPECT_EQ(arguments_of({"prog", "@" + (dir / "cmd").string()}, how), (args{"-b", "two words", "y"}));
    how.command_file = false;
    EXPECT_EQ(arguments_of({"prog", "@" + (dir / "cmd").string()}, how),
              args{"@" + (dir / "cmd").string()});
}

TEST_F(PassStartup, NoArgumentsReadStandardInputUnlessTheProgramSaysNot)
{
    auto dir = testsupport::scratch_folder("pass_startup_stdin");
    testsupport::write_file(dir / "in", "-c z\n");
    ASSERT_NE(std::freopen((dir / "in").c_str(), "r", stdin), nullptr);
    pass_startup how{.name = "t", .arguments_from_input = false};
    EXPECT_EQ(arguments_of({"prog"}, how), args{});
    how.arguments_from_input = true;
    EXPECT_EQ(arguments_of({"prog"}, how), (args{"-c", "z"}));
}

TEST_F(PassStartup, CommonLongOptionsAnyCaseAndOthersLeftAlone)
{
    pass_startup how{.name = "t"};
    EXPECT_TRUE(pass_prefix_option("--EMAX=7", how, got));
    EXPECT_EQ(got.error_limit, 7);
    EXPECT_TRUE(pass_prefix_option("--msgdisable=107", how, got));
    EXPECT_FALSE(shown(107));
    EXPECT_FALSE(pass_prefix_option("--other=1", how, got));
    EXPECT_FALSE(pass_prefix_option("-W3", how, got));   // the program's own -W
    EXPECT_FALSE(pass_prefix_option("-E1", how, got));
    EXPECT_FALSE(pass_prefix_option("file.c", how, got));
    EXPECT_EQ(got.message_style, -1);
}

TEST_F(PassStartup, DislListOrNonZeroNumbers)
{
    // Message 107 is a warning of the test file: "0" disables every warning for the list parser.
    pass_startup list{.name = "t"};
    EXPECT_TRUE(pass_prefix_option("--disl=0", list, got));
    EXPECT_FALSE(shown(107));
    alert_msg_state(0, 8);

    pass_startup numbers{.name = "t", .disl_nonzero_numbers = true};
    EXPECT_TRUE(pass_prefix_option("--disl=0", numbers, got));
    EXPECT_TRUE(shown(107));
    EXPECT_TRUE(pass_prefix_option("--disl=5,107", numbers, got));
    EXPECT_FALSE(shown(107));

    pass_startup none{.name = "t", .disl = false};
    EXPECT_FALSE(pass_prefix_option("--disl=107", none, got));
    EXPECT_TRUE(pass_prefix_option("--msgdisable=107", none, got));
}

TEST_F(PassStartup, MessageStyleByProgram)
{
    pass_startup digit{.name = "t", .message_style = message_style_option::digit};
    EXPECT_TRUE(pass_prefix_option("-E1", digit, got));
    EXPECT_EQ(got.message_style, 1);
    EXPECT_FALSE(pass_prefix_option("-E", digit, got));
    EXPECT_FALSE(pass_prefix_option("-E12", digit, got));

    pass_startup any{.name = "t", .message_style = message_style_option::any};
    got = {};
    EXPECT_TRUE(pass_prefix_option("-Exyz", any, got));
    EXPECT_EQ(got.message_style, 1);

    pass_startup quiet{.name = "t", .message_style = message_style_option::digit_or_file};
    got = {};
    EXPECT_TRUE(pass_prefix_option("-e0", quiet, got));
    EXPECT_EQ(got.message_style, 0);
    got = {};
    EXPECT_TRUE(pass_prefix_option("-E", quiet, got));
    EXPECT_EQ(got.message_style, -1);

    pass_startup bare{.name = "t", .message_style = message_style_option::digit_or_file, .bare_style = 1};
    EXPECT_TRUE(pass_prefix_option("-E", bare, got));
    EXPECT_EQ(got.message_style, 1);
}

TEST_F(PassStartup, MessagesAppendedToTheFileOfE)
{
    auto dir = testsupport::scratch_folder("pass_startup_e");
    std::string log = (dir / "msgs.txt").string();
    testsupport::write_file(log, "before\n");
    pass_startup how{.name = "t", .message_style = message_style_option::digit_or_file, .file_style = 1};
    // Standard error comes back afterwards through a duplicate of its descriptor.
    std::fflush(stderr);
    int saved = dup(2);
    ASSERT_TRUE(pass_prefix_option("-E" + log, how, got));
    std::fputs("after\n", stderr);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    EXPECT_EQ(got.message_style, 1);
    EXPECT_EQ(testsupport::read_file(log), "before\nafter\n");
}

TEST_F(PassStartup, WarningLevelWhenTheProgramAsks)
{
    pass_startup how{.name = "t", .warning_level = true};
    EXPECT_TRUE(pass_prefix_option("-W9", how, got));
    EXPECT_FALSE(shown(107));   // a level-5 warning under level 9
    EXPECT_TRUE(pass_prefix_option("-w-1!", how, got));
    EXPECT_TRUE(shown(107));
    EXPECT_TRUE(alert_failed());
}

TEST_F(PassStartup, AnUnopenableMessageFileKeepsStandardError)
{
    const std::string absent = "-E" + (testsupport::scratch_folder("pass_startup_absent") / "no" / "m.txt").string();
    pass_startup quiet{.name = "t", .message_style = message_style_option::digit_or_file, .file_style = 1};
    EXPECT_EXIT(
        {
            if (!pass_prefix_option(absent, quiet, got) || got.message_style != -1)
                std::exit(2);
            std::fputs("still here\n", stderr);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "still here");

    // The converter's way: "-e" alone is its own option and a file it cannot open is fatal.
    pass_startup conv{.name = "t", .message_style = message_style_option::digit_or_file, .bare_e_own = true,
                      .file_style = 1, .message_file_fatal = true};
    EXPECT_FALSE(pass_prefix_option("-e", conv, got));
    EXPECT_TRUE(pass_prefix_option("-e0", conv, got));
    EXPECT_EQ(got.message_style, 0);
    EXPECT_EXIT(
        {
            testsupport::load_messages();
            pass_prefix_option(absent, conv, got);
            std::exit(0);
        },
        testing::ExitedWithCode(1), "\\(141\\) can't open error file");
}

TEST_F(PassStartup, CheckedWarningLevel)
{
    pass_startup how{.name = "t", .warning_level = true, .warning_level_checked = true};
    EXPECT_TRUE(pass_prefix_option("-W-9", how, got));
    EXPECT_EQ(got.warning_level, -9);
    // Below -9: a warning, and the level stays where it was.
    EXPECT_EXIT(
        {
            testsupport::load_messages();
            pass_prefix_option("-W-5", how, got);
            pass_prefix_option("-w-10", how, got);
            std::exit(got.warning_level == -5 && alert_set_level(0) == -5 ? 3 : 2);
        },
        testing::ExitedWithCode(3), "\\(523\\)");
    EXPECT_EXIT(
        {
            testsupport::load_messages();
            pass_prefix_option("-W!", how, got);
            std::exit(0);
        },
        testing::ExitedWithCode(1), "\\(393\\)");
    // Unchecked, anything after "-W" is a number.
    pass_startup plain{.name = "t", .warning_level = true};
    got = {};
    EXPECT_TRUE(pass_prefix_option("-Wx", plain, got));
    EXPECT_EQ(got.warning_level, 0);
}

TEST(ReplacingFile, TargetChangesOnlyOnCommit)
{
    auto dir = testsupport::scratch_folder("replace_file");
    const std::string target = (dir / "out.hex").string();
    testsupport::write_file(target, "old");
    {
        replacing_file file;
        ASSERT_TRUE(file.create(target, false));
        std::fputs("new", file.stream());
        EXPECT_EQ(testsupport::read_file(target), "old");
    }   // dropped without commit
    EXPECT_EQ(testsupport::read_file(target), "old");
    replacing_file file;
    ASSERT_TRUE(file.create(target, false));
    EXPECT_EQ(std::filesystem::path(file.temp_name()).parent_path(), dir);   // beside its target
    std::fputs("new", file.stream());
    EXPECT_EQ(file.commit(), 1);
    EXPECT_EQ(testsupport::read_file(target), "new");
    size_t files = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(dir))
        files++;
    EXPECT_EQ(files, 1u);
}

}  // namespace
