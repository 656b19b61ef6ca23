// The format table, the symbol file, Intel HEX, S-records and COD, through their streams.
#include <gtest/gtest.h>

#include <cstring>

#include "converter/formats.h"
#include "converter/tests/test_util.h"

using namespace conv;
using conv_test::contents;
using conv_test::stream_of;

namespace {

TEST(FormatTable, KeysAndPrefixes) {
    EXPECT_EQ(format_lookup("cof"), 8u);
    EXPECT_EQ(format_lookup("coff"), 8u);
    EXPECT_EQ(format_lookup("mcof"), 9u);
    EXPECT_EQ(format_lookup("omf"), 4u);
    EXPECT_EQ(format_lookup("eomf"), 3u);
    EXPECT_EQ(format_lookup("s19"), 6u);
    EXPECT_EXIT(format_lookup("co"), ::testing::ExitedWithCode(1), "\\(603\\) ambiguous file format name \"co\"");
    EXPECT_EXIT(format_lookup(""), ::testing::ExitedWithCode(1), "\\(602\\) null file format name");
    EXPECT_EXIT(format_lookup("zz"), ::testing::ExitedWithCode(1), "\\(604\\) unknown file format name \"zz\"");
    EXPECT_EXIT(format_lookup("COD"), ::testing::ExitedWithCode(1), "\\(604\\)");   // case counts
}

TEST(FormatTable, TskImagesAreNotWritten) {
    // The hex tool writes tsk images; the converter only reads and dumps them.
    conv_context ctx;
    FILE* f = stream_of("anything\n");
    testing::internal::CaptureStderr();
    EXPECT_FALSE(format_row(14).write(ctx, f, "out"));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("(615)"), std::string::npos);
    std::fclose(f);
}

bool probe(uint32_t row, const std::string& text) {
    conv_context ctx;
    FILE* f = stream_of(text);
    bool yes = format_row(row).probe(ctx, f);
    std::fclose(f);
    return yes;
}

TEST(SymbolFile, Probe) {
    EXPECT_TRUE(probe(1, "%segments\n"));
    EXPECT_TRUE(probe(1, "%locals\n"));
    EXPECT_TRUE(probe(1, "_main 7E7 0 CODE\n"));
    EXPECT_TRUE(probe(1, "__S0 2007\n"));       // a global outside every psect may come first
    EXPECT_FALSE(probe(1, "0800 _main\n"));     // the plain style starts with a number
    EXPECT_FALSE(probe(1, "_main 7E7 0 CODE")); // an unfinished line
    EXPECT_FALSE(probe(1, "_r reg 5\n"));
    EXPECT_FALSE(probe(1, ":00000001FF\n"));
}

void read_symbols(conv_context& ctx, const std::string& text, const char* name = "prog.sym") {
    FILE* f = stream_of(text);
    bryllex_read(ctx, f, name);
    std::fclose(f);
}

TEST(SymbolFile, ReadsSymbolsSegmentsAndLines) {
    conv_context ctx;
    std::string line(3000, 'x');
    read_symbols(ctx, "__Lcode 10 0\n__Hcode 20 0\n_g 24 0 BANK0\n_abs 1234\n_r reg 5\n_s stk -2\n"
                      "%segments\ntext 0 7FF CODE\nhalf 10\n%locals\nmain.c\n12 1A 3 text\n_l 22 0 BANK0\n" +
                      line + "\n_long 1 0\nlib1\n_z zz 0\n\nafter 1 0\n");
    const model& md = ctx.md;
    ASSERT_EQ(md.symbols.size(), 4u);   // not the psect bounds, "reg", "stk" or "zz" lines
    EXPECT_EQ(md.symbols[0]->name, "_g");
    EXPECT_EQ(md.symbols[0]->flags, 0u);
    EXPECT_EQ(md.segment(md.symbols[0]->segment)->name, "BANK0");
    EXPECT_EQ(md.symbols[1]->name, "_abs");
    EXPECT_EQ(md.symbols[1]->flags, SYM_NO_SEGMENT);
    EXPECT_EQ(md.symbols[1]->segment, 0u);
    EXPECT_EQ(md.symbols[2]->name, "_l");
    EXPECT_EQ(md.symbols[2]->flags, SYM_LOCAL);
    EXPECT_EQ(md.files[md.symbols[2]->file - 1]->name, "main.c");
    EXPECT_EQ(md.files[md.symbols[3]->file - 1]->name, std::string(3000, 'x'));   // a long file line
    EXPECT_EQ(md.symbols[3]->name, "_long");
    const conv_segment* text = md.seg_find("text");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->base, 0u);
    EXPECT_EQ(text->size, 0x800u);
    EXPECT_EQ(md.segment(text->space)->name, "CODE");
    EXPECT_EQ(md.seg_find("CODE")->size, 0u);
    EXPECT_EQ(md.seg_find("half")->size, 0u);   // a segment line without its last address
    ASSERT_EQ(md.lines.size(), 1u);
    EXPECT_EQ(md.lines[0]->line, 12);
    EXPECT_EQ(md.lines[0]->address, 0x1Au);
    EXPECT_EQ(md.segment(md.lines[0]->segment)->name, "text");
    EXPECT_EQ(md.files[0]->name, "prog.sym");
    EXPECT_EQ(md.sym_lookup("after"), nullptr);   // an empty line ends the reading
}

