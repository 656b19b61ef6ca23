// Whole modules through the reader: frames, pragmas, data layout and the section text. The
// expected bytes and offsets are worked out by hand from the target's layout rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "codegen/tests/harness.h"

namespace {

using cgtest::lines_with;
using cgtest::run_ic;

std::string after(const std::string& text, const std::string& marker) {
    size_t at = text.find(marker);
    return at == std::string::npos ? std::string() : text.substr(at);
}

TEST(frames, ParametersTakeOffsetsWithTheByteRule) {
    auto r = run_ic("[v _f `(v 1 ef2`c`i ]\n{\n[v _c `c 1 p1 ]\n[v _i `i 1 p2 ]\n}\n");
    EXPECT_EQ(lines_with(r.assembly, "set").size(), 2u);
    EXPECT_EQ(lines_with(r.assembly, "_f$c")[0], "_f$c\tset\t?_f+0");
    EXPECT_EQ(lines_with(r.assembly, "_f$i")[0], "_f$i\tset\t?_f+2");
}

TEST(frames, RegisterCharFirstComesInW) {
    auto r = run_ic("[v _f `(v 1 ef2`c`c ]\n{\n[v _c `c 1 r1 ]\n[v _d `c 1 r2 ]\n}\n");
    EXPECT_TRUE(lines_with(r.assembly, "_f$c").empty());
    // Second register char: in the area, without the extra byte.
    EXPECT_EQ(lines_with(r.assembly, "_f$d")[0], "_f$d\tset\t?_f+0");
}

TEST(frames, VariadicAreaReservesByteZero) {
    auto r = run_ic("[v _v `(v 1 efv`i ]\n{\n[v _i `i 1 p1 ]\n}\n");
    EXPECT_EQ(lines_with(r.assembly, "_v$i")[0], "_v$i\tset\t?_v+1");
}

// The byte that arrives in W gets a home before the body runs: for a variadic function byte 0
// of its area, directly before the variable arguments; for any other in its auto area.
TEST(frames, ByteInWHomeFollowsVariadicness) {
    auto v = run_ic("[v _v `(v 1 ev`c ]\n{\n[v _c `c 1 r1 ]\n[e :U _v ]\n[f ]\n[e :UE 1 ]\n}\n");
    EXPECT_EQ(lines_with(v.assembly, "_v$c")[0], "_v$c\tset\t?_v+0");
    EXPECT_FALSE(lines_with(v.assembly, "\tmovwf\t?_v+0").empty()) << v.assembly;
    EXPECT_TRUE(lines_with(v.assembly, "?a_v").empty()) << v.assembly;
    auto f = run_ic("[v _f `(v 1 ef1`c ]\n{\n[v _c `c 1 r1 ]\n[e :U _f ]\n[f ]\n[e :UE 1 ]\n}\n");
    EXPECT_EQ(lines_with(f.assembly, "_f$c")[0], "_f$c\tset\t?a_f+0");
}

TEST(frames, SiblingBlocksShareAutoOffsets) {
    auto r = run_ic("\"1 a.c\n[v _f `(v 1 e ]\n{\n[e :U _f ]\n[f ]\n{\n[v _a `i 1 a ]\n}\n{\n[v _b `i 1 a ]\n}\n}\n",
                    0, "16F877A", true);
    EXPECT_EQ(lines_with(r.assembly, "_f$a")[0], "_f$a\tset\t?a_f+0");
    EXPECT_EQ(lines_with(r.assembly, "_f$b")[0], "_f$b\tset\t?a_f+0");
    EXPECT_EQ(lines_with(r.sdb, "} ")[0], "} 2");
}

TEST(frames, BitAutoIsRefused) {
    auto r = run_ic("[v _f `(v 1 e ]\n{\n[v _b `b 1 a ]\n}\n");
    EXPECT_TRUE(r.has_message(698));
    EXPECT_TRUE(lines_with(r.assembly, "_f$b").empty());
}

TEST(reader, EmptyModuleHasHeaderAndEnd) {
    auto r = run_ic("");
    EXPECT_EQ(r.assembly,
              "\tprocessor\t16F877A\nindf\tequ\t0\nrtcc\tequ\t1\npc\tequ\t2\npcl\tequ\t2\nstatus\tequ\t3\n"
              "fsr\tequ\t4\nporta\tequ\t5\nportb\tequ\t6\nportc\tequ\t7\npclath\tequ\t10\n\tend\n");
    EXPECT_TRUE(r.messages.empty());
}

TEST(reader, DamagedRecordsAreReportedAndReadingGoesOn) {
    auto r = run_ic("[\\ ]\n[v _g `i 1 e ]\r\n[v _o `o 1 e ]\n");
    EXPECT_TRUE(r.has_message(714));
    EXPECT_TRUE(r.has_message(724));          // long long has no type here
    EXPECT_EQ(lines_with(r.assembly, "_g").size(), 2u);   // global and label, after "\r\n"
}

TEST(reader, EveryPragmaFormOfTheWriterIsRead) {
    auto r = run_ic(
        "[p u ]\n[v _x `i 1 e ]\n[p o ]\n[p c _f _g ]\n[p f _f 12 ]\n[p n 123 456 ]\n[p y ]\n[p e 12 ]\n"
        "[p w 12 13 ]\n[p u ,  ]\n[p u wreg fsr, ]\n[p mainexit ]\n");
    EXPECT_TRUE(r.messages.empty()) << r.messages[0];
    EXPECT_EQ(lines_with(r.assembly, "_x").size(), 2u);
    r = run_ic("[p q ]\n[p w fancy ]\n[p b USR_MODE=10 ]\n[p b SYS_MODE=20 ]\n[p b nothing ]\n[p r 300 ]\n");
    for (int n : {715, 737, 736, 735, 738}) EXPECT_TRUE(r.has_message(n)) << n;
    EXPECT_EQ(lines_with(r.assembly, "__USR_MODE")[1], "\t__USR_MODE\tEQU 010h");
}

TEST(reader, DeepFunctionNestingIsRefusedNotOverrun) {
    std::string ic;
    for (int i = 0; i < 40; ++i) ic += "[v _f" + std::to_string(i) + " `(v 1 e ]\n{\n";
    for (int i = 0; i < 40; ++i) ic += "}\n";
    auto r = run_ic(ic);
    EXPECT_TRUE(r.has_message(723));
}

// Two functions with in-line assembly: each declares its own code section once.
const std::string two_functions = "[v _f `(v 1 e ]\n{\n[e :U _f ]\n[f ]\n[;  nop ;#\n[; l1: clrw ;#\n}\n"
                                  "[v _g `(v 1 e ]\n{\n[e :U _g ]\n[f ]\n[;  nop ;#\n}\n";

TEST(sections, EachFunctionDeclaresItsCodeSection) {
    auto r = run_ic(two_functions);
    EXPECT_EQ(after(r.assembly, "\tpsect"),
              "\tpsect\ttext0,local,class=CODE,delta=2\n\tpsect\ttext0\n_f\n nop ;#\nl1: clrw ;#\n"
              "\tbcf\tstatus,6\t;carry unused\n\tbcf\tstatus,5\n\treturn\t;W free\n\tFNSIZE\t_f,0,0\n\tglobal\t_g\n"
              "\tpsect\ttext1,local,class=CODE,delta=2\n\tpsect\ttext1\n_g\n nop ;#\n"
              "\tbcf\tstatus,6\t;carry unused\n\tbcf\tstatus,5\n\treturn\t;W free\n\tFNSIZE\t_g,0,0\n"
              // The file scope's close signs both functions: 88 is a void result (0x18) under
              // AUTOSTATIC (0x40).
              "\tsignat\t_f,88\n\tsignat\t_g,88\n\tend\n");
}

TEST(sections, PsectRenameAppliesToEveryFunctionAndDropsLocal) {
    auto r = run_ic("[p s text%u=boot%u ]\n" + two_functions);
    EXPECT_EQ(lines_with(r.assembly, "pragma")[0], ";\tpragma psect text%u=boot%u");
    EXPECT_EQ(lines_with(r.assembly, "\tpsect\tboot0")[0], "\tpsect\tboot0,class=CODE,delta=2");
    EXPECT_EQ(lines_with(r.assembly, "\tpsect\tboot1")[0], "\tpsect\tboot1,class=CODE,delta=2");
    // The table's text is compared before its counter is filled in.
    r = run_ic("[p s text0=boot ]\n" + two_functions);
    EXPECT_TRUE(lines_with(r.assembly, "boot").size() == 1);
}

TEST(data, InitialisedGlobalGoesToRdataWithIdataCopy) {
    auto r = run_ic("[v _g `i 1 e ]\n[i _g\n-> 5 `i\n]\n");
    EXPECT_EQ(after(r.assembly, "\tglobal"),
              "\tglobal\t_g\n\tpsect\trdata_0,class=BANK0,space=1\n\tpsect\trdata_0\n_g\n\tds\t2\n"
              "\tpsect\tidata_0,class=CODE,delta=2\n\tpsect\tidata_0\n\tretlw\t5\n\tretlw\t0\n\tend\n");
}

// The bank qualifier of a pointer names its target's bank: the pointer itself is read in bank 0.
TEST(data, InitialisedPointerToBankOneLivesInBankZero) {
    auto r = run_ic("[v _x `Xuc 1 e ]\n[i _x\n-> 1 `Xuc\n]\n[v _p `*Xuc 1 e ]\n[i _p\n&U _x\n]\n");
    const std::string& a = r.assembly;
    size_t x = a.find("_x\n\tds\t1\n"), p = a.find("_p\n\tds\t");
    ASSERT_NE(x, std::string::npos) << a;
    ASSERT_NE(p, std::string::npos) << a;
    // The section each label is written in: the last section switch before it.
    auto section_before = [&](size_t at) { return a.substr(a.rfind("\tpsect\t", at), 15); };
    EXPECT_EQ(section_before(x), "\tpsect\trdata_1\n") << a;
    EXPECT_EQ(section_before(p), "\tpsect\trdata_0\n") << a;
}

TEST(data, ConstTableOpensItsOwnSection) {
    auto r = run_ic("[v _tab `Cc 1 s ]\n[i _tab\n:U ..\n-> 1 `Cc\n-> 2 `Cc\n-> 3 `Cc\n..\n]\n");
    EXPECT_EQ(after(r.assembly, "\tpsect"),
              "\tpsect\tconst1,local,class=CONST,delta=2\n\tpsect\tconst1\n_tab\n\taddwf\tpc\n"
              "\tretlw\t1\n\tretlw\t2\n\tretlw\t3\n\tend\n");
}

// A small table is read through the "addwf pc" at its label, so its bytes start one past it:
// an initialised pointer to the table, or into it, points where the code's own pointers do.
TEST(data, InitialisedPointerIntoConstTableSkipsItsAddwf) {
    const std::string tab = "[v _tab `Cuc -> 3 `x s ]\n[i _tab\n:U ..\n-> 1 `Cuc\n-> 2 `Cuc\n-> 3 `Cuc\n..\n]\n";
    auto r = run_ic(tab + "[v _p `*Cuc 1 e ]\n[i _p\n&U _tab\n]\n[v _q `*Cuc 1 e ]\n[i _q\n+ &U _tab 2\n]\n");
    auto low = lines_with(r.assembly, "retlw\tlow(");
    ASSERT_EQ(low.size(), 2u) << r.assembly;
    EXPECT_EQ(low[0], "\tretlw\tlow(_tab+1)");
    EXPECT_EQ(low[1], "\tretlw\tlow(_tab+3)");
    // A RAM array has no such entry.
    r = run_ic("[v _ram `uc -> 3 `x e ]\n[v _p `*uc 1 e ]\n[i _p\n&U _ram\n]\n");
    EXPECT_EQ(lines_with(r.assembly, "retlw\tlow(").at(0), "\tretlw\tlow(_ram)") << r.assembly;
}

TEST(data, StructuresPackBitFieldsAndFillShortTails) {
    std::string layout = "[s S1 `i 1 :3 `ui 1 `c -> 2 `ui ]\n";
    auto r = run_ic(layout + "[v _p `S1 1 e ]\n[i _p\n:U ..\n-> 1 `i\n-> 2 `ui\n:U ..\n-> 120 `c\n-> 0 `c\n..\n..\n]\n");
    auto bytes = lines_with(r.assembly, "retlw");
    ASSERT_EQ(bytes.size(), 5u);
    EXPECT_EQ(bytes[0], "\tretlw\t1");
    EXPECT_EQ(bytes[2], "\tretlw\t2");
    EXPECT_EQ(bytes[3], "\tretlw\t120\t;'x'");
    r = run_ic(layout + "[v _q `S1 1 e ]\n[i _q\n:U ..\n-> 7 `i\n..\n]\n");
    EXPECT_EQ(lines_with(r.assembly, "retlw").size(), 5u);
    EXPECT_EQ(lines_with(r.assembly, "\tds\t")[0], "\tds\t5");
    r = run_ic("[s S2 :3 `ui 1 :4 `ui 1 :2 `ui 1 ]\n[v _b `S2 1 e ]\n[i _b\n:U ..\n-> 5 `ui\n-> 9 `ui\n-> 3 `ui\n..\n]\n");
    bytes = lines_with(r.assembly, "retlw");
    ASSERT_EQ(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], "\tretlw\t77\t;'M'");   // 5 | 9 << 3
    EXPECT_EQ(bytes[1], "\tretlw\t3");
}

