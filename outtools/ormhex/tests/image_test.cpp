// ormhex's paged image, option numbers, checksum lists, relocations and executable images.
#include <gtest/gtest.h>

#include "hexfmt/tests/tool_testing.h"
#include "testsupport/testsupport.h"
#include "outtools/ormhex/hexconv.h"

namespace {

using testsupport::run_merged;

TEST(HexPages, PagesSwapOutAndComeBackIntact) {
    hex::PageImage image(3);   // three slots for twenty pages
    for (uint32_t page = 0; page < 20; ++page)
        for (uint32_t i = 0; i < 4; ++i) image.put(page * 5000 + i, static_cast<uint8_t>(page * 7 + i));
    for (uint32_t page = 20; page-- > 0;)
        for (uint32_t i = 0; i < 4; ++i) {
            uint8_t value = 0;
            ASSERT_TRUE(image.get(page * 5000 + i, value));
            EXPECT_EQ(value, static_cast<uint8_t>(page * 7 + i));
        }
    image.sort();
    for (size_t i = 1; i < image.count(); ++i) EXPECT_LT(image.page(i - 1).number, image.page(i).number);
    uint8_t value;
    ASSERT_TRUE(image.get(19 * 5000 + 2, value));
    EXPECT_EQ(value, 19 * 7 + 2);
    EXPECT_EQ(image.lowest(), 0u);
    EXPECT_EQ(image.highest(), 19u * 5000 + 4);
}

TEST(HexPages, NewPagesHoldTheFillPreset) {
    hex::PageImage image;
    image.set_fill(0x3FFF, obj::byte_order::little());
    image.put(0x10, 1);
    uint8_t value;
    ASSERT_TRUE(image.get(0x12, value));
    EXPECT_EQ(value, 0xFF);
    ASSERT_TRUE(image.get(0x13, value));
    EXPECT_EQ(value, 0x3F);
    hex::PageImage big;
    big.set_fill(0x3FFF, obj::byte_order::big());
    big.put(0x10, 1);
    ASSERT_TRUE(big.get(0x12, value));
    EXPECT_EQ(value, 0x3F);
}

TEST(HexOptions, NumbersWithPrefixesAndSuffixes) {
    auto number = [](const char* text, uint32_t& value) {
        const char* p = text;
        return hex::parse_option_number(p, value) && *p == '\0';
    };
    uint32_t v;
    ASSERT_TRUE(number("0FFh", v));
    EXPECT_EQ(v, 0xFFu);
    ASSERT_TRUE(number("0x3FFF", v));
    EXPECT_EQ(v, 0x3FFFu);
    ASSERT_TRUE(number("17q", v));
    EXPECT_EQ(v, 15u);
    ASSERT_TRUE(number("100", v));
    EXPECT_EQ(v, 100u);
    ASSERT_TRUE(number("100d", v));
    EXPECT_EQ(v, 100u);
    EXPECT_FALSE(number("FF", v));    // a letter in a decimal number
    EXPECT_FALSE(number("19o", v));   // 9 in an octal number
    EXPECT_FALSE(number("x1", v));
}

TEST(HexChecksumList, EntriesCommentsAndErrors) {
    auto list = hex::parse_checksum_list("/* code */ 0-FF 100\n 0-1ff 200-201 +1234\t300-3FF 400-403");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].destination_end, 0x100u);
    EXPECT_EQ(list[1].end, 0x1FFu);
    EXPECT_EQ(list[1].destination_end, 0x201u);
    EXPECT_EQ(list[1].initial, 0x1234u);
    EXPECT_EQ(list[2].destination_end, 0x403u);
    EXPECT_TRUE(hex::parse_checksum_list(" \n/* nothing */\n").empty());
    EXPECT_EXIT(hex::parse_checksum_list("0-FF"), testing::ExitedWithCode(1), "427");
    EXPECT_EXIT(hex::parse_checksum_list("0-FF 100 / 4"), testing::ExitedWithCode(1), "427");
    std::string many;
    for (int i = 0; i < 257; ++i) many += "0-F 100\n";
    EXPECT_EXIT(hex::parse_checksum_list(many), testing::ExitedWithCode(1), "1209");
    many.resize(many.size() - 8);
    EXPECT_EQ(hex::parse_checksum_list(many).size(), 256u);
}

