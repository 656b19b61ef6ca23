// Rule predicates and the tree tests shared by the rewriter and the statement simplifier.
#include "codegen/predicates.h"

#include <cstring>
#include <string>
#include <vector>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/registers.h"
#include "codegen/tree.h"
#include "common/alert.h"

namespace cg {

const char* const predicate_names[predicate_count] = {
    "", "ISBYTE", "WORD", "LONG", "DWORD", "TRIWORD", "STRUCTURE", "CODE_STRUCTURE", "ISQBIT",
    "EEPROM_BYTE", "EEPROM_WORD", "EEPROM_TRIWORD", "EEPROM_DWORD", "TRIFLOAT", "BYTE_VOLATILE",
    "NON_VOLATILE", "ISEEPROM", "BANK01", "ONEBITF", "NOVERLAP_NONVOL", "SAMEID", "NOTFLOAT",
    "BITOFF_0", "BITOFF_1", "BITOFF_2", "BITOFF_3", "BITOFF_4", "BITOFF_5", "BITOFF_6", "BITOFF_7",
    "FTNPTR", "NOTFTNPTR", "ISDOUBLE", "BANKPTR", "NOTBYTE", "PTRBYTE", "ISLOGICAL", "LWORD",
    "LONG_TO_BYTE", "DOUBLE_TO_BYTE", "TRI_TO_BYTE", "LSIGNBYTE", "ISSIGNBYTE", "SMALLCONST",
    "SECONDBYTE", "THIRDBYTE", "FOURTHBYTE", "BYTE256", "BYTE65536", "BYTE16777216", "IS_CTRL",
    "EIGHT", "SIXTEEN", "TWENTYFOUR", "HEXFF", "HEXFFFF", "HEXFFFFFFFF", "TWELVE", "SEVEN",
    "ISZERO", "LISBYTE_NONVOL", "LISBYTE", "LUNSBYTE", "LLONG", "LSIGNWORD", "LUNSWORD", "LUNSLONG",
    "LDWORD", "LTRIFLOAT", "LSIGNLONG", "ISFAR", "FOUR", "ONE_TO_THREE", "NOT_VA_START", "FASTFUNC",
    "RESETBANK", "SELBANK0", "SELBANK1", "SELBANK2", "SELBANK3", "BYTESTRUCT", "SIGNBYTE_TO_LONG",
    "SIGNWORD_TO_LONG", "UNSWORD_TO_LONG", "LONG_WITH_COMMON", "LONG_SAME_BANK", "ISLONG_CODE",
    "UNSLONG", "SAMESAME", "TRI_TO_LONG", "DOUBLE_TO_LONG", "LONG_TO_DOUBLE", "WORD_TO_DOUBLE",
    "BYTE_TO_DOUBLE", "TRI_TO_DOUBLE", "LONG_TO_WORD", "ISBYTE_NOTCODE", "BSF_SHIFT", "USE_SWAPF",
    "ISONE", "HEX80", "WORD_TO_BYTE", "DIRECT_ADDR", "DIRECT_COMMON", "NOTCODE", "WORD_NONVOL",
    "LONG_NONVOL", "WORD_SAME_BANK", "LONG_NOVERVOL", "WORD_NOVERLAP", "UNSWORD", "SIGNWORD",
    "SIGNLONG", "DREF_WORD_SAME_BANK", "DREF_TRIWORD_SAME_BANK", "DREF_DWORD_SAME_BANK",
    "MINUS_ONE", "SMALLNEG", "ONEBIT", "ONEBIT_8", "ONEBIT_16", "ONEBIT_24", "ONEBITCOMP",
    "IS_OPTION", "POSITIVE", "HASWREG", "SIGNCONV", "ISCODE", "ISWORD_CODE", "STRUCT_SAME_BANK",
    "WORDCODE", "ISCODEPTR", "EVENCONST", "ISTHREE", "ISTEN", "LONG_TO_TRI", "WORD_TO_TRI",
    "BYTE_TO_TRI", "DOUBLE_TO_TRI", "TRIWORD_CODE", "UNSCONV_NOT_PTR", "VA_START", "ISCODE_SML",
    "ISBYTE_CODE", "BYTE_PTRWORDCODE", "UNSCONV", "WORD_SMALLCONSTARRAY", "SAME_BANK",
    "DOUBLE_TO_WORD", "TRI_TO_WORD", "EEPROMPTR",
};

int predicate_lookup(const char* name) {
    for (int i = 1; i < predicate_count; ++i)
        if (std::strcmp(predicate_names[i], name) == 0) return i;
    return 0;
}

int bit_count(int32_t v) {
    if (v == INT32_MIN) return 1;
    if (v <= 0) return 32;
    return __builtin_popcount(static_cast<uint32_t>(v));
}

namespace {

constexpr uint16_t BANK_BITS = PC_BANK1 | PC_BANK2 | PC_BANK3;
constexpr uint16_t CODE_SPACE = PC_CONST | PC_EEPROM | PC_FAR;

// The node views the predicates are written in.
struct pview {
    const cg_context& ctx;