TEST(data, InitialiserErrors) {
    auto r = run_ic("[v _a `i -> 2 `x e ]\n[i _a\n:U ..\n-> 1 `i\n-> 2 `i\n-> 3 `i\n..\n]\n");
    EXPECT_TRUE(r.has_message(240));
    EXPECT_EQ(lines_with(r.assembly, "retlw").size(), 4u);
    r = run_ic("[v _f `b 1 e ]\n[i _f\n-> 1 `b\n]\n");
    EXPECT_TRUE(r.has_message(732));
    r = run_ic("[s S3 :9 `ui 1 ]\n");
    EXPECT_TRUE(r.has_message(741));
}

// An array of pointers declared without a count takes it from its initialiser, as other
// arrays do; pointers to structures too, whose values are not in braces of their own.
TEST(data, UnsizedArraysOfPointersCountTheirValues) {
    auto r = run_ic("[v _x `i 1 e ]\n[v _y `i 1 e ]\n[v _gp `*i 1 e ]\n[i _gp\n:U ..\n&U _x\n&U _y\n&U _x\n..\n]\n");
    EXPECT_FALSE(r.has_message(240));
    EXPECT_EQ(after(r.assembly, "\n_gp\n").substr(0, 11), "\n_gp\n\tds\t3\n") << r.assembly;
    EXPECT_EQ(lines_with(r.assembly, "retlw\tlow(_x)").size(), 2u);
    r = run_ic("[s S1 `i 1 `i 1 ]\n[v _sp `*S1 1 e ]\n[i _sp\n:U ..\n-> 0 `i\n-> 0 `i\n..\n]\n");
    EXPECT_FALSE(r.has_message(240));
    EXPECT_EQ(after(r.assembly, "\n_sp\n").substr(0, 11), "\n_sp\n\tds\t2\n") << r.assembly;
}

