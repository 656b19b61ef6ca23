// COFF type words, the symbol table's tags and files, the Microchip COFF layout and its reading back.
#include <gtest/gtest.h>

#include <cstring>

#include "common/alert.h"
#include "converter/coff_symtab.h"
#include "converter/formats.h"
#include "converter/tests/test_util.h"

using namespace conv;
using conv_test::contents;
using namespace std::string_literals;

namespace {

type_elem base(uint32_t cls, uint8_t size) { return {elem_kind::base, cls, size, nullptr}; }
type_elem derived(elem_kind kind, uint32_t value = 0) { return {kind, value, 0, nullptr}; }

struct symtab_fixture : ::testing::Test {
    conv_context ctx;
    coff_strings strings;
    coff_symtab table{ctx, coff_symtab_mode{}, strings, [](uint32_t, uint32_t) -> uint16_t { return 1; }};

    coff_type type(std::vector<type_elem> elems) {
        dbg_type t;
        t.elems = std::move(elems);
        return table.type_of(t, true);
    }
    uint32_t dim(const coff_type& t, int k) { return get16(&t.aux[8 + 2 * k], byte_order::little); }
    uint32_t size(const coff_type& t) { return get16(&t.aux[6], byte_order::little); }
    std::string name(uint32_t index) {
        const coff_record& r = table.entries.at(index);
        return std::string(reinterpret_cast<const char*>(r.data()), strnlen(reinterpret_cast<const char*>(r.data()), 8));
    }
};

TEST_F(symtab_fixture, TypeWordsAndArraySizes) {
    EXPECT_EQ(type({base(BASE_SIGNED, 1), derived(elem_kind::pointer)}).word, 0x12);
    EXPECT_EQ(type({base(BASE_SIGNED, 2), derived(elem_kind::function)}).word, 0x24);
    EXPECT_EQ(type({base(BASE_SIGNED, 2), derived(elem_kind::function), derived(elem_kind::pointer)}).word, 0x94);
    EXPECT_EQ(type({base(BASE_UNSIGNED, 4), derived(elem_kind::qualifiers, 1)}).word, 15);
    EXPECT_EQ(type({base(BASE_FLOAT, 3)}).word, 6);

    coff_type a = type({base(BASE_UNSIGNED, 1), derived(elem_kind::array, 10)});
    EXPECT_EQ(a.word, 0x3C);
    EXPECT_TRUE(a.has_aux);
    EXPECT_EQ(dim(a, 0), 10u);
    EXPECT_EQ(size(a), 10u);

    // int [3][4]: the outer level is the last element.
    coff_type m = type({base(BASE_SIGNED, 2), derived(elem_kind::array, 4), derived(elem_kind::array, 3)});
    EXPECT_EQ(m.word, 0xF4);
    EXPECT_EQ(dim(m, 0), 3u);
    EXPECT_EQ(dim(m, 1), 4u);
    EXPECT_EQ(dim(m, 2), 0u);
    EXPECT_EQ(size(m), 24u);

    // An array of pointers is sized by the pointer, not by what it points to.
    coff_type p = type({base(BASE_SIGNED, 1), derived(elem_kind::pointer), derived(elem_kind::array, 5)});
    EXPECT_EQ(p.word, 0x32 | 0x10 << 2);
    EXPECT_EQ(size(p), 10u);

    EXPECT_FALSE(type({}).ok);
    EXPECT_EQ(type({base(BASE_BIT, 0)}).word, 0);
}

TEST_F(symtab_fixture, StructureTagsAreSharedAndLateTagsFilledIn) {
    dbg_sym* inner = ctx.dbg.make(sclass::struct_);
    inner->name = "inner";
    inner->size = 2;
    inner->members.push_back({"v", true, {{base(BASE_SIGNED, 2)}}, 2, 0, 0, 0});
    dbg_sym* outer = ctx.dbg.make(sclass::struct_);
    outer->name = "outer_tag";   // a long name goes to the string table
    outer->size = 3;
    outer->members.push_back({"in", true, {{type_elem{elem_kind::struct_ref, 0, 0, inner}}}, 2, 0, 0, 0});
    outer->members.push_back({"flag", true, {{base(BASE_UNSIGNED, 1)}}, 1, 2, 1, 3});

    coff_type first = type({type_elem{elem_kind::struct_ref, 0, 0, outer}});
    // outer tag, "in", "flag", .eos, each with an auxiliary entry; then inner, v, .eos.
    ASSERT_EQ(table.entries.size(), 13u);
    EXPECT_EQ(table.entries[0][16], C_STRTAG);
    EXPECT_EQ(get32(&table.entries[0][4], byte_order::little), 4u);
    EXPECT_EQ(name(2), "in");
    EXPECT_EQ(table.entries[4][16], C_FIELD);
    EXPECT_EQ(get32(&table.entries[4][8], byte_order::little), 2u * 8 + 3);   // bit offset from the structure start
    EXPECT_EQ(name(6), ".eos");
    EXPECT_EQ(get32(&table.entries[1][12], byte_order::little), 7u);   // the tag points at the .eos auxiliary entry
    EXPECT_EQ(name(8), "inner");
    EXPECT_EQ(get32(&table.entries[3][0], byte_order::little), 8u);    // "in" learnt its tag when it was made
    EXPECT_EQ(get32(&first.aux[0], byte_order::little), 0u);
    EXPECT_EQ(size(first), 3u);

    coff_type again = type({type_elem{elem_kind::struct_ref, 0, 0, outer}});
    EXPECT_EQ(table.entries.size(), 13u);
    EXPECT_EQ(get32(&again.aux[0], byte_order::little), 0u);
    EXPECT_EQ(again.word, 8);
}

// A model with its classes, segments and code, as the symbol file and hex file give it.
struct writer_fixture : ::testing::Test {
    conv_context ctx;
    void SetUp() override {
        model& md = ctx.md;
        uint32_t code = md.seg_add("CODE", 0, 0, 0);
        md.segments[code - 1]->space = code;
        uint32_t bank = md.seg_add("BANK0", 0, 0, 0);
        md.segments[bank - 1]->space = bank;
        md.seg_add("bank0", 0x20, 4, bank);
        md.seg_add("bank0", 0x30, 2, bank);
        md.seg_add("a_long_section", 0x40, 1, bank);
        md.seg_add("text", 0, 8, code);
        uint32_t f = md.file_add("main.as");
        md.sym_add("_main", 0x10, code, f, 0);
        md.sym_add("_local", 0x11, code, f, SYM_LOCAL);
        md.line_add(3, 0x10, code, f, 0);
        md.line_add(4, 0x12, code, f, 0);
        md.line_add(5, 0, code, f, 0);
        const uint8_t program[6] = {1, 2, 3, 4, 5, 6};
        md.data_add(0x20, program, 6, 0);
        ctx.opt.code_class_list = "CODE";
        ctx.opt.strip_underscore = true;
        ctx.machine.processor_name = "16F877";
        ctx.opt.processor_fields = {"1234", "PIC14"};
    }
    std::string write(bool (*writer)(conv_context&, FILE*, const std::string&), bool expect = true) {
        ctx.md.complete(0);
        FILE* f = std::tmpfile();
        EXPECT_EQ(writer(ctx, f, "out.cof"), expect);
        std::string bytes = contents(f);
        std::fclose(f);
        return bytes;
    }
    static uint32_t le32(const std::string& b, size_t at) { return get32(reinterpret_cast<const uint8_t*>(&b[at]), byte_order::little); }
    static uint32_t le16(const std::string& b, size_t at) { return get16(reinterpret_cast<const uint8_t*>(&b[at]), byte_order::little); }
    static uint32_t be32(const std::string& b, size_t at) { return get32(reinterpret_cast<const uint8_t*>(&b[at]), byte_order::big); }
};

TEST_F(writer_fixture, MicrochipLayoutSectionsAndLines) {
    std::string b = write(mcoff_write);
    ASSERT_GE(b.size(), 36u + 40 * 5);
    EXPECT_EQ(le16(b, 0), 0x1234u);
    EXPECT_EQ(le16(b, 2), 5u);   // BANK0, bank0, bank0.1, the long one; one program block
    EXPECT_EQ(le16(b, 16), 16u);
    EXPECT_EQ(le16(b, 20), 5000u);
    EXPECT_EQ(le32(b, 24), 0x1234u);
    EXPECT_EQ(le32(b, 28), 14u);
    EXPECT_EQ(le32(b, 32), 8u);
    auto section = [&](int n) { return 36 + 40 * n; };
    EXPECT_EQ(b.substr(section(1), 8), std::string("bank0\0\0\0", 8));
    EXPECT_EQ(b.substr(section(2), 8), std::string("bank0.1\0", 8));
    EXPECT_EQ(le32(b, section(3)), 0u);    // a long name: a string-table offset instead
    EXPECT_EQ(le32(b, section(3) + 4), 4u);
    EXPECT_EQ(b.substr(section(4), 8), std::string("_text0\0\0", 8));
    EXPECT_EQ(le32(b, section(4) + 8), 0x10u);   // byte address 0x20 in words
    EXPECT_EQ(le32(b, section(4) + 36), 0x20u);
    EXPECT_EQ(le32(b, section(1) + 36), 0x80u);
    uint32_t scnptr = le32(b, section(4) + 20);
    EXPECT_EQ(b.substr(scnptr, 6), std::string("\1\2\3\4\5\6", 6));
    // Lines 3 (0x10-0x11) and 4 (0x12); the one at address 0 gives none.
    EXPECT_EQ(le16(b, section(4) + 34), 3u);
    uint32_t lines = le32(b, section(4) + 28);
    EXPECT_EQ(le16(b, lines + 4), 3u);
    EXPECT_EQ(le32(b, lines + 16 + 6), 0x11u);
    EXPECT_EQ(le16(b, lines + 32 + 4), 4u);
    EXPECT_EQ(le32(b, section(1) + 28), 0u);   // a section without lines has no line pointer

    // Symbols: the label loses its "_", the local one is not written, then the file pair.
    uint32_t symptr = le32(b, 8), nsyms = le32(b, 12);
    ASSERT_EQ(nsyms, 4u);
    EXPECT_EQ(b.substr(symptr, 8), std::string("main\0\0\0\0", 8));
    EXPECT_EQ(uint8_t(b[symptr + 16]), C_LABEL);
    EXPECT_EQ(b.substr(symptr + 18, 6), ".file\0"s);
    EXPECT_EQ(le32(b, lines), 1u);   // srcndx: the .file entry
    EXPECT_EQ(uint8_t(b[symptr + 54 + 16]), C_EOF);
    uint32_t strings = symptr + 18 * nsyms;
    EXPECT_EQ(le32(b, strings), uint32_t(b.size() - strings));
    EXPECT_EQ(b.substr(strings + 4, 15), std::string("a_long_section\0", 15));
}

TEST_F(writer_fixture, ProcessorWords) {
    ctx.opt.processor_fields = {"1234"};
    std::string b = write(mcoff_write);
    EXPECT_EQ(le32(b, 28), 0u);   // no family: ROM width 0, words of 2 bytes
    EXPECT_EQ(le32(b, 36 + 40 * 4 + 8), 0x10u);
    ctx.machine.processor_name = "18F452";
    ctx.opt.processor_fields = {"12Z4"};
    b = write(mcoff_write);
    EXPECT_EQ(le32(b, 24), 0x12u);
    EXPECT_EQ(le32(b, 28), 8u);
    EXPECT_EQ(le32(b, 36 + 40 * 4 + 8), 0x20u);
    for (auto fields : {std::vector<std::string>{"XYZ"}, std::vector<std::string>{"1", "PIC17"}}) {
        ctx.opt.processor_fields = fields;
        testing::internal::CaptureStderr();
        write(mcoff_write, false);
        EXPECT_NE(testing::internal::GetCapturedStderr().find("(600)"), std::string::npos);
    }
    ctx.opt.code_class_list.clear();
    EXPECT_EXIT(write(mcoff_write), ::testing::ExitedWithCode(1), "\\(599\\)");
}

TEST_F(writer_fixture, MicrochipReadsBackIntoTheSameSections) {
    std::string b = write(mcoff_write);
    conv_context back;
    FILE* f = conv_test::stream_of(b);
    ASSERT_TRUE(coff_probe(back, f) == false);
    std::rewind(f);
    ASSERT_TRUE(mcoff_probe(back, f));
    std::rewind(f);
    mcoff_read(back, f, "out.cof");
    std::fclose(f);
    ASSERT_EQ(back.md.segments.size(), 5u);
    EXPECT_EQ(back.md.segments[2]->name, "bank0.1");
    EXPECT_EQ(back.md.segments[2]->base, 0x30u);   // data sections are not scaled by the word size
    EXPECT_EQ(back.md.segments[3]->name, "a_long_section");
    EXPECT_EQ(back.md.segments[4]->base, 0x20u);
    ASSERT_EQ(back.md.data.size(), 1u);
    EXPECT_EQ(back.md.data[0]->address, 0x20u);
    EXPECT_EQ(back.md.data[0]->size(), 6u);
    ASSERT_EQ(back.md.symbols.size(), 1u);   // the .file auxiliary entry is not read as a symbol
    EXPECT_EQ(back.md.symbols[0]->name, "main");
    ASSERT_EQ(back.md.files.size(), 1u);
    EXPECT_EQ(back.md.files[0]->name, "main.as");   // named from the auxiliary entry
    ASSERT_EQ(back.md.lines.size(), 3u);
    EXPECT_EQ(back.md.lines[0]->file, 1u);
}

TEST_F(writer_fixture, GenericRows) {
    ctx.opt.processor_fields = {"68k"};
    std::string b = write(coff_write);
    EXPECT_EQ(b.substr(0, 2), "\x01\x50"s);
    EXPECT_EQ(uint8_t(b[18]) << 8 | uint8_t(b[19]), 0x203);
    EXPECT_EQ(uint8_t(b[16]) | uint8_t(b[17]), 0);
    // Room for 6 segments and 5 sections before the first program byte; names cut to 8.
    EXPECT_EQ(be32(b, 20 + 40 * 4 + 20), 20u + 40 * 11);
    EXPECT_EQ(b.substr(20 + 40 * 3, 8), "a_long_s"s);
    EXPECT_EQ(be32(b, 20 + 40 * 4 + 8), 0x20u);

    conv_context pic30;
    pic30.md.seg_add("CODE", 0, 0, 1);
    pic30.opt.code_class_list = "CODE";
    pic30.machine.processor_name = "x";
    pic30.opt.processor_fields = {"pic30"};
    pic30.md.complete(0);
    FILE* f = std::tmpfile();
    ASSERT_TRUE(coff_write(pic30, f, "p.cof"));
    std::string p = contents(f);
    std::fclose(f);
    EXPECT_EQ(p.substr(0, 2), "\x36\x12"s);
    EXPECT_EQ(le16(p, 18), 0x103u);
    EXPECT_EQ(pic30.coff_machine, COFF_PIC30);
    FILE* in = conv_test::stream_of(p);
    conv_context probe;
    EXPECT_TRUE(coff_probe(probe, in));
    EXPECT_EQ(probe.coff_machine, COFF_PIC30);
    EXPECT_EQ(probe.order, byte_order::little);
    std::fclose(in);

    ctx.coff_machine = 0;
    ctx.opt.processor_fields = {"PIC14"};
    testing::internal::CaptureStderr();
    write(coff_write, false);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("(601) COFF file type for \"PIC14\" not known"), std::string::npos);
}

