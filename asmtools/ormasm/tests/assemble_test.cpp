// ormasm end to end: the start-up files and code-generator-style samples assemble silently
// and relocate to the right words; bad input gives a numbered message at its line and
// leaves no object behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "asmtools/ormasm/tests/helpers.h"
#include "testsupport/testsupport.h"
#include "asmtools/ormasm/tests/reloc_oracle.h"
#include "objfmt/record_io.h"

using namespace asmtest;

namespace {

struct result {
    int status = -1;
    std::string messages;
    std::vector<uint8_t> object;
    std::string dump;
};

result assemble(const std::string& dir, const std::string& source, const std::string& args = "-R2000") {
    testsupport::write_file(dir + "/t.as", source);
    std::filesystem::remove(dir + "/t.obj");
    result r;
    r.status = testsupport::run_merged("cd " + dir + " && " + testsupport::program("ormasm") + " " + args + " -ot.obj t.as", &r.messages);
    obj::read_file(dir + "/t.obj", r.object);
    r.dump = asmtest::dump(r.object);
    return r;
}

uint16_t word_at(const std::vector<uint8_t>& bytes, uint32_t word) {
    return uint16_t(bytes.at(word * 2) | (bytes.at(word * 2 + 1) << 8));
}

const char code_psect[] = "\tpsect\ttext,class=CODE,delta=2\n";

}  // namespace

TEST(StartupFiles, AssembleWithoutAMessage) {
    std::string samples = testsupport::source_dir().string() + "/asmtools/ormasm/tests/samples/";
    for (const char* name : {"startup_877_prelink", "startup_877_final_int", "startup_877_final",
                             "startup_84_prelink", "startup_84_final_int", "startup_84_final",
                             "startup_675_final"}) {
        std::string dir = testsupport::scratch_folder(std::string("startup_") + name);
        result r = assemble(dir, testsupport::read_file(samples + name + ".as"));
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_EQ(r.messages, "") << name;
        EXPECT_NE(r.dump.find("FNCONF psect=rbss_0 local=?a arg=?\n"), std::string::npos) << name;
        EXPECT_NE(r.dump.find("FNINFO FNROOT _main\n"), std::string::npos) << name;
        EXPECT_NE(r.dump.find("SYM _main value=0x0 flags=0x16 psect=\n"), std::string::npos) << name;
        EXPECT_NE(r.dump.find("START init address=0x0\n"), std::string::npos) << name;
        EXPECT_NE(r.dump.find("XPSECT float_text4 max=0x800 align=0 sel=0 space=0 delta=2 type=0 class=CODE\n"),
                  std::string::npos) << name;
        EXPECT_NE(r.dump.find("PSECT nvbit_3 flags=0x410\n"), std::string::npos) << name;
    }
}