TEST(data, QualifiersChooseTheSection) {
    auto r = run_ic("[v _ee `Tuc -> 2 `x e ]\n[i _ee\n:U ..\n-> 1 `uc\n-> 2 `uc\n..\n]\n"
                    "[v _b1 `Xi 1 e ]\n[i _b1\n-> 258 `i\n]\n[v _flag `b 1 e ]\n[v _port `uc 1 e@6 ]\n"
                    "[v _u `Xuc -> 3 `x e ]\n[v _n `Suc 1 e ]\n");
    EXPECT_EQ(lines_with(r.assembly, "\tdb\t").size(), 2u);
    EXPECT_FALSE(lines_with(r.assembly, "psect\teeprom_data,global,class=EEDATA,delta=2,space=2").empty());
    EXPECT_FALSE(lines_with(r.assembly, "psect\tidata_1,class=CODE,delta=2").empty());
    EXPECT_FALSE(lines_with(r.assembly, "psect\trbit_0").empty());
    EXPECT_FALSE(lines_with(r.assembly, "psect\trbss_1").empty());
    EXPECT_FALSE(lines_with(r.assembly, "psect\tnvram").empty());
    EXPECT_EQ(lines_with(r.assembly, "_port")[1], "_port\tequ\t6");
}

TEST(data, EnumerationsChooseSizeAndSignedness) {
    auto r = run_ic("[c E1\n0\n300\n.. ]\n[v _e `E1 1 e ]\n[c E2\n-1\n5\n.. ]\n[v _f `E2 1 e ]\n[c E3\n70000\n.. ]\n");
    EXPECT_EQ(after(r.assembly, "\n_e\n").substr(0, 10), "\n_e\n\tds\t2\n");
    EXPECT_EQ(after(r.assembly, "\n_f\n").substr(0, 10), "\n_f\n\tds\t1\n");
    EXPECT_TRUE(r.has_message(700));
}

