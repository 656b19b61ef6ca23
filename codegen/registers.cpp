// Register tables, the register-list parser, register choice and memory temporaries.
#include "codegen/registers.h"

#include <array>
#include <cctype>
#include <cstring>

#include "codegen/context.h"
#include "codegen/tree.h"
#include "common/alert.h"

namespace cg {

namespace {

struct reg_row {
    const char* name;
    uint16_t flags;
    uint8_t parts[reg_max_parts];
};

// Codes 1-111 in code order: name, flags (0x80 not nameable, group in bits 8-10), parts.
constexpr reg_row rows[REG_LAST] = {
    {"w", 0x000, {}},                                       // 1
    {"fsr", 0x000, {}},                                     // 2
    {"status,2", 0x000, {}},                                // 3
    {"status,0", 0x000, {}},                                // 4
    {"status", 0x000, {3, 4}},                              // 5
    {"btemp", 0x000, {}},                                   // 6
    {"btemp+1", 0x000, {}},                                 // 7
    {"btemp+2", 0x000, {}},                                 // 8
    {"btemp+3", 0x000, {}},                                 // 9
    {"btemp+4", 0x000, {}},                                 // 10
    {"btemp+5", 0x000, {}},                                 // 11
    {"btemp+6", 0x000, {}},                                 // 12
    {"btemp+7", 0x000, {}},                                 // 13
    {"btemp+8", 0x000, {}},                                 // 14
    {"btemp+9", 0x000, {}},                                 // 15
    {"btemp+10", 0x000, {}},                                // 16
    {"btemp+11", 0x000, {}},                                // 17
    {"xbtemp", 0x000, {}},                                  // 18
    {"xbtemp+1", 0x000, {}},                                // 19
    {"xbtemp+2", 0x000, {}},                                // 20
    {"structret", 0x000, {}},                               // 21
    {"fsr1", 0x000, {}},                                    // 22
    {"tblptrl", 0x000, {}},                                 // 23
    {"tblptrh", 0x000, {}},                                 // 24
    {"tablreg", 0x080, {23, 24}},                           // 25
    {"prodl", 0x000, {}},                                   // 26
    {"prodh", 0x000, {}},                                   // 27
    {"prod", 0x080, {26, 27}},                              // 28
    {"xsr", 0x080, {}},                                     // 29
    {"fsr_xsr", 0x080, {2, 29}},                            // 30
    {"fsr_tptrl", 0x000, {2, 23}},                          // 31
    {"pclath", 0x000, {}},                                  // 32
    {"w_pclath", 0x080, {1, 32}},                           // 33
    {"w_tptrl", 0x000, {1, 23}},                            // 34
    {"pclathi", 0x080, {}},                                 // 35
    {"wtemp0", 0x080, {6, 7}},                              // 36
    {"wtemp1", 0x080, {8, 9}},                              // 37
    {"wtemp2", 0x080, {10, 11}},                            // 38
    {"wtemp3", 0x080, {12, 13}},                            // 39
    {"wtemp4", 0x080, {14, 15}},                            // 40
    {"wtemp5", 0x080, {16, 17}},                            // 41
    {"ltemp0", 0x180, {36, 37}},                            // 42
    {"ltemp1", 0x180, {38, 39}},                            // 43
    {"ltemp2", 0x180, {40, 41}},                            // 44
    {"xtemp", 0x080, {18, 19, 20}},                         // 45
    {"ttemp0", 0x080, {6, 7, 8}},                           // 46
    {"ttemp1", 0x080, {9, 10, 11}},                         // 47
    {"ttemp2", 0x080, {12, 13, 14}},                        // 48
    {"ttemp3", 0x080, {15, 16, 17}},                        // 49
    {"wtemp0_w", 0x080, {36, 1}},                           // 50
    {"wtemp1_w", 0x080, {37, 1}},                           // 51
    {"wtemp2_w", 0x080, {38, 1}},                           // 52
    {"w_stat", 0x080, {1, 5}},                              // 53
    {"w_stat_fsr", 0x080, {1, 5, 2}},                       // 54
    {"stat_fsr", 0x080, {5, 2}},                            // 55
    {"btemp0_stat", 0x080, {6, 5}},                         // 56
    {"btemp1_stat", 0x080, {7, 5}},                         // 57
    {"btemp2_stat", 0x080, {8, 5}},                         // 58
    {"btemp3_stat", 0x080, {9, 5}},                         // 59
    {"btemp4_stat", 0x080, {10, 5}},                        // 60
    {"btemp0_statw", 0x080, {6, 5, 1}},                     // 61
    {"btemp1_statw", 0x080, {7, 5, 1}},                     // 62
    {"btemp2_statw", 0x080, {8, 5, 1}},                     // 63
    {"btemp3_statw", 0x080, {9, 5, 1}},                     // 64
    {"btemp4_statw", 0x080, {10, 5, 1}},                    // 65
    {"btemp5_statw", 0x080, {11, 5, 1}},                    // 66
    {"wtemp0_stat", 0x080, {36, 5}},                        // 67
    {"wtemp1_stat", 0x080, {37, 5}},                        // 68
    {"wtemp0_statw", 0x080, {36, 5, 1}},                    // 69
    {"wtemp1_statw", 0x080, {37, 5, 1}},                    // 70
    {"ltemp0_w", 0x180, {42, 34}},                          // 71
    {"ltemp0_w", 0x180, {42, 1}},                           // 72
    {"ltemp1_w", 0x180, {43, 1}},                           // 73
    {"ltemp2_w", 0x180, {44, 1}},                           // 74
    {"ttemp0_w", 0x080, {46, 1}},                           // 75
    {"ttemp1_w", 0x080, {47, 1}},                           // 76
    {"ttemp2_w", 0x080, {48, 1}},                           // 77
    {"structreg", 0x180, {21, 42, 1}},                      // 78
    {"ltemp0_statw", 0x180, {42, 5, 1}},                    // 79
    {"ltemp0_statw_f", 0x180, {42, 5, 1, 2}},               // 80
    {"ltemp1_statw", 0x180, {43, 5, 1}},                    // 81
    {"ltemp1_statw_f", 0x180, {43, 5, 1, 2}},               // 82
    {"ltemp2_statw", 0x180, {44, 5, 1}},                    // 83
    {"ltemp2_statw_f", 0x180, {44, 5, 1, 2}},               // 84
    {"ttemp0_statw", 0x080, {46, 5, 1}},                    // 85
    {"ttemp0_statw_f", 0x080, {46, 5, 1, 2}},               // 86
    {"ttemp1_statw", 0x080, {47, 5, 1}},                    // 87
    {"ttemp2_statw", 0x080, {48, 5, 1}},                    // 88
    {"ttemp2_statw_f", 0x080, {48, 5, 1, 2}},               // 89
    {"asmulreg", 0x280, {36, 43, 5, 1}},                    // 90
    {"lasmulreg", 0x480, {42, 43, 44, 5, 1}},               // 91
    {"lasmulreg_fsr", 0x480, {42, 43, 44, 5, 1, 2}},        // 92
    {"tasmulreg", 0x180, {46, 47, 48, 5, 1}},               // 93
    {"tasmulreg_fsr", 0x180, {46, 47, 48, 5, 1, 2}},        // 94
    {"lmulreg", 0x380, {36, 43, 44, 5, 1}},                 // 95
    {"bmodreg", 0x080, {6, 8, 9, 5, 1, 10}},                // 96
    {"bmulreg", 0x080, {7, 8, 9, 5, 1}},                    // 97
    {"codestruct", 0x080, {21, 2, 36, 1, 5}},               // 98
    {"dblreg", 0x380, {42, 43, 5, 1, 2}},                   // 99
    {"wfsr", 0x080, {1, 2}},                                // 100
    {"btemp023", 0x080, {6, 8, 9}},                         // 101
    {"code_ptr+0", 0x000, {}},                              // 102
    {"code_ptr+1", 0x000, {}},                              // 103
    {"code_ptr", 0x080, {102, 103}},                        // 104
    {"code_ptr_w", 0x080, {104, 1}},                        // 105
    {"code_ptr_stat", 0x080, {104, 5}},                     // 106
    {"code_ptr_statw", 0x080, {104, 5, 1}},                 // 107
    {"codestruct2", 0x180, {21, 104, 2, 36, 5}},            // 108
    {"tabl_stat", 0x080, {25, 5}},                          // 109
    {"allreg", 0x780, {1, 2, 5, 42, 43, 44, 21, 104, 29, 32, 35, 28, 25, 45}}, // 110
    {"tempall", 0x480, {42, 43, 44}},                       // 111

};

// Mask bit of each atom; composites take the union of their parts.
constexpr std::array<std::pair<int, int>, 30> atom_bits = {{
    {1, 0}, {2, 1}, {3, 2}, {4, 3}, {6, 4}, {7, 5}, {8, 6}, {9, 7}, {10, 8}, {11, 9}, {12, 10},
    {13, 11}, {14, 12}, {15, 13}, {16, 14}, {17, 15}, {18, 16}, {19, 17}, {20, 18}, {21, 19},
    {22, 20}, {23, 21}, {24, 22}, {26, 23}, {27, 24}, {29, 25}, {32, 26}, {35, 27}, {102, 28},
    {103, 29},
}};

constexpr uint8_t T = REG_TEMP;
}  // namespace

constexpr std::array<reg_list, CLASS_LAST - CLASS_FIRST + 1> reg_class = {{
    {6, 7, 8, 9, T},            // 113
    {6, 7, 8, 9},               // 114
    {36, 37, 104, T},           // 115
    {36, 37},                   // 116
    {50, 51, 105},              // 117
    {56, 57, 58, 59},           // 118
    {61, 62, 63, 64, 65, 66},   // 119
    {67, 68, 106},              // 120
    {69, 70, 107},              // 121
    {72, 73, 74},               // 122
    {75, 76},                   // 123
    {46, 47},                   // 124
    {79, 81, 83},               // 125
    {42, 43, 44, T},            // 126
}};

namespace {
constexpr uint32_t mask_of_row(int code) {
    for (auto [c, bit] : atom_bits)
        if (c == code) return 1u << bit;
    uint32_t m = 0;
    for (uint8_t p : rows[code - 1].parts) {
        if (!p) break;
        m |= mask_of_row(p);
    }
    return m;
}

constexpr std::array<uint32_t, REG_CODES> make_masks() {
    std::array<uint32_t, REG_CODES> m{};
    for (int c = 1; c <= REG_LAST; ++c) m[c] = mask_of_row(c);
    for (int k = CLASS_FIRST; k <= CLASS_LAST; ++k)
        for (uint8_t member : reg_class[k - CLASS_FIRST])
            if (member && member != REG_TEMP) m[k] |= m[member];
    return m;
}

template <typename T, typename F> constexpr std::array<T, REG_CODES> per_register(F field) {
    std::array<T, REG_CODES> a{};
    for (int c = 1; c <= REG_LAST; ++c) a[c] = field(rows[c - 1]);
    return a;
}
}  // namespace

constexpr std::array<uint32_t, REG_CODES> reg_mask = make_masks();
constexpr std::array<const char*, REG_CODES> reg_names = [] {
    auto a = per_register<const char*>([](const reg_row& r) { return r.name; });
    for (auto& n : a)
        if (!n) n = "";
    return a;
}();
constexpr std::array<uint16_t, REG_CODES> reg_flags =
    per_register<uint16_t>([](const reg_row& r) { return r.flags; });
constexpr std::array<reg_list, REG_CODES> reg_parts = per_register<reg_list>([](const reg_row& r) {
    reg_list l{};
    for (int i = 0; i < reg_max_parts; ++i) l[i] = r.parts[i];
    return l;
});

uint32_t reg_code_mask(int32_t code) {
    if (reg_is_literal(code)) return static_cast<uint32_t>(code) & ~REG_LITERAL;
    code = reg_strip(code);
    return code >= 0 && code < REG_CODES ? reg_mask[code] : 0;
}

int reg_part_count(int32_t code) {
    code = reg_strip(code);
    if (code <= 0 || code > REG_LAST) return 0;
    int n = 0;
    while (n < reg_max_parts && reg_parts[code][n]) ++n;
    return n;
}

uint32_t reg_default_free() { return reg_mask[R_ALLREG]; }

void reg_reset(reg_state& st) {
    st = reg_state{};
    st.regs_free = reg_default_free();
}

uint32_t cg_parse_reglist(const std::string& text) {
    uint32_t mask = 0;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find_first_of(", \t", i);
        if (end == std::string::npos) end = text.size();
        std::string piece = text.substr(i, end - i);
        i = end + 1;
        if (piece.empty()) continue;
        int32_t found = 0;
        for (int32_t c = 1; c <= REG_LAST && !found; ++c) {
            if (reg_flags[c] & RF_UNNAMEABLE) continue;
            const char* name = reg_names[c];
            if (std::strlen(name) != piece.size()) continue;
            bool same = true;
            for (size_t k = 0; k < piece.size() && same; ++k)
                same = std::tolower(static_cast<unsigned char>(piece[k])) == name[k];
            if (same) found = c;
        }
        if (found)
            mask |= reg_mask[found];
        else
            alert_message(749, piece.c_str());
    }
    return mask;
}

