// UBROF: the record CRC, the probe and the listing of every record and failure.
#include <gtest/gtest.h>

#include "converter/formats.h"
#include "converter/tests/test_util.h"
#include "converter/ubrof.h"

using namespace conv;
using conv_test::stream_of;

namespace {

uint16_t crc_of(const std::string& bytes) {
    uint16_t crc = 0;
    for (char c : bytes) crc = ubrof_crc(crc, uint8_t(c));
    return crc;
}

TEST(Ubrof, Crc) {
    EXPECT_EQ(crc_of("\x80"), 0x8005);
    EXPECT_EQ(crc_of("\x01"), 0x8303);
    EXPECT_EQ(crc_of("abc"), 0x1CE9);
}

// A file under construction; check() appends a CRC record over what came since the last one.
struct ubrof_file {
    std::string bytes;
    size_t since = 0;
    explicit ubrof_file(const std::string& stamp = std::string("\x05\x04\x03\x02\x01\x64", 6)) {
        bytes = "\xA5" + stamp;
    }
    ubrof_file& add(const std::string& b) {
        bytes += b;
        return *this;
    }
    ubrof_file& check(int damage = 0) {
        bytes += '\x3F';
        uint16_t crc = uint16_t(crc_of(bytes.substr(since)) + damage);
        bytes += char(crc >> 8);
        bytes += char(crc & 0xFF);
        since = bytes.size();
        return *this;
    }
};

std::string counted(const std::string& s) { return char(s.size()) + s; }

struct result {
    bool ok;
    std::string out, err;
};

result dump(const std::string& bytes, uint32_t verbose = 0) {
    conv_context ctx;
    ctx.opt.verbose_level = verbose;
    FILE* f = stream_of(bytes);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    bool ok = ubrof_dump(ctx, f);
    std::fclose(f);
    std::string out = testing::internal::GetCapturedStdout();
    return {ok, out, testing::internal::GetCapturedStderr()};
}

TEST(Ubrof, EveryRecord) {
    ubrof_file f;
    f.add(std::string("\x01\x03\x03\x10\x0C\x02\x5A", 7) + counted("prog"))
        .add(std::string("\x02\0\0\0\0", 5) + counted("CSEG") + std::string("\x21\x01\0\0\x01\0\0\0\0\x20", 10))
        .add(std::string("\x51\x01\0\0\x01\x02", 6))
        .add(std::string("\x39\x03\xAA\xBB\xCC", 5))
        .add(std::string("\x47\0\x0A\0\x01\0\x0C\x80\x12\x34", 10))
        .add(std::string("\x4A\0\x01\x11", 4) + counted("skipped"))
        .add(std::string("\x4C\x02\0\x01\0\0\x01\x02", 8) + counted("main") + std::string("\0\0\0", 3))
        .add(std::string("\x4C\x09\0\x09\0\0\0\0", 8) + counted("odd") + std::string("\x01\0\x02", 3))
        .check()
        .add(std::string("\x52\0\xB9\0\0\0", 6) + counted("x.c") + std::string("\x3B\x3B\x17\x1F\x0C\x00", 6))
        .add(std::string("\x52\x01\x02\x03\x04\x05", 6) + counted("y.c") + std::string("\0\0\0\x01\x01\x7B", 6))
        .add(std::string("\x53\x07\x08\x54\x01\x02", 6) + counted("cc"))
        .add(std::string("\xBD\x06\0\0\x05\xBA\x02\xBE\xFF\xBF\x02\xC0\xFF\xC1\x05", 15))
        .add(std::string("\xBD\x07\0\0\x05\xBA\x02\xBE\xFF\xBF\x02\xC0\xFF\xC1\x06", 15))
        .add(std::string("\xC0\x01\x02\x03\x04\x05\x06\xFF", 8));
    result r = dump(f.bytes, 1);
    EXPECT_TRUE(r.ok) << r.err;
    EXPECT_EQ(r.err, "");
    const char* expected[] = {
        "UBROF file: 2000/1/2 03:04:05 Program: \"prog\" 1990/2/12  version 3, language 0x10, (C) 16 bit "
        "normal bit order\n",
        "Segment: \"CSEG\" flags 0x21\nStart\tLength\n0x0100\t0x0020\n\n",
        "Origin 0x102 in segment 1\nData: 3 bytes in seg 1 at 0x102\n0102: AA BB CC",
        "Statement: line 10-12 seg 1 flags 80 1234\n",
        "Symbol; public/reloc CODE addr = 0x102  \"main\"\n",
        "Symbol; type?? 0x09 segment 0x9 addr = 0x0  \"odd\" 01 00 02\n",
        "CRC matched at ",
        "Debug record: \"x.c\" modified 1900/12/31 23:59:59\n",
        "Debug record: 01 02 03 04 05 \"y.c\" modified 2023/1/1 00:00:00\n",
        "Aux record: 0x07 0x08\nTranslator: 0x01 0x02 \"cc\"\n",
        "UBROF version 6\nUBROF version 7\nFunny BD record; should be:\nBD 06 00 00 05 BA 02 BE FF BF 02 C0 FF C1 05 "
        "but was:\nBD 07 00 00 05 BA 02 BE FF BF 02 C0 FF C1 06 \n",
        "C0 record: 01 02 03 04 05 06\n",
    };
    for (const char* e : expected) EXPECT_NE(r.out.find(e), std::string::npos) << e << "\n---\n" << r.out;
    EXPECT_EQ(r.out.find("skipped"), std::string::npos);
}

TEST(Ubrof, StartOfFile) {
    result empty = dump("");
    EXPECT_TRUE(empty.ok);
    EXPECT_EQ(empty.out, "");
    EXPECT_NE(empty.err.find("(1044) end of file encountered"), std::string::npos);

    std::string late_second("\xA5\x3C\0\0\x01\x01\x64\xFF", 8);
    conv_context ctx;
    FILE* in = stream_of(late_second);
    EXPECT_FALSE(ubrof_probe(ctx, in));
    std::fclose(in);
    EXPECT_NE(dump(late_second).err.find("(1048) bad time/date stamp"), std::string::npos);
    EXPECT_NE(dump("\xA4").err.find("(1047)"), std::string::npos);

    in = stream_of(ubrof_file().add("\xFF").bytes);
    EXPECT_TRUE(ubrof_probe(ctx, in));
    std::fclose(in);
}

TEST(Ubrof, Failures) {
    struct {
        std::string tail;
        const char* expect;
    } cases[] = {
        {"", "(1044)"},
        {std::string("\x39\x05\x01", 3), "(1045) short read on block of 5 bytes"},
        {std::string("\x54\x01\x02\x09", 4) + "ab", "(1046) short string read"},
        {std::string("\x52\0\xB9\0\0\0", 6) + counted("x") + std::string("\0\0\x18\x01\x01\x01", 6),
         "(1050) bad date in 0x52 record"},
        {std::string("\x01\x01\0\0\x20\x01\x01", 7) + counted("p"), "(1051) bad date in 0x01 record"},
        {"\x77", "(1052) unknown record type"},
    };
    for (const auto& c : cases) {
        result r = dump(ubrof_file().add(c.tail).bytes);
        EXPECT_FALSE(r.ok) << c.expect;
        EXPECT_NE(r.err.find(c.expect), std::string::npos) << r.err;
    }
}

TEST(Ubrof, CrcCountsFromTheLastGoodCheckAndKeeps4096Bytes) {
    std::string data(0x20, '\x55');
    std::string record = "\x39" + counted(data).substr(0, 1) + data;
    ubrof_file f;
    f.add(std::string("\x51\0\0\0\x80\0", 6));   // data listed far from the replay's addresses
    for (int i = 0; i < 200; ++i) f.add(record);   // far more than 4096 bytes between checks
    f.check();
    for (int i = 0; i < 150; ++i) f.add(record);
    f.check(1).add("\xFF");
    result r = dump(f.bytes, 1);
    EXPECT_FALSE(r.ok);
    char expect[64];
    // The failed check counts its tag byte but not its two CRC bytes.
    std::snprintf(expect, sizeof expect, "(1049) wrong CRC on 0x%X bytes; should be ", 150 * 0x22 + 1);
    EXPECT_NE(r.err.find(expect), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("CRC matched at "), std::string::npos);
    EXPECT_NE(r.out.find("\n0FF0: "), std::string::npos);
    EXPECT_EQ(r.out.find("\n1000: "), std::string::npos);
}

}  // namespace