TEST(data, StringsAndPointersToThem) {
    auto r = run_ic("[v _s `*Cc 1 e ]\n[i _s\n:s 1C\n]\n[a 1C 65 66 0 ]\n");
    EXPECT_FALSE(lines_with(r.assembly, "\tretlw\tlow(STR_1)").empty());
    EXPECT_FALSE(lines_with(r.assembly, "\tretlw\thigh(STR_1)").empty());
    EXPECT_EQ(after(r.assembly, "STR_1\n"), "STR_1\n\tretlw\t65\t;'A'\n\tretlw\t66\t;'B'\n\tretlw\t0\n\tend\n");
}

TEST(data, PackingOnlyPaysAboveTheThreshold) {
    const uint16_t pack = cg::MF_CANREADCODE | cg::MF_SPACEOPT;
    auto r = run_ic("[a 1 65 66 ]\n", pack);
    EXPECT_NE(r.assembly.find("; Strings\nSTR_1\n\tretlw\t65\t;'A'\n\tretlw\t66\t;'B'\n"), std::string::npos);
    std::string bytes;
    for (int i = 0; i < 60; ++i) bytes += " 97";
    r = run_ic("[a 2" + bytes + " 0 ]\n", pack);
    EXPECT_FALSE(lines_with(r.assembly, "STR_2\tequ\t(((packed_strings<<1)+0x0000)|0x4000)").empty());
    // 'a' = 0x61: two bytes to a word, first in bits 13-7.
    EXPECT_EQ(lines_with(r.assembly, "\tdw\t")[0], "\tdw\t0x30E1\t;'a', 'a'");
    EXPECT_EQ(lines_with(r.assembly, "\tdw\t").back(), "\tdw\t0x0000\t;0x00");
}