TEST(StartupFiles, FinalLinkCodeRelocatesToTheRightWords) {
    std::string dir = testsupport::scratch_folder("startup_reloc");
    result r = assemble(dir, testsupport::read_file(testsupport::source_dir().string() + "/asmtools/ormasm/tests/samples/startup_877_final_int.as"));
    ASSERT_EQ(r.status, 0) << r.messages;
    placement where;
    for (const char* p : {"reset_vec", "init", "init23", "end_init", "temp"}) where.psect_base[p] = 0;
    where.psect_base["init"] = 0x10;
    where.psect_base["end_init"] = 0x40;
    where.psect_base["temp"] = 0x70;
    where.symbol_value = {{"_main", 0x923}, {"string_indir", 0x1800}, {"code_ptr", 0x72},
                          {"__Lidata_0", 0x345}, {"__Lrdata_0", 0x30}, {"__Hrdata_0", 0x34},
                          {"__Lrbit_0", 0x100}, {"__Lrbit_1", 0x500}, {"__Hrbss_1", 0xB0},
                          {"__Lidata_2", 0x360}, {"__Lrdata_2", 0x120}, {"__Hrdata_2", 0x122},
                          {"__Lrbit_2", 0x900}, {"__Lrbit_3", 0xD00}, {"__Hrbss_3", 0x1B0}};
    // reset_vec: no power-up routine, an interrupt routine: jump to start.
    std::vector<uint8_t> reset = relocated(r.object, "reset_vec", where);
    EXPECT_EQ(word_at(reset, 0), 0x3000);             // movlw start>>8
    EXPECT_EQ(word_at(reset, 2), 0x2810);             // goto start & 0x7FF | ...
    // init: three inline clears of bank 0 at (__Lrbit_0/8)+j, then the copy of bank 0.
    std::vector<uint8_t> init = relocated(r.object, "init", where);
    EXPECT_EQ(word_at(init, 0), 0x01A0);              // clrf 0x20
    EXPECT_EQ(word_at(init, 2), 0x01A2);              // clrf 0x22
    EXPECT_EQ(word_at(init, 3), 0x3003);              // movlw __Lidata_0 >> 8
    EXPECT_EQ(word_at(init, 4), 0x00F3);              // movwf code_ptr+1
    EXPECT_EQ(word_at(init, 5), 0x3045);              // movlw __Lidata_0 & 0xFF
    // end_init at 0x40: ljmp _main sets page 1 (bit 3 set, bit 4 clear) and jumps.
    std::vector<uint8_t> end = relocated(r.object, "end_init", where);
    EXPECT_EQ(word_at(end, 0), 0x158A);
    EXPECT_EQ(word_at(end, 1), 0x120A);
    EXPECT_EQ(word_at(end, 2), 0x2923);
    // copy_data's fcall string_indir (page 3) and the page restored to 0 after it.
    EXPECT_EQ(word_at(end, 0xC), 0x158A);
    EXPECT_EQ(word_at(end, 0xD), 0x160A);
    EXPECT_EQ(word_at(end, 0xE), 0x2000);
    EXPECT_EQ(word_at(end, 0xF), 0x118A);
    EXPECT_EQ(word_at(end, 0x10), 0x120A);
}

TEST(StartupFiles, ResetBitsAndOscillatorCalibration) {
    std::string samples = testsupport::source_dir().string() + "/asmtools/ormasm/tests/samples/";
    std::string dir = testsupport::scratch_folder("startup_options");
    // resetbits: bit variables in ptbit_0 reached as ___powerdown/8,___powerdown&7.
    result r = assemble(dir, testsupport::read_file(samples + "startup_877_final.as"), "-R800");
    ASSERT_EQ(r.status, 0) << r.messages;
    placement where{{{"init", 0}, {"ptbit_0", 0x1F3}}, {}, true};
    std::vector<uint8_t> init = relocated(r.object, "init", where);
    EXPECT_EQ(word_at(init, 0), 0x11BE);   // bcf 0x3E,3
    EXPECT_EQ(word_at(init, 1), 0x1983);   // btfsc STATUS,3
    EXPECT_EQ(word_at(init, 2), 0x15BE);   // bsf 0x3E,3
    EXPECT_EQ(word_at(init, 3), 0x123E);   // bcf 0x3E,4
    EXPECT_EQ(word_at(init, 5), 0x163E);   // bsf 0x3E,4
    // --debugger=icd: a nop first at the reset vector.
    EXPECT_EQ(word_at(psect_bytes(r.object, "reset_vec"), 0), 0x0000);
    // osccal at 0x90: bank 1 selected, the constant fetched, stored at 0x90 ^ 0x80.
    r = assemble(dir, testsupport::read_file(samples + "startup_675_final.as"), "-R3FF");
    ASSERT_EQ(r.status, 0) << r.messages;
    std::vector<uint8_t> end = relocated(r.object, "end_init", {{{"end_init", 0}, {"osccal", 0x3FF}}, {{"_main", 0x20}}, true});
    EXPECT_EQ(word_at(end, 0), 0x1683);    // bsf 3,5
    EXPECT_EQ(word_at(end, 1), 0x23FF);    // fcall osccal_val: a plain call on a 1K part
    EXPECT_EQ(word_at(end, 2), 0x0090);    // movwf 0x90 ^ 0x80
    EXPECT_EQ(word_at(end, 3), 0x2820);    // ljmp _main
}

