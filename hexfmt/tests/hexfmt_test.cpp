// The shared format pieces: Intel lines, the fill pattern, the extended Tektronic checksum,
// UBROF's CRC.
#include <gtest/gtest.h>

#include <cstdio>

#include "hexfmt/image_writers.h"
#include "hexfmt/tests/tool_testing.h"
#include "testsupport/testsupport.h"

namespace {

TEST(HexLines, IntelLineAndDigits) {
    uint8_t data[] = {0x12, 0x30, 0xA0, 0x00};
    EXPECT_EQ(hexfmt::intel_line(0, 0x0000, data, 4), ":040000001230A0001A\n");
    uint8_t seg[] = {0x10, 0x00};
    EXPECT_EQ(hexfmt::intel_line(2, 0, seg, 2), ":020000021000EC\n");
    EXPECT_EQ(hexfmt::hex_value('F'), 15);
    EXPECT_EQ(hexfmt::hex_value('f'), -1);   // upper case only
}

TEST(HexFill, PatternFollowsTheTargetOrder) {
    const obj::byte_order little, big = obj::byte_order::big();
    const uint8_t expected_little[] = {0xFF, 0x3F, 0xFF, 0x3F};
    for (uint32_t a = 0; a < 4; ++a) EXPECT_EQ(hexfmt::fill_byte(0x3FFF, 0x10 + a, little), expected_little[a]);
    EXPECT_EQ(hexfmt::fill_byte(0x3FFF, 0x10, big), 0x3F);
    EXPECT_EQ(hexfmt::fill_byte(0x3FFF, 0x11, big), 0xFF);
    for (uint32_t a = 0; a < 4; ++a) EXPECT_EQ(hexfmt::fill_byte(0xFF, a, little), 0xFF);
    EXPECT_EQ(hexfmt::fill_byte(0x11223344, 2, little), 0x22);
}

TEST(HexChecksums, ExtendedTektronicAndCrc) {
    // Digits count their value, letters 10-35, then '$', '%', '.', '_' and lower case.
    EXPECT_EQ(hexfmt::ext_tek_checksum("0A6"), 0 + 10 + 6);
    EXPECT_EQ(hexfmt::ext_tek_checksum("$%._az"), 36 + 37 + 38 + 39 + 40 + 65);
    EXPECT_EQ(hexfmt::ext_tek_checksum("A-"), -1);
    hexfmt::Crc16 crc;
    for (char c : std::string("123456789")) crc.add(static_cast<uint8_t>(c));
    EXPECT_EQ(crc.value(), 0xBCDD);
}

}  // namespace
