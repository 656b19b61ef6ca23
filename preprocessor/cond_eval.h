// The expression of #if, #elif and #assert: an operator-precedence parser over 32-bit
// two's-complement values with a signedness flag.
#pragma once
#include <cstdint>

namespace cond_eval {

// Reads the rest of the current line with macro expansion, up to its newline, and returns
// the value (non-zero is true). After an error in the expression the result is 1.
uint32_t evaluate();

// -S (sizes) and -S* / -SP (pointer sizes): the whole option text, "-S..." included.
void set_sizes(const char* option);

}  // namespace cond_eval