TEST(SymbolFile, WrittenFileReadsBack) {
    conv_context ctx;
    read_symbols(ctx, "_g 24 0 BANK0\n_abs 1234\n%locals\nmain.c\n12 1A 0 CODE\n_l 22 0 BANK0\n14 1C 0 CODE\n");
    ctx.md.complete(0);
    FILE* out = std::tmpfile();
    bryllex_write(ctx, out, "x.sym");
    std::string text = contents(out);
    // By file, then segment (BANK0 was made first), then value.
    EXPECT_EQ(text, "%locals\nprog.sym\n_abs 1234\n_g 24 1 BANK0\nmain.c\n_l 22 1 BANK0\n12 1A 2 CODE\n14 1C 2 CODE\n");
    conv_context again;
    std::rewind(out);
    EXPECT_TRUE(bryllex_probe(again, out));
    std::rewind(out);
    bryllex_read(again, out, "x.sym");
    std::fclose(out);
    ASSERT_EQ(again.md.symbols.size(), 3u);
    EXPECT_EQ(again.md.symbols[0]->name, "_abs");
    EXPECT_EQ(again.md.symbols[0]->flags, SYM_NO_SEGMENT | SYM_LOCAL);
    EXPECT_EQ(again.md.symbols[1]->value, 0x24u);
    EXPECT_EQ(again.md.segment(again.md.symbols[1]->segment)->name, "BANK0");
    EXPECT_EQ(again.md.lines.size(), 2u);
}

std::string hex_of(conv_context& ctx, bool (*write)(conv_context&, FILE*, const std::string&)) {
    ctx.md.complete(0);
    FILE* out = std::tmpfile();
    write(ctx, out, "out");
    std::string text = contents(out);
    std::fclose(out);
    return text;
}

TEST(IntelHex, WritesRecordsAndExtendedAddresses) {
    conv_context ctx;
    EXPECT_EQ(hex_of(ctx, ihex_write), ":00000001FF\n");
    uint8_t bytes[40];
    for (int i = 0; i < 40; ++i) bytes[i] = uint8_t(i);
    conv_context forty;
    forty.md.data_add(0x100, bytes, 40, 0);
    std::string text = hex_of(forty, ihex_write);
    EXPECT_EQ(text.substr(0, 9), ":10010000");
    EXPECT_NE(text.find("\n:10011000"), std::string::npos);
    EXPECT_NE(text.find("\n:08012000"), std::string::npos);
    conv_context high;
    high.md.data_add(0x10000, bytes, 1, 0);
    EXPECT_EQ(hex_of(high, ihex_write), ":020000040001F9\n:0100000000FF\n:00000001FF\n");
    conv_context edge;
    edge.md.data_add(0xFFF8, bytes, 16, 0);
    text = hex_of(edge, ihex_write);
    EXPECT_EQ(text.substr(0, 9), ":10FFF800");
    EXPECT_EQ(text.find(":02000004"), std::string::npos);
}

void read_hex(conv_context& ctx, void (*read)(conv_context&, FILE*, const std::string&), const std::string& text) {
    FILE* f = stream_of(text);
    read(ctx, f, "t.hex");
    std::fclose(f);
}