class HexProgram : public testsupport::scratch_test {
protected:
    int hex(const std::string& args, const std::string& output = "out") {
        return run_merged("cd '" + scratch().path().string() + "' && " + testsupport::program("ormhex") + " " + args + " l.obj " + output, &messages);
    }
    std::string file(const std::string& name) { return testsupport::read_file(path(name)); }
    void write(const std::string& name, const std::string& text) { std::ofstream(path(name)) << text; }
    std::string messages;
};

TEST_F(HexProgram, ChecksumsPlacedInTargetOrder) {
    std::vector<uint8_t> ones(0x100, 1);
    tooltest::ObjectBuilder().ident().text(0, ones).start(0).end().save(path("l.obj"));
    write("ck8", "0-FF 100");
    ASSERT_EQ(hex("-b -Cck8", "a.bin"), 0) << messages;
    EXPECT_NE(messages.find("8-bit checksum 00 placed at 0100"), std::string::npos) << messages;
    EXPECT_EQ(file("a.bin").substr(0x100), std::string(1, '\0'));
    write("ck16", "0-FF 100-101 +1");
    ASSERT_EQ(hex("-b -Cck16", "b.bin"), 0) << messages;
    EXPECT_EQ(file("b.bin").substr(0x100), "\x01\x01");   // 0x101, low byte first
    // The second range covers the first's destination and includes its sum.
    write("chain", "0-FF 100 +5\n0-100 104-107");
    ASSERT_EQ(hex("-b -Cchain", "c.bin"), 0) << messages;
    EXPECT_EQ(file("c.bin").substr(0x100), std::string("\x05\0\0\0\x05\x01\0\0", 8));
    write("bad", "0-FF 100-102");
    EXPECT_EQ(hex("-b -Cbad", "d.bin"), 1);
    EXPECT_NE(messages.find("(430)"), std::string::npos) << messages;
    EXPECT_FALSE(testsupport::file_exists(path("d.bin")));
    // A big-endian target stores the high byte first.
    tooltest::ObjectBuilder(obj::byte_order::big()).ident().text(0, ones).start(0).end().save(path("l.obj"));
    ASSERT_EQ(hex("-b -Cck16", "e.bin"), 0) << messages;
    EXPECT_EQ(file("e.bin").substr(0x100), "\x01\x01");
    write("ck32", "0-FF 100-103 +12345600");
    ASSERT_EQ(hex("-b -Cck32", "f.bin"), 0) << messages;
    EXPECT_EQ(file("f.bin").substr(0x100), std::string("\x12\x34\x57\x00", 4));
    ASSERT_EQ(hex("-b -V -Cck32", "g.bin"), 0) << messages;   // -V: reversed order
    EXPECT_EQ(file("g.bin").substr(0x100), std::string("\x00\x57\x34\x12", 4));
}

TEST_F(HexProgram, RelocationsAndBadObjects) {
    tooltest::ObjectBuilder().ident().text(0x10, {0, 0}).reloc(0, 1).start(0).end().save(path("l.obj"));
    EXPECT_EQ(hex(""), 1);
    EXPECT_NE(messages.find("(419)"), std::string::npos) << messages;
    // -R stores the table at its symbol; an undefined symbol is refused, not written at 0.
    tooltest::ObjectBuilder()
        .ident().text(0x10, {0, 0, 0, 0}).reloc(0, 2).reloc(2, 2).symbol("__Lbss", 0x40).symbol("other", 0, 0x16)
        .start(0).end().save(path("l.obj"));
    ASSERT_EQ(hex("-b -R", "r.bin"), 0) << messages;
    EXPECT_EQ(file("r.bin").substr(0x40 - 0x10), std::string("\x02\0\x10\0\x12\0", 6));
    EXPECT_EQ(hex("-b -Rother", "s.bin"), 1);
    EXPECT_NE(messages.find("(1206)"), std::string::npos) << messages;
    EXPECT_FALSE(testsupport::file_exists(path("s.bin")));
    // Malformed objects.
    tooltest::ObjectBuilder().ident().text(0, {1}).save(path("l.obj"));
    EXPECT_EQ(hex(""), 1);
    EXPECT_NE(messages.find("(422)"), std::string::npos) << messages;
    tooltest::ObjectBuilder().ident().raw(21, {}).end().save(path("l.obj"));
    EXPECT_EQ(hex(""), 1);
    EXPECT_NE(messages.find("(423)"), std::string::npos) << messages;
    std::ofstream(path("l.obj"), std::ios::binary).write("\x0A\x00\x01\x00\x00", 5);
    EXPECT_EQ(hex(""), 1);
    EXPECT_NE(messages.find("(425)"), std::string::npos) << messages;
}

