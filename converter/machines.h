// The eight processor descriptions: registers, SDB header flags, base types, qualifier
// letters, chip-name recognition, symbol placement and type sizes.
#pragma once
#include <cstdint>
#include <string>

#include "converter/debug_model.h"

namespace conv {

class model;

struct reg_desc {
    const char* name;
    uint32_t shape;          // low byte: size; next byte: number of components (0: plain)
    uint8_t parts[4];
};

struct type_abbrev {
    const char* abbreviation;   // null ends the list
    uint8_t size;
    uint32_t cls;               // BASE_*
};

struct qualifier_row {
    char letter;                // 0 ends the list
    const char* name;
};

enum class family : uint8_t { i8051, m6805, pic, h8300, pic18, arm, dspic, holtek };

struct machine_desc {
    family fam;
    const char* display;
    const reg_desc* registers;        // row 0 is the empty name
    uint32_t register_count;
    const char* const* flag_names;    // null-terminated
    const char* const* flag_processors;   // parallel to flag_names, or null
    bool (*chip_match)(const std::string& name);
    const type_abbrev* type_abbrevs;
    const qualifier_row* qualifiers;
    uint32_t code_step;
};

extern const machine_desc* const machine_table[8];

// The chosen description and what selecting it needs; lives in the program's context.
struct machine_state {
    const machine_desc* current = nullptr;
    std::string processor_name;   // -P; a header flag may name the processor when it is empty
};

// Selects a description from the processor name, else from the header's flag words (up to
// "]"); true when one is (or already was) selected. 668/669 when the flags match none/several.
bool mach_select(machine_state& st, debug_model& dbg, const std::string& flag_list);
const machine_desc* mach_match_chip(const std::string& name);
uint32_t mach_reg_lookup(const machine_desc* m, const std::string& name);
const char* machine_reg_name(const machine_desc* m, uint32_t index);
bool mach_set_flag(const machine_desc* m, const std::string& word);
int qualifier_bit(const machine_desc* m, char letter);   // -1 when the letter has no row

// Resolves a debug symbol's address and space in the flat model; false when it cannot.
bool mach_place_symbol(const machine_desc* m, const model& md, dbg_sym* sym, const dbg_sym* scope,
                       uint32_t& address, uint32_t& space);
// Bytes of the type whose outermost element is elems[index].
uint32_t mach_type_size(const machine_desc* m, const dbg_type& t, size_t index);
uint32_t mach_type_size(const machine_desc* m, const dbg_type& t);
// Size and signedness (1 signed, 2 unsigned) of an enumeration from its constants.
void enum_size(const dbg_sym& tag, int32_t& size, int32_t& signedness);

}  // namespace conv
