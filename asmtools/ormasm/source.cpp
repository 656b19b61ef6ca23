#include "asmtools/ormasm/source.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include "common/osdep.h"

#include "asmtools/ormasm/expr.h"

namespace asmx {

static bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (is_blank(s[b]) || s[b] == '\r')) ++b;
    while (e > b && (is_blank(s[e - 1]) || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

bool read_line_marker(const std::string& text, int32_t& number, std::string& file) {
    size_t i = 0;
    if (text.empty() || text[0] != '#') return false;
    ++i;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    int64_t n = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        n = std::min<int64_t>(n * 10 + (text[i] - '0'), INT32_MAX);
        ++i;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && text[i] == '"') {
        size_t close = text.find('"', i + 1);
        if (close == std::string::npos) return false;
        file = text.substr(i + 1, close - i - 1);
        i = close + 1;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r')) ++i;
    if (i != text.size()) return false;
    number = int32_t(n);
    return true;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    lines.reserve(size_t(std::count(text.begin(), text.end(), '\n')) + 1);
    size_t start = 0;
    while (start < text.size()) {
        size_t nl = text.find('\n', start);
        size_t end = nl == std::string::npos ? text.size() : nl;
        size_t cut = end > start && text[end - 1] == '\r' ? end - 1 : end;
        lines.push_back(text.substr(start, cut - start));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

// Removes a ';' comment; quotes protect a ';' inside a character or string constant.
static std::string strip_comment(const std::string& s) {
    char quote = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (quote) {
            if (c == '\\' && quote == '\'' && i + 1 < s.size())
                ++i;
            else if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == ';') {
            return s.substr(0, i);
        }
    }
    return s;
}

// Next blank-separated word from pos; stops before a ':' when stop_at_colon is set.
static std::string next_word(const std::string& s, size_t& pos, bool stop_at_colon) {
    while (pos < s.size() && is_blank(s[pos])) ++pos;
    size_t start = pos;
    while (pos < s.size() && !is_blank(s[pos]) && !(stop_at_colon && s[pos] == ':')) ++pos;
    return s.substr(start, pos - start);
}

source_line split_line(std::string text, int32_t number,
                       const std::function<bool(const std::string&)>& is_operation) {
    source_line line;
    line.number = number;
    std::string s = strip_comment(text);
    line.text = std::move(text);
    size_t pos = 0;
    std::string first = next_word(s, pos, true);
    if (first.empty()) return line;
    if (pos < s.size() && s[pos] == ':') {
        ++pos;
        line.label = first;
        line.operation = next_word(s, pos, false);
        line.operands = trim(s.substr(pos));
    } else {
        size_t after_first = pos;
        std::string second = next_word(s, pos, false);
        bool defines = str_casecmp(second.c_str(), "equ") == 0 || str_casecmp(second.c_str(), "set") == 0;
        if (!defines && is_operation(first)) {
            line.operation = first;
            line.operands = trim(s.substr(after_first));
        } else {
            line.label = first;
            line.label_plain = is_blank(s[0]);
            line.operation = second;
            line.operands = trim(s.substr(pos));
        }
    }
    if (!line.label.empty() && !is_symbol_name(line.label))
        line.fault = line.label;
    line.parts = split_operands(line.operands);
    return line;
}

std::vector<std::string> split_operands(const std::string& text) {
    std::vector<std::string> parts;
    if (trim(text).empty()) return parts;
    int depth = 0;
    char quote = 0;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            if (c == '\\' && quote == '\'' && i + 1 < text.size())
                ++i;
            else if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            parts.push_back(trim(text.substr(start, i - start)));
            start = i + 1;
        }
    }
    parts.push_back(trim(text.substr(start)));
    return parts;
}

}  // namespace asmx