int32_t reg_by_mask(uint32_t mask) {
    for (int32_t c = 1; c <= REG_EMPTY; ++c)
        if (reg_mask[c] == mask) return c;
    return 0;
}

bool class_has(int32_t cls, int32_t code) {
    cls = reg_strip(cls);
    code = reg_strip(code);
    if (!reg_is_class(cls)) return false;
    for (uint8_t m : class_members(cls))
        if (m && m == code) return true;
    return false;
}

namespace {
bool fits(uint32_t mask, uint32_t free) { return (mask & ~free) == 0; }
bool meets(int32_t code, uint32_t prefer) { return !prefer || (reg_code_mask(code) & prefer) != 0; }
}  // namespace

int32_t reg_choose(const reg_state& st, uint32_t free, int32_t code) {
    code = reg_strip(code);
    if (code >= REG_TEMP) return code;
    if (!reg_is_class(code)) return code > 0 && fits(reg_mask[code], free) ? code : 0;
    int32_t taken = 0;
    for (uint8_t m : class_members(code)) {
        if (!m) break;
        if (m == REG_TEMP) {
            if (!taken) taken = m;   // only when nothing fitted before it
            continue;
        }
        if (!fits(reg_mask[m], free)) continue;
        if (!taken) {
            taken = m;
        } else if (taken != REG_TEMP) {
            // A register the function already uses is preferred at equal weight.
            bool lower = reg_weight(m) < reg_weight(taken);
            bool same = reg_weight(m) == reg_weight(taken);
            if (lower || (same && !(reg_mask[taken] & st.regs_used) && (reg_mask[m] & st.regs_used)))
                taken = m;
        }
    }
    return taken;
}

