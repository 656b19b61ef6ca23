// The directive syntax of instruction templates: one scanner shared by the rule generator's
// lint and the template expander, so that both read a template the same way.
#pragma once
#include <cstddef>
#include <string>

namespace cg {

struct tpl_directive {
    char how = 0;            // the how-letter 'A'..'Z', or '~'
    bool has_offset = false; // "+n", "-n" or a bare number
    int offset = 0;
    char count = 0;          // '+' or '-' alone: the counting forms of I, V and Z
    bool keep = false;       // "!": keep the offset after use
    bool has_compare = false;  // "=n"
    int compare = 0;
    int divisor = 0;         // "/d"
    std::string parts;       // F, G, X, Y: part digits
    char which = 0;          // N L R D H U S J, 0 for none
    std::string path;        // J: digits 0 and 1
    size_t length = 0;       // characters the directive spans
};

// Reads the directive that starts at text[pos] (an upper-case letter or "~" that is not "~~").
// Returns false, with d.length covering the bad part, when the text is not a directive.
bool tpl_scan(const std::string& text, size_t pos, tpl_directive& d);


}  // namespace cg
