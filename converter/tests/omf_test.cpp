// OMF-51 and extended OMF-51: the records written, read back, probed and listed.
#include <gtest/gtest.h>

#include "converter/formats.h"
#include "converter/machines.h"
#include "converter/tests/test_util.h"

using namespace conv;
using conv_test::contents;
using conv_test::stream_of;

namespace {

constexpr uint32_t EOMF = 3, OMF = 4;

std::string record(uint8_t type, const std::string& body) {
    std::string r{char(type), char((body.size() + 1) & 0xFF), char((body.size() + 1) >> 8)};
    r += body;
    uint8_t sum = 0;
    for (char c : r) sum = uint8_t(sum + uint8_t(c));
    r.push_back(char(uint8_t(-sum)));
    return r;
}

std::string counted(const std::string& s) { return char(s.size()) + s; }

struct rec {
    uint8_t type;
    std::string body;
};

// The records of a written file, each checked for its checksum.
std::vector<rec> records_of(const std::string& file) {
    std::vector<rec> out;
    for (size_t at = 0; at + 3 <= file.size();) {
        size_t length = uint8_t(file[at + 1]) | uint8_t(file[at + 2]) << 8;
        EXPECT_LE(at + 3 + length, file.size());
        uint8_t sum = 0;
        for (size_t i = at; i < at + 3 + length; ++i) sum = uint8_t(sum + uint8_t(file[i]));
        EXPECT_EQ(sum, 0);
        out.push_back({uint8_t(file[at]), file.substr(at + 3, length - 1)});
        at += 3 + length;
    }
    return out;
}

std::string write_row(conv_context& ctx, uint32_t row) {
    ctx.md.complete(0);
    FILE* f = std::tmpfile();
    EXPECT_TRUE(format_row(row).write(ctx, f, "out.omf"));
    std::string text = contents(f);
    std::fclose(f);
    return text;
}

void sample_model(conv_context& ctx) {
    uint32_t file = ctx.md.file_add("prog.c");
    uint32_t code = ctx.md.seg_add("CODE", 0, 0x1000, 0);
    uint32_t data = ctx.md.seg_add("data", 0x20, 0x50, 1);
    ctx.md.sym_add("_main", 0x100, code, file, 0);
    ctx.md.sym_add("count", 0x21, data, file, 0);
    ctx.md.sym_add("tmp", 0x22, data, file, SYM_LOCAL);
    ctx.md.sym_add(std::string(50, 'q'), 0x23, 0, file, 0);
    ctx.md.line_add(7, 0x100, 1, file, 0);
    ctx.md.line_add(8, 0x104, 1, file, 0);
    std::vector<uint8_t> bytes(600);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i);
    ctx.md.data_add(0x100, bytes.data(), 600, 0);
    ctx.md.data_add(0x12345, bytes.data(), 2, 0);
}

TEST(Omf51, WritesOneModuleInOrder) {
    conv_context ctx;
    sample_model(ctx);
    std::vector<rec> r = records_of(write_row(ctx, OMF));
    std::vector<uint8_t> types;
    for (const rec& x : r) types.push_back(x.type);
    EXPECT_EQ(types, (std::vector<uint8_t>{0x02, 0x10, 0x12, 0x12, 0x12, 0x10, 0x06, 0x06, 0x06, 0x06, 0x04}));
    EXPECT_EQ(r[0].body, counted("PROG") + "\xFF" + std::string(1, '\0'));
    EXPECT_EQ(r[1].body, std::string(1, '\0') + counted("PROG"));
    // Publics and locals go into records of their own; functions and variables by segment.
    EXPECT_EQ(r[2].body, std::string("\x01", 1) + std::string("\0\0\x00\x01\0", 5) + counted("_MAIN") +
                             std::string("\0\x42\x21\0\0", 5) + counted("COUNT") +
                             std::string("\0\x45\x23\0\0", 5) + counted(std::string(40, 'Q')));
    EXPECT_EQ(r[3].body, std::string("\0\0\x42\x22\0\0", 6) + counted("TMP"));
    EXPECT_EQ(r[4].body, std::string("\x03\0\0\x01\x07\0\0\x04\x01\x08\0", 11));
    EXPECT_EQ(r[5].body, std::string(1, '\3') + counted("PROG"));
    // 600 bytes as 256/256/88, and an address above 64 KB keeps its low 16 bits.
    EXPECT_EQ(r[6].body.substr(0, 3), std::string("\0\0\x01", 3));
    EXPECT_EQ(r[6].body.size(), 3u + 256);
    EXPECT_EQ(r[7].body.substr(0, 3), std::string("\0\0\x02", 3));
    EXPECT_EQ(r[8].body.substr(0, 3), std::string("\0\0\x03", 3));
    EXPECT_EQ(r[8].body.size(), 3u + 88);
    EXPECT_EQ(r[9].body.substr(0, 3), std::string("\0\x45\x23", 3));
    EXPECT_EQ(r[10].body, counted("PROG") + std::string("\0\0\x0F\0", 4));
}

