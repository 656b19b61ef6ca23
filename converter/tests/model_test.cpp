// The flat model and its completion; the byte-order and number encodings.
#include <gtest/gtest.h>

#include "converter/tests/test_util.h"

#include <cstring>

#include "converter/encodings.h"
#include "converter/model.h"

using namespace conv;

namespace {

struct model_fixture : ::testing::Test {
    bool strip = false;
    model md{strip};
};

TEST_F(model_fixture, AdjacentBlocksMergeOnlyWithinOneSegment) {
    uint8_t a[16] = {1}, b[16] = {2};
    md.data_add(0x110, b, 16, 0);
    md.data_add(0x100, a, 16, 0);
    md.data_add(0x200, a, 16, 1);
    md.data_add(0x210, b, 16, 2);
    md.complete(0);
    ASSERT_EQ(md.data.size(), 3u);
    EXPECT_EQ(md.data[0]->address, 0x100u);
    EXPECT_EQ(md.data[0]->size(), 32u);
    EXPECT_EQ(md.data[0]->bytes[0], 1);
    EXPECT_EQ(md.data[0]->bytes[16], 2);
    EXPECT_EQ(md.data[1]->segment, 1u);
    EXPECT_EQ(md.data[2]->segment, 2u);
}

TEST_F(model_fixture, BlocksGoToTheLastHoldingSegmentAndWidenIt) {
    uint8_t bytes[8] = {};
    uint32_t outer = md.seg_add("outer", 0x000, 0x1000, 0);
    uint32_t inner = md.seg_add("inner", 0x100, 0x100, 0);
    uint32_t late = md.seg_add("late", 0x800, 0x10, 0);
    md.data_add(0x180, bytes, 8, 0);   // both hold it: the later wins
    md.data_add(0x7FC, bytes, 8, late); // begins below "late"
    md.data_add(0x2000, bytes, 8, 0);  // no segment holds it
    md.complete(0);
    EXPECT_EQ(md.data[0]->segment, inner);
    EXPECT_EQ(md.data[1]->segment, 0u);
    EXPECT_EQ(md.data[2]->segment, late);
    EXPECT_EQ(md.segment(late)->base, 0x7FCu);
    EXPECT_EQ(md.segment(late)->size, 0x14u);   // still ends at 0x80F
    EXPECT_EQ(md.segment(outer)->size, 0x1000u);
}

TEST_F(model_fixture, LineEndsComeFromTheNextAddress) {
    uint32_t f = md.file_add("main.c");
    md.line_add(3, 0x10, 0, f, 2);
    md.line_add(1, 0x10, 0, f, 2);
    md.line_add(7, 0x20, 0, f, 2);
    md.complete(0);
    const conv_file& file = *md.files[0];
    ASSERT_EQ(file.lines.size(), 3u);
    EXPECT_EQ(file.lines[0]->line, 1);
    EXPECT_EQ(file.lines[0]->end_address, 0x10u);   // shares its address with line 3
    EXPECT_EQ(file.lines[1]->end_address, 0x1Fu);
    EXPECT_EQ(file.lines[2]->end_address, 0x20u);   // the last ends at its own address
}

TEST_F(model_fixture, FilesAndSymbolsByName) {
    EXPECT_EQ(md.file_add("Main.C"), md.file_add("main.c"));
    md.sym_add("_x", 1, 0, 1, 0);
    md.sym_add("_x", 2, 0, 1, 0);
    md.complete(0);
    EXPECT_EQ(md.symbols.size(), 2u);
    EXPECT_EQ(md.files[0]->symbols.size(), 2u);
    EXPECT_EQ(md.sym_lookup("_x")->value, 1u);
    uint32_t value = 0, seg = 9;
    EXPECT_FALSE(md.sym_value_lookup("x", value, seg));
}

TEST(Model, StrippedExtensionsJoinFiles) {
    bool strip = true;
    model md(strip);
    EXPECT_EQ(md.file_add("main.c"), md.file_add("main.obj"));
    EXPECT_EQ(md.files[0]->name, "main");
    EXPECT_NE(md.file_find("main.as"), nullptr);
}

TEST(Model, CountsThatDisagreeAreFatal) {
    bool strip = false;
    model md(strip);
    md.file_add("a");
    md.files[0]->symbol_count = 2;
    md.sym_add("s", 0, 0, 1, 0);   // the file now counts 3 symbols; one exists
    EXPECT_EXIT(md.complete(0), ::testing::ExitedWithCode(1), "inconsistent symbol tables");
    model lines(strip);
    lines.file_add("a");
    lines.files[0]->line_count = 1;
    EXPECT_EXIT(lines.complete(0), ::testing::ExitedWithCode(1), "inconsistent line number tables");
}

TEST(Model, SegmentForAddress) {
    bool strip = false;
    model md(strip);
    EXPECT_EQ(md.seg_for_address(0x10, 7, 1), 7u);
    md.seg_add("a", 0x100, 0x100, 1);
    md.seg_add("b", 0x200, 0x100, 1);
    EXPECT_EQ(md.seg_for_address(0x100, 1, 2), 2u);   // 0x100 * 2 lies in b
    EXPECT_EQ(md.seg_for_address(0x80, 1, 2), 1u);
    EXPECT_EQ(md.seg_for_address(0x80, 2, 2), 2u);    // no segment of space 2: the space itself
}

TEST(Model, NameHashSkipsOneUnderscoreAndTakesSignedBytes) {
    EXPECT_EQ(name_hash("_x"), name_hash("x"));
    EXPECT_EQ(name_hash("_"), static_cast<uint32_t>('_'));
    EXPECT_EQ(name_hash("ab"), uint32_t('a') + 4 * uint32_t('b'));
    // A byte above 0x7F counts as a negative value.
    EXPECT_EQ(name_hash("\xE9"), static_cast<uint32_t>(-23));
    EXPECT_EQ(name_hash("a\xE9"), uint32_t('a') + 4 * static_cast<uint32_t>(-23));
    EXPECT_EQ(file_name_hash("MAIN.C"), name_hash("main.c"));
}

TEST(Encodings, ByteOrders) {
    const uint8_t b[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
    EXPECT_EQ(get16(b, byte_order::little), 0x3412u);
    EXPECT_EQ(get16(b, byte_order::big), 0x1234u);
    EXPECT_EQ(get32(b, byte_order::little), 0x78563412u);
    EXPECT_EQ(get32(b, byte_order::big), 0x12345678u);
    EXPECT_EQ(get64(b, byte_order::big), 0x123456789ABCDEF0ull);
    EXPECT_EQ(get64(b, byte_order::little), 0xF0DEBC9A78563412ull);
    uint8_t out[8];
    put64(out, 0x9ABCDEF0, 0x12345678, byte_order::big);
    EXPECT_EQ(0, std::memcmp(out, b, 8));
    put32(out, 0x12345678, byte_order::little);
    EXPECT_EQ(get32(out, byte_order::little), 0x12345678u);
    EXPECT_EQ(out[0], 0x78);
    put16(out, 0xABCD, byte_order::big);
    EXPECT_EQ(out[0], 0xAB);
}

TEST(Encodings, HexDigits) {
    EXPECT_EQ(hex_byte("7f"), 0x7Fu);
    EXPECT_EQ(hex_byte("7F"), 0x7Fu);
    EXPECT_EQ(hex_byte("7g"), 0xFFFFu);
    EXPECT_EQ(hex_byte("7"), 0xFFFFu);   // the terminator is no digit
    EXPECT_EQ(hex_word("12aB"), 0x12ABu);
    EXPECT_GT(hex_word("zz00"), 0xFFFFu);
    EXPECT_GT(hex_word("12"), 0xFFFFu);
}

TEST(Encodings, Leb128) {
    const uint8_t u[] = {0xE5, 0x8E, 0x26, 0x7F, 0x80, 0x7F, 0x02};
    const uint8_t* p = u;
    EXPECT_EQ(get_uleb128(p, u + sizeof u), 624485u);
    EXPECT_EQ(p, u + 3);
    EXPECT_EQ(get_sleb128(p, u + sizeof u), -1);
    EXPECT_EQ(get_sleb128(p, u + sizeof u), -128);
    EXPECT_EQ(get_sleb128(p, u + sizeof u), 2);
    EXPECT_EQ(p, u + sizeof u);
    // An encoding cut short stops at the end of the bytes.
    const uint8_t cut[] = {0x80, 0x80};
    p = cut;
    EXPECT_EQ(get_uleb128(p, cut + 2), 0u);
    EXPECT_EQ(p, cut + 2);
}

}  // namespace
