// ormhex's image formats, read back by srecord and checked against the record rules.
#include <gtest/gtest.h>

#include "hexfmt/tests/tool_testing.h"
#include "testsupport/testsupport.h"

namespace {

using testsupport::run_merged;

class HexFormats : public testsupport::scratch_test {
protected:
    // Runs ormhex on the object; returns its exit status and keeps its messages.
    int hex(const std::string& args, const std::string& object = "l.obj", const std::string& output = "out") {
        return run_merged("cd '" + scratch().path().string() + "' && " + testsupport::program("ormhex") + " " + args + " " + object + " " + output,
                   &messages);
    }
    std::string file(const std::string& name) { return testsupport::read_file(path(name)); }
    bool same_image(const std::string& a, const std::string& b) {
        std::string out;
        int status = run_merged("cd '" + scratch().path().string() + "' && srec_cmp " + a + " " + b, &out);
        EXPECT_EQ(status, 0) << out;
        return status == 0;
    }
    // A small image: an instruction run at 0, three bytes at 0x101, start at 0.
    void small_object(bool with_start = true) {
        tooltest::ObjectBuilder o;
        o.ident().text(0, {0x12, 0x30, 0xA0, 0x00, 0x02, 0x28, 0xFF, 0x3F, 0x34, 0x12})
            .text(0x101, {1, 2, 3});
        if (with_start) o.start(0);
        o.symbol("_main", 0).symbol("9lives", 0x20, 0x10, "data").end().save(path("l.obj"));
    }
    std::string messages;
};

TEST_F(HexFormats, EveryFormatReadsBackAsTheIntelImage) {
    small_object();
    ASSERT_EQ(hex("-i -16,2", "l.obj", "l.hex"), 0) << messages;
    ASSERT_EQ(run_merged("srec_info " + path("l.hex") + " -intel", &messages), 0) << messages;
    ASSERT_EQ(hex("-m -16,2", "l.obj", "l.s19"), 0) << messages;
    same_image("l.s19 -motorola", "l.hex -intel");
    // Without alignment no record is padded: the plain image for the formats that do not pad.
    ASSERT_EQ(hex("", "l.obj", "plain.hex"), 0) << messages;
    ASSERT_EQ(hex("-t", "l.obj", "l.tek"), 0) << messages;
    same_image("l.tek -tektronix", "plain.hex -intel");
    ASSERT_EQ(hex("-te", "l.obj", "l.xtk"), 0) << messages;
    same_image("l.xtk -tektronix-extended", "plain.hex -intel");
    ASSERT_EQ(hex("-I", "l.obj", "l32.hex"), 0) << messages;
    same_image("l32.hex -intel", "plain.hex -intel");
    // Binary fills its gaps with the fill pattern (0 without -F) from the lowest address on.
    ASSERT_EQ(hex("-b", "l.obj", "l.bin"), 0) << messages;
    same_image("l.bin -binary", "plain.hex -intel -fill 0 0 0x104");
    // American Automation: Motorola after the symbol lines, which stand at the head.
    ASSERT_EQ(hex("-ma -16,2", "l.obj", "l.aa"), 0) << messages;
    std::string aa = file("l.aa");
    EXPECT_EQ(aa.substr(0, 44), "SA _main 0 0 -17 1 1\nSA 9lives 20 0 -17 1 1\n");
    run_merged("grep -v '^SA ' " + path("l.aa") + " > " + path("l.aas"));
    same_image("l.aas -motorola", "l.hex -intel");
}

TEST_F(HexFormats, IntelRecordsExtendedAddressesAndEnd) {
    small_object(false);
    ASSERT_EQ(hex("-16,2", "l.obj", "l.hex"), 0) << messages;
    // Data below 64 KB still begin with an extended address record; without START the
    // lowest address is the start. Three bytes at 0x101 are padded to four.
    EXPECT_EQ(file("l.hex"),
              ":020000020000FC\n"
              ":0A0000001230A0000228FF3F341266\n"
              ":0401010001020300F4\n"
              ":00000001FF\n");
    ASSERT_EQ(hex("-i", "l.obj", "l32.hex"), 0) << messages;   // -i is -I
    EXPECT_EQ(file("l32.hex").substr(0, 16), ":020000040000FA\n");
    ASSERT_EQ(hex("-m", "l.obj", "l.s19"), 0) << messages;
    EXPECT_EQ(file("l.s19").substr(file("l.s19").size() - 11), "S9030000FC\n");
    // The end record carries the start address, and a start segment its own type 02 record.
    tooltest::ObjectBuilder().ident().text(0x10, {1}).start(0x1234).start(0x100, obj::SEGSTART).end()
        .save(path("s.obj"));
    ASSERT_EQ(hex("", "s.obj", "s.hex"), 0) << messages;
    EXPECT_EQ(file("s.hex"), ":020000020000FC\n:0100100001EE\n:020000020100FB\n:00123401B9\n");
}

TEST_F(HexFormats, RecordLengthOptions) {
    std::vector<uint8_t> run64(64, 0x55);
    tooltest::ObjectBuilder().ident().text(0, run64).start(0).end().save(path("l.obj"));
    ASSERT_EQ(hex("-0", "l.obj", "a.hex"), 0) << messages;
    EXPECT_EQ(file("a.hex").substr(16, 9), ":10000000");   // -0 means 16
    ASSERT_EQ(hex("-64", "l.obj", "b.hex"), 0) << messages;
    EXPECT_EQ(file("b.hex").substr(16, 9), ":20000000");   // the format's 32 is the ceiling
    ASSERT_EQ(hex("-5", "l.obj", "c.hex"), 0) << messages;
    EXPECT_EQ(file("c.hex").substr(16, 9), ":05000000");
    EXPECT_NE(hex("-12,3", "l.obj", "d.hex"), 0);
    EXPECT_NE(messages.find("(405)"), std::string::npos) << messages;
    EXPECT_NE(hex("-1x", "l.obj", "d.hex"), 0);
    EXPECT_NE(messages.find("(404)"), std::string::npos) << messages;
}

TEST_F(HexFormats, PaddingTakesTheNextPagesByteOnce) {
    // Three bytes end a page at 0x3FF; the record's padding byte is 0x400, the next page's
    // first byte, which that page then does not write again.
    tooltest::ObjectBuilder().ident().text(0x3FD, {1, 2, 3, 4, 5}).start(0).end().save(path("l.obj"));
    ASSERT_EQ(hex("-16,2", "l.obj", "l.hex"), 0) << messages;
    EXPECT_EQ(file("l.hex"),
              ":020000020000FC\n"
              ":0403FD0001020304F2\n"
              ":020401000500F4\n"   // padded with the fill preset 0
              ":00000001FF\n");
    ASSERT_EQ(run_merged("srec_info " + path("l.hex") + " -intel", &messages), 0) << messages;
}

TEST_F(HexFormats, MotorolaRecordTypesFollowTheAddress) {
    tooltest::ObjectBuilder()
        .ident().text(0xFFFF, {0xAA}).text(0x10000, {0xBB}).text(0x1000000, {0xCC}).start(0x1000000).end()
        .save(path("l.obj"));
    ASSERT_EQ(hex("-m", "l.obj", "l.s19"), 0) << messages;
    std::string s = file("l.s19");
    EXPECT_NE(s.find("\nS104FFFFAA"), std::string::npos) << s;
    EXPECT_NE(s.find("\nS205010000BB"), std::string::npos) << s;
    EXPECT_NE(s.find("\nS30601000000CC"), std::string::npos) << s;
    EXPECT_NE(s.find("\nS70501000000F9\n"), std::string::npos) << s;
    EXPECT_EQ(s.substr(0, 8), "S0080000");   // the input name "l.obj" in the header
    ASSERT_EQ(run_merged("srec_info " + path("l.s19") + " -motorola", &messages), 0) << messages;
}

TEST_F(HexFormats, ExtendedTektronicAddressForms) {
    tooltest::ObjectBuilder().ident().text(0xFFFF, {0xAA}).text(0x10000, {0xBB}).start(0x10).end().save(path("l.obj"));
    ASSERT_EQ(hex("-te", "l.obj", "l.xtk"), 0) << messages;
    std::string s = file("l.xtk");
    EXPECT_NE(s.find("64FFFFAA\n"), std::string::npos) << s;
    EXPECT_NE(s.find("6800010000BB\n"), std::string::npos) << s;   // 9-character address field
    EXPECT_EQ(s.substr(s.size() - 2), "\n\n");                     // an empty line ends the file
    EXPECT_NE(s.find("%0A8"), std::string::npos) << s;              // termination with "4" + 4 digits
}

TEST_F(HexFormats, AddressesAFormatCannotHoldAreRefused) {
    tooltest::ObjectBuilder().ident().text(0x100000, {1}).start(0).end().save(path("l.obj"));
    EXPECT_EQ(hex("", "l.obj", "l.hex"), 1);
    EXPECT_NE(messages.find("(411)"), std::string::npos) << messages;
    EXPECT_FALSE(testsupport::file_exists(path("l.hex")));
    EXPECT_EQ(hex("-I", "l.obj", "l.hex"), 0) << messages;   // type 04 reaches it
    tooltest::ObjectBuilder().ident().text(0x10000, {1}).start(0).end().save(path("t.obj"));
    EXPECT_EQ(hex("-t", "t.obj", "t.tek"), 1);
    EXPECT_NE(messages.find("(411)"), std::string::npos) << messages;
    EXPECT_FALSE(testsupport::file_exists(path("t.tek")));
    tooltest::ObjectBuilder().ident().text(0x10, {1}).start(0).end().save(path("b.obj"));
    EXPECT_EQ(hex("-B20", "b.obj", "b.bin"), 1);
    EXPECT_NE(messages.find("(431)"), std::string::npos) << messages;
    EXPECT_EQ(hex("-B8", "b.obj", "b.bin"), 0) << messages;
    EXPECT_EQ(file("b.bin"), std::string(8, '\0') + "\x01");
}

TEST_F(HexFormats, BinaryFillPatternFollowsTargetOrder) {
    tooltest::ObjectBuilder().ident().text(0x0, {0x11, 0x22}).text(0x14, {0x33}).start(0).end().save(path("l.obj"));
    ASSERT_EQ(hex("-b -F0x3FFF,0x18", "l.obj", "l.bin"), 0) << messages;
    std::string b = file("l.bin");
    ASSERT_EQ(b.size(), 0x18u);
    EXPECT_EQ(b.substr(0x10, 4), "\xFF\x3F\xFF\x3F");
    EXPECT_EQ(b.substr(0x14, 4), "\x33\x3F\xFF\x3F");
    // The driver's "-F0FFh": one byte repeated.
    ASSERT_EQ(hex("-b -F0FFh", "l.obj", "f.bin"), 0) << messages;
    EXPECT_EQ(file("f.bin").substr(2, 4), "\xFF\xFF\xFF\xFF");
}

TEST_F(HexFormats, TskHeaderAndImage) {
    tooltest::ObjectBuilder().ident("HT46R22").text(4, {0xAB}).start(0).end().save(path("l.obj"));
    ASSERT_EQ(hex("-h -F,0x10", "l.obj", "l.tsk"), 0) << messages;
    std::string t = file("l.tsk");
    ASSERT_EQ(t.size(), 32u + 0x10);
    EXPECT_EQ(t.substr(0, 8), std::string("HLH9.00\0", 8));
    EXPECT_EQ(t.substr(8, 8), std::string("\x20\0\0\0\x10\0\0\0", 8));
    EXPECT_EQ(t.substr(16, 8), "HT46R22" + std::string(1, '\0'));
    EXPECT_EQ(t[32 + 4], '\xAB');
}

// The driver's Intel image of an assembler-made program, run in a simulator nobody here wrote.
TEST_F(HexFormats, ImageRunsInTheSimulator) {
    std::ofstream(path("g.asm")) << "    processor 16f877a\n    org 0\n    movlw 0x42\n    movwf 0x20\n"
                                    "    incf 0x20,f\nloop: goto loop\n    end\n";
    std::string out;
    ASSERT_EQ(run_merged("cd '" + scratch().path().string() + "' && gpasm -q -a inhx32 g.asm && srec_cat g.hex -intel -o g.bin -binary", &out), 0)
        << out;
    std::string code = file("g.bin");
    tooltest::ObjectBuilder().ident().text(0, std::vector<uint8_t>(code.begin(), code.end())).start(0).end()
        .save(path("l.obj"));
    ASSERT_EQ(hex("-i -16,2", "l.obj", "run.hex"), 0) << messages;
    std::ofstream(path("cmds.stc")) << "step 3\nquit\n";
    ASSERT_EQ(run_merged("cd '" + scratch().path().string() + "' && timeout 60 gpsim -i -p p16f877a -c cmds.stc run.hex", &out), 0) << out;
    EXPECT_NE(out.find("Wrote: 0x0043 to REG020"), std::string::npos) << out;
}

// An object made by our own assembler, placed at 0, converted and run in the simulator.
TEST_F(HexFormats, AssemblerObjectRunsInTheSimulator) {
    ORM_REQUIRE(testsupport::file_exists(testsupport::program("ormasm")), "no assembler in this build");
    std::ofstream(path("t.as")) << "\tprocessor\t16F877A\n\tpsect\ttext,class=CODE,delta=2,abs\n"
                                   "\tmovlw\t0x42\n\tmovwf\t0x20\n\tincf\t0x20,f\n\tgoto\t3\n\tend\n";
    std::string out;
    ASSERT_EQ(run_merged("cd '" + scratch().path().string() + "' && " + testsupport::program("ormasm") + " t.as", &out), 0) << out;
    ASSERT_EQ(hex("-i -16,2", "t.obj", "t.hex"), 0) << messages;
    std::ofstream(path("cmds.stc")) << "step 3\nquit\n";   // the trace shows the last step: incf
    ASSERT_EQ(run_merged("cd '" + scratch().path().string() + "' && timeout 60 gpsim -i -p p16f877a -c cmds.stc t.hex", &out), 0) << out;
    EXPECT_NE(out.find("Wrote: 0x0043 to REG020"), std::string::npos) << out;
}

// UBROF's CRC: generator 0x8005, start 0, data bits entering least significant first into a
// register that shifts left. srec_cat's reflected CRC-16 of the same bytes (its "-xmodem
// -least-to-most" form) is that register with its bits in reverse order.
class UbrofCrc : public HexFormats {
protected:
    // srec_cat's CRC of bytes [from, to) of the file, bits reversed into our register's order.
    uint16_t peer_crc(const std::string& file, size_t from, size_t to) {
        std::string dump;
        std::string cmd = "srec_cat " + file + " -binary -crop " + std::to_string(from) + " " + std::to_string(to) +
                          " -crc16-b-e " + std::to_string(to) + " -xmodem -least-to-most -augment -poly 0x8005 -crop " +
                          std::to_string(to) + " " + std::to_string(to + 2) + " -offset -" + std::to_string(to) +
                          " -o - -hex-dump";
        EXPECT_EQ(run_merged(cmd, &dump), 0) << dump;
        unsigned hi = 0, lo = 0;
        EXPECT_EQ(sscanf(dump.c_str(), "00000000: %x %x", &hi, &lo), 2) << dump;
        uint16_t value = static_cast<uint16_t>(hi << 8 | lo), reversed = 0;
        for (int bit = 0; bit < 16; ++bit)
            if (value & (1u << bit)) reversed |= static_cast<uint16_t>(1u << (15 - bit));
        return reversed;
    }
};

TEST_F(UbrofCrc, AgreesWithSrecord) {
    small_object();
    ASSERT_EQ(hex("-ub", "l.obj", "l.ubr"), 0) << messages;
    std::string u = file("l.ubr");
    ASSERT_GT(u.size(), 20u);
    EXPECT_EQ(u.substr(0, 1), "M");
    EXPECT_EQ(u[4], '?');
    EXPECT_EQ(static_cast<uint8_t>(u.back()), 0xFF);
    auto stored = [&](size_t at) {   // little-endian target
        return static_cast<uint16_t>(static_cast<uint8_t>(u[at]) | static_cast<uint8_t>(u[at + 1]) << 8);
    };
    // The header's CRC covers its first five bytes; the module's, everything from the module
    // record to the end record's start address.
    EXPECT_EQ(stored(5), peer_crc(path("l.ubr"), 0, 5));
    EXPECT_EQ(stored(u.size() - 3), peer_crc(path("l.ubr"), 7, u.size() - 3));
    // Module record: name "l" from the output name, then symbols; "9lives" gets its '#'.
    EXPECT_EQ(u.substr(7, 4), std::string("\x01\x04\x03\x10", 4));
    EXPECT_NE(u.find(std::string("\x07#9lives", 8)), std::string::npos);
}

}  // namespace
