// The macro table, #define and the expansion of macro calls. An expansion is pushed as a
// new input stream, so it is read and rescanned like any other input.
#pragma once
#include <memory>
#include <string>

#include "ppchar.h"

constexpr int32_t MACRO_OBJECT = -1;
constexpr int32_t MACRO_LINE = -2;   // __LINE__
constexpr int32_t MACRO_FILE = -3;   // __FILE__

struct macro {
    ptext name;
    ptext body;
    int32_t parameter_count = MACRO_OBJECT;   // 0..31 for a function-like macro
    // Non-zero while the macro's text is read; such a macro is not found for expansion.
    // A stream that refers to the record keeps it alive after #undef or redefinition.
    int32_t in_use = 0;
};

namespace macros {

void define_predefined();
// -D: an object-like macro; an existing definition is replaced without a message.
void define_from_option(const std::string& name, const std::string& body);
bool undefine(const ptext& name);                 // false when there was none
std::shared_ptr<macro> find(const ptext& name);   // null when absent or in use
void define_directive();                          // after the word "define"

// Offers an identifier just read to expansion. True when an expansion was pushed and
// reading should go on with the next character; false when the identifier stands.
bool offer(const ptext& identifier, bool from_file);
// After an identifier: joins it with the tokens after a paste mark and pushes the result.
// True when a join was pushed.
bool paste_after(const ptext& identifier);
// Reads an identifier and, unless it is pasted or expanded, returns true with it in out.
// The common step of every reader that expands: copy loop, #if, #include, arguments.
bool identifier_token(pchar first, ptext& out, bool expand);
// The same for a number, which is never expanded but may be pasted.
bool number_token(pchar first, ptext& out);

}  // namespace macros