TEST(CodegenStyle, EveryFormAssemblesAndRelocates) {
    std::string dir = testsupport::scratch_folder("codegen_style");
    result r = assemble(dir, testsupport::read_file(testsupport::source_dir().string() + "/asmtools/ormasm/tests/samples/codegen_style.as"));
    ASSERT_EQ(r.status, 0) << r.messages;
    EXPECT_EQ(r.messages, "");
    for (const char* line : {
             "SYM _helper value=0x0 flags=0x7 psect=text2\n",     // local function: kind 7
             "SYM _counter value=0x0 flags=0x10 psect=rbss_0\n",
             "SYM _PORTB value=0x6 flags=0x0 psect=\n",
             "SYM used_btemp0 value=0x0 flags=0x16 psect=\n",     // declared only: a reference
             "SYM saved_pclath value=0x2 flags=0x0 psect=intsave\n",
             "SIGNAT _add 0x203A\n",
             "PSECT text0 flags=0x0\n",
             "PSECT rbit_0 flags=0x410\n",
             "PSECT fpp_add flags=0x50\n",
             "XPSECT swtext2 max=0x100 align=256 sel=0 space=0 delta=2 type=0 class=CODE with=text2\n",
             "XPSECT eeprom_data max=0x0 align=0 sel=0 space=2 delta=2 type=0 class=EEDATA\n",
             "TEXT eeprom_data offset=0x0 size=4: 00 00 00 00\n",  // db fills whole words
             "TEXT rbss_0 offset=0x2 size=0:\n",                 // reserved space only
             "TEXT strings offset=0x0 size=4: C2 20 00 43\n",
             "FNINFO FNCALL _main _add\n", "FNINFO FNSIZE _add 4 4\n", "FNINFO FNINDIR _main 5\n",
             "FNINFO FNINDARG _main 5\n", "FNINFO FNADDR _add\n", "FNINFO FNARG _main _add\n",
             "FNINFO FNBREAK _helper intlevel0\n", "FNINFO FNCALL intlevel1 _isr\n",
             "FNINFO FNROOT intlevel1\n", "SYM main.c value=0x0 flags=0x5 psect=\n",
             "SYM 5 value=0x0 flags=0x0 psect=text0\n"})
        EXPECT_NE(r.dump.find(line), std::string::npos) << line;
    placement where;
    where.psect_base = {{"text0", 0x100}, {"text1", 0x200}, {"text2", 0x280}, {"rbss_0", 0x120}, {"rbss_1", 0xA0},
                        {"rbit_0", 0x100}, {"fpp_add", 0x300}, {"intsave", 0x20}, {"intsave_0", 0x70},
                        {"temp", 0x7A}, {"strings", 0x400}};
    where.symbol_value = {{"?_add", 0x31}, {"?a_add", 0x35}, {"start", 0x10}, {"_add", 0x100}};
    std::vector<uint8_t> add = relocated(r.object, "text0", where);
    EXPECT_EQ(word_at(add, 0), 0x0831);                 // movf _add$a,w  (set ?_add+0)
    EXPECT_EQ(word_at(add, 1), 0x0733);                 // addwf _add$b,w (set ?_add+2)
    EXPECT_EQ(word_at(add, 8), 0x0837);                 // movf f03,w     (equ ?a_add+2)
    std::vector<uint8_t> main = relocated(r.object, "text1", where);
    EXPECT_EQ(word_at(main, 0x0F), 0x0820);             // movf _far^0x80,w: bank bits dropped
    EXPECT_EQ(word_at(main, 0x12), 0x1020);             // bcf _flag/8,_flag&7 (bit 0x100)
    EXPECT_EQ(word_at(main, 0x16), 0x3020);             // movlw low(_counter)
    EXPECT_EQ(word_at(main, 0x17), 0x3001);             // movlw high(_counter)
    EXPECT_EQ(word_at(main, 0x1A), 0x3027);             // movlw ((l5+2)) with l5 at 0x225
    EXPECT_EQ(word_at(main, 0x1B), 0x3000);             // movlw ((fpl_add+0)), fpp_add at 0x300
    EXPECT_EQ(word_at(main, 0x1C), 0x3006);             // movlw _PORTB
    EXPECT_EQ(word_at(main, 0x15), 0x2A25);             // goto l5
    std::vector<uint8_t> fpp = relocated(r.object, "fpp_add", where);
    EXPECT_EQ(word_at(fpp, 0), 0x3431);                 // retlw ?_add
}

