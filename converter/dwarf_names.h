// Names of DWARF 2 constants: one table per class, with the class's user-defined range.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace conv {

struct dwarf_name {
    uint32_t value;
    const char* name;
};

struct dwarf_class {
    const char* prefix;
    const dwarf_name* rows;
    size_t count;
    uint32_t user_low, user_high;   // an empty range when low > high

    const char* find(uint32_t value) const;
    // "DW_<prefix>_<name>", or "?? 0x........" with " (user-defined)" inside the user range.
    std::string full(uint32_t value) const;
    // The name without its prefix and with blanks for underscores.
    std::string bare(uint32_t value) const;
};

extern const dwarf_class DW_TAG, DW_AT, DW_FORM, DW_OP, DW_LNS, DW_LNE, DW_CFA, DW_MACINFO;
extern const dwarf_class DW_LANG, DW_ATE, DW_ACCESS, DW_VIS, DW_VIRTUALITY, DW_ID, DW_CC, DW_INL, DW_ORD, DW_DSC;

// Location operations, with the numbered lit, reg and breg families.
std::string dwarf_op_name(uint32_t op);

}  // namespace conv
