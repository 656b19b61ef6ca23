// ICOFF, P&E, Holtek debug files and tsk images: written, read back and damaged.
#include <gtest/gtest.h>

#include "common/alert.h"
#include "converter/formats.h"
#include "converter/tests/test_util.h"

using namespace conv;
using conv_test::contents;
using conv_test::stream_of;
using namespace std::string_literals;

namespace {

std::string written(conv_context& ctx, bool (*writer)(conv_context&, FILE*, const std::string&)) {
    ctx.md.complete(0);
    FILE* f = std::tmpfile();
    EXPECT_TRUE(writer(ctx, f, "out"));
    std::string bytes = contents(f);
    std::fclose(f);
    return bytes;
}

// Reads `bytes` with `reader` into `ctx`; what went to standard error.
std::string read_into(conv_context& ctx, void (*reader)(conv_context&, FILE*, const std::string&), const std::string& bytes) {
    alert_set_max_errors(1 << 20);   // the cases report errors on purpose; none may end the run
    FILE* f = stream_of(bytes);
    testing::internal::CaptureStderr();
    reader(ctx, f, "in");
    std::fclose(f);
    return testing::internal::GetCapturedStderr();
}

uint32_t be32(const std::string& b, size_t at) { return get32(reinterpret_cast<const uint8_t*>(&b[at]), byte_order::big); }
uint32_t be16(const std::string& b, size_t at) { return get16(reinterpret_cast<const uint8_t*>(&b[at]), byte_order::big); }

TEST(Icoff, GapsEmptySegmentsAndBlocksAcrossSegments) {
    conv_context ctx;
    model& md = ctx.md;
    md.seg_add("text", 0x100, 0x20, 1);
    md.seg_add("data", 0x200, 0x10, 1);
    md.seg_add("a", 0x300, 4, 1);
    md.seg_add("b", 0x304, 4, 1);
    const uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    md.data_add(0x100, bytes, 4, 1);
    md.data_add(0x110, bytes + 4, 2, 1);
    md.data_add(0x300, bytes, 8, 3);   // runs on into "b"
    uint32_t f = md.file_add("m.c");
    md.sym_add("x", 0x104, 1, f, 0);
    md.sym_add("x", 0x300, 3, f, SYM_LOCAL);
    md.line_add(7, 0x100, 1, f, 0);
    std::string b = written(ctx, icoff_write);
    EXPECT_EQ(b.substr(0, 2), "\x01\x81"s);
    EXPECT_EQ(be16(b, 18), 0x1003u);
    auto section = [](int n) { return 20 + 40 * n; };
    uint32_t text = be32(b, section(0) + 20);
    EXPECT_EQ(be32(b, section(0) + 36), 0x4020u);
    EXPECT_EQ(b.substr(text, 4), "\1\2\3\4"s);
    EXPECT_EQ(b.substr(text + 0x10, 2), "\5\6"s);   // the gap stays
    EXPECT_EQ(be32(b, section(1) + 36), 0x4080u);
    EXPECT_EQ(be32(b, section(1) + 20), be32(b, section(2) + 20));
    EXPECT_EQ(b.substr(be32(b, section(3) + 20), 4), "\5\6\7\x08"s);
    EXPECT_EQ(b.substr(be32(b, section(2) + 20), 8), "\1\2\3\4\5\6\7\x08"s);
    EXPECT_EQ(be32(b, section(3) + 36), 0x4040u);
    // One string per name: "", "m.c", "x".
    uint32_t strings = be32(b, 8) + 18 * be32(b, 12);
    EXPECT_EQ(b.substr(strings), "\0m.c\0x\0"s);

    conv_context back;
    EXPECT_EQ(read_into(back, icoff_read, b), "");
    ASSERT_EQ(back.md.segments.size(), 4u);
    EXPECT_EQ(back.md.segments[3]->base, 0x304u);
    ASSERT_EQ(back.md.symbols.size(), 2u);
    EXPECT_EQ(back.md.symbols[0]->segment, 1u);   // two bytes at offset 12
    EXPECT_EQ(back.md.symbols[1]->file, 1u);
    ASSERT_EQ(back.md.lines.size(), 1u);
    EXPECT_EQ(back.md.lines[0]->file, 1u);
    uint32_t total = 0;
    for (const auto& d : back.md.data) total += d->size();
    EXPECT_EQ(total, 0x20u + 8 + 4);   // the model widened "a" to its block; "b" keeps its part

    // Cut short: a message, no read past the end.
    conv_context cut;
    EXPECT_NE(read_into(cut, icoff_read, b.substr(0, 60)).find("(1037)"), std::string::npos);
}

TEST(PeMap, MergedRecordsUpperCaseAndFileNumbers) {
    conv_context ctx;
    uint32_t a = ctx.md.file_add("a.c");
    ctx.md.file_add("unused.c");
    ctx.md.sym_add("_main", 0x10, 0, a, 0);
    ctx.md.line_add(3, 0x10, 0, a, 0);
    ctx.md.line_add(4, 0x12, 0, a, 0);
    std::string b = written(ctx, pe_write);
    std::string expected = "P&E Microcomputer Map File\x1a"s + "\0\x02\x01"s + "A.C\0"s +
                           "\x10\0\0\0\x01\0\x03_MAIN\0"s + "\x12\0\0\0\x01\0\x04\0"s;
    EXPECT_EQ(b, expected);

    // Read after another input: the file's numbers go through the model's own.
    conv_context back;
    back.md.file_add("earlier.c");
    EXPECT_EQ(read_into(back, pe_read, b + "\x20\0\0\0\x09\0\x05\0"s), "");
    ASSERT_EQ(back.md.symbols.size(), 1u);
    EXPECT_EQ(back.md.symbols[0]->name, "_MAIN");
    EXPECT_EQ(back.md.symbols[0]->file, 2u);
    ASSERT_EQ(back.md.lines.size(), 2u);
    EXPECT_EQ(back.md.lines[1]->kind, 2u);
    EXPECT_EQ(read_into(back, pe_read, b.substr(0, b.size() - 3)).find("(1037)") != std::string::npos, true);
}

const std::string header_and_end = "\x4a\x03\x00\x01\x00\xb2\xca\x01\x00\x35"s;

TEST(HoltekDbg, ProbeReadAndChecksums) {
    conv_context ctx;
    FILE* f = stream_of(header_and_end);
    EXPECT_TRUE(htk_probe(ctx, f));
    std::fclose(f);
    EXPECT_EQ(read_into(ctx, htk_read, header_and_end), "");
    std::string off = header_and_end;
    off[5] = '\xb3';
    EXPECT_NE(read_into(ctx, htk_read, off).find("(1040) bad checksum: record 0x4A, checksum 0x01"), std::string::npos);
    EXPECT_NE(read_into(ctx, htk_read, header_and_end.substr(0, 4)).find("(1041)"), std::string::npos);
    EXPECT_NE(read_into(ctx, htk_read, header_and_end.substr(0, 6) + "\x55\x01\x00\xaa"s).find("(1042) unknown DBG record type 0x55"),
              std::string::npos);
}

TEST(HoltekDbg, LongNamesAndLargeScopesStayWithinTheirRecords) {
    conv_context ctx;
    ctx.machine.current = machine_table[7];
    uint32_t ram = ctx.md.seg_add("RAM", 0, 0x200, 0);
    uint32_t file = ctx.md.file_add("m.c");
    ctx.dbg.init_base_types(*ctx.machine.current);
    dbg_sym* module = ctx.dbg.make(sclass::module);
    ctx.dbg.add_child(ctx.dbg.global_block, module);
    dbg_sym* func = ctx.dbg.make(sclass::func);
    ctx.dbg.add_child(module, func);
    for (int i = 0; i < 400; ++i) {
        std::string name = "_v" + std::to_string(i);
        ctx.md.sym_add(name, uint32_t(i), ram, file, 0);
        dbg_sym* s = ctx.dbg.make(sclass::extern_);
        s->name = name;
        s->type.elems.push_back({elem_kind::base, BASE_UNSIGNED, 1, nullptr});
        ctx.dbg.add_child(func, s);
    }
    ctx.md.sym_add(std::string(300, 'n'), 0x40, ram, file, 0);
    std::string b = written(ctx, htk_write);
    EXPECT_EQ(read_into(ctx, htk_read, b), "");
    EXPECT_NE(b.find("\xff"s + std::string(255, 'n') + "\x40\0\x01"s), std::string::npos);
    // The scope record lists symbol 200 as 80 C8, twice.
    size_t scope = 10;   // past the header record and the marker
    while (scope + 3 < b.size() && uint8_t(b[scope]) != 0xC2)
        scope += 3 + (uint8_t(b[scope + 1]) | uint8_t(b[scope + 2]) << 8);
    ASSERT_LT(scope + 3, b.size());
    EXPECT_GT(uint8_t(b[scope + 1]) | uint8_t(b[scope + 2]) << 8, 1024);   // longer than one buffer
    EXPECT_NE(b.find("\x80\xc8\x80\xc8"s, scope), std::string::npos);
}

TEST(Tsk, HeaderSizesAndData) {
    std::string image = "HLH9.00\0"s + "\x20\0\0\0\x03\0\0\0"s + "HT46R47\0\0\0\0\0\0\0\0\0"s + "\1\2\3"s;
    conv_context ctx;
    FILE* f = stream_of(image);
    EXPECT_TRUE(tsk_probe(ctx, f));
    std::fclose(f);
    EXPECT_EQ(read_into(ctx, tsk_read, image), "");
    ASSERT_EQ(ctx.md.data.size(), 1u);
    EXPECT_EQ(ctx.md.data[0]->bytes, (std::vector<uint8_t>{1, 2, 3}));
    std::string wide = image;
    wide[8] = 36;
    conv_context other;
    read_into(other, tsk_read, wide);
    EXPECT_TRUE(other.md.data.empty());
    EXPECT_NE(read_into(other, tsk_read, image.substr(0, 33)).find("(1037)"), std::string::npos);
}

}  // namespace