TEST(Expressions, RelocatedOperandsKeepTheirOrder) {
    std::string dir = testsupport::scratch_folder("operand_order");
    // The same expressions over a constant and over an external of equal value.
    const char* forms[] = {"X-3", "3-X", "X/2", "40/X", "X%3", "X<<1", "X>>1", "X&6", "X|1",
                           "X^5", "-X", "~X", "not X", "X*3", "low(X*40)", "high(X*40)",
                           "low highword(X<<16)", "high highword(X<<24)", "(X+2)*(X-1)"};
    std::string constant = "X\tequ\t10\n", external = "\tglobal\tX\n";
    std::string body = code_psect;
    for (const char* f : forms) body += std::string("\tretlw\t") + f + "\n";
    result c = assemble(dir, constant + body);
    ASSERT_EQ(c.status, 0) << c.messages;
    std::vector<uint8_t> expect = psect_bytes(c.object, "text");
    result e = assemble(dir, external + body);
    ASSERT_EQ(e.status, 0) << e.messages;
    placement where;
    where.psect_base["text"] = 0;
    where.symbol_value["X"] = 10;
    std::vector<uint8_t> got = relocated(e.object, "text", where);
    ASSERT_EQ(got.size(), expect.size());
    for (size_t i = 0; i < std::size(forms); ++i)
        EXPECT_EQ(word_at(got, uint32_t(i)), word_at(expect, uint32_t(i))) << forms[i];
    EXPECT_EQ(word_at(expect, 0), 0x3407);
    EXPECT_EQ(word_at(expect, 1), 0x34F9);               // 3-10 = -7, low byte
}

TEST(Records, LongCodeIsSplitWithinTheBodyLimit) {
    std::string dir = testsupport::scratch_folder("split");
    std::string src = "\tglobal\tfar\n" + std::string(code_psect) + "here\n";
    for (int i = 0; i < 400; ++i) src += "\tmovlw\tlow(far+" + std::to_string(i) + ")\n\tgoto\there\n";
    result r = assemble(dir, src);
    ASSERT_EQ(r.status, 0) << r.messages;
    std::vector<obj::record> recs;
    ASSERT_TRUE(obj::read_module(r.object.data(), r.object.size(), recs));
    int texts = 0;
    for (size_t i = 0; i < recs.size(); ++i) {
        EXPECT_LE(recs[i].body.size(), obj::max_body);
        if (recs[i].type == obj::RELOC) {
            EXPECT_EQ(recs[i - 1].type, obj::TEXT);
        }
        texts += recs[i].type == obj::TEXT;
    }
    EXPECT_GT(texts, 3);
    placement where{{{"text", 0x100}}, {{"far", 0x1000}}};
    std::vector<uint8_t> code = relocated(r.object, "text", where);
    for (uint32_t i = 0; i < 400; ++i) {
        ASSERT_EQ(word_at(code, 2 * i), 0x3400 - 0x400 + ((0x1000 + i) & 0xFF)) << i;
        ASSERT_EQ(word_at(code, 2 * i + 1), 0x2900);
    }
}

