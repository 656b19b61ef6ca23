#include "driver/chipfile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "common/msgfile.h"
#include "testsupport/testsupport.h"

namespace {

class ChipFile : public ::testing::Test {
protected:
    void SetUp() override { testsupport::load_messages(); }
    std::string write(const std::string& text) { return testsupport::scratch_file("chips.ini", text); }
};

std::string shipped() { return std::string(getenv("ORM_SOURCE_DIR")) + "/dat/ormc-lite.ini"; }

TEST_F(ChipFile, ExactNameWinsOverLongerSections) {
    chip_record* c = chip_open(shipped().c_str(), "16f84");
    EXPECT_STREQ(c->name, "16F84");
    chip_free(c);
    c = chip_open(shipped().c_str(), "84A");
    EXPECT_STREQ(c->name, "16F84A");
    chip_free(c);
}

TEST_F(ChipFile, AmbiguousSuffixIsNotPresent) {
    EXPECT_EXIT(chip_open(shipped().c_str(), "84"), ::testing::ExitedWithCode(1), "\\(922\\) chip \"84\" not present");
}

TEST_F(ChipFile, ShippedChipsAndTheirStrategies) {
    chip_record* c = chip_open(shipped().c_str(), "16F877");
    EXPECT_EQ(c->arch, ARCH_PIC14);
    EXPECT_EQ(c->romsize, 0x800u);
    EXPECT_EQ(c->banks, 4);
    EXPECT_EQ(c->rambank_count, 2);
    EXPECT_EQ(c->rambank[1].low, 0xA0u);
    EXPECT_EQ(c->rambank[1].high, 0xEFu);
    EXPECT_EQ(c->interrupt_strategy, 2);
    EXPECT_EQ(c->flashtype, 1);
    EXPECT_STREQ(ini_value(c, "make"), "MICROCHIP");
    chip_free(c);
    c = chip_open(shipped().c_str(), "12F675");
    EXPECT_EQ(c->interrupt_strategy, 1);
    EXPECT_EQ(c->osccal, 0x90u);
    EXPECT_EQ(c->flashtype, FLASHTYPE_NONE);
    chip_free(c);
    c = chip_open(shipped().c_str(), "16F84");
    EXPECT_EQ(c->interrupt_strategy, 5);
    chip_free(c);
}

TEST_F(ChipFile, CountMessagesInTheirPrecedence) {
    std::string twice = write("[X]\nARCH=PIC14\nROMSIZE=400\nROMSIZE=400\nBANKS=2\nRAMBANK=20-7F\n");
    EXPECT_EXIT(chip_open(twice.c_str(), "X"), ::testing::ExitedWithCode(1), "\\(1019\\) duplicate \"ROMSIZE\"");
    std::string thrice = write("[X]\nARCH=PIC14\nROMSIZE=400\nROMSIZE=400\nROMSIZE=400\nBANKS=2\nRAMBANK=20-7F\n");
    EXPECT_EXIT(chip_open(thrice.c_str(), "X"), ::testing::ExitedWithCode(1),
                "\\(1018\\) illegal number of \"ROMSIZE\" specifications \\(3 found; 1 expected\\)");
    std::string empty_ram = write("[X]\nARCH=PIC14\nROMSIZE=400\nBANKS=2\nRAMBANK\n");
    EXPECT_EXIT(chip_open(empty_ram.c_str(), "X"), ::testing::ExitedWithCode(1), "\\(1016\\) missing argument to \"RAMBANK\"");
    std::string no_banks = write("[X]\nARCH=PIC14\nROMSIZE=400\nRAMBANK=20-7F\n");
    EXPECT_EXIT(chip_open(no_banks.c_str(), "X"), ::testing::ExitedWithCode(1), "\\(1015\\) missing \"BANKS\"");
}

TEST_F(ChipFile, MalformedFilesStopWithTheLine) {
    std::string flash = write("[X]\nARCH=PIC14\nROMSIZE=400\nBANKS=2\nRAMBANK=20-7F\nFLASHTYPE=readwrite\n");
    EXPECT_EXIT(chip_open(flash.c_str(), "X"), ::testing::ExitedWithCode(1), "\\(919\\) Unknown FLASHTYPE for chip X in chipinfo file");
    std::string key = write("[X]\nARCH=PIC14\nCOLOUR=red\n");
    EXPECT_EXIT(chip_open(key.c_str(), "X"), ::testing::ExitedWithCode(1), "\\(1020\\) unknown attribute \"COLOUR\".* at line 3");
    std::string range = write("[X]\nARCH=PIC14\nRAMBANK=7F-20\n");
    EXPECT_EXIT(chip_open(range.c_str(), "X"), ::testing::ExitedWithCode(1), "\\(1022\\) syntax error reading \"RAMBANK\" range");
    std::string number = write("[X]\nARCH=PIC14\nROMSIZE=zz\n");
    EXPECT_EXIT(chip_open(number.c_str(), "X"), ::testing::ExitedWithCode(1), "\\(1021\\)");
    std::string arch = write("[X]\nARCH=PIC18\n");
    EXPECT_EXIT(chip_open(arch.c_str(), "X"), ::testing::ExitedWithCode(1), "\\(1025\\) unknown architecture");
    std::string no_arch = write("[X]\nROMSIZE=400\nBANKS=2\nRAMBANK=20-7F\n");
    EXPECT_EXIT(chip_open(no_arch.c_str(), "X"), ::testing::ExitedWithCode(1), "\\(1026\\) missing architecture");
    std::string header = write("[]\n");
    EXPECT_EXIT(chip_open(header.c_str(), "X"), ::testing::ExitedWithCode(1), "\\(1024\\) syntax error in chipinfo file");
    std::string banks = write("[X]\nARCH=PIC14\nRAMBANK=20-2F,30-3F,40-4F,50-5F,60-6F\n");
    EXPECT_EXIT(chip_open(banks.c_str(), "X"), ::testing::ExitedWithCode(1), "Too many RAM banks defined");
    std::string empty = write("");
    EXPECT_EXIT(chip_open(empty.c_str(), "X"), ::testing::ExitedWithCode(1), "\\(920\\) empty chipinfo file");
    // A very long line is one line: the count after it stays right.
    std::string long_line = write("# " + std::string(600, 'x') + "\n[X]\nARCH=PIC14\nBOGUS=1\n");
    EXPECT_EXIT(chip_open(long_line.c_str(), "X"), ::testing::ExitedWithCode(1), "at line 4");
}

TEST_F(ChipFile, CommonRangeAtBankStartGivesStrategyOne) {
    std::string f = write("[X]\nARCH=PIC14\nROMSIZE=400\nBANKS=2\nRAMBANK=20-7F\nCOMMON=20-2F\n");
    chip_record* c = chip_open(f.c_str(), "X");
    EXPECT_EQ(c->interrupt_strategy, 1);
    chip_free(c);
    std::string sparebit = write("[X]\nARCH=PIC14\nROMSIZE=1000\nBANKS=4\nRAMBANK=20-7F\nSPAREBIT=5\n");
    c = chip_open(sparebit.c_str(), "X");
    EXPECT_EQ(c->interrupt_strategy, 4);
    chip_free(c);
    std::string pic12 = write("[X]\nARCH=PIC12\nROMSIZE=200\nBANKS=1\nRAMBANK=07-1F\n");
    c = chip_open(pic12.c_str(), "X");
    EXPECT_EQ(c->interrupt_strategy, 0);
    chip_free(c);
}

struct hook_log {
    std::vector<std::string> lines;
};
hook_log* log_target = nullptr;

void log_number(chip_record* chip, int key, uint32_t value) {
    char buf[64];
    snprintf(buf, sizeof buf, "n%d=%X arch=%d", key, value, chip->arch);
    log_target->lines.push_back(buf);
}
void log_range(chip_record* chip, int key, uint32_t low, uint32_t high) {
    char buf[64];
    snprintf(buf, sizeof buf, "r%d=%X-%X arch=%d", key, low, high, chip->arch);
    log_target->lines.push_back(buf);
}

TEST_F(ChipFile, HooksSeeTheArchitectureReadSoFar) {
    hook_log log;
    log_target = &log;
    chip_set_hooks(log_number, log_range);
    std::string f = write("[X]\nROMSIZE=400\nARCH=PIC14\nBANKS=2\nRAMBANK=20-7F,A0-EF\n");
    chip_record* c = chip_open(f.c_str(), "X");
    chip_set_hooks(nullptr, nullptr);
    EXPECT_EQ(log.lines, (std::vector<std::string>{"n0=400 arch=0", "n1=2 arch=2", "r0=20-7F arch=2", "r0=A0-EF arch=2"}));
    chip_free(c);
}

TEST_F(ChipFile, GlobalKeysHoldForEveryChip) {
    std::string f = write("ARCH=PIC14\nBANKS=2\n[A]\nROMSIZE=400\nRAMBANK=20-7F\n[B]\nROMSIZE=800\nBANKS=4\nRAMBANK=20-7F\n");
    chip_record* a = chip_open(f.c_str(), "A");
    EXPECT_EQ(a->arch, ARCH_PIC14);
    EXPECT_EQ(a->banks, 2);
    chip_free(a);
    chip_record* b = chip_open(f.c_str(), "b");
    EXPECT_EQ(b->banks, 4);
    chip_free(b);
}

TEST_F(ChipFile, ChipListOfTheShippedFile) {
    std::string out = testsupport::capture_stdout([] { print_chip_list(shipped().c_str()); });
    EXPECT_EQ(out,
              ";name:romsize:numbanks\n16C84:400:2\n16F84:400:2\n16F84A:400:2\n16F627:400:2\n16F627A:400:2\n"
              "12F629:3FF:2\n12F675:3FF:2\n16F684:400:2\n16F877:800:4\n16F877A:800:4\n16F690:800:4\n");
}

}  // namespace
