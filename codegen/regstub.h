// STUB until the register model of the code generator lands (branch regpred): register
// names, atom masks and the few classes the matcher's first rule set uses. Replace with
// codegen/registers.h after merging; nothing else in the matcher depends on this file's form.
#pragma once
#include <cstdint>

namespace cg {

constexpr uint32_t reg_code_count = 128;       // 0-127
constexpr uint32_t reg_first_class = 113;
constexpr uint32_t reg_temporary = 127;
constexpr uint32_t reg_literal_mask = 0x40000000;
extern const char* const reg_names[reg_code_count];   // "" for unnamed codes
uint32_t reg_mask(uint32_t code);
// Code of a register or class by name (classes as "class113" ... "class126", "temporary"); 0 none.
uint32_t reg_lookup(const char* name);
// A member of class (or the register itself) whose mask lies in free; 0 when none fits.
uint32_t reg_choose(uint32_t free, uint32_t code);
// Registers the selector may allocate: every atom but "fsr1".
constexpr uint32_t reg_allocatable = 0x3fffffffu & ~(1u << 20);
// The first code 1-112 whose mask equals mask, else 0.
uint32_t reg_by_mask(uint32_t mask);

}  // namespace cg
