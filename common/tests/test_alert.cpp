// Numbered messages: layouts, thresholds, message states, counting and the error limit.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

#include "common/alert.h"
#include "common/msgfile.h"
#include "common/tests/test_util.h"

using testutil::captured_output;
using testutil::scoped_env;

namespace {

class AlertTest : public testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset()
    {
        alert_set_formatted(0);
        alert_set_level(0);
        alert_set_position(nullptr, nullptr, nullptr, nullptr);
        alert_set_plain_layout(nullptr);
        alert_set_hook(nullptr);
        alert_set_warn_fails(0);
        alert_msg_state(0, 8);
        alert_set_formats(nullptr, nullptr, nullptr);
    }
};

TEST_F(AlertTest, PlainLayoutShowsPositionNumberAndWarningMark)
{
    captured_output out;
    int32_t line = 12;
    alert_set_position("main.c", &line, nullptr, nullptr);
    EXPECT_EQ(alert_message(917), 1);
    alert_set_position(nullptr, nullptr, nullptr, nullptr);
    alert_msg_state(917, 2);   // the same number shown as a warning
    EXPECT_EQ(alert_message(917), 1);
    EXPECT_EQ(alert_message(103, 7), 1);
    ASSERT_EQ(out.lines().size(), 3u);
    EXPECT_EQ(out.lines()[0], "main.c: 12: (917) argument too long\n");
    EXPECT_EQ(out.lines()[1], "(917) argument too long (warning)\n");
    EXPECT_EQ(out.lines()[2], "plain message 7\n");
}

TEST_F(AlertTest, PositionFileNameIsKeptAfterTheCallersTextIsGone)
{
    captured_output out;
    alert_set_position(std::string("temporary.c").c_str(), nullptr, nullptr, nullptr);
    alert_message(108);
    EXPECT_EQ(out.text(), "temporary.c: (108) plain error\n");
}

TEST_F(AlertTest, FormattedLayoutPlaceholders)
{
    captured_output out;
    int32_t line = 4;
    const char* start = "int x;";
    const char* pos = start + 4;
    alert_set_formatted(1);
    alert_set_formats("%f|%l|%c|%n|%s|%a|%x|%%|end%", "W %n %s", "M:%s");
    alert_set_position("f.c", &line, &start, &pos);
    alert_message(100, "abc");
    alert_message(101);
    alert_message(103, 5);
    alert_set_position(nullptr, nullptr, nullptr, nullptr);
    alert_message(100, "z");
    ASSERT_EQ(out.lines().size(), 4u);
    EXPECT_EQ(out.lines()[0], "f.c|4|4|100|error text abc|test|x|%|end\n");
    EXPECT_EQ(out.lines()[1], "W 101 warn one\n");   // no " (warning)" in this layout
    EXPECT_EQ(out.lines()[2], "M:plain message 5\n");
    EXPECT_EQ(out.lines()[3], "|||100|error text z|test|x|%|end\n");
}

TEST_F(AlertTest, DefaultFormatsAndEnvironmentOverride)
{
    captured_output out;
    alert_set_formatted(1);
    alert_message(100, "a");
    alert_message(101);
    {
        scoped_env env("BXC_ERR_FORMAT", "ENV %n");
        alert_set_formats("PROG %n", nullptr, nullptr);
        alert_message(100, "b");
    }
    alert_set_formats("PROG %n", nullptr, nullptr);
    alert_message(100, "c");
    ASSERT_EQ(out.lines().size(), 4u);
    EXPECT_EQ(out.lines()[0], "(100) error text a (error)\n");
    EXPECT_EQ(out.lines()[1], "(101) warn one (warning)\n");
    EXPECT_EQ(out.lines()[2], "ENV 100\n");
    EXPECT_EQ(out.lines()[3], "PROG 100\n");
}

TEST_F(AlertTest, WarningThreshold)
{
    captured_output out;
    alert_set_level(-1);
    EXPECT_EQ(alert_message(102), 1);
    alert_set_level(0);
    EXPECT_EQ(alert_message(102), 0);
    EXPECT_EQ(alert_message(101), 1);
    alert_set_level(6);
    EXPECT_EQ(alert_message(107), 0);
    EXPECT_EQ(alert_message(108), 1);   // errors pass every threshold
    EXPECT_EQ(out.lines().size(), 3u);
}