TEST(IntelHex, ReadsBasesStartsAndStopsAtDamage) {
    conv_context ctx;
    read_hex(ctx, ihex_read, ":020000021000EC\n:01001000559A\n:00000001FF\n");
    ASSERT_EQ(ctx.md.data.size(), 1u);
    EXPECT_EQ(ctx.md.data[0]->address, 0x10010u);
    EXPECT_EQ(ctx.md.entry_address, 0u);   // the end record's address field

    conv_context start;
    read_hex(start, ihex_read, ":0400000312340010A3\n:00000001FF\n");
    EXPECT_EQ(start.md.entry_address, 0x12350u);   // CS * 16 + IP
    conv_context linear;
    read_hex(linear, ihex_read, ":0400000500011234B0\n:00ABCD0187\n");
    EXPECT_EQ(linear.md.entry_address, 0x11234u);
    conv_context end;
    read_hex(end, ihex_read, ":00ABCD0187\n");
    EXPECT_EQ(end.md.entry_address, 0xABCDu);

    conv_context bad;
    testing::internal::CaptureStderr();
    read_hex(bad, ihex_read, ":0100000011EE\n:0100010022DC\n:0100020033CB\n:0100030044B8\n");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(bad.md.data.size(), 2u);
    EXPECT_NE(err.find("(636) checksum error in Intel HEX file \"t.hex\" on line 3"), std::string::npos) << err;

    conv_context shortline;
    testing::internal::CaptureStderr();
    read_hex(shortline, ihex_read, ":0100000011EE\n:10000000AA\n:0100020033CB\n");
    err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(shortline.md.data.size(), 1u);
    EXPECT_NE(err.find("(635) invalid HEX file \"t.hex\" on line 2"), std::string::npos) << err;
}

TEST(IntelHex, Probe) {
    EXPECT_TRUE(probe(5, ":00000001FF  \r\n"));
    EXPECT_TRUE(probe(5, ":\n"));
    EXPECT_FALSE(probe(5, ":00000001FE\n"));
    EXPECT_FALSE(probe(5, ":0000001FF\n"));
    EXPECT_TRUE(probe(6, "S1030000FC\n"));
    EXPECT_FALSE(probe(6, "S1030000F\n"));
    EXPECT_FALSE(probe(6, "SX030000FC\n"));
}

TEST(SRecords, WriteByOwnAddressAndReadBack) {
    conv_context ctx;
    uint8_t bytes[32] = {};
    ctx.md.data_add(0xFFF8, bytes, 32, 0);
    std::string text = hex_of(ctx, s19_write);
    EXPECT_EQ(text.substr(0, 8), "S113FFF8");
    EXPECT_NE(text.find("\nS214010008"), std::string::npos);
    conv_context back;
    read_hex(back, s19_read, "S00600004844521B\n" + text + "S9030000FC\n");
    back.md.complete(0);
    ASSERT_EQ(back.md.data.size(), 1u);
    EXPECT_EQ(back.md.data[0]->size(), 32u);
    conv_context cut;
    read_hex(cut, s19_read, "S1130000\nS1050010AABB8D\n");   // shorter than its count: stop
    EXPECT_EQ(cut.md.data.size(), 0u);
    conv_context start;
    read_hex(start, s19_read, "S804123456FF\nS1050010AABB8D\n");
    EXPECT_EQ(start.md.entry_address, 0x123456u);
    EXPECT_EQ(start.md.data.size(), 0u);
}

// A .COD file of the model, as bytes.
std::vector<uint8_t> cod_of(conv_context& ctx) {
    ctx.md.complete(0);
    FILE* out = std::tmpfile();
    cod_write(ctx, out, "t.cod");
    std::string text = contents(out);
    std::fclose(out);
    return std::vector<uint8_t>(text.begin(), text.end());
}

uint32_t le16(const std::vector<uint8_t>& f, size_t at) { return f[at] | f[at + 1] << 8; }

TEST(Cod, EmptyModelHasNoMapAndNoCode) {
    conv_context ctx;
    std::vector<uint8_t> f = cod_of(ctx);
    ASSERT_EQ(f.size(), 512u);
    EXPECT_EQ(le16(f, 443), 0u);
    EXPECT_EQ(le16(f, 445), 0u);
    for (size_t i = 0; i < 256; ++i) EXPECT_EQ(f[i], 0) << i;
    EXPECT_EQ(f[320], 7);
    EXPECT_TRUE(std::isdigit(f[322]));
    EXPECT_EQ(std::string(f.begin() + 351, f.begin() + 358), "BRYLLEX");
    EXPECT_EQ(le16(f, 451), 1u);
}