TEST(LineSymbols, FileAndLinesForTheConverter) {
    std::string dir = testsupport::scratch_folder("lines");
    std::string src = std::string(code_psect) + "\tnop\n\n\tmovlw\t1\n\tfcall\tx\nx\treturn\n";
    result r = assemble(dir, src, "-v");
    ASSERT_EQ(r.status, 0) << r.messages;
    size_t file = r.dump.find("SYM t.as value=0x0 flags=0x5 psect=\n");
    ASSERT_NE(file, std::string::npos) << r.dump;
    EXPECT_LT(file, r.dump.find("SYM 2 value=0x0 flags=0x0 psect=text\n"));
    EXPECT_NE(r.dump.find("SYM 4 value=0x1 flags=0x0 psect=text\n"), std::string::npos);
    EXPECT_NE(r.dump.find("SYM 5 value=0x2 flags=0x0 psect=text\n"), std::string::npos);
    EXPECT_NE(r.dump.find("SYM 6 value=0x3 flags=0x0 psect=text\n"), std::string::npos);
    // Without -v and without line directives there are none; -x drops local labels.
    result plain = assemble(dir, src, "-x");
    EXPECT_EQ(plain.dump.find("SYM 2 "), std::string::npos);
    EXPECT_EQ(plain.dump.find("SYM x "), std::string::npos);
    result kept = assemble(dir, src, "");
    EXPECT_NE(kept.dump.find("SYM x value=0x3 flags=0x0 psect=text\n"), std::string::npos);
    // Line directives name lines of the file directive before them, and only those lines.
    result c = assemble(dir, std::string(code_psect) +
                                 "\tline\t7\n\tnop\n\tnop\n\tfile\t\"b.c\"\n\tline\t3\n\tnop\n", "-v");
    ASSERT_EQ(c.status, 0) << c.messages;
    size_t a_file = c.dump.find("SYM t.as value=0x0 flags=0x5 psect=\nSYM 7 value=0x0 flags=0x0 psect=text\n");
    size_t b_file = c.dump.find("SYM b.c value=0x0 flags=0x5 psect=\nSYM 3 value=0x2 flags=0x0 psect=text\n");
    EXPECT_NE(a_file, std::string::npos) << c.dump;
    EXPECT_NE(b_file, std::string::npos) << c.dump;
    EXPECT_EQ(c.dump.find("SYM 3 value=0x1"), std::string::npos) << c.dump;
}

TEST(Outputs, ListingAndAssemblyText) {
    std::string dir = testsupport::scratch_folder("outputs");
    std::string src = std::string(code_psect) + "start\tmovlw\t5\n\tds\t2\n";
    testsupport::write_file(dir + "/t.as", src);
    std::string out;
    ASSERT_EQ(testsupport::run_merged("cd " + dir + " && " + testsupport::program("ormasm") + " -lt.lst -ot.obj t.as", &out), 0) << out;
    std::string listing = testsupport::read_file(dir + "/t.lst");
    EXPECT_NE(listing.find("     2  0000  3005                     start\tmovlw\t5\n"), std::string::npos)
        << listing;
    ASSERT_EQ(testsupport::run_merged("cd " + dir + " && " + testsupport::program("ormasm") + " -a -ot.opt.as t.as", &out), 0) << out;
    EXPECT_EQ(testsupport::read_file(dir + "/t.opt.as"), src);
}

