// Every PIC14 instruction, with edge operands, assembled by ormasm and by gpasm must give the
// same code words; gpdasm must read our words back as the instructions we wrote.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "asmtools/ormasm/pic14.h"
#include "asmtools/ormasm/tests/helpers.h"
#include "testsupport/testsupport.h"
#include "objfmt/record_io.h"

using namespace asmtest;

namespace {

struct sample {
    std::string text;               // the instruction line
    std::string mnemonic;
    std::vector<long> operands;     // as gpdasm shows them
};

std::string hex(long v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%lX", v);
    return b;
}

std::vector<sample> every_instruction() {
    const char* file_dest[] = {"addwf", "andwf", "comf", "decf", "decfsz", "incf", "incfsz",
                               "iorwf", "movf", "rlf", "rrf", "subwf", "swapf", "xorwf"};
    const char* bit_ops[] = {"bcf", "bsf", "btfsc", "btfss"};
    const char* literal[] = {"addlw", "andlw", "iorlw", "movlw", "retlw", "sublw", "xorlw"};
    const char* none[] = {"clrw", "clrwdt", "nop", "retfie", "return", "sleep"};
    std::vector<sample> s;
    for (const char* m : file_dest)
        for (long f : {0x00L, 0x25L, 0x7FL}) {
            s.push_back({std::string(m) + "\t" + hex(f) + ",w", m, {f, 0}});
            s.push_back({std::string(m) + "\t" + hex(f) + ",f", m, {f, 1}});
            s.push_back({std::string(m) + "\t" + hex(f) + ",0", m, {f, 0}});
        }
    s.push_back({"incf\t0x21", "incf", {0x21, 1}});   // default destination f
    for (const char* m : {"clrf", "movwf"})
        for (long f : {0x00L, 0x25L, 0x7FL}) s.push_back({std::string(m) + "\t" + hex(f), m, {f}});
    s.push_back({"movwf\t0xA5", "movwf", {0x25}});    // bank bits dropped
    for (const char* m : bit_ops)
        for (long f : {0x03L, 0x7FL})
            for (long b : {0L, 3L, 7L})
                s.push_back({std::string(m) + "\t" + hex(f) + "," + std::to_string(b), m, {f, b}});
    for (const char* m : literal) {
        for (long k : {0x00L, 0x5AL, 0xFFL}) s.push_back({std::string(m) + "\t" + hex(k), m, {k}});
        s.push_back({std::string(m) + "\t'A'", m, {0x41}});
    }
    s.push_back({"movlw\t-1", "movlw", {0xFF}});
    s.push_back({"addlw\t-((5)^80h)", "addlw", {0x7B}});
    for (const char* m : {"call", "goto"})
        for (long k : {0x000L, 0x123L, 0x7FFL}) s.push_back({std::string(m) + "\t" + hex(k), m, {k}});
    for (const char* m : none) s.push_back({m, m, {}});
    return s;
}

std::vector<uint16_t> gpasm_words(const std::string& dir, const std::vector<sample>& samples) {
    std::string src = "\tprocessor 16f877\n\tradix dec\n\torg 0\n";
    for (const sample& s : samples) src += "\t" + s.text + "\n";
    src += "\tend\n";
    testsupport::write_file(dir + "/gp.asm", src);
    std::string out;
    testsupport::run_merged("cd " + dir + " && gpasm -p16f877 -o gp.hex gp.asm", &out);
    std::vector<uint16_t> words;
    std::istringstream hexfile(testsupport::read_file(dir + "/gp.hex"));
    std::string line;
    uint32_t upper = 0;
    while (std::getline(hexfile, line)) {
        if (line.size() < 11 || line[0] != ':') continue;
        unsigned n = std::stoul(line.substr(1, 2), nullptr, 16);
        unsigned addr = std::stoul(line.substr(3, 4), nullptr, 16);
        unsigned type = std::stoul(line.substr(7, 2), nullptr, 16);
        if (type == 4) upper = std::stoul(line.substr(9, 4), nullptr, 16) << 16;
        if (type != 0) continue;
        for (unsigned i = 0; i + 1 < n; i += 2) {
            uint32_t byte = upper + addr + i;
            uint16_t w = uint16_t(std::stoul(line.substr(9 + 2 * i, 2), nullptr, 16) |
                                  (std::stoul(line.substr(11 + 2 * i, 2), nullptr, 16) << 8));
            if (words.size() <= byte / 2) words.resize(byte / 2 + 1);
            words[byte / 2] = w;
        }
    }
    return words;
}

std::vector<uint16_t> ormasm_words(const std::string& dir, const std::vector<sample>& samples,
                                   const std::string& header = "") {
    std::string src = "\tprocessor\t16F877\n" + header + "\tpsect\ttext,class=CODE,delta=2\n";
    for (const sample& s : samples) src += "\t" + s.text + "\n";
    src += "\tend\n";
    testsupport::write_file(dir + "/ours.as", src);
    std::string out;
    int rc = testsupport::run_merged(testsupport::program("ormasm") + " -R2000 -o" + dir + "/ours.obj " + dir + "/ours.as", &out);
    EXPECT_EQ(rc, 0) << out;
    std::vector<uint8_t> object;
    obj::read_file(dir + "/ours.obj", object);
    return words_of(psect_bytes(object, "text"));
}

}  // namespace

