// ELF32 output: layout, sections, program headers and symbols; probe and dump edge cases.
#include <gtest/gtest.h>

#include "converter/elf.h"
#include "converter/formats.h"
#include "converter/tests/test_util.h"

using namespace conv;
using conv_test::contents;
using conv_test::stream_of;

namespace {

struct elf_file {
    std::string bytes;
    byte_order order = byte_order::little;
    uint32_t u16(size_t at) const { return get16(reinterpret_cast<const uint8_t*>(&bytes[at]), order); }
    uint32_t u32(size_t at) const { return get32(reinterpret_cast<const uint8_t*>(&bytes[at]), order); }
    uint32_t shnum() const { return u16(48); }
    uint32_t sh(uint32_t index, uint32_t field) const { return u32(u32(32) + 40 * index + 4 * field); }
    uint32_t ph(uint32_t index, uint32_t field) const { return u32(u32(28) + 32 * index + 4 * field); }
    std::string section_name(uint32_t index) const {
        return bytes.c_str() + sh(u16(50), 4) + sh(index, 0);
    }
    std::string section_bytes(uint32_t index) const { return bytes.substr(sh(index, 4), sh(index, 5)); }
};

elf_file write_elf(conv_context& ctx) {
    ctx.md.complete(0);
    FILE* f = std::tmpfile();
    EXPECT_TRUE(elf_write(ctx, f, "out.elf"));
    elf_file e{contents(f), ctx.order};
    std::fclose(f);
    return e;
}

TEST(ElfWrite, EmptyModelHasTablesOnlyAndNoProgramHeader) {
    conv_context ctx;
    elf_file e = write_elf(ctx);
    ASSERT_EQ(e.shnum(), 4u);
    EXPECT_EQ(e.u16(50), 3u);
    EXPECT_EQ(e.section_name(1), ".strtab");
    EXPECT_EQ(e.section_name(2), ".symtab");
    EXPECT_EQ(e.section_name(3), ".shstrtab");
    EXPECT_EQ(e.u16(44), 0u);   // a header table outside every loaded segment is not listed
    EXPECT_EQ(e.u32(28), 0u);
    EXPECT_EQ(e.bytes.substr(0, 8), std::string("\x7F" "ELF\x01\x01\x01\xFF", 8));
}

TEST(ElfWrite, SectionsHoldTheirWholeSizeAndSharedBlocks) {
    conv_context ctx;
    ctx.md.seg_add("CODE", 0, 0x10, 0);
    ctx.md.seg_add("CONST", 0x10, 0x10, 0);
    ctx.md.seg_add("BSS", 0x40, 0, 1);
    std::string code;
    for (int i = 0; i < 0x18; ++i) code.push_back(char(0x80 + i));
    // One block across two segments: it belongs to neither alone.
    ctx.md.data_add(0, reinterpret_cast<const uint8_t*>(code.data()), 0x18, 0);
    ctx.md.entry_address = 4;
    elf_file e = write_elf(ctx);
    ASSERT_EQ(e.shnum(), 7u);
    EXPECT_EQ(e.u32(24), 4u);
    EXPECT_EQ(e.sh(1, 1), 1u);
    EXPECT_EQ(e.sh(1, 2), 6u);
    EXPECT_EQ(e.section_bytes(1), code.substr(0, 0x10));
    EXPECT_EQ(e.sh(2, 3), 0x10u);
    EXPECT_EQ(e.section_bytes(2), code.substr(0x10) + std::string(8, '\0'));
    EXPECT_EQ(e.sh(3, 1), 8u);   // no data: no bits
    EXPECT_EQ(e.sh(3, 2), 3u);
    EXPECT_EQ(e.section_name(4), ".strtab");
    EXPECT_EQ(e.sh(4, 4), 52u + 0x20);   // right behind the padded program sections
    ASSERT_EQ(e.u16(44), 2u);   // the empty segment gets no loadable header
    EXPECT_EQ(e.ph(0, 0), 1u);
    EXPECT_EQ(e.ph(0, 1), 52u);
    EXPECT_EQ(e.ph(1, 2), 0x10u);
    EXPECT_EQ(e.ph(1, 3), 0u);
    EXPECT_EQ(e.ph(1, 4), 8u);   // bytes written
    EXPECT_EQ(e.ph(1, 5), 0x10u);
}

TEST(ElfWrite, LocalSymbolsFirstAndBigEndian) {
    conv_context ctx;
    ctx.order = byte_order::big;
    uint32_t file = ctx.md.file_add("main.c");
    uint32_t seg = ctx.md.seg_add("text", 0, 2, 0);
    ctx.md.sym_add("_g1", 0x1234, seg, file, 0);
    ctx.md.sym_add("l1", 5, seg, file, SYM_LOCAL);
    ctx.md.sym_add("_g2", 6, 0, file, 0);
    elf_file e = write_elf(ctx);
    EXPECT_EQ(e.bytes[5], 2);
    EXPECT_EQ(e.bytes.substr(16, 2), std::string("\0\x02", 2));
    uint32_t symtab = 3, strtab = e.sh(symtab, 6);
    EXPECT_EQ(e.section_name(symtab), ".symtab");
    EXPECT_EQ(e.sh(symtab, 7), 2u);   // the first global
    EXPECT_EQ(e.sh(symtab, 9), 16u);
    std::string names = e.section_bytes(strtab);
    std::string table = e.section_bytes(symtab);
    ASSERT_EQ(table.size(), 64u);
    auto name_of = [&](int i) { return std::string(names.c_str() + e.u32(e.sh(symtab, 4) + 16 * i)); };
    EXPECT_EQ(name_of(1), "l1");
    EXPECT_EQ(table[16 + 12], 0);
    EXPECT_EQ(name_of(2), "_g1");
    EXPECT_EQ(e.u32(e.sh(symtab, 4) + 32 + 4), 0x1234u);
    EXPECT_EQ(table[32 + 12], 0x10);
    EXPECT_EQ(e.u16(e.sh(symtab, 4) + 32 + 14), 1u);
    EXPECT_EQ(name_of(3), "_g2");
    EXPECT_EQ(e.u16(e.sh(symtab, 4) + 48 + 14), 0u);
}

TEST(ElfWrite, MachineByFirstDescriptionHoldingTheName) {
    EXPECT_EQ(elf_machine_of("H8/300"), 46u);
    EXPECT_EQ(elf_machine_of(""), 1u);
    EXPECT_EQ(elf_machine_of("16F877A"), 0u);
    EXPECT_EQ(elf_machine_of("\"v8plus\""), 18u);
    EXPECT_EQ(elf_machine_of("arm"), 0u);   // case counts
}

TEST(ElfProbe, ClassEncodingAndVersion) {
    conv_context ctx;
    elf_file e = write_elf(ctx);
    auto probe = [&](std::string bytes) {
        FILE* f = stream_of(bytes);
        bool yes = elf_probe(ctx, f);
        std::fclose(f);
        return yes;
    };
    EXPECT_TRUE(probe(e.bytes));
    std::string big = e.bytes;
    big[5] = 2;
    EXPECT_TRUE(probe(big));
    EXPECT_EQ(ctx.order, byte_order::big);
    for (auto [at, value] : {std::pair{4, 2}, {5, 3}, {6, 2}, {0, 0x7E}}) {
        std::string bad = e.bytes;
        bad[at] = char(value);
        EXPECT_FALSE(probe(bad)) << at;
    }
    EXPECT_FALSE(probe(e.bytes.substr(0, 51)));
}

std::string dump_of(const std::string& bytes, bool expect, uint32_t verbose = 0) {
    conv_context ctx;
    ctx.opt.verbose_level = verbose;
    FILE* f = stream_of(bytes);
    testing::internal::CaptureStdout();
    EXPECT_EQ(elf_dump(ctx, f), expect);
    std::fclose(f);
    return testing::internal::GetCapturedStdout();
}

TEST(ElfDump, HeadingsSymbolsAndDwarfPresence) {
    conv_context ctx;
    uint32_t file = ctx.md.file_add("main.c");
    ctx.md.seg_add(".debug_info", 0, 4, 0);
    ctx.md.sym_add("_x", 7, 1, file, 0);
    const uint8_t bytes[4] = {1, 2, 3, 4};
    ctx.md.data_add(0, bytes, 4, 0);
    elf_file e = write_elf(ctx);

    std::string quiet = dump_of(e.bytes, true);
    EXPECT_NE(quiet.find("\tMachine:\tAT&T WE 32100\n"), std::string::npos) << quiet;
    EXPECT_NE(quiet.find("0001  .debug_info          Program data                   00000000 00000004 00000000 ALLOC "
                         "EXECINSTR\n"),
              std::string::npos)
        << quiet;
    EXPECT_EQ(quiet.find("_x"), std::string::npos);   // symbols only when verbose
    testing::internal::CaptureStderr();
    std::string loud = dump_of(e.bytes, true, 3);
    std::string err = testing::internal::GetCapturedStderr();
    char line[128];
    std::snprintf(line, sizeof line, "\t%-20s  0x%08X  %-5d  %-26s  0x%04X\n", "_x", 7, 0,
                  "Global symbol (0x1)/unspecified (0x0)", 1);
    EXPECT_NE(loud.find(line), std::string::npos) << loud;
    EXPECT_NE(loud.find("\n\t  34:  01 02 03 04"), std::string::npos) << loud;
    // The section named like debug information, without an abbreviation table.
    EXPECT_NE(loud.find("\n\nDWARF:"), std::string::npos);
    EXPECT_NE(err.find("missing abbreviation table"), std::string::npos) << err;

    conv_context plain;
    plain.md.seg_add("text", 0, 4, 0);
    EXPECT_EQ(dump_of(write_elf(plain).bytes, true).find("DWARF:"), std::string::npos);

    std::string wide = e.bytes;
    wide[4] = 2;
    EXPECT_EQ(dump_of(wide, false), "");
}

TEST(ElfDump, DamagedTablesAreRefusedNotRead) {
    conv_context ctx;
    ctx.md.seg_add("text", 0, 4, 0);
    elf_file e = write_elf(ctx);
    std::string cut = e.bytes.substr(0, e.u32(32) + 10);
    testing::internal::CaptureStderr();
    dump_of(cut, false);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("(1037) short read on ELF section headers"), std::string::npos);
    std::string bad_index = e.bytes;
    bad_index[50] = 9;
    testing::internal::CaptureStderr();
    dump_of(bad_index, false);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Bad ELF string table index"), std::string::npos);
}

}  // namespace
