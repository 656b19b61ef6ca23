// Switch dispatch: goldens, messages, and every byte value run through the written code by a
// small model of the PIC14 instructions it uses (W, STATUS C and Z, PCLATH, the btemp bytes).
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/options.h"
#include "codegen/switch.h"
#include "codegen/tests/harness.h"
#include "common/alert.h"

namespace {

using namespace cg;

std::vector<std::string> captured;
void capture(const char* line) { captured.emplace_back(line); }

struct switch_fixture : ::testing::Test {
    std::unique_ptr<cg_context> ctx = std::make_unique<cg_context>();
    FILE* out = std::tmpfile();
    void SetUp() override {
        cgtest::run_ic("");
        setup_processor(*ctx, "16F877A");
        setup_architecture(*ctx);
        init_basic_types(*ctx);
        ctx->out = out;
        ctx->psects.written = PS_TEXT;
        captured.clear();
        alert_set_output(capture);
    }
    void TearDown() override {
        std::fclose(out);
        alert_set_output(nullptr);
    }
    std::string run(std::vector<switch_case> cases, uint16_t kind, bool is_signed = false, int size = 1,
                    uint32_t deflt = 99) {
        std::fclose(out);
        out = std::tmpfile();
        ctx->out = out;
        ctx->next_label = 30001;
        ctx->psects.written = PS_TEXT;
        ctx->psects.table_words = 0;
        switch_request r;
        r.cases = std::move(cases);
        r.kind = kind;
        r.is_signed = is_signed;
        r.size = size;
        r.default_label = deflt;
        switch_dispatch(*ctx, r);
        emit_text(*ctx, "");
        std::fflush(out);
        std::rewind(out);
        std::string s;
        for (int c; (c = std::fgetc(out)) != EOF;) s.push_back(static_cast<char>(c));
        return s + ctx->buffer.line;
    }
};

// Evaluates the operand forms the dispatch writes: "12", "-4", "80h", "a ^ b", "-((a)^80h)".
int32_t eval(std::string e) {
    if (e.rfind("-((", 0) == 0) {
        size_t close = e.find(')');
        return -(static_cast<int32_t>(std::stol(e.substr(3, close - 3))) ^ 0x80);
    }
    size_t x = e.find(" ^ ");
    if (x != std::string::npos) return eval(e.substr(0, x)) ^ eval(e.substr(x + 3));
    if (e == "80h") return 0x80;
    return static_cast<int32_t>(std::stol(e));
}

// Runs dispatch code with the value in W (1 byte) or the btemp bytes and returns the label
// reached. The table label is placed at `table_at` so that tables may cross a 256-word page.
uint32_t simulate(const std::string& code, uint32_t value, int size, uint32_t table_at) {
    std::vector<std::string> lines;
    std::istringstream in(code);
    for (std::string l; std::getline(in, l);)
        if (l.find("psect") == std::string::npos && !l.empty()) lines.push_back(l);
    std::map<std::string, size_t> labels;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i][0] == 'l' || lines[i][0] == 'S') {
            std::string word = lines[i].substr(0, lines[i].find('\t'));
            if (word.find_first_not_of("lS0123456789") == std::string::npos) labels[word] = i;
        }
    std::map<std::string, uint8_t> f;
    uint8_t w = static_cast<uint8_t>(value);
    if (size >= 2) {
        for (int i = 0; i < size; ++i) f["btemp+" + std::to_string(size == 2 ? 2 + i : 4 + i)] = static_cast<uint8_t>(value >> (8 * i));
    }
    bool c = false, z = false;
    uint8_t pclath = 0;
    size_t pc = 0;
    std::string table;
    for (int steps = 0; steps < 10000 && pc < lines.size(); ++steps) {
        std::string l = lines[pc++];
        size_t start = l.find_first_not_of('\t');
        std::string op = l.substr(start, l.find_first_of("\t ", start) - start);
        std::string arg = l.find_first_of("\t ", start) == std::string::npos ? "" : l.substr(l.find_first_of("\t ", start) + 1);
        if (labels.count(op) && start == 0) continue;
        if (op == "goto") {
            if (labels.count(arg)) {
                pc = labels[arg] + 1;
                continue;
            }
            return static_cast<uint32_t>(std::stoul(arg.substr(1)));
        }
        if (op == "movwf" && arg == "pc") {
            uint32_t target = (static_cast<uint32_t>(pclath) << 8 | w) - table_at;
            pc = labels.at(table) + 1 + target;
            continue;
        }
        if (op == "btfsc" || op == "btfss") {
            bool bit = arg == "status,0" ? c : z;
            if ((op == "btfsc") != bit) ++pc;
            continue;
        }
        if (op == "movwf") {
            if (arg == "pclath") pclath = w;
            else f[arg] = w;
        } else if (op == "movlw") {
            if (arg.find(">>8") != std::string::npos) {
                w = static_cast<uint8_t>(table_at >> 8);
                table = arg.substr(1, arg.find(')') - 1);
            }
            else if (arg.find("&0ffh") != std::string::npos) w = static_cast<uint8_t>(table_at);
            else w = static_cast<uint8_t>(eval(arg));
        } else if (op == "xorlw") {
            w = static_cast<uint8_t>(w ^ eval(arg));
            z = w == 0;
        } else if (op == "addlw") {
            uint32_t r = w + static_cast<uint8_t>(eval(arg));
            c = r > 255;
            w = static_cast<uint8_t>(r);
            z = w == 0;
        } else if (op == "movf") {
            w = f[arg.substr(0, arg.find(','))];
            z = w == 0;
        } else if (op == "subwf") {
            uint8_t& r = f[arg];
            c = r >= w;
            r = static_cast<uint8_t>(r - w);
            z = r == 0;
        } else if (op == "addwf") {
            uint32_t r = w + f[arg.substr(0, arg.find(','))];
            c = r > 255;
            w = static_cast<uint8_t>(r);
            z = w == 0;
        } else if (op == "incf" && arg == "pclath") {
            ++pclath;
        } else {
            ADD_FAILURE() << "unmodelled: " << l;
            return 0;
        }
    }
    ADD_FAILURE() << "fell off the end";
    return 0;
}

