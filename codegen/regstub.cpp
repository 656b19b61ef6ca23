// STUB: see regstub.h.
#include "codegen/regstub.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace cg {

const char* const reg_names[reg_code_count] = {
    "", "w", "fsr", "status,2", "status,0", "status",
    "btemp", "btemp+1", "btemp+2", "btemp+3", "btemp+4", "btemp+5", "btemp+6", "btemp+7",
    "btemp+8", "btemp+9", "btemp+10", "btemp+11", "xbtemp", "xbtemp+1", "xbtemp+2", "structret",
    "fsr1", "tblptrl", "tblptrh", "tablreg", "prodl", "prodh", "prod", "xsr", "fsr_xsr",
    "fsr_tptrl", "pclath", "w_pclath", "w_tptrl", "pclathi",
    "wtemp0", "wtemp1", "wtemp2", "wtemp3", "wtemp4", "wtemp5", "ltemp0", "ltemp1", "ltemp2",
    "xtemp", "ttemp0", "ttemp1", "ttemp2", "ttemp3", "wtemp0_w", "wtemp1_w", "wtemp2_w", "w_stat",
    "w_stat_fsr", "stat_fsr", "btemp0_stat", "btemp1_stat", "btemp2_stat", "btemp3_stat",
    "btemp4_stat", "btemp0_statw", "btemp1_statw", "btemp2_statw", "btemp3_statw", "btemp4_statw",
    "btemp5_statw", "wtemp0_stat", "wtemp1_stat", "wtemp0_statw", "wtemp1_statw", "ltemp0_w",
    "ltemp0_w", "ltemp1_w", "ltemp2_w", "ttemp0_w", "ttemp1_w", "ttemp2_w", "structreg",
    "ltemp0_statw", "ltemp0_statw_f", "ltemp1_statw", "ltemp1_statw_f", "ltemp2_statw",
    "ltemp2_statw_f", "ttemp0_statw", "ttemp0_statw_f", "ttemp1_statw", "ttemp2_statw",
    "ttemp2_statw_f", "asmulreg", "lasmulreg", "lasmulreg_fsr", "tasmulreg", "tasmulreg_fsr",
    "lmulreg", "bmodreg", "bmulreg", "codestruct", "dblreg", "wfsr", "btemp023", "code_ptr+0",
    "code_ptr+1", "code_ptr", "code_ptr_w", "code_ptr_stat", "code_ptr_statw", "codestruct2",
    "tabl_stat", "allreg", "tempall", "", "", "", "", "", "", "", "", "", "", "", "", "", "", "",
    ""};

namespace {

uint32_t atom_mask(uint32_t code) {
    switch (code) {
    case 1: return 0x1;
    case 2: return 0x2;
    case 3: return 0x4;
    case 4: return 0x8;
    case 5: return 0xc;
    case 32: return 1u << 26;
    default: break;
    }
    if (code >= 6 && code <= 17) return 1u << (code - 2);
    if (code == 53) return 0xd;                                  // w_stat
    return 0;
}

// Classes 113 and 114: the first four scratch bytes (113 then a temporary).
const uint32_t class_btemp[] = {6, 7, 8, 9};

}  // namespace

uint32_t reg_mask(uint32_t code) {
    code &= ~0x1100u;
    if (code == 113 || code == 114) return 0xf0;
    if (code >= reg_code_count) return 0;
    return atom_mask(code);
}

uint32_t reg_lookup(const char* name) {
    for (uint32_t c = 1; c < 112; ++c)
        if (std::strcmp(reg_names[c], name) == 0) return c;
    if (std::strcmp(name, "temporary") == 0) return reg_temporary;
    unsigned n = 0;
    if (std::sscanf(name, "class%u", &n) == 1 && n >= reg_first_class && n < reg_temporary &&
        std::string(name) == "class" + std::to_string(n))
        return n;
    return 0;
}

uint32_t reg_choose(uint32_t free, uint32_t code) {
    code &= ~0x1100u;
    if (code >= reg_temporary) return code;
    if (code < reg_first_class) return (reg_mask(code) & ~free) == 0 ? code : 0;
    if (code == 113 || code == 114) {
        for (uint32_t m : class_btemp)
            if ((reg_mask(m) & ~free) == 0) return m;
        return code == 113 ? reg_temporary : 0;
    }
    return 0;
}

uint32_t reg_by_mask(uint32_t mask) {
    for (uint32_t c = 1; c <= 112; ++c)
        if (reg_mask(c) == mask && mask != 0) return c;
    return 0;
}

}  // namespace cg
