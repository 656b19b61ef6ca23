// Expression trees: the node record, its pool, the operator vocabulary with one flag word per
// operator, the constructor that types every new node, and the small queries that rewriting,
// code selection and the optimiser share.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "codegen/symbols.h"

namespace cg {

// Operators: rows 0-75 are the intermediate-code tokens in strcmp order (binary-searched by
// the reader), rows 76-88 internal operators of the code generator.
enum op_code : uint32_t {
    OP_NONE = 0, OP_NOT, OP_NE, OP_SIZEOF, OP_CJUMP, OP_GOTO, OP_GOTO_EXIT, OP_MOD, OP_AND,
    OP_LAND, OP_ADDR, OP_CALL, OP_FIXARGS, OP_COUNT1, OP_COUNT2, OP_COUNT3, OP_COUNT4,
    OP_RETURN, OP_MUL, OP_DEREF, OP_ADD, OP_POSTINC, OP_UPLUS, OP_ARG, OP_SUB, OP_POSTDEC,
    OP_CONV, OP_NEG, OP_MEMBER, OP_ARGEND, OP_DIV, OP_COLON, OP_BLOCKCOPY, OP_LABEL,
    OP_EXIT_LABEL, OP_STRING, OP_SEQ, OP_RECORD_SEMI, OP_LT, OP_SHL, OP_LE, OP_ASSIGN,
    OP_ASG_MOD, OP_ASG_AND, OP_ASG_MUL, OP_ASG_ADD, OP_ASG_SUB, OP_ASG_DIV, OP_ASG_SHL, OP_EQ,
    OP_ASG_SHR, OP_ASG_XOR, OP_ASG_OR, OP_GT, OP_GE, OP_SHR, OP_QUEST, OP_AT, OP_ASM,
    OP_SWITCH, OP_REC_A, OP_REC_C, OP_REC_E, OP_REC_F, OP_REC_I, OP_REC_N, OP_REC_P, OP_REC_S,
    OP_REC_U, OP_REC_V, OP_XOR, OP_BLOCK_OPEN, OP_OR, OP_LOR, OP_BLOCK_CLOSE, OP_COMPL,
    // internal operators
    OP_RECIP, OP_TYPE, OP_ID, OP_CONST, OP_FCONST, OP_REG, OP_INAREG, OP_BITFIELD, OP_CALLARGS,
    OP_CALLZAP, OP_CALLRESULT, OP_ARGSEQ, OP_LITERAL,
    OP_COUNT_ALL
};
constexpr int ic_token_count = 76;   // rows 0..75 are intermediate-code tokens

// Flag word bits of dope_table.
enum : uint32_t {
    DOPE_SHAPE = 0x3,          // operand-shape code for the predicates
    DOPE_ARITY = 0xc,          // 0 leaf, 4 unary, 8 binary, 12 record token
    DOPE_LEAF = 0x0, DOPE_UNARY = 0x4, DOPE_BINARY = 0x8, DOPE_RECORD = 0xc,
    DOPE_RESULT = 0x30,        // 0 left operand's type, 0x10 "l", 0x20 "b", 0x30 "v"
    DOPE_RESULT_LONG = 0x10, DOPE_RESULT_BIT = 0x20, DOPE_RESULT_VOID = 0x30,
    DOPE_COMMUTATIVE = 1u << 6,
    DOPE_SHIFT = 1u << 7,
    DOPE_SEQUENCED = 1u << 8,
    DOPE_LOGICAL = 1u << 9,
    DOPE_NARROW = 1u << 10,
    DOPE_MODULAR = 1u << 11,
    DOPE_ASSOC = 1u << 13,
    DOPE_ORDERED = 1u << 14,
    DOPE_EFFECT = 1u << 15,
    DOPE_COMPOUND = 1u << 16,
};
extern const char* const op_names[OP_COUNT_ALL];
extern const uint32_t dope_table[OP_COUNT_ALL];
inline uint32_t op_arity(uint32_t op) { return dope_table[op] & DOPE_ARITY; }
// An operator of two operands that computes a value and stores nothing (+ - * / % & | ^ << >>).
inline bool is_arithmetic(uint32_t op) {
    switch (op) {
    case OP_ADD: case OP_SUB: case OP_MUL: case OP_DIV: case OP_MOD: case OP_AND: case OP_OR: case OP_XOR:
    case OP_SHL: case OP_SHR:
        return true;
    default: return false;
    }
}
// Token number of an intermediate-code token; -1 when it is none of the 76.
int op_lookup(const char* token);

// Node flags (nflags).
enum : uint16_t {
    NF_ORDER1 = 0x1, NF_ORDER2 = 0x2,     // evaluation order (code selector, optimiser)
    NF_CALL_LOWERED = 0x10,                // call node already handled by the call lowering
    NF_RANGE_FOLDED = 0x40,                // a range test made this constant (silences 750, 757)
    NF_ORDER80 = 0x80, NF_ORDER100 = 0x100,
    NF_SHARES_SYMBOL = 0x200, NF_SHARES_NONE = 0x400,
};

// One expression node. Every node has the same size and comes from the pool.
struct tree_node {
    uint32_t op = OP_NONE;        // index into op_names / dope_table
    uint8_t mark = 0;             // the rewriter's visit mark
    uint16_t nflags = 0;          // NF_*
    uint16_t qual = 0;            // qualifier bits of the value
    // Working fields of the code selector; zero in a new node.
    std::vector<int32_t>* rule_stack = nullptr;
    int32_t goal = 0;
    uint32_t sel_regs_used = 0;
    uint32_t sel_value_regs = 0;
    uint32_t sel_regs_held = 0;
    int32_t label = 0;            // label number used by the templates
    uint32_t callregs = 0;        // union of the register-use masks of the calls below
    uint16_t levels = 0;          // indirection levels of the value (outermost lowest)
    uint16_t pclass = 0;          // pointer classes of the outermost pointer level
    symbol* type = nullptr;       // type record of the value
    tree_node* next_free = nullptr;  // free-list link while the node is in the pool
    uint16_t swkind = 0;          // switch node: the switch kind selected by pragma
    uint16_t height = 1;          // 1 for a leaf, else 1 + the higher operand
    int32_t value = 0;            // CONST value; spool position of an assembly node
    tree_node* left = nullptr;    // first operand
    tree_node* right = nullptr;   // second operand
    symbol* sym = nullptr;        // ID: its symbol; BITFIELD: the member record
    double fvalue = 0;            // FCONST value
    std::string* text = nullptr;  // assembly node's text when it is not spooled
};

// Node pool: cleared nodes, taken from a free list refilled sixteen at a time.
class node_pool {
public:
    tree_node* alloc();
    void free(tree_node* n);
    bool changed = false;         // set by every allocation, release and in-place rewrite
    size_t live() const { return live_; }
    ~node_pool();
private:
    std::vector<tree_node*> blocks_;
    tree_node* free_ = nullptr;
    size_t live_ = 0;
};

void tree_free(cg_context& ctx, tree_node* n);
tree_node* tree_copy(cg_context& ctx, const tree_node* n);
tree_node* const_make(cg_context& ctx, int32_t v);
tree_node* const_like(cg_context& ctx, tree_node* n);
bool node_is_const(const tree_node* n);
bool node_is_zero(const tree_node* n);
bool tree_has_effect(const tree_node* n);
// Whether working out an address changes something or reads a volatile object; the object
// whose address is taken is not read.
bool address_has_effect(const tree_node* n);
// True when a call is made anywhere in the tree.
bool tree_has_call(const tree_node* n);
bool tree_uses_sym(const tree_node* n, const symbol* s);
bool operands_share_symbol(const tree_node* n);
bool tree_equal(const tree_node* a, const tree_node* b);
uint16_t node_size(const cg_context& ctx, const tree_node* n);
value_class node_class(const tree_node* n);
bool node_is_ptr(const tree_node* n);
void node_deref(tree_node* n);
inline void node_add_pointer(tree_node* n) { n->levels = static_cast<uint16_t>(n->levels * 4 + 1); }
// Converts n to the type of t (a TYPE or any typed node); may return a new "->" node.
tree_node* tree_convert(cg_context& ctx, tree_node* n, const tree_node* t);
// Constant conversion of c to the type of n (masking, sign extension, warning 751 when asked).
void const_convert(cg_context& ctx, tree_node* c, const tree_node* n, bool warn);
uint16_t fn_signature(const cg_context& ctx, const symbol* fn);
// Makes a typed node and applies the constructor-level rewrites.
tree_node* tree_make(cg_context& ctx, uint32_t op, tree_node* left, tree_node* right);
// A leaf typed from a symbol (ID) or a type (TYPE).
tree_node* make_id(cg_context& ctx, symbol* s);
tree_node* make_type_leaf(cg_context& ctx, const type_ref& t);
// Writes a tree in prefix form (tests and internal diagnostics).
std::string tree_dump(const tree_node* n);

}  // namespace cg
