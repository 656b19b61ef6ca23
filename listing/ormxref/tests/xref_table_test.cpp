#include "listing/ormxref/xref_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/alert.h"
#include "listing/ormxref/tests/xref_test_support.h"

namespace {

xref_name* symbol(xref_table& table, const char* name)
{
    uint32_t before = table.size();
    xref_name* entry = table.enter(name, xref_kind::symbol);
    EXPECT_EQ(table.size(), before) << name << " was not in the table";
    return entry;
}

TEST(XrefTable, RepeatOfTheLastPlaceOnlyAddsItsFlags)
{
    xref_table table;
    read_raw(table, "~a.c\nf 3\n#f 3\nf 3\nf 4\nf 3\n");
    xref_name* f = symbol(table, "f");
    ASSERT_EQ(f->count, 3u);
    EXPECT_EQ(f->refs[0].line, 3);
    EXPECT_EQ(f->refs[0].flags, XREF_DEFINITION);
    EXPECT_EQ(f->refs[2].flags, 0);
    EXPECT_STREQ(f->refs[0].file->name, "a.c");
}

TEST(XrefTable, SourceFilesAndSymbolsAreSeparateNames)
{
    xref_table table;
    read_raw(table, "~x\nx 1\n");
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(symbol(table, "x")->refs[0].file->kind, xref_kind::source_file);
}

TEST(XrefTable, ReferencesBeforeAnySourceLineBelongToAnUnnamedFile)
{
    xref_table table;
    read_raw(table, "x 1\n~b.c\nx 2\n");
    xref_name* x = symbol(table, "x");
    ASSERT_EQ(x->count, 2u);
    EXPECT_STREQ(x->refs[0].file->name, "");
    EXPECT_STREQ(x->refs[1].file->name, "b.c");
    EXPECT_EQ(table.longest_file(), 3u);
}

TEST(XrefTable, EachInputStartsAfreshWithoutSourceOrSkipping)
{
    xref_table table;
    std::vector<std::string> skip{"sys/"};
    read_raw(table, "~sys/io.h\nhidden 1\n", skip);
    read_raw(table, "shown 2\n~main.c\nmain 3\n", skip);
    read_raw(table, "later 4\n", skip);
    EXPECT_EQ(table.enter("hidden", xref_kind::symbol)->count, 0u);
    EXPECT_STREQ(symbol(table, "shown")->refs[0].file->name, "");
    EXPECT_STREQ(symbol(table, "main")->refs[0].file->name, "main.c");
    EXPECT_STREQ(symbol(table, "later")->refs[0].file->name, "");
    EXPECT_EQ(table.longest_file(), 6u);   // the skipped file is not entered
}

TEST(XrefTable, SkipEndsAtTheNextSourceLine)
{
    xref_table table;
    read_raw(table, "~lib/a.h\nx 1\n~b.c\nx 2\n~lib/c.h\n#x 3\n", {"zzz", "lib/"});
    xref_name* x = symbol(table, "x");
    ASSERT_EQ(x->count, 1u);
    EXPECT_EQ(x->refs[0].line, 2);
}

TEST(XrefTable, LongestNameCountsSymbolsStopWordsAndFiles)
{
    xref_table table;
    read_raw(table, "~ab.c\nx 1\n");
    EXPECT_EQ(table.longest_name(), 4u);
    table.add_stop_word("stopword_long");
    EXPECT_EQ(table.longest_name(), 13u);
    EXPECT_EQ(table.longest_file(), 4u);
}

TEST(XrefTable, StopListWordsOfAnyLengthAreStopped)
{
    auto path = std::filesystem::temp_directory_path() / "xref_table_test_stop.txt";
    std::string long_word(300, 'w');
    std::ofstream(path) << "  alpha\tbeta\n\n" << long_word << "\ngamma";
    xref_table table;
    ASSERT_TRUE(xref_read_stop_list(path.c_str(), table));
    std::filesystem::remove(path);
    for (const char* word : {"alpha", "beta", "gamma"})
        EXPECT_TRUE(symbol(table, word)->stopped) << word;
    EXPECT_TRUE(symbol(table, long_word.c_str())->stopped);
    EXPECT_EQ(table.size(), 4u);
    EXPECT_FALSE(xref_read_stop_list("/nonexistent/stop.txt", table));
}

TEST(XrefTable, HugeReferenceListsAreReportedEachTimeTheyGrow)
{
    xref_table table;
    xref_name* file = table.enter("a.c", xref_kind::source_file);
    uint32_t errors = alert_error_count();
    for (int32_t line = 1; line <= 5420; line++)
        table.add_reference("busy", file, line, 0);
    EXPECT_EQ(alert_error_count(), errors);
    table.add_reference("busy", file, 5421, 0);   // the array of 5420 is full
    EXPECT_EQ(alert_error_count(), errors + 1);
    for (int32_t line = 5422; line <= 5441; line++)
        table.add_reference("busy", file, line, 0);
    EXPECT_EQ(alert_error_count(), errors + 2);
    EXPECT_EQ(symbol(table, "busy")->count, 5441u);
}

TEST(XrefTableDeathTest, TheNameAfterTheLastPossibleOneEndsTheRun)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            xref_table table;
            for (uint32_t i = 0; i < XREF_MAX_NAMES; i++)
                table.enter(std::to_string(i), xref_kind::symbol);
            std::fprintf(stderr, "all entered\n");
            table.enter("one_more", xref_kind::symbol);
        },
        testing::ExitedWithCode(1), "all entered");
}

TEST(XrefTable, ReferencesSortByFileThenLineDefinitionFirst)
{
    xref_table table;
    read_raw(table, "~b.c\ns 9\n~a.c\ns 5\ns 2\n~b.c\ns 1\n~a.c\n#s 5\n");
    xref_name* s = symbol(table, "s");
    xref_sort_references(s);
    ASSERT_EQ(s->count, 5u);
    const char* files[] = {"a.c", "a.c", "a.c", "b.c", "b.c"};
    int32_t lines[] = {2, 5, 5, 1, 9};
    for (uint32_t i = 0; i < s->count; i++) {
        EXPECT_STREQ(s->refs[i].file->name, files[i]);
        EXPECT_EQ(s->refs[i].line, lines[i]);
    }
    EXPECT_EQ(s->refs[1].flags, XREF_DEFINITION);
}

}  // namespace
