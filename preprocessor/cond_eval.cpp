// Conditional expression evaluator.
#include "cond_eval.h"

#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "macros.h"
#include "scanner.h"

namespace cond_eval {
namespace {

enum : int {
    OP_END = 0, OP_VALUE = 1, OP_ID = 2, OP_ADD = 3, OP_SUB = 4, OP_MUL = 5, OP_DIV = 6, OP_MOD = 7,
    OP_SHL = 8, OP_SHR = 9, OP_AND = 10, OP_OR = 11, OP_XOR = 12, OP_EQ = 13, OP_NE = 14, OP_LT = 15,
    OP_LE = 16, OP_GE = 17, OP_GT = 18, OP_ANDAND = 19, OP_OROR = 20, OP_QUEST = 21, OP_COLON = 22,
    OP_COMMA = 23, OP_PLUS = 24, OP_NEG = 25, OP_COMPL = 26, OP_NOT = 27, OP_LPAREN = 28,
    OP_RPAREN = 29, OP_NONE = 30,
};

const char* const op_names[] = {
    "end of expression", "val", "id", "+", "-", "*", "/", "%", "<<", ">>", "&", "|", "^", "==", "!=",
    "<", "<=", ">=", ">", "&&", "||", "?", ":", ",", "unary +", "unary -", "~", "!", "(", ")", "(none)",
};

// Binding bytes: a higher byte binds tighter; bit 0 = a left operand must precede.
const uint8_t op_bytes[] = {
    0x01, 0x02, 0x00, 0x61, 0x61, 0x69, 0x69, 0x69, 0x59, 0x59, 0x41, 0x39, 0x3D, 0x49, 0x49, 0x51,
    0x51, 0x51, 0x51, 0x31, 0x29, 0x21, 0x21, 0x19, 0x70, 0x70, 0x70, 0x70, 0x78, 0x0B, 0x13,
};
constexpr uint8_t OPEN_PAREN_BYTE = 0x0B;
constexpr uint8_t OPEN_QUEST_BYTE = 0x1C;
constexpr size_t VALUE_LIMIT = 127;
constexpr size_t OPERATOR_LIMIT = 128;

struct value {
    uint32_t bits;
    bool is_signed;
};

struct op_entry {
    int code;
    uint8_t byte;
    bool skip;         // the operand after this operator is not evaluated
    bool outer_skip;   // the skip state in force when the operator was pushed
};

// sizeof: type words and the size table.
enum : uint32_t {
    T_CHAR = 1, T_INT = 2, T_FLOAT = 4, T_DOUBLE = 8, T_SHORT = 16, T_LONG = 32, T_SIGNED = 64,
    T_UNSIGNED = 128, T_POINTER = 256, T_FUNCPTR = 512,
};
struct size_row {
    uint32_t type;
    uint32_t size;
    uint32_t pointer_size;
};
size_row sizes[7] = {
    {T_CHAR, 1, 4}, {T_SHORT, 2, 4}, {T_INT, 4, 4}, {T_LONG, 4, 4},
    {T_FLOAT, 4, 4}, {T_DOUBLE, 8, 4}, {T_FUNCPTR, 0, 4},
};

struct evaluation_failed {};

class evaluator {
public:
    uint32_t run();

private:
    std::vector<value> values_;
    std::vector<op_entry> ops_;

