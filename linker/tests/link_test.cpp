// Whole links: ormlink run on objects and libraries built through the object-format writer;
// the output object, the map and the symbol file are read back.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "linkfiles/maptable.h"
#include "linkfiles/symfile.h"
#include "linker/tests/objbuild.h"

namespace {

namespace fs = std::filesystem;
using testobj::module;

constexpr uint16_t GLOBAL = 0x10, OVRLD = 0x40;
constexpr uint16_t DEFINED = 0x10, EXTERN = 0x16;   // SYM flags of global symbols

// The driver's memory description for a 16F877.
const char* const CHIP_OPTIONS =
    "-ACODE=0-7FFh,800h-0FFFh,1000h-17FFh,1800h-1FFFh -ABANK0=20h-6Fh -ABANK1=0A0h-0EFh "
    "-ACOMBANK=70h-7Fh -preset_vec=0h,init,end_init -prbss_0=BANK0,rdata_0=BANK0,idata_0=CODE "
    "-prbss_1=BANK1";

class Link : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("orm_link_" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
                                                 std::to_string(std::random_device{}()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // Runs ormlink in the test's folder; returns its exit status (-1 for a signal or a
    // sanitizer report).
    int link(const std::string& args) {
        const char* build = std::getenv("ORM_BUILD_DIR");
        std::string program = std::string(build ? build : ".") + "/bin/ormlink";
        std::string command = "cd '" + dir_.string() + "' && ASAN_OPTIONS=exitcode=99 UBSAN_OPTIONS=exitcode=99 '" +
                              program + "' " + args + " > out.txt 2> err.txt";
        int status = std::system(command.c_str());
        if (!WIFEXITED(status) || WEXITSTATUS(status) == 99) return -1;
        return WEXITSTATUS(status);
    }
    std::string err() const { return testobj::read_text(path("err.txt")); }
    std::string file(const std::string& name) const { return testobj::read_text(path(name)); }
    bool exists(const std::string& name) const { return fs::exists(dir_ / name); }
    // The value of a symbol-file line.
    bool symbol(const std::string& name, linkfile::symbol& out, const std::string& file = "l.sym") {
        std::vector<linkfile::line> lines;
        if (!linkfile::read(path(file), lines)) return false;
        for (const linkfile::line& l : lines)
            if (linkfile::parse_symbol(l, out) && out.name == name) return true;
        return false;
    }
    // The TEXT records of the output object, by load address.
    std::map<uint32_t, std::vector<uint8_t>> texts() {
        std::map<uint32_t, std::vector<uint8_t>> out;
        for (const obj::record& r : testobj::records_of(testobj::read_bytes(path("l.obj")))) {
            if (r.type != obj::TEXT) continue;
            obj::body_cursor c(r.body.data(), r.body.size(), obj::byte_order::little());
            obj::text_rec t;
            if (obj::decode_text(c, t) && !t.data.empty()) out[t.offset] = t.data;
        }
        return out;
    }

    // A start-up module: the reset vector jumps to start, which jumps to _main.
    void write_startup() {
        module m;
        m.ident()
            .psect("reset_vec", GLOBAL | OVRLD).xpsect("reset_vec", "CODE", 2)
            .psect("init", GLOBAL).xpsect("init", "CODE", 2)
            .psect("end_init", GLOBAL).xpsect("end_init", "CODE", 2)
            .psect("rbss_0", GLOBAL).xpsect("rbss_0", "BANK0", 1, 1)
            .sym("start", 0, DEFINED, "init").sym("_main", 0, EXTERN)
            .text("reset_vec", 0, {0x00, 0x28}).reloc(0, 0xEB, "start")
            .text("init", 0, {0x00, 0x28}).reloc(0, 0xEB, "_main")
            .text("end_init", 0, {0x08, 0x00})
            .fnconf("rbss_0", "?", "?a")
            .start("init", 0)
            .end();
        m.write(path("startup.obj"));
    }
    // _main calls _f, stores to a bank-1 variable, and has one initialised byte.
    void write_main() {
        obj::expr_builder low7;
        low7.constant(0x7F).symbol("_var").op(obj::EX_AND).end();
        module m;
        m.ident()
            .psect("text", GLOBAL).xpsect("text", "CODE", 2)
            .psect("rbss_1", GLOBAL).xpsect("rbss_1", "BANK1", 1, 1)
            .psect("rdata_0", GLOBAL).xpsect("rdata_0", "BANK0", 1, 1)
            .psect("idata_0", GLOBAL).xpsect("idata_0", "CODE", 2)
            .sym("_main", 0, DEFINED, "text").sym("_var", 0, DEFINED, "rbss_1")
            .sym("_init", 0, DEFINED, "rdata_0").sym("_f", 0, EXTERN)
            .text("text", 0, {0x00, 0x20, 0x80, 0x00}).reloc(0, 0xEB, "_f").reloc_expr(2, 0xF7, low7.data())
            .text("rbss_1", 2, {})
            .text("rdata_0", 1, {})
            .text("idata_0", 0, {0x05, 0x34})
            .fnroot("_main").fnsize("_main", 2, 0).fncall("_main", "_f")
            .end();
        m.write(path("main.obj"));
    }
    static std::vector<uint8_t> function_module(const std::string& name, const std::string& calls = "") {
        module m;
        m.ident().psect("text", GLOBAL).xpsect("text", "CODE", 2).sym(name, 0, DEFINED, "text");
        if (!calls.empty()) m.sym(calls, 0, EXTERN).text("text", 0, {0x00, 0x20}).reloc(0, 0xEB, calls);
        else m.text("text", 0, {0x08, 0x00});
        m.fnsize(name, 1, 1).end();
        return m.bytes();
    }

    fs::path dir_;
};

TEST_F(Link, ProgramOfStartupModuleAndLibrary) {
    write_startup();
    write_main();
    testobj::write_library(path("f.lib"), {{"unused.obj", function_module("_unused"), {"_unused"}, {}},
                                           {"f.obj", function_module("_f"), {"_f"}, {}}});
    ASSERT_EQ(link(std::string(CHIP_OPTIONS) + " -H+l.sym -Mmap -ol.obj startup.obj main.obj f.lib"), 0) << err();

    // reset_vec at word 0 and init right after it; idata_0 and the text psects in CODE.
    auto t = texts();
    ASSERT_EQ(t.count(0), 1u);
    EXPECT_EQ(t[0], (std::vector<uint8_t>{0x01, 0x28}));   // goto start (word 1)
    linkfile::symbol s;
    ASSERT_TRUE(symbol("_main", s));
    uint32_t main_word = s.value;
    EXPECT_EQ(s.text, "CODE");
    ASSERT_EQ(t.count(2), 1u);
    EXPECT_EQ(t[2], (std::vector<uint8_t>{uint8_t(main_word), uint8_t(0x28 | (main_word >> 8))}));
    ASSERT_TRUE(symbol("_f", s));
    uint32_t f_word = s.value;
    ASSERT_EQ(t.count(main_word * 2), 1u);
    // call _f; movwf _var & 7Fh
    EXPECT_EQ(t[main_word * 2], (std::vector<uint8_t>{uint8_t(f_word), uint8_t(0x20 | (f_word >> 8)), 0xA0, 0x00}));
    ASSERT_TRUE(symbol("_var", s));
    EXPECT_EQ(s.value, 0xA0u);
    EXPECT_FALSE(symbol("_unused", s));   // the library module nobody needs stays out

    // Psect bounds for the driver's start-up code.
    ASSERT_TRUE(symbol("__Lrbss_1", s));
    EXPECT_EQ(s.value, 0xA0u);
    ASSERT_TRUE(symbol("__Hrbss_1", s));
    EXPECT_EQ(s.value, 0xA2u);
    ASSERT_TRUE(symbol("__Lrdata_0", s));
    ASSERT_TRUE(symbol("__Hrdata_0", s));
    ASSERT_TRUE(symbol("__Lidata_0", s));
    EXPECT_EQ(s.text, "CODE");

    // The totals table as the driver reads it.
    linkfile::map_table table;
    ASSERT_TRUE(linkfile::read_map_table(path("map"), table));
    ASSERT_TRUE(table.found);
    EXPECT_TRUE(table.problems.empty()) << file("map");
    std::map<std::string, std::vector<linkfile::map_psect>> by_class;
    for (const auto& c : table.classes) by_class[c.name] = c.psects;
    ASSERT_FALSE(by_class["CODE"].empty());
    EXPECT_EQ(by_class["CODE"][0].name, "reset_vec");
    EXPECT_EQ(by_class["CODE"][0].length, 1u);
    ASSERT_EQ(by_class["BANK1"].size(), 1u);
    EXPECT_EQ(by_class["BANK1"][0].link, 0xA0u);
    EXPECT_EQ(by_class["BANK1"][0].length, 2u);
    std::string map = file("map");
    EXPECT_NE(map.find("Machine type is PIC14"), std::string::npos);
    EXPECT_NE(map.find("\nf.lib\nf.obj"), std::string::npos) << map;
    EXPECT_NE(map.find("UNUSED ADDRESS RANGES"), std::string::npos);
    EXPECT_NE(map.find("Call graph:"), std::string::npos);
}

TEST_F(Link, UndefinedSymbolsFailTheLinkUnlessWarned) {
    write_startup();
    write_main();
    EXPECT_EQ(link(std::string(CHIP_OPTIONS) + " startup.obj main.obj"), 1);
    EXPECT_NE(err().find("(499)"), std::string::npos) << err();
    EXPECT_NE(err().find("_f (main.obj)"), std::string::npos) << err();
    EXPECT_FALSE(exists("l.obj"));   // no output is left behind
    // Neither the symbol file nor the map of the failed link; older ones stay as they were.
    std::ofstream(path("old.map")) << "old map";
    EXPECT_EQ(link(std::string(CHIP_OPTIONS) + " -H+l.sym -Mold.map startup.obj main.obj"), 1);
    EXPECT_FALSE(exists("l.sym"));
    EXPECT_EQ(file("old.map"), "old map");
    EXPECT_FALSE(exists("l.obj"));
    EXPECT_EQ(link(std::string(CHIP_OPTIONS) + " -I startup.obj main.obj"), 0) << err();
    EXPECT_NE(err().find("(594)"), std::string::npos);
    EXPECT_TRUE(exists("l.obj"));
}

TEST_F(Link, PlacementOptions) {
    module m;
    m.ident()
        .psect("vec", GLOBAL).psect("text", GLOBAL).psect("data", GLOBAL)
        .xpsect("data", "", 1, 0, "", 0, 4)
        .text("vec", 0, {1, 2}).text("text", 0, {3, 4, 5}).text("data", 0, {6})
        .sym("__Bvec", 0, EXTERN).start("vec", 0).end();
    m.write(path("p.obj"));
    ASSERT_EQ(link("-Pvec=0/1000h -Ptext=10h,data -H+l.sym -Mmap p.obj"), 0) << err();
    linkfile::symbol s;
    ASSERT_TRUE(symbol("__Bvec", s));
    EXPECT_EQ(s.value, 0x1000u);
    ASSERT_TRUE(symbol("__Ldata", s));
    EXPECT_EQ(s.value, 0x14u);   // after text, on data's alignment of 4
    auto t = texts();
    EXPECT_EQ(t.count(0x1000), 1u);   // vec loads at 1000h
    EXPECT_EQ(t.count(0x10), 1u);
    EXPECT_EQ(t.count(0x14), 1u);
    std::string map = file("map");
    size_t seg = map.find("SEGMENTS");
    ASSERT_NE(seg, std::string::npos);
    std::string segments = map.substr(seg, map.find("Symbol Table") - seg);
    EXPECT_NE(segments.find("text            000010\t000005"), std::string::npos) << segments;   // text and data share one
    EXPECT_EQ(segments.find("data "), std::string::npos) << segments;
}

TEST_F(Link, PsectsNamedNowhereAreCatenatedWithAWarning) {
    module m;
    m.ident().psect("a", GLOBAL).psect("b", GLOBAL).text("a", 0, {1, 2}).text("b", 0, {3}).end();
    m.write(path("m.obj"));
    ASSERT_EQ(link("-Pa=20h -Hl.sym m.obj"), 0) << err();
    EXPECT_NE(err().find("(526) psect \"b\" not specified in -P option (first appears in \"m.obj\")"), std::string::npos)
        << err();
    EXPECT_NE(err().find("(528)"), std::string::npos);   // no START record
    linkfile::symbol s;
    ASSERT_TRUE(symbol("__Lb", s));
    EXPECT_EQ(s.value, 0x22u);
    EXPECT_EQ(link("-Pa=20h,a m.obj"), 1);
    EXPECT_NE(err().find("(493)"), std::string::npos);
}

// A class the link gave no memory: a psect with contents placed in it fails rather than
// being catenated into the memory of the item before it; an empty one is harmless.
TEST_F(Link, PsectInAClassWithoutMemoryFails) {
    module m;
    m.ident()
        .psect("rbss_1", GLOBAL).xpsect("rbss_1", "BANK1", 1, 1)
        .psect("rbss_2", GLOBAL).xpsect("rbss_2", "BANK2", 1, 1)
        .psect("rbss_3", GLOBAL).xpsect("rbss_3", "BANK3", 1, 1)
        .sym("_v1", 0, DEFINED, "rbss_1").sym("_v2", 0, DEFINED, "rbss_2")
        .text("rbss_1", 2, {}).text("rbss_2", 3, {})
        .end();
    m.write(path("m.obj"));
    const std::string ram = "-ABANK1=0A0h-0EFh -prbss_1=BANK1 -prbss_2=BANK2 -prbss_3=BANK3 ";
    EXPECT_EQ(link(ram + "-H+l.sym -ol.obj m.obj"), 1);
    EXPECT_NE(err().find("(491) can't find 0x3 words for psect \"rbss_2\" in segment \"BANK2\""), std::string::npos)
        << err();
    EXPECT_EQ(err().find("rbss_3"), std::string::npos) << err();   // empty: nothing to place
    EXPECT_EQ(err().find("(526)"), std::string::npos) << err();    // one message for the psect
    EXPECT_FALSE(exists("l.obj"));
    // With memory for the bank the same link succeeds, the variable inside it.
    ASSERT_EQ(link("-ABANK2=110h-16Fh " + ram + "-H+l.sym -ol.obj m.obj"), 0) << err();
    linkfile::symbol s;
    ASSERT_TRUE(symbol("_v2", s));
    EXPECT_EQ(s.value, 0x110u);
    ASSERT_TRUE(symbol("_v1", s));
    EXPECT_EQ(s.value, 0xA0u);
}

TEST_F(Link, LibraryRoundsFollowReferences) {
    // Module k refers to the symbol of module k+1; the directory lists them last first, so
    // each round adds one.
    std::vector<testobj::lib_member> members;
    for (int k = 11; k >= 0; --k) {
        std::string name = "_s" + std::to_string(k);
        std::string next = k < 11 ? "_s" + std::to_string(k + 1) : "";
        members.push_back({"m" + std::to_string(k) + ".obj", function_module(name, next), {name},
                           next.empty() ? std::vector<std::string>{} : std::vector<std::string>{next}});
    }
    testobj::write_library(path("chain.lib"), members);
    module top;
    top.ident().psect("text", GLOBAL).fnconf("text", "?", "?a").sym("_s0", 0, EXTERN).text("text", 0, {0x00, 0x20}).reloc(0, 0xEB, "_s0").end();
    top.write(path("top.obj"));
    ASSERT_EQ(link("-Ptext=0 -Mmap top.obj chain.lib"), 0) << err();
    EXPECT_NE(err().find("(522)"), std::string::npos) << err();
    std::string map = file("map");
    for (int k = 0; k < 12; ++k) EXPECT_NE(map.find("m" + std::to_string(k) + ".obj"), std::string::npos) << k;
    // Taken modules are read in directory order.
    EXPECT_LT(map.find("m11.obj"), map.find("m0.obj"));
}

TEST_F(Link, MapLayoutEdges) {
    module m;
    m.ident().psect("text", GLOBAL).sym("_a", 1, DEFINED, "text").sym("_b", 2, DEFINED, "text")
        .text("text", 0, {1, 2, 3}).start("text", 0).end();
    m.write(path("a_module_name_longer_than_16.obj"));
    ASSERT_EQ(link("-Ptext=0 -W10 -Mmap a_module_name_longer_than_16.obj"), 0) << err();
    std::string map = file("map");
    EXPECT_NE(map.find("a_module_name_longer_than_16.obj\n\t\ttext"), std::string::npos) << map;
    EXPECT_NE(map.find("\nSymbol Table\n"), std::string::npos);   // no indent at a width of 10
    size_t a = map.find("_a ");
    ASSERT_NE(a, std::string::npos) << map;
    std::string line = map.substr(a, map.find('\n', a) - a);
    EXPECT_EQ(line.find("_b"), std::string::npos) << map;   // one entry a line
}

TEST_F(Link, ConditionalRecordSkipsTheModule) {
    obj::expr_builder zero;
    zero.constant(0).end();
    module m;
    m.ident().psect("text", GLOBAL).condexpr(zero.data()).sym("_gone", 0, DEFINED, "text").text("text", 0, {1}).end();
    m.write(path("skip.obj"));
    module user;
    user.ident().psect("text", GLOBAL).sym("_gone", 0, EXTERN).text("text", 0, {0}).reloc(0, 0x21, "_gone").end();
    user.write(path("user.obj"));
    EXPECT_EQ(link("-Ptext=0 skip.obj user.obj"), 1);
    EXPECT_NE(err().find("(499)"), std::string::npos) << err();
}

TEST_F(Link, OutputUnderAnotherSpellingIsRefused) {
    module m;
    m.ident().psect("text", GLOBAL).text("text", 0, {1}).end();
    m.write(path("l.obj"));
    EXPECT_EQ(link("./l.obj"), 1);
    EXPECT_NE(err().find("(398)"), std::string::npos);
    EXPECT_EQ(link("-Oout.obj ./out.obj"), 1);
    EXPECT_TRUE(exists("l.obj"));
}

TEST_F(Link, SymbolFileStyles) {
    module m;
    m.ident()
        .psect("code", GLOBAL).xpsect("code", "CODE", 2)
        .sym("_five", 5, DEFINED, "code").sym("fast_interrupt_level", 1, DEFINED)
        .sym("loc", 3, 0x03).sym("stk", 0xFFFFFFFE, 0x01)
        .text("code", 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).start("code", 0).end();
    m.write(path("s.obj"));
    ASSERT_EQ(link("-ACODE=0-0FFh -Pcode=CODE -H+l.sym s.obj"), 0) << err();
    std::string sym = file("l.sym");
    EXPECT_NE(sym.find("_five 5 0 CODE\n"), std::string::npos) << sym;   // value in words
    EXPECT_EQ(sym.find("fast_interrupt"), std::string::npos);
    EXPECT_NE(sym.find("%segments\ncode 0 B CODE\n%locals\ns.obj\nloc reg 3\nstk stk -2\n"), std::string::npos) << sym;
    bool in_object = false;
    for (const obj::record& r : testobj::records_of(testobj::read_bytes(path("l.obj"))))
        if (r.type == obj::SYM && std::string(r.body.begin(), r.body.end()).find("fast_interrupt") != std::string::npos)
            in_object = true;
    EXPECT_TRUE(in_object);
    ASSERT_EQ(link("-ACODE=0-0FFh -Pcode=CODE -Dl.sym s.obj"), 0) << err();
    sym = file("l.sym");
    EXPECT_NE(sym.find("0005 _five\n"), std::string::npos) << sym;
    EXPECT_EQ(sym.find("reg"), std::string::npos) << sym;   // no register or stack symbols
    std::ofstream(path("avmap")) << "# keys\nOTHER\n\tcode ROM\nPIC14\n\tcode ROM\n\t- RAM\nNEXT\n";
    ASSERT_EQ(link("-ACODE=0-0FFh -Pcode=CODE -Hl.sym -Vavmap s.obj"), 0) << err();
    sym = file("l.sym");
    EXPECT_NE(sym.find("SY _five ROM:5\n"), std::string::npos) << sym;   // divided by the delta once
    EXPECT_NE(sym.find("SG code ROM:0 B\n"), std::string::npos) << sym;
}

TEST_F(Link, BinaryImage) {
    module m;
    m.ident().psect("a", GLOBAL).psect("b", GLOBAL).text("a", 0, {1, 2}).text("b", 0, {3}).end();
    m.write(path("m.obj"));
    ASSERT_EQ(link("-C100h -Pa=100h,b=104h m.obj"), 0) << err();
    EXPECT_EQ(testobj::read_bytes(path("l.bin")), (std::vector<uint8_t>{1, 2, 0, 0, 3}));
    EXPECT_EQ(link("-C200h -Pa=100h,b=104h m.obj"), 1);
    EXPECT_NE(err().find("(989)"), std::string::npos);
}

TEST_F(Link, PartialLinkKeepsRelocations) {
    module m;
    m.ident().psect("text", GLOBAL).psect("bss", GLOBAL).sym("_f", 0, EXTERN).sym("_g", 1, DEFINED, "text")
        .text("text", 0, {0, 0, 0, 0}).reloc(0, 0x22, "_f").reloc(2, 0x22, "_g").text("bss", 2, {})
        .fnconf("bss", "?", "?a").fnroot("_g").fnsize("_g", 2, 1).fncall("_g", "_f").end();
    m.write(path("main.obj"));
    ASSERT_EQ(link("-R -ol.o main.obj"), 0) << err();
    bool reloc = false, empty_text = false;
    int fnconf = 0;
    std::vector<int> kinds;
    for (const obj::record& r : testobj::records_of(testobj::read_bytes(path("l.o")))) {
        if (r.type == obj::RELOC) reloc = true;
        if (r.type == obj::TEXT && r.body.size() == std::string("bss").size() + 5) empty_text = true;
        if (r.type == obj::FNCONF) ++fnconf;
        if (r.type == obj::FNINFO) {
            obj::body_cursor c(r.body.data(), r.body.size(), obj::byte_order::little());
            obj::fninfo_entry e;
            while (obj::decode_fninfo_entry(c, e)) kinds.push_back(e.kind);
        }
    }
    EXPECT_TRUE(reloc);
    EXPECT_TRUE(empty_text);
    // The joined call graph goes back out: sizes, the call, the root.
    EXPECT_EQ(fnconf, 1);
    EXPECT_EQ(kinds, (std::vector<int>{obj::FN_SIZE, obj::FN_CALL, obj::FN_ROOT}));
}

// Truncated and bit-flipped objects give messages, never a crash or a sanitizer report.
TEST_F(Link, DamagedObjects) {
    write_startup();
    std::vector<uint8_t> good = testobj::read_bytes(path("startup.obj"));
    std::mt19937 random(12345);
    int runs = 0;
    auto try_bytes = [&](const std::vector<uint8_t>& bytes) {
        std::ofstream(path("bad.obj"), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                               static_cast<std::streamsize>(bytes.size()));
        int status = link(std::string(CHIP_OPTIONS) + " -I -Mmap -Hl.sym bad.obj");
        EXPECT_GE(status, 0) << "run " << runs << "\n" << err();
        ++runs;
    };
    for (size_t cut = 1; cut < good.size(); cut += good.size() / 12 + 1)
        try_bytes(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<ptrdiff_t>(cut)));
    for (int i = 0; i < 24; ++i) {
        std::vector<uint8_t> bytes = good;
        for (int k = 0; k < 3; ++k) bytes[random() % bytes.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
        try_bytes(bytes);
    }
    std::vector<uint8_t> lib{0x40, 0x00, 0x05, 0x00, 1, 2, 3};   // a directory longer than the file
    std::ofstream(path("bad.lib"), std::ios::binary).write(reinterpret_cast<const char*>(lib.data()), 7);
    EXPECT_EQ(link("bad.lib"), 1);
    EXPECT_NE(err().find("(507)"), std::string::npos) << err();
}

}  // namespace

namespace {

TEST_F(Link, WithChainsAndClassItems) {
    module m;
    m.ident()
        .psect("a", GLOBAL).psect("b", GLOBAL).psect("c", GLOBAL).psect("d", GLOBAL)
        .xpsect("a", "CODE", 1, 0, "b").xpsect("b", "CODE", 1, 0, "a").xpsect("c", "CODE", 1, 0, "c")
        .xpsect("d", "CODE")
        .text("a", 0, {1}).text("b", 0, {2}).text("c", 0, {3}).text("d", 0, {4, 5}).start("a", 0).end();
    m.write(path("w.obj"));
    // A loop of "with" psects is reported and cut, and the link still places everything (the
    // map on standard output shows it). The failed link leaves the symbol file as it was.
    std::ofstream(path("l.sym")) << "kept";
    EXPECT_EQ(link("-ACODE=0-0FFh -Pa=CODE,b,c -M -Hl.sym w.obj"), 1);
    size_t first = err().find("(496)");
    ASSERT_NE(first, std::string::npos) << err();
    EXPECT_NE(err().find("(496) psect \"c\" can't be placed with psect \"c\""), std::string::npos) << err();
    EXPECT_NE(err().find("(496)", first + 1), std::string::npos) << err();
    EXPECT_EQ(file("l.sym"), "kept");
    for (const char* name : {"__La", "__Lb", "__Ld"}) EXPECT_NE(file("out.txt").find(name), std::string::npos) << name;
    linkfile::symbol s;
    // -Pa=CODE,b: b is allocated in CODE too.
    module n;
    n.ident().psect("a", GLOBAL).xpsect("a", "CODE").psect("b", GLOBAL).xpsect("b", "CODE")
        .psect("g", GLOBAL).text("a", 0, {1, 1}).text("b", 0, {2}).text("g", 0, {7}).start("a", 0).end();
    n.write(path("n.obj"));
    ASSERT_EQ(link("-ACODE=10h-0FFh -Pa=CODE,b -Pg=0,a+g -Hl.sym n.obj"), 1);   // a is placed twice
    EXPECT_NE(err().find("(493)"), std::string::npos);
    ASSERT_EQ(link("-ACODE=10h-0FFh -Pa+g=CODE,b -Hl.sym n.obj"), 0) << err();
    ASSERT_TRUE(symbol("__La", s));
    EXPECT_EQ(s.value, 0x10u);
    ASSERT_TRUE(symbol("__Lb", s));
    EXPECT_GE(s.value, 0x13u);   // after a and the glued g
    EXPECT_EQ(texts().count(0x12), 1u);   // g right after a
}

}  // namespace

namespace {

TEST_F(Link, SymbolTableLayouts) {
    module m;
    m.ident()
        .psect("code", GLOBAL).xpsect("code", "CODE", 2).psect("data", GLOBAL).xpsect("data", "RAM", 1, 1)
        .sym("_zeta", 2, DEFINED, "code").sym("_alpha", 4, DEFINED, "code").sym("_var", 1, DEFINED, "data")
        .text("code", 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).text("data", 2, {}).start("code", 0).end();
    m.write(path("t.obj"));
    const std::string base = "-ACODE=0-0FFh -ARAM=20h-7Fh -Pcode=CODE,data=RAM t.obj";
    ASSERT_EQ(link("-Mmap " + base), 0) << err();
    std::string map = file("map");
    size_t table = map.find("Symbol Table");
    ASSERT_NE(table, std::string::npos);
    EXPECT_LT(map.find("_alpha", table), map.find("_zeta", table));   // by name
    // Names padded to the longest (__Hcode), psects to the longest ("(abs)"), values in words.
    EXPECT_NE(map.find("_alpha  code  04"), std::string::npos) << map;
    ASSERT_EQ(link("-N -Mmap " + base), 0) << err();
    map = file("map");
    table = map.find("Symbol Table");
    EXPECT_LT(map.find("_zeta", table), map.find("_alpha", table));    // by value first
    EXPECT_LT(map.find("_alpha", table), map.find("_var ", table));
    ASSERT_EQ(link("-Nc -Mmap " + base), 0) << err();
    map = file("map");
    size_t code = map.find("\nCLASS\tCODE     \n\t");
    size_t ram = map.find("\nCLASS\tRAM      \n\t");
    ASSERT_NE(code, std::string::npos) << map;
    ASSERT_NE(ram, std::string::npos) << map;
    EXPECT_GT(map.find("\t_alpha", code), code);
    EXPECT_LT(map.find("\t_alpha", code), ram);
    EXPECT_GT(map.find("\t_var", ram), ram);
    ASSERT_EQ(link("-Ns -Mmap " + base), 0) << err();
    map = file("map");
    size_t space1 = map.find("\nSPACE\t1\n");
    ASSERT_NE(space1, std::string::npos) << map;
    EXPECT_GT(map.find("\t_var", space1), space1);
    EXPECT_LT(map.find("\t_zeta"), space1);
    ASSERT_EQ(link("-8 -Mmap " + base), 0) << err();
    map = file("map");
    EXPECT_NE(map.find("_var    data  0020:21"), std::string::npos) << map;   // selector and value
}

}  // namespace

namespace {

TEST_F(Link, ListingRelocation) {
    // The list file: text, a relocated value printed in 4 digits, text.
    module list;
    obj::expr_builder e;
    e.symbol("_f").end();
    obj::lr_reloc_rec lr;
    lr.position = 0;
    lr.type = 0x32;
    lr.width = 4;
    lr.expr = e.data();
    obj::body_builder b;
    obj::encode_lr_reloc(b, lr);
    std::string before = "  call ", after = "\n";
    list.raw(obj::LR_TEXT, std::vector<uint8_t>(before.begin(), before.end()))
        .raw(obj::LR_RELOC, b.data())
        .raw(obj::LR_TEXT, std::vector<uint8_t>(after.begin(), after.end()))
        .end();
    list.write(path("m.lrl"));
    obj::listreloc_rec names;
    names.list_file = "m.lrl";
    names.listing_file = "m.lst";
    obj::body_builder nb;
    obj::encode_listreloc(nb, names);
    module m;
    m.ident().psect("text", GLOBAL).sym("_f", 3, DEFINED, "text").text("text", 0, {1, 2, 3, 4})
        .raw(obj::LISTRELOC, nb.data()).start("text", 0).end();
    m.write(path("m.obj"));
    ASSERT_EQ(link("-Ptext=100h m.obj"), 0) << err();
    EXPECT_EQ(file("m.lst"), "  call 0103\n");
    names.list_file = "absent.lrl";
    obj::body_builder missing;
    obj::encode_listreloc(missing, names);
    module n;
    n.ident().psect("text", GLOBAL).text("text", 0, {1}).raw(obj::LISTRELOC, missing.data()).start("text", 0).end();
    n.write(path("n.obj"));
    EXPECT_EQ(link("-Ptext=100h n.obj"), 1);
    EXPECT_NE(err().find("(524)"), std::string::npos) << err();
}

}  // namespace