TEST(Encodings, EveryInstructionMatchesGpasm) {
    ORM_REQUIRE_TOOL("gpasm");
    std::string dir = testsupport::scratch_folder("gpasm");
    std::vector<sample> samples = every_instruction();
    std::vector<uint16_t> theirs = gpasm_words(dir, samples);
    std::vector<uint16_t> ours = ormasm_words(dir, samples);
    ASSERT_EQ(ours.size(), samples.size());
    ASSERT_EQ(theirs.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        EXPECT_EQ(ours[i], theirs[i]) << samples[i].text;
}

TEST(Encodings, GpdasmReadsOurWordsBack) {
    ORM_REQUIRE_TOOL("gpdasm");
    std::string dir = testsupport::scratch_folder("gpdasm");
    std::vector<sample> samples = every_instruction();
    std::vector<uint16_t> ours = ormasm_words(dir, samples);
    ASSERT_EQ(ours.size(), samples.size());
    // Our words as an Intel HEX file, 8 words a line.
    std::string hexfile;
    for (size_t i = 0; i < ours.size(); i += 8) {
        size_t n = std::min<size_t>(8, ours.size() - i);
        unsigned addr = unsigned(i * 2), sum = unsigned(n * 2) + (addr >> 8) + (addr & 0xFF);
        char b[16];
        std::snprintf(b, sizeof b, ":%02X%04X00", unsigned(n * 2), addr);
        hexfile += b;
        for (size_t j = 0; j < n; ++j) {
            std::snprintf(b, sizeof b, "%02X%02X", ours[i + j] & 0xFF, ours[i + j] >> 8);
            hexfile += b;
            sum += (ours[i + j] & 0xFF) + (ours[i + j] >> 8);
        }
        std::snprintf(b, sizeof b, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
        hexfile += b;
    }
    hexfile += ":00000001FF\n";
    testsupport::write_file(dir + "/ours.hex", hexfile);
    std::string out;
    ASSERT_EQ(testsupport::run_merged("gpdasm -p16f877 " + dir + "/ours.hex", &out), 0) << out;
    std::istringstream lines(out);
    std::string line;
    size_t index = 0;
    while (std::getline(lines, line) && index < samples.size()) {
        // "0003:  17ff  bsf     0x7f, 0x7"
        std::istringstream words(line);
        std::string addr, code, mnemonic;
        if (!(words >> addr >> code >> mnemonic) || addr.back() != ':') continue;
        const sample& s = samples[index++];
        EXPECT_EQ(mnemonic, s.mnemonic) << line;
        std::vector<long> operands;
        std::string rest;
        std::getline(words, rest);
        std::istringstream parts(rest);
        std::string part;
        while (std::getline(parts, part, ','))
            if (part.find_first_not_of(" \t") != std::string::npos) operands.push_back(std::stol(part, nullptr, 0));
        EXPECT_EQ(operands, s.operands) << s.text << " / " << line;
    }
    EXPECT_EQ(index, samples.size());
}

TEST(Encodings, LongCallAndJumpSelectPagesLikePagesel) {
    ORM_REQUIRE_TOOL("gpasm");
    std::string dir = testsupport::scratch_folder("pagesel");
    // Constant targets in each of the four pages of an 8K-word part.
    std::vector<sample> ours_src, gp_src;
    for (long target : {0x0123L, 0x0923L, 0x1123L, 0x1923L}) {
        ours_src.push_back({"ljmp\t" + hex(target), "", {}});
        gp_src.push_back({"pagesel\t" + hex(target), "", {}});
        gp_src.push_back({"goto\t" + hex(target & 0x7FF), "", {}});
    }
    std::vector<uint16_t> ours = ormasm_words(dir, ours_src);
    std::vector<uint16_t> theirs = gpasm_words(dir, gp_src);
    EXPECT_EQ(ours, theirs);
    // fcall restores the caller's page (page 0 here) after the call.
    std::vector<uint16_t> call = ormasm_words(dir, {{"fcall\t0x1923", "", {}}});
    std::vector<uint16_t> expect = gpasm_words(dir, {{"pagesel\t0x1923", "", {}}, {"call\t0x123", "", {}},
                                                     {"pagesel\t0", "", {}}});
    EXPECT_EQ(call, expect);
}
