// The DWARF listing of hand-made sections: values, and lengths and offsets outside their section.
#include <gtest/gtest.h>

#include "converter/elf.h"
#include "converter/tests/test_util.h"

using namespace conv;
using conv_test::contents;
using conv_test::stream_of;

namespace {

using sections = std::vector<std::pair<std::string, std::string>>;

struct listing {
    std::string out, err;
};

// An ELF file whose program sections carry the given bytes, listed at the given verbosity.
listing dump(const sections& parts, uint32_t verbose = 1) {
    conv_context w;
    uint32_t base = 0x1000;
    for (const auto& [name, bytes] : parts) {
        uint32_t seg = w.md.seg_add(name, base, uint32_t(bytes.size()), 0);
        w.md.data_add(base, reinterpret_cast<const uint8_t*>(bytes.data()), uint32_t(bytes.size()), seg);
        base += 0x1000;
    }
    w.md.complete(0);
    FILE* f = std::tmpfile();
    elf_write(w, f, "t.elf");
    std::string image = contents(f);
    std::fclose(f);

    conv_context ctx;
    ctx.opt.verbose_level = verbose;
    FILE* in = stream_of(image);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(elf_dump(ctx, in));
    std::fclose(in);
    std::string out = testing::internal::GetCapturedStdout();
    return {out, testing::internal::GetCapturedStderr()};
}

std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

// A unit of version 2 around the entries, for the abbreviations at offset 0.
std::string unit(const std::string& entries, uint8_t address_size = 4, uint32_t length_extra = 0) {
    return le32(uint32_t(7 + entries.size() + length_extra)) + std::string("\x02\0", 2) + le32(0) +
           char(address_size) + entries;
}

// Code 1: compile_unit with children, name (string), stmt_list (data4), language (data1),
// producer (strp), byte_size (udata). Code 2: base_type without children, encoding (data1).
const std::string abbrev = std::string("\x01\x11\x01\x03\x08\x10\x06\x13\x0b\x25\x0e\x0b\x0f\0\0", 15) +
                           std::string("\x02\x24\x00\x3e\x0b\0\0", 7) + std::string(1, '\0');

std::string top(uint32_t stmt, uint32_t strp, const std::string& size = "\x05") {
    return "\x01" + std::string("x.c") + '\0' + le32(stmt) + "\x01" + le32(strp) + size;
}

TEST(DwarfDump, EntryTreeWithNamedValues) {
    std::string entries = top(0x40, 1, std::string("\x81\x80\x80\x80\x80\x01", 6)) + "\x02\x07" + std::string(1, '\0');
    listing l = dump({{".debug_info", unit(entries)}, {".debug_abbrev", abbrev}, {".debug_str", std::string("\0cc\0", 4)}},
                     4);
    EXPECT_NE(l.out.find("00001(Y): DW_TAG_compile_unit\n          DW_AT_name                     DW_FORM_string\n"),
              std::string::npos)
        << l.out;
    EXPECT_NE(l.out.find("Compilation Unit 1 @ 0x00000000\nsize=30 ver=0x0002 abbrev offset=0x00000000, addrsize=4\n"),
              std::string::npos)
        << l.out;
    EXPECT_NE(l.out.find("+compile unit (1) @ 0xB (0xB)\n name[string] = \"x.c\"\n stmt list[data4] = 0x00000040\n"
                         " language[data1] = C89 (0x01)\n producer[strp] = \"cc\"\n"
                         " byte size[udata] = 1\n"),   // a LEB128 of six bytes keeps its low 32 bits
              std::string::npos)
        << l.out;
    EXPECT_NE(l.out.find("  +base type (2) @ 0x1F (0x1F)\n   encoding[data1] = unsigned (0x07)\n"), std::string::npos)
        << l.out;
    EXPECT_NE(l.out.find("  +<NULL ENTRY>\n"), std::string::npos);
    // The unit names a line program, but the file has none.
    EXPECT_NE(l.out.find("No line number information (from .debug_line)"), std::string::npos) << l.out;
}

TEST(DwarfDump, OffsetsAndLengthsOutsideTheirSection) {
    std::string good = top(0, 99);   // the string offset lies past .debug_str
    listing l = dump({{".debug_info", unit(good + std::string(1, '\0')) + unit("\x09", 4) + unit(good, 3) +
                                          unit(good, 4, 50)},
                      {".debug_abbrev", abbrev},
                      {".debug_str", std::string("\0", 1)},
                      {".debug_line", le32(500) + "xx"}});
    EXPECT_NE(l.out.find("producer[strp] = ?? Invalid string table offset: 0x00000063"), std::string::npos) << l.out;
    EXPECT_NE(l.err.find("undefined abbreviation code 9"), std::string::npos) << l.err;
    EXPECT_NE(l.err.find("bad address size (3)"), std::string::npos) << l.err;
    EXPECT_NE(l.err.find("bad compilation unit length"), std::string::npos) << l.err;
    EXPECT_NE(l.err.find("line program size 500 past the end of .debug_line"), std::string::npos) << l.err;
}

TEST(DwarfDump, FrameEntriesPointingOutside) {
    std::string cie = le32(12) + le32(0xFFFFFFFF) + std::string("\x01\0\x01\x7c\x08\x0c\x04\x04", 8);
    std::string fde_good = le32(12) + le32(0) + le32(0x100) + le32(0x10);
    std::string fde_far = le32(12) + le32(0x400) + le32(0) + le32(0);
    listing l = dump({{".debug_info", unit(top(0, 0) + std::string(1, '\0'))},
                      {".debug_abbrev", abbrev},
                      {".debug_frame", cie + fde_good + "\x41" + fde_far}});
    // The stray byte after the good entry makes the next length run past the section.
    EXPECT_NE(l.out.find("size=12 ver=1\nAugmentation: None\ncode align=1, data align=-4, return col=8\n"
                         "        DW_CFA_def_cfa(r4, 4)\n"),
              std::string::npos)
        << l.out;
    EXPECT_NE(l.out.find("CIE_pointer=0x00000000 location range=0x00000100..0x00000110\n"), std::string::npos) << l.out;
    EXPECT_NE(l.err.find("entry runs past the end of .debug_frame"), std::string::npos) << l.err;

    listing far = dump({{".debug_info", unit(top(0, 0) + std::string(1, '\0'))},
                        {".debug_abbrev", abbrev},
                        {".debug_frame", cie + fde_far}});
    EXPECT_NE(far.err.find("CIE pointer outside .debug_frame"), std::string::npos) << far.err;
}

TEST(DwarfDump, LineProgramMatrix) {
    // Version 2, min_len 1, line_base -5, range 14, opcode base 10; no directories; one file.
    std::string header = std::string("\x01\x01\xfb\x0e\x0a", 5) + std::string("\0\x01\x01\x01\x01\0\0\0\x01", 9) +
                         std::string(1, '\0') + "a.c" + std::string("\0\0\0\0", 4) + std::string(1, '\0');
    std::string program = std::string("\x00\x05\x02\x00\x10\x00\x00", 7) + "\x15" + "\x1e" +
                          std::string("\x02\x04\x00\x01\x01", 5);
    std::string body = std::string("\x02\0", 2) + le32(uint32_t(header.size())) + header + program;
    std::string line = le32(uint32_t(body.size())) + body;
    listing l = dump({{".debug_info", unit(top(0, 0) + std::string(1, '\0'))},
                      {".debug_abbrev", abbrev},
                      {".debug_line", line}},
                     2);
    EXPECT_NE(l.out.find("00000:  00001000  1           7           0           true         false\n"
                         "00001:  00001001  1           8           0           true         false\n"
                         "00002:  00001005  1           8           0           true         false\n"),
              std::string::npos)
        << l.out;
    EXPECT_NE(l.out.find("SPECIAL(line=6, addr=0)"), std::string::npos) << l.out;
    EXPECT_EQ(l.err.find("prolog length"), std::string::npos) << l.err;
}

}  // namespace
