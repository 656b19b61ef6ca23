// ormpatch's image, store rule, input reader, operations and writer.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "outtools/ormpatch/patch.h"

namespace {

using namespace patch;

// Reads Intel HEX text into the image as input `index`.
void read_text(Image& image, const std::string& text, int index = 0, InputSpec input = {}) {
    if (input.name.empty()) input.name = "in" + std::to_string(index + 1) + ".hex";
    image.add_input(input.name);
    FILE* f = tmpfile();
    fputs(text.c_str(), f);
    rewind(f);
    read_hex_stream(image, f, input, index);
    fclose(f);
}

std::string hex_of(const Image& image, HexKind kind = HexKind::inhx32, int length = 16) {
    Settings settings;
    settings.kind = kind;
    settings.record_length = length;
    FILE* f = tmpfile();
    write_hex(image, settings, f, "out");
    rewind(f);
    std::string text;
    for (int c; (c = getc(f)) != EOF;) text += static_cast<char>(c);
    fclose(f);
    return text;
}

uint8_t value_at(const Image& image, uint32_t address) {
    const Cell* cell = image.cell(address);
    return cell ? cell->value : 0;
}

std::string bytes_at(const Image& image, uint32_t address, int n) {
    std::string out;
    char buf[4];
    for (int i = 0; i < n; ++i) {
        snprintf(buf, sizeof buf, "%02X", value_at(image, address + i));
        out += buf;
    }
    return out;
}

TEST(PatchStoreRule, EqualDataMergesDifferentUnforcedDataStops) {
    Image image;
    image.store(0x10, 0x12, ORIGIN_INPUT);
    image.store(0x10, 0x12, ORIGIN_INPUT + 1);
    EXPECT_EQ(image.cell(0x10)->tag, ORIGIN_INPUT);   // the first input keeps the byte
    EXPECT_EXIT(image.store(0x10, 0x13, ORIGIN_INPUT + 1), testing::ExitedWithCode(1), "944");
}

TEST(PatchStoreRule, ForcedFillAndResultsFollowTheirRules) {
    Image image;
    image.store(0x10, 0x12, ORIGIN_INPUT);
    image.store(0x10, 0x99, (ORIGIN_INPUT + 1) | TAG_FORCED);   // forced overwrites
    EXPECT_EQ(value_at(image, 0x10), 0x99);
    image.store(0x10, 0x55, ORIGIN_INPUT);                    // a forced byte stays
    EXPECT_EQ(value_at(image, 0x10), 0x99);
    image.store(0x20, 0x01, ORIGIN_INPUT);
    image.store(0x20, 0xFF, ORIGIN_FILL);                     // fill never replaces data
    EXPECT_EQ(value_at(image, 0x20), 0x01);
    image.store(0x30, 0x00, ORIGIN_RESERVED);
    image.store(0x30, 0x42, ORIGIN_CHECKSUM);                 // a result replaces its reservation
    EXPECT_EQ(value_at(image, 0x30), 0x42);
    image.store(0x31, 0x01, ORIGIN_INPUT);
    image.store(0x31, 0x02, ORIGIN_REPLACED);                 // so does a replacement
    EXPECT_EQ(value_at(image, 0x31), 0x02);
    EXPECT_EQ(image.pages().size(), 1u);
}

TEST(PatchInput, WindowAndOffsetSelectAndMoveBytes) {
    InputSpec input;
    ASSERT_TRUE(parse_input_argument("file.hex,100-1FF+1000", input));
    EXPECT_EQ(input.name, "file.hex");
    EXPECT_EQ(input.start, 0x100u);
    EXPECT_EQ(input.end, 0x1FFu);
    EXPECT_EQ(input.offset, 0x1000u);
    InputSpec plain;
    ASSERT_TRUE(parse_input_argument("my-file.hex", plain));
    EXPECT_EQ(plain.name, "my-file.hex");
    EXPECT_EQ(plain.end, 0xFFFFFFFFu);
    Image image;
    // Two bytes at 0xFF and 0x100, two at 0x1FF and 0x200.
    read_text(image, ":0200FF00AABB9A\n:0201FF00CCDD55\n:00000001FF\n", 0, input);
    EXPECT_EQ(image.cell(0xFF), nullptr);
    EXPECT_EQ(value_at(image, 0x1100), 0xBB);
    EXPECT_EQ(value_at(image, 0x11FF), 0xCC);
    EXPECT_EQ(image.cell(0x1200), nullptr);
}

TEST(PatchInput, ExtendedAddressAndBadChecksum) {
    Image image;
    // A wrong checksum warns and keeps the data.
    read_text(image, ":020000040001F9\n:0100100055AA\n:00000001FF\n");
    EXPECT_EQ(value_at(image, 0x10010), 0x55);
}

TEST(PatchInput, MalformedInputStops) {
    Image image;
    EXPECT_EXIT(read_text(image, ":020000020001F9\n"), testing::ExitedWithCode(1), "960");
    EXPECT_EXIT(read_text(image, ":0100100055aa\n"), testing::ExitedWithCode(1), "942");
    EXPECT_EXIT(read_text(image, ":01001000"), testing::ExitedWithCode(1), "942");
}

TEST(PatchOutput, ExtendedRecordsAndRecordCutting) {
    Image image;
    for (uint32_t a = 0; a < 4; ++a) image.store(a, static_cast<uint8_t>(a), ORIGIN_INPUT);
    EXPECT_EQ(hex_of(image), ":0400000000010203F6\n:00000001FF\n");
    EXPECT_EQ(hex_of(image, HexKind::inhx032), ":020000040000FA\n:0400000000010203F6\n:00000001FF\n");

    Image wide;
    for (uint32_t a = 0xFFF8; a < 0xFFF8 + 20; ++a) wide.store(a, 0x11, ORIGIN_INPUT);
    std::string text = hex_of(wide);
    EXPECT_EQ(text,
              ":08FFF800111111111111111179\n"
              ":020000040001F9\n"
              ":0C00000011111111111111111111111128\n"
              ":00000001FF\n");
    // INHX8M cannot address the part above 64 KB and leaves it out.
    EXPECT_EQ(hex_of(wide, HexKind::inhx8m), ":08FFF800111111111111111179\n:00000001FF\n");
    // Records stop at an empty cell and at the record length.
    Image gaps;
    for (uint32_t a : {0u, 1u, 2u, 4u}) gaps.store(a, 0xAB, ORIGIN_INPUT);
    EXPECT_EQ(hex_of(gaps, HexKind::inhx32, 2), ":02000000ABABA8\n:01000200AB52\n:01000400AB50\n:00000001FF\n");
}

TEST(PatchOperations, FillFollowsTheAddress) {
    Image image;
    fill_unused(image, {FillSpec{0, 7, {0xFF, 0x3F}, false}});
    EXPECT_EQ(bytes_at(image, 0, 8), "FF3FFF3FFF3FFF3F");
    Image shifted;
    fill_unused(shifted, {FillSpec{1, 4, {0xFF, 0x3F}, false}});
    EXPECT_EQ(bytes_at(shifted, 1, 4), "3FFF3FFF");
    EXPECT_EQ(shifted.cell(0)->tag, 0);
}

TEST(PatchOperations, SerialsAndStrings) {
    Image image;
    store_serials(image, {SerialSpec{1, 2, 1, 0x1000, 2, 3, false}});
    EXPECT_EQ(bytes_at(image, 0x1000, 6), "000100020003");
    // Eight-byte serials keep every byte.
    store_serials(image, {SerialSpec{0x0102030405060708ull, 8, 0, 0x2000, 8, 1, false}});
    EXPECT_EQ(bytes_at(image, 0x2000, 8), "0102030405060708");
    store_strings(image, {StringSpec{0x3000, "AB", {}, false}});
    EXPECT_EQ(bytes_at(image, 0x3000, 3), "414200");
    store_strings(image, {StringSpec{0x3100, "A", {0x34}, false}});
    EXPECT_EQ(bytes_at(image, 0x3100, 4), "41340034");
    EXPECT_EQ(origin_of(image.cell(0x3101)->tag), ORIGIN_TRAILING);
}

ChecksumSpec checksum(uint32_t start, uint32_t end, uint32_t destination, int width) {
    ChecksumSpec ck{};
    ck.start = start;
    ck.end = end;
    ck.destination = destination;
    ck.width = width;
    return ck;
}

TEST(PatchOperations, ChecksumsInPasses) {
    Image image;
    for (uint32_t a = 0; a < 0x100; ++a) image.store(a, 1, ORIGIN_INPUT);
    // The second range holds the first's destination: it waits for the first result.
    std::vector<ChecksumSpec> list = {checksum(0x100, 0x1FF, 0x300, 2), checksum(0, 0xFF, 0x100, 1)};
    list[0].trailing = {0x34};
    reserve_checksums(image, list);
    compute_checksums(image, list);
    EXPECT_EQ(list[1].result, 0x00u);   // 256 ones cut to 8 bits
    EXPECT_EQ(bytes_at(image, 0x100, 1), "00");
    EXPECT_EQ(list[0].result, 0u);
    EXPECT_EQ(bytes_at(image, 0x300, 4), "00340034");
    std::vector<ChecksumSpec> own = {checksum(0, 0x1FF, 0x100, 2)};
    Image again;
    reserve_checksums(again, own);
    EXPECT_EXIT(compute_checksums(again, own), testing::ExitedWithCode(1), "945");
}

TEST(PatchOperations, ChecksumWidthsCutTheSum) {
    Image image;
    for (uint32_t a = 0; a < 0x10; ++a) image.store(a, 0xFF, ORIGIN_INPUT);
    std::vector<ChecksumSpec> list = {checksum(0, 0xF, 0x20, 1), checksum(0, 0xF, 0x30, 2),
                                      checksum(0, 0xF, 0x40, 4)};
    list[2].initial = 0xFFFFFF00u;
    reserve_checksums(image, list);
    compute_checksums(image, list);
    EXPECT_EQ(list[0].result, 0xF0u);
    EXPECT_EQ(list[1].result, 0x0FF0u);
    EXPECT_EQ(list[2].result, 0x00000EF0u);   // 32 bits wrap
    EXPECT_EQ(bytes_at(image, 0x30, 2), "0FF0");
}

FindSpec find(uint64_t code, int width, uint32_t start, uint32_t end, uint32_t align = 1) {
    FindSpec spec{};
    spec.code = code;
    spec.width = width;
    spec.mask = width >= 8 ? ~0ull : (1ull << (8 * width)) - 1;
    spec.start = start;
    spec.end = end;
    spec.align = align;
    spec.title = justify_title("OPCode");
    return spec;
}

TEST(PatchOperations, FindReadsMostSignificantFirstAndReplaces) {
    Image image;
    read_text(image, ":04000000FF3F3FFF80\n:00000001FF\n");
    std::vector<FindSpec> finds = {find(0x3FFF, 2, 0, 4)};
    finds[0].replace = true;
    finds[0].replace_code = 0;
    finds[0].replace_mask = 0x00FF;
    find_replace(image, finds, nullptr);
    EXPECT_EQ(finds[0].matches, 1u);   // FF 3F at 0 does not match, 3F FF at 2 does
    EXPECT_EQ(bytes_at(image, 2, 2), "3F00");
    EXPECT_EQ(origin_of(image.cell(3)->tag), ORIGIN_REPLACED);
}

TEST(PatchOperations, FindStartsAtTheFirstAlignedAddress) {
    Image image;
    read_text(image, ":08000000112233445566778894\n:00000001FF\n");
    // From 5 with alignment 4 the search looks at 8 on, never at the misaligned 6.
    std::vector<FindSpec> finds = {find(0x77, 1, 5, 9, 4), find(0x55, 1, 4, 9, 4)};
    find_replace(image, finds, nullptr);
    EXPECT_EQ(finds[0].matches, 0u);
    EXPECT_EQ(finds[1].matches, 1u);
    // Eight-byte codes are compared in full.
    Image wide;
    read_text(wide, ":080000000102030405060708D4\n:00000001FF\n");
    std::vector<FindSpec> eight = {find(0x0102030405060708ull, 8, 0, 1), find(0x0102030405060709ull, 8, 0, 1)};
    find_replace(wide, eight, nullptr);
    EXPECT_EQ(eight[0].matches, 1u);
    EXPECT_EQ(eight[1].matches, 0u);
}

TEST(PatchOperations, FindSkipsTheGapsOfTheWholeAddressSpace) {
    Image image;
    image.store(0x10, 0xAB, ORIGIN_INPUT);
    image.store(0xFFFFFF02, 0xAB, ORIGIN_INPUT);
    image.store(0xFFFFFF03, 0xAB, ORIGIN_INPUT);
    // From 1 with alignment 2 the even addresses are looked at: 0x10 and 0xFFFFFF02 match.
    std::vector<FindSpec> finds = {find(0xAB, 1, 1, 0xFFFFFFFF, 2)};
    find_replace(image, finds, nullptr);
    EXPECT_EQ(finds[0].matches, 2u);
}

// Ranges that no image can hold are refused before any work, not after minutes of it.
TEST(PatchBounds, HugeFillAndSerialRangesAreRefused) {
    auto parse = [](std::vector<std::string> words) {
        words.insert(words.begin(), "ormpatch");
        words.insert(words.begin() + 1, "in.hex");
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        return parse_command_line(static_cast<int>(argv.size()), argv.data());
    };
    EXPECT_EXIT(parse({"-FILL=3FFF@0-FFFFFFFF"}), testing::ExitedWithCode(1), "1213");
    EXPECT_EXIT(parse({"-SERIAL=1@0r99999999"}), testing::ExitedWithCode(1), "1213");
    EXPECT_EXIT(parse({"-SERIAL=0001@0r8388609"}), testing::ExitedWithCode(1), "1213");
    Settings fits = parse({"-FILL=3FFF@0-FFFFFF", "-SERIAL=0001@0r8388608"});
    ASSERT_EQ(fits.fills.size(), 1u);
    EXPECT_EQ(fits.serials[0].repetitions, 8388608);
}

TEST(PatchBounds, ImageStopsAtItsLimit) {
    Image image;
    // One byte in each page: the page count, not the byte count, costs memory.
    uint32_t address = 0;
    for (uint32_t page = 1; page < max_image_bytes / page_cells; ++page) {
        address = page * page_cells * 2;
        image.store(address, 1, ORIGIN_INPUT);
    }
    EXPECT_EQ(image.pages().size(), max_image_bytes / page_cells);
    EXPECT_EXIT(image.store(address + 2 * page_cells, 1, ORIGIN_INPUT), testing::ExitedWithCode(1), "1214");
    image.store(address + 1, 2, ORIGIN_INPUT);   // an existing page still takes data
    EXPECT_EQ(image.cell(address + 1)->value, 2);
}

TEST(PatchOptions, TitlesAreCutToTheirField) {
    EXPECT_EQ(justify_title("OPCode"), "        OPCode");
    EXPECT_EQ(justify_title("A very long title indeed"), "A very long ti");
}

}  // namespace
