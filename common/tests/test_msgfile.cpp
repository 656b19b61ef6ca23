// Message description files: parsing, search order, languages.
#include <gtest/gtest.h>
#include <string>

#include "common/alert.h"
#include "common/msgfile.h"
#include "common/tests/test_util.h"
#include "testsupport/testsupport.h"

using testutil::captured_output;
using testutil::scoped_env;

namespace {

class MsgFileTest : public testing::Test {
protected:
    void TearDown() override { testutil::load_test_messages(); }
};

TEST_F(MsgFileTest, RecordsKindsAndMalformedLines)
{
    auto path = testsupport::scratch_folder("msgfile") / "m.txt";
    std::string long_text(400, 'L');
    testsupport::write_file(path,
                         "# comment\r\n"
                         "917\tE\tfirst\r\n"
                         "\n"
                         "917\tE\targument too long\n"
                         "  20 -1 \tlow warning\n"
                         "21\tx\tunknown kind\n"
                         "22\tM\n"
                         "23 F fatal text\n"
                         "10001\tE\ttoo big\n"
                         "24\t7\t" + long_text + "\n"
                         "25\tm\t\n");
    captured_output out;
    ASSERT_EQ(msgfile_open(path.string().c_str()), 1);
    EXPECT_EQ(msgfile_load_state(), 2);
    EXPECT_EQ(std::string(alert_msgfile_name()), path.string());
    const msg_desc* m = msgfile_lookup(917);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->kind, MSG_ERROR);
    EXPECT_STREQ(m->text, "argument too long");   // the later line replaces the earlier
    m = msgfile_lookup(20);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->kind, MSG_WARNING);
    EXPECT_EQ(m->level, -1);
    EXPECT_STREQ(m->text, "\tlow warning");   // blanks after the separator belong to the text
    m = msgfile_lookup(21);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->kind, 0);
    EXPECT_EQ(msgfile_lookup(22), nullptr);
    EXPECT_EQ(msgfile_lookup(23)->kind, MSG_FATAL);
    EXPECT_EQ(msgfile_lookup(24)->text, long_text);   // a long line stays one record
    EXPECT_EQ(msgfile_lookup(24)->level, 7);
    EXPECT_STREQ(msgfile_lookup(25)->text, "");
    EXPECT_EQ(msgfile_lookup(26), nullptr);
    EXPECT_EQ(msgfile_lookup(-3), nullptr);
    // Blank line 3, unknown kind on 6, no text on 7, number out of range on 9.
    std::string f = path.string();
    ASSERT_EQ(out.lines().size(), 4u);
    EXPECT_EQ(out.lines()[0], "Malformed error information on line 3, in file " + f + "\n\n");
    EXPECT_EQ(out.lines()[1], "Malformed error information on line 6, in file " + f + "\n\n");
    EXPECT_EQ(out.lines()[2], "Malformed error information on line 7, in file " + f + "\n\n");
    EXPECT_EQ(out.lines()[3], "Malformed error information on line 9, in file " + f + "\n\n");
}

// The table is parsed on first use: what it reports must still name the file it came from,
// and the file read must be the one parsed, whatever was opened or failed in between.
TEST_F(MsgFileTest, ParsedOnFirstUseFromTheFileThatWasLoaded)
{
    auto dir = testsupport::scratch_folder("msgfile_lazy");
    auto first = dir / "first.txt", second = dir / "second.txt";
    testsupport::write_file(first, "1\tE\tfirst file\n");
    testsupport::write_file(second, "2\tE\tsecond file\r\n\r\n3\t4\tlast line without an end");
    captured_output out;
    ASSERT_EQ(msgfile_open(first.string().c_str()), 1);
    ASSERT_EQ(msgfile_open(second.string().c_str()), 1);
    EXPECT_EQ(msgfile_open("/nonexistent/dir/xx_msgs.txt"), 0);
    EXPECT_EQ(msgfile_lookup(1), nullptr);   // replaced before it was ever used
    ASSERT_NE(msgfile_lookup(2), nullptr);
    EXPECT_STREQ(msgfile_lookup(2)->text, "second file");
    ASSERT_NE(msgfile_lookup(3), nullptr);
    EXPECT_STREQ(msgfile_lookup(3)->text, "last line without an end");
    EXPECT_EQ(msgfile_lookup(3)->level, 4);
    ASSERT_EQ(out.lines().size(), 1u);
    EXPECT_EQ(out.lines()[0], "Malformed error information on line 2, in file " + second.string() + "\n\n");
}

TEST_F(MsgFileTest, FailedOpenKeepsTheTableButRemembersThePath)
{
    EXPECT_EQ(msgfile_open("/nonexistent/dir/xx_msgs.txt"), 0);
    EXPECT_STREQ(alert_msgfile_name(), "/nonexistent/dir/xx_msgs.txt");
    ASSERT_NE(msgfile_lookup(100), nullptr);
    EXPECT_STREQ(msgfile_lookup(100)->text, "error text %s");
}

TEST_F(MsgFileTest, NullPathUsesBxcErrFileThenTheDefault)
{
    {
        scoped_env env("BXC_ERR_FILE", testutil::test_message_file().c_str());
        EXPECT_EQ(msgfile_open(nullptr), 1);
        EXPECT_EQ(std::string(alert_msgfile_name()), testutil::test_message_file().string());
    }
    scoped_env env("BXC_ERR_FILE", nullptr);
    msgfile_open(nullptr);
    EXPECT_STREQ(alert_msgfile_name(), "../dat/en_msgs.txt");
}

TEST_F(MsgFileTest, LanguageTable)
{
    EXPECT_EQ(lang_from_name("de"), 7);
    EXPECT_EQ(lang_from_name("DE"), 7);
    EXPECT_EQ(lang_from_name("dEuTsCh"), 7);
    EXPECT_EQ(lang_from_name("german"), 7);
    EXPECT_EQ(lang_from_name("ENGLISH"), 9);
    EXPECT_EQ(lang_from_name("fr"), 12);
    EXPECT_EQ(lang_from_name("Fran\xE7" "ais"), 12);
    EXPECT_EQ(lang_from_name("e"), 255);
    EXPECT_EQ(lang_from_name("Germ"), 255);
    EXPECT_EQ(lang_from_name(nullptr), 255);
    EXPECT_STREQ(lang_code(255), "en");
    EXPECT_STREQ(lang_code(3), "en");
    EXPECT_STREQ(lang_code(12), "fr");
    EXPECT_EQ(lang_get(), 9);   // no registry in tests
}

}  // namespace
