#include "asmtools/ormasm/expr.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "common/float_format.h"
#include "common/osdep.h"

namespace asmx {

bool is_symbol_start(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '?' || c == '$';
}

bool is_symbol_char(char c) {
    return is_symbol_start(c) || std::isdigit(static_cast<unsigned char>(c));
}

bool is_symbol_name(const std::string& text) {
    if (text.empty() || !is_symbol_start(text[0])) return false;
    for (char c : text)
        if (!is_symbol_char(c)) return false;
    return true;
}

static int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

static bool parse_digits(const std::string& s, size_t from, size_t to, int radix, int64_t& out) {
    if (from >= to) return false;
    uint64_t v = 0;
    for (size_t i = from; i < to; ++i) {
        int d = hex_digit(s[i]);
        if (d < 0 || d >= radix) return false;
        v = v * uint64_t(radix) + uint64_t(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    out = int64_t(v);
    return true;
}

// Decimal by default; "0x..." and "...h" (starting with a digit) are hexadecimal; 'c' is a
// character constant with the escapes \n \t \r \0 \\ \'.
bool parse_number(const std::string& s, int64_t& out) {
    if (s.size() >= 3 && s.front() == '\'' && s.back() == '\'') {
        if (s.size() == 3) {
            out = static_cast<unsigned char>(s[1]);
            return true;
        }
        if (s.size() == 4 && s[1] == '\\') {
            switch (s[2]) {
            case 'n': out = '\n'; return true;
            case 't': out = '\t'; return true;
            case 'r': out = '\r'; return true;
            case '0': out = 0; return true;
            case '\\': out = '\\'; return true;
            case '\'': out = '\''; return true;
            default: return false;
            }
        }
        return false;
    }
    if (s.empty() || !std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        return parse_digits(s, 2, s.size(), 16, out);
    if (s.back() == 'h' || s.back() == 'H') return parse_digits(s, 0, s.size() - 1, 16, out);
    return parse_digits(s, 0, s.size(), 10, out);
}

expr_ptr make_constant(int64_t v) {
    auto n = std::make_shared<expr_node>();
    n->kind = expr_node::constant;
    n->value = v;
    return n;
}

expr_ptr make_binary(op o, expr_ptr l, expr_ptr r) {
    auto n = std::make_shared<expr_node>();
    n->kind = expr_node::binary;
    n->oper = o;
    n->left = std::move(l);
    n->right = std::move(r);
    return n;
}

expr_ptr make_unary(op o, expr_ptr l) {
    auto n = std::make_shared<expr_node>();
    n->kind = expr_node::unary;
    n->oper = o;
    n->left = std::move(l);
    return n;
}

namespace {

struct token {
    enum kind_t { end, number, floating, name, punct } kind = end;
    std::string text;
    int64_t value = 0;
    double fvalue = 0;          // floating
};

// The length of a decimal floating literal at s[from] (digits with a fraction, an exponent or
// both, as the code generator writes them); 0 when there is none. A run that goes on with a
// letter or digit is no literal ("1e5h" stays a hexadecimal number).
size_t floating_length(const std::string& s, size_t from) {
    size_t i = from;
    auto digits = [&] {
        size_t start = i;
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
        return i > start;
    };
    if (!digits()) return 0;
    bool fraction = false, exponent = false;
    if (i < s.size() && s[i] == '.') {
        ++i;
        digits();
        fraction = true;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t mark = i++;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (digits()) exponent = true;
        else i = mark;
    }
    if (!fraction && !exponent) return 0;
    if (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '.')) return 0;
    return i - from;
}

// Recursive-descent parser over one operand text; C precedence.
class parser {
public:
    explicit parser(const std::string& text) : s_(text) { advance(); }
    bool parse(expr_ptr& out, std::string& error) {
        out = or_expr();
        if (ok_ && tok_.kind != token::end) fail("unexpected \"" + tok_.text + "\"");
        error = error_;
        return ok_;
    }

private:
    void fail(const std::string& why) {
        if (ok_) error_ = why;
        ok_ = false;
    }

    void advance() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
        tok_ = token();
        if (pos_ >= s_.size()) return;
        char c = s_[pos_];
        size_t start = pos_;
        if (c == '\'') {
            size_t end = pos_ + 1;
            if (end < s_.size() && s_[end] == '\\') ++end;
            ++end;
            if (end < s_.size() && s_[end] == '\'') {
                tok_.text = s_.substr(start, end + 1 - start);
                pos_ = end + 1;
                tok_.kind = token::number;
                if (!parse_number(tok_.text, tok_.value)) fail("bad character constant " + tok_.text);
                return;
            }
            fail("bad character constant");
            pos_ = s_.size();
            return;
        }
        if (size_t n = floating_length(s_, pos_)) {
            tok_.kind = token::floating;
            tok_.text = s_.substr(start, n);
            tok_.fvalue = std::strtod(tok_.text.c_str(), nullptr);
            pos_ += n;
            return;
        }
        if (std::isdigit(static_cast<unsigned char>(c))) {
            while (pos_ < s_.size() && std::isalnum(static_cast<unsigned char>(s_[pos_]))) ++pos_;
            tok_.kind = token::number;
            tok_.text = s_.substr(start, pos_ - start);
            if (!parse_number(tok_.text, tok_.value)) fail("bad number \"" + tok_.text + "\"");
            return;
        }
        if (is_symbol_start(c)) {
            while (pos_ < s_.size() && is_symbol_char(s_[pos_])) ++pos_;
            tok_.kind = token::name;
            tok_.text = s_.substr(start, pos_ - start);
            return;
        }
        tok_.kind = token::punct;
        if ((c == '<' || c == '>') && pos_ + 1 < s_.size() && s_[pos_ + 1] == c) {
            tok_.text = s_.substr(pos_, 2);
            pos_ += 2;
            return;
        }
        tok_.text = std::string(1, c);
        ++pos_;
    }

    bool is(const char* p) const { return tok_.kind == token::punct && tok_.text == p; }
    bool is_word(const char* w) const {
        return tok_.kind == token::name && str_casecmp(tok_.text.c_str(), w) == 0;
    }

    // or := xor { "|" xor }
    expr_ptr or_expr() {
        expr_ptr l = xor_expr();
        while (ok_ && is("|")) {
            advance();
            l = make_binary(op::bor, l, xor_expr());
        }
        return l;
    }
    // xor := and { "^" and }
    expr_ptr xor_expr() {
        expr_ptr l = and_expr();
        while (ok_ && is("^")) {
            advance();
            l = make_binary(op::bxor, l, and_expr());
        }
        return l;
    }
    // and := shift { "&" shift }
    expr_ptr and_expr() {
        expr_ptr l = shift_expr();
        while (ok_ && is("&")) {
            advance();
            l = make_binary(op::band, l, shift_expr());
        }
        return l;
    }
    // shift := add { ("<<" | ">>") add }
    expr_ptr shift_expr() {
        expr_ptr l = add_expr();
        while (ok_ && (is("<<") || is(">>"))) {
            op o = is("<<") ? op::shl : op::shr;
            advance();
            l = make_binary(o, l, add_expr());
        }
        return l;
    }
    // add := mul { ("+" | "-") mul }
    expr_ptr add_expr() {
        expr_ptr l = mul_expr();
        while (ok_ && (is("+") || is("-"))) {
            op o = is("+") ? op::add : op::sub;
            advance();
            l = make_binary(o, l, mul_expr());
        }
        return l;
    }
    // mul := unary { ("*" | "/" | "%") unary }
    expr_ptr mul_expr() {
        expr_ptr l = unary_expr();
        while (ok_ && (is("*") || is("/") || is("%"))) {
            op o = is("*") ? op::mul : is("/") ? op::div : op::mod;
            advance();
            l = make_binary(o, l, unary_expr());
        }
        return l;
    }
    // A floating literal stands for its bit pattern: the 24-bit format, or IEEE single after
    // "float32"; a sign written right before the literal belongs to the value.
    // floating := ["float32"] ["-" | "+"] literal
    expr_ptr floating_literal(bool wide) {
        bool negative = false;
        if (is("-") || is("+")) {
            negative = is("-");
            advance();
        }
        if (tok_.kind != token::floating) {
            fail("floating literal expected");
            return make_constant(0);
        }
        double v = negative ? -tok_.fvalue : tok_.fvalue;
        advance();
        return make_constant(int64_t(float_pattern(v, wide ? 4 : 3)));
    }

    bool signed_floating_next() const {
        if (!is("-") && !is("+")) return false;
        size_t i = pos_;
        while (i < s_.size() && std::isspace(static_cast<unsigned char>(s_[i]))) ++i;
        return floating_length(s_, i) != 0;
    }

    // unary := ("-" | "+" | "~" | "not" | "low" ["highword"] | "high" ["highword"]) unary
    //        | floating | primary
    expr_ptr unary_expr() {
        if (!ok_) return make_constant(0);
        if (++depth_ > 200) {
            fail("expression nested too deeply");
            return make_constant(0);
        }
        expr_ptr r;
        if (is_word("float32")) {
            advance();
            r = floating_literal(true);
        } else if (tok_.kind == token::floating || signed_floating_next()) {
            r = floating_literal(false);
        } else if (is("-") || is("+") || is("~")) {
            op o = is("-") ? op::neg : is("+") ? op::plus : op::bnot;
            advance();
            r = make_unary(o, unary_expr());
        } else if (is_word("not")) {
            advance();
            r = make_unary(op::bnot, unary_expr());
        } else if (is_word("low") || is_word("high")) {
            bool low = is_word("low");
            advance();
            bool hw = false;
            if (is_word("highword")) {
                hw = true;
                advance();
            }
            op o = low ? (hw ? op::low_hw : op::low) : (hw ? op::high_hw : op::high);
            r = make_unary(o, unary_expr());
        } else {
            r = primary();
        }
        --depth_;
        return r;
    }
    // primary := number | character | name | "$" | "(" or ")"
    expr_ptr primary() {
        if (tok_.kind == token::number) {
            expr_ptr n = make_constant(tok_.value);
            advance();
            return n;
        }
        if (tok_.kind == token::name) {
            auto n = std::make_shared<expr_node>();
            if (tok_.text == "$") {
                n->kind = expr_node::location;
            } else {
                n->kind = expr_node::symbol;
                n->name = tok_.text;
            }
            advance();
            return n;
        }
        if (is("(")) {
            advance();
            expr_ptr inner = or_expr();
            if (!is(")")) {
                fail("missing \")\"");
                return inner;
            }
            advance();
            return inner;
        }
        if (tok_.kind == token::end)
            fail("missing operand");
        else
            fail("unexpected \"" + tok_.text + "\"");
        return make_constant(0);
    }

    const std::string& s_;
    size_t pos_ = 0;
    token tok_;
    bool ok_ = true;
    int depth_ = 0;
    std::string error_;
};

int64_t apply_constant(op o, int64_t a, int64_t b, bool& div0) {
    switch (o) {
    case op::add: return a + b;
    case op::sub: return a - b;
    case op::mul: return int64_t(uint64_t(a) * uint64_t(b));
    case op::div:
        if (b == 0) { div0 = true; return 0; }
        return a / b;
    case op::mod:
        if (b == 0) { div0 = true; return 0; }
        return a % b;
    case op::shl: return int64_t(uint64_t(a) << (b & 63));
    case op::shr: return a >> (b & 63);
    case op::band: return a & b;
    case op::bor: return a | b;
    case op::bxor: return a ^ b;
    case op::neg: return -a;
    case op::plus: return a;
    case op::bnot: return ~a;
    case op::low: return a & 0xFF;
    case op::high: return (a >> 8) & 0xFF;
    case op::low_hw: return (a >> 16) & 0xFF;
    case op::high_hw: return (a >> 24) & 0xFF;
    }
    return 0;
}

class evaluator {
public:
    evaluator(symbol_resolver& r, eval_result& out) : r_(r), out_(out) {}

    linear eval(const expr_ptr& n) {
        linear v;
        if (!n) return v;
        switch (n->kind) {
        case expr_node::constant: v.constant = n->value; return v;
        case expr_node::location:
            v.constant = n->value;
            if (n->psect >= 0) v.terms[base{true, n->psect, {}}] = 1;
            return v;
        case expr_node::symbol: return symbol(n->name);
        case expr_node::unary: {
            linear a = eval(n->left);
            if (n->oper == op::plus) return a;
            if (n->oper == op::neg) return scale(a, -1);
            if (a.absolute()) {
                v.constant = apply_constant(n->oper, a.constant, 0, out_.divide_by_zero);
                return v;
            }
            a.complex = true;
            return a;
        }
        case expr_node::binary: {
            linear a = eval(n->left), b = eval(n->right);
            if (n->oper == op::add || n->oper == op::sub) {
                if (n->oper == op::sub) b = scale(b, -1);
                a.constant += b.constant;
                a.complex = a.complex || b.complex;
                for (auto& [k, c] : b.terms) {
                    a.terms[k] += c;
                    if (a.terms[k] == 0) a.terms.erase(k);
                }
                return a;
            }
            if (n->oper == op::mul && (a.absolute() || b.absolute()))
                return a.absolute() ? scale(b, a.constant) : scale(a, b.constant);
            if (a.absolute() && b.absolute()) {
                v.constant = apply_constant(n->oper, a.constant, b.constant, out_.divide_by_zero);
                return v;
            }
            a.complex = true;
            for (auto& [k, c] : b.terms) a.terms[k] += c;
            return a;
        }
        }
        return v;
    }

private:
    static linear scale(linear a, int64_t k) {
        a.constant *= k;
        for (auto it = a.terms.begin(); it != a.terms.end();) {
            it->second *= k;
            it = it->second == 0 ? a.terms.erase(it) : std::next(it);
        }
        return a;
    }

    linear symbol(const std::string& name) {
        linear v;
        symbol_meaning m = r_.resolve(name);
        switch (m.kind) {
        case symbol_meaning::undefined: out_.undefined.push_back(name); break;
        case symbol_meaning::constant: v.constant = m.value; break;
        case symbol_meaning::label:
            v.constant = m.value;
            v.terms[base{true, m.psect, {}}] = 1;
            break;
        case symbol_meaning::external: v.terms[base{false, -1, name}] = 1; break;
        case symbol_meaning::alias:
            if (depth_ >= 64) {
                out_.too_deep = true;
                break;
            }
            ++depth_;
            v = eval(m.tree);
            --depth_;
            break;
        }
        return v;
    }

    symbol_resolver& r_;
    eval_result& out_;
    int depth_ = 0;
};

// Byte-code operator of a binary tree operator; the left operand is pushed last (top).
uint8_t binary_code(op o) {
    switch (o) {
    case op::add: return obj::EX_ADD;
    case op::sub: return obj::EX_SUB;
    case op::mul: return obj::EX_MUL;
    case op::div: return obj::EX_DIV;
    case op::mod: return obj::EX_MOD;
    case op::shl: return obj::EX_SHL;
    case op::shr: return obj::EX_SHR;
    case op::band: return obj::EX_AND;
    case op::bor: return obj::EX_OR;
    default: return obj::EX_XOR;
    }
}

class encoder {
public:
    encoder(symbol_resolver& r, obj::expr_builder& out) : r_(r), out_(out) {}

    void encode(const expr_ptr& n) {
        eval_result res;
        evaluator ev(r_, res);
        linear v = ev.eval(n);
        if (v.absolute()) {
            out_.constant(uint32_t(v.constant));
            return;
        }
        if (v.simple()) {
            const base& b = v.terms.begin()->first;
            if (v.constant != 0) out_.constant(uint32_t(v.constant));
            if (b.is_psect)
                out_.psect(r_.psect_name(b.psect));
            else
                out_.symbol(b.symbol);
            if (v.constant != 0) out_.op(obj::EX_ADD);
            return;
        }
        switch (n->kind) {
        case expr_node::symbol: {
            symbol_meaning m = r_.resolve(n->name);
            if (m.kind == symbol_meaning::alias && depth_ < 64) {
                ++depth_;
                encode(m.tree);
                --depth_;
            } else {
                out_.constant(0);
            }
            return;
        }
        case expr_node::unary:
            switch (n->oper) {
            case op::low_hw:
            case op::high_hw:
                out_.constant(n->oper == op::low_hw ? 16 : 24);
                encode(n->left);
                out_.op(obj::EX_SHR).op(obj::EX_LOW);
                return;
            default:
                encode(n->left);
                break;
            }
            switch (n->oper) {
            case op::neg: out_.op(obj::EX_NEG); break;
            case op::bnot: out_.op(obj::EX_NOT); break;
            case op::low: out_.op(obj::EX_LOW); break;
            case op::high: out_.op(obj::EX_HIGH); break;
            default: break;
            }
            return;
        case expr_node::binary:
            encode(n->right);
            encode(n->left);
            out_.op(binary_code(n->oper));
            return;
        default:
            out_.constant(0);
            return;
        }
    }

private:
    symbol_resolver& r_;
    obj::expr_builder& out_;
    int depth_ = 0;
};

}  // namespace

bool parse_expression(const std::string& text, expr_ptr& out, std::string& error) {
    parser p(text);
    return p.parse(out, error);
}

eval_result evaluate(const expr_ptr& tree, symbol_resolver& resolver) {
    eval_result r;
    evaluator ev(resolver, r);
    r.value = ev.eval(tree);
    return r;
}

void encode_expression(const expr_ptr& tree, symbol_resolver& resolver, obj::expr_builder& out) {
    encoder e(resolver, out);
    e.encode(tree);
}

expr_ptr bind_location(const expr_ptr& tree, int psect, int64_t offset) {
    if (!tree || !has_unbound_location(tree)) return tree;
    auto n = std::make_shared<expr_node>(*tree);
    if (n->kind == expr_node::location && n->psect < 0) {
        n->psect = psect;
        n->value = offset;
    }
    n->left = bind_location(tree->left, psect, offset);
    n->right = bind_location(tree->right, psect, offset);
    return n;
}

bool has_unbound_location(const expr_ptr& tree) {
    if (!tree) return false;
    if (tree->kind == expr_node::location && tree->psect < 0) return true;
    return has_unbound_location(tree->left) || has_unbound_location(tree->right);
}

}  // namespace asmx