int32_t reg_select(reg_state& st, uint32_t free, uint32_t prefer, int32_t have, int32_t want,
                   bool keep_last) {
    if (reg_is_literal(have)) {
        free &= ~reg_code_mask(have);
        have = 0;
    }
    want = reg_strip(want);
    have = reg_strip(have);
    if (reg_is_temp(want)) return want;
    if (reg_is_class(want) && (prefer || have || keep_last)) {
        int32_t candidate = 0, preferred = 0;
        if (have) {
            uint32_t hmask = reg_code_mask(have);
            if (!fits(hmask, free)) st.regs_to_save |= hmask;
            for (uint8_t m : class_members(want)) {
                if (!m) break;
                if (!reg_choose(st, free, m)) continue;
                uint32_t mm = reg_code_mask(m);
                if ((mm & hmask) != mm && (mm & hmask) != hmask) continue;
                if (!candidate || candidate == REG_TEMP || keep_last) candidate = m;
                if (meets(m, prefer)) {
                    if (!keep_last) return m;
                    preferred = m;
                }
            }
            if (preferred) return preferred;
            if (candidate) return candidate;
        } else {
            for (uint8_t m : class_members(want)) {
                if (!m) break;
                if (!reg_choose(st, free, m)) continue;
                if (meets(m, prefer) && m != REG_TEMP) {
                    if (!keep_last) return m;
                    preferred = m;
                } else if (!candidate || keep_last) {
                    candidate = m;
                }
            }
            if (preferred) return preferred;
            if (candidate) return candidate;
        }
    }
    int32_t r = reg_choose(st, free, want);
    if (!r) st.regs_to_save |= reg_code_mask(want);
    return r;
}

