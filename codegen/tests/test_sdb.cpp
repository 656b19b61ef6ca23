// Debug records: goldens written by hand from the record formats, not by the program.
#include <gtest/gtest.h>

#include "codegen/tests/harness.h"

namespace {

const std::string header = "[p AUTOSTATIC PIC14 PICMIDHI ORMCLOMID ]\n";

std::string sdb_of(const std::string& ic) { return cgtest::run_ic(ic, 0, "16F877A", true).sdb; }

TEST(sdb, GlobalsOnlyHaveNoBlocksAndOnePositionPerLine) {
    EXPECT_EQ(sdb_of("\"1 g.c\n[v _a `i 1 e ]\n[v _b `uc -> 4 `x e ]\n\"3\n[v _s `c 1 s ]\n[v _p `*Cc 1 e@32 ]\n"),
              header +
                  "\"1 g.c\n[v _a `i  1 e 2 0 ]\n[v _b `uc  4a e 4 0 ]\n\"3\n[v _s `c  1 s 1 0 ]\n"
                  "[v _p `*Cc  1 e 2 @32 ]\n");
}

TEST(sdb, ParametersAndAutosAsTheyAreRead) {
    EXPECT_EQ(sdb_of("\"5 f.c\n[v _f `(v 1 ef2`c`i ]\n{\n[v _c `c 1 p1 ]\n[v _i `i 1 p2 ]\n[e :U _f ]\n[f ]\n"
                     "\"6\n[v _x `i 1 a ]\n\"7\n[v F3 `i 1 s cnt ]\n\"8\n}\n"),
              header +
                  "\"5 f.c\n[v _f `(v  1 e 0 0 ]\n{\n[v _c `c  1 p 1 0 ]\n[v _i `i  1 p 2 2 ]\n"
                  "\"6\n[v _x `i  1 a 2 0 ]\n\"7\n[v cnt `i  1 s 2 F3 ]\n\"8\n} 2\n");
}

TEST(sdb, StructureLayoutRecord) {
    EXPECT_EQ(sdb_of("\"1 s.c\n[s S1 `i 1 `i 1 ]\n[n S1 pt a b ]\n"),
              header + "\"1 s.c\n[s S1 pt 4 `i  1 a 2 0 \n`i  1 b 2 2 \n]\n");
}

TEST(sdb, UnnamedTypesAreWrittenInPlace) {
    // The parser names a function type it needs twice with an internal typedef.
    EXPECT_EQ(sdb_of("\"11 p.c\n[v F17 `(v 1 t ]\n[v _handler `*F17 1 e ]\n"),
              header + "\"11 p.c\n[v _handler `*(v  1 e 2 0 ]\n");
}

TEST(sdb, BitFieldsTakeOneByteEach) {
    EXPECT_EQ(sdb_of("\"5 b.c\n[s S1 :1 `ui 1 :3 `ui 1 `uc 1 ]\n[n S1 flags ready mode count ]\n"),
              header + "\"5 b.c\n[s S1 flags 2 `ui  1 ready 1 0 :1:0 \n`ui  1 mode 1 0 :3:1 \n`uc  1 count 1 1 \n]\n");
}

TEST(sdb, ExternInsideFunctionIsWrittenBeforeItsClose) {
    EXPECT_EQ(sdb_of("\"1 x.c\n[v _f `(v 1 e ]\n{\n[e :U _f ]\n[f ]\n\"3\n[v _flag `uc 0 e ]\n\"9\n}\n"),
              header + "\"1 x.c\n[v _f `(v  1 e 0 0 ]\n{\n\"9\n[v _flag `uc  1 e 1 0 ]\n} 0\n");
}

TEST(sdb, EnumerationTypedefAndInnerBlocks) {
    EXPECT_EQ(sdb_of("\"1 e.c\n[c E2\n0\n-3\n.. ]\n[n E2 col RED BLUE ]\n[v _byte `uc 1 t ]\n"
                     "[v _f `(v 1 e ]\n{\n[e :U _f ]\n[f ]\n{\n{\n\"4\n[v _k `*c 1 a ]\n}\n}\n{\n}\n\"9\n}\n"),
              header +
                  "\"1 e.c\n[e E2 col\nRED 0\nBLUE -3\n]\n[v _byte `uc  1 t 1 ]\n[v _f `(v  1 e 0 0 ]\n{\n"
                  "\"4\n{\n{\n[v _k `*c  1 a 1 0 ]\n}\n}\n\"9\n} 1\n");
}

}  // namespace
