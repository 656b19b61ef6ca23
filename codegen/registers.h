// The register model of the code selector: register codes 1-111 over thirty atoms, their parts,
// the register classes 113-126, the register-list parser, the choice of a register for a
// template operand and the memory temporaries of a function.
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace cg {

struct cg_context;
struct tree_node;

// Code space.
constexpr int32_t REG_NONE = 0;
constexpr int32_t REG_LAST = 111;         // last real register
constexpr int32_t REG_EMPTY = 112;        // a slot with no register
constexpr int32_t CLASS_FIRST = 113, CLASS_LAST = 126;
constexpr int32_t REG_TEMP = 127;         // a temporary of the node's own size
constexpr int32_t REG_CODES = 128;        // codes with a table row
constexpr int32_t REG_MARKS = 0x1100;     // rule-table marks, stripped before lookup
constexpr uint32_t REG_LITERAL = 0x40000000u;   // the value is a mask, not a code

// Register codes the rest of the code generator names.
enum : int32_t {
    R_W = 1, R_FSR = 2, R_ZERO = 3, R_CARRY = 4, R_STATUS = 5, R_BTEMP = 6,
    R_XBTEMP = 18, R_STRUCTRET = 21, R_FSR1 = 22, R_TBLPTRL = 23, R_TBLPTRH = 24, R_TABLREG = 25,
    R_PRODL = 26, R_PRODH = 27, R_PROD = 28, R_XSR = 29, R_PCLATH = 32, R_PCLATHI = 35,
    R_WTEMP0 = 36, R_LTEMP0 = 42, R_XTEMP = 45, R_TTEMP0 = 46, R_WTEMP0_W = 50,
    R_LTEMP0_W_TPTRL = 71, R_LTEMP0_W = 72, R_STRUCTREG = 78, R_CODE_PTR0 = 102,
    R_CODE_PTR1 = 103, R_CODE_PTR = 104, R_ALLREG = 110, R_TEMPALL = 111,
};

// reg_flags bits.
enum : uint16_t { RF_WEIGHT = 0x7f, RF_UNNAMEABLE = 0x80, RF_GROUP = 0x700 };
constexpr int RF_GROUP_SHIFT = 8;

constexpr int reg_max_parts = 14;

using reg_list = std::array<uint8_t, reg_max_parts + 1>;   // 0-terminated codes
extern const std::array<const char*, REG_CODES> reg_names;   // "" for codes without a name
extern const std::array<uint32_t, REG_CODES> reg_mask;
extern const std::array<uint16_t, REG_CODES> reg_flags;
// Ordered parts of a composite (part 0 first); an atom has none.
extern const std::array<reg_list, REG_CODES> reg_parts;
// Ordered members of the classes 113-126; REG_TEMP stands for "a temporary".
extern const std::array<reg_list, CLASS_LAST - CLASS_FIRST + 1> reg_class;
inline const reg_list& class_members(int32_t cls) { return reg_class[cls - CLASS_FIRST]; }

inline int32_t reg_strip(int32_t code) { return code & ~REG_MARKS; }
inline bool reg_is_class(int32_t code) { return code >= CLASS_FIRST && code <= CLASS_LAST; }
inline bool reg_is_temp(int32_t code) { return code >= REG_TEMP; }
inline bool reg_is_literal(int32_t v) { return (static_cast<uint32_t>(v) & REG_LITERAL) != 0; }
// Mask of a code (0 for temporaries), or the mask carried by a literal.
uint32_t reg_code_mask(int32_t code);
inline int reg_weight(int32_t code) { return code < REG_CODES ? reg_flags[code] & RF_WEIGHT : 0; }
inline int reg_group(int32_t code) { return code < REG_CODES ? (reg_flags[code] & RF_GROUP) >> RF_GROUP_SHIFT : 0; }
// Number of parts of a register (0 for an atom or a class).
int reg_part_count(int32_t code);

// The free set every function starts from.
uint32_t reg_default_free();

// Per-function register state of the code selector.

struct reg_state {
    uint32_t regs_used = 0;       // registers used so far by the function
    uint32_t regs_free = reg_default_free();   // registers free for allocation
    uint32_t regs_to_save = 0;    // taken although not free: saved by entry and exit code
    uint32_t var_regs = 0;        // registers holding variables (varregs pragma)
    uint16_t temp_offset = 0;     // next free offset of the temporaries area
};
// A fresh function: the default free set, nothing used, no temporaries. At the start of the
// input and at each function's end.
void reg_reset(reg_state& st);

// Union of the masks of a register list (regsused, varregs); unknown names warn with 749.
uint32_t cg_parse_reglist(const std::string& text);
// First code 1-112 whose mask equals `mask`, else 0.
int32_t reg_by_mask(uint32_t mask);
// A register of `code` (register, class or temporary) that fits in `free`, or 0.
int32_t reg_choose(const reg_state& st, uint32_t free, int32_t code);
// The register for a template operand; 0 (with the demand recorded in regs_to_save) on failure.
int32_t reg_select(reg_state& st, uint32_t free, uint32_t prefer, int32_t have, int32_t want,
                   bool keep_last);
bool class_has(int32_t cls, int32_t code);
// The register (or class) whose part number `part` is `code`; 0 when none or not unique.
int32_t reg_parent(int32_t code, int part);
// Reconciles a template's demand `want` with the register `have` holding the value; `path`
// is a string of part digits. May remove bits from `free_io`.
int32_t reg_reconcile(const reg_state& st, int32_t want, int32_t have, uint32_t& free_io,
                      const char* path);
// Allocates a memory temporary for `node` (code 127) or of (code - 127) bytes; returns
// 127 + its offset in the temporaries area.
int32_t temp_alloc(cg_context& ctx, const tree_node* node, int32_t code);

}  // namespace cg
