// Runs the built ormxref on hand-written raw cross-reference files.
#include <gtest/gtest.h>

#include <string>

#include "testsupport/testsupport.h"

namespace {

using namespace testsupport;

fs::path here() { return source_dir() / "listing" / "ormxref" / "tests"; }

// A scratch folder holding copies of the raw files, so that their names stay short.
fs::path prepared(const std::string& name)
{
    fs::path dir = scratch_folder(name);
    for (const auto& entry : fs::directory_iterator(here() / "data"))
        fs::copy_file(entry.path(), dir / entry.path().filename());
    return dir;
}

std::string ormxref(const std::string& arguments) { return program("ormxref") + " " + arguments; }

std::string golden(const char* name) { return read_file(here() / "golden" / name); }

struct golden_case {
    const char* arguments;
    const char* golden;
};

TEST(OrmxrefRun, GoldenListings)
{
    fs::path dir = prepared("ormxref_golden");
    golden_case cases[] = {
        // Two inputs merged, the driver's way of naming output and heading.
        {"-oout.crf -hprog.crf main.raw util.raw", "merged.crf"},
        // Skipped files, excluded prefixes (a digit matches any digit) and stop words.
        {"-Oout.crf -Fsys/ -Fio -X_0 -Xsiz -Sstop.txt main.raw util.raw", "filtered.crf"},
        // Short, narrow pages; the heading is the first input's name.
        {"-L14 -P40 -Oout.crf pages.raw", "paged.crf"},
        // A raw file without a leading source line.
        {"-Oout.crf -H noleading.raw", "noleading.crf"},
    };
    for (const golden_case& c : cases) {
        run_result r = run(ormxref(c.arguments), dir);
        EXPECT_EQ(r.status, 0) << c.arguments << ": " << r.err;
        EXPECT_EQ(r.err, "") << c.arguments;
        EXPECT_EQ(read_file(dir / "out.crf"), golden(c.golden)) << c.arguments;
        fs::remove(dir / "out.crf");
    }
}

TEST(OrmxrefRun, StandardOutputAndDefaultHeading)
{
    fs::path dir = prepared("ormxref_stdout");
    run_result r = run(ormxref("-L14 -P40 pages.raw"), dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, golden("paged.crf"));
}

TEST(OrmxrefRun, ArgumentsFromAFileOrStandardInput)
{
    fs::path dir = prepared("ormxref_args");
    write_file(dir / "args", "-oout.crf \\\n\"-hprog.crf\"\nmain.raw util.raw\n");
    run_result r = run(ormxref("@args"), dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(dir / "out.crf"), golden("merged.crf"));
    fs::remove(dir / "out.crf");
    r = run("printf '%s\\n' '-oout.crf -hprog.crf' 'main.raw util.raw' | " + program("ormxref"), dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(dir / "out.crf"), golden("merged.crf"));
    r = run(ormxref("@no_such_args"), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("(141) can't open command file \"no_such_args\""), std::string::npos) << r.err;
}

TEST(OrmxrefRun, OddOptionsAreReportedAndPassedOver)
{
    fs::path dir = prepared("ormxref_odd");
    run_result r = run(ormxref("-W3 -Q -- -oout.crf -hprog.crf -Sno_such_stop main.raw util.raw"), dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "Unrecognized switch -W3\nUnrecognized switch -Q\nUnrecognized switch --\n"
                     "Can't open stoplist file no_such_stop\n");
    EXPECT_EQ(read_file(dir / "out.crf"), golden("merged.crf"));
    // Options after the first input are inputs.
    fs::remove(dir / "out.crf");
    r = run(ormxref("-oout.crf main.raw -X_"), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("(141) can't open input file \"-X_\""), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "out.crf"));
}

TEST(OrmxrefRun, Failures)
{
    fs::path dir = prepared("ormxref_failures");
    run_result r = run(ormxref("-Hx -ox.crf"), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Usage: ormxref [-Ooutfile] [-Sstoplist] input_file ...\n");
    r = run(ormxref("-Oout.crf main.raw missing.raw"), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("(141) can't open input file \"missing.raw\": "), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "out.crf"));
    r = run(ormxref("-Ono_dir/out.crf main.raw"), dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("(141) can't open output file \"no_dir/out.crf\": "), std::string::npos) << r.err;
    if (fs::exists("/dev/full")) {
        r = run(ormxref("-O/dev/full main.raw"), dir);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("(413) write error on \"/dev/full\""), std::string::npos) << r.err;
        EXPECT_TRUE(fs::exists("/dev/full"));
    }
    r = run(ormxref("--ver"), dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("ormxref"), std::string::npos) << r.out;
}

}  // namespace

namespace {

// Every page header is padded to the page width: a wild width is refused, whatever its size,
// instead of filling the disk with blanks. 1024 columns is still a page.
TEST(OrmxrefRun, PageWidthsBeyondAPageAreRefused)
{
    fs::path dir = prepared("ormxref_width");
    for (const char* width : {"-P99999999", "-P-99999999", "-P4294967376", "-P1025"}) {
        run_result r = run(ormxref(std::string("-L14 ") + width + " -Oout.crf pages.raw"), dir);
        EXPECT_EQ(r.status, 1) << width;
        EXPECT_NE(r.err.find("(675) argument to -P should be in range 0 to 1024"), std::string::npos)
            << width << ": " << r.err;
        EXPECT_FALSE(fs::exists(dir / "out.crf")) << width;
    }
    run_result r = run(ormxref("-L14 -P1024 -Oout.crf pages.raw"), dir);
    EXPECT_EQ(r.status, 0) << r.err;
}

}  // namespace