TEST(CoffReader, DamagedFilesStopWithAMessage) {
    // A header whose symbol table lies past the end, then one whose string table is too short.
    std::string header("\x34\x12\0\0\0\0\0\0\x00\x10\0\0\x01\0\0\0\0\0\x02\0", 20);
    std::string tiny = header;
    tiny[8] = 20;
    tiny[9] = 0;
    tiny += std::string(18, '\0') + std::string("\x02\0\0\0", 4);
    alert_set_max_errors(1 << 20);
    for (auto [bytes, number] : {std::pair{header, "(1037)"}, std::pair{tiny, "(1038)"}}) {
        conv_context ctx;
        FILE* f = conv_test::stream_of(bytes);
        testing::internal::CaptureStderr();
        mcoff_read(ctx, f, "bad.cof");
        EXPECT_NE(testing::internal::GetCapturedStderr().find(number), std::string::npos) << number;
        std::fclose(f);
    }
}

}  // namespace

namespace {

// One function with three addresses for line 3 and one for line 4, in the generic rows.
std::string generic_with_lines(const char* machine, uint32_t block_address, conv_context& ctx) {
    ctx.machine.current = machine_table[2];
    uint32_t code = ctx.md.seg_add("CODE", 0, 0, 0);
    ctx.md.segments[code - 1]->space = code;
    uint32_t file = ctx.md.file_add("m.c");
    ctx.md.sym_add("_f", 0x10, code, file, 0);
    for (uint32_t a : {0x14u, 0x10u, 0x12u}) ctx.md.line_add(3, a, code, file, 0);
    ctx.md.line_add(4, 0x16, code, file, 0);
    const uint8_t program[16] = {};
    ctx.md.data_add(block_address, program, 16, 0);
    ctx.dbg.init_base_types(*ctx.machine.current);
    dbg_sym* module = ctx.dbg.make(sclass::module);
    ctx.dbg.add_child(ctx.dbg.global_block, module);
    dbg_sym* f = ctx.dbg.make(sclass::extern_);
    f->name = "_f";
    f->type.elems = {{elem_kind::base, BASE_VOID, 0, nullptr}, {elem_kind::function, 0, 0, nullptr}};
    ctx.dbg.add_child(module, f);
    dbg_sym* scope = ctx.dbg.make(sclass::func);
    scope->function = f;
    scope->link_name = "m.c";
    scope->first_line = 2;
    scope->last_line = 5;
    ctx.dbg.add_child(module, scope);
    ctx.opt.code_class_list = "CODE";
    ctx.machine.processor_name = "x";
    ctx.opt.processor_fields = {machine};
    ctx.md.complete(0);
    FILE* out = std::tmpfile();
    EXPECT_TRUE(coff_write(ctx, out, "g.cof"));
    std::string b = contents(out);
    std::fclose(out);
    return b;
}

TEST(GenericCoff, LineEntriesByRow) {
    conv_context pic30;
    std::string p = generic_with_lines("PIC30", 0x20, pic30);   // program words of 2 bytes
    // One program section after the room for 2 segments and 1 section headers.
    const size_t section = 20;
    EXPECT_EQ(get16(reinterpret_cast<const uint8_t*>(&p[section + 34]), byte_order::little), 3u);
    uint32_t lines = get32(reinterpret_cast<const uint8_t*>(&p[section + 28]), byte_order::little);
    auto entry = [&](const std::string& b, uint32_t at, byte_order o) {
        return std::pair{get32(reinterpret_cast<const uint8_t*>(&b[at]), o), get32(reinterpret_cast<const uint8_t*>(&b[at + 4]), o)};
    };
    EXPECT_EQ(entry(p, lines, byte_order::little), (std::pair{0u, 0u}));   // the function's symbol, line 0
    EXPECT_EQ(entry(p, lines + 8, byte_order::little), (std::pair{0x10u, 3u}));   // its lowest address only
    EXPECT_EQ(entry(p, lines + 16, byte_order::little), (std::pair{0x16u, 4u}));

    conv_context m68k;
    std::string m = generic_with_lines("68k", 0x10, m68k);
    EXPECT_EQ(get16(reinterpret_cast<const uint8_t*>(&m[section + 34]), byte_order::big), 5u);
    lines = get32(reinterpret_cast<const uint8_t*>(&m[section + 28]), byte_order::big);
    EXPECT_EQ(get16(reinterpret_cast<const uint8_t*>(&m[lines + 6 + 4]), byte_order::big), 3u);   // 6-byte entries
    EXPECT_EQ(get32(reinterpret_cast<const uint8_t*>(&m[lines + 24]), byte_order::big), 0x16u);
}

}  // namespace
