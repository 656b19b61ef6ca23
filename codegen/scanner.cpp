// Token scanner of the intermediate code.
#include "codegen/context.h"
#include "codegen/reader.h"
#include "common/alert.h"

namespace cg {

namespace {
bool is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
}  // namespace

int ic_scanner::get() {
    if (back_ != -2) {
        int c = back_;
        back_ = -2;
        return c;
    }
    return std::fgetc(in_);
}

void ic_scanner::put_back(int c) { back_ = c; }

bool ic_scanner::at_end() {
    if (has_pending_) return false;
    int c = get();
    put_back(c);
    return c == EOF;
}

void ic_scanner::read_position() {
    // After the quote: the line number, then, when a blank follows, the file name up to a
    // tab or the end of the line.
    int32_t line = 0;
    int c = get();
    bool negative = false;
    if (c == '-') negative = true, c = get();
    while (c >= '0' && c <= '9') {
        if (line < 100000000) line = line * 10 + (c - '0');
        c = get();
    }
    ctx_.line = negative ? -line : line;
    if (c == ' ') {
        while (c == ' ') c = get();
        std::string name;
        while (c != EOF && c != '\n' && c != '\t' && c != '\r') {
            name.push_back(static_cast<char>(c));
            c = get();
        }
        ctx_.file_name = name;
        ctx_.symbols.set_file(name);
        alert_set_position(ctx_.file_name.c_str(), &ctx_.line, nullptr, nullptr);
    }
    // Anything else glued to the number is not part of a token.
    while (c != EOF && !is_space(c)) c = get();
    put_back(c);
}

bool ic_scanner::next(std::string& token) {
    if (has_pending_) {
        token = pending_;
        has_pending_ = false;
        return true;
    }
    for (;;) {
        int c = get();
        while (is_space(c)) c = get();
        if (c == EOF) return false;
        if (c == '"') {
            read_position();
            continue;
        }
        token.clear();
        while (c != EOF && !is_space(c)) {
            token.push_back(static_cast<char>(c));
            c = get();
        }
        put_back(c);
        return true;
    }
}

void ic_scanner::unget(const std::string& token) {
    pending_ = token;
    has_pending_ = true;
}

std::string ic_scanner::rest_of_line() {
    // Only the blank that separates the record token goes: the line's own indentation tells
    // the assembler an instruction from a label.
    std::string text;
    int c = get();
    if (c == ' ') c = get();
    while (c != EOF && c != '\n') {
        text.push_back(static_cast<char>(c));
        c = get();
    }
    while (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

bool ic_scanner::expect(char want) {
    if (has_pending_) {
        has_pending_ = false;
        return pending_.size() == 1 && pending_[0] == want;
    }
    int c = get();
    while (is_space(c)) c = get();
    if (c == want) return true;
    put_back(c);
    return false;
}

std::string ic_scanner::first_line() {
    std::string line;
    int c = get();
    while (c != EOF && c != '\n') {
        if (line.size() < 79) line.push_back(static_cast<char>(c));
        c = get();
    }
    return line;
}

}  // namespace cg