int32_t reg_parent(int32_t code, int part) {
    code = reg_strip(code);
    if (part < 0 || part >= reg_max_parts) return 0;
    if (reg_is_class(code)) {
        for (int32_t k = CLASS_FIRST; k <= CLASS_LAST; ++k) {
            bool all = true, any = false;
            for (uint8_t m : class_members(k)) {
                if (!m) break;
                if (m == REG_TEMP) continue;
                any = true;
                if (!class_has(code, reg_parts[m][part])) all = false;
            }
            if (any && all) return k;
        }
        return 0;
    }
    int32_t found = 0;
    for (int32_t c = 1; c <= REG_LAST; ++c) {
        if (reg_parts[c][part] != code || code == 0) continue;
        if (found) return 0;
        found = c;
    }
    return found;
}

namespace {
// The part of `code` reached along `path` (digits, first digit first); 0 when a step fails.
int32_t part_along(int32_t code, const char* path) {
    for (const char* p = path; p && *p; ++p) {
        int i = *p - '0';
        if (i < 0 || i >= reg_part_count(code)) return 0;
        code = reg_parts[code][i];
    }
    return code;
}

// The register reached by walking reg_parent back from `have`, last digit first.
int32_t parent_along(const reg_state& st, uint32_t free, int32_t have, const char* path) {
    if (reg_is_class(have) && !reg_choose(st, free, have)) return 0;
    int32_t r = have;
    for (size_t i = std::strlen(path); i-- > 0;) {
        int32_t up = reg_parent(r, path[i] - '0');
        if (!up) return have;
        r = up;
    }
    return r;
}

// The first register of `want` (itself or a class member) whose part along `path` passes `ok`.
template <typename F> int32_t member_along(int32_t want, const char* path, F ok) {
    if (!reg_is_class(want)) return ok(part_along(want, path)) ? want : 0;
    for (uint8_t m : class_members(want)) {
        if (!m) break;
        if (m != REG_TEMP && ok(part_along(m, path))) return m;
    }
    return 0;
}
}  // namespace