    [[noreturn]] void fail() { throw evaluation_failed{}; }
    bool skipping() const { return ops_.back().skip; }
    int next_operator(pchar c);
    bool next_token(int& code, value& v);
    value number(pchar c);
    value character_constant();
    value defined_operand();
    value sizeof_operand();
    void push_value(const value& v);
    void push_operator(int code);
    void reduce();
    value pop_value();
};

value evaluator::pop_value() {
    if (values_.empty()) {
        alert_message(119);
        fail();
    }
    value v = values_.back();
    values_.pop_back();
    return v;
}

value evaluator::number(pchar c) {
    uint32_t base = 10, bits = 0;
    if (c == '0') {
        base = 8;
        c = scanner::next_char();
        if (c == 'x' || c == 'X') {
            base = 16;
            c = scanner::next_char();
        }
    }
    for (;; c = scanner::next_char()) {
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            break;
        if (d >= base) break;
        bits = bits * base + d;
    }
    bool is_signed = (bits & 0x80000000u) == 0;
    for (;; c = scanner::next_char()) {
        if (c == 'u' || c == 'U')
            is_signed = false;
        else if (c != 'l' && c != 'L')
            break;
    }
    scanner::unget(c);
    return {bits, is_signed};
}

value evaluator::character_constant() {
    bool saved = scanner::literal_mode;
    scanner::literal_mode = true;
    uint32_t bits = 0;
    int count = 0;
    for (pchar c = scanner::next_char();; c = scanner::next_char()) {
        if (c == '\'' ) break;
        if (c == '\n' || c == 0) {
            scanner::unget(c);
            break;
        }
        uint32_t ch = c;
        if (c == '\\') {
            c = scanner::next_char();
            auto hex = [](pchar h) -> int {
                if (h >= '0' && h <= '9') return h - '0';
                if (h >= 'a' && h <= 'f') return h - 'a' + 10;
                if (h >= 'A' && h <= 'F') return h - 'A' + 10;
                return -1;
            };
            switch (c) {
            case 'a': ch = 7; break;
            case 'b': ch = 8; break;
            case 'f': ch = 12; break;
            case 'n': ch = 10; break;
            case 'r': ch = 13; break;
            case 't': ch = 9; break;
            case 'v': ch = 11; break;
            case 'x': {
                ch = 0;
                int i = 0;
                for (c = scanner::next_char(); i < 3 && hex(c) >= 0; ++i, c = scanner::next_char())
                    ch = ch * 16 + hex(c);
                scanner::unget(c);
                break;
            }
            default:
                if (c >= '0' && c <= '7') {
                    ch = 0;
                    int i = 0;
                    for (; i < 3 && c >= '0' && c <= '7'; ++i, c = scanner::next_char()) ch = ch * 8 + (c - '0');
                    scanner::unget(c);
                } else if (c == '\n' || c == 0) {
                    scanner::unget(c);
                    ch = '\\';
                } else {
                    ch = c;
                }
            }
        }
        if (count++ > 0 && !skipping()) alert_message(174, static_cast<int>(ch & 0xFF));
        bits = bits * 256 + ch;
    }
    scanner::literal_mode = saved;
    return {bits, true};
}

value evaluator::defined_operand() {
    pchar c = scanner::skip_blanks();
    bool paren = c == '(';
    if (paren) c = scanner::skip_blanks();
    if (!is_ident_start(c)) {
        scanner::unget(c);
        alert_message(127);
        fail();
    }
    bool found = macros::find(scanner::read_identifier(c)) != nullptr;
    if (paren) {
        c = scanner::skip_blanks();
        if (c != ')') {
            scanner::unget(c);
            alert_message(127);
            fail();
        }
    }
    return {found ? 1u : 0u, true};
}

value evaluator::sizeof_operand() {
    static const struct {
        const char* word;
        uint32_t bit;
    } words[] = {{"char", T_CHAR},   {"int", T_INT},   {"float", T_FLOAT},   {"double", T_DOUBLE},
                 {"short", T_SHORT}, {"long", T_LONG}, {"signed", T_SIGNED}, {"unsigned", T_UNSIGNED}};
    auto syntax_error = [&](pchar c) {
        scanner::unget(c);
        alert_message(134);
        fail();
    };
    pchar c = scanner::skip_blanks();
    if (c != '(') syntax_error(c);
    uint32_t type = 0;
    for (;;) {
        c = scanner::skip_blanks();
        if (c == ')') break;
        if (is_ident_start(c)) {
            std::string word = narrow(scanner::read_identifier(c));
            uint32_t bit = 0;
            for (const auto& w : words)
                if (word == w.word) bit = w.bit;
            if (!bit) {
                alert_message(130, word.c_str());
                fail();
            }
            type |= bit;
        } else if (c == '*') {
            type |= T_POINTER;
        } else if (c == '(') {
            // "(*)" or "(*)()": a function pointer
            if ((c = scanner::skip_blanks()) != '*') syntax_error(c);
            if ((c = scanner::skip_blanks()) != ')') syntax_error(c);
            c = scanner::skip_blanks();
            if (c == '(') {
                if ((c = scanner::skip_blanks()) != ')') syntax_error(c);
            } else {
                scanner::unget(c);
            }
            type |= T_FUNCPTR;
        } else {
            syntax_error(c);
        }
    }
    auto several = [&](uint32_t set) { return __builtin_popcount(type & set) > 1; };
    if (several(T_SHORT | T_LONG | T_FLOAT | T_DOUBLE) || several(T_CHAR | T_INT | T_FLOAT | T_DOUBLE) ||
        several(T_FLOAT | T_DOUBLE | T_SIGNED | T_UNSIGNED) || several(T_CHAR | T_SHORT | T_LONG)) {
        alert_message(131);
        fail();
    }
    type &= ~(T_SIGNED | T_UNSIGNED);
    if (type & (T_SHORT | T_LONG)) type &= ~T_INT;
    if (type & T_FUNCPTR) type = T_FUNCPTR | T_POINTER;
    uint32_t base = type & ~T_POINTER;
    if (base == 0) {
        alert_message(132);
        fail();
    }
    for (const size_row& row : sizes)
        if (row.type == base) return {(type & T_POINTER) ? row.pointer_size : row.size, false};
    alert_message(133, type);
    fail();
}

// Reads one token; false for an operator (its code in code), true for an operand.
bool evaluator::next_token(int& code, value& v) {
    for (;;) {
        pchar c = scanner::skip_blanks();
        if (c == '\n' || c == 0) {
            scanner::unget(c);
            code = OP_END;
            return false;
        }
        if (c == 'L') {
            pchar quote = scanner::next_char();
            scanner::unget(quote);
            if (quote == '\'') {
                alert_message(250);
                fail();
            }
        }
        if (is_ident_start(c)) {
            ptext id;
            if (!macros::identifier_token(c, id, true)) continue;   // expanded or pasted
            if (id == u"defined") {
                v = defined_operand();
            } else if (id == u"sizeof") {
                v = sizeof_operand();
            } else {
                v = {0, true};
            }
            return true;
        }
        if (is_digit(c)) {
            v = number(c);
            return true;
        }
        if (c == '\'') {
            v = character_constant();
            return true;
        }
        code = next_operator(c);
        return false;
    }
}

int evaluator::next_operator(pchar c) {
    auto follows = [](pchar want) {
        pchar n = scanner::next_char();
        if (n == want) return true;
        scanner::unget(n);
        return false;
    };
    switch (c) {
    case '!': return follows('=') ? OP_NE : OP_NOT;
    case '&': return follows('&') ? OP_ANDAND : OP_AND;
    case '|': return follows('|') ? OP_OROR : OP_OR;
    case '<': return follows('<') ? OP_SHL : follows('=') ? OP_LE : OP_LT;
    case '>': return follows('>') ? OP_SHR : follows('=') ? OP_GE : OP_GT;
    case '=':
        if (follows('=')) return OP_EQ;
        alert_message(128);
        fail();
    case '+': return OP_ADD;
    case '-': return OP_SUB;
    case '*': return OP_MUL;
    case '/': return OP_DIV;
    case '%': return OP_MOD;
    case '^': return OP_XOR;
    case '~': return OP_COMPL;
    case '?': return OP_QUEST;
    case ':': return OP_COLON;
    case ',': return OP_COMMA;
    case '(': return OP_LPAREN;
    case ')': return OP_RPAREN;
    case '"': alert_message(126); fail();
    case '\\': alert_message(129); fail();
    case '.': alert_message(119); fail();
    default: break;
    }
    if (!skipping()) {
        if (c >= 0x20 && c < 0x7F)
            alert_message(124, static_cast<int>(c));
        else
            alert_message(125, static_cast<int>(c));
    }
    fail();
}

void evaluator::push_value(const value& v) {
    if (values_.size() >= VALUE_LIMIT) {
        alert_message(118);
        fail();
    }
    values_.push_back(v);
}

bool is_prefix(int code) { return code >= OP_PLUS && code <= OP_LPAREN; }

void evaluator::push_operator(int code) {
    if (ops_.size() >= OPERATOR_LIMIT) {
        alert_message(121, op_names[code]);
        fail();
    }
    bool outer = ops_.back().skip;
    bool skip = outer;
    if (code == OP_ANDAND && !values_.empty()) skip = outer || values_.back().bits == 0;
    if (code == OP_OROR && !values_.empty()) skip = outer || values_.back().bits != 0;
    if (code == OP_QUEST && !values_.empty()) skip = outer || values_.back().bits == 0;
    if (code == OP_COLON && values_.size() >= 2 && ops_.back().code == OP_QUEST)
        skip = ops_.back().outer_skip || values_[values_.size() - 2].bits != 0;
    uint8_t byte = code == OP_LPAREN ? OPEN_PAREN_BYTE : code == OP_QUEST ? OPEN_QUEST_BYTE : op_bytes[code];
    ops_.push_back({code, byte, skip, outer});
}

// Reduces the operator on top of the stack.
void evaluator::reduce() {
    op_entry e = ops_.back();
    ops_.pop_back();
    int code = e.code;
    if (code >= OP_PLUS && code <= OP_NOT) {
        value a = pop_value();
        switch (code) {
        case OP_NEG: a.bits = 0u - a.bits; break;
        case OP_COMPL: a.bits = ~a.bits; break;
        case OP_NOT: a = {a.bits == 0 ? 1u : 0u, true}; break;
        default: break;
        }
        values_.push_back(a);
        return;
    }
    if (code == OP_COLON) {
        if (ops_.back().code != OP_QUEST) {
            alert_message(123, op_names[ops_.back().code]);
            fail();
        }
        ops_.pop_back();
        value third = pop_value(), second = pop_value(), condition = pop_value();
        value r = condition.bits ? second : third;
        r.is_signed = second.is_signed && third.is_signed;
        values_.push_back(r);
        return;
    }
    if (code == OP_QUEST) {
        alert_message(123, op_names[ops_.back().code]);
        fail();
    }
    if (code < OP_ADD || code > OP_OROR) {
        alert_message(135, code);
        fail();
    }
    value b = pop_value(), a = pop_value();
    bool both_signed = a.is_signed && b.is_signed;
    int32_t sa = static_cast<int32_t>(a.bits), sb = static_cast<int32_t>(b.bits);
    value r{0, both_signed};
    switch (code) {
    case OP_ADD: r.bits = a.bits + b.bits; break;
    case OP_SUB: r.bits = a.bits - b.bits; break;
    case OP_MUL: r.bits = a.bits * b.bits; break;
    case OP_DIV:
    case OP_MOD:
        if (b.bits == 0) {
            if (!e.outer_skip) {
                if (code == OP_DIV)
                    alert_message(175);
                else
                    alert_message(990);
            }
        } else if (both_signed) {
            // INT_MIN / -1 wraps to INT_MIN, and its remainder is 0.
            if (sb == -1)
                r.bits = code == OP_DIV ? 0u - a.bits : 0;
            else
                r.bits = static_cast<uint32_t>(code == OP_DIV ? sa / sb : sa % sb);
        } else {
            r.bits = code == OP_DIV ? a.bits / b.bits : a.bits % b.bits;
        }
        break;
    case OP_SHL: r.bits = a.bits << (b.bits & 31); break;
    case OP_SHR: r.bits = a.bits >> (b.bits & 31); break;
    case OP_AND: r.bits = a.bits & b.bits; break;
    case OP_OR: r.bits = a.bits | b.bits; break;
    case OP_XOR: r.bits = a.bits ^ b.bits; break;
    // Comparisons and logical operators give an int, as in C.
    case OP_EQ: r = {a.bits == b.bits, true}; break;
    case OP_NE: r = {a.bits != b.bits, true}; break;
    case OP_LT: r = {both_signed ? sa < sb : a.bits < b.bits, true}; break;
    case OP_LE: r = {both_signed ? sa <= sb : a.bits <= b.bits, true}; break;
    case OP_GE: r = {both_signed ? sa >= sb : a.bits >= b.bits, true}; break;
    case OP_GT: r = {both_signed ? sa > sb : a.bits > b.bits, true}; break;
    case OP_ANDAND: r = {a.bits && b.bits, true}; break;
    case OP_OROR: r = {a.bits || b.bits, true}; break;
    default: break;
    }
    values_.push_back(r);
}

uint32_t evaluator::run() {
    ops_.push_back({OP_NONE, op_bytes[OP_NONE], false, false});
    bool operand_read = false;
    for (;;) {
        int code = OP_END;
        value v{};
        if (next_token(code, v)) {
            if (operand_read) {
                alert_message(117);
                fail();
            }
            push_value(v);
            operand_read = true;
            continue;
        }
        if (!operand_read && code == OP_ADD) code = OP_PLUS;
        if (!operand_read && code == OP_SUB) code = OP_NEG;
        uint8_t byte = op_bytes[code];
        if (static_cast<bool>(byte & 1) != operand_read) {
            alert_message(120, op_names[code]);
            fail();
        }
        bool consumed = false;
        if (!(is_prefix(code) && is_prefix(ops_.back().code))) {
            while (ops_.back().byte >= byte) {
                const op_entry& top = ops_.back();
                if (top.code == OP_NONE) {
                    if (code == OP_END) return pop_value().bits;
                    alert_message(122, op_names[code]);
                    fail();
                }
                if (top.code == OP_LPAREN) {
                    if (code != OP_RPAREN) {
                        alert_message(122, op_names[code]);
                        fail();
                    }
                    ops_.pop_back();
                    consumed = true;
                    break;
                }
                if (code == OP_QUEST && top.code == OP_COLON) break;   // ?: groups to the right
                reduce();
            }
        }
        if (consumed) continue;   // ")" closed its group; the group is an operand
        push_operator(code);
        operand_read = false;
    }
}

}  // namespace

uint32_t evaluate() {
    evaluator e;
    try {
        return e.run();
    } catch (const evaluation_failed&) {
        scanner::skip_line();
        return 1;
    }
}

void set_sizes(const char* option) {
    const char* p = option + 2;   // after "-S"
    bool pointers = *p == '*' || *p == 'P' || *p == 'p';
    if (pointers) ++p;
    size_t rows = pointers ? 7 : 6;
    for (size_t i = 0; i < rows; ++i) {
        while (*p && !(*p >= '0' && *p <= '9')) ++p;
        if (!*p) {
            alert_message(166, option);
            return;
        }
        uint32_t n = 0;
        for (; *p >= '0' && *p <= '9'; ++p) n = n * 10 + static_cast<uint32_t>(*p - '0');
        (pointers ? sizes[i].pointer_size : sizes[i].size) = n;
    }
    if (*p) alert_message(167, p);
}

}  // namespace cond_eval
