// Library layout: header, directory entries, symbol flags, bounds and the 16-bit limits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "objfmt/dump/dump.h"
#include "testsupport/message_capture.h"
#include "objfmt/library.h"
#include "objfmt/record_io.h"

using namespace obj;
using bytes = std::vector<uint8_t>;

static bytes tiny_module() {
    bytes m;
    record_writer w(&m);
    w.write_record(END, bytes{0, 0});
    return m;
}

TEST(Library, DirectoryBytesAreExact) {
    std::vector<lib_module> mods(1);
    mods[0].name = "a.obj";
    mods[0].length = 5;
    mods[0].symbols = {{LIB_DEFINES, "_f"}, {LIB_REFERS, "_g"}};
    bytes dir = encode_lib_directory(mods);
    bytes expect{26, 0, 1, 0,           // dir_size 26, one module
                 8, 0, 2, 0,            // symbol list of 8 bytes, 2 symbols
                 5, 0, 0, 0, 0, 0, 0, 0, 'a', '.', 'o', 'b', 'j', 0,
                 0, '_', 'f', 0, 1, '_', 'g', 0};
    EXPECT_EQ(dir, expect);
    bytes file = dir;
    bytes m = tiny_module();
    file.insert(file.end(), m.begin(), m.end());
    lib_directory back;
    ASSERT_TRUE(read_lib_directory(file.data(), file.size(), back));
    ASSERT_EQ(back.modules.size(), 1u);
    EXPECT_EQ(back.modules[0].offset, 30u);
    EXPECT_EQ(back.modules[0].symbols[1].name, "_g");
    EXPECT_FALSE(back.modules[0].symbols[1].defines());
    std::string text;
    ASSERT_TRUE(dump_library(file.data(), file.size(), text));
    EXPECT_EQ(text, "LIBRARY dir_size=26 modules=1\nMODULE a.obj length=5 offset=30\n"
                    "  DEF _f\n  REF _g\n-- a.obj\nEND size=2\n");
}

TEST(Library, ReadsAreBoundedByTheDirectory) {
    testsupport::message_capture messages;
    std::vector<lib_module> mods(2);
    mods[0].name = "one";
    mods[0].symbols = {{0, "alpha"}};
    mods[1].name = "two";
    mods[1].symbols = {{0, "beta"}, {1, "alpha"}};
    bytes good = encode_lib_directory(mods);
    lib_directory d;
    ASSERT_TRUE(read_lib_directory(good.data(), good.size(), d));
    EXPECT_EQ(d.modules[1].symbols.size(), 2u);
    // Cut anywhere inside header or directory: refused, never overrun.
    for (size_t n = 0; n < good.size(); ++n) {
        bytes cut(good.begin(), good.begin() + n);
        EXPECT_FALSE(read_lib_directory(cut.data(), cut.size(), d)) << n;
    }
    // A symbol count larger than the list holds.
    bytes bad = good;
    bad[4 + 2] = 2;   // first entry claims two symbols in a list holding one
    EXPECT_FALSE(read_lib_directory(bad.data(), bad.size(), d));
    // A symbol list size running past the directory.
    bad = good;
    bad[4] = 0xF0;
    EXPECT_FALSE(read_lib_directory(bad.data(), bad.size(), d));
    // A module count larger than the directory holds.
    bad = good;
    bad[2] = 3;
    EXPECT_FALSE(read_lib_directory(bad.data(), bad.size(), d));
    EXPECT_TRUE(messages.has(507));
}

TEST(Library, SixteenBitLimitsAreRefusedNotWrapped) {
    std::vector<lib_module> mods(1);
    mods[0].name = "big";
    // 65535 bytes of symbol list is the most one entry can hold; the directory then overflows.
    std::string name(300, 'n');
    for (int i = 0; i < 217; ++i) mods[0].symbols.push_back({0, name});   // 217 * 302 = 65534
    EXPECT_EQ(check_lib_limits(mods), lib_limit::dir_size);
    mods[0].symbols.push_back({0, name});
    EXPECT_EQ(check_lib_limits(mods), lib_limit::sym_list_size);
    EXPECT_TRUE(encode_lib_directory(mods).empty());
    mods[0].symbols.resize(100);
    EXPECT_EQ(check_lib_limits(mods), lib_limit::ok);
    std::vector<lib_module> many(65536);
    EXPECT_EQ(check_lib_limits(many), lib_limit::module_count);
}
