// Directive scanner of the template language.
#include "codegen/template_scan.h"

#include <cctype>

namespace cg {

namespace {

bool is_digit(const std::string& t, size_t i) { return i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])); }

int read_number(const std::string& t, size_t& i) {
    int v = 0;
    while (is_digit(t, i)) v = v * 10 + (t[i++] - '0');
    return v;
}

bool read_which(const std::string& t, size_t& i, tpl_directive& d, bool part_letter) {
    if (i >= t.size()) return false;
    char c = t[i];
    if (c == 'J') {
        ++i;
        while (i < t.size() && (t[i] == '0' || t[i] == '1')) d.path += t[i++];
        d.which = 'J';
        return !d.path.empty();
    }
    // F, G, X and Y select an entry of a node: N, L or R only.
    const char* allowed = part_letter ? "NLR" : "NLRDHUS";
    for (const char* a = allowed; *a; ++a)
        if (c == *a) {
            d.which = c;
            ++i;
            return true;
        }
    return false;
}

}  // namespace

bool tpl_scan(const std::string& t, size_t pos, tpl_directive& d) {
    d = tpl_directive{};
    size_t i = pos;
    d.how = t[i++];
    bool ok = true;
    if (d.how == 'D') {
        if (i < t.size() && t[i] == 'D') ++i;       // "DD": the same without writing
    } else if (d.how == 'U') {
        if (is_digit(t, i)) { d.has_offset = true; d.offset = read_number(t, i); }
    } else if (d.how == 'L' || d.how == 'R') {
        // shorthand for "~L" and "~R"
    } else if (d.how == 'H') {
        ok = read_which(t, i, d, false);
    } else if (d.how == 'F' || d.how == 'G' || d.how == 'X' || d.how == 'Y') {
        while (is_digit(t, i)) d.parts += t[i++];
        ok = read_which(t, i, d, true);
    } else {
        // Modifiers, then a which-letter.
        for (;;) {
            if (i >= t.size()) break;
            char c = t[i];
            if ((c == '+' || c == '-') && is_digit(t, i + 1)) {
                ++i;
                d.has_offset = true;
                d.offset = read_number(t, i) * (c == '-' ? -1 : 1);
            } else if (c == '+' || c == '-') {
                d.count = c;
                ++i;
            } else if (c == '!') {
                d.keep = true;
                ++i;
            } else if (c == '=') {
                ++i;
                bool neg = i < t.size() && t[i] == '-';
                if (neg) ++i;
                if (!is_digit(t, i)) { ok = false; break; }
                d.has_compare = true;
                d.compare = read_number(t, i) * (neg ? -1 : 1);
            } else if (is_digit(t, i)) {
                d.has_offset = true;
                d.offset = read_number(t, i);
            } else if (c == '>') {
                d.has_offset = true;
                d.offset = 0;
                while (i < t.size() && t[i] == '>') { ++d.offset; ++i; }
            } else if (c == '/') {
                ++i;
                if (!is_digit(t, i)) { ok = false; break; }
                d.divisor = read_number(t, i);
            } else {
                break;
            }
        }
        if (ok) ok = read_which(t, i, d, false);
    }
    if (!ok && i < t.size()) ++i;
    d.length = i - pos;
    return ok;
}

}  // namespace cg
