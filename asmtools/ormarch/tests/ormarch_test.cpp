// ormarch end to end: the library directory from the objects' symbols, libraries as input,
// and refusals that leave no library behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "asmtools/ormasm/tests/helpers.h"
#include "testsupport/testsupport.h"
#include "objfmt/library.h"
#include "objfmt/record_io.h"

using namespace asmtest;

namespace {

// Assembles source into dir/name.obj; fails the test when that does not work.
void object(const std::string& dir, const std::string& name, const std::string& source) {
    testsupport::write_file(dir + "/" + name + ".as", source);
    std::string out;
    ASSERT_EQ(testsupport::run_merged("cd " + dir + " && " + testsupport::program("ormasm") + " -o" + name + ".obj " + name + ".as", &out), 0)
        << out;
}

std::string archive(const std::string& dir, const std::string& args, int& status) {
    std::string out;
    status = testsupport::run_merged("cd " + dir + " && " + testsupport::program("ormarch") + " " + args, &out);
    return out;
}

std::string listing(const std::string& path) {
    std::string out;
    testsupport::run_merged(testsupport::program("ormobjdump") + " " + path, &out);
    return out;
}

}  // namespace

TEST(Librarian, DirectoryFromTheSymbols) {
    std::string dir = testsupport::scratch_folder("ormarch_dir");
    object(dir, "a",
           "\tglobal\t_f,_g,_shared,_common_ref\n\tpsect\ttext,class=CODE,delta=2\n"
           "_f\n\tfcall\t_g\n\treturn\nlocal_label\n\tmovlw\t_common_ref\n"
           "\tpsect\tbss,class=BANK0,space=1\n_shared\n\tds\t2\n");
    object(dir, "b", "\tglobal\t_g,_f\n\tpsect\ttext,class=CODE,delta=2\n_g\n\tgoto\t_f\n");
    int status;
    std::string out = archive(dir, "r lib1.lib a.obj b.obj", status);
    ASSERT_EQ(status, 0) << out;
    // Entries: 12 fixed bytes, "a.obj" and NUL, then flag, name and NUL per symbol:
    // 12 + 6 + 4 + 4 + 9 + 13 = 48 and 12 + 6 + 4 + 4 = 26; the data starts at 4 + 74.
    std::string text = listing(dir + "/lib1.lib");
    EXPECT_EQ(text.substr(0, text.find("PSECT")),
              std::string("LIBRARY dir_size=74 modules=2\n"
                          "MODULE a.obj length=") +
                  std::to_string(testsupport::read_file(dir + "/a.obj").size()) +
                  " offset=78\n  DEF _f\n  REF _g\n  DEF _shared\n  REF _common_ref\n"
                  "MODULE b.obj length=" +
                  std::to_string(testsupport::read_file(dir + "/b.obj").size()) + " offset=" +
                  std::to_string(78 + testsupport::read_file(dir + "/a.obj").size()) + "\n  DEF _g\n  REF _f\n-- a.obj\n"
                  "IDENT map32=0,1,2,3 map16=0,1 machine=PIC14 version=3.7\n");
    // The modules are the objects' bytes unchanged.
    std::vector<uint8_t> lib, a;
    obj::read_file(dir + "/lib1.lib", lib);
    obj::read_file(dir + "/a.obj", a);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), lib.begin() + 78));
    // A library as input keeps its modules; a module's name is its file's base name.
    object(dir, "c", "\tglobal\t_h\n\tpsect\ttext,class=CODE,delta=2\n_h\n\treturn\n");
    out = archive(dir, "r lib2.lib lib1.lib " + dir + "/c.obj", status);
    ASSERT_EQ(status, 0) << out;
    text = listing(dir + "/lib2.lib");
    EXPECT_NE(text.find("LIBRARY dir_size=96 modules=3\nMODULE a.obj"), std::string::npos) << text;
    EXPECT_NE(text.find("MODULE c.obj length="), std::string::npos) << text;
    EXPECT_NE(text.find("  DEF _h\n"), std::string::npos) << text;
}