TEST(Omf51, NoFilesGiveAnEmptyFile) {
    conv_context ctx;
    EXPECT_EQ(write_row(ctx, OMF), "");
}

TEST(Omf51, WrittenFileReadsBackThroughBothRows) {
    conv_context w;
    sample_model(w);
    std::string file = write_row(w, OMF);
    for (uint32_t row : {OMF, EOMF}) {
        conv_context ctx;
        FILE* f = stream_of(file);
        EXPECT_TRUE(format_row(row).probe(ctx, f));
        std::rewind(f);
        format_row(row).read(ctx, f, "in.omf");
        std::fclose(f);
        ASSERT_EQ(ctx.md.files.size(), 1u);
        EXPECT_EQ(ctx.md.files[0]->name, "PROG");
        ASSERT_EQ(ctx.md.symbols.size(), 4u);
        const conv_symbol& main = *ctx.md.symbols[0];
        EXPECT_EQ(main.name, "_MAIN");
        EXPECT_EQ(main.value, 0x100u);
        EXPECT_EQ(main.flags, 4u);   // a function
        EXPECT_EQ(ctx.md.segment(main.segment)->name, "CODE");
        EXPECT_EQ(ctx.md.symbols[1]->flags, 0u);
        EXPECT_EQ(ctx.md.segment(ctx.md.symbols[1]->segment)->name, "DATA");
        EXPECT_EQ(ctx.md.symbols[2]->name, "QQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQQ");
        EXPECT_EQ(ctx.md.symbols[2]->segment, 0u);   // NUMBER: outside every segment
        EXPECT_EQ(ctx.md.symbols[3]->flags, uint32_t(SYM_LOCAL));
        ASSERT_EQ(ctx.md.lines.size(), 2u);
        EXPECT_EQ(ctx.md.lines[1]->line, 8);
        EXPECT_EQ(ctx.md.lines[1]->address, 0x104u);
        EXPECT_EQ(ctx.md.lines[1]->kind, 2u);
        EXPECT_EQ(ctx.md.lines[1]->file, 1u);
        ctx.md.complete(0);
        ASSERT_EQ(ctx.md.data.size(), 2u);
        EXPECT_EQ(ctx.md.data[0]->address, 0x100u);
        EXPECT_EQ(ctx.md.data[0]->size(), 600u);
        EXPECT_EQ(ctx.md.data[1]->address, 0x2345u);
    }
}

std::string header(const std::string& name = "M") { return record(0x02, counted(name) + "\xFF" + '\0'); }

std::string read_file(conv_context& ctx, uint32_t row, const std::string& file) {
    FILE* f = stream_of(file);
    testing::internal::CaptureStderr();
    format_row(row).read(ctx, f, "in.omf");
    std::fclose(f);
    return testing::internal::GetCapturedStderr();
}

