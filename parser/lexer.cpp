// Lexer of the parser: lines, markers, asm blocks, tokens, numbers, literals and sizes.
#include "parser/lexer.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/alert.h"
#include "common/osdep.h"
#include "parser/emit.h"
#include "parser/options.h"
#include "parser/sidefiles.h"
#include "parser/symbols.h"
#include "parser/types.h"

parser_options opt;
token tok;
FILE* lex_input = nullptr;
int32_t lex_line = 0;
char lex_file[256];
std::string source_name;
bool regarg_flag = true;
bool jis_flag = false;
uint16_t string_classes = 0;
const char* current_function_name = nullptr;

namespace {

std::string line;              // current line with its newline
size_t pos = 0;                // read position in it
bool have_line = false;
bool at_eof = false;
int32_t next_line_number = 1;
uint32_t lines_read = 0;
bool in_asm = false;
bool line_queued = false;
const char* line_start_pointer = nullptr;
const char* position_pointer = nullptr;
bool token_pushed = false;
bool member_expected = false;
// Assembler lines read while the parser only looks ahead (for an "else"): they follow the
// statement being finished, so they wait until the token after them is really taken.
bool holding_asm = false;
std::vector<std::string> held_asm;
int32_t shown_line = -1;
uint32_t shown_lines_read = 0;
std::string shown_file;
const char* shown_function = nullptr;
bool shown_once = false;

struct queued_line {
    int32_t number;
    std::string file;
    std::string text;
};
std::vector<queued_line> comment_queue;

struct size_row {
    int32_t code;
    int32_t size;
    uint64_t bound;
};
size_row size_table[7] = {{4, 1, 128},        {6, 2, 32767},  {8, 2, 32767}, {10, 4, 2147483647},
                          {14, 2, 32767},     {16, 4, 0},     {18, 8, 0}};
int32_t pointer_size = 0;

const std::unordered_map<std::string_view, int>& keyword_map() {
    static const char* const words[] = {
        "_Pragma", "asm",    "auto",   "break",  "case",   "char",     "continue", "default",
        "do",      "double", "else",   "enum",   "extern", "float",    "for",      "goto",
        "if",      "int",    "long",   "register", "return", "short",  "signed",   "sizeof",
        "static",  "struct", "switch", "typedef", "union", "unsigned", "void",     "while"};
    static std::unordered_map<std::string_view, int> map = [] {
        std::unordered_map<std::string_view, int> m;
        for (int i = 0; i < 32; ++i) m.emplace(words[i], 19 + i);
        return m;
    }();
    return map;
}

void queue_current_line() {
    if (!opt.source_comments || !have_line || line_queued || in_asm) return;
    line_queued = true;
    size_t i = line.find_first_not_of(" \t\r\n\f\v");
    if (i == std::string::npos || line[i] == '#') return;
    const char* base = lex_file;
    for (const char* p = lex_file; *p; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    comment_queue.push_back({lex_line, base, line});
}

void echo_line() {
    if (opt.listing) std::fprintf(stderr, "%6d:\t%s", static_cast<int>(lex_line), line.c_str());
}

// Reads the next input line into the buffer; false at the end of input.
bool read_line() {
    queue_current_line();
    line.clear();
    pos = 0;
    if (at_eof) {
        have_line = false;
        return false;
    }
    // Byte by byte: a NUL byte is part of the line, not its end.
    int ch;
    while ((ch = std::getc(lex_input)) != EOF) {
        line.push_back(static_cast<char>(ch));
        if (ch == '\n') break;
    }
    // An input that could not be read (a folder) must not pass for an empty one.
    if (ch == EOF && std::ferror(lex_input)) alert_message(141, "input", lex_file);
    if (line.empty()) {
        at_eof = true;
        have_line = false;
        line_start_pointer = position_pointer = nullptr;
        return false;
    }
    have_line = true;
    line_queued = false;
    ++lines_read;
    lex_line = next_line_number;
    if (next_line_number < INT32_MAX) ++next_line_number;   // saturates
    if (line.back() != '\n') {
        alert_message(337);
        line += '\n';
    }
    line_start_pointer = line.c_str();
    position_pointer = line_start_pointer;
    echo_line();
    // A NUL byte is no character of C: reported once for its line and read as a blank.
    if (size_t nul = line.find('\0'); nul != std::string::npos) {
        position_pointer = line_start_pointer + nul;
        alert_message(228, 0);
        position_pointer = line_start_pointer;
        std::replace(line.begin(), line.end(), '\0', ' ');
    }
    return true;
}

int pushed_char = -2;

int getch() {
    if (pushed_char != -2) {
        int c = pushed_char;
        pushed_char = -2;
        return c;
    }
    while (!have_line || pos >= line.size()) {
        if (!read_line()) return EOF;
    }
    return static_cast<unsigned char>(line[pos++]);
}

void ungetch(int c) { pushed_char = c; }

// Drops the rest of the current line.
void drop_line() {
    pushed_char = -2;
    pos = line.size();
}

bool is_ident_start(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool is_digit(int c) { return c >= '0' && c <= '9'; }
bool is_ident_char(int c) { return is_ident_start(c) || is_digit(c); }
bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
int hex_value(int c) {
    if (is_digit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void mark_position() {
    if (have_line) position_pointer = line.c_str() + (pos ? pos - 1 : 0);
}

void read_asm_block() {
    drop_line();
    in_asm = true;
    for (;;) {
        if (!read_line()) {
            in_asm = false;
            alert_message(298);
            return;
        }
        size_t i = line.find_first_not_of(" \t");
        if (i != std::string::npos && line.compare(i, 7, "#endasm") == 0) break;
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (holding_asm) held_asm.push_back(text);
        else emit_asm_line(text.c_str());
    }
    in_asm = false;
    line_queued = true;
    drop_line();
}

void read_line_marker(int c) {
    // Beyond the largest line a message can show, the number saturates.
    int32_t n = 0;
    while (is_digit(c)) {
        n = n > (INT32_MAX - (c - '0')) / 10 ? INT32_MAX : n * 10 + (c - '0');
        c = getch();
    }
    while (c == ' ' || c == '\t') c = getch();
    next_line_number = n;
    if (c == '"') {
        std::string name;
        while ((c = getch()) != EOF && c != '"' && c != '\n') name += static_cast<char>(c);
        if (name.empty()) name = source_name;
        std::snprintf(lex_file, sizeof lex_file, "%s", name.c_str());
        xref_write_file(lex_file);
    }
    drop_line();
}

// "#" where a token may start: the rest of the line is a preprocessor line.
void preprocessor_line() {
    int c = getch();
    while (c == ' ' || c == '\t') c = getch();
    if (is_digit(c)) {
        read_line_marker(c);
        return;
    }
    std::string word;
    while (is_ident_char(c)) {
        word += static_cast<char>(c);
        c = getch();
    }
    if (word == "asm") {
        read_asm_block();
        return;
    }
    if (word == "pragma") {
        while (c == ' ' || c == '\t') c = getch();
        std::string text;
        while (c != EOF && c != '\n') {
            text += static_cast<char>(c);
            c = getch();
        }
        while (!text.empty() && text.back() == '\r') text.pop_back();
        do_pragma(text.c_str());
        return;
    }
    alert_message(224);
    drop_line();
}

// One character of a literal, escapes resolved; `raw` tells that no escape was read.
int read_escape() {
    int c = getch();
    switch (c) {
    case 'a': return 7;
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    case 'v': return 11;
    case 'x': {
        uint32_t v = 0;
        int d;
        while ((d = hex_value(c = getch())) >= 0) v = v * 16 + static_cast<uint32_t>(d);
        ungetch(c);
        return static_cast<int>(v & 0xFF);
    }
    default:
        if (c >= '0' && c <= '7') {
            int v = c - '0';
            for (int i = 1; i < 3; ++i) {
                c = getch();
                if (c < '0' || c > '7') {
                    ungetch(c);
                    break;
                }
                v = v * 8 + (c - '0');
            }
            return v & 0xFF;
        }
        return c;
    }
}

bool jis_lead(int c) { return jis_flag && ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF)); }

// Reads the bytes of one literal after its opening quote; false when a newline ended it.
bool read_string_body(std::string& out) {
    for (;;) {
        int c = getch();
        if (c == '"') return true;
        if (c == '\n' || c == EOF) {
            alert_message(311);
            if (c == '\n') ungetch(c);
            return false;
        }
        if (jis_lead(c)) {
            out += static_cast<char>(c);
            int d = getch();
            if (d == EOF) return false;
            out += static_cast<char>(d);
            continue;
        }
        if (c == '\\') {
            int d = getch();
            if (d == '\n') continue;
            if (d == '\r') {
                int e = getch();
                if (e == '\n') continue;
                ungetch(e);
            }
            ungetch(d);
            out += static_cast<char>(read_escape());
            continue;
        }
        out += static_cast<char>(c);
    }
}

void read_string_literal() {
    tok.text.clear();
    read_string_body(tok.text);
    bool warned = false;
    for (;;) {
        uint32_t before = lines_read;
        int c = getch();
        while (is_space(c)) c = getch();
        if (c == '#') {
            preprocessor_line();
            continue;
        }
        if (c != '"') {
            ungetch(c);
            return;
        }
        if (lines_read != before && !warned) {
            warned = true;
            alert_message(336);
        }
        read_string_body(tok.text);
    }
}

void read_char_constant() {
    int c = getch();
    int32_t v = 0;
    if (c == '\'') {
        alert_message(225);
    } else if (c == '\n' || c == EOF) {
        alert_message(311);
        ungetch(c);
    } else {
        v = (c == '\\') ? read_escape() : c;
        c = getch();
        if (c != '\'') {
            if (c == '\n') {
                alert_message(311);
                ungetch(c);
            } else {
                alert_message(226);
                while (c != '\'' && c != '\n' && c != ';' && c != EOF) c = getch();
                if (c != '\'') ungetch(c);
            }
        }
    }
    tok.code = TK_ICONST;
    if (opt.unsigned_char) {
        tok.value = static_cast<uint32_t>(v & 0xFF);
        tok.type_code = 9;
    } else {
        tok.value = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(v & 0xFF)));
        tok.type_code = 8;
    }
}

// Floating constant: `digits` were read, c is the character after them.
void read_float(std::string digits, int c) {
    std::string text = std::move(digits);
    if (c == '.') {
        text += '.';
        while (is_digit(c = getch())) text += static_cast<char>(c);
    }
    if (c == 'e' || c == 'E') {
        text += 'e';
        c = getch();
        if (c == '+' || c == '-') {
            text += static_cast<char>(c);
            c = getch();
        }
        if (!is_digit(c)) alert_message(220);
        while (is_digit(c)) {
            text += static_cast<char>(c);
            c = getch();
        }
    }
    tok.type_code = 18;
    if (c == 'f' || c == 'F') {
        tok.type_code = 16;
        c = getch();
    } else if (c == 'l' || c == 'L') {
        c = getch();
    }
    ungetch(c);
    if (text[0] == '.') text.insert(text.begin(), '0');
    tok.code = TK_FCONST;
    tok.text = text;
}

void read_number(int c) {
    std::string digits;
    while (is_digit(c)) {
        digits += static_cast<char>(c);
        c = getch();
    }
    if (c == '.' || c == 'e' || c == 'E' || c == 'f' || c == 'F') {
        read_float(digits, c);
        return;
    }
    uint32_t value = 0;
    bool decimal = false;
    auto accumulate = [&](const std::string& ds, uint32_t base) {
        uint64_t wide = 0;
        for (char d : ds) {
            uint32_t v = static_cast<uint32_t>(hex_value(d));
            if (v >= base) {
                alert_message(223);
                return;
            }
            wide = wide * base + v;
            // No integer type holds more than 32 bits here: a larger constant is refused
            // rather than cut to its low bits.
            if (wide > 0xFFFFFFFFu) {
                alert_message(235);
                return;
            }
            value = static_cast<uint32_t>(wide);
        }
    };
    if (digits[0] == '0' && (c == 'x' || c == 'X')) {
        std::string hex;
        while (hex_value(c = getch()) >= 0) hex += static_cast<char>(c);
        if (hex.empty()) alert_message(221);
        accumulate(hex, 16);
    } else if (digits[0] == '0' && (c == 'b' || c == 'B')) {
        std::string bin;
        while (is_digit(c = getch())) bin += static_cast<char>(c);
        if (bin.empty()) alert_message(222);
        accumulate(bin, 2);
    } else if (digits[0] == '0') {
        accumulate(digits, 8);
    } else if (c == 'x' || c == 'b') {
        // A radix letter after digits that do not start with 0: reject the whole word rather
        // than silently drop the digits before it.
        alert_message(223);
        while (is_ident_char(c)) c = getch();
        ungetch(c);
        tok.code = TK_ICONST;
        tok.value = 0;
        tok.type_code = 8;
        return;
    } else {
        decimal = true;
        accumulate(digits, 10);
    }
    bool is_unsigned = false;
    int longs = 0;
    auto read_longs = [&]() {
        if (c == 'l' || c == 'L') {
            int first = c;
            longs = 1;
            c = getch();
            if (c == first) {
                longs = 2;
                c = getch();
            }
        }
    };
    if (c == 'u' || c == 'U') {
        is_unsigned = true;
        c = getch();
        read_longs();
    } else {
        read_longs();
        if (longs && (c == 'u' || c == 'U')) {
            is_unsigned = true;
            c = getch();
        }
    }
    ungetch(c);
    if (longs == 2 && !opt.long_long) longs = 1;
    uint64_t imax = int_max(), lmax = long_max();
    int32_t code;
    if (is_unsigned && longs == 2) code = 13;
    else if (is_unsigned && longs == 1) code = 11;
    else if (is_unsigned) code = (value / 2 > imax) ? 11 : 9;
    else if (longs == 2) code = 12;
    else if (longs == 1) code = value > lmax ? 11 : 10;
    else if (decimal) code = value > imax ? (value > lmax ? 11 : 10) : 8;
    else if (value <= imax) code = 8;
    else if (value / 2 <= imax) code = 9;
    else code = value > lmax ? 11 : 10;
    tok.code = TK_ICONST;
    tok.value = value;
    tok.type_code = code;
}

void handle_pragma_operator() {
    if (next_token() != TK_LPAREN) {
        alert_message(317);
        push_back_token();
        return;
    }
    if (next_token() != TK_STRING) {
        alert_message(318);
        push_back_token();
        return;
    }
    std::string text = tok.text;
    if (next_token() != TK_RPAREN) {
        alert_message(194);
        push_back_token();
    }
    do_pragma(text.c_str());
}

void read_identifier(int c) {
    std::string word;
    int kept = 0;
    while (is_ident_char(c)) {
        if (kept < opt.ident_length) {
            word += static_cast<char>(c);
            ++kept;
        }
        c = getch();
    }
    ungetch(c);
    tok.name = word;
    tok.sym = nullptr;
    auto& keywords = keyword_map();
    auto it = keywords.find(word);
    if (it != keywords.end()) {
        tok.code = it->second;
        return;
    }
    if (word == "bit" && opt.bit_keyword) {
        tok.code = TK_BIT;
        return;
    }
    if (uint32_t mask = qualifier_mask(word.c_str())) {
        tok.code = TK_QUALIFIER;
        tok.value = mask;
        return;
    }
    tok.code = TK_IDENT;
    if (member_expected) return;
    tok.sym = xref_reference(word.c_str());
}

// Operators whose "=" may follow after blanks or tabs.
int compound(int plain, int assign) {
    int c = getch();
    while (c == ' ' || c == '\t') c = getch();
    if (c == '=') return assign;
    ungetch(c);
    return plain;
}

int scan_token() {
    for (;;) {
        int c = getch();
        int d;
        while (is_space(c)) c = getch();
        mark_position();
        tok.sym = nullptr;
        if (c == EOF) return TK_EOF;
        if (c == '#') {
            preprocessor_line();
            continue;
        }
        if (is_digit(c)) {
            read_number(c);
            return tok.code;
        }
        if (c == 'L') {
            // A wide constant is refused in one message; its narrow reading keeps the parse going.
            d = getch();
            if (d == '\'' || d == '"') {
                alert_message(250);
                c = d;
            } else {
                ungetch(d);
            }
        }
        if (is_ident_start(c)) {
            read_identifier(c);
            if (tok.code == TK_PRAGMA_KW) {
                handle_pragma_operator();
                continue;
            }
            return tok.code;
        }
        switch (c) {
        case '"':
            read_string_literal();
            return TK_STRING;
        case '\'':
            read_char_constant();
            return TK_ICONST;
        case '.':
            d = getch();
            if (is_digit(d)) {
                ungetch(d);
                read_float("", '.');
                return TK_FCONST;
            }
            if (d == '.') {
                d = getch();
                if (d != '.') {
                    alert_message(227);
                    ungetch(d);
                }
                return TK_ELLIPSIS;
            }
            ungetch(d);
            return TK_DOT;
        case '+':
            d = getch();
            if (d == '+') return TK_INC;
            ungetch(d);
            return compound(84, 102);
        case '-':
            d = getch();
            if (d == '-') return TK_DEC;
            if (d == '>') return TK_ARROW;
            ungetch(d);
            return compound(83, 104);
        case '*': return compound(81, 106);
        case '/': return compound(85, 107);
        case '%': return compound(86, 108);
        case '^': return compound(95, 112);
        case '&':
            d = getch();
            if (d == '&') return 97;
            ungetch(d);
            return compound(82, 111);
        case '|':
            d = getch();
            if (d == '|') return 98;
            ungetch(d);
            return compound(96, 113);
        case '<':
            d = getch();
            if (d == '<') return compound(88, 110);
            if (d == '=') return 91;
            ungetch(d);
            return 89;
        case '>':
            d = getch();
            if (d == '>') return compound(87, 109);
            if (d == '=') return 92;
            ungetch(d);
            return 90;
        case '=':
            d = getch();
            if (d == '=') return 93;
            ungetch(d);
            return 101;
        case '!':
            d = getch();
            if (d == '=') return 94;
            ungetch(d);
            return 73;
        case '~': return 74;
        case '?': return 99;
        case ':': return 100;
        case ',': return 114;
        case ';': return TK_SEMI;
        case '{': return TK_LBRACE;
        case '}': return TK_RBRACE;
        case '(': return TK_LPAREN;
        case ')': return TK_RPAREN;
        case '[': return TK_LBRACKET;
        case ']': return TK_RBRACKET;
        case '@': return TK_AT;
        default: alert_message(228, c); continue;
        }
    }
}

}  // namespace