TEST(data, AStringWithoutItsZeroStaysBesideItsTail) {
    const uint16_t pack = cg::MF_CANREADCODE | cg::MF_SPACEOPT;
    std::string bytes;
    for (int i = 0; i < 60; ++i) bytes += " 97";
    // STR_2 ends in STR_3's zero (a shared tail): neither may be packed away from the other.
    auto r = run_ic("[a 1" + bytes + " 0 ]\n[a 2 48 49 ]\n[a 3 0 ]\n", pack);
    EXPECT_FALSE(lines_with(r.assembly, "STR_1\tequ\t").empty());
    EXPECT_TRUE(lines_with(r.assembly, "STR_2\tequ\t").empty());
    EXPECT_NE(r.assembly.find("STR_2\n\tretlw\t48\t;'0'\n\tretlw\t49\t;'1'\nSTR_3\n\tretlw\t0\n"), std::string::npos);
}

TEST(data, ConstScalarWaitsForTheEnd) {
    auto r = run_ic("[v _k `Ci 1 e ]\n[i _k\n-> 7 `Ci\n]\n[v _z `c 1 e ]\n");
    size_t k = r.assembly.find("\n_k\n"), z = r.assembly.find("\n_z\n");
    ASSERT_NE(k, std::string::npos);
    EXPECT_LT(z, k);
}

}  // namespace

