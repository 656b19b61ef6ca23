// Vocabulary of the intermediate code (see icode.h).
#include "icode/icode.h"

#include <cstdlib>
#include <cstring>

namespace ic {

namespace {
struct op_row {
    const char* spelling;
    int arity;
};
// Indexed by code - 60; only codes that are ever written carry a spelling.
constexpr op_row op_rows[op_last - op_first + 1] = {
    {"", 0},   {"(", 2},  {"", 0},   {"", 0},   {"", 0},   {"", 0},   {"", 0},   {".", 2},
    {"", 0},   {"*U", 1}, {"&U", 1}, {"-U", 1}, {"+U", 1}, {"!", 1},  {"~", 1},  {"", 0},
    {"", 0},   {"", 0},   {"", 0},   {"#", 1},  {"()", 1}, {"*", 2},  {"&", 2},  {"-", 2},
    {"+", 2},  {"/", 2},  {"%", 2},  {">>", 2}, {"<<", 2}, {"<", 2},  {">", 2},  {"<=", 2},
    {">=", 2}, {"==", 2}, {"!=", 2}, {"^", 2},  {"|", 2},  {"&&", 2}, {"||", 2}, {"?", 2},
    {":", 2},  {"=", 2},  {"=+", 2}, {"++", 2}, {"=-", 2}, {"--", 2}, {"=*", 2}, {"=/", 2},
    {"=%", 2}, {"=>>", 2}, {"=<<", 2}, {"=&", 2}, {"=^", 2}, {"=|", 2}, {",", 2}, {";", 2},
    {"", 0},   {"", 0},   {"", 0},   {"", 0},   {"", 0},   {"..", 0}, {")", 1},  {"$U", 1},
    {"$", 2},  {"->", 2}, {"@", 2},  {"", 0},   {"", 0},   {"(.", 1}, {"(1", 0}, {"(2", 0},
    {"(3", 0}, {"(4", 0}, {"$UE", 1}, {":=", 2},
};
constexpr char letters[] = "?bcsiloxfd?v";
}  // namespace

const char* op_spelling(int code) {
    if (code < op_first || code > op_last) return "";
    return op_rows[code - op_first].spelling;
}

int op_from_spelling(const char* text) {
    if (!text || !*text) return 0;
    for (int c = op_first; c <= op_last; ++c)
        if (std::strcmp(op_rows[c - op_first].spelling, text) == 0) return c;
    return 0;
}

int op_arity(int code) {
    if (code < op_first || code > op_last) return 0;
    return op_rows[code - op_first].arity;
}

char basic_letter(int32_t code) {
    int32_t i = code / 2;
    if (i < 0 || i >= static_cast<int32_t>(sizeof letters - 1)) return '?';
    return letters[i];
}

int32_t basic_from_letter(char letter) {
    if (letter == '?') return -1;
    for (int32_t i = 0; letters[i]; ++i)
        if (letters[i] == letter) return i * 2;
    return -1;
}

namespace {
bool put32(FILE* file, uint32_t v) {
    unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                          static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    return std::fwrite(b, 1, 4, file) == 4;
}
// 1 read, 0 nothing at all, -1 short.
int get32(FILE* file, uint32_t& v) {
    unsigned char b[4];
    size_t n = std::fread(b, 1, 4, file);
    if (n == 0) return 0;
    if (n != 4) return -1;
    v = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return 1;
}
}  // namespace

bool write_string_data(FILE* file, const string_data_record& record) {
    return put32(file, static_cast<uint32_t>(record.number)) &&
           put32(file, static_cast<uint32_t>(record.bytes.size())) && put32(file, record.class_mask) &&
           (record.bytes.empty() ||
            std::fwrite(record.bytes.data(), 1, record.bytes.size(), file) == record.bytes.size());
}

int read_string_data(FILE* file, string_data_record& record) {
    uint32_t number, length, mask;
    int r = get32(file, number);
    if (r <= 0) return r;
    if (get32(file, length) != 1 || get32(file, mask) != 1) return -1;
    if (length > (1u << 24)) return -1;   // a damaged length must not drive a huge allocation
    record.number = static_cast<int32_t>(number);
    record.class_mask = mask;
    record.bytes.assign(length, 0);
    if (length && std::fread(record.bytes.data(), 1, length, file) != length) return -1;
    return 1;
}

std::string float_const_token(const char* text, bool is_float) {
    return std::string(".") + (text && *text ? text : "0") + (is_float ? "f" : "");
}

bool read_float_const(const std::string& token, double& value, bool& is_float) {
    if (token.size() < 2 || token[0] != '.' || token[1] == '.') return false;
    is_float = token.back() == 'f';
    value = std::strtod(token.c_str() + 1, nullptr);
    return true;
}

}  // namespace ic
