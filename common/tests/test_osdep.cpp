// Operating-system services: temporary names, paths, sorting, searching, spawning, versions.
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/osdep.h"
#include "common/osdep_core.h"
#include "common/tests/test_util.h"
#include "platform/platform.h"

using testutil::scoped_env;

namespace {

std::string take(char* s)
{
    std::string out = s ? s : "<null>";
    xfree(s);
    return out;
}

std::string normalised(const char* path)
{
    char* copy = xstrdup(path);
    return take(path_normalise(copy));
}

TEST(TempNames, ShapeInTheChosenDirectory)
{
    EXPECT_EQ(take(temp_name_in("C:\\T", "s3vo.1", '\\')), "C:\\T\\s3vo.1");
    EXPECT_EQ(take(temp_name_in("C:\\T\\", "s3vo.1", '\\')), "C:\\T\\s3vo.1");
    EXPECT_EQ(take(temp_name_in("C:", "s3vo.1", '\\')), "C:s3vo.1");
    EXPECT_EQ(take(temp_name_in("", "s3vo.1", '\\')), ".\\s3vo.1");
    EXPECT_EQ(take(temp_name_in(nullptr, "s3vo.1", '/')), "./s3vo.1");
}

TEST(TempNames, TempThenTmpThenCurrentDirectory)
{
    auto temp = testutil::scratch_dir("temp-a");
    auto tmp = testutil::scratch_dir("temp-b");
    {
        scoped_env a("TEMP", temp.c_str());
        scoped_env b("TMP", tmp.c_str());
        std::string name = take(make_temp_name());
        EXPECT_EQ(std::filesystem::path(name).parent_path(), temp);
        EXPECT_TRUE(std::filesystem::exists(name));   // made exclusively, so it exists now
    }
    {
        scoped_env a("TEMP", "");
        scoped_env b("TMP", tmp.c_str());
        EXPECT_EQ(std::filesystem::path(take(make_temp_name())).parent_path(), tmp);
    }
    {
        scoped_env a("TEMP", nullptr);
        scoped_env b("TMP", "");
        std::string name = take(make_temp_name());
        EXPECT_EQ(name.substr(0, 2), "./");
        std::filesystem::remove(name);
    }
}

TEST(TempNames, NeverReuseAnExistingFile)
{
    auto dir = testutil::scratch_dir("temp-c");
    scoped_env a("TEMP", dir.c_str());
    std::vector<std::string> names;
    for (int i = 0; i < 50; i++)
        names.push_back(take(make_temp_name()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::unique(names.begin(), names.end()), names.end());
}

TEST(TempNames, RemovedAtExitUnlessKept)
{
    auto dir = testutil::scratch_dir("temp-d");
    scoped_env a("TEMP", dir.c_str());
    EXPECT_EXIT({ xfree(make_temp_name()); xfree(make_temp_name()); std::exit(0); }, testing::ExitedWithCode(0), "");
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    EXPECT_EXIT({ set_keep_temp_files(1); xfree(make_temp_name()); std::exit(0); }, testing::ExitedWithCode(0), "");
    EXPECT_FALSE(std::filesystem::is_empty(dir));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    // An interrupt removes them too.
    EXPECT_EXIT({ xfree(make_temp_name()); std::raise(SIGINT); }, testing::KilledBySignal(SIGINT), "");
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(Paths, JoinWithOneSeparator)
{
    EXPECT_EQ(take(path_join_with("C:\\dir\\", "\\name", '\\')), "C:\\dir\\name");
    EXPECT_EQ(take(path_join_with("C:\\dir", "name", '\\')), "C:\\dir\\name");
    EXPECT_EQ(take(path_join_with("C:", "name", '\\')), "C:\\name");
    EXPECT_EQ(take(path_join_with("", "name", '\\')), "<null>");
    EXPECT_EQ(take(path_join_with(nullptr, "name", '/')), "<null>");
    EXPECT_EQ(take(path_join("/usr/", "/lib")), "/usr/lib");
    EXPECT_EQ(take(path_join("a\\", "b")), "a/b");   // either separator on input, '/' written here
}

TEST(Paths, Normalise)
{
    EXPECT_EQ(normalised("a\\.\\b\\..\\c"), "a\\c");
    EXPECT_EQ(normalised("a/./b/../c"), "a/c");
    EXPECT_EQ(normalised("b\\..\\c"), "c");            // a relative path stays relative
    EXPECT_EQ(normalised("C:\\..\\x"), "C:\\x");        // the root stays
    EXPECT_EQ(normalised("C:b\\..\\c"), "C:c");
    EXPECT_EQ(normalised("\\..\\x"), "\\x");
    EXPECT_EQ(normalised("/a/b/../../c"), "/c");
    EXPECT_EQ(normalised("/a/../../c"), "/c");
    EXPECT_EQ(normalised("\\\\srv\\share\\..\\x"), "\\\\srv\\share\\x");
    EXPECT_EQ(normalised("..\\..\\x"), "..\\..\\x");   // ".." never cancels ".."
    EXPECT_EQ(normalised("a\\..\\..\\x"), "..\\x");
    EXPECT_EQ(normalised("a\\b\\."), "a\\b\\.");        // a final dot is left alone
    EXPECT_EQ(normalised("a\\b\\.."), "a\\b\\..");
    EXPECT_EQ(normalised(""), "");
}

TEST(Paths, AbsoluteBaseDir)
{
    EXPECT_TRUE(path_is_absolute_for("C:\\x", false));
    EXPECT_TRUE(path_is_absolute_for("c:x", false));
    EXPECT_TRUE(path_is_absolute_for("\\\\srv\\x", false));
    EXPECT_FALSE(path_is_absolute_for("\\x", false));
    EXPECT_FALSE(path_is_absolute_for("x\\y", false));
    EXPECT_TRUE(path_is_absolute_for("/x", true));
    EXPECT_FALSE(path_is_absolute_for("", true));
    EXPECT_TRUE(path_is_absolute("/usr"));
    EXPECT_FALSE(path_is_absolute("usr"));

    EXPECT_STREQ(path_basename("c:file"), "file");
    EXPECT_STREQ(path_basename("a\\b\\c.txt"), "c.txt");
    EXPECT_STREQ(path_basename("a/b"), "b");
    EXPECT_STREQ(path_basename("plain"), "plain");
    EXPECT_EQ(path_basename(nullptr), nullptr);
    EXPECT_EQ(take(path_dirname("plain")), "<null>");
    EXPECT_EQ(take(path_dirname(nullptr)), "<null>");
    EXPECT_EQ(take(path_dirname("a\\b\\c")), "a\\b");
    EXPECT_EQ(take(path_dirname("/x")), "/");
    EXPECT_EQ(take(path_dirname("c:file")), "c:");

    std::string cwd = plat::current_directory();
    EXPECT_EQ(take(path_absolute("sub/./f")), cwd + "/sub/f");
    EXPECT_EQ(take(path_absolute("/a/../b")), "/b");
}

TEST(Paths, QuoteAndLower)
{
    EXPECT_EQ(take(quote_if_spaces("a\tb")), "\"a\tb\"");
    EXPECT_EQ(take(quote_if_spaces("a b")), "\"a b\"");
    EXPECT_EQ(take(quote_if_spaces("ab")), "ab");
    char text[] = "MiXeD 1";
    EXPECT_STREQ(str_lower(text), "mixed 1");
}

TEST(Files, ExistenceTests)
{
    auto dir = testutil::scratch_dir("files");
    testutil::write_file(dir / "Name.txt", "x");
    EXPECT_TRUE(file_exists((dir / "Name.txt").c_str()));
    EXPECT_TRUE(file_exists_same_case((dir / "Name.txt").c_str()));
    EXPECT_FALSE(file_exists_same_case((dir / "name.txt").c_str()));
    EXPECT_FALSE(file_exists((dir / "missing").c_str()));
    EXPECT_TRUE(is_directory(dir.c_str()));
    EXPECT_FALSE(is_directory((dir / "Name.txt").c_str()));
}

int compare_ints(const void* a, const void* b)
{
    int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
    return x < y ? -1 : x > y;
}

struct big_element {
    int key;
    char pad[996];
};

int compare_big(const void* a, const void* b)
{
    return compare_ints(&static_cast<const big_element*>(a)->key, &static_cast<const big_element*>(b)->key);
}

int always_less(const void*, const void*) { return -1; }

TEST(Sorting, QuicksortAndBinarySearch)
{
    std::vector<int> v = {5, 3, 9, 1, 3, 7, 0, 8, 2, 6, 4, 9};
    os_qsort(v.data(), v.size(), sizeof(int), compare_ints);
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
    std::vector<int> one = {4};
    os_qsort(one.data(), 1, sizeof(int), compare_ints);
    os_qsort(nullptr, 0, sizeof(int), compare_ints);
    EXPECT_EQ(one[0], 4);

    std::vector<big_element> big(40);
    for (size_t i = 0; i < big.size(); i++)
        big[i].key = static_cast<int>((i * 17) % 40);
    os_qsort(big.data(), big.size(), sizeof(big_element), compare_big);
    for (size_t i = 0; i < big.size(); i++)
        EXPECT_EQ(big[i].key, static_cast<int>(i));

    // A comparison that is not an order must not take the sort outside the array.
    std::vector<int> w(100, 1);
    os_qsort(w.data(), w.size(), sizeof(int), always_less);

    std::vector<int> sorted = {1, 3, 5, 7, 9};
    int key = 1;
    EXPECT_EQ(os_bsearch(&key, sorted.data(), 5, sizeof(int), compare_ints), &sorted[0]);
    key = 9;
    EXPECT_EQ(os_bsearch(&key, sorted.data(), 5, sizeof(int), compare_ints), &sorted[4]);
    key = 0;
    EXPECT_EQ(os_bsearch(&key, sorted.data(), 5, sizeof(int), compare_ints), nullptr);
    key = 4;
    EXPECT_EQ(os_bsearch(&key, sorted.data(), 5, sizeof(int), compare_ints), nullptr);
    EXPECT_EQ(os_bsearch(&key, sorted.data(), 0, sizeof(int), compare_ints), nullptr);
}

TEST(Spawn, StatusAndFailureAreApart)
{
    char sh[] = "/bin/sh", c[] = "-c";
    char exit3[] = "exit 3", exit255[] = "exit 255", args_check[] = "[ \"$1\" = 'a \"b\" c\\' ] && exit 7";
    char* a1[] = {sh, c, exit3, nullptr};
    EXPECT_EQ(os_spawn("/bin/sh", a1), 3);
    char* a2[] = {sh, c, exit255, nullptr};
    EXPECT_EQ(os_spawn("/bin/sh", a2), 255);   // a program's own -1 is not a failed start
    // Arguments reach the program unchanged, with no quotes added.
    char name[] = "x", arg[] = "a \"b\" c\\";
    char* a3[] = {sh, c, args_check, name, arg, nullptr};
    EXPECT_EQ(os_spawn("/bin/sh", a3), 7);
    char missing[] = "/nonexistent/program";
    char* a4[] = {missing, nullptr};
    EXPECT_EQ(os_spawn(missing, a4), OS_SPAWN_FAILED);
}

TEST(Version, WindowsTextsAndFlags)
{
    plat::os_version v{};
    uint32_t flags = 0;
    v.platform_id = 1;
    v.major = 4;
    v.minor = 10;
    v.build = 0x040A08AE;
    v.service_pack = " A";
    EXPECT_EQ(windows_version_text(v, flags), "Microsoft Windows 98 4.10.2222 A");
    EXPECT_EQ(flags, 0x10012u);

    v = {};
    v.platform_id = 2;
    v.major = 5;
    v.minor = 1;
    v.build = 2600;
    v.product_type = 1;
    v.suite_mask = 0x200;
    v.sp_major = 2;
    v.service_pack = "Service Pack 2";
    EXPECT_EQ(windows_version_text(v, flags),
              "Microsoft Windows XP (Home Edition) SP2 (Service Pack 2) 5.1.2600");
    EXPECT_EQ(flags, 0x10440u);

    v = {};
    v.platform_id = 2;
    v.major = 5;
    v.minor = 2;
    v.build = 3790;
    v.product_type = 3;
    v.suite_mask = 0x2 | 0x10;
    v.sp_major = 1;
    v.sp_minor = 1;
    EXPECT_EQ(windows_version_text(v, flags),
              "Microsoft Windows Server 2003, Enterprise Edition (Server) (Terminal Services) SP1.1 5.2.3790");
    EXPECT_EQ(flags, 0x10240u);

    v = {};
    v.platform_id = 2;
    v.major = 4;
    v.build = 1381;
    EXPECT_EQ(windows_version_text(v, flags), "Microsoft Windows NT 4.0.1381");
    EXPECT_EQ(flags, 0x10140u);

    v = {};
    v.platform_id = 0;
    v.major = 3;
    v.minor = 11;
    EXPECT_EQ(windows_version_text(v, flags), "Microsoft Windows Win32s 3.11");
    EXPECT_EQ(flags, 0x10000u);
}

TEST(Version, HostTextAndEnvironment)
{
    EXPECT_EQ(os_version_flags() & 0x50u, 0u);   // neither Windows family here
    EXPECT_NE(std::string(os_version_text()), "");
    EXPECT_EQ(set_env(nullptr, "x"), 0);
    std::string value(1000, 'v');
    EXPECT_EQ(set_env("ORM_TEST_LONG", value.c_str()), 1);   // no length limit
    EXPECT_EQ(std::string(std::getenv("ORM_TEST_LONG")), value);
    time_t t = 0;
    EXPECT_EQ(os_time(&t), t);
    EXPECT_STREQ(std::getenv("TZ"), "EST0EDT");
}

}  // namespace

namespace {

void exit_with_seven(int) { std::_Exit(7); }

TEST(TempNames, AnEarlierInterruptHandlerStillRuns)
{
    auto dir = testutil::scratch_dir("temp-e");
    scoped_env a("TEMP", dir.c_str());
    EXPECT_EXIT(
        {
            std::signal(SIGINT, exit_with_seven);
            xfree(make_temp_name());
            std::raise(SIGINT);
        },
        testing::ExitedWithCode(7), "");
    EXPECT_TRUE(std::filesystem::is_empty(dir));
}

}  // namespace

namespace {

void exit_with_five(int) { std::_Exit(5); }

TEST(Interrupts, AnInheritedIgnoreIsKept)
{
    // A background job starts with SIGINT ignored: the handler must not run. Each child starts
    // afresh, before any handler of this process was installed.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::signal(SIGINT, SIG_IGN);
            plat::on_interrupt_unless_ignored(exit_with_five);
            std::raise(SIGINT);
            std::_Exit(0);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EXIT(
        {
            std::signal(SIGINT, SIG_DFL);
            plat::on_interrupt_unless_ignored(exit_with_five);
            std::raise(SIGINT);
            std::_Exit(0);
        },
        testing::ExitedWithCode(5), "");
}

}  // namespace
