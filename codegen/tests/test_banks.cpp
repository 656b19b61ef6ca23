// Bank selection and the numbered template helpers: goldens worked out by hand from the
// PIC14 bank layout (RP0 = STATUS bit 5, RP1 = STATUS bit 6, 128 bytes a bank).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "codegen/asmout.h"
#include "codegen/banks.h"
#include "codegen/context.h"
#include "codegen/helpers.h"
#include "codegen/options.h"
#include "codegen/tests/harness.h"
#include "common/alert.h"

namespace {

using namespace cg;

std::vector<std::string> captured;
void capture(const char* line) { captured.emplace_back(line); }

struct bank_fixture : ::testing::Test {
    std::unique_ptr<cg_context> ctx = std::make_unique<cg_context>();
    FILE* out = std::tmpfile();
    void SetUp() override { cgtest::run_ic(""); }
    void TearDown() override {
        std::fclose(out);
        alert_set_output(nullptr);
    }
    void chip(const char* name) {
        std::fclose(out);
        out = std::tmpfile();
        ctx = std::make_unique<cg_context>();
        setup_processor(*ctx, name);
        setup_architecture(*ctx);
        init_basic_types(*ctx);
        ctx->out = out;
        ctx->psects.written = PS_TEXT;   // no section line in the goldens
        bank_function_entry(*ctx);
    }
    symbol* var(const char* name, uint16_t classes = 0, int64_t address = -1, const char* type = "uc") {
        symbol* s = ctx->symbols.declare(name, sym_kind::object, 0, 1);
        type_ref t;
        parse_type_string(*ctx, type, t);
        set_symbol_type(s, t);
        s->sclass = storage::external;
        if (address >= 0) {
            s->flags |= SF_ABSOLUTE;
            s->address = static_cast<uint32_t>(address);
        }
        s->classes = classes;
        return s;
    }
    tree_node* id(symbol* s) {
        tree_node* n = make_id(*ctx, s);
        n->pclass = static_cast<uint16_t>(n->pclass | s->classes);
        return n;
    }
    int help(int number, tree_node* n = nullptr) {
        helper_io io;
        return cg_code_helper(*ctx, n, number, 0, io);
    }
    // Everything written so far, the current line included.
    std::string text() {
        emit_text(*ctx, "");
        std::string pending = ctx->buffer.line;
        std::fflush(out);
        std::rewind(out);
        std::string s;
        for (int c; (c = std::fgetc(out)) != EOF;) s.push_back(static_cast<char>(c));
        return s + pending;
    }
};

TEST_F(bank_fixture, TwoBankChipSelectsOnceAndNeverTouchesRp1) {
    chip("16F84A");
    symbol* a = var("a", PC_BANK1);
    symbol* b = var("b", PC_BANK1);
    symbol* c = var("c");
    help(51, id(a));
    help(51, id(b));
    EXPECT_EQ(text(), "\tbsf\tstatus,5\n");
    help(51, id(c));
    help(65);
    help(50);
    help(69);
    help(51, id(a));
    // c selects bank 0; 65 forces it again; after 50 and the call nothing new is needed.
    EXPECT_EQ(text(), "\tbsf\tstatus,5\n\tbcf\tstatus,5\n\tbcf\tstatus,5\n\tbsf\tstatus,5\n");
    EXPECT_EQ(text().find("status,6"), std::string::npos);
}

TEST_F(bank_fixture, NoSelectionAfterStatusWasCleared) {
    chip("16F877A");
    symbol* a = var("a");
    help(60);
    help(51, id(a));
    EXPECT_EQ(text(), "");
    EXPECT_EQ(ctx->banks.known, BK_BANK0);
}

TEST_F(bank_fixture, BankBitsFollowTheBankOnFourBankChips) {
    chip("16F877A");
    std::map<std::string, std::string> expected = {
        {"b0", "\tbcf\tstatus,5\n\tbcf\tstatus,6\t;carry unused\n"},
        {"b1", "\tbsf\tstatus,5\n\tbcf\tstatus,6\t;carry unused\n"},
        {"b2", "\tbcf\tstatus,5\n\tbsf\tstatus,6\n"},
        {"b3", "\tbsf\tstatus,5\n\tbsf\tstatus,6\n"},
        {"abs110", "\tbcf\tstatus,5\n\tbsf\tstatus,6\n"},
        {"abs16f", "\tbcf\tstatus,5\n\tbsf\tstatus,6\n"},
        {"abs190", "\tbsf\tstatus,5\n\tbsf\tstatus,6\n"},
        {"abs1f0", ""},   // common RAM: any bank reaches it
        {"abs183", ""},   // STATUS is mirrored in every bank
    };
    struct place {
        uint16_t classes;
        int64_t address;
    };
    std::map<std::string, place> places = {
        {"b0", {0, -1}}, {"b1", {PC_BANK1, -1}}, {"b2", {PC_BANK2, -1}}, {"b3", {PC_BANK3, -1}},
        {"abs110", {0, 0x110}}, {"abs16f", {0, 0x16f}}, {"abs190", {0, 0x190}},
        {"abs1f0", {0, 0x1f0}}, {"abs183", {0, 0x183}},
    };
    for (auto& [name, golden] : expected) {
        SCOPED_TRACE(name);
        chip("16F877A");
        help(51, id(var(name.c_str(), places[name].classes, places[name].address)));
        EXPECT_EQ(text(), golden);
    }
}

// Where an operand lives: the variable's own qualifiers, whatever class word its node carries;
// a pointer variable in bank 0 whatever it points to; members at constant offsets and
// conversions in the variable's bank; a dereferenced pointer in no bank (FSR and IRP).
TEST_F(bank_fixture, OperandBankIsWhereTheVariableLives) {
    chip("16F877A");
    tree_node* plain = id(var("v0"));
    plain->pclass = static_cast<uint16_t>(plain->pclass | PC_BANK2);   // taken over from a bank-2 target
    EXPECT_EQ(operand_bank(*ctx, plain), 0);
    EXPECT_EQ(operand_bank(*ctx, id(var("p2", PC_BANK2, -1, "*uc"))), 0);
    symbol* s3 = var("s3", PC_BANK3, -1, "uc");
    tree_node* member = tree_make(*ctx, OP_DEREF, tree_make(*ctx, OP_ADD, tree_make(*ctx, OP_ADDR, id(s3), nullptr),
                                                                const_make(*ctx, 3)), nullptr);
    EXPECT_EQ(operand_bank(*ctx, member), 3);
    EXPECT_EQ(operand_bank(*ctx, tree_make(*ctx, OP_DEREF, tree_make(*ctx, OP_ADDR, id(s3), nullptr), nullptr)), 3);
    tree_node t;
    t.type = basic_type_named(*ctx, "ui");
    EXPECT_EQ(operand_bank(*ctx, tree_convert(*ctx, id(var("b1", PC_BANK1)), &t)), 1);
    tree_node* through = tree_make(*ctx, OP_DEREF, id(var("q", 0, -1, "*uc")), nullptr);
    EXPECT_EQ(operand_bank(*ctx, through), -1);
}

TEST_F(bank_fixture, BankBitsOfTheOperandAddress) {
    chip("16F690");
    tree_node* b2 = id(var("w2", 0, 0x120));
    help(17, b2);
    help(19, b2);
    help(19, id(var("w0", 0, 0x20)));
    help(17, id(var("z0", 0, 0x30)));
    EXPECT_EQ(text(), "^0x1000x1000x0");
    // A bit variable's address counts bits.
    chip("16F690");
    symbol* flag = var("flag", 0, 0x120 * 8 + 3, "b");
    help(17, id(flag));
    EXPECT_EQ(text(), "^0x100");
}

TEST_F(bank_fixture, KnownStateAroundCallsAndStatements) {
    chip("16F877A");
    help(93);
    EXPECT_EQ(ctx->banks.known, BK_RP0_SET | BK_RP1_SET);
    help(68);   // nothing on chips with common RAM
    EXPECT_EQ(ctx->banks.known, BK_RP0_SET | BK_RP1_SET);
    help(69);
    EXPECT_EQ(ctx->banks.known, BK_BANK0);
    help(51, id(var("x", PC_BANK1)));
    help(53);   // forget what this statement changed
    EXPECT_EQ(ctx->banks.known, BK_RP1_CLEAR);
    tree_node* marker = id(var("m"));
    help(58, marker);
    help(56);
    EXPECT_EQ(ctx->banks.known, 0);
    help(59, marker);
    EXPECT_EQ(ctx->banks.known, BK_RP1_CLEAR);
    EXPECT_EQ(text(), "bsf\tstatus,5\n\tbsf\tstatus,6\tbsf\tstatus,5\n");
}

TEST_F(bank_fixture, IndirectBankBitRepeatsOnlyWhenArmed) {
    chip("16F877A");
    tree_node* high = id(var("hp", PC_BANK2));
    tree_node* low = id(var("lp"));
    help(55, high);
    help(80);
    help(81);
    help(82, low);   // armed: repeats the bsf
    help(82, low);   // disarmed: chooses anew
    EXPECT_EQ(text(), "\n\tbsf\t3,7\n\tbsf\t3,7\n\tbcf\t3,7");
    chip("16F84A");
    help(55, high);
    EXPECT_EQ(text(), "");
}

TEST_F(bank_fixture, SmallTextHelpers) {
    chip("16F877A");
    help(2);
    emit_text(*ctx, " ");
    help(78);
    emit_text(*ctx, " ");
    ctx->psects.function_number = 7;
    help(20);
    EXPECT_EQ(text(), "7fh call f73");
    captured.clear();
    alert_set_output(capture);
    help(5);
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_NE(captured[0].find("(679)"), std::string::npos);
    EXPECT_NE(captured[0].find("5"), std::string::npos);
}

// Helper 7 names the variable the data writer labelled last (a const scalar becomes used);
// helper 8 only ever lowers the temporaries start.
TEST_F(bank_fixture, LastLabelledVariableAndTemporariesStart) {
    chip("16F877A");
    help(7);   // nothing labelled yet: nothing written
    symbol* table = var("_table", PC_CONST);
    define_variable(*ctx, table);
    symbol* plain = var("_plain");
    define_variable(*ctx, plain);
    emit_text(*ctx, "\n");
    std::string before = text();
    help(7);
    EXPECT_EQ(text().substr(before.size()), "_plain");
    EXPECT_FALSE(plain->flags & SF_USED);   // not const
    symbol* k = var("_k", PC_CONST);
    define_initialised(*ctx, k, {data_item{5, {}}});
    help(7);
    EXPECT_TRUE(k->flags & SF_USED);
    EXPECT_FALSE(table->flags & SF_USED);   // labelled earlier, never named
    EXPECT_NE(text().find("_k\n"), std::string::npos);

    EXPECT_EQ(ctx->helpers.temp_start, -1);
    ctx->regs.temp_offset = 3;
    help(8);
    EXPECT_EQ(ctx->helpers.temp_start, 3);
    ctx->regs.temp_offset = 5;
    help(8);
    EXPECT_EQ(ctx->helpers.temp_start, 3);
    ctx->regs.temp_offset = 1;
    help(8);
    EXPECT_EQ(ctx->helpers.temp_start, 1);
    helpers_function_end(*ctx);
    EXPECT_EQ(ctx->helpers.temp_start, -1);
}

TEST_F(bank_fixture, InitialisedRamDataMovesToItsCodeImage) {
    chip("16F877A");
    ctx->psects.requested = PS_RDATA0 + 2;
    help(61, id(var("d", 0, -1, "i")));
    EXPECT_EQ(ctx->psects.requested, PS_IDATA0 + 2);
    EXPECT_TRUE(ctx->banks.data_mode);
    help(51, id(var("e", PC_BANK1)));   // no selection inside data
    help(62);
    EXPECT_EQ(ctx->psects.requested, PS_RDATA0 + 2);
    EXPECT_FALSE(ctx->banks.data_mode);
    EXPECT_NE(text().find("ds\t2\n"), std::string::npos);
    EXPECT_EQ(text().find("status"), std::string::npos);
}

// Runs a compare sequence over `mem` the way the PIC would and returns Z.
bool run_compare(const std::string& code, const std::vector<uint8_t>& mem) {
    std::istringstream in(code);
    std::string line;
    uint8_t w = 0;
    bool z = false, skip = false;
    while (std::getline(in, line)) {
        if (skip) {
            skip = false;
            continue;
        }
        std::string op = line.substr(1, line.find('\t', 1) - 1);
        std::string arg = line.substr(line.find('\t', 1) + 1);
        if (op == "btfsc") {
            skip = !z;
            continue;
        }
        if (op == "movlw") {
            w = static_cast<uint8_t>(std::stoi(arg));
            continue;
        }
        EXPECT_EQ(arg[0], '~') << line;
        uint8_t f = mem.at(static_cast<size_t>(std::stoi(arg.substr(1))));
        if (op == "xorwf") w = static_cast<uint8_t>(w ^ f);
        else if (op == "iorwf") w = static_cast<uint8_t>(w | f);
        else if (op == "movf") w = f;
        else if (op == "decf") w = static_cast<uint8_t>(f - 1);
        else if (op == "incf") w = static_cast<uint8_t>(f + 1);
        else ADD_FAILURE() << line;
        z = w == 0;
    }
    return z;
}

TEST(const_compare, GoldenText) {
    EXPECT_EQ(const_compare_template(0x01ff0700, 4),
              "\tmovlw\t7\n\txorwf\t~1/4L,w\n"
              "\tbtfsc\tstatus,2\n\tincf\t~2/4L,w\n"
              "\tbtfsc\tstatus,2\n\tdecf\t~3/4L,w\n"
              "\tiorwf\t~0/4L,w\n");
    EXPECT_EQ(const_compare_template(0, 2), "\tmovf\t~0/2L,w\n\tiorwf\t~1/2L,w\n");
    EXPECT_EQ(const_compare_template(1, 1), "\tdecf\t~0/1L,w\n");
}

TEST(const_compare, ZeroFlagSetExactlyOnEquality) {
    const int32_t constants[] = {0, 1, 255, 0x80, 0x100, 0xff01, 0x0100ff, 0x12345678, -1, 0x01000000, 0x00ff0000};
    int runs = 0;
    for (int size = 1; size <= 4; ++size) {
        for (int32_t c : constants) {
            std::string code = const_compare_template(c, size);
            std::vector<uint8_t> eq(static_cast<size_t>(size));
            for (int i = 0; i < size; ++i) eq[static_cast<size_t>(i)] = static_cast<uint8_t>(static_cast<uint32_t>(c) >> (8 * i));
            EXPECT_TRUE(run_compare(code, eq)) << size << " " << c;
            // Every single differing byte, with values that could fool a careless sequence.
            for (int i = 0; i < size; ++i)
                for (int delta : {1, 2, 0x80, 0xff}) {
                    std::vector<uint8_t> ne = eq;
                    ne[static_cast<size_t>(i)] = static_cast<uint8_t>(ne[static_cast<size_t>(i)] + delta);
                    EXPECT_FALSE(run_compare(code, ne)) << size << " " << c << " byte " << i;
                    ++runs;
                }
        }
    }
    EXPECT_GT(runs, 300);
}

TEST_F(bank_fixture, CompareHelperHandsItsTextBackForExpansion) {
    chip("16F877A");
    tree_node* v = id(var("v", 0, -1, "i"));
    tree_node* k = const_make(*ctx, 0x0102);
    tree_node* eq = ctx->nodes.alloc();
    eq->op = OP_EQ;
    eq->left = v;
    eq->right = k;
    helper_io io;
    cg_code_helper(*ctx, eq, 21, 0, io);
    EXPECT_EQ(io.expand, const_compare_template(0x0102, 2));
    EXPECT_EQ(text(), "");   // nothing raw in the assembly
}

}  // namespace