// The goldens catch change; what the code does is checked by running it below.
TEST_F(switch_fixture, SmallUnsignedSetIsAChainUnlessDirect) {
    std::vector<switch_case> cases = {{1, 11}, {2, 12}, {3, 13}};
    EXPECT_EQ(run(cases, SWK_AUTO),
              "\txorlw\t1 ^ 0\n\tbtfsc\tstatus,2\n\tgoto\tl11\n"
              "\txorlw\t2 ^ 1\n\tbtfsc\tstatus,2\n\tgoto\tl12\n"
              "\txorlw\t3 ^ 2\n\tbtfsc\tstatus,2\n\tgoto\tl13\n"
              "\tgoto\tl99\n");
    EXPECT_EQ(run(cases, SWK_DIRECT),
              "\tmovwf\tbtemp\n"
              "\taddlw\t-4\n\tbtfsc\tstatus,0\ngoto\tl99\n"
              "\taddlw\t3\n\tbtfss\tstatus,0\ngoto\tl99\n"
              "movlw\t1\nsubwf\tbtemp\n"
              "\tmovlw\t(S30001)>>8\n\tmovwf\tpclath\n"
              "\tmovlw\tS30001&0ffh\n\taddwf\tbtemp,w\n"
              "\tbtfsc\tstatus,0\nincf\tpclath\n"
              "\tmovwf pc\n"
              "\tpsect\tswtext0,local,class=CODE,delta=2,size=256,reloc=256,with=text0\n"
              "\tpsect\tswtext0\n"
              "S30001\n\tgoto\tl11\n\tgoto\tl12\n\tgoto\tl13\n");
}

TEST_F(switch_fixture, SignedCharTableAndChain) {
    std::vector<switch_case> cases = {{-1, 21}, {1, 22}};
    std::string table = run(cases, SWK_DIRECT, true);
    EXPECT_NE(table.find("S30001\n\tgoto\tl21\n\tgoto\tl99\n\tgoto\tl22\n"), std::string::npos) << table;
    EXPECT_NE(table.find("\txorlw\t80h\n\taddlw\t-((-1)^80h)\n\tbtfss\tstatus,0\n\tgoto\tl99\n"), std::string::npos);
    EXPECT_NE(table.find("\tmovf\tbtemp,w\n\txorlw\t80h\n\taddlw\t-((2)^80h)\n\tbtfsc\tstatus,0\n\tgoto\tl99\n"),
              std::string::npos);
    EXPECT_EQ(run(cases, SWK_AUTO, true),
              "\txorlw\t1 ^ 0\n\tbtfsc\tstatus,2\n\tgoto\tl22\n"
              "\txorlw\t-1 ^ 1\n\tbtfsc\tstatus,2\n\tgoto\tl21\n"
              "\tgoto\tl99\n");
}