TEST(Cod, MemoryMapHoldsFourEntriesABlock) {
    conv_context ctx;
    uint8_t bytes[2] = {};
    for (uint32_t i = 0; i < 5; ++i) ctx.md.data_add(0x100 * i, bytes, 2, i + 1);   // kept apart by segment
    std::vector<uint8_t> f = cod_of(ctx);
    EXPECT_EQ(le16(f, 443), 1u);
    EXPECT_EQ(le16(f, 445), 2u);
    EXPECT_EQ(le16(f, 512 + 12), 0x300u);
    EXPECT_EQ(le16(f, 512 + 14), 0x301u);
    for (size_t i = 16; i < 512; ++i) EXPECT_EQ(f[512 + i], 0) << i;
    EXPECT_EQ(le16(f, 1024), 0x400u);
}

TEST(Cod, CodeAboveSixtyFourKilobytesHasNoIndexEntry) {
    conv_context ctx;
    uint8_t bytes[4] = {1, 2, 3, 4};
    ctx.md.data_add(0x10000, bytes, 4, 0);
    ctx.md.data_add(0x200, bytes, 4, 0);
    std::vector<uint8_t> f = cod_of(ctx);
    EXPECT_EQ(le16(f, 443), 1u);   // memory map in block 1
    EXPECT_EQ(le16(f, 2 * 1), 2u); // code of 0x200.. in block 2
    for (size_t i = 2; i < 128; ++i) EXPECT_EQ(le16(f, 2 * i), 0u);
    EXPECT_EQ(f.size(), 4u * 512);
    EXPECT_EQ(f[512 * 3], 1);       // the high block is still written
}

TEST(Cod, LineTableAndSymbols) {
    conv_context ctx;
    std::string longname = "_a_name_of_twenty_chars";
    read_symbols(ctx, "_main 10 0 CODE\n" + longname + " 20 0 BANK0\n%locals\nm.c\n1 10 0 CODE\n3 12 0 CODE\n"
                      "4 16 0 DATA\n");
    ctx.opt.strip_underscore = true;
    std::vector<uint8_t> f = cod_of(ctx);
    uint32_t block = le16(f, 434);
    ASSERT_NE(block, 0u);
    const uint8_t* e = &f[512 * block];
    struct entry { int flags, line, address; };
    // Line 1 shares its address with the label _main: one word. Line 3 runs up to line 4.
    std::vector<entry> want = {{0xFF, 0, 0}, {0x80, 1, 0x10}, {0x90, 2, 0}, {0x80, 3, 0x12},
                               {0x80, 3, 0x13}, {0x80, 3, 0x14}, {0x80, 3, 0x15}};
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(e[6 * i + 1], want[i].flags) << i;
        EXPECT_EQ(e[6 * i + 2] | e[6 * i + 3] << 8, want[i].line) << i;
        EXPECT_EQ(e[6 * i + 4] | e[6 * i + 5] << 8, want[i].address) << i;
    }
    EXPECT_EQ(e[6 * want.size() + 1], 0);   // line 4 lies in DATA: no entry with code
    // Short table: the name cut to 12 and its leading "_" gone; the long table keeps it whole.
    uint32_t sym = le16(f, 426);
    const uint8_t* s = &f[512 * sym];
    EXPECT_EQ(std::string(s + 1, s + 1 + s[0]), "main");
    EXPECT_EQ(s[13], 16);
    EXPECT_EQ(std::string(s + 17, s + 17 + s[16]), "a_name_of_tw");
    EXPECT_EQ(s[16 + 13], 2);
    const uint8_t* l = &f[512 * le16(f, 462)];
    l += 1 + l[0] + 6;
    EXPECT_EQ(std::string(l + 1, l + 1 + l[0]), longname.substr(1));
    EXPECT_EQ(l[1 + l[0] + 2] << 24 | l[1 + l[0] + 3] << 16 | l[1 + l[0] + 4] << 8 | l[1 + l[0] + 5], 0x20);
}

TEST(Cod, Probe) {
    conv_context ctx;
    std::vector<uint8_t> f = cod_of(ctx);
    EXPECT_TRUE(probe(7, std::string(f.begin(), f.end())));
    f[320] = 0;   // a date with a zero length byte and the text after it
    EXPECT_TRUE(probe(7, std::string(f.begin(), f.end())));
    f[322] = 'x';
    EXPECT_FALSE(probe(7, std::string(f.begin(), f.end())));
    EXPECT_FALSE(probe(7, std::string(f.begin(), f.begin() + 511)));
}

}  // namespace