namespace {

TEST(HoltekDbg, SymbolTypesLinesAndScopesInTheDump) {
    conv_context ctx;
    ctx.machine.current = machine_table[7];
    uint32_t ram = ctx.md.seg_add("RAM", 0, 0x100, 0);
    uint32_t rom = ctx.md.seg_add("ROM", 0, 0x1000, 0);
    uint32_t file = ctx.md.file_add("m.c");
    ctx.md.line_add(3, 0x10, rom, file, 0);
    ctx.md.line_add(9, 0x14, rom, file, 0);
    ctx.dbg.init_base_types(*ctx.machine.current);
    dbg_sym* module = ctx.dbg.make(sclass::module);
    ctx.dbg.add_child(ctx.dbg.global_block, module);
    dbg_sym* marker = ctx.dbg.make(sclass::filename);
    marker->name = "m.c";
    ctx.dbg.add_child(module, marker);
    struct row {
        const char* name;
        std::vector<type_elem> type;
        uint32_t segment;
    };
    const row rows[] = {
        {"_main", {{elem_kind::base, BASE_VOID, 0, nullptr}, {elem_kind::function, 0, 0, nullptr}}, rom},
        {"_ready", {{elem_kind::base, BASE_BIT, 0, nullptr}}, ram},
        {"_c", {{elem_kind::base, BASE_UNSIGNED, 1, nullptr}}, ram},
        {"_i", {{elem_kind::base, BASE_SIGNED, 2, nullptr}, {elem_kind::array, 4, 0, nullptr}}, ram},
        {"_l", {{elem_kind::base, BASE_SIGNED, 4, nullptr}}, ram},
        {"_f", {{elem_kind::base, BASE_FLOAT, 3, nullptr}}, ram},
        {"_d", {{elem_kind::base, BASE_FLOAT, 4, nullptr}}, ram},
    };
    uint32_t value = 0x20;
    dbg_sym* main_sym = nullptr;
    for (const row& r : rows) {
        ctx.md.sym_add(r.name, r.segment == rom ? 0x10 : value++, r.segment, file, 0);
        dbg_sym* s = ctx.dbg.make(sclass::extern_);
        s->name = r.name;
        s->type.elems = r.type;
        ctx.dbg.add_child(module, s);
        if (!main_sym) main_sym = s;
    }
    dbg_sym* func = ctx.dbg.make(sclass::func);
    func->function = main_sym;
    func->link_name = "m.c";
    func->first_line = 3;
    func->last_line = 9;
    ctx.dbg.add_child(module, func);
    dbg_sym* local = ctx.dbg.make(sclass::static_);
    local->name = "_c";
    local->type.elems = {{elem_kind::base, BASE_UNSIGNED, 1, nullptr}};
    ctx.dbg.add_child(func, local);
    ctx.md.sym_add("_asm_label", 0x30, rom, file, 0);

    std::string b = written(ctx, htk_write);
    FILE* f = stream_of(b);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(htk_dump(ctx, f));
    std::string dump = testing::internal::GetCapturedStdout();
    std::fclose(f);
    for (const char* expected : {
             "File: 'm.c", "_main = 0010, type = far label", "ready = 0020, type = bit", "c = 0021, type = byte",
             "i = 0022, type = word", "l = 0023, type = dword", "f = 0024, type = illegal",
             "d = 0025, type = illegal", "_asm_label = 0030, type = far label", "Line    3 =  = 0010",
             "Block ID = 2, Parent ID = 1, Line range = m.c:3-", "c (8)               c(8)"})
        EXPECT_NE(dump.find(expected), std::string::npos) << expected << "\n" << dump;
    // Types 28 and 29 for the floats: name, value, type.
    EXPECT_NE(b.find("\x01" "f\x24\x00\x1c"s), std::string::npos);
    EXPECT_NE(b.find("\x01" "d\x25\x00\x1d"s), std::string::npos);
}

}  // namespace
