// The Intel HEX reader: what the Intel writer writes reads back as the same image, and each
// reader rule (record types, stray lines, checksums, the end record) holds.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/alert.h"
#include "common/msgfile.h"
#include "hexfmt/ihex_reader.h"
#include "hexfmt/image_writers.h"
#include "testsupport/message_capture.h"
#include "testsupport/testsupport.h"

namespace {

using Image = std::map<uint32_t, uint8_t>;

// The reader's messages with kinds that let a test go on after each of them (the message
// file makes 942 and 960 fatal). Loaded for these suites alone and the build's messages put
// back after them: a global environment would depend on which of the program's environments
// the runtime happens to set up last.
class ReaderMessages : public testing::Test {
public:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/ormihexXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        std::string dir = pattern;
        std::string path = dir + "/en_msgs.txt";
        std::FILE* f = std::fopen(path.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("635\t1\tinvalid HEX file \"%s\" on line %d\n"
                   "636\t0\tchecksum error in Intel HEX file \"%s\" on line %d\n"
                   "942\tE\tunexpected character on line %d of file \"%s\"\n"
                   "960\tE\tunexpected record type (%X) on line %d of \"%s\"\n"
                   "966\t9\tno END record for HEX file \"%s\"\n", f);
        std::fclose(f);
        int opened = msgfile_open(path.c_str());
        std::remove(path.c_str());
        rmdir(dir.c_str());
        ASSERT_EQ(opened, 1);
        alert_set_max_errors(1 << 30);
    }
    static void TearDownTestSuite() { testsupport::load_messages(); }
};
using IntelHexRoundTrip = ReaderMessages;
using IntelHexReader = ReaderMessages;

hexfmt::IntelHexRules lenient_rules() {
    hexfmt::IntelHexRules r;
    r.bad_type = 960;
    r.checksum = 636;
    r.no_end = 966;
    return r;
}

std::FILE* stream_of(const std::string& text) {
    std::FILE* f = std::tmpfile();
    std::fputs(text.c_str(), f);
    std::rewind(f);
    return f;
}

hexfmt::IntelHexResult read_text(const std::string& text, const hexfmt::IntelHexRules& rules, Image& image) {
    std::FILE* f = stream_of(text);
    auto result = hexfmt::read_intel_hex(f, "t.hex", rules, [&](uint32_t a, const uint8_t* b, size_t n) {
        for (size_t i = 0; i < n; ++i) image[a + static_cast<uint32_t>(i)] = b[i];
    });
    std::fclose(f);
    return result;
}

// Writes the image through the Intel writer, cut into records as ormhex cuts them (at most
// 16 bytes, never across a 64 KB boundary), and returns the file's text.
std::string write_intel(const Image& image, bool linear) {
    std::FILE* f = std::tmpfile();
    hexfmt::OutFile out;
    out.attach(f, "t.hex");
    hexfmt::ImageInfo info;
    info.linear = linear;
    info.lowest = image.begin()->first;
    info.highest = image.rbegin()->first + 1;
    auto writer = hexfmt::format_row(hexfmt::Format::intel).make(out, info);
    writer->begin();
    std::vector<uint8_t> run;
    uint32_t run_start = 0;
    auto flush = [&] {
        if (!run.empty()) writer->record(run_start, run.data(), static_cast<uint32_t>(run.size()));
        run.clear();
    };
    for (auto [address, value] : image) {
        if (!run.empty() && (address != run_start + run.size() || run.size() == 16 || (address & 0xFFFF) == 0))
            flush();
        if (run.empty()) run_start = address;
        run.push_back(value);
    }
    flush();
    writer->finish();
    std::fflush(f);
    std::rewind(f);
    std::string text;
    for (int c; (c = std::getc(f)) != EOF;) text += static_cast<char>(c);
    std::fclose(f);
    return text;
}

Image sample_image() {
    Image image;
    for (uint32_t a = 0; a < 40; ++a) image[a] = static_cast<uint8_t>(a * 7);
    for (uint32_t a = 0xFFF8; a < 0x10010; ++a) image[a] = static_cast<uint8_t>(a);
    image[0x2400E] = 0x3F;
    return image;
}

TEST_F(IntelHexRoundTrip, WriterAndReaderAgreeWithLinearAndSegmentAddresses) {
    for (bool linear : {true, false}) {
        SCOPED_TRACE(linear ? "type 04" : "type 02");
        const Image image = sample_image();
        std::string text = write_intel(image, linear);
        EXPECT_NE(text.find(linear ? ":02000004" : ":02000002"), std::string::npos) << text;
        hexfmt::IntelHexRules rules = lenient_rules();
        rules.segment_records = true;
        Image back;
        testsupport::message_capture m;
        auto result = read_text(text, rules, back);
        EXPECT_EQ(result.end, hexfmt::IntelHexEnd::end_record);
        EXPECT_TRUE(m.lines().empty()) << m.lines().front();
        EXPECT_EQ(back, image);
    }
}

TEST_F(IntelHexReader, RecordTypesByRules) {
    // A type-02 base of 0x1000 puts the data at 0x10000 + the record address.
    const std::string text = ":020000021000EC\n:0100040055A6\n:00000001FF\n";
    Image with_segments, without;
    hexfmt::IntelHexRules rules = lenient_rules();
    rules.segment_records = true;
    read_text(text, rules, with_segments);
    EXPECT_EQ(with_segments, (Image{{0x10004, 0x55}}));
    testsupport::message_capture m;
    read_text(text, lenient_rules(), without);
    EXPECT_TRUE(m.has(960));   // a type the program does not understand
    EXPECT_EQ(without, (Image{{0x4, 0x55}}));

    hexfmt::IntelHexRules starts = rules;
    Image ignored;
    EXPECT_EQ(read_text(":04000005000123458E\n:00000001FF\n", starts, ignored).start_base, 0x12345u);
}

TEST_F(IntelHexReader, ChecksumErrorKeepsDataOrStopsByRule) {
    const std::string text = ":0100000011EE\n:0100010022FF\n:0100020033CA\n:00000001FF\n";   // line 2 bad
    Image going_on, stopped;
    {
        testsupport::message_capture m;
        auto r = read_text(text, lenient_rules(), going_on);
        EXPECT_TRUE(m.has(636));
        EXPECT_EQ(r.end, hexfmt::IntelHexEnd::end_record);
    }
    EXPECT_EQ(going_on.size(), 3u);
    hexfmt::IntelHexRules stop = lenient_rules();
    stop.stop_on_checksum = true;
    testsupport::message_capture m;
    auto r = read_text(text, stop, stopped);
    EXPECT_EQ(r.end, hexfmt::IntelHexEnd::stopped);
    EXPECT_EQ(r.records, 2);
    EXPECT_EQ(stopped, (Image{{0, 0x11}, {1, 0x22}}));   // the record in error keeps its data
}

TEST_F(IntelHexReader, StrayTextSkippedOrAStrayLineStops) {
    const std::string text = "junk :0100000011EE\nnot a record\n:0100010022DC\n";
    Image skipped, stopped;
    {
        testsupport::message_capture m;
        auto r = read_text(text, lenient_rules(), skipped);
        EXPECT_EQ(r.end, hexfmt::IntelHexEnd::end_of_file);
        EXPECT_TRUE(m.has(966));   // no end record
    }
    EXPECT_EQ(skipped.size(), 2u);
    hexfmt::IntelHexRules lines = lenient_rules();
    lines.stray_line = 635;
    testsupport::message_capture m;
    auto r = read_text(":0100000011EE\nnot a record\n:0100010022DC\n", lines, stopped);
    EXPECT_EQ(r.end, hexfmt::IntelHexEnd::stopped);
    EXPECT_TRUE(m.has(635));
    EXPECT_FALSE(m.has(966));
    EXPECT_EQ(stopped, (Image{{0, 0x11}}));
}

TEST_F(IntelHexReader, LowerCaseDigitsAreNotDigits) {
    hexfmt::IntelHexRules rules = lenient_rules();
    rules.bad_digit = 942;
    Image image;
    testsupport::message_capture m;
    read_text(":01000000aa55\n:00000001FF\n", rules, image);
    EXPECT_TRUE(m.has(942));
}

}  // namespace
