// The test helpers themselves: a wrong build path or a scratch folder left behind would make
// every other test wrong or untidy without failing it.
#include "testsupport/testsupport.h"

#include <cstdlib>

namespace ts = testsupport;

TEST(TestSupport, FindsTheBuildTreeItRunsFrom)
{
    EXPECT_TRUE(ts::file_exists(ts::message_file())) << ts::message_file();
    EXPECT_TRUE(ts::file_exists(ts::source_dir() / "testsupport" / "testsupport.h"));
    // Without CTest's variable the tree is the one the test program was built into.
    std::string saved = std::getenv("ORM_BUILD_DIR") ? std::getenv("ORM_BUILD_DIR") : "";
    unsetenv("ORM_BUILD_DIR");
    ts::fs::path found = ts::build_dir();
    if (!saved.empty())
        setenv("ORM_BUILD_DIR", saved.c_str(), 1);
    EXPECT_TRUE(ts::file_exists(found / "dat" / "en_msgs.txt")) << found;
    EXPECT_TRUE(ts::file_exists(found / "tests" / "testsupport_tests")) << found;
}

TEST(TestSupport, ScratchFolderIsOutsideTheBuildTreeAndRemoved)
{
    ts::fs::path kept;
    {
        ts::scratch_dir dir("unit");
        kept = dir.path();
        std::string rel = ts::fs::relative(kept, ts::build_dir()).string();
        EXPECT_EQ(rel.rfind("..", 0), 0u) << kept << " lies inside " << ts::build_dir();
        dir.write("sub/a.txt", "one\ntwo");
        EXPECT_EQ(dir.read("sub/a.txt"), "one\ntwo");
        EXPECT_TRUE(dir.has("sub/a.txt"));
    }
    EXPECT_FALSE(ts::file_exists(kept));
}

TEST(TestSupport, RunKeepsStatusAndStreamsApart)
{
    ts::scratch_dir dir;
    ts::run_result r = ts::run("pwd; cat; echo oops >&2; exit 3", dir.path(), "typed\n");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, ts::fs::canonical(dir.path()).string() + "\ntyped\n");
    EXPECT_EQ(r.err, "oops\n");

    std::string merged;
    EXPECT_EQ(ts::run_merged("echo a; echo b >&2", &merged), 0);
    EXPECT_EQ(merged, "a\nb\n");
    EXPECT_EQ(ts::run("kill -9 $$").status, -1);   // killed, not an exit status
    EXPECT_EQ(ts::run("printf %s " + ts::quote("it's $HOME")).out, "it's $HOME");
}

TEST(TestSupport, CapturesStandardOutput)
{
    EXPECT_EQ(ts::capture_stdout([] { std::printf("to stdout %d\n", 1); }), "to stdout 1\n");
}

TEST(TestSupport, PeerToolsAndCi)
{
    EXPECT_TRUE(ts::have_tool("sh"));
    EXPECT_FALSE(ts::have_tool("no-such-tool-here"));
    std::string saved = std::getenv("CI") ? std::getenv("CI") : "";
    setenv("CI", "true", 1);
    EXPECT_TRUE(ts::on_ci());
    setenv("CI", "1", 1);
    EXPECT_FALSE(ts::on_ci());
    if (saved.empty())
        unsetenv("CI");
    else
        setenv("CI", saved.c_str(), 1);
}

// A missing tool skips here and fails on CI: run this test alone in both settings.
TEST(TestSupport, MissingToolSkipsOrFailsOnCi)
{
    if (std::getenv("ORM_TESTSUPPORT_CHILD")) {
        ORM_REQUIRE_TOOL("no-such-tool-here");
        return;
    }
    std::string self = ts::quote(ts::program("testsupport_tests"));
    std::string one = " --gtest_filter=TestSupport.MissingToolSkipsOrFailsOnCi";
    ts::run_result dev = ts::run("ORM_TESTSUPPORT_CHILD=1 CI= " + self + one);
    EXPECT_EQ(dev.status, 0) << dev.out;
    EXPECT_NE(dev.out.find("[  SKIPPED ]"), std::string::npos) << dev.out;
    ts::run_result ci = ts::run("ORM_TESTSUPPORT_CHILD=1 CI=true " + self + one);
    EXPECT_EQ(ci.status, 1) << ci.out;
    EXPECT_NE(ci.out.find("CI=true and not available: no-such-tool-here is not installed"), std::string::npos)
        << ci.out;
}