TEST_F(switch_fixture, MessagesForBadCaseLists) {
    EXPECT_EQ(run({{5, 1}, {5, 2}}, SWK_AUTO), "");
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_NE(captured[0].find("(695)"), std::string::npos);
    EXPECT_NE(captured[0].find("(5)"), std::string::npos);
    captured.clear();
    EXPECT_EQ(run({}, SWK_AUTO), "\tgoto\tl99\n");
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_NE(captured[0].find("(699)"), std::string::npos);
    captured.clear();
    EXPECT_EQ(run({{1, 1}}, SWK_AUTO, false, 3), "");
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_NE(captured[0].find("(686)"), std::string::npos);
}

TEST_F(switch_fixture, CaseListsFromTheSwitchNode) {
    auto k = [&](int32_t v) { return const_make(*ctx, v); };
    auto pair = [&](tree_node* v, int32_t label) {
        tree_node* p = ctx->nodes.alloc();
        p->op = OP_CJUMP;
        p->left = v;
        p->right = k(label);
        return p;
    };
    auto link = [&](tree_node* a, tree_node* rest) {
        tree_node* p = ctx->nodes.alloc();
        p->op = OP_ARG;
        p->left = a;
        p->right = rest;
        return p;
    };
    symbol* x = ctx->symbols.declare("x", sym_kind::object, 0, 1);
    type_ref t;
    parse_type_string(*ctx, "c", t);
    set_symbol_type(x, t);
    tree_node* sw = ctx->nodes.alloc();
    sw->op = OP_SWITCH;
    sw->left = make_id(*ctx, x);
    sw->right = link(pair(k(3), 1), link(pair(make_id(*ctx, x), 2), link(pair(k(200), 3), k(9))));
    switch_request r;
    ASSERT_TRUE(switch_collect(*ctx, sw, r));
    ASSERT_EQ(r.cases.size(), 1u);   // a variable (697) and 200 for a signed char (696) dropped
    EXPECT_EQ(r.default_label, 9u);
    EXPECT_TRUE(r.is_signed);
    ASSERT_EQ(captured.size(), 2u);
    EXPECT_NE(captured[0].find("(697)"), std::string::npos);
    EXPECT_NE(captured[1].find("(696)"), std::string::npos);
    EXPECT_NE(captured[1].find("200"), std::string::npos);
}

// Every byte value reaches its case or the default, chain or table, across a page boundary.
TEST_F(switch_fixture, EveryByteValueReachesItsCase) {
    struct set {
        const char* name;
        std::vector<int32_t> values;
        bool is_signed;
    };
    std::vector<set> sets = {
        {"1..3", {1, 2, 3}, false},
        {"first 0", {0, 1, 2, 3, 4, 5, 6, 7}, false},
        {"last 255", {250, 251, 252, 253, 254, 255}, false},
        {"dense 200..255", {}, false},
        {"sparse", {3, 40, 77, 130, 201, 254}, false},
        {"0 and 255", {0, 255}, false},
        {"signed small", {-1, 1}, true},
        {"signed wide", {-128, -3, 0, 5, 125}, true},
        {"signed to 127", {-2, 0, 127}, true},
        {"signed negatives", {-5, -4, -3, -2, -1}, true},
    };
    for (int v = 200; v <= 255; ++v) sets[3].values.push_back(v);
    int runs = 0;
    for (const set& s : sets) {
        std::vector<switch_case> cases;
        for (size_t i = 0; i < s.values.size(); ++i) cases.push_back({s.values[i], static_cast<uint32_t>(i + 1)});
        for (uint16_t kind : {SWK_AUTO, SWK_DIRECT}) {
            std::string code = run(cases, kind, s.is_signed);
            for (uint32_t table_at : {0x1f0u, 0x2ffu}) {
                for (uint32_t w = 0; w < 256; ++w) {
                    int32_t as_value = s.is_signed ? static_cast<int8_t>(w) : static_cast<int32_t>(w);
                    uint32_t expected = 99;
                    for (const switch_case& c : cases)
                        if (c.value == as_value) expected = c.label;
                    ASSERT_EQ(simulate(code, w, 1, table_at), expected)
                        << s.name << " kind " << kind << " W=" << w << "\n" << code;
                    ++runs;
                }
            }
        }
    }
    std::printf("switch dispatch: %d byte runs\n", runs);
}

