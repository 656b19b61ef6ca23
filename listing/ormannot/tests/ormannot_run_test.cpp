// Runs the built ormannot on real files.
#include <gtest/gtest.h>

#include <string>

#include "testsupport/testsupport.h"

namespace {

using namespace testsupport;

fs::path corpus() { return source_dir() / "listing" / "ormannot" / "tests" / "corpus"; }
fs::path golden() { return source_dir() / "listing" / "ormannot" / "tests" / "golden"; }

std::string ormannot() { return program("ormannot"); }

// The listing that expand and nl make of a source, without the newline nl adds to a last line
// that has none.
std::string reference_listing(const fs::path& source, int tab_width, const fs::path& dir)
{
    run_result r = run("expand -t " + std::to_string(tab_width) + " '" + source.string()
                           + "' | nl -ba -w6 -s': ' -nrn",
                       dir);
    std::string text = read_file(source);
    if (!text.empty() && text.back() != '\n' && !r.out.empty())
        r.out.pop_back();
    return r.out;
}

TEST(OrmannotRun, ListingsMatchExpandAndNl)
{
    fs::path dir = scratch_folder("ormannot_corpus");
    int sources = 0;
    for (const auto& entry : fs::directory_iterator(corpus())) {
        if (entry.path().extension() != ".c")
            continue;
        sources++;
        for (int tab_width : {1, 4, 8, 64}) {
            SCOPED_TRACE(entry.path().filename().string() + " -T" + std::to_string(tab_width));
            run_result r = run(ormannot() + " -T" + std::to_string(tab_width) + " '"
                                   + entry.path().string() + "' out.lst",
                               dir);
            ASSERT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(read_file(dir / "out.lst"), reference_listing(entry.path(), tab_width, dir));
        }
    }
    EXPECT_EQ(sources, 6);
}

TEST(OrmannotRun, GoldenListings)
{
    fs::path dir = scratch_folder("ormannot_golden");
    run_result r = run(ormannot() + " '" + (corpus() / "tabs.c").string() + "' tabs.lst", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(dir / "tabs.lst"), read_file(golden() / "tabs_t8.lst"));
    r = run(ormannot() + " -T4 '" + (corpus() / "crlf.c").string() + "' crlf.lst", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(dir / "crlf.lst"), read_file(golden() / "crlf_t4.lst"));
}

TEST(OrmannotRun, StandardInputAndOutput)
{
    fs::path dir = scratch_folder("ormannot_stdio");
    run_result r = run(ormannot() + " -T4 < '" + (corpus() / "crlf.c").string() + "'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, read_file(golden() / "crlf_t4.lst"));
    r = run(ormannot() + " '" + (corpus() / "tabs.c").string() + "'", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, read_file(golden() / "tabs_t8.lst"));
}

TEST(OrmannotRun, ArgumentsFromAFileOrStandardInput)
{
    fs::path dir = scratch_folder("ormannot_args");
    std::string source = (corpus() / "crlf.c").string();
    write_file(dir / "args", "-T4\n'" + source + "' \\\n  from_file.lst\n");
    run_result r = run(ormannot() + " @args", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(dir / "from_file.lst"), read_file(golden() / "crlf_t4.lst"));
    r = run("echo \"-T4 '" + source + "' from_stdin.lst\" | " + ormannot(), dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(dir / "from_stdin.lst"), read_file(golden() / "crlf_t4.lst"));
    r = run(ormannot() + " @missing_args", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("(141) can't open command file \"missing_args\""), std::string::npos) << r.err;
}

TEST(OrmannotRun, BadOptionsStopWithMinusOne)
{
    fs::path dir = scratch_folder("ormannot_options");
    write_file(dir / "in.c", "x\n");
    struct {
        const char* option;
        const char* message;
    } cases[] = {{"-T0", "(671) argument to -T should be in range 1 to 64"},
                 {"-T65", "(671)"},
                 {"-T-8", "(671)"},
                 {"-T99999999999999999999", "(671)"},
                 {"-Tx", "(670) bad argument to -T"},
                 {"-T", "(670)"},
                 {"-q", "(168) unknown option \"-q\""},
                 {"--edf", "(168)"},
                 {"-t4", "(168)"}};
    for (const auto& c : cases) {
        run_result r = run(ormannot() + " " + c.option + " in.c out.lst", dir);
        EXPECT_EQ(r.status, 255) << c.option;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.option << ": " << r.err;
        EXPECT_FALSE(fs::exists(dir / "out.lst")) << c.option;
    }
}

TEST(OrmannotRun, AcceptedOptions)
{
    fs::path dir = scratch_folder("ormannot_accepted");
    write_file(dir / "in.c", "\tx\n");
    run_result r = run(ormannot() + " -W3 -W-2! --disl=1,2 --msgdisable=3 --emax=5 -T2 in.c out.lst", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(dir / "out.lst"), "     1:   x\n");
    r = run(ormannot() + " --edf=no_such_file.txt in.c out.lst", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Could not open error description file no_such_file.txt\n");
    r = run(ormannot() + " --ver", dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("ormannot"), std::string::npos) << r.out;
}

TEST(OrmannotRun, FilesThatCannotBeUsed)
{
    fs::path dir = scratch_folder("ormannot_files");
    std::string source = "int x;\n\tint y;\n";
    write_file(dir / "in.c", source);
    // The output named the same as the input would destroy the source.
    for (const char* output : {"in.c", "./in.c"}) {
        run_result r = run(ormannot() + " in.c " + output, dir);
        EXPECT_EQ(r.status, 1) << output;
        EXPECT_NE(r.err.find("(378) can't create output file"), std::string::npos) << r.err;
        EXPECT_EQ(read_file(dir / "in.c"), source);
    }
    fs::create_hard_link(dir / "in.c", dir / "alias.c");
    EXPECT_EQ(run(ormannot() + " in.c alias.c", dir).status, 1);
    EXPECT_EQ(read_file(dir / "in.c"), source);

    run_result r = run(ormannot() + " missing.c out.lst", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("(141) can't open input file \"missing.c\": "), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "out.lst"));
    if (fs::exists("/dev/full")) {
        r = run(ormannot() + " in.c /dev/full", dir);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("(413) write error on \"/dev/full\""), std::string::npos) << r.err;
        EXPECT_TRUE(fs::exists("/dev/full"));
    }
    r = run(ormannot() + " in.c no_dir/out.lst", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("(378) can't create output file \"no_dir/out.lst\""), std::string::npos) << r.err;
}

}  // namespace