TEST(Librarian, RefusalsLeaveTheLibraryAsItWas) {
    std::string dir = testsupport::scratch_folder("ormarch_bad");
    object(dir, "good", "\tglobal\t_f\n\tpsect\ttext,class=CODE,delta=2\n_f\n\treturn\n");
    testsupport::write_file(dir + "/bad.obj", std::string("\x05\x00\x01\x00", 4));   // TEXT cut short
    struct {
        const char* args;
        const char* message;
    } cases[] = {
        {"r out.lib good.obj bad.obj", "(2882)"},
        {"r out.lib good.obj missing.obj", "(2881)"},
        {"x out.lib good.obj", "(2885)"},
        {"r out.lib", "(2880)"},
    };
    for (const auto& c : cases) {
        testsupport::write_file(dir + "/out.lib", "stale");
        int status;
        std::string out = archive(dir, c.args, status);
        EXPECT_NE(status, 0) << c.args;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.args << out;
        EXPECT_EQ(testsupport::read_file(dir + "/out.lib"), "stale") << c.args;
    }
}

TEST(Librarian, SixteenBitDirectoryLimit) {
    std::string dir = testsupport::scratch_folder("ormarch_limit");
    // 5000 referenced names of 16 bytes: a symbol list of 90000 bytes cannot be stored.
    std::string src = "\tpsect\ttext,class=CODE,delta=2\n";
    for (int i = 0; i < 5000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "external_%07d", i);
        src += std::string("\tglobal\t") + name + "\n";
    }
    object(dir, "many", src);
    int status;
    std::string out = archive(dir, "r big.lib many.obj", status);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("(2883)"), std::string::npos) << out;
    EXPECT_FALSE(testsupport::file_exists(dir + "/big.lib"));
}

TEST(RuntimeLibraries, EveryNameTheDriverFormsExists) {
    // The C library of each chip for both double sizes ("orl", '4', memory digit, bank
    // character, double character, "c") and the chip support libraries ("orl%x%c--u").
    const char* names[] = {"orl401-c", "orl401dc", "orl40b-c", "orl40bdc", "orl40c-c", "orl40cdc",
                           "orl4---u", "orl5---u", "orl61--u", "orl62--u", "orl63--u"};
    std::string lib = (testsupport::build_dir() / "lib").string() + "/";
    for (const char* n : names) {
        std::string path = lib + n + ".lib";
        ASSERT_TRUE(testsupport::file_exists(path)) << path;
        std::string text = listing(path);
        EXPECT_NE(text.find("\n  DEF string_indir\n"), std::string::npos) << n << text;
        EXPECT_NE(text.find("\n  DEF code_ptr\n"), std::string::npos) << n << text;
    }
}

TEST(RuntimeLibraries, StringIndirReadsTheByteAtCodePtr) {
    // Its code: load PCLATH and W from code_ptr, advance code_ptr, jump with PCL.
    std::string dir = testsupport::scratch_folder("string_indir");
    std::string out;
    ASSERT_EQ(testsupport::run_merged(testsupport::program("ormasm") + " -o" + dir + "/s.obj " + testsupport::source_dir().string() +
                      "/runtime/string_indir.as",
                  &out),
              0)
        << out;
    std::vector<uint8_t> object;
    obj::read_file(dir + "/s.obj", object);
    std::vector<uint16_t> words = words_of(psect_bytes(object, "text"));
    // A RAM address (bit 15 set) goes to the FSR path: btfsc code_ptr+1,7; goto si_ram.
    // Then the program-memory path; code_ptr fields and the goto are filled in by the linker.
    std::vector<uint16_t> expect{0x1B80, 0x2800, 0x0800, 0x008A, 0x0800, 0x0A80, 0x1903, 0x0A80, 0x0082};
    ASSERT_GT(words.size(), expect.size());
    EXPECT_EQ(std::vector<uint16_t>(words.begin(), words.begin() + static_cast<std::ptrdiff_t>(expect.size())), expect);
    EXPECT_EQ(words.back(), 0x0008);   // the RAM path returns with the byte in W
}
