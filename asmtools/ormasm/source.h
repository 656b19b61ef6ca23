// Source lines of the psect dialect: reading a file and splitting each line into label,
// operation and operand text.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace asmx {

struct source_line {
    int32_t number = 0;
    std::string text;       // as read, without the line end
    std::string label;      // label, or the name an equ/set defines
    std::string operation;  // mnemonic or directive as written
    std::string operands;   // operand text, comment removed, trimmed
    std::vector<std::string> parts;   // the operands split at top-level commas
    bool label_plain = false; // label written without a colon and not in column 1
    std::string fault;      // a label field that is no name; empty when the line is sound
    std::string file;       // source file named by the last line marker; empty for the input itself
};

// Reads a preprocessor line marker ("# 12" or "# 12 \"name.as\""): true with the line number
// of the next line and, when given, the file name.
bool read_line_marker(const std::string& text, int32_t& number, std::string& file);

// Splits the file's text into lines (LF or CR LF).
std::vector<std::string> split_lines(const std::string& text);

// Splits one line. `is_operation` tells whether a word is a mnemonic or directive, so that
// either may stand in column 1 and a lone word elsewhere can still be a label.
source_line split_line(std::string text, int32_t number,
                       const std::function<bool(const std::string&)>& is_operation);

// Splits operand text at top-level commas (not inside parentheses or quotes); each part
// trimmed. Empty text gives no parts.
std::vector<std::string> split_operands(const std::string& text);

std::string trim(const std::string& s);

}  // namespace asmx