TEST(Definitions, EquSetAndLabels) {
    std::string dir = testsupport::scratch_folder("definitions");
    result ok = assemble(dir, std::string(code_psect) +
                                  "STATUS\tequ\t3\nSTATUS\tset\t3\nSTATUS\tequ\t3\nF\tset\t1\nF\tset\t2\n"
                                  "\tmovlw\tF\nlater\tequ\tlab+1\n\tgoto\tlater\nlab\n");
    EXPECT_EQ(ok.status, 0) << ok.messages;
    EXPECT_EQ(words_of(psect_bytes(ok.object, "text"))[0], 0x3002);
    struct bad_case {
        const char* source;
        const char* message;
    } cases[] = {
        {"A\tequ\t1\nA\tequ\t2\n", "t.as: 3: (2822)"},
        {"lab\nlab\n", "t.as: 3: (2804)"},
        {"lab\nlab\tset\t1\n", "t.as: 3: (2804)"},
        {"L\tequ\tL+1\n\tmovlw\tL\n", "(2824)"},
        {"\tglobal\tg\n\tlocal\tg\n", "t.as: 3: (2813)"},
        {"x\tequ\ty+1\n\tmovlw\tx\n", "t.as: 2: (2803)"},
        {"\tpsect\ttext,class=DATA\n", "t.as: 2: (2811)"},
        {"\tpsect\tp2,color=red\n", "t.as: 2: (2810)"},
        {"\tmovlw\t1/0\n", "t.as: 2: (2819)"},
        {"\tend\tnowhere\n", "(2823)"},
    };
    for (const bad_case& c : cases) {
        result r = assemble(dir, std::string(code_psect) + c.source);
        EXPECT_NE(r.status, 0) << c.source;
        EXPECT_NE(r.messages.find(c.message), std::string::npos) << c.source << r.messages;
        EXPECT_TRUE(r.object.empty()) << c.source;
    }
}

TEST(Definitions, FloatingConstantsInBothFormats) {
    // IEEE single patterns: 1.5 0x3FC00000, -2.0 0xC0000000, 0.1 0x3DCCCCCD; the 24-bit form is
    // the top 24 bits rounded, so 0.1 rounds up to 0x3DCCCD. One retlw per byte, low first.
    std::string dir = testsupport::scratch_folder("fcf");
    result r = assemble(dir, std::string(code_psect) + "\tfcf\t1.5000000000000000\n\tfcf\t1.5,4\n"
                                                       "\tfcf\t-2.0000000000000000,3\n\tfcf\t0.10000000000000001\n");
    EXPECT_EQ(r.status, 0) << r.messages;
    std::vector<uint16_t> expected = {0x3400, 0x34C0, 0x343F, 0x3400, 0x3400, 0x34C0, 0x343F,
                                      0x3400, 0x3400, 0x34C0, 0x34CD, 0x34CC, 0x343D};
    EXPECT_EQ(words_of(psect_bytes(r.object, "text")), expected);
}

// A floating literal in an expression gives the same bytes as fcf: each value is written once
// by fcf and once byte by byte through expressions, in both sizes, as the code generator
// writes them (its "%.17e" texts, a sign before the literal).
TEST(Expressions, FloatingLiteralsMatchFcfBytes) {
    std::string dir = testsupport::scratch_folder("float_expr");
    const char* values[] = {"0.0", "1.50000000000000000e+00", "-2.00000000000000000e+00",
                            "1.00000000000000006e-01", "-1.00000000000000006e-01",
                            "3.40282346638528860e+38",    // the 24-bit rounding carries into the exponent
                            "1.79769313486231570e+308", "-1.79769313486231570e+308", "1e-45", "65537.0"};
    std::string source = code_psect;
    for (const char* v : values) {
        for (int size : {3, 4}) {
            source += std::string("\tfcf\t") + v + "," + std::to_string(size) + "\n";
            for (int i = 0; i < size; ++i)
                source += std::string("\tretlw\t(") + (size == 4 ? "float32 " : "") + v + " >> " +
                          std::to_string(8 * i) + ") & 255\n";
        }
    }
    result r = assemble(dir, source);
    ASSERT_EQ(r.status, 0) << r.messages;
    std::vector<uint16_t> words = words_of(psect_bytes(r.object, "text"));
    ASSERT_EQ(words.size(), std::size(values) * 14u);
    size_t at = 0;
    for (const char* v : values) {
        for (size_t size : {3u, 4u}) {
            for (size_t i = 0; i < size; ++i) EXPECT_EQ(words[at + i], words[at + size + i]) << v << " size " << size;
            at += 2 * size;
        }
    }
    // Spot values worked out by hand: 1.5 is 0x3FC000 and 0x3FC00000, -2 is 0xC00000.
    EXPECT_EQ(words[14 + 3 + 2], 0x343F);
    EXPECT_EQ(words[28 + 3 + 2], 0x34C0);
    EXPECT_EQ(words[28 + 3 + 1], 0x3400);
}