void lex_init(const char* main_name) {
    if (!lex_input) lex_input = stdin;
    source_name = main_name ? main_name : "(stdin)";
    std::snprintf(lex_file, sizeof lex_file, "%s", source_name.c_str());
    line.clear();
    line.reserve(10240);
    pos = 0;
    have_line = at_eof = in_asm = token_pushed = member_expected = holding_asm = false;
    held_asm.clear();
    next_line_number = 1;
    lex_line = 0;
    lines_read = 0;
    pushed_char = -2;
    comment_queue.clear();
    shown_once = false;
    shown_function = nullptr;
    shown_file.clear();
    line_start_pointer = position_pointer = nullptr;
    regarg_flag = true;
    jis_flag = false;
    string_classes = 0;
    tok = token{};
    alert_set_position(lex_file, &lex_line, &line_start_pointer, &position_pointer);
}

void release_held_asm() {
    for (const std::string& text : held_asm) emit_asm_line(text.c_str());
    held_asm.clear();
}

int look_ahead_token() {
    holding_asm = true;
    int code = next_token();
    holding_asm = false;
    return code;
}

int next_token() {
    if (!holding_asm && !held_asm.empty()) release_held_asm();
    if (token_pushed) {
        token_pushed = false;
        // A pushed-back identifier is looked up again: its scope may have changed meanwhile.
        if (tok.code == TK_IDENT) {
            if (member_expected) {
                member_expected = false;
                tok.sym = nullptr;
            } else {
                tok.sym = lookup_name(tok.name.c_str());
            }
        }
        return tok.code;
    }
    tok.code = scan_token();
    member_expected = false;   // it holds for the one token after "." or "->"
    return tok.code;
}