    uint16_t size(const tree_node* n) const { return n ? node_size(ctx, n) : 0; }
    static value_class cls(const tree_node* n) { return n ? node_class(n) : value_class::none; }
    static bool flt(const tree_node* n) { return cls(n) == value_class::floating; }
    static bool sgn(const tree_node* n) { return cls(n) == value_class::signed_; }
    static bool uns(const tree_node* n) { return cls(n) == value_class::unsigned_; }
    static bool scalar(const tree_node* n) { return n && n->levels == 0; }
    static bool has(const tree_node* n, uint16_t bits) { return n && (n->pclass & bits); }
    static bool vol(const tree_node* n) { return has(n, PC_VOLATILE); }
    static bool is_const(const tree_node* n) { return n && n->op == OP_CONST; }
    static bool is_id(const tree_node* n) { return n && n->op == OP_ID && n->sym; }
    static bool reg_var(const symbol* s) { return s->sclass == storage::reg || s->reg >= 0; }
    // A register, auto or parameter: in RAM (or a register) whatever its qualifiers say, since
    // the function or its caller stores it at run time.
    static bool frame_var(const tree_node* n) {
        return is_id(n) && (reg_var(n->sym) || n->sym->sclass == storage::automatic ||
                            n->sym->sclass == storage::param);
    }
    // A variable declared const (a table, or a pointer that is itself const) lives in program
    // memory. Its own declaration says so: a conversion that retyped its node may have dropped
    // the classes, or given it the pointer levels of its value.
    static bool in_code(const tree_node* n) {
        return is_id(n) && !frame_var(n) && n->sym->levels == 0 && (n->sym->classes & PC_CONST);
    }
    static bool id_named(const tree_node* n, const char* name) {
        return is_id(n) && n->sym->name == name;
    }
    static bool fn_ptr_levels(uint16_t l) {
        return outer_level(l) == LEVEL_POINTER && outer_level(static_cast<uint16_t>(l >> 2)) == LEVEL_FUNCTION;
    }
    static bool fn_ptr(const tree_node* n) {
        if (n->levels) return fn_ptr_levels(n->levels);
        for (const symbol* t = n->type; t; t = t->base)
            if (t->levels) return fn_ptr_levels(t->levels);
        return false;
    }
    static bool structure(const tree_node* n) {
        if (node_is_ptr(n)) return false;
        for (const symbol* t = n->type; t; t = t->base) {
            if (t->kind == sym_kind::aggregate || t->kind == sym_kind::union_reading) return true;
            if (t->levels) break;
        }
        return false;
    }
    // Classes written on the declaration chain of a symbol or type.
    static uint16_t declared_classes(const symbol* s) {
        uint16_t c = 0;
        for (int guard = 0; s && guard < 64; s = s->base, ++guard) c |= s->classes;
        return c;
    }
    static int32_t value(const tree_node* n) { return n->value; }
    static bool value_is(const tree_node* n, int32_t v) { return is_const(n) && n->value == v; }
    uint32_t size_mask(const tree_node* n) const {
        uint16_t s = size(n);
        return s >= 4 || s == 0 ? 0xffffffffu : (1u << (8 * s)) - 1;
    }
    static uint16_t banks(const tree_node* n) { return n ? n->pclass & BANK_BITS : 0; }
    static const tree_node* first_bitfield(const tree_node* n) {
        for (; n; n = n->left) {
            if (n->op == OP_BITFIELD) return n;
            uint32_t a = op_arity(n->op);
            if (a != DOPE_UNARY && a != DOPE_BINARY) return nullptr;
        }
        return nullptr;
    }
    static bool is_shift(const tree_node* n) { return n && (n->op == OP_SHL || n->op == OP_SHR); }
    // The symbol an indexing expression's array leads to.
    static const symbol* leads_to_symbol(const tree_node* n) {
        for (int guard = 0; n && guard < 64; n = n->left, ++guard) {
            if (is_id(n)) return n->sym;
            if (op_arity(n->op) != DOPE_UNARY && op_arity(n->op) != DOPE_BINARY) return nullptr;
        }
        return nullptr;
    }
    // Reachable from every bank: a one-bank chip, or a register mirrored in all banks.
    bool unbanked(const symbol* s) const {
        if (ctx.proc.banks <= 1) return true;
        if (!(s->flags & SF_ABSOLUTE)) return false;
        uint32_t low = s->address & 0x7f;
        static constexpr uint32_t mirrored[] = {0x00, 0x02, 0x03, 0x04, 0x0a, 0x0b};
        for (uint32_t m : mirrored)
            if (low == m) return true;
        return ctx.proc.common_ram && low >= 0x70;
    }