namespace {

// The initial bytes of a variable: the "retlw" lines that follow its label (after its "ds"
// and the switch to the initial-data section), up to the next variable.
std::string initial_bytes(const std::string& assembly, const std::string& label) {
    std::string out;
    size_t at = assembly.find("\n" + label + "\n");
    if (at == std::string::npos) return out;
    at += label.size() + 2;
    while (at < assembly.size()) {
        size_t end = assembly.find('\n', at);
        std::string line = assembly.substr(at, end - at);
        at = end + 1;
        if (line.rfind("\tds\t", 0) == 0 || line.rfind("\tpsect\t", 0) == 0) continue;
        if (line.rfind("\tretlw\t", 0) != 0) break;
        out += line.substr(7, line.find('\t', 7) - 7) + " ";
    }
    return out;
}

// The parser's own spelling of these C initialisers; values worked out by hand with 8-bit
// char, 16-bit int and 32-bit long.
TEST(constant_data, InitialisersFoldWithTheTargetsWidths) {
    auto r = run_ic(
        "[v _c1 `uc 1 e ]\n[i _c1\n-> 300 `uc\n]\n"                       // (unsigned char)300
        "[v _big `i 1 e ]\n[i _big\n* -> 200 `i -> 200 `i\n]\n"           // 200 * 200 wraps
        "[v _lv `l 1 e ]\n[i _lv\n-> + -> 40000 `i -> 1 `i `l\n]\n"      // (int)40000 + 1, widened
        "[s S1 `uc 1 `i 1 `l 1 ]\n[v _off `i 1 e ]\n[i _off\n-> &U . *U -> 0 `*S1 2 `i\n]\n");  // offsetof
    EXPECT_FALSE(r.has_message(713)) << r.assembly;
    EXPECT_EQ(initial_bytes(r.assembly, "_c1"), "44 ");
    EXPECT_EQ(initial_bytes(r.assembly, "_big"), "64 156 ");           // 40000 - 65536 = -25536
    EXPECT_EQ(initial_bytes(r.assembly, "_lv"), "65 156 255 255 ");   // -25535 sign-extended
    EXPECT_EQ(initial_bytes(r.assembly, "_off"), "3 0 ");              // c after a char and an int
}

TEST(constant_data, ConstObjectAddressInARamPointerIsRefused) {
    // char *q = (char *)&k[1] with k a const array: a one-byte RAM pointer cannot hold an
    // address in program memory, and there is no RAM copy of an object, so no truncated low
    // byte is written.
    auto r = run_ic("[v _k `Cuc -> 2 `ui e ]\n[i _k\n:U ..\n-> 1 `Cuc\n-> 2 `Cuc\n..\n]\n"
                    "[v _q `*uc 1 e ]\n[i _q\n-> &U *U + &U _k * -> 1 `x -> # `Cuc `x `*uc\n]\n");
    EXPECT_EQ(std::count_if(r.messages.begin(), r.messages.end(),
                            [](const std::string& m) { return m.find("(712)") != std::string::npos; }),
              1);
    EXPECT_TRUE(lines_with(r.assembly, "low(_k").empty());
    // A RAM address in a RAM pointer and a string in a pointer to const stay as they were.
    auto ok = run_ic("[v _b `uc -> 2 `ui e ]\n[v _r `*uc 1 e ]\n[i _r\n&U *U + &U _b * -> 1 `x -> # `uc `x\n]\n"
                     "[v _s `*Cc 1 e ]\n[i _s\n:s 1C\n]\n[a 1C 65 0 ]\n");
    EXPECT_FALSE(ok.has_message(712));
    EXPECT_EQ(initial_bytes(ok.assembly, "_r"), "low(_b+1) ");
    EXPECT_EQ(initial_bytes(ok.assembly, "_s"), "low(STR_1) high(STR_1) ");
    EXPECT_TRUE(lines_with(ok.assembly, "RSTR_").empty());
}

// void *v[] = { (void *)&"X"[0] }; char *p = "Y"; struct { char *n; int i; } m = { "ab" + 1, 2 };
// char *w[2] = { "cd", "d" } with the parser's shared tail ("c" running into "d"): each
// literal's RAM copy, initialised like any RAM variable, and its program-memory string too.
TEST(constant_data, StringInARamPointerTakesItsRamCopy) {
    const std::string ic =
        "[v _v `*v 1 e ]\n[i _v\n:U ..\n-> &U *U + :s 1C * -> 0 `x -> # `Cuc `x `*v\n..\n]\n"
        "[v _p `*uc 1 e ]\n[i _p\n-> :s 2C `*uc\n]\n"
        "[s S1 `*uc 1 `i 1 ]\n[v _m `S1 1 e ]\n[i _m\n:U ..\n:U ..\n-> + :s 3C * -> 1 `x -> # `Cuc `x `*uc\n-> 2 `i\n..\n..\n]\n"
        "[v _w `*uc -> 2 `ui e ]\n[i _w\n:U ..\n-> :s 4C `*uc\n-> :s 5C `*uc\n..\n]\n"
        "[a 1C 88 0 ]\n[a 2C 89 0 ]\n[a 3C 97 98 0 ]\n[a 4C 99 ]\n[a 5C 100 0 ]\n";
    for (uint16_t flags : {uint16_t{0}, uint16_t{cg::MF_CANREADCODE | cg::MF_SPACEOPT}}) {
        auto r = run_ic(ic, flags);
        EXPECT_FALSE(r.has_message(712)) << flags;
        EXPECT_EQ(initial_bytes(r.assembly, "_v"), "low(RSTR_1) ");
        EXPECT_EQ(initial_bytes(r.assembly, "_p"), "low(RSTR_2) ");
        EXPECT_EQ(initial_bytes(r.assembly, "_m"), "low(RSTR_3+1) 2 0 ");
        EXPECT_EQ(initial_bytes(r.assembly, "_w"), "low(RSTR_4) low(RSTR_5) ");
        // The copies: bank-0 RAM whose bytes the start-up code copies from idata_0.
        EXPECT_NE(r.assembly.find("\tpsect\trdata_0\nRSTR_1\n\tds\t2\n\tpsect\tidata_0\n"), std::string::npos)
            << r.assembly;
        EXPECT_EQ(initial_bytes(r.assembly, "RSTR_1"), "88 0 ");
        EXPECT_EQ(initial_bytes(r.assembly, "RSTR_3"), "97 98 0 ");
        // The run of 4 into 5 is one image; the later literal stands within it.
        EXPECT_EQ(initial_bytes(r.assembly, "RSTR_4"), "99 100 0 ");
        EXPECT_EQ(lines_with(r.assembly, "RSTR_5\t"), std::vector<std::string>{"RSTR_5\tequ\tRSTR_4+1"});
        EXPECT_EQ(lines_with(r.assembly, "\tds\t").size(), 8u);   // _v _p _m _w and four copies
        EXPECT_FALSE(lines_with(r.assembly, "STR_2").empty());
    }
}

TEST(constant_data, DimensionsAndEnumerationsFoldTheSameWay) {
    // A dimension cast to unsigned char: 258 becomes 2. An enumeration constant cast to int:
    // 70000 becomes 4464, which needs two unsigned bytes; one cast to signed char is -56.
    auto r = run_ic("[v _a `uc -> -> 258 `uc `ux e ]\n[c E1\n-> 70000 `i\n.. ]\n[v _e `E1 1 e ]\n"
                    "[c E2\n-> 200 `c\n1\n.. ]\n[v _s `E2 1 e ]\n");
    EXPECT_NE(r.assembly.find("\n_a\n\tds\t2\n"), std::string::npos) << r.assembly;
    EXPECT_NE(r.assembly.find("\n_e\n\tds\t2\n"), std::string::npos);
    EXPECT_NE(r.assembly.find("\n_s\n\tds\t1\n"), std::string::npos);
    EXPECT_FALSE(r.has_message(700));
}

TEST(call_graph, SignaturesAndTakenAddressesAtScopeClose) {
    // f's address is taken twice; h is called without a prototype; k is only declared.
    auto r = run_ic(
        "[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n}\n[v F24 `(v 1 tf ]\n[v _fp `*F24 1 e ]\n[i _fp\n&U _f\n]\n"
        "[v _h `(v 0 e ]\n[v _k `(v 0 e ]\n"
        "[v _g `(v 1 ef ]\n{\n[e :U _g ]\n[f ]\n[v _p `*F24 1 a ]\n[e = _p &U _f ]\n[e ( _h .. ]\n}\n");
    EXPECT_EQ(lines_with(r.assembly, "\tFNADDR\t").size(), 1u) << r.assembly;
    EXPECT_EQ(lines_with(r.assembly, "\tFNADDR\t_f").size(), 1u);
    for (const char* fn : {"_f,", "_g,", "_h,"}) EXPECT_EQ(lines_with(r.assembly, std::string("\tsignat\t") + fn).size(), 1u) << fn;
    EXPECT_TRUE(lines_with(r.assembly, "\tsignat\t_k").empty());
}

// A function as the parser writes it for a loop with a post-increment inside an index, a
// comment, in-line assembly and a logical condition.
const std::string loop_function =
    "\"1 t2.c\n[v _a `uc -> 4 `ui e ]\n[v _i `uc 1 e ]\n[v _n `uc 1 e ]\n\"3\n[v _f `(v 1 ef ]\n{\n[e :U _f ]\n"
    "[f ]\n[; ;t2.c: 2: void f(void)\n\"5\n[e = _n -> 0 `uc ]\n\"6\n[e $U 2 ]\n[e :U 3 ]\n"
    "[; ;t2.c: 7: a[i++] = n;\n\"7\n[e = *U + &U _a * -> ++ _i -> 1 `uc `ux -> # `uc `ux _n ]\n\"8\n"
    "[e ++ _n -> 1 `uc ]\n\"10\n[;  nop ;#\n\"6\n[e :U 2 ]\n[e $ < -> _n `i -> 3 `i 3 ]\n\"12\n[e :U 4 ]\n"
    "\"13\n[e $ ! && != _i -> 0 `uc != _n -> 0 `uc 5 ]\n[e = _n -> 1 `uc ]\n\"14\n[e :U 5 ]\n"
    "[; ;t2.c: 14: }\n[e :UE 1 ]\n}\n";

TEST(deferred_output, GlobalOptimisationLevelWritesTheSameFunction) {
    for (bool debug : {false, true}) {
        auto plain = run_ic(loop_function, 0, "16F877A", debug, 0);
        auto deferred = run_ic(loop_function, 0, "16F877A", debug, 9);
        EXPECT_EQ(deferred.assembly, plain.assembly);
        EXPECT_EQ(deferred.sdb, plain.sdb);
        EXPECT_EQ(deferred.messages, plain.messages);
        EXPECT_NE(plain.assembly.find(" nop ;#"), std::string::npos);
        EXPECT_NE(plain.assembly.find(";t2.c: 7: a[i++] = n;"), std::string::npos);
    }
}

TEST(deferred_output, LongAssemblyAndCommentLinesComeBackWhole) {
    std::string asm_line(3000, 'x'), comment = ";" + std::string(2000, 'c');
    std::string ic = "[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n[; " + comment + "\n[; \t" + asm_line + "\n}\n";
    auto r = run_ic(ic, 0, "16F877A", false, 1);
    EXPECT_EQ(lines_with(r.assembly, comment).size(), 1u);
    EXPECT_EQ(lines_with(r.assembly, "\t" + asm_line).size(), 1u);
    EXPECT_LT(r.assembly.find(comment), r.assembly.find(asm_line));
}

}  // namespace