TEST_F(AlertTest, DisablingWarningsAndLists)
{
    captured_output out;
    alert_disable("0");
    EXPECT_EQ(alert_message(101), 0);
    EXPECT_EQ(alert_message(107), 0);
    EXPECT_EQ(alert_message(108), 1);
    alert_msg_state(0, 8);
    alert_disable("101,103");
    EXPECT_EQ(alert_message(101), 0);
    EXPECT_EQ(alert_message(103, 1), 0);
    EXPECT_EQ(alert_message(107), 1);
    alert_disable("108");   // errors stay visible when disabled
    EXPECT_EQ(alert_message(108), 1);
    alert_disable(nullptr);
    alert_disable("");
    // Numbers outside the message range are ignored rather than growing the state table.
    alert_disable("2000000000,-5,99999");
    alert_msg_state(1999999999, 1);
    EXPECT_EQ(alert_message(107), 1);
}

TEST_F(AlertTest, StatePushPopAndReclassification)
{
    captured_output out;
    uint32_t warnings = alert_warning_count();
    uint32_t errors = alert_error_count();
    alert_msg_state(107, 1);
    alert_msg_state(0, 5);
    alert_msg_state(107, 0);
    EXPECT_EQ(alert_message(107), 1);
    alert_msg_state(0, 6);
    EXPECT_EQ(alert_message(107), 0);   // the earlier state is back
    alert_msg_state(0, 6);             // popping the last table does nothing
    alert_msg_state(0, 6);
    EXPECT_EQ(alert_message(107), 0);

    alert_msg_state(108, 2);   // error shown as a warning, even above the threshold
    alert_set_level(9);
    out.clear();
    EXPECT_EQ(alert_message(108), 1);
    EXPECT_EQ(out.text(), "(108) plain error (warning)\n");
    EXPECT_EQ(alert_error_count(), errors);
    EXPECT_EQ(alert_warning_count(), warnings + 2);
    alert_set_level(0);

    alert_msg_state(101, 3);   // warning shown as an error
    out.clear();
    alert_message(101);
    EXPECT_EQ(out.text(), "(101) warn one\n");
    EXPECT_EQ(alert_error_count(), errors + 1);

    alert_msg_state(100, 4);
    alert_msg_state(103, 4);
    EXPECT_EQ(alert_message(100, "x"), 0);
    EXPECT_EQ(alert_message(103, 1), 0);
}

TEST_F(AlertTest, FailedCountsWarningsOnlyWhenWarnFails)
{
    // A fresh process, so that no error has been counted yet.
    EXPECT_EXIT(
        {
            alert_msg_state(108, 2);
            alert_message(108);
            if (alert_failed())
                std::exit(3);
            alert_set_warn_fails(1);
            std::exit(alert_failed() ? 4 : 5);
        },
        testing::ExitedWithCode(4), "");
}

TEST_F(AlertTest, SystemErrorTextPerCall)
{
    captured_output out;
    errno = ENOENT;
    alert_message(105);
    errno = 0;
    alert_message(105);
    ASSERT_EQ(out.lines().size(), 2u);
    EXPECT_EQ(out.lines()[0], std::string("(105) system says: ") + std::strerror(ENOENT) + "\n");
    EXPECT_EQ(out.lines()[1], "(105) system says: \n");
    alert_set_formatted(1);
    alert_set_formats("%m|%s", nullptr, nullptr);
    out.clear();
    errno = 0;
    alert_message(100, "q");
    EXPECT_EQ(out.text(), std::string(std::strerror(0)) + "|error text q\n");
}

TEST_F(AlertTest, MismatchedConversionsNeverMisreadArguments)
{
    captured_output out;
    alert_message(106, "text", 42);
    alert_message(106, 42, "text");
    alert_message(106);
    alert_message(100, std::string("from a string"));
    ASSERT_EQ(out.lines().size(), 4u);
    EXPECT_EQ(out.lines()[0], "(106) mismatch text and 42\n");
    EXPECT_EQ(out.lines()[1], "(106) mismatch <?> and <?>\n");
    EXPECT_EQ(out.lines()[2], "(106) mismatch <?> and <?>\n");
    EXPECT_EQ(out.lines()[3], "(100) error text from a string\n");
}

