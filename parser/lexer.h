// Lexer: reads the preprocessed text line by line, follows line markers, hands asm blocks and
// pragma lines on, and turns the rest into tokens. Also the -Z size table.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct sym_record;

enum token_code : int {
    TK_EOF = 1, TK_SEMI = 2, TK_RBRACE = 3, TK_LBRACE = 4, TK_ELLIPSIS = 13, TK_QUALIFIER = 16,
    TK_PRAGMA_KW = 19, TK_ASM = 20, TK_AUTO = 21, TK_BREAK = 22, TK_CASE = 23, TK_CHAR = 24,
    TK_CONTINUE = 25, TK_DEFAULT = 26, TK_DO = 27, TK_DOUBLE = 28, TK_ELSE = 29, TK_ENUM = 30,
    TK_EXTERN = 31, TK_FLOAT = 32, TK_FOR = 33, TK_GOTO = 34, TK_IF = 35, TK_INT = 36, TK_LONG = 37,
    TK_REGISTER = 38, TK_RETURN = 39, TK_SHORT = 40, TK_SIGNED = 41, TK_SIZEOF = 42, TK_STATIC = 43,
    TK_STRUCT = 44, TK_SWITCH = 45, TK_TYPEDEF = 46, TK_UNION = 47, TK_UNSIGNED = 48, TK_VOID = 49,
    TK_WHILE = 50, TK_BIT = 51, TK_LPAREN = 62, TK_RPAREN = 63, TK_LBRACKET = 65, TK_RBRACKET = 66,
    TK_DOT = 67, TK_ARROW = 68, TK_NOT = 73, TK_COMPL = 74, TK_INC = 75, TK_DEC = 77, TK_STAR = 81,
    TK_AMP = 82, TK_MINUS = 83, TK_PLUS = 84, TK_SLASH = 85, TK_PERCENT = 86, TK_QUEST = 99,
    TK_COLON = 100, TK_ASSIGN = 101, TK_COMMA = 114, TK_IDENT = 116, TK_ICONST = 117,
    TK_STRING = 119, TK_AT = 126, TK_FCONST = 128
};

struct token {
    int code = 0;
    sym_record* sym = nullptr;   // identifier
    std::string name;            // identifier as read (kept for the look-up again)
    uint32_t value = 0;          // integer constant, qualifier mask
    int32_t type_code = 0;       // integer or floating constant's basic code
    std::string text;            // floating constant text, string literal bytes
};

extern token tok;                // the token last read
extern FILE* lex_input;          // standard input unless a test sets another stream
extern int32_t lex_line;         // line number of the current line
extern char lex_file[256];       // current file name
extern std::string source_name;  // the main input's name

void lex_init(const char* main_name);
int next_token();
void push_back_token();
// Reads a token; when it is not `code`, reports 312 with `text` and skips to a synchroniser.
bool expect(int code, const char* text);
void skip_to_sync();
void skip_statement();
int peek_char();
// Next token only looked at, the token read stays the current one afterwards.
int peek_token();
// Reads the next token while the statement before it may still need code (an "if" looking for
// its "else"): assembler lines met on the way are held until the next token is read, or until
// `release_held_asm`.
int look_ahead_token();
void release_held_asm();
// The lexer reads the next identifier in member position (no table look-up).
void lex_member_expected();

int32_t type_size(int32_t code);
bool set_sizes(const char* text);
void reset_sizes();   // the default sizes, no pointer size
uint32_t int_max();
uint32_t long_max();
void do_pragma(const char* text);
bool show_source_line();
void flush_source_comments();
// The column of the current position in the current line (tabs advance to multiples of 8).
int current_column();
bool have_current_line();
const std::string& current_line_text();

// Pragma state.
extern bool regarg_flag;
extern bool jis_flag;
extern uint16_t string_classes;
// Name of the function whose body is being parsed (for the source-line heading).
extern const char* current_function_name;