TEST(BadInput, NumberedMessageAtTheLineAndNoObject) {
    std::string dir = testsupport::scratch_folder("bad_input");
    struct bad_case {
        const char* source;
        const char* message;
    } cases[] = {
        {"\tmovlx\t5\n", "t.as: 2: (2801)"},                    // unknown mnemonic
        {"\tnop\n\tfoo\tbar\tbaz\n", "t.as: 3: (2801)"},
        {"\tbcf\t3,9\n", "t.as: 2: (2807)"},                    // bad operand
        {"\tmovlw\t,\n", "t.as: 2: (2805)"},
        {"\taddwf\t0x20,x\n", "t.as: 2: (2803)"},
        {"\taddwf\t0x20,2\n", "t.as: 2: (2806)"},
        {"\tmovlw\t(1\n", "t.as: 2: (2802)"},
        {"\tmovlw\t12xy\n", "t.as: 2: (2802)"},
        {"\tnop\t1\n", "t.as: 2: (2805)"},
        {"\tgoto\tnowhere\n", "t.as: 2: (2803)"},               // undefined, not global
        {"x\tequ\tundefined_name\n\tmovlw\tx\n", "t.as: 2: (2803)"},
        {"1bad:\tnop\n", "t.as: 2: (2832)"},
        {"\tpsect\tsmall,class=CODE,delta=2,size=2\n\tnop\n\tnop\n\tnop\n", "t.as: 5: (2808)"},
        {"\tpsect\tflags,bit\n\tnop\n", "t.as: 3: (2821)"},
        {"\tfile\tmain.c\n", "t.as: 2: (2826)"},
        {"\tdb\t300\n", "t.as: 2: (2827)"},
        {"\tfcf\t1.5,5\n", "t.as: 2: (2806)"},                 // only 3 and 4 bytes
        {"\tfcf\tpi\n", "t.as: 2: (2806)"},
        {"\tfcf\t1.5,3,3\n", "t.as: 2: (2805)"},
    };
    for (const bad_case& c : cases) {
        // A failed run leaves the object of an earlier one as it was.
        testsupport::write_file(dir + "/t.obj", "stale");
        testsupport::write_file(dir + "/t.as", std::string(code_psect) + c.source);
        std::string out;
        int status = testsupport::run_merged("cd " + dir + " && " + testsupport::program("ormasm") + " -ot.obj t.as", &out);
        EXPECT_NE(status, 0) << c.source;
        EXPECT_NE(out.find(c.message), std::string::npos) << c.source << out;
        EXPECT_EQ(testsupport::read_file(dir + "/t.obj"), "stale") << c.source;
    }
    // No psect at all before code.
    result r = assemble(dir, "\tnop\n");
    EXPECT_NE(r.messages.find("t.as: 1: (2809)"), std::string::npos) << r.messages;
}