void push_back_token() { token_pushed = true; }

int peek_token() {
    int code = next_token();
    push_back_token();
    return code;
}

void lex_member_expected() { member_expected = true; }

void skip_to_sync() {
    for (;;) {
        int code = next_token();
        if (code == TK_EOF) alert_message(300);
        if (code == TK_SEMI || code == TK_RBRACE) {
            push_back_token();
            return;
        }
    }
}

bool expect(int code, const char* text) {
    if (next_token() == code) return true;
    alert_message(312, text);
    push_back_token();
    skip_to_sync();
    return false;
}

void skip_statement() {
    for (;;) {
        int code = next_token();
        if (code == TK_EOF) {
            push_back_token();
            return;
        }
        if (code == TK_SEMI) {
            push_back_token();
            return;
        }
    }
}

int peek_char() {
    int c = getch();
    while (is_space(c)) c = getch();
    ungetch(c);
    return c;
}

uint32_t int_max() { return static_cast<uint32_t>(size_table[2].bound); }
uint32_t long_max() { return static_cast<uint32_t>(size_table[3].bound > 0xFFFFFFFFu ? 0xFFFFFFFFu : size_table[3].bound); }

int32_t type_size(int32_t code) {
    switch (code) {
    case 2: alert_message(211); return 0;
    case 4: case 5: return size_table[0].size;
    case 6: case 7: return size_table[1].size;
    case 8: case 9: case 20: return size_table[2].size;
    case 10: case 11: return size_table[3].size;
    case 12: case 13: return opt.long_long ? 2 * size_table[3].size : size_table[3].size;
    case 14: case 15: return size_table[4].size;
    case 16: return size_table[5].size;
    case 18: return size_table[6].size;
    case 31: return pointer_size ? pointer_size : size_table[4].size;
    default: return 0;
    }
}