TEST_F(HexProgram, OptionCombinationsAndRefusedImages) {
    tooltest::ObjectBuilder().ident().text(0, {1, 2}).start(0).end().save(path("l.obj"));
    EXPECT_EQ(hex("-I -A"), 1);
    EXPECT_NE(messages.find("(410)"), std::string::npos) << messages;
    EXPECT_EQ(hex("-I -P"), 1);
    EXPECT_NE(messages.find("(410)"), std::string::npos) << messages;
    EXPECT_EQ(hex("-Ssyms -U"), 1);
    EXPECT_NE(messages.find("(410)"), std::string::npos) << messages;
    for (const char* option : {"-8", "-A", "-x68000", "-D"}) {
        EXPECT_EQ(hex(option), 1) << option;
        EXPECT_NE(messages.find("(433)"), std::string::npos) << messages;
    }
    EXPECT_EQ(hex("-Q"), 1);
    EXPECT_NE(messages.find("(168)"), std::string::npos) << messages;
    EXPECT_NE(messages.find("(529)"), std::string::npos) << messages;
    EXPECT_EQ(hex("-W-12"), 0);   // a warning, and the run goes on
    EXPECT_NE(messages.find("(523)"), std::string::npos) << messages;
    EXPECT_EQ(hex("-W"), 1);
    EXPECT_NE(messages.find("(393)"), std::string::npos) << messages;
    // -E with a file name appends the messages to it.
    EXPECT_EQ(hex("-Eerrors.txt -Q"), 1);
    EXPECT_NE(file("errors.txt").find("(168) unknown option \"-Q\""), std::string::npos) << file("errors.txt");
}

TEST_F(HexProgram, ImageLimit) {
    tooltest::ObjectBuilder o;
    o.ident();
    for (uint32_t page = 0; page < 4001; ++page) o.text(page * 1024, {1});
    o.start(0).end().save(path("l.obj"));
    EXPECT_EQ(hex("-I"), 1);
    EXPECT_NE(messages.find("(418)"), std::string::npos) << messages;
    EXPECT_FALSE(testsupport::file_exists(path("out")));
    // 4000 pages fit, most of them in the swap file.
    tooltest::ObjectBuilder fits;
    fits.ident();
    for (uint32_t page = 0; page < 4000; ++page) fits.text(page * 1024 + page % 7, {static_cast<uint8_t>(page)});
    fits.end().save(path("l.obj"));
    ASSERT_EQ(hex("-I", "big.hex"), 0) << messages;
    ASSERT_EQ(run_merged("srec_info " + path("big.hex") + " -intel", &messages), 0) << messages;
    EXPECT_NE(file("big.hex").find(":017C02009FE2\n"), std::string::npos);   // page 3999
}

TEST_F(HexProgram, SymbolList) {
    tooltest::ObjectBuilder().ident().text(0, {1}).symbol("_main", 0x12).symbol("start", 0x1234).start(0).end()
        .save(path("l.obj"));
    ASSERT_EQ(hex("-Ssyms"), 0) << messages;
    EXPECT_EQ(file("syms"), "0012 _main\n1234 start\n");
}