TEST(Omf51, ReadGrowsTheBufferAndStopsAtDamage) {
    conv_context ctx;
    std::string big(3000 - 4, 'x');
    std::string file = header() + record(0x06, std::string("\0\0\x10", 3) + big);
    std::string bad = record(0x06, std::string("\0\0\x20", 3) + "ab");
    bad.back() = char(bad.back() + 1);
    std::string err = read_file(ctx, OMF, file + bad + record(0x06, std::string("\0\0\x30", 3) + "cd"));
    EXPECT_NE(err.find("(1040) bad checksum: record 0x06, checksum 0x01"), std::string::npos) << err;
    ASSERT_EQ(ctx.md.data.size(), 1u);   // what came before the bad record stays
    EXPECT_EQ(ctx.md.data[0]->size(), big.size());
    EXPECT_EQ(ctx.md.segments.size(), 5u);

    conv_context bad_first;
    std::string damaged = header();
    damaged.back() ^= 0x40;
    FILE* f = stream_of(damaged);
    EXPECT_FALSE(format_row(OMF).probe(bad_first, f));
    std::rewind(f);
    EXPECT_FALSE(format_row(EOMF).probe(bad_first, f));
    std::fclose(f);
}

TEST(Omf51, LengthsPastTheirRecordAreShortRecords) {
    struct {
        std::string file;
        const char* expect;
    } cases[] = {
        {record(0x06, std::string("\0\0", 2)), "(1041) short record"},
        {record(0x10, std::string("\0\x09", 2) + "ab"), "(1041)"},
        {record(0x12, std::string("\x01\0\x40\0\0\0\x09", 7) + "ab"), "(1041)"},
        {record(0x12, std::string("\x03\0\0\0\x01", 5)), "(1041)"},
        {record(0x06, "") .substr(0, 2), "(1041)"},
        {header() + std::string("\x06\x10\0abc", 6), "(1041)"},
        {record(0x4E, "x"), "(1042) unknown OMF51 record type 0x4E"},
    };
    for (const auto& c : cases) {
        conv_context ctx;
        std::string err = read_file(ctx, OMF, c.file);
        EXPECT_NE(err.find(c.expect), std::string::npos) << err;
        EXPECT_TRUE(ctx.md.data.empty());
        EXPECT_TRUE(ctx.md.symbols.empty());
    }
    conv_context ctx;
    EXPECT_NE(read_file(ctx, EOMF, record(0x4E, "x")).find("unknown eomf51 record type 0x4E"), std::string::npos);
}

TEST(ExtendedOmf51, ProbePassesOverKeilInfo) {
    conv_context ctx;
    std::string info = record(0x70, "\xFF" + counted("cc x.c"));
    FILE* f = stream_of(info + info + header());
    EXPECT_TRUE(format_row(EOMF).probe(ctx, f));
    std::rewind(f);
    EXPECT_FALSE(format_row(OMF).probe(ctx, f));
    std::fclose(f);
    f = stream_of(info + record(0x06, std::string("\0\0\0", 3)));
    EXPECT_FALSE(format_row(EOMF).probe(ctx, f));
    std::fclose(f);
}

TEST(ExtendedOmf51, NamesKeepCaseLoseOneUnderscoreAndStopAt255) {
    conv_context ctx;
    uint32_t file = ctx.md.file_add("main.c");
    ctx.md.sym_add("_Value", 1, 0, file, 0);
    ctx.md.sym_add("__x", 2, 0, file, 0);
    ctx.md.sym_add(std::string(300, 'n'), 3, 0, file, 0);
    std::vector<rec> r = records_of(write_row(ctx, EOMF));
    ASSERT_GE(r.size(), 4u);
    EXPECT_EQ(r[0].body, counted("MAIN") + "\xFF" + std::string(1, '\0'));
    const std::string& items = r[2].body;
    EXPECT_NE(items.find(counted("Value")), std::string::npos);
    EXPECT_NE(items.find(counted("_x")), std::string::npos);
    EXPECT_NE(items.find(counted(std::string(255, 'n'))), std::string::npos);
    EXPECT_EQ(items.find(std::string(256, 'n')), std::string::npos);
}

std::string dump(uint32_t row, const std::string& file, uint32_t verbose = 0) {
    conv_context ctx;
    ctx.opt.verbose_level = verbose;
    FILE* f = stream_of(file);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(format_row(row).dump(ctx, f));
    std::fclose(f);
    return testing::internal::GetCapturedStdout();
}

