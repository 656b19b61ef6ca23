#include "driver/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "driver/chipfile.h"
#include "driver/state.h"
#include "testsupport/testsupport.h"

namespace {

std::string source_dir() { return getenv("ORM_SOURCE_DIR"); }

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::load_messages();
        startup_reset_banks();
        drv.runtime = int32_t(0xFFFDFFCFu);
        drv.debugger = 0;
    }
    void TearDown() override {
        chip_free(drv.chip);
        drv.chip = nullptr;
    }
    void use_chip(const char* name) { drv.chip = chip_open((source_dir() + "/dat/ormc-lite.ini").c_str(), name); }

    // Compares with the golden file; ORM_UPDATE_GOLDEN=1 rewrites it.
    void expect_golden(const std::string& text, const std::string& name) {
        std::string path = source_dir() + "/driver/tests/golden/" + name;
        if (getenv("ORM_UPDATE_GOLDEN")) std::ofstream(path, std::ios::binary) << text;
        EXPECT_EQ(text, testsupport::read_file(path)) << "golden file " << name;
    }

    std::string final_text(const std::string& symbols) {
        startup_facts facts;
        read_startup_facts(testsupport::scratch_file("l.sym", symbols), facts);
        return startup_text(facts, true, {"--chip=16F877", "x.c"});
    }
};

TEST_F(Startup, PrelinkHasNoRoutinesAndClearsNothing) {
    use_chip("16F877");
    startup_facts facts;
    read_startup_facts("/nonexistent/l.sym", facts);
    std::vector<std::string> options = {"--chip=16F877", "-V", "--opt=default,-space,+speed",
                                        "--runtime=default,+keep", "-DSOME_LONG_MACRO_NAME=1", "-Iinclude/dir",
                                        "first.c", "second.c"};
    expect_golden(startup_text(facts, false, options), "startup_prelink_16F877.as");
}

TEST_F(Startup, FewBytesAreClearedInline) {
    use_chip("16F877");
    std::string text = final_text("__Lrbss_0 20 0 BANK0\n__Hrbss_0 23\n_main 10 0\n");
    expect_golden(text, "startup_inline_16F877.as");
}

TEST_F(Startup, ManyBytesCallClearRam) {
    use_chip("16F877");
    expect_golden(final_text("__Lrbss_0 20\n__Hrbss_0 2A\n__Lrbit_0 100\n__Hrbit_0 103\n"), "startup_clear_ram_16F877.as");
}

TEST_F(Startup, DataInBanksZeroAndOneIsCopied) {
    use_chip("16F877");
    expect_golden(final_text("__Lrdata_0 20\n__Hrdata_0 24\n__Lrdata_1 A0\n__Hrdata_1 A3\n__Lidata_0 300\n"
                             "__Lidata_1 305\n__Lrbss_1 A4\n__Hrbss_1 B0\n"),
                  "startup_copy_data_16F877.as");
}

// The 16F84A's data lies in one bank range, yet bank-1 variables have sections of their own
// (mirrors of bank 0): they are cleared and copied like those of bank 0.
TEST_F(Startup, OneBankChipClearsAndCopiesBankOne) {
    use_chip("16F84A");
    startup_facts facts;
    read_startup_facts(testsupport::scratch_file("l.sym", "__Lrdata_0 0C\n__Hrdata_0 0E\n__Lrdata_1 8E\n__Hrdata_1 91\n"
                                                         "__Lidata_1 305\n__Lrbss_1 91\n__Hrbss_1 93\n"), facts);
    std::string text = startup_text(facts, true, {"--chip=16F84A", "x.c"});
    EXPECT_NE(text.find(";\tCopy bank0 initialized variables (2 bytes)"), std::string::npos);
    EXPECT_NE(text.find(";\tCopy bank1 initialized variables (3 bytes)"), std::string::npos);
    EXPECT_NE(text.find("\tmovlw\t__Lidata_1 & 0xFF\n"), std::string::npos);
    EXPECT_NE(text.find(";\tClear bank1 uninitialized variables (2 bytes)"), std::string::npos);
    // No data beyond bank 1: no lines for banks 2 and 3.
    EXPECT_EQ(text.find("bank 2"), std::string::npos);
    EXPECT_EQ(text.find("bank2"), std::string::npos);
}

TEST_F(Startup, InterruptAndPowerupRoutines) {
    use_chip("16F877");
    std::string interrupt = final_text("__Lintcode 4 0 CODE\n__Hintcode 1A\n");
    EXPECT_NE(interrupt.find("; jump to start\n\tmovlw\tstart >>8\n\tmovwf\tPCLATH\n\tgoto\tstart & 0x7FF | (reset_vec & not 0x7FF)\n\n"),
              std::string::npos);
    std::string powerup = final_text("__Hpowerup 30\n__Lpowerup 20\n");
    EXPECT_NE(powerup.find("\tgoto\tpowerup & 0x7FF | (reset_vec & not 0x7FF)\n\n\t; No interrupt routine\n"),
              std::string::npos);
    expect_golden(powerup, "startup_powerup_16F877.as");
}

TEST_F(Startup, BoundsPairByExactName) {
    startup_facts facts;
    read_startup_facts(testsupport::scratch_file("l.sym", "__Ltext1 100 0 CODE\n__Htext 40\n__Ltext 10\n__Htext1 180\n"), facts);
    ASSERT_EQ(facts.bounds.size(), 2u);
    EXPECT_EQ(facts.bounds[0].name, "text1");
    EXPECT_EQ(facts.bounds[0].size, 0x80u);
    EXPECT_EQ(facts.bounds[0].class_name, "CODE");
    EXPECT_EQ(facts.bounds[1].name, "text");
    EXPECT_EQ(facts.bounds[1].size, 0x30u);
}

TEST_F(Startup, ResetBitsAreKept) {
    use_chip("16F84");
    drv.runtime |= 0x20000;
    expect_golden(final_text("__Lrbss_0 C\n__Hrbss_0 E\n"), "startup_resetbits_16F84.as");
}

TEST_F(Startup, OscillatorCalibrationLeavesBankZero) {
    use_chip("12F675");
    std::string text = final_text("__Lrbss_0 20\n__Hrbss_0 22\n");
    // The calibration writes bank 1; main must start in bank 0 again.
    EXPECT_NE(text.find("\tbsf\t3,5\n\tfcall\tosccal_val\nmovwf\t0x90 ^ 0x80\n\tclrf\tSTATUS\n\tljmp _main\n"),
              std::string::npos);
    expect_golden(text, "startup_osccal_12F675.as");
}

}  // namespace