TEST_F(switch_fixture, WordAndLongSwitchesOnSampledValues) {
    std::vector<switch_case> words = {{0x0000, 1}, {0x00ff, 2}, {0x0100, 3}, {0x1234, 4}, {0x12ff, 5}, {0xfffe, 6}};
    std::vector<switch_case> longs = {{0, 1}, {0x10000, 2}, {0x12345678, 3}, {-1, 4}, {0x7fffffff, 5}};
    const uint32_t word_samples[] = {0, 1, 0xff, 0x100, 0x101, 0x1234, 0x1235, 0x12ff, 0x1300, 0xfffe, 0xffff, 0x34};
    const uint32_t long_samples[] = {0, 1, 0x10000, 0x10001, 0x12345678, 0x12345679, 0xffffffff, 0x7fffffff,
                                     0xfffeffff, 0x5678};
    for (uint16_t kind : {SWK_AUTO, SWK_DIRECT}) {
        std::string code = run(words, kind, false, 2);
        for (uint32_t v : word_samples) {
            uint32_t expected = 99;
            for (const switch_case& c : words)
                if (static_cast<uint32_t>(c.value) == v) expected = c.label;
            EXPECT_EQ(simulate(code, v, 2, 0x3fe), expected) << std::hex << v;
        }
        code = run(longs, kind, false, 4);
        for (uint32_t v : long_samples) {
            uint32_t expected = 99;
            for (const switch_case& c : longs)
                if (static_cast<uint32_t>(c.value) == v) expected = c.label;
            EXPECT_EQ(simulate(code, v, 4, 0x3fe), expected) << std::hex << v;
        }
    }
}

// Tables of one function share a 256-word section: a 511-case word switch fills it with its
// first run and dispatches the rest by chains, and every value still reaches its case.
TEST_F(switch_fixture, TablesBeyondTheirSectionBecomeChains) {
    std::vector<switch_case> cases;
    for (int32_t v = 0; v < 511; ++v) cases.push_back({v, static_cast<uint32_t>(1000 + v)});
    for (uint16_t kind : {SWK_AUTO, SWK_DIRECT}) {
        std::string code = run(cases, kind, false, 2);
        size_t table = code.find("\tpsect\tswtext0\n"), back = code.find("\tpsect\ttext", table);
        ASSERT_NE(table, std::string::npos);
        std::string section = code.substr(table, back == std::string::npos ? std::string::npos : back - table);
        EXPECT_LE(cgtest::lines_with(section, "\tgoto\t").size(), 256u);
        EXPECT_EQ(code.find("\tpsect\tswtext0\n", table + 1), std::string::npos) << "one table only";
        for (uint32_t v : {0u, 1u, 200u, 255u, 256u, 257u, 400u, 509u, 510u, 511u, 512u, 0xffffu})
            EXPECT_EQ(simulate(code, v, 2, 0x3fe), v < 511 ? 1000 + v : 99u) << std::hex << v;
    }
}

// Through the reader: case values arrive as constant expressions converted to the switched
// type. A negated constant is folded; 300 on an unsigned char is out of range (not 44).
TEST(switch_statement, CaseExpressionsAreFoldedAndRangeChecked) {
    auto r = cgtest::run_ic(
        "[v _x `uc 1 e ]\n[v _s `c 1 e ]\n[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n"
        "[e [\\ _x , $ -> 300 `uc 4 , $ -> 44 `uc 5 2 ]\n[e :U 4 ]\n[e :U 5 ]\n[e :U 2 ]\n"
        "[e [\\ _s , $ -> -U -> 3 `i `c 8 , $ -> 4 `c 9 6 ]\n[e :U 8 ]\n[e :U 9 ]\n[e :U 6 ]\n[e :UE 1 ]\n}\n");
    ASSERT_EQ(r.messages.size(), 1u) << r.assembly;
    EXPECT_NE(r.messages[0].find("(696) out-of-range case label (300)"), std::string::npos) << r.messages[0];
    EXPECT_NE(r.assembly.find("\txorlw\t44 ^ 0\n\tbtfsc\tstatus,2\n\tgoto\tl5\n\tgoto\tl2\n"),
              std::string::npos)
        << r.assembly;
    EXPECT_NE(r.assembly.find("\txorlw\t4 ^ 0\n\tbtfsc\tstatus,2\n\tgoto\tl9\n\txorlw\t-3 ^ 4\n"), std::string::npos)
        << r.assembly;
}

// An unsigned int selector is not promoted: case -1 converts to 0xFFFF and is its case.
TEST(switch_statement, IntWideSelectorTakesTheConvertedValue) {
    auto r = cgtest::run_ic(
        "[v _w `ui 1 e ]\n[v _f `(v 1 ef ]\n{\n[e :U _f ]\n[f ]\n"
        "[e [\\ _w , $ -> -U -> 1 `i `ui 4 , $ -> 7 `ui 5 2 ]\n[e :U 4 ]\n[e :U 5 ]\n[e :U 2 ]\n[e :UE 1 ]\n}\n");
    EXPECT_TRUE(r.messages.empty()) << r.messages[0];
    EXPECT_NE(r.assembly.find("l4"), std::string::npos) << r.assembly;
    EXPECT_NE(r.assembly.find("255"), std::string::npos) << r.assembly;
}

}  // namespace
