// Emitting one symbol: its symbol-file line (in the chosen style) and its object entry.
#pragma once
#include <cstdio>
#include <string>

#include "linker/linkdata.h"

namespace lnk {

struct context;

struct symout_state {
    FILE* file = nullptr;           // the symbol file, when one is written
    std::string last_module;        // the module whose name line was written last
};

// The psect a symbol counts as in (the containing psect of a glued one); null for none.
const name_entry* symbol_psect(context& cx, const name_entry* e);
// Writes the symbol's line and object entry. value is absolute (bytes); flags as kept.
void emit_symbol(context& cx, const std::string& name, uint32_t value, uint16_t flags, const name_entry* psect);
// The sections written after the global symbols: SG lines, or %segments and %locals.
void write_symfile_sections(context& cx);

}  // namespace lnk
