// The command line: option letters, their values and the checks after them.
#include <random>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "linker/tests/fresh_link.h"
#include "testsupport/message_capture.h"
#include "linker/classes.h"
#include "linker/link.h"
#include "linker/options.h"
#include "linker/passes.h"
#include "linker/symtab.h"

namespace lnk {
namespace {

class Options : public testing::Test {
protected:
    context cx;   // the run state under test
    void SetUp() override {
        testobj::fresh_link(cx);
        alert_set_level(0);
    }
    void TearDown() override { alert_set_level(0); }
    void parse(std::vector<std::string> args) {
        std::vector<char*> argv;
        static std::string name = "ormlink";
        argv.push_back(name.data());
        for (std::string& a : args) argv.push_back(a.data());
        parse_command_line(cx, static_cast<int>(argv.size()), argv.data());
    }
};

TEST_F(Options, FlagLettersCombineAndUnknownLettersAreSkipped) {
    testsupport::message_capture m;
    parse_option(cx, "-ZX");
    EXPECT_TRUE(cx.opts.no_generated);
    EXPECT_TRUE(cx.opts.no_locals);
    testobj::fresh_link(cx);
    parse_option(cx, "-Tx");
    EXPECT_EQ(m.count(168), 1);
    EXPECT_NE(m.all().find("\"Tx\""), std::string::npos);
    EXPECT_TRUE(cx.opts.no_locals);   // the x after the unknown T is still read
    parse_option(cx, "-8FIKRLm");
    EXPECT_TRUE(cx.opts.map_layout8 && cx.opts.symbols_only && cx.opts.undefined_warn && cx.opts.callgraph_flag &&
                cx.opts.partial && cx.opts.load_reloc_marked);
    EXPECT_FALSE(cx.opts.load_reloc);
    parse_option(cx, "--nosuch");
    EXPECT_EQ(m.count(168), 2);
}

TEST_F(Options, SymbolFileNames) {
    parse_option(cx, "-H");
    EXPECT_EQ(cx.opts.sym_file, "l.sym");
    EXPECT_EQ(cx.opts.sym_style, symfile_style::extended);
    parse_option(cx, "-Hprog.sym");
    EXPECT_EQ(cx.opts.sym_file, "prog.sym");
    EXPECT_EXIT(parse_option(cx, "-Hother.sym"), testing::ExitedWithCode(1), "");
    parse_option(cx, "-H");   // naming no file again is no conflict
    EXPECT_EQ(cx.opts.sym_file, "prog.sym");
    testobj::fresh_link(cx);
    parse_option(cx, "-H+x.sym");
    EXPECT_TRUE(cx.opts.sym_plus);
    EXPECT_EQ(cx.opts.sym_file, "x.sym");
    testobj::fresh_link(cx);
    parse_option(cx, "-Dplain.sym");
    EXPECT_EQ(cx.opts.sym_style, symfile_style::plain);
    parse_option(cx, "-Debug");
    parse_option(cx, "-DEBUG");
    EXPECT_EQ(cx.symtab.debug_level, 2);
    parse_option(cx, "-DCODE=2");
    EXPECT_TRUE(cx.places.scaled);
}

TEST_F(Options, WarningLevelAndPageWidth) {
    testsupport::message_capture m;
    parse_option(cx, "-W12");
    EXPECT_EQ(cx.opts.page_width, 12);
    EXPECT_EQ(alert_set_level(0), 0);
    parse_option(cx, "-W-10");
    EXPECT_TRUE(m.has(523));
    parse_option(cx, "-W3");
    EXPECT_EQ(alert_set_level(0), 3);
    EXPECT_EXIT(parse_option(cx, "-Wx"), testing::ExitedWithCode(1), "");
}

TEST_F(Options, ValuesOfTheOtherLetters) {
    parse_option(cx, "-VER=ORMC-Lite#V9.50PL2");
    EXPECT_EQ(cx.opts.product, "ORMC-Lite");
    EXPECT_EQ(cx.opts.version, "V9.50PL2");
    parse_option(cx, "-ver=NoHash");   // without "#" nothing is kept
    EXPECT_EQ(cx.opts.product, "ORMC-Lite");
    parse_option(cx, "-Vavmap.txt");
    EXPECT_EQ(cx.opts.avmap_file, "avmap.txt");
    parse_option(cx, "-Cn");
    EXPECT_EQ(cx.opts.cg_print, 2);
    parse_option(cx, "-CC");
    EXPECT_EQ(cx.opts.cg_print, 1);
    parse_option(cx, "-Ctext=CODE");
    EXPECT_NE(class_pair_for(cx, "text"), nullptr);
    EXPECT_FALSE(cx.opts.binary);
    parse_option(cx, "-C100h");
    EXPECT_TRUE(cx.opts.binary);
    EXPECT_EQ(cx.opts.binary_base, 0x100u);
    parse_option(cx, "-Nc");
    EXPECT_TRUE(cx.opts.sort);
    EXPECT_EQ(cx.opts.group, 'c');
    parse_option(cx, "-Mout.map");
    EXPECT_EQ(cx.opts.map_file, "out.map");
    parse_option(cx, "-J5");
    EXPECT_EQ(cx.opts.error_limit, 5);
    parse_option(cx, "-Umissing");
    ASSERT_EQ(cx.opts.undefs.size(), 1u);
    parse_option(cx, "-Bignored");
    parse_option(cx, "-S");
    EXPECT_TRUE(cx.opts.no_symbols && cx.opts.no_locals);
}

TEST_F(Options, FatalOptionErrors) {
    EXPECT_EXIT(parse_option(cx, "-G"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT({ parse_option(cx, "-GA"); parse_option(cx, "-GK"); }, testing::ExitedWithCode(1), "");
    EXPECT_EXIT({ parse_option(cx, "-Oa"); parse_option(cx, "-Ob"); }, testing::ExitedWithCode(1), "");
    EXPECT_EXIT({ parse_option(cx, "-Ma"); parse_option(cx, "-Mb"); }, testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_option(cx, "-Q"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_option(cx, "-U"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_option(cx, "-Jx"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_option(cx, "-P"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
            for (int i = 0; i < 30; ++i) parse_option(cx, "-Pa=0");
        },
        testing::ExitedWithCode(1), "");
}

TEST_F(Options, ChecksAfterTheOptions) {
    parse({"-Ma", "x.obj"});
    EXPECT_EQ(cx.opts.error_limit, 30);
    EXPECT_EQ(output_name(cx), "l.obj");
    ASSERT_EQ(cx.opts.inputs.size(), 1u);
    EXPECT_EQ(cx.opts.arguments.size(), 2u);
    EXPECT_EXIT(parse({"-Ma"}), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse({"-C0", "-R", "a.obj"}), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse({"l.obj"}), testing::ExitedWithCode(1), "");
    // The output under another spelling is still the output.
    EXPECT_EXIT(parse({"./l.obj"}), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse({"-C0", "sub/../l.bin"}), testing::ExitedWithCode(1), "");
    EXPECT_TRUE(same_path("a/../b.obj", "b.obj"));
    EXPECT_FALSE(same_path("a.obj", "b.obj"));
}

TEST_F(Options, ArgumentFile) {
    std::string path = (std::filesystem::temp_directory_path() / ("orm_link_args_" + std::to_string(std::random_device{}()) + ".txt")).string();
    FILE* f = std::fopen(path.c_str(), "w");
    std::fprintf(f, "-Mm.map \"-Pa=0,b\" one.obj\ntwo.lib\n");
    std::fclose(f);
    parse({"@" + path});
    ASSERT_EQ(cx.opts.inputs.size(), 2u);
    EXPECT_EQ(cx.opts.inputs[1], "two.lib");
    ASSERT_EQ(cx.opts.placements.size(), 1u);
    EXPECT_EQ(cx.opts.placements[0], "a=0,b");
    std::remove(path.c_str());
    EXPECT_EXIT(parse({"@/nonexistent/args"}), testing::ExitedWithCode(1), "");
}

TEST(InputKinds, ByExactExtension) {
    EXPECT_EQ(kind_of("c.lib"), input_kind::library);
    EXPECT_EQ(kind_of("c.LIB"), input_kind::library);
    EXPECT_EQ(kind_of("c.Lib"), input_kind::object);
    EXPECT_EQ(kind_of("s.syf"), input_kind::symbols_only);
    EXPECT_EQ(kind_of("dir.lib/x"), input_kind::object);
    EXPECT_EQ(kind_of("x.obj"), input_kind::object);
}

}  // namespace
}  // namespace lnk
