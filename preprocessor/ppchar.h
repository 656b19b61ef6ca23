// Characters of the preprocessor: 16-bit units, so that a few values above the byte range
// can serve as marks inside macro text.
#pragma once
#include <cstdint>
#include <string>

using pchar = char16_t;
using ptext = std::u16string;

// Internal marks; no source byte can produce them and none reaches the output.
constexpr pchar MARK_STRINGIZE = 0x7F1C;   // in a body: the next formal is written as a literal
constexpr pchar MARK_NOEXPAND = 0x7F1D;    // in front of an identifier that must not expand again
constexpr pchar MARK_PASTE = 0x7F1E;       // "##": the tokens on either side are joined
constexpr pchar MARK_SEPARATOR = 0x7F1F;   // returned once at the end of each macro text
constexpr pchar MARK_FORMAL = 0x7F7F;      // + k: formal parameter k of the macro
constexpr int MAX_FORMALS = 31;

enum : uint8_t {
    CC_OTHER = 0,
    CC_DIGIT = 1,
    CC_IDENT = 2,
    CC_QUOTE = 65,
    CC_DOT = 66,
    CC_WHITE = 67,
    CC_BACKSLASH = 68,
    CC_NUL = 69,
};

struct char_class_table {
    uint8_t of[256];
};

constexpr char_class_table make_char_classes() {
    char_class_table t{};
    for (int c = '0'; c <= '9'; ++c) t.of[c] = CC_DIGIT;
    for (int c = 'a'; c <= 'z'; ++c) t.of[c] = CC_IDENT;
    for (int c = 'A'; c <= 'Z'; ++c) t.of[c] = CC_IDENT;
    t.of['_'] = t.of['$'] = t.of[0x1D] = CC_IDENT;
    t.of['"'] = t.of['\''] = CC_QUOTE;
    t.of['.'] = CC_DOT;
    t.of[' '] = t.of['\t'] = t.of[0x1F] = CC_WHITE;
    t.of['\\'] = CC_BACKSLASH;
    t.of[0] = CC_NUL;
    return t;
}
inline constexpr char_class_table char_classes = make_char_classes();

inline uint8_t char_class(pchar c) {
    if (c < 256) return char_classes.of[c];
    if (c == MARK_NOEXPAND) return CC_IDENT;
    if (c == MARK_PASTE) return CC_WHITE;
    return CC_OTHER;
}
inline bool is_ident_start(pchar c) { return char_class(c) == CC_IDENT; }
inline bool is_ident_char(pchar c) {
    uint8_t k = char_class(c);
    return k == CC_IDENT || k == CC_DIGIT;
}
inline bool is_digit(pchar c) { return c >= '0' && c <= '9'; }
// Blank, tab, the byte 0x1F and the paste mark.
inline bool is_white(pchar c) { return char_class(c) == CC_WHITE; }
inline bool is_formal(pchar c) { return c >= MARK_FORMAL && c < MARK_FORMAL + MAX_FORMALS; }

// Bytes for output and file names: marks and anything above the byte range are dropped.
std::string narrow(const ptext& text);
ptext widen(const std::string& text);