TEST(BadInput, LiteralsThatDoNotFitAreCutWithAWarning) {
    std::string dir = testsupport::scratch_folder("literal_range").string();
    result r = assemble(dir, std::string(code_psect) +
                                 "\tmovlw\t300\n\tmovlw\t-1\n\tretlw\t-255\n\taddlw\t255\n\tmovlw\t-256\n");
    EXPECT_EQ(r.status, 0) << r.messages;
    EXPECT_NE(r.messages.find("t.as: 2: (2834) literal 300 does not fit in 8 bits; 44 used (warning)"),
              std::string::npos) << r.messages;
    EXPECT_NE(r.messages.find("t.as: 6: (2834) literal -256 does not fit in 8 bits; 0 used"), std::string::npos)
        << r.messages;
    EXPECT_EQ(r.messages.find("t.as: 3:"), std::string::npos) << r.messages;
    EXPECT_EQ(r.messages.find("t.as: 4:"), std::string::npos) << r.messages;
    EXPECT_EQ(r.messages.find("t.as: 5:"), std::string::npos) << r.messages;
    placement where;
    where.psect_base["text"] = 0;
    std::vector<uint8_t> code = relocated(r.object, "text", where);
    EXPECT_EQ(word_at(code, 0), 0x302C);   // the value stays cut, as gpasm cuts it
    EXPECT_EQ(word_at(code, 1), 0x30FF);
    EXPECT_EQ(word_at(code, 2), 0x3401);
}

TEST(BadInput, LineMarkersAtTheTopOfTheRangeSaturate) {
    std::string dir = testsupport::scratch_folder("line_top").string();
    // Past the largest line number the count stays there instead of wrapping.
    result r = assemble(dir, std::string(code_psect) + "# 2147483648 \"big.as\"\n\tnop\n\tnop\n\tmovlw\t300\n");
    EXPECT_EQ(r.status, 0) << r.messages;
    EXPECT_NE(r.messages.find("big.as: 2147483647: (2834)"), std::string::npos) << r.messages;
    r = assemble(dir, std::string(code_psect) + "# 99999999999999999999\n\tmovlx\t5\n");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.messages.find(": 2147483647: (2801)"), std::string::npos) << r.messages;
}

TEST(BadInput, CommandLine) {
    std::string dir = testsupport::scratch_folder("command_line");
    std::string out;
    EXPECT_NE(testsupport::run_merged(testsupport::program("ormasm"), &out), 0);
    EXPECT_NE(out.find("(2818)"), std::string::npos) << out;
    EXPECT_NE(testsupport::run_merged(testsupport::program("ormasm") + " -q t.as", &out), 0);
    EXPECT_NE(out.find("(2817)"), std::string::npos) << out;
    EXPECT_NE(testsupport::run_merged(testsupport::program("ormasm") + " -o" + dir + "/x.obj " + dir + "/missing.as", &out), 0);
    EXPECT_NE(out.find("(2815)"), std::string::npos) << out;
    EXPECT_FALSE(testsupport::file_exists(dir + "/x.obj"));
    // The driver's full argument list is accepted.
    testsupport::write_file(dir + "/ok.as", std::string(code_psect) + "\tnop\n");
    EXPECT_EQ(testsupport::run_merged("cd " + dir + " && " + testsupport::program("ormasm") +
                      " -W-3 --emax=5 -E1 -o -C../dat/ormc-lite.ini -ver=V9.50PL2 --chip=16F877 "
                      "-R800 -icd -ook.obj ok.as",
                  &out),
              0)
        << out;
    EXPECT_TRUE(testsupport::file_exists(dir + "/ok.obj"));
}

TEST(BadInput, NamesTooLongForARecord) {
    std::string dir = testsupport::scratch_folder("long_names");
    std::string name(600, 'n');
    for (const std::string& src : {"\tpsect\t" + name + ",class=CODE,delta=2\n\tnop\n",
                                   std::string(code_psect) + name + "\n\tnop\n",
                                   std::string(code_psect) + "\tsignat\t" + name + ",1\n"}) {
        result r = assemble(dir, src);
        EXPECT_NE(r.status, 0);
        EXPECT_NE(r.messages.find("(2833)"), std::string::npos) << r.messages;
        EXPECT_TRUE(r.object.empty());
    }
}