TEST_F(AlertTest, UnknownNumberIsAnErrorWithoutDescription)
{
    captured_output out;
    uint32_t errors = alert_error_count();
    EXPECT_EQ(alert_message(4321), 1);
    EXPECT_EQ(out.text(), "(4321) An error, warning or message was generated, but no description is available\n");
    EXPECT_EQ(alert_error_count(), errors + 1);
}

TEST_F(AlertTest, CallerKindMessages)
{
    captured_output out;
    uint32_t errors = alert_error_count();
    uint32_t warnings = alert_warning_count();
    EXPECT_EQ(alert_report(7, "e", "bad %s", "thing"), 1);
    EXPECT_EQ(alert_kind_message("M", "note %d", 3), 1);
    EXPECT_EQ(alert_kind_message("-2", "low"), 0);   // below the threshold
    EXPECT_EQ(alert_kind_message("2", "two"), 1);
    EXPECT_EQ(alert_kind_message("?", "other"), 1);
    alert_set_level(11);
    EXPECT_EQ(alert_kind_message("E", "hidden but counted"), 0);
    ASSERT_EQ(out.lines().size(), 4u);
    EXPECT_EQ(out.lines()[0], "(7) bad thing\n");
    EXPECT_EQ(out.lines()[1], "note 3\n");
    EXPECT_EQ(out.lines()[2], "(0) two (warning)\n");
    EXPECT_EQ(out.lines()[3], "(0) other (warning)\n");
    EXPECT_EQ(alert_error_count(), errors + 2);
    EXPECT_EQ(alert_warning_count(), warnings);   // not counted here
}

TEST_F(AlertTest, ContinuationAndPlainLines)
{
    captured_output out;
    EXPECT_EQ(alert_continue(0, "ab%s", "c"), 3);
    EXPECT_EQ(alert_continue(0, " %d", 12), 3);
    EXPECT_EQ(alert_continue(1, "!"), 0);
    alert_print("plain %s", "line");
    std::string big(5000, 'x');
    alert_print("%s", big.c_str());   // never cut
    ASSERT_EQ(out.lines().size(), 3u);
    EXPECT_EQ(out.lines()[0], "\tabc 12!\n");
    EXPECT_EQ(out.lines()[1], "plain line\n");
    EXPECT_EQ(out.lines()[2], big + "\n");
}

bool echo_layout(const char* text, bool is_warning)
{
    alert_line_clear();
    alert_line_append("[%s]%s", text, is_warning ? " W" : "");
    alert_flush();
    return true;
}

int hook_calls = 0;
void count_hook() { hook_calls++; }

TEST_F(AlertTest, PlainLayoutOverrideAndPrePrintHook)
{
    captured_output out;
    alert_set_plain_layout(echo_layout);
    alert_set_hook(count_hook);
    alert_message(100, "e");
    alert_message(101);
    alert_message(103, 2);     // plain messages keep the built-in layout
    EXPECT_EQ(alert_message(102), 0);   // hidden: no hook
    ASSERT_EQ(out.lines().size(), 3u);
    EXPECT_EQ(out.lines()[0], "[(100) error text e]\n");
    EXPECT_EQ(out.lines()[1], "[(101) warn one] W\n");
    EXPECT_EQ(out.lines()[2], "plain message 2\n");
    EXPECT_EQ(hook_calls, 3);
}

TEST(AlertLimit, NumberedErrorsShowTheOneOverTheLimit)
{
    EXPECT_EXIT(
        {
            alert_set_max_errors(20);
            for (int i = 0; i < 25; i++)
                alert_message(100, std::to_string(i));
        },
        testing::ExitedWithCode(1), "error text 20\n(too many errors \\(21\\)\n)$");
}

TEST(AlertLimit, CallerKindErrorsStopBeforeShowingIt)
{
    EXPECT_EXIT(
        {
            alert_set_max_errors(20);
            for (int i = 0; i < 25; i++)
                alert_kind_message("E", "kind error %d", i);
        },
        testing::ExitedWithCode(1), "kind error 19\ntoo many errors \\(21\\)\n$");
}

TEST(AlertLimit, FatalEndsWithStatusOne)
{
    EXPECT_EXIT(
        {
            alert_msg_state(104, 4);   // no state hides a fatal message
            alert_message(104, "stop");
        },
        testing::ExitedWithCode(1), "\\(104\\) fatal stop\n$");
}

}  // namespace
