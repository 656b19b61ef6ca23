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
    void SetUp() override {
        testobj::fresh_link();
        alert_set_level(0);
    }
    void TearDown() override { alert_set_level(0); }
    void parse(std::vector<std::string> args) {
        std::vector<char*> argv;
        static std::string name = "ormlink";
        argv.push_back(name.data());
        for (std::string& a : args) argv.push_back(a.data());
        parse_command_line(static_cast<int>(argv.size()), argv.data());
    }
};

TEST_F(Options, FlagLettersCombineAndUnknownLettersAreSkipped) {
    testsupport::message_capture m;
    parse_option("-ZX");
    EXPECT_TRUE(opts.no_generated);
    EXPECT_TRUE(opts.no_locals);
    testobj::fresh_link();
    parse_option("-Tx");
    EXPECT_EQ(m.count(168), 1);
    EXPECT_NE(m.all().find("\"Tx\""), std::string::npos);
    EXPECT_TRUE(opts.no_locals);   // the x after the unknown T is still read
    parse_option("-8FIKRLm");
    EXPECT_TRUE(opts.map_layout8 && opts.symbols_only && opts.undefined_warn && opts.callgraph_flag &&
                opts.partial && opts.load_reloc_marked);
    EXPECT_FALSE(opts.load_reloc);
    parse_option("--nosuch");
    EXPECT_EQ(m.count(168), 2);
}

TEST_F(Options, SymbolFileNames) {
    parse_option("-H");
    EXPECT_EQ(opts.sym_file, "l.sym");
    EXPECT_EQ(opts.sym_style, symfile_style::extended);
    parse_option("-Hprog.sym");
    EXPECT_EQ(opts.sym_file, "prog.sym");
    EXPECT_EXIT(parse_option("-Hother.sym"), testing::ExitedWithCode(1), "");
    parse_option("-H");   // naming no file again is no conflict
    EXPECT_EQ(opts.sym_file, "prog.sym");
    testobj::fresh_link();
    parse_option("-H+x.sym");
    EXPECT_TRUE(opts.sym_plus);
    EXPECT_EQ(opts.sym_file, "x.sym");
    testobj::fresh_link();
    parse_option("-Dplain.sym");
    EXPECT_EQ(opts.sym_style, symfile_style::plain);
    parse_option("-Debug");
    parse_option("-DEBUG");
    EXPECT_EQ(symtab.debug_level, 2);
    parse_option("-DCODE=2");
    EXPECT_TRUE(places.scaled);
}

TEST_F(Options, WarningLevelAndPageWidth) {
    testsupport::message_capture m;
    parse_option("-W12");
    EXPECT_EQ(opts.page_width, 12);
    EXPECT_EQ(alert_set_level(0), 0);
    parse_option("-W-10");
    EXPECT_TRUE(m.has(523));
    parse_option("-W3");
    EXPECT_EQ(alert_set_level(0), 3);
    EXPECT_EXIT(parse_option("-Wx"), testing::ExitedWithCode(1), "");
}

TEST_F(Options, ValuesOfTheOtherLetters) {
    parse_option("-VER=ORMC-Lite#V9.50PL2");
    EXPECT_EQ(opts.product, "ORMC-Lite");
    EXPECT_EQ(opts.version, "V9.50PL2");
    parse_option("-ver=NoHash");   // without "#" nothing is kept
    EXPECT_EQ(opts.product, "ORMC-Lite");
    parse_option("-Vavmap.txt");
    EXPECT_EQ(opts.avmap_file, "avmap.txt");
    parse_option("-Cn");
    EXPECT_EQ(opts.cg_print, 2);
    parse_option("-CC");
    EXPECT_EQ(opts.cg_print, 1);
    parse_option("-Ctext=CODE");
    EXPECT_NE(class_pair_for("text"), nullptr);
    EXPECT_FALSE(opts.binary);
    parse_option("-C100h");
    EXPECT_TRUE(opts.binary);
    EXPECT_EQ(opts.binary_base, 0x100u);
    parse_option("-Nc");
    EXPECT_TRUE(opts.sort);
    EXPECT_EQ(opts.group, 'c');
    parse_option("-Mout.map");
    EXPECT_EQ(opts.map_file, "out.map");
    parse_option("-J5");
    EXPECT_EQ(opts.error_limit, 5);
    parse_option("-Umissing");
    ASSERT_EQ(opts.undefs.size(), 1u);
    parse_option("-Bignored");
    parse_option("-S");
    EXPECT_TRUE(opts.no_symbols && opts.no_locals);
}

TEST_F(Options, FatalOptionErrors) {
    EXPECT_EXIT(parse_option("-G"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT({ parse_option("-GA"); parse_option("-GK"); }, testing::ExitedWithCode(1), "");
    EXPECT_EXIT({ parse_option("-Oa"); parse_option("-Ob"); }, testing::ExitedWithCode(1), "");
    EXPECT_EXIT({ parse_option("-Ma"); parse_option("-Mb"); }, testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_option("-Q"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_option("-U"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_option("-Jx"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(parse_option("-P"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(
        {
            for (int i = 0; i < 30; ++i) parse_option("-Pa=0");
        },
        testing::ExitedWithCode(1), "");
}

TEST_F(Options, ChecksAfterTheOptions) {
    parse({"-Ma", "x.obj"});
    EXPECT_EQ(opts.error_limit, 30);
    EXPECT_EQ(output_name(), "l.obj");
    ASSERT_EQ(opts.inputs.size(), 1u);
    EXPECT_EQ(opts.arguments.size(), 2u);
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
    ASSERT_EQ(opts.inputs.size(), 2u);
    EXPECT_EQ(opts.inputs[1], "two.lib");
    ASSERT_EQ(opts.placements.size(), 1u);
    EXPECT_EQ(opts.placements[0], "a=0,b");
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
