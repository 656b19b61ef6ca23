// The #pragma forms (also _Pragma and option -G): settings and the pragma records.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "parser/emit.h"
#include "parser/lexer.h"
#include "parser/symbols.h"
#include "parser/types.h"

namespace {

bool is_separator(char c, bool words_only) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return true;
    return !words_only && (c == ',' || c == '(' || c == ')' || c == ':');
}

struct word_reader {
    const char* p;
    // Next word, cut at the separators; empty at the end.
    std::string next(bool words_only = false) {
        while (*p && is_separator(*p, words_only)) ++p;
        std::string w;
        while (*p && !is_separator(*p, words_only)) w += *p++;
        return w;
    }
    std::string peek(bool words_only = false) {
        const char* save = p;
        std::string w = next(words_only);
        p = save;
        return w;
    }
    // The rest of the line after the blanks that follow the current word.
    std::string rest() {
        while (*p == ' ' || *p == '\t') ++p;
        std::string r = p;
        while (!r.empty() && (r.back() == '\r' || r.back() == '\n' || r.back() == ' ')) r.pop_back();
        p += std::strlen(p);
        return r;
    }
};

bool is_number(const std::string& w) {
    if (w.empty()) return false;
    for (char c : w)
        if (c < '0' || c > '9') return false;
    return true;
}

bool ieq(const std::string& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return true;
}

// Words after a register-list pragma, up to the next pragma name is not knowable: they take the
// rest of the line.
std::vector<std::string> rest_words(word_reader& r) {
    std::vector<std::string> words;
    for (std::string w = r.next(true); !w.empty(); w = r.next(true)) words.push_back(w);
    return words;
}

sym_record* pragma_symbol(const std::string& name) {
    name_space saved = lookup_space;
    lookup_space = NS_ORDINARY;
    sym_record* sym = xref_reference(name.c_str());
    lookup_space = saved;
    return sym;
}

// Applies the numbered state operation to every positive number of a text.
void apply_numbers(const std::string& text, int operation) {
    word_reader r{text.c_str()};
    for (std::string w = r.next(); !w.empty(); w = r.next()) {
        if (!is_number(w)) break;
        int n = std::atoi(w.c_str());
        if (n <= 0) break;
        alert_msg_state(n, operation);
    }
}

void warning_pragma(word_reader& r) {
    std::string w = r.next();
    if (ieq(w, "push")) {
        alert_msg_state(0, 5);
        emit_pragma("u");
    } else if (ieq(w, "pop")) {
        alert_msg_state(0, 6);
        emit_pragma("o");
    } else if (ieq(w, "disable")) {
        std::string rest = r.rest();
        if (rest.empty()) {
            emit_pragma("n");
            alert_msg_state(0, 7);
        } else {
            emit_pragma("n %s", rest.c_str());
            apply_numbers(rest, 1);
        }
    } else if (ieq(w, "enable")) {
        std::string rest = r.rest();
        if (rest.empty()) {
            emit_pragma("y");
            alert_msg_state(0, 8);
        } else {
            emit_pragma("y %s", rest.c_str());
            apply_numbers(rest, 0);
        }
    } else if (ieq(w, "error")) {
        std::string rest = r.rest();
        if (!rest.empty()) {
            emit_pragma("e %s", rest.c_str());
            apply_numbers(rest, 3);
        }
    } else if (ieq(w, "warning")) {
        std::string rest = r.rest();
        if (!rest.empty()) {
            emit_pragma("w %s", rest.c_str());
            apply_numbers(rest, 2);
        }
    } else {
        alert_message(335, w.c_str());
        r.rest();
    }
}

}  // namespace

void do_pragma(const char* text) {
    word_reader r{text};
    for (std::string name = r.next(); !name.empty(); name = r.next()) {
        if (name == "pack" || name == "return_offset") {
            bool pack = name == "pack";
            std::string w = r.peek();
            if (!is_number(w)) {
                if (pack) alert_message(212);
                else alert_message(213);
                continue;
            }
            r.next();
            emit_pragma("%s %s", pack ? "p" : "r", w.c_str());
        } else if (name == "interrupt_level") {
            int count = 0;
            while (is_number(r.peek())) {
                std::string w = r.next();
                if (std::atol(w.c_str()) > 7) alert_message(332);
                emit_pragma("l %s", w.c_str());
                ++count;
            }
            if (!count) alert_message(214);
        } else if (name == "regarg") {
            regarg_flag = true;
        } else if (name == "noregarg") {
            regarg_flag = false;
        } else if (name == "jis") {
            jis_flag = true;
        } else if (name == "nojis") {
            jis_flag = false;
        } else if (name == "strings") {
            std::string w = r.peek();
            if (w.empty()) {
                string_classes = 0;
                continue;
            }
            uint32_t mask = qualifier_mask(w.c_str());
            if (!mask) {
                alert_message(333);
                continue;   // the word is read again as a pragma name
            }
            r.next();
            string_classes |= static_cast<uint16_t>(mask);
        } else if (name == "regsused") {
            std::vector<std::string> words = rest_words(r);
            if (words.empty()) {
                emit_pragma("u ,");
            } else {
                std::string t = "u " + words[0] + " ";
                for (size_t i = 1; i < words.size(); ++i) t += words[i] + ",";
                emit_pragma("%s", t.c_str());
            }
        } else if (name == "varregs") {
            std::vector<std::string> words = rest_words(r);
            std::string t = "v ";
            if (words.empty()) t += ",";
            for (size_t i = 0; i < words.size(); ++i) t += (i ? "," : "") + words[i];
            emit_pragma("%s", t.c_str());
        } else if (name == "callname") {
            std::vector<std::string> words = rest_words(r);
            if (words.empty()) continue;
            sym_record* sym = pragma_symbol(words[0]);
            if (sym && sym->kind != S_NONE && is_function(sym->type) && !(sym->flags & F_EMITTED)) emit_var(sym);
            std::string t = "c _" + words[0];
            for (size_t i = 1; i < words.size(); ++i) t += " " + words[i];
            emit_pragma("%s", t.c_str());
        } else if (name == "switch" || name == "psect" || name == "stack_size") {
            std::string w = r.next();
            if (w.empty()) {
                if (name == "switch") alert_message(215);
                else if (name == "psect") alert_message(216);
                else alert_message(217);
                continue;
            }
            emit_pragma("%s %s", name == "switch" ? "w" : name == "psect" ? "s" : "b", w.c_str());
        } else if (name == "inline") {
            std::string w = r.next();
            if (w.empty()) {
                alert_message(218);
                continue;
            }
            pragma_symbol(w)->flags |= F_INLINE;
        } else if (name == "printf_check") {
            std::string w = r.next();
            if (w.empty()) {
                alert_message(219);
                continue;
            }
            sym_record* sym = pragma_symbol(w);
            sym->flags |= F_PRINTF;
            std::string q = r.peek();
            if (!q.empty()) {
                if (uint32_t mask = qualifier_mask(q.c_str())) {
                    r.next();
                    sym->format_class |= static_cast<uint16_t>(mask);
                } else {
                    alert_message(334);
                    r.next();
                }
            }
        } else if (ieq(name, "warning")) {
            warning_pragma(r);
        } else {
            alert_message(335, name.c_str());
        }
    }
}
