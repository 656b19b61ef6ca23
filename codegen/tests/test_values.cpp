// Multi-byte values through the shipped rule set: the bank of every operand is selected where it
// is read or written, never between a skip and the instruction it skips. Expected code worked
// out by hand for the 16F877A (4 banks: RP1 is written too).
#include <gtest/gtest.h>

#include <string>

#include "codegen/tests/harness.h"

namespace {

const char* const banked =
    "[v _x `Xi 1 e ]\n[v _y `i 1 e ]\n[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n";

TEST(values, BankOneOperandKeepsItsBankThroughADroppedConversion) {
    // y = (int)x + y with x in bank 1: the conversion goes, x's bank stays.
    auto r = cgtest::run_ic(std::string(banked) + "[e = _y + -> _x `i _y ]\n[e :UE 1 ]\n}\n");
    EXPECT_NE(r.assembly.find("\tbsf\tstatus,5\n\tbcf\tstatus,6\t;carry unused\n\tmovf\t_x,w\n\tbcf\tstatus,5\n"
                              "\taddwf\t_y,f\n\tbsf\tstatus,5\n\tmovf\t_x+1,w\n\tbcf\tstatus,5\n\tbtfsc\tstatus,0\n"
                              "\taddlw\t1\n\tbtfss\tstatus,2\n\taddwf\t_y+1,f\n"),
              std::string::npos)
        << r.assembly;
}

TEST(values, TemporaryIsWrittenInBankZero) {
    // y = -x: the complement is read in bank 1 and kept in the function's temporaries.
    auto r = cgtest::run_ic(std::string(banked) + "[e = _y -U -> _x `i ]\n[e :UE 1 ]\n}\n");
    EXPECT_NE(r.assembly.find("\tcomf\t_x,w\n\tbcf\tstatus,5\n\tmovwf\tf03+0\n\tbsf\tstatus,5\n\tcomf\t_x+1,w\n"
                              "\tbcf\tstatus,5\n\tmovwf\tf03+1\n\tincf\tf03+0,f\n\tbtfsc\tstatus,2\n\tincf\tf03+1,f\n"
                              "\tmovf\tf03+0,w\n\tmovwf\t_y\n"),
              std::string::npos)
        << r.assembly;
    EXPECT_NE(r.assembly.find("f03\tequ\t?a_f+0\n"), std::string::npos) << r.assembly;
}

}  // namespace