uint32_t le32(const std::string& s, size_t at) {
    return static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8 | static_cast<uint8_t>(s[at + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24;
}
uint16_t le16(const std::string& s, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | static_cast<uint8_t>(s[at + 1]) << 8);
}

TEST_F(HexProgram, ExecutableHeaders) {
    tooltest::ObjectBuilder()
        .ident().text(0, {0xAA, 0xBB, 0, 0, 0, 0, 0xCC, 0xDD}).reloc(2, 4)
        .symbol("__Htext", 8).symbol("__Lbss", 0x10).symbol("__Hbss", 0x30).symbol("__Hdata", 0x10)
        .symbol("__Ldata", 8).start(0).end().save(path("l.obj"));
    ASSERT_EQ(hex("-P", "p.out"), 0) << messages;
    std::string p = file("p.out");
    ASSERT_GE(p.size(), 28u + 8 + 4);
    EXPECT_EQ(le16(p, 0), 0x601A);
    EXPECT_EQ(le32(p, 2), 8u);
    EXPECT_EQ(le32(p, 6), 8u);
    EXPECT_EQ(le32(p, 10), 0x20u);
    EXPECT_EQ(p.substr(28, 2), "\xAA\xBB");
    EXPECT_EQ(le32(p, 28 + 8), 2u);   // the one relocation, at address 2
    // The other images take no relocation entries but absolute ones of type 2.
    tooltest::ObjectBuilder()
        .ident().text(0, {0xAA, 0xBB, 0, 0, 0, 0, 0xCC, 0xDD})
        .symbol("__Htext", 8).symbol("__Lbss", 0x10).symbol("__Hbss", 0x30).symbol("__Hdata", 0x10)
        .symbol("__Ldata", 8).start(0).end().save(path("l.obj"));
    ASSERT_EQ(hex("-N", "n.out"), 0) << messages;
    std::string n = file("n.out");
    EXPECT_EQ(n.substr(0, 4), "\x01\x03\x10\x04");
    EXPECT_EQ(le32(n, 12), 8u);                  // data: __Hdata - __Ldata
    EXPECT_EQ(le32(n, 16), 0x20u);               // bss: __Hbss - __Hdata
    EXPECT_EQ(le32(n, 24), 0x10000u + 0x30);     // total memory
    EXPECT_EQ(n.substr(32, 2), "\xAA\xBB");
    ASSERT_EQ(hex("-E", "e.exe"), 0) << messages;
    std::string e = file("e.exe");
    EXPECT_EQ(e.substr(0, 2), "MZ");
    EXPECT_EQ(le16(e, 8), 256 / 16);
    EXPECT_EQ(e.substr(256, 2), "\xAA\xBB");
    ASSERT_EQ(hex("-U", "u.out"), 0) << messages;
    std::string u = file("u.out");
    EXPECT_EQ(le16(u, 0), 336);
    EXPECT_EQ(le16(u, 2), 3);
    EXPECT_EQ(u.substr(48, 5), ".text");
    EXPECT_EQ(u.substr(168, 2), "\xAA\xBB");
    EXPECT_EQ(le32(u, 12), 5u);   // five symbols
    // A corrupt special symbol places the data or the symbol table gigabytes out: refused
    // before anything is written, not padded out to that size.
    for (const char* symbol : {"__Btext", "__Bdata", "__Hdata"}) {
        tooltest::ObjectBuilder()
            .ident().text(0, {0xAA, 0xBB}).symbol(symbol, 0xA000000).start(0).end().save(path("l.obj"));
        EXPECT_EQ(hex("-U", "w.out"), 1) << symbol;
        EXPECT_NE(messages.find("(418)"), std::string::npos) << symbol << messages;
        EXPECT_FALSE(testsupport::file_exists(path("w.out"))) << symbol;
    }
    // The same for the gap before data far above a binary image's base.
    tooltest::ObjectBuilder().ident().text(0, {1}).text(0xF0000000, {2}).start(0).end().save(path("l.obj"));
    EXPECT_EQ(hex("-b", "gap.bin"), 1);
    EXPECT_NE(messages.find("(418)"), std::string::npos) << messages;
    EXPECT_FALSE(testsupport::file_exists(path("gap.bin")));
    // Images that do not start at 0 are refused.
    tooltest::ObjectBuilder().ident().text(4, {1}).start(4).end().save(path("l.obj"));
    EXPECT_EQ(hex("-P", "q.out"), 1);
    EXPECT_NE(messages.find("(412)"), std::string::npos) << messages;
    // Text near the top of the 32-bit space puts the file offset past 4 GiB after the header:
    // refused, never cut down to a smaller size and written out of bounds.
    tooltest::ObjectBuilder()
        .ident().text(0, {1}).text(0xFFFFFFF0u, {2, 3}).symbol("__Htext", 8).symbol("__Lbss", 0x10)
        .symbol("__Hbss", 0x30).start(0).end().save(path("l.obj"));
    EXPECT_EQ(hex("-P", "huge.out"), 1);
    EXPECT_NE(messages.find("(418)"), std::string::npos) << messages;
    EXPECT_FALSE(testsupport::file_exists(path("huge.out")));
}

}  // namespace