    bool noverlap_nonvol(const tree_node* n) const { return !vol(n->left) && !operands_share_symbol(n); }
    bool same_bank_147(const tree_node* n) const {
        const tree_node* r = n->right;
        if (r && (r->sel_value_regs == reg_mask[R_ZERO] || r->sel_value_regs == reg_mask[R_CARRY]) && r->sel_value_regs)
            return true;
        return n->left && r && banks(n->left) == banks(r);
    }
    bool direct_addr(const tree_node* n) const {
        if (is_id(n) && reg_var(n->sym)) return false;
        if (n->levels == 0 && has(n, PC_EEPROM)) return false;
        if (in_code(n)) return false;
        return frame_var(n) || node_is_ptr(n) || !has(n, PC_CONST | PC_W);
    }
    bool dref_same_bank(const tree_node* n, uint16_t want) const {
        if (n->levels == 1 || has(n, PC_FAR) || size(n) != want) return false;
        if (want == 2 && !(is_id(n->left) && is_id(n->right))) return false;
        return n->left && n->right && banks(n->left) == banks(n->right);
    }
    bool bsf_shift(const tree_node* n) const {
        if (size(n) != 1 || !is_id(n->left) || !n->right) return false;
        const tree_node* sh = n->right->left;
        const tree_node* amount = n->right->right;
        if (!is_shift(sh) || !is_id(sh->left) || sh->left->sym != n->left->sym || !amount) return false;
        if (sh->op == OP_SHL) return amount->op != OP_CONST || amount->value == 1;
        return amount->op == OP_CONST ? amount->value == 128 : amount->op != OP_CONV;
    }
    bool use_swapf(const tree_node* n) const {
        if (size(n) != 1) return false;
        const tree_node* m = n;
        if (n->op == OP_ASSIGN && n->right &&
            (n->right->op == OP_ADD || n->right->op == OP_OR || n->right->op == OP_XOR) &&
            is_shift(n->right->left) && tree_equal(n->right->left->left, n->left))
            m = n->right;
        const tree_node* a = m->left;
        const tree_node* b = m->right;
        return is_shift(a) && is_shift(b) && a->op != b->op && tree_equal(a->left, b->left);
    }
    bool isfar(const tree_node* n) const {
        if (node_is_ptr(n) && has(n, PC_FAR)) return true;
        const tree_node* id = nullptr;
        if (is_id(n) && scalar(n)) id = n;
        else if (n->op == OP_ADD) {
            if (is_id(n->left) && scalar(n->left)) id = n->left;
            else if (is_id(n->right) && scalar(n->right)) id = n->right;
        }
        return id && (declared_classes(id->sym) & PC_FAR);
    }
    bool isbyte_notcode(const tree_node* n) const {
        if (frame_var(n)) return true;
        if (scalar(n) && has(n, CODE_SPACE)) return false;
        if (n->levels & 2) return false;
        if (scalar(n) && (declared_classes(n->type) & PC_CONST)) return false;
        return size(n) == 1;
    }
    bool wordcode(const tree_node* n) const {
        if (!scalar(n) || !has(n, PC_CONST)) return false;
        if (n->op == OP_DEREF) return !is_const(n->left) || (n->left->value & 1) == 0;
        if (n->op == OP_CONST) return (n->value & 1) == 0;
        if (is_id(n)) {
            uint16_t s = symbol_size(ctx, n->sym);
            return s != 1 && s != 3 && !frame_var(n);
        }
        return true;
    }
    bool struct_same_bank(const tree_node* n) const {
        if (!ctx.proc.common_ram) return false;
        if (node_is_ptr(n)) return true;
        if (!n->left || !n->right) return false;
        uint16_t l = n->left->pclass, r = n->right->pclass;
        return (l <= 128 && r <= 128) || (l > 255 && r > 255);
    }
    bool small_const_array(const tree_node* n) const {
        if (size(n) != 2 || frame_var(n) || !has(n, PC_CONST) || !n->left) return false;
        const symbol* s = leads_to_symbol(n->left->left);
        return s && s->size_known && s->size <= 254;
    }
    bool unsconv(const tree_node* n) const {
        return n->left && size(n->left) < size(n) && uns(n->left) && !flt(n);
    }
};

}  // namespace

bool cg_predicate(const cg_context& ctx, const tree_node* n, int number) {
    const pview v{ctx};
    const tree_node* l = n->left;
    const uint16_t sz = v.size(n), lsz = v.size(l);
    const bool fl = v.flt(n), lfl = l && v.flt(l);
    const bool eeprom_out = ctx.psects.requested == PS_EEPROM;
    const bool c = v.is_const(n);
    const int32_t val = n->value;
    switch (number) {
    case 1: return sz == 1;                                         // ISBYTE
    case 2: return sz == 2;                                         // WORD
    case 3: return sz == 4 && !fl;                                  // LONG
    case 4: return sz == 4;                                         // DWORD
    case 5: return sz == 3;                                         // TRIWORD
    case 6: return v.structure(n) && sz > 4 && !(v.scalar(n) && v.has(n, CODE_SPACE));
    case 7: return v.scalar(n) && v.has(n, PC_CONST) && v.structure(n) && sz > 4;
    case 8: return v.scalar(n) && v.cls(n) == value_class::bit;     // ISQBIT
    case 9: case 10: case 11: case 12:                              // EEPROM_BYTE ..
        return eeprom_out && sz == number - 8;
    case 13: return sz == 3 && fl;                                  // TRIFLOAT
    case 14: return sz == 1 && v.vol(n);                            // BYTE_VOLATILE
    case 15: return !v.vol(n);                                      // NON_VOLATILE
    case 16: return v.scalar(n) && v.has(n, PC_EEPROM);             // ISEEPROM
    case 17: return !v.has(n, PC_BANK2 | PC_BANK3);                 // BANK01
    case 18: return n->op == OP_BITFIELD && n->sym && n->sym->bit_width == 1;   // ONEBITF
    case 19: return l && v.noverlap_nonvol(n);                      // NOVERLAP_NONVOL
    case 20: return v.is_id(l) && n->right && v.is_id(n->right->left) && n->right->left->sym == l->sym;
    case 21: return !fl;                                            // NOTFLOAT
    case 22: case 23: case 24: case 25: case 26: case 27: case 28: case 29: {   // BITOFF_n
        const tree_node* b = v.first_bitfield(n);
        return b && b->sym && b->sym->bit_offset == number - 22;
    }
    case 30: return v.fn_ptr(n);                                    // FTNPTR
    case 31: return !v.fn_ptr_levels(n->levels);                   // NOTFTNPTR
    case 32: {                                                      // ISDOUBLE
        const tree_node* m = v.cls(n) == value_class::bit ? l : n;
        return m && v.flt(m) && v.size(m) == 4;
    }
    case 33: return sz == 2 && lsz == 1 && node_is_ptr(n) && node_is_ptr(l);    // BANKPTR
    case 34: return sz != 1;                                        // NOTBYTE
    case 35: return sz == 1 && !v.scalar(n);                        // PTRBYTE
    case 36: return v.cls(n) == value_class::bit;                   // ISLOGICAL
    case 37: return l && lsz == 2;                                  // LWORD
    case 38: return l && !lfl && sz == 1 && lsz == 4;               // LONG_TO_BYTE
    case 39: return lfl && sz == 1 && lsz == 4;                     // DOUBLE_TO_BYTE
    case 40: return lfl && sz == 1 && lsz == 3;                     // TRI_TO_BYTE
    case 41: return v.sgn(l) && lsz == 1;                           // LSIGNBYTE
    case 42: return v.sgn(n) && sz == 1;                            // ISSIGNBYTE
    case 43: return c && val >= 1 && val <= 255;                    // SMALLCONST
    case 44: return c && val && (val & ~0xff00) == 0;               // SECONDBYTE
    case 45: return c && val && (val & ~0xff0000) == 0;             // THIRDBYTE
    case 46: return c && val && (static_cast<uint32_t>(val) & ~0xff000000u) == 0;   // FOURTHBYTE
    case 47: return v.value_is(n, 256);                             // BYTE256
    case 48: return v.value_is(n, 65536);                           // BYTE65536
    case 49: return v.value_is(n, 16777216);                        // BYTE16777216
    case 50: case 123: {                                            // IS_CTRL, IS_OPTION
        if (!v.is_id(n) || !v.scalar(n) || !v.has(n, PC_W) || !(n->sym->flags & SF_ABSOLUTE)) return false;
        return number == 50 ? n->sym->address != 0 : n->sym->address == 0;
    }
    case 51: return v.value_is(n, 8);                               // EIGHT
    case 52: return v.value_is(n, 16);                              // SIXTEEN
    case 53: return v.value_is(n, 24);                              // TWENTYFOUR
    case 54: return v.value_is(n, 255);                             // HEXFF
    case 55: return v.value_is(n, 65535);                           // HEXFFFF
    case 56: return v.value_is(n, -1);                              // HEXFFFFFFFF
    case 57: return v.value_is(n, 12);                              // TWELVE
    case 58: return v.value_is(n, 7);                               // SEVEN
    case 59: return (n->op == OP_FCONST && n->fvalue == 0.0) || v.value_is(n, 0);   // ISZERO
    case 60: return l && !v.vol(l) && lsz == 1;                     // LISBYTE_NONVOL
    case 61: return l && lsz == 1;                                  // LISBYTE
    case 62:                                                        // LUNSBYTE
        // A RAM pointer widened to a pointer into program memory is marked, not zero-extended.
        return v.uns(l) && lsz == 1 && !(sz == 2 && node_is_ptr(n) && node_is_ptr(l));
    case 63: case 67: return l && lsz == 4;                         // LLONG, LDWORD
    case 64: return v.sgn(l) && lsz == 2;                           // LSIGNWORD
    case 65: return v.uns(l) && lsz == 2;                           // LUNSWORD
    case 66: return v.uns(l) && lsz == 4;                           // LUNSLONG
    case 68: return lfl && lsz == 3;                                // LTRIFLOAT
    case 69: return v.sgn(l) && lsz == 4;                           // LSIGNLONG
    case 70: return v.isfar(n);                                     // ISFAR
    case 71: return v.value_is(n, 4);                               // FOUR
    case 72: return c && val >= 1 && val <= 3;                      // ONE_TO_THREE
    case 73: return !v.id_named(n, "___va_start");                  // NOT_VA_START
    case 74: return v.has(n, PC_EEPROM) && !v.id_named(n, "___va_start");   // FASTFUNC
    case 75: return v.id_named(l, "___resetbanks");                 // RESETBANK
    case 76: case 77: case 78: case 79: {                           // SELBANK0 ..
        const std::string name = "___selbank" + std::to_string(number - 76);
        return v.id_named(l, name.c_str());
    }
    case 80: return v.structure(n) && sz == 1;                      // BYTESTRUCT
    case 81: return sz == 4 && !fl && v.sgn(l) && lsz == 1;         // SIGNBYTE_TO_LONG
    case 82: return sz == 4 && !fl && v.sgn(l) && lsz == 2;         // SIGNWORD_TO_LONG
    case 83: return sz == 4 && !fl && v.uns(l) && lsz == 2;         // UNSWORD_TO_LONG
    case 84: return sz == 4 && !fl && ctx.proc.common_ram;          // LONG_WITH_COMMON
    case 85: return sz == 4 && !fl && v.same_bank_147(n);           // LONG_SAME_BANK
    case 86: return sz == 4 && !v.frame_var(n) && v.scalar(n) && v.has(n, PC_CONST | PC_FAR);
    case 87: return v.uns(n) && sz == 4;                            // UNSLONG
    case 88: return l && sz == lsz && !fl && !lfl && v.cls(n) != value_class::none &&
                    v.cls(l) != value_class::none;                  // SAMESAME
    case 89: return !fl && sz == 4 && lfl && lsz == 3;              // TRI_TO_LONG
    case 90: return !fl && sz == 4 && lfl && lsz == 4;              // DOUBLE_TO_LONG
    case 91: return fl && sz == 4 && l && !lfl && lsz == 4;         // LONG_TO_DOUBLE
    case 92: return fl && sz == 4 && l && lsz == 2;                 // WORD_TO_DOUBLE
    case 93: return fl && sz == 4 && l && lsz == 1;                 // BYTE_TO_DOUBLE
    case 94: return fl && sz == 4 && lfl && lsz == 3;               // TRI_TO_DOUBLE
    case 95: return l && !lfl && sz == 2 && lsz == 4;               // LONG_TO_WORD
    case 96: return v.isbyte_notcode(n);                            // ISBYTE_NOTCODE
    case 97: return v.bsf_shift(n);                                 // BSF_SHIFT
    case 98: return v.use_swapf(n);                                 // USE_SWAPF
    case 99: return v.value_is(n, 1);                               // ISONE
    case 100: return v.value_is(n, 128);                            // HEX80
    case 101: return sz == 1 && l && lsz == 2;                      // WORD_TO_BYTE
    // A bit variable's address counts bits: it is never a byte operand.
    case 102: return v.direct_addr(n) && !(v.scalar(n) && v.cls(n) == value_class::bit);   // DIRECT_ADDR
    case 103: return v.is_id(n) && v.unbanked(n->sym) && v.direct_addr(n);      // DIRECT_COMMON
    case 104: return v.frame_var(n) || !(v.scalar(n) && v.has(n, PC_CONST | PC_EEPROM));
    case 105: return l && !v.vol(l) && sz == 2;                     // WORD_NONVOL
    case 106: return l && !v.vol(l) && sz == 4 && !fl;              // LONG_NONVOL
    case 107: return sz == 2 && tree_same_bank(ctx, n, false);      // WORD_SAME_BANK
    case 108: return sz == 4 && tree_same_bank(ctx, n, false) && l && v.noverlap_nonvol(n);
    case 109: return sz == 2 && tree_same_bank(ctx, n, true) && !operands_share_symbol(n);
    case 110: return v.uns(n) && sz == 2;                           // UNSWORD
    case 111: return v.sgn(n) && sz == 2;                           // SIGNWORD
    case 112: return v.sgn(n) && sz == 4;                           // SIGNLONG
    case 113: return v.dref_same_bank(n, 2);                        // DREF_WORD_SAME_BANK
    case 114: return v.dref_same_bank(n, 3);                        // DREF_TRIWORD_SAME_BANK
    case 115: return v.dref_same_bank(n, 4);                        // DREF_DWORD_SAME_BANK
    case 116: {                                                     // MINUS_ONE
        uint32_t m = v.size_mask(n);
        return c && (static_cast<uint32_t>(val) & m) == m && (m != 0xffffffffu || val == -1);
    }
    case 117: return c && val >= -256 && val <= -1;                 // SMALLNEG
    case 118: return c && bit_count(val) == 1;                      // ONEBIT
    case 119: return c && bit_count(val) == 1 && val >= 256 && val <= 65535;
    case 120: return c && bit_count(val) == 1 && val >= 65536 && val <= 16777215;
    case 121: return c && bit_count(val) == 1 && val >= 16777216;   // ONEBIT_24
    case 122: return c && bit_count(static_cast<int32_t>(~static_cast<uint32_t>(val) & v.size_mask(n))) == 1;
    case 124: return c && val >= 0;                                 // POSITIVE
    case 125: return v.is_id(n) && n->sym->reg == 0;                // HASWREG
    case 126: return l && lsz < sz && v.sgn(l) && lsz == 1 && !fl;  // SIGNCONV
    case 127: return v.in_code(n) || (!v.frame_var(n) && v.scalar(n) && v.has(n, PC_CONST));   // ISCODE
    case 128: return sz == 2 && !v.frame_var(n) && v.scalar(n) && v.has(n, PC_CONST | PC_FAR);
    case 129: return v.struct_same_bank(n);                         // STRUCT_SAME_BANK
    case 130: return v.wordcode(n);                                 // WORDCODE
    case 131: return node_is_ptr(n) && v.has(n, PC_CONST);          // ISCODEPTR
    case 132: return c && (val & 1) == 0;                           // EVENCONST
    case 133: return v.value_is(n, 3);                              // ISTHREE
    case 134: return v.value_is(n, 10);                             // ISTEN
    case 135: return l && !lfl && sz == 3 && lsz == 4;              // LONG_TO_TRI
    case 136: return sz == 3 && l && lsz == 2;                      // WORD_TO_TRI
    case 137: return sz == 3 && l && lsz == 1;                      // BYTE_TO_TRI
    case 138: return lfl && sz == 3 && lsz == 4;                    // DOUBLE_TO_TRI
    case 139: return v.scalar(n) && v.has(n, PC_CONST) && sz == 3;  // TRIWORD_CODE
    case 140: return v.scalar(n) && v.unsconv(n);                   // UNSCONV_NOT_PTR
    case 141: return v.id_named(n, "___va_start");                  // VA_START
    case 142: return v.is_id(n) && !v.frame_var(n) && symbol_size(ctx, n->sym) <= 255 &&
                     (v.in_code(n) || (v.scalar(n) && v.has(n, PC_CONST)));   // ISCODE_SML
    case 143: return sz == 1 && !v.frame_var(n) && v.scalar(n) && v.has(n, PC_CONST | PC_FAR);
    case 144: return flag(ctx, MF_PIC17) && sz == 1 && v.scalar(n) && v.has(n, PC_W);
    case 145: return v.unsconv(n);                                  // UNSCONV
    case 146: return v.small_const_array(n);                        // WORD_SMALLCONSTARRAY
    case 147: return v.same_bank_147(n);                            // SAME_BANK
    case 148: return lfl && lsz == 4 && sz == 2;                    // DOUBLE_TO_WORD
    case 149: return lfl && lsz == 3 && sz == 2;                    // TRI_TO_WORD
    case 150: return n->levels == 1 && sz == 1 && v.has(n, PC_EEPROM);   // EEPROMPTR
    default: break;
    }
    std::string name = number >= 0 && number < predicate_count ? predicate_names[number] : std::to_string(number);
    alert_message(689, name.c_str());
    return false;
}

namespace {
void collect_memory_operands(const tree_node* n, std::vector<const tree_node*>& out) {
    if (!n || out.size() >= 50) return;
    if (n->op == OP_ID) {
        out.push_back(n);
        return;
    }
    uint32_t a = op_arity(n->op);
    if (a == DOPE_UNARY || a == DOPE_BINARY) collect_memory_operands(n->left, out);
    if (a == DOPE_BINARY) collect_memory_operands(n->right, out);
}
}  // namespace

bool tree_same_bank(const cg_context& ctx, const tree_node* n, bool count_bytes) {
    std::vector<const tree_node*> ids;
    collect_memory_operands(n, ids);
    if (ids.size() >= 50) return false;
    std::vector<uint16_t> banks;
    for (const tree_node* id : ids) {
        if (!count_bytes && node_size(ctx, id) == 1 && id->sym && symbol_size(ctx, id->sym) == 1) continue;
        banks.push_back(id->pclass & BANK_BITS);
    }
    for (uint16_t b : banks)
        if (b != banks.back()) return false;
    return true;
}

bool tree_is_const_address(const tree_node* n) {
    if (!n) return false;
    if (dope_table[n->op] & DOPE_RESULT_LONG) return true;
    if (n->op == OP_ADDR) {
        const tree_node* id = n->left;
        if (!id || id->op != OP_ID || !id->sym || !is_global_storage(id->sym->sclass)) return false;
        return id->levels || !(id->pclass & PC_CONST);
    }
    return n->op == OP_ADD && n->right && n->right->op == OP_CONST && n->left &&
           n->left->op == OP_ADDR && tree_is_const_address(n->left);
}

tree_node* tree_swap_compare(tree_node* n) {
    if (n->op != OP_GT && n->op != OP_LE) return n;
    n->op = n->op == OP_GT ? OP_LT : OP_GE;
    std::swap(n->left, n->right);
    return n;
}

namespace {

bool is_integer_value(const tree_node* n) {
    value_class c = node_class(n);
    return !n->levels && (c == value_class::signed_ || c == value_class::unsigned_);
}

// A narrowing or a change of sign of an integer variable: it reads the variable's low bytes
// where they lie, a plain memory operand like the variable itself.
bool reads_low_bytes_in_place(const cg_context& ctx, const tree_node* n) {
    return n->op == OP_CONV && n->left && n->left->op == OP_ID && is_integer_value(n) &&
           is_integer_value(n->left) && node_size(ctx, n->left) >= node_size(ctx, n);
}

}  // namespace

int tree_eval_kind(const cg_context& ctx, const tree_node* n) {
    while (n->op == OP_CONV && n->left && node_class(n->left) == node_class(n) &&
           node_size(ctx, n->left) <= node_size(ctx, n))
        n = n->left;
    // Ranked after every operator, so that an operand that must be computed in W (or that
    // loads FSR through W) goes left of it, and before a plain variable, whose place it keeps.
    if (reads_low_bytes_in_place(ctx, n)) return 3;
    if (n->op == OP_ADDR && n->left && n->left->op == OP_ID) return 12;
    if (dope_table[n->op] & DOPE_RESULT_LONG) return 0;
    if (tree_is_const_address(n)) return 1;
    if (n->op == OP_DEREF && n->left && n->left->op == OP_ADD && n->left->left &&
        n->left->left->op == OP_REG && n->left->right && n->left->right->op == OP_CONST)
        return 2;
    return static_cast<int>(dope_table[n->op] & (DOPE_SHAPE | DOPE_ARITY));
}

bool tree_is_step_by_one(const tree_node* n) {
    return n->left && n->left->op == OP_ID && n->right && n->right->value == 1;
}

symbol* const_array_index_type(cg_context& ctx, const symbol* s) {
    if (!flag(ctx, MF_PIC14) || !s || !(s->flags & SF_ARRAY) || !(s->flags & SF_WRITTEN)) return nullptr;
    if (!(pview::declared_classes(s) & PC_CONST)) return nullptr;
    uint16_t size = symbol_size(ctx, const_cast<symbol*>(s));
    if (size < 1 || size > 255) return nullptr;
    return basic_type_named(ctx, "unx");
}

}  // namespace cg