namespace {

// Runs a shift sequence on one byte "L" the way the PIC would.
uint8_t run_shift(const std::string& code, uint8_t value) {
    std::istringstream in(code);
    std::string line;
    uint8_t f = value, w = 0;
    bool c = false, skip = false;
    while (std::getline(in, line)) {
        if (skip) {
            skip = false;
            continue;
        }
        std::string op = line.substr(1, line.find('\t', 1) - 1);
        std::string arg = line.substr(line.find('\t', 1) + 1);
        bool to_w = arg.size() > 2 && arg.substr(arg.size() - 2) == ",w";
        uint8_t r = 0;
        if (op == "bcf" && arg == "status,0") {
            c = false;
            continue;
        } else if (op == "movlw") {
            w = static_cast<uint8_t>(std::stoi(arg));
            continue;
        } else if (op == "btfsc") {
            skip = !((f >> std::stoi(arg.substr(2))) & 1);
            continue;
        } else if (op == "clrf") {
            f = 0;
            continue;
        } else if (op == "movwf") {
            f = w;
            continue;
        } else if (op == "rlf") {
            r = static_cast<uint8_t>(f << 1 | (c ? 1 : 0));
            c = f & 0x80;
        } else if (op == "rrf") {
            r = static_cast<uint8_t>(f >> 1 | (c ? 0x80 : 0));
            c = f & 1;
        } else if (op == "swapf") {
            r = static_cast<uint8_t>(f << 4 | f >> 4);
        } else if (op == "andwf") {
            r = static_cast<uint8_t>(f & w);
        } else if (op == "iorwf") {
            r = static_cast<uint8_t>(f | w);
        } else {
            ADD_FAILURE() << line;
        }
        (to_w ? w : f) = r;
    }
    return f;
}

}  // namespace

TEST(const_shift, EveryCountAndValueMatchesTheHost) {
    // Counts of 8 and more (a byte shift in a wider C expression) leave zeros or sign copies.
    for (int n : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 255})
        for (int kind = 0; kind < 3; ++kind) {
            bool left = kind == 0, arithmetic = kind == 2;
            std::string code = const_shift_template(n, left, arithmetic);
            for (int v = 0; v < 256; ++v) {
                int k = std::min(n, 8);
                uint8_t expected = left ? static_cast<uint8_t>(v << k)
                                 : arithmetic ? static_cast<uint8_t>(static_cast<int8_t>(v) >> std::min(k, 7))
                                              : static_cast<uint8_t>(v >> k);
                ASSERT_EQ(run_shift(code, static_cast<uint8_t>(v)), expected)
                    << "n=" << n << " kind=" << kind << " v=" << v << "\n" << code;
            }
        }
    EXPECT_EQ(const_shift_template(4, true, false), "\tswapf\tL,f\n\tmovlw\t240\n\tandwf\tL,f\n");
    EXPECT_EQ(const_shift_template(9, true, false), "\tclrf\tL\n");
}
