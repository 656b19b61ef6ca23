// Rule predicates (one positive and one negative node each), bit_count and the tree tests.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/options.h"
#include "codegen/predicates.h"
#include "codegen/rewrite.h"
#include "codegen/tests/harness.h"

namespace {

using namespace cg;

struct pred_fixture : ::testing::Test {
    std::unique_ptr<cg_context> ctx = std::make_unique<cg_context>();
    symbol* f4 = nullptr;     // a 4-byte floating type
    void SetUp() override {
        cgtest::run_ic("");   // loads the message file once
        setup_processor(*ctx, "16F877A");
        setup_architecture(*ctx);
        init_basic_types(*ctx);
        f4 = ctx->symbols.make_detached();
        f4->kind = sym_kind::type_name;
        f4->name = "d4";
        f4->size = 4;
        f4->size_known = true;
        f4->vclass = value_class::floating;
    }
    symbol* ty(const char* name) { return std::strcmp(name, "d4") == 0 ? f4 : basic_type_named(*ctx, name); }
    tree_node* node(uint32_t op, const char* type, tree_node* l = nullptr, tree_node* r = nullptr) {
        tree_node* n = ctx->nodes.alloc();
        n->op = op;
        n->type = ty(type);
        n->left = l;
        n->right = r;
        return n;
    }
    // A typed value of no particular operator.
    tree_node* v(const char* type, uint16_t pclass = 0, uint16_t levels = 0) {
        tree_node* n = node(OP_TYPE, type);
        n->pclass = pclass;
        n->levels = levels;
        return n;
    }
    tree_node* k(int32_t value, const char* type = "l") {
        tree_node* n = node(OP_CONST, type);
        n->value = value;
        return n;
    }
    tree_node* un(uint32_t op, const char* type, tree_node* l) { return node(op, type, l); }
    tree_node* bin(uint32_t op, const char* type, tree_node* l, tree_node* r) { return node(op, type, l, r); }
    symbol* sym(const char* name, const char* type, storage sc = storage::external) {
        symbol* s = ctx->symbols.declare(name, sym_kind::object, 0, 1);
        type_ref t;
        parse_type_string(*ctx, type, t);
        set_symbol_type(s, t);
        s->sclass = sc;
        return s;
    }
    tree_node* id(symbol* s, uint16_t pclass = 0) {
        tree_node* n = make_id(*ctx, s);
        n->pclass = static_cast<uint16_t>(n->pclass | pclass);
        return n;
    }
    tree_node* id(const char* name, const char* type = "uc", storage sc = storage::external, uint16_t pclass = 0) {
        return id(sym(name, type, sc), pclass);
    }
    tree_node* absolute(const char* name, uint32_t address, uint16_t pclass) {
        symbol* s = sym(name, "uc");
        s->flags |= SF_ABSOLUTE;
        s->address = address;
        return id(s, pclass);
    }
    tree_node* bitfield(int width, int offset) {
        symbol* m = ctx->symbols.make_detached();
        m->bit_width = static_cast<uint8_t>(width);
        m->bit_offset = static_cast<uint8_t>(offset);
        m->is_bitfield = true;
        tree_node* b = node(OP_BITFIELD, "uc", v("uc"));
        b->sym = m;
        return b;
    }
    tree_node* structure(uint16_t size, uint16_t pclass = 0) {
        symbol* s = ctx->symbols.make_detached();
        s->kind = sym_kind::aggregate;
        s->size = size;
        s->size_known = true;
        tree_node* n = node(OP_TYPE, "uc");
        n->type = s;
        n->pclass = pclass;
        return n;
    }
    tree_node* fnptr() {
        tree_node* n = v("uc");
        n->levels = 1 | (2 << 2);
        return n;
    }
    tree_node* conv(const char* to, tree_node* from) { return un(OP_CONV, to, from); }
    static tree_node* with(tree_node* n, uint16_t pclass, uint16_t levels = 0) {
        n->pclass = pclass;
        if (levels) n->levels = levels;
        return n;
    }
};

struct pred_case {
    int number;
    std::function<tree_node*()> yes, no;
};

// A bit variable is no byte operand, or a byte rule would read the byte at its bit address.
TEST_F(pred_fixture, ABitVariableIsNoDirectByteOperand) {
    EXPECT_TRUE(cg_predicate(*ctx, id("b102", "uc"), 102));
    EXPECT_FALSE(cg_predicate(*ctx, id("t102", "b"), 102));
}

// A const pointer, or a const table retyped by a conversion, lives in program memory: it is no
// direct RAM operand but a code object, whatever the node's own classes and levels say.
TEST_F(pred_fixture, ConstObjectsAreCodeWhateverTheirNode) {
    tree_node* fp = id("cfp127", "C*uc");
    EXPECT_FALSE(cg_predicate(*ctx, fp, 102));
    EXPECT_TRUE(cg_predicate(*ctx, fp, 127));
    fp->pclass = 0;
    fp->levels = 1;   // retyped as the pointer value it holds
    EXPECT_FALSE(cg_predicate(*ctx, fp, 102));
    EXPECT_TRUE(cg_predicate(*ctx, fp, 142));
    tree_node* table = id("ctab127", "Ci");
    table->pclass = 0;
    EXPECT_FALSE(cg_predicate(*ctx, table, 102));
    EXPECT_TRUE(cg_predicate(*ctx, table, 127));
    // A RAM pointer to const data is a RAM operand.
    EXPECT_TRUE(cg_predicate(*ctx, id("pc127", "*Cuc"), 102));
    EXPECT_FALSE(cg_predicate(*ctx, id("pc127b", "*Cuc"), 127));
}

TEST_F(pred_fixture, EveryPredicateHasAPositiveAndANegativeNode) {
    auto& f = *this;
    const uint16_t C = PC_CONST, F = PC_FAR, T = PC_EEPROM, V = PC_VOLATILE, W = PC_W, X = PC_BANK1,
                   Y = PC_BANK2, Z = PC_BANK3, N = PC_NEAR;
    std::vector<pred_case> cases = {
        {1, [&] { return f.v("uc"); }, [&] { return f.v("i"); }},
        {2, [&] { return f.v("i"); }, [&] { return f.v("l"); }},
        {3, [&] { return f.v("l"); }, [&] { return f.v("d4"); }},
        {4, [&] { return f.v("d4"); }, [&] { return f.v("f"); }},
        {5, [&] { return f.v("f"); }, [&] { return f.v("l"); }},
        {6, [&] { return f.structure(6); }, [&] { return f.structure(6, C); }},
        {7, [&] { return f.structure(6, C); }, [&] { return f.structure(4, C); }},
        {8, [&] { return f.v("b"); }, [&] { return f.v("uc"); }},
        {9, [&] { f.ctx->psects.requested = PS_EEPROM; return f.v("uc"); },
            [&] { f.ctx->psects.requested = PS_TEXT; return f.v("uc"); }},
        {10, [&] { f.ctx->psects.requested = PS_EEPROM; return f.v("i"); },
             [&] { f.ctx->psects.requested = PS_EEPROM; return f.v("uc"); }},
        {11, [&] { f.ctx->psects.requested = PS_EEPROM; return f.v("f"); },
             [&] { f.ctx->psects.requested = PS_DATA; return f.v("f"); }},
        {12, [&] { f.ctx->psects.requested = PS_EEPROM; return f.v("l"); },
             [&] { f.ctx->psects.requested = PS_EEPROM; return f.v("f"); }},
        {13, [&] { return f.v("f"); }, [&] { return f.v("d4"); }},
        {14, [&] { return f.v("uc", V); }, [&] { return f.v("i", V); }},
        {15, [&] { return f.v("uc"); }, [&] { return f.v("uc", V); }},
        {16, [&] { return f.v("uc", T); }, [&] { return f.v("uc", T, 1); }},
        {17, [&] { return f.v("uc", X); }, [&] { return f.v("uc", Z); }},
        {18, [&] { return f.bitfield(1, 3); }, [&] { return f.bitfield(2, 3); }},
        {19, [&] { return f.bin(OP_ADD, "uc", f.id("a19"), f.id("b19")); },
             [&] { return f.bin(OP_ADD, "uc", f.id("c19"), f.bin(OP_ADD, "uc", f.id("c19"), f.k(1))); }},
        {20, [&] { symbol* s = f.sym("s20", "uc");
                   return f.bin(OP_ASSIGN, "uc", f.id(s), f.bin(OP_ADD, "uc", f.id(s), f.k(1))); },
             [&] { return f.bin(OP_ASSIGN, "uc", f.id("t20"), f.bin(OP_ADD, "uc", f.id("u20"), f.k(1))); }},
        {21, [&] { return f.v("l"); }, [&] { return f.v("f"); }},
        {22, [&] { return f.un(OP_COMPL, "uc", f.bitfield(3, 0)); }, [&] { return f.bitfield(3, 1); }},
        {23, [&] { return f.bitfield(1, 1); }, [&] { return f.v("uc"); }},
        {24, [&] { return f.bin(OP_AND, "uc", f.bitfield(1, 2), f.k(1)); }, [&] { return f.bitfield(1, 3); }},
        {25, [&] { return f.bitfield(1, 3); }, [&] { return f.bitfield(1, 2); }},
        {26, [&] { return f.bitfield(1, 4); }, [&] { return f.bin(OP_AND, "uc", f.v("uc"), f.bitfield(1, 4)); }},
        {27, [&] { return f.bitfield(1, 5); }, [&] { return f.bitfield(1, 4); }},
        {28, [&] { return f.bitfield(1, 6); }, [&] { return f.bitfield(1, 7); }},
        {29, [&] { return f.bitfield(1, 7); }, [&] { return f.bitfield(1, 6); }},
        {30, [&] { return f.fnptr(); }, [&] { return f.v("uc", 0, 1); }},
        {31, [&] { return f.v("uc", 0, 1); }, [&] { return f.fnptr(); }},
        {32, [&] { return f.un(OP_NOT, "b", f.v("d4")); }, [&] { return f.v("f"); }},
        {33, [&] { return with(f.conv("uc", f.v("uc", N, 1)), F, 1); },
             [&] { return with(f.conv("uc", f.v("uc", 0, 0)), F, 1); }},
        {34, [&] { return f.v("i"); }, [&] { return f.v("c"); }},
        {35, [&] { return f.v("uc", N, 1); }, [&] { return f.v("uc"); }},
        {36, [&] { return f.v("b"); }, [&] { return f.v("uc"); }},
        {37, [&] { return f.conv("uc", f.v("i")); }, [&] { return f.conv("i", f.v("uc")); }},
        {38, [&] { return f.conv("uc", f.v("l")); }, [&] { return f.conv("uc", f.v("d4")); }},
        {39, [&] { return f.conv("uc", f.v("d4")); }, [&] { return f.conv("uc", f.v("l")); }},
        {40, [&] { return f.conv("uc", f.v("f")); }, [&] { return f.conv("uc", f.v("d4")); }},
        {41, [&] { return f.conv("i", f.v("c")); }, [&] { return f.conv("i", f.v("uc")); }},
        {42, [&] { return f.v("c"); }, [&] { return f.v("uc"); }},
        {43, [&] { return f.k(255); }, [&] { return f.k(256); }},
        {44, [&] { return f.k(0x1200); }, [&] { return f.k(0x1201); }},
        {45, [&] { return f.k(0x120000); }, [&] { return f.k(0x1200); }},
        {46, [&] { return f.k(0x12000000); }, [&] { return f.k(0x12000001); }},
        {47, [&] { return f.k(256); }, [&] { return f.k(255); }},
        {48, [&] { return f.k(65536); }, [&] { return f.k(65535); }},
        {49, [&] { return f.k(16777216); }, [&] { return f.k(16777215); }},
        {50, [&] { return f.absolute("ctrl50", 0x81, W); }, [&] { return f.absolute("opt50", 0, W); }},
        {51, [&] { return f.k(8); }, [&] { return f.k(9); }},
        {52, [&] { return f.k(16); }, [&] { return f.k(8); }},
        {53, [&] { return f.k(24); }, [&] { return f.k(16); }},
        {54, [&] { return f.k(255); }, [&] { return f.k(-1); }},
        {55, [&] { return f.k(65535); }, [&] { return f.k(-1); }},
        {56, [&] { return f.k(-1); }, [&] { return f.k(255); }},
        {57, [&] { return f.k(12); }, [&] { return f.k(7); }},
        {58, [&] { return f.k(7); }, [&] { return f.k(12); }},
        {59, [&] { tree_node* n = f.node(OP_FCONST, "d"); n->fvalue = 0.0; return n; },
             [&] { return f.k(1); }},
        {60, [&] { return f.conv("i", f.v("uc")); }, [&] { return f.conv("i", f.v("uc", V)); }},
        {61, [&] { return f.conv("i", f.v("uc", V)); }, [&] { return f.conv("uc", f.v("i")); }},
        {62, [&] { return f.conv("i", f.v("uc")); }, [&] { return f.conv("i", f.v("c")); }},
        {63, [&] { return f.conv("i", f.v("l")); }, [&] { return f.conv("l", f.v("i")); }},
        {64, [&] { return f.conv("l", f.v("i")); }, [&] { return f.conv("l", f.v("ui")); }},
        {65, [&] { return f.conv("l", f.v("ui")); }, [&] { return f.conv("l", f.v("i")); }},
        {66, [&] { return f.conv("i", f.v("ul")); }, [&] { return f.conv("i", f.v("l")); }},
        {67, [&] { return f.conv("i", f.v("d4")); }, [&] { return f.conv("i", f.v("f")); }},
        {68, [&] { return f.conv("i", f.v("f")); }, [&] { return f.conv("i", f.v("d4")); }},
        {69, [&] { return f.conv("i", f.v("l")); }, [&] { return f.conv("i", f.v("ul")); }},
        {70, [&] { return f.v("uc", F, 1); }, [&] { return f.v("uc", N, 1); }},
        {71, [&] { return f.k(4); }, [&] { return f.k(3); }},
        {72, [&] { return f.k(3); }, [&] { return f.k(0); }},
        {73, [&] { return f.id("___va_star"); }, [&] { return f.id("___va_start"); }},
        {74, [&] { return f.v("uc", T); }, [&] { return f.id("___va_start", "uc", storage::external, T); }},
        {75, [&] { return f.bin(OP_CALL, "uc", f.id("___resetbanks"), f.v("v")); },
             [&] { return f.bin(OP_CALL, "uc", f.id("___resetbank"), f.v("v")); }},
        {76, [&] { return f.bin(OP_CALL, "uc", f.id("___selbank0"), f.v("v")); },
             [&] { return f.bin(OP_CALL, "uc", f.id("___selbank1"), f.v("v")); }},
        {77, [&] { return f.bin(OP_CALL, "uc", f.id("___selbank1"), f.v("v")); },
             [&] { return f.bin(OP_CALL, "uc", f.id("___selbank2"), f.v("v")); }},
        {78, [&] { return f.bin(OP_CALL, "uc", f.id("___selbank2"), f.v("v")); },
             [&] { return f.bin(OP_CALL, "uc", f.id("___selbank3"), f.v("v")); }},
        {79, [&] { return f.bin(OP_CALL, "uc", f.id("___selbank3"), f.v("v")); },
             [&] { return f.bin(OP_CALL, "uc", f.id("___selbank0"), f.v("v")); }},
        {80, [&] { return f.structure(1); }, [&] { return f.v("uc"); }},
        {81, [&] { return f.conv("l", f.v("c")); }, [&] { return f.conv("l", f.v("uc")); }},
        {82, [&] { return f.conv("l", f.v("i")); }, [&] { return f.conv("d4", f.v("i")); }},
        {83, [&] { return f.conv("ul", f.v("ui")); }, [&] { return f.conv("ul", f.v("i")); }},
        {84, [&] { f.ctx->proc.common_ram = true; return f.v("l"); },
             [&] { f.ctx->proc.common_ram = false; return f.v("l"); }},
        {85, [&] { return f.bin(OP_ADD, "l", f.v("l", Y), f.v("l", Y)); },
             [&] { return f.bin(OP_ADD, "l", f.v("l", Y), f.v("l", X)); }},
        {86, [&] { return f.v("l", C); }, [&] { return f.id("a86", "l", storage::automatic, C); }},
        {87, [&] { return f.v("ul"); }, [&] { return f.v("l"); }},
        {88, [&] { return f.conv("ui", f.v("i")); }, [&] { return f.conv("i", f.v("uc")); }},
        {89, [&] { return f.conv("l", f.v("f")); }, [&] { return f.conv("l", f.v("d4")); }},
        {90, [&] { return f.conv("l", f.v("d4")); }, [&] { return f.conv("l", f.v("f")); }},
        {91, [&] { return f.conv("d4", f.v("l")); }, [&] { return f.conv("l", f.v("d4")); }},
        {92, [&] { return f.conv("d4", f.v("i")); }, [&] { return f.conv("d4", f.v("c")); }},
        {93, [&] { return f.conv("d4", f.v("c")); }, [&] { return f.conv("d4", f.v("i")); }},
        {94, [&] { return f.conv("d4", f.v("f")); }, [&] { return f.conv("d4", f.v("l")); }},
        {95, [&] { return f.conv("i", f.v("l")); }, [&] { return f.conv("i", f.v("d4")); }},
        {96, [&] { return f.id("a96", "i", storage::automatic); }, [&] { return f.v("uc", C); }},
        {97, [&] { symbol* s = f.sym("s97", "uc");
                   return f.bin(OP_ASSIGN, "uc", f.id(s), f.bin(OP_OR, "uc",
                                f.bin(OP_SHL, "uc", f.id(s), f.k(1)), f.k(1))); },
             [&] { symbol* s = f.sym("t97", "uc");
                   return f.bin(OP_ASSIGN, "uc", f.id(s), f.bin(OP_OR, "uc",
                                f.bin(OP_SHL, "uc", f.id(s), f.k(1)), f.k(2))); }},
        {98, [&] { symbol* s = f.sym("s98", "uc");
                   return f.bin(OP_OR, "uc", f.bin(OP_SHL, "uc", f.id(s), f.k(4)),
                                f.bin(OP_SHR, "uc", f.id(s), f.k(4))); },
             [&] { symbol* s = f.sym("t98", "uc");
                   return f.bin(OP_OR, "uc", f.bin(OP_SHL, "uc", f.id(s), f.k(4)),
                                f.bin(OP_SHL, "uc", f.id(s), f.k(4))); }},
        {99, [&] { return f.k(1); }, [&] { return f.k(-1); }},
        {100, [&] { return f.k(128); }, [&] { return f.k(-128); }},
        {101, [&] { return f.conv("uc", f.v("ui")); }, [&] { return f.conv("uc", f.v("l")); }},
        {102, [&] { return f.id("a102", "uc"); }, [&] { return f.id("c102", "uc", storage::external, C); }},
        {103, [&] { return f.absolute("st103", 0x03, 0); }, [&] { return f.absolute("pb103", 0x06, 0); }},
        {104, [&] { return f.id("a104", "uc", storage::automatic, C); }, [&] { return f.v("uc", T); }},
        {105, [&] { return f.bin(OP_ADD, "i", f.v("i"), f.v("i")); },
              [&] { return f.bin(OP_ADD, "i", f.v("i", V), f.v("i")); }},
        {106, [&] { return f.bin(OP_ADD, "l", f.v("l"), f.v("l")); },
              [&] { return f.bin(OP_ADD, "d4", f.v("d4"), f.v("d4")); }},
        {107, [&] { return f.bin(OP_ADD, "i", f.id("a107", "i"), f.id("b107", "i")); },
              [&] { return f.bin(OP_ADD, "i", f.id("c107", "i", storage::external, Y), f.id("d107", "i")); }},
        {108, [&] { return f.bin(OP_ADD, "l", f.id("a108", "l"), f.id("b108", "l")); },
              [&] { symbol* s = f.sym("c108", "l"); return f.bin(OP_ADD, "l", f.id(s), f.id(s)); }},
        {109, [&] { return f.bin(OP_ADD, "i", f.id("a109", "i"), f.id("b109", "i")); },
              [&] { return f.bin(OP_ADD, "i", f.id("c109", "i"), f.conv("i", f.id("d109", "uc", storage::external, X))); }},
        {110, [&] { return f.v("ui"); }, [&] { return f.v("i"); }},
        {111, [&] { return f.v("i"); }, [&] { return f.v("ui"); }},
        {112, [&] { return f.v("l"); }, [&] { return f.v("ul"); }},
        {113, [&] { return f.bin(OP_ADD, "i", f.id("a113", "i", storage::external, X), f.id("b113", "i", storage::external, X)); },
              [&] { return f.bin(OP_ADD, "i", f.id("c113", "i", storage::external, X), f.v("i", X)); }},
        {114, [&] { return f.bin(OP_ADD, "f", f.v("f"), f.v("f")); },
              [&] { return f.bin(OP_ADD, "f", f.v("f", Y), f.v("f", Z)); }},
        {115, [&] { return f.bin(OP_ADD, "l", f.v("l", Z), f.v("l", Z)); },
              [&] { return with(f.bin(OP_ADD, "l", f.v("l", Z), f.v("l", Z)), F); }},
        {116, [&] { return f.k(255, "uc"); }, [&] { return f.k(255, "l"); }},
        {117, [&] { return f.k(-256); }, [&] { return f.k(-257); }},
        {118, [&] { return f.k(INT32_MIN); }, [&] { return f.k(0); }},
        {119, [&] { return f.k(0x8000); }, [&] { return f.k(0x80); }},
        {120, [&] { return f.k(0x10000); }, [&] { return f.k(0x1000000); }},
        {121, [&] { return f.k(0x40000000); }, [&] { return f.k(INT32_MIN); }},
        {122, [&] { return f.k(0xfe, "uc"); }, [&] { return f.k(0xfe, "l"); }},
        {123, [&] { return f.absolute("opt123", 0, W); }, [&] { return f.absolute("ctl123", 0x81, W); }},
        {124, [&] { return f.k(0); }, [&] { return f.k(-1); }},
        {125, [&] { symbol* s = f.sym("w125", "uc", storage::param); s->reg = 0; return f.id(s); },
              [&] { return f.id("p125", "uc", storage::param); }},
        {126, [&] { return f.conv("i", f.v("c")); }, [&] { return f.conv("i", f.v("uc")); }},
        {127, [&] { return f.v("uc", C); }, [&] { return f.id("a127", "uc", storage::automatic, C); }},
        {128, [&] { return f.v("i", F); }, [&] { return f.v("uc", F); }},
        {129, [&] { f.ctx->proc.common_ram = true; return f.bin(OP_ASSIGN, "uc", f.v("uc", X), f.v("uc")); },
              [&] { f.ctx->proc.common_ram = true; return f.bin(OP_ASSIGN, "uc", f.v("uc", X), f.v("uc", Y)); }},
        {130, [&] { return with(f.k(2, "ui"), C); }, [&] { return with(f.k(3, "ui"), C); }},
        {131, [&] { return f.v("uc", C, 1); }, [&] { return f.v("uc", C); }},
        {132, [&] { return f.k(-2); }, [&] { return f.k(3); }},
        {133, [&] { return f.k(3); }, [&] { return f.k(10); }},
        {134, [&] { return f.k(10); }, [&] { return f.k(3); }},
        {135, [&] { return f.conv("f", f.v("l")); }, [&] { return f.conv("f", f.v("d4")); }},
        {136, [&] { return f.conv("f", f.v("i")); }, [&] { return f.conv("f", f.v("c")); }},
        {137, [&] { return f.conv("f", f.v("c")); }, [&] { return f.conv("f", f.v("i")); }},
        {138, [&] { return f.conv("f", f.v("d4")); }, [&] { return f.conv("f", f.v("l")); }},
        {139, [&] { return f.v("f", C); }, [&] { return f.v("f"); }},
        {140, [&] { return f.conv("i", f.v("uc")); }, [&] { return f.conv("i", f.v("c")); }},
        {141, [&] { return f.id("___va_start"); }, [&] { return f.v("uc"); }},
        {142, [&] { return f.id("c142", "i", storage::external, C); }, [&] { return f.id("d142", "i"); }},
        {143, [&] { return f.v("uc", F); }, [&] { return f.v("i", F); }},
        {144, [&] { f.ctx->machine_flags |= MF_PIC17; return f.v("uc", W); },
              [&] { f.ctx->machine_flags &= static_cast<uint16_t>(~MF_PIC17); return f.v("uc", W); }},
        {145, [&] { return f.conv("i", f.v("uc", N, 1)); }, [&] { return f.conv("uc", f.v("i")); }},
        {146, [&] { symbol* s = f.sym("arr146", "ui");
                    s->size = 20;
                    s->size_known = true;
                    return with(f.un(OP_DEREF, "ui", f.bin(OP_ADD, "ui", f.un(OP_ADDR, "ui", f.id(s)), f.v("uc"))), C); },
              [&] { symbol* s = f.sym("big146", "ui");
                    s->size = 300;
                    s->size_known = true;
                    return with(f.un(OP_DEREF, "ui", f.bin(OP_ADD, "ui", f.un(OP_ADDR, "ui", f.id(s)), f.v("uc"))), C); }},
        {147, [&] { return f.bin(OP_ADD, "uc", f.v("uc", Z), f.v("uc", Z)); },
              [&] { return f.bin(OP_ADD, "uc", f.v("uc", Z), f.v("uc")); }},
        {148, [&] { return f.conv("i", f.v("d4")); }, [&] { return f.conv("i", f.v("f")); }},
        {149, [&] { return f.conv("i", f.v("f")); }, [&] { return f.conv("i", f.v("d4")); }},
    };
    std::set<int> seen;
    for (const pred_case& pc : cases) {
        SCOPED_TRACE(std::string(predicate_names[pc.number]) + " (" + std::to_string(pc.number) + ")");
        EXPECT_TRUE(seen.insert(pc.number).second);
        tree_node* yes = pc.yes();
        EXPECT_TRUE(cg_predicate(*ctx, yes, pc.number)) << tree_dump(yes);
        tree_node* no = pc.no();
        EXPECT_FALSE(cg_predicate(*ctx, no, pc.number)) << tree_dump(no);
    }
    EXPECT_EQ(seen.size(), 149u);
}

TEST(bit_count, ZeroAndNegativesCountAsAllBits) {
    EXPECT_EQ(bit_count(0), 32);
    EXPECT_EQ(bit_count(-1), 32);
    EXPECT_EQ(bit_count(-2), 32);
    EXPECT_EQ(bit_count(INT32_MIN), 1);
    EXPECT_EQ(bit_count(1), 1);
    EXPECT_EQ(bit_count(0x7fffffff), 31);
    EXPECT_EQ(bit_count(0x1010), 2);
}

TEST(predicate_names, NumberedFromOneWithAnEmptySlotZero) {
    EXPECT_STREQ(predicate_names[0], "");
    EXPECT_EQ(predicate_lookup("ISBYTE"), 1);
    EXPECT_EQ(predicate_lookup("TRI_TO_WORD"), 149);
    EXPECT_EQ(predicate_lookup("EEPROMPTR"), 150);
    EXPECT_EQ(predicate_lookup("SAME_BANK"), 147);
    EXPECT_EQ(predicate_lookup("NOSUCH"), 0);
    EXPECT_EQ(predicate_lookup(""), 0);
}

TEST_F(pred_fixture, UnknownPredicateIsFatal) {
    tree_node* n = v("uc");
    EXPECT_EXIT(cg_predicate(*ctx, n, predicate_count), ::testing::ExitedWithCode(1), "689");
    EXPECT_EXIT(cg_predicate(*ctx, n, 0), ::testing::ExitedWithCode(1), "689");
}

TEST_F(pred_fixture, SameBankCountsOperandsAndSkipsBytesUnlessAsked) {
    tree_node* byte_in_bank1 = id("sb1", "uc", storage::external, PC_BANK1);
    tree_node* t = bin(OP_ADD, "i", id("sb2", "i"), conv("i", byte_in_bank1));
    EXPECT_TRUE(tree_same_bank(*ctx, t, false));
    EXPECT_FALSE(tree_same_bank(*ctx, t, true));
    // Fifty operands or more never count as one bank.
    tree_node* chain = id("many", "i");
    for (int i = 0; i < 48; ++i) chain = bin(OP_ADD, "i", chain, id("many", "i"));
    EXPECT_TRUE(tree_same_bank(*ctx, chain, true));
    chain = bin(OP_ADD, "i", chain, id("many", "i"));
    EXPECT_FALSE(tree_same_bank(*ctx, chain, true));
}

TEST_F(pred_fixture, AddressConstants) {
    symbol* g = sym("g", "uc");
    symbol* a = sym("a", "uc", storage::automatic);
    EXPECT_TRUE(tree_is_const_address(k(5)));
    EXPECT_TRUE(tree_is_const_address(un(OP_ADDR, "uc", id(g))));
    EXPECT_TRUE(tree_is_const_address(bin(OP_ADD, "uc", un(OP_ADDR, "uc", id(g)), k(2))));
    EXPECT_FALSE(tree_is_const_address(un(OP_ADDR, "uc", id(a))));
    EXPECT_FALSE(tree_is_const_address(bin(OP_ADD, "uc", un(OP_ADDR, "uc", id(g)), id(a))));
    EXPECT_FALSE(tree_is_const_address(un(OP_ADDR, "uc", id(g, PC_CONST))));   // code-space scalar
    EXPECT_FALSE(tree_is_const_address(un(OP_STRING, "c", k(0))));
}

TEST_F(pred_fixture, CompareSwapAndStepByOne) {
    tree_node* gt = bin(OP_GT, "b", id("x", "uc"), k(3));
    EXPECT_EQ(tree_dump(tree_swap_compare(gt)), "< 3 x");
    tree_node* le = bin(OP_LE, "b", id("x", "uc"), k(3));
    EXPECT_EQ(tree_dump(tree_swap_compare(le)), ">= 3 x");
    tree_node* lt = bin(OP_LT, "b", id("x", "uc"), k(3));
    EXPECT_EQ(tree_dump(tree_swap_compare(lt)), "< x 3");
    EXPECT_TRUE(tree_is_step_by_one(bin(OP_POSTINC, "uc", id("x", "uc"), k(1))));
    EXPECT_FALSE(tree_is_step_by_one(bin(OP_POSTINC, "uc", id("x", "uc"), k(2))));
    EXPECT_FALSE(tree_is_step_by_one(bin(OP_POSTINC, "uc", un(OP_DEREF, "uc", id("p", "uc")), k(1))));
}

TEST_F(pred_fixture, EvaluationRanks) {
    EXPECT_EQ(tree_eval_kind(*ctx, un(OP_ADDR, "uc", id("e1", "uc", storage::automatic))), 12);
    EXPECT_EQ(tree_eval_kind(*ctx, k(1)), 0);
    EXPECT_EQ(tree_eval_kind(*ctx, bin(OP_ADD, "uc", un(OP_ADDR, "uc", id("e2", "uc")), k(1))), 1);
    EXPECT_EQ(tree_eval_kind(*ctx, un(OP_DEREF, "uc", bin(OP_ADD, "uc", node(OP_REG, "uc"), k(1)))), 2);
    EXPECT_EQ(tree_eval_kind(*ctx, id("e3", "uc")), 2);        // shape 2, leaf
    EXPECT_EQ(tree_eval_kind(*ctx, conv("i", id("e4", "c"))), 2);   // widening keeps the class
    EXPECT_EQ(tree_eval_kind(*ctx, bin(OP_MUL, "i", id("e6", "i"), id("e7", "i"))), static_cast<int>(DOPE_BINARY));
}

// A variable's low bytes read in place rank after every operator and before the variable;
// what has to be computed or converted by code keeps the rank of its operator.
TEST_F(pred_fixture, NarrowedVariablesRankAsMemoryOperands) {
    const int binary = static_cast<int>(DOPE_BINARY);
    EXPECT_EQ(tree_eval_kind(*ctx, conv("uc", id("n1", "i"))), 3);
    EXPECT_EQ(tree_eval_kind(*ctx, conv("c", id("n2", "ul"))), 3);
    EXPECT_EQ(tree_eval_kind(*ctx, conv("ui", id("n3", "i"))), 3);          // the sign alone
    EXPECT_EQ(tree_eval_kind(*ctx, conv("ui", conv("uc", id("n4", "l")))), 3);   // widened again
    EXPECT_EQ(tree_eval_kind(*ctx, conv("uc", id("n5", "d4"))), binary);    // the float package converts
    EXPECT_EQ(tree_eval_kind(*ctx, conv("i", id("n6", "uc"))), binary);     // widening to another sign
    EXPECT_EQ(tree_eval_kind(*ctx, conv("uc", bin(OP_MUL, "i", id("n7", "i"), id("n8", "i")))), binary);
}

// Of a commutative operator's operands the narrowed variable goes right, where the byte rules
// take a memory operand, unless the other one is a plain variable.
TEST_F(pred_fixture, CommutativeOperandsPutTheNarrowedVariableRight) {
    tree_node* element = un(OP_DEREF, "uc", bin(OP_ADD, "uc", un(OP_ADDR, "uc", id("a8", "uc")), id("ix", "uc")));
    tree_node* low = conv("uc", id("w", "ui"));
    tree_node* n = tree_canon(*ctx, bin(OP_AND, "uc", low, element));
    EXPECT_EQ(n->left, element);
    EXPECT_EQ(n->right, low);
    tree_node* compl_ = un(OP_COMPL, "uc", id("b", "uc"));
    tree_node* low2 = conv("uc", id("g4", "l"));
    n = tree_canon(*ctx, bin(OP_ADD, "uc", low2, compl_));
    EXPECT_EQ(n->left, compl_);
    EXPECT_EQ(n->right, low2);
    tree_node* plain = id("g", "uc");
    tree_node* low3 = conv("uc", id("w3", "ui"));
    n = tree_canon(*ctx, bin(OP_OR, "uc", low3, plain));
    EXPECT_EQ(n->left, low3);
    EXPECT_EQ(n->right, plain);
}

TEST_F(pred_fixture, SmallConstArraysIndexByAnUnsignedByte) {
    auto array = [&](const char* name, uint16_t count, uint32_t flags) {
        symbol* s = sym(name, "uc");
        s->flags |= SF_ARRAY | flags;
        s->count = count;
        s->classes = PC_CONST;
        s->size_known = false;
        return s;
    };
    symbol* ok = array("tab", 255, SF_WRITTEN);
    symbol* t = const_array_index_type(*ctx, ok);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->name, "unx");
    EXPECT_EQ(const_array_index_type(*ctx, array("big", 256, SF_WRITTEN)), nullptr);
    EXPECT_EQ(const_array_index_type(*ctx, array("unwritten", 10, 0)), nullptr);
    symbol* ram = array("ram", 10, SF_WRITTEN);
    ram->classes = 0;
    EXPECT_EQ(const_array_index_type(*ctx, ram), nullptr);
    ctx->machine_flags &= static_cast<uint16_t>(~MF_PIC14);
    EXPECT_EQ(const_array_index_type(*ctx, ok), nullptr);
}

}  // namespace