TEST(ExtendedOmf51, DumpOfItemTypesAndKeilRecords) {
    std::string item = std::string("\x01", 1) + std::string("\0\x42\x10\0\x21", 5) + counted("a") +
                       std::string("\0\xE9\x20\0\x10", 5) + counted("b") + std::string("\0\x42\x30\0\x05", 5) +
                       counted("c");
    std::string types = std::string("\x26\x01\x04\x03", 4) + std::string("\x28\x02\x01\x01\x01\0\0\0\x03", 9) +
                        std::string("\x25\x04\0\x22\x21", 5) + "\x24" + std::string(1, '\0') + counted("tag\x01") +
                        std::string("\x20\x02\0\0\0\x05", 6) + counted("m1") + std::string("\x02\0\x20", 3) +
                        counted("m2") + "\x99";
    std::string file = header() + record(0x24, std::string("\x34\x12\0", 3) + counted("MAIN.C")) +
                       record(0x20, types) + record(0x22, item) + record(0x10, "\x06" + counted("odd"));
    std::string out = dump(EOMF, file);
    EXPECT_NE(out.find("Extended OMF-51 file dump:\n\n@0000    Module header, len   5: Name: 'M'; TRN ID = 0xFF\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Flags: 1234 Name: 'MAIN.C'\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\t\tSEG 0, VAR DATA Typedef(21) offset 0x0010: a\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\t\tSEG 0, IND VAR BANK 1 XDATA Unknown(10) offset 0x0020: b\n"), std::string::npos) << out;
    EXPECT_NE(out.find("VAR DATA unsigned int offset 0x0030: c\n"), std::string::npos) << out;
    std::string pad(27, ' ');
    EXPECT_NE(out.find(pad + "0x20 = bitfield(3@4)\n"), std::string::npos) << out;
    EXPECT_NE(out.find(pad + "0x21 = Pointer to unsigned char size 1 IDATA (2 1 1 1 0 0 0 )\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find(pad + "0x22 = struct size 4 membs type(0x22) tag 0x21\n"), std::string::npos) << out;
    EXPECT_NE(out.find(pad + "0x23 = tag tag\n"), std::string::npos) << out;   // the control character is left out
    EXPECT_NE(out.find(pad + "0x24 = params (unsigned int m1 offs 0/0, type(0x20) m2 offs 2/0)\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find(pad + "0x25 = Unknown key 0x99\n"), std::string::npos) << out;
    EXPECT_NE(out.find("UNKNOWN; Name = 'odd'\n"), std::string::npos) << out;
}

TEST(Omf51, DumpStopsAtDamageAndMarksBadLengths) {
    std::string item = std::string("\x03\0\x10\0\x05\0\x01", 7);   // a line entry and two stray bytes
    std::string bad = record(0x06, std::string("\0\0\0", 3));
    bad.back() ^= 1;
    testing::internal::CaptureStderr();
    std::string out = dump(OMF, header() + record(0x12, item) + record(0x4E, "zz") + bad + header());
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(out.find("Line numbers\n\t\tSEG 0, offset 0x0010, line 5\nBad length\n"), std::string::npos) << out;
    EXPECT_NE(out.find(" Unknown(0x4E), len   3: \n"), std::string::npos) << out;
    EXPECT_EQ(out.find("Content"), std::string::npos) << out;
    EXPECT_NE(err.find("(1040)"), std::string::npos);
}

}  // namespace

namespace {

dbg_sym* placed(conv_context& ctx, dbg_sym* scope, sclass cls, const std::string& name, dbg_type type, uint32_t address) {
    dbg_sym* s = ctx.dbg.make(cls);
    s->name = name;
    s->type = std::move(type);
    s->flags |= DBG_PLACED;
    s->address = address;
    s->space = 1;
    ctx.dbg.add_child(scope, s);
    return s;
}

TEST(ExtendedOmf51, DebugWriterTypesScopesAndFunctionCode) {
    conv_context ctx;
    ctx.opt.strip_extensions = true;
    for (const machine_desc* m : machine_table)
        if (m->fam == family::i8051) ctx.machine.current = m;
    ASSERT_NE(ctx.machine.current, nullptr);
    ctx.dbg.init_base_types(*ctx.machine.current);
    uint32_t file = ctx.md.file_add("main");
    ctx.md.seg_add("DATA", 0, 0x100, 1);
    uint32_t code = ctx.md.seg_add("CODE", 0, 0x1000, 0);
    ctx.md.sym_add("_u", 0x30, 1, file, 0);
    ctx.md.sym_add("_other", 0x40, 1, file, 0);
    int line = 3;
    for (uint32_t a : {0x100u, 0x110u, 0x120u}) ctx.md.line_add(line++, a, code, file, 0);
    ctx.md.line_add(9, 0x124, code, file, 0);
    std::vector<uint8_t> bytes(0x30, 0x11);
    ctx.md.data_add(0x100, bytes.data(), 0x30, code);

    dbg_sym* module = ctx.dbg.make(sclass::module);
    module->name = "main.c";
    ctx.dbg.add_child(ctx.dbg.global_block, module);
    dbg_sym* name = ctx.dbg.make(sclass::filename);
    name->name = "main";
    ctx.dbg.add_child(module, name);

    type_elem uchar{elem_kind::base, BASE_UNSIGNED, 1};
    dbg_type idata_ptr{{uchar, {elem_kind::qualifiers, 1u << 5}, {elem_kind::pointer}}};
    dbg_sym* tag = ctx.dbg.make(sclass::struct_);
    tag->has_link_name = true;
    tag->link_name = "node";
    tag->size = 4;
    dbg_type self{{{elem_kind::struct_ref, 0, 0, tag}, {elem_kind::pointer}}};
    tag->members = {{"next", true, self, 2, 0, 0, 0},
                    {"bits", true, dbg_type{{uchar}}, 1, 2, 3, 4},
                    {std::string(250, 'm'), true, dbg_type{{uchar}}, 1, 3, 0, 0}};
    placed(ctx, module, sclass::extern_, "_u", dbg_type{{{elem_kind::base, BASE_UNSIGNED, 2}}}, 0x30);
    placed(ctx, module, sclass::extern_, "_p1", idata_ptr, 0x32);
    placed(ctx, module, sclass::extern_, "_p2", idata_ptr, 0x33);
    placed(ctx, module, sclass::extern_, "_n", dbg_type{{{elem_kind::struct_ref, 0, 0, tag}}}, 0x34);
    placed(ctx, module, sclass::extern_, "_n2", dbg_type{{{elem_kind::struct_ref, 0, 0, tag}}}, 0x38);
    dbg_sym* func = ctx.dbg.make(sclass::func);
    func->function = placed(ctx, module, sclass::extern_, "_f", dbg_type{{{elem_kind::base, BASE_VOID}, {elem_kind::function}}}, 0x100);
    func->first_line = 3;
    func->last_line = 5;
    ctx.dbg.add_child(module, func);

    std::string file_bytes = write_row(ctx, EOMF);
    std::string out = dump(EOMF, file_bytes);
    auto at = [&](const std::string& s) { return out.find(s); };
    EXPECT_NE(at("FUNC DATA unsigned int offset 0x0030: u\n"), std::string::npos) << out;
    EXPECT_NE(at("Source file name, len  11: Flags: 0 Name: 'MAIN.C'"), std::string::npos) << out;
    size_t pointer = at(" = Pointer to unsigned char size ");
    ASSERT_NE(pointer, std::string::npos) << out;
    EXPECT_EQ(out.find(" = Pointer to unsigned char size ", pointer + 1), std::string::npos);   // shared by p1 and p2
    EXPECT_NE(out.find(" IDATA (2 ", pointer), std::string::npos);
    size_t t = at(" = tag node\n"), self_ptr = at(" = Pointer to typeless size "), bits = at("bitfield(3@4)"),
           list = at(" = params ("), record = at(" = struct size 4 membs type(0x24) tag 0x21\n");
    EXPECT_TRUE(t < self_ptr && self_ptr < bits && bits < list && list < record && record != std::string::npos) << out;
    EXPECT_NE(at(std::string(200, 'm') + " offs 3/0)"), std::string::npos) << out;
    EXPECT_EQ(at(std::string(201, 'm')), std::string::npos);
    EXPECT_EQ(out.find(" = struct size", record + 1), std::string::npos);   // n2 reuses n's structure
    size_t do_block = at("Do block; Name = ''"), content = at("Content, len  40: Seg id 0, offset = 0x0100, 36 bytes"),
           end = at("Do block end");
    EXPECT_TRUE(do_block < content && content < end && end != std::string::npos) << out;
    EXPECT_NE(at("Content, len  16: Seg id 0, offset = 0x0124, 12 bytes"), std::string::npos) << out;
    size_t publics = out.rfind("Public symbols");
    EXPECT_NE(out.find("typeless offset 0x0040: other\n", publics), std::string::npos);
    EXPECT_EQ(out.find(": u\n", publics), std::string::npos) << out;   // written once, with its type
}

// A structure of `count` members, each an array of a length no other member has.
dbg_sym* wide_struct(conv_context& ctx, uint32_t count, uint32_t first_length) {
    dbg_sym* tag = ctx.dbg.make(sclass::struct_);
    tag->size = 1;
    for (uint32_t i = 0; i < count; ++i)
        tag->members.push_back({"m" + std::to_string(i), true,
                                dbg_type{{{elem_kind::base, BASE_UNSIGNED, 1}, {elem_kind::array, first_length + i}}},
                                1, int32_t(i), 0, 0});
    return tag;
}

TEST(ExtendedOmf51, DebugWriterRenumbersPast255AndWritesPlainWithoutModules) {
    conv_context ctx;
    ctx.opt.strip_extensions = true;
    ctx.machine.current = machine_table[0];
    ctx.dbg.init_base_types(*ctx.machine.current);
    ctx.md.file_add("main");
    ctx.md.sym_add("_g", 0x10, 0, 1, 0);
    std::string plain = dump(EOMF, write_row(ctx, EOMF));
    EXPECT_EQ(plain.find("Scope Def"), std::string::npos) << plain;
    EXPECT_NE(plain.find("Module header, len   7: Name: 'OUT'"), std::string::npos) << plain;
    EXPECT_NE(plain.find("Debug Item, len   9: Public symbols\n\t\tSEG 0, VAR NUMBER typeless offset 0x0010: g\n"),
              std::string::npos)
        << plain;

    conv_context big;
    big.opt.strip_extensions = true;
    big.machine.current = machine_table[0];
    big.dbg.init_base_types(*big.machine.current);
    dbg_sym* module = big.dbg.make(sclass::module);
    module->name = "m";
    big.dbg.add_child(big.dbg.global_block, module);
    dbg_sym* first_tag = wide_struct(big, 100, 1);
    dbg_sym* second_tag = wide_struct(big, 150, 1000);
    placed(big, module, sclass::extern_, "_a", dbg_type{{{elem_kind::struct_ref, 0, 0, first_tag}}}, 1);
    placed(big, module, sclass::extern_, "_b", dbg_type{{{elem_kind::struct_ref, 0, 0, second_tag}}}, 2);
    std::string out = dump(EOMF, write_row(big, EOMF));
    size_t first = out.find("Keil typedef"), second = out.find("Keil typedef", first + 1);
    ASSERT_NE(second, std::string::npos) << out;
    EXPECT_NE(out.find("FUNC NUMBER Typedef(85) offset 0x0001: a\n"), std::string::npos) << out;
    EXPECT_NE(out.find("FUNC NUMBER Typedef(B7) offset 0x0002: b\n"), std::string::npos) << out;
    EXPECT_LT(out.find("Typedef(85)"), second);
    EXPECT_NE(out.find("0x20 = Array[1000] of unsigned char", second), std::string::npos);
}

}  // namespace