void reset_sizes() { set_sizes("1,2,2,4,2,4,8"); pointer_size = 0; }

bool set_sizes(const char* text) {
    const char* p = text;
    for (int i = 0; i < 7; ++i) {
        if (i && *p++ != ',') {
            alert_message(210);
            return false;
        }
        char* end;
        long n = std::strtol(p, &end, 10);
        if (end == p || n <= 0 || n > 64) {
            alert_message(210);
            return false;
        }
        p = end;
        size_table[i].size = static_cast<int32_t>(n);
        if (size_table[i].code < 16) {
            uint64_t bits = 8u * static_cast<uint64_t>(n) - 1;
            size_table[i].bound = bits >= 63 ? ~0ull >> 1 : (1ull << bits) - 1;
        }
    }
    if (*p == ',') ++p;
    if (*p == 'p' || *p == 'P') {
        long n = std::strtol(p + 1, nullptr, 10);
        if (n > 0) pointer_size = static_cast<int32_t>(n);
    }
    return true;
}

bool have_current_line() { return have_line && position_pointer; }
const std::string& current_line_text() { return line; }

int current_column() {
    if (!have_current_line()) return 0;
    int col = 0;
    for (const char* p = line.c_str(); p < position_pointer && *p; ++p) col = (*p == '\t') ? (col / 8 + 1) * 8 : col + 1;
    return col;
}

