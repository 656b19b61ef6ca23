// Vocabulary of the intermediate code: the text ormparse writes and the code generator reads.
// The writer (emit.cpp) and every reader take operator spellings, record tokens, type letters
// and the string-data record layout from here, so the format is fixed in one place.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ic {

constexpr int version_major = 3;
constexpr int version_minor = 2;
constexpr const char banner_format[] = "Version %d.%d BRYLLEX Software Intermediate Code\n";

// Operator codes 60..135; the lexer uses the same numbers for the operator tokens.
enum op : int {
    OP_MARK = 60, OP_CALL = 61, OP_LPAREN = 62, OP_RPAREN = 63, OP_SUBSCRIPT = 64,
    OP_LBRACKET = 65, OP_RBRACKET = 66, OP_DOT = 67, OP_ARROW = 68, OP_DEREF = 69,
    OP_ADDR = 70, OP_NEG = 71, OP_UPLUS = 72, OP_NOT = 73, OP_COMPL = 74,
    OP_PREINC = 75, OP_POSTINC_TOKEN = 76, OP_PREDEC = 77, OP_POSTDEC_TOKEN = 78,
    OP_SIZEOF = 79, OP_CAST = 80, OP_MUL = 81, OP_AND = 82, OP_SUB = 83, OP_ADD = 84,
    OP_DIV = 85, OP_MOD = 86, OP_SHR = 87, OP_SHL = 88, OP_LT = 89, OP_GT = 90,
    OP_LE = 91, OP_GE = 92, OP_EQ = 93, OP_NE = 94, OP_XOR = 95, OP_OR = 96,
    OP_LAND = 97, OP_LOR = 98, OP_QUEST = 99, OP_COLON = 100, OP_ASSIGN = 101,
    OP_ASG_ADD = 102, OP_POSTINC = 103, OP_ASG_SUB = 104, OP_POSTDEC = 105,
    OP_ASG_MUL = 106, OP_ASG_DIV = 107, OP_ASG_MOD = 108, OP_ASG_SHR = 109,
    OP_ASG_SHL = 110, OP_ASG_AND = 111, OP_ASG_XOR = 112, OP_ASG_OR = 113,
    OP_ARG = 114, OP_COMMA = 115, OP_IDENT = 116, OP_ICONST = 117, OP_UNUSED118 = 118,
    OP_STRING = 119, OP_TYPE = 120, OP_LISTEND = 121, OP_RETURN = 122, OP_GOTO = 123,
    OP_CJUMP = 124, OP_CONV = 125, OP_AT = 126, OP_MEMBER = 127, OP_FCONST = 128,
    OP_FIXARGS = 129, OP_COUNT1 = 130, OP_COUNT4 = 133, OP_EXITJUMP = 134,
    OP_BLOCKCOPY = 135
};
constexpr int op_first = 60;
constexpr int op_last = 135;

// Spelling of an operator in the intermediate code; "" for codes that are never written.
const char* op_spelling(int code);
// Code of a written operator token; 0 when the text is no operator.
int op_from_spelling(const char* text);
// Number of operands a written operator takes (1 or 2), 0 for leaves and unknown codes.
int op_arity(int code);

// Record tokens (the first token of a line).
constexpr const char rec_block_open[] = "{";
constexpr const char rec_block_close[] = "}";
constexpr const char rec_expr[] = "[e";
constexpr const char rec_body[] = "[f";
constexpr const char rec_var[] = "[v";
constexpr const char rec_struct[] = "[s";
constexpr const char rec_union[] = "[u";
constexpr const char rec_names[] = "[n";
constexpr const char rec_enum[] = "[c";
constexpr const char rec_init[] = "[i";
constexpr const char rec_string[] = "[a";
constexpr const char rec_pragma[] = "[p";
constexpr const char rec_comment[] = "[;";
constexpr char marker_char = '"';
constexpr const char label_token[] = ":U";
constexpr const char exit_label_token[] = ":UE";
constexpr const char switch_token[] = "[\\";
constexpr const char string_ref_token[] = ":s";
constexpr const char level_open_item[] = ":U ..";
constexpr const char level_close_item[] = "..";
constexpr const char asm_end[] = ";#";

// Basic-type codes of type strings; an odd code is the unsigned form of the code below it.
enum basic : int32_t {
    T_NONE = 0, T_BIT = 2, T_CHAR = 4, T_SHORT = 6, T_INT = 8, T_LONG = 10, T_LONGLONG = 12,
    T_INDEX = 14, T_FLOAT = 16, T_DOUBLE = 18, T_ENUM = 20, T_VOID = 22, T_DERIVED = 24,
    T_ELLIPSIS = 26, T_STRUCT = 28, T_UNION = 30
};
// Letter of a basic code in a type string ("?bcsiloxfd?v" by code / 2), '?' beyond it.
char basic_letter(int32_t code);
// Basic code for a letter; -1 when the letter names none.
int32_t basic_from_letter(char letter);

// Letters of the six fixed pointer classes (bits 0-5).
constexpr const char fixed_class_letters[] = "CVFNIS";

// A floating constant: '.', the literal's text, and "f" when its type is float (float and
// double need not be the same size).
std::string float_const_token(const char* text, bool is_float);
// Reads a token written so; false when it is no floating constant.
bool read_float_const(const std::string& token, double& value, bool& is_float);

// Record of the binary string-data side file: number, byte count (terminator included),
// class mask, then the bytes; integers are 4-byte little-endian.
struct string_data_record {
    int32_t number = 0;
    uint32_t class_mask = 0;
    std::vector<uint8_t> bytes;   // terminator included
};
bool write_string_data(FILE* file, const string_data_record& record);
// Returns 1 for a record, 0 at a clean end of file, -1 for a short read.
int read_string_data(FILE* file, string_data_record& record);

}  // namespace ic