int32_t reg_reconcile(const reg_state& st, int32_t want, int32_t have, uint32_t& free_io,
                      const char* path) {
    const bool has_path = path && *path;
    const uint32_t free = free_io;
    if (!reg_is_literal(want) && !reg_is_literal(have)) {
        want = reg_strip(want);
        have = reg_strip(have);
        if (!want) return has_path ? parent_along(st, free, have, path) : have;
        if (!have) return want;
        uint32_t wm = reg_code_mask(want), hm = reg_code_mask(have);
        if (!has_path) {
            if (!reg_is_class(want) && !reg_is_class(have) && want != have && want < REG_TEMP &&
                have < REG_TEMP)
                return 0;
            if ((wm & ~hm) == 0) return want;
            uint32_t overlap = wm & hm;
            if (overlap == hm) return have;
            return reg_choose(st, overlap, want);
        }
        return member_along(want, path, [&](int32_t part) {
            return part && (part == have || (reg_code_mask(part) & ~hm) == 0);
        });
    }
    if (reg_is_literal(want)) {
        uint32_t wm = reg_code_mask(want);
        have = reg_strip(have);
        uint32_t hm = reg_code_mask(have);
        if (fits(hm, free & ~wm)) {
            if (hm & wm) free_io &= ~wm;
            return have;
        }
        int32_t r = reg_choose(st, free, have);
        if (r && has_path && (reg_code_mask(part_along(r, path)) & wm)) return 0;
        return r;
    }
    uint32_t hm = reg_code_mask(have);
    want = reg_strip(want);
    if (!want) return static_cast<int32_t>(REG_LITERAL | hm);
    uint32_t wm = reg_code_mask(want);
    if (fits(wm, free & ~hm)) {
        if (wm & hm) free_io &= ~hm;
        return want;
    }
    return member_along(want, path, [&](int32_t part) { return !(reg_code_mask(part) & hm); });
}

int32_t temp_alloc(cg_context& ctx, const tree_node* node, int32_t code) {
    code = reg_strip(code);
    uint32_t size = 0, align = 0;
    if (code == REG_TEMP) {
        size = node ? node_size(ctx, node) : 0;
        if (size == 0) size = 1;
        if (node && node->type && !node_is_ptr(node)) align = node->type->align_mask;
    } else {
        size = static_cast<uint32_t>(code - REG_TEMP);
    }
    uint32_t offset = ctx.regs.temp_offset;
    if (offset & align) offset = (offset + align) & ~align;   // round up to the alignment
    ctx.regs.temp_offset = static_cast<uint16_t>(offset + size);
    if (!ctx.functions.empty() && ctx.functions.back().temp_high < ctx.regs.temp_offset)
        ctx.functions.back().temp_high = ctx.regs.temp_offset;
    return REG_TEMP + static_cast<int32_t>(offset);
}

}  // namespace cg