bool show_source_line() {
    if (!have_current_line()) return false;
    if (shown_once && shown_lines_read == lines_read && shown_line == lex_line) return true;
    bool heading = !opt.listing && (!shown_once || shown_file != lex_file || shown_function != current_function_name);
    shown_once = true;
    shown_lines_read = lines_read;
    shown_line = lex_line;
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (heading) {
        shown_file = lex_file;
        shown_function = current_function_name;
        const char* f = opt.message_style >= 2 ? "F" : "";
        if (current_function_name)
            alert_print("%s%s: %s()", f, lex_file, current_function_name);
        else
            alert_print("%s%s:", f, lex_file);
    }
    if (opt.message_style >= 2) alert_print("L%d:%s", static_cast<int>(lex_line), text.c_str());
    else if (opt.message_style >= 1) alert_print("%d:%s", static_cast<int>(lex_line), text.c_str());
    else alert_print("%6d:\t%s", static_cast<int>(lex_line), text.c_str());
    return true;
}

void flush_source_comments() {
    queue_current_line();   // so that a line's comment comes before the code read from it
    if (comment_queue.empty()) return;
    if (block_level > 0) {
        for (const auto& q : comment_queue) {
            if (q.number > lex_line && q.file == lex_file) break;
            char prefix[300];
            std::snprintf(prefix, sizeof prefix, ";%s: %d: ", q.file.c_str(), static_cast<int>(q.number));
            emit_source_comment(prefix, q.text.c_str());
        }
    }
    comment_queue.clear();
}
