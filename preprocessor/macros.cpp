// Macro table, #define and macro expansion.
#include "macros.h"

#include <algorithm>
#include <ctime>
#include <unordered_map>
#include <vector>

#include "common/alert.h"
#include "scanner.h"

namespace macros {
namespace {

constexpr size_t ACCUMULATOR_LIMIT = 8192;   // a body, a pasted or generated text
constexpr size_t WORK_AREA_LIMIT = 16384;    // formal names, argument texts of one call
constexpr size_t EXPANSION_LIMIT = 8192;
constexpr int32_t DEPTH_LIMIT = 999;

std::unordered_map<ptext, std::shared_ptr<macro>> table;
ptext outermost;
// Calls whose arguments are being collected: they nest when an argument read from pushed
// text holds another call, and count as pending expansions.
int32_t collecting = 0;

std::string name_of(const macro& m) { return narrow(m.name); }

void put(std::shared_ptr<macro> m) { table[m->name] = std::move(m); }

void check_accumulator(const ptext& text, const char* what) {
    if (text.size() >= ACCUMULATOR_LIMIT) alert_message(156, what);
}

// The body of a #define, up to the end of the line.
ptext read_body(const macro& m, const std::vector<ptext>& formals) {
    ptext acc;
    auto store_identifier = [&](const ptext& id) {
        for (size_t k = 0; k < formals.size(); ++k)
            if (formals[k] == id) {
                acc.push_back(static_cast<pchar>(MARK_FORMAL + k));
                return;
            }
        if (id == m.name) acc.push_back(MARK_NOEXPAND);
        acc += id;
    };
    pchar c = scanner::next_char();
    while (is_white(c)) c = scanner::next_char();
    while (c != '\n' && c != 0) {
        check_accumulator(acc, "define");
        if (c == '#') {
            pchar n = scanner::next_char();
            if (n == '#') {
                while (!acc.empty() && acc.back() == ' ') acc.pop_back();
                acc.push_back(MARK_PASTE);
                c = scanner::next_char();
                while (is_white(c)) c = scanner::next_char();
                if (is_ident_start(c)) continue;
                if (is_digit(c)) {
                    while (is_digit(c)) {
                        acc.push_back(c);
                        c = scanner::next_char();
                    }
                    acc.push_back(MARK_PASTE);
                    continue;
                }
                if (c >= 0x20 && c < 0x7F)
                    alert_message(137, static_cast<int>(c));
                else
                    alert_message(138, static_cast<int>(c));
                continue;
            }
            c = n;
            while (is_white(c)) c = scanner::next_char();
            acc.push_back(MARK_STRINGIZE);
            continue;
        }
        if (c == 'L') {
            pchar after = scanner::next_char();
            scanner::unget(after);
            if (char_class(after) == CC_QUOTE) {
                // A wide constant's prefix is not a parameter named L.
                acc.push_back(c);
                c = scanner::next_char();
                continue;
            }
        }
        if (is_ident_start(c)) {
            store_identifier(scanner::read_identifier(c));
        } else if (is_digit(c)) {
            scanner::read_number(c, acc);
        } else if (char_class(c) == CC_QUOTE) {
            if (!scanner::read_literal(c, acc)) alert_message(113);
        } else if (is_white(c)) {
            if (!acc.empty() && acc.back() != ' ') acc.push_back(' ');
        } else if (c == '\\') {
            acc.push_back(c);
            c = scanner::next_char();
            if (c == '\n' || c == 0) continue;
            acc.push_back(c);
        } else if (c != MARK_SEPARATOR) {
            acc.push_back(c);
        }
        c = scanner::next_char();
    }
    scanner::unget(c);
    if (!acc.empty() && acc.back() == ' ') acc.pop_back();
    check_accumulator(acc, "define");
    return acc;
}

// Reads the parameter list after "(": false on a syntax error (already reported).
bool read_parameters(std::vector<ptext>& formals) {
    size_t used = 0;
    pchar c = scanner::skip_blanks();
    if (c == ')') return true;
    for (;;) {
        if (!is_ident_start(c)) break;
        if (formals.size() >= MAX_FORMALS) alert_message(148);
        ptext id = scanner::read_identifier(c);
        used += id.size() + 1;
        if (used > WORK_AREA_LIMIT) alert_message(149);
        formals.push_back(id);
        c = scanner::skip_blanks();
        if (c == ')') return true;
        if (c != ',') break;
        c = scanner::skip_blanks();
    }
    scanner::unget(c);
    alert_message(112);
    return false;
}

// The expansion text of a call: formal marks stay (their argument is pushed when the mark
// is read), except beside a paste mark and after a stringize mark.
ptext build_expansion(const macro& m, const std::vector<ptext>& args) {
    const ptext& body = m.body;
    ptext out;
    auto argument = [&](pchar mark) -> const ptext* {
        size_t k = mark - MARK_FORMAL;
        return k < args.size() ? &args[k] : nullptr;
    };
    for (size_t i = 0; i < body.size(); ++i) {
        if (out.size() >= EXPANSION_LIMIT) alert_message(153, name_of(m).c_str());
        pchar c = body[i];
        if (c == MARK_STRINGIZE) {
            if (i + 1 < body.size() && is_formal(body[i + 1])) {
                out.push_back('"');
                if (const ptext* a = argument(body[++i]))
                    for (pchar ch : *a) {
                        if (ch == '\\' || ch == '"') out.push_back('\\');
                        if (ch != MARK_NOEXPAND) out.push_back(ch);
                    }
                out.push_back('"');
            } else {
                alert_message(172);
                out.push_back('#');
            }
        } else if (c == MARK_PASTE) {
            out.push_back(c);
            if (i + 1 < body.size() && is_formal(body[i + 1])) {
                const ptext* a = argument(body[++i]);
                if (!a || a->empty() || (*a)[0] != MARK_NOEXPAND) out.push_back(MARK_NOEXPAND);
                if (a) out += *a;
            }
        } else if (is_formal(c) && i + 1 < body.size() && body[i + 1] == MARK_PASTE) {
            if (const ptext* a = argument(c)) out += *a;
        } else {
            out.push_back(c);
        }
    }
    if (out.size() > EXPANSION_LIMIT) alert_message(153, name_of(m).c_str());
    return out;
}

// Collects the arguments of a call after its "(". False when the input ended inside.
std::vector<ptext> collect_arguments(const macro& m) {
    std::vector<ptext> args;
    ptext current;
    size_t used = 0;
    int parens = 0;
    int32_t call_line = scanner::current_line();
    // The macro's own name stays unexpanded where an argument holds it bare (not followed
    // by "(" within the argument); a call of it there is expanded as usual.
    std::vector<size_t> own_names;
    auto finish = [&](ptext& t) {
        if (!t.empty() && t.back() == ' ') t.pop_back();
        for (auto it = own_names.rbegin(); it != own_names.rend(); ++it) {
            size_t after = *it + m.name.size();
            if (after < t.size() && t[after] == ' ') ++after;
            if (after < t.size() && t[after] == '(') continue;
            t.insert(t.begin() + static_cast<std::ptrdiff_t>(*it), MARK_NOEXPAND);
        }
        own_names.clear();
    };
    // Arguments are told apart before they are expanded: the text of a macro expanded from
    // the call's own stream is part of one argument, its commas and parentheses included.
    // (An argument pushed by a formal mark stands for an argument already expanded, so what
    // its macros give does count.)
    size_t own_depth = scanner::depth();
    size_t isolated_above = 0;   // 0: none; else streams deeper than this are isolated
    for (;;) {
        pchar c = scanner::next_char();
        size_t depth = scanner::depth();
        own_depth = std::min(own_depth, depth);
        if (isolated_above && depth <= isolated_above) isolated_above = 0;
        if (c == 0 || (c == '\n' && scanner::in_directive)) {
            scanner::unget(c);
            alert_message(116, static_cast<int>(call_line));
            return {};
        }
        if (isolated_above && (c == ',' || c == '(' || c == ')')) {
            current.push_back(c);
            continue;
        }
        if (c == ',' && parens == 0) {
            finish(current);
            if (args.size() + 2 > MAX_FORMALS) alert_message(151);
            used += current.size();
            args.push_back(std::move(current));
            current.clear();
            continue;
        }
        if (c == ')' && parens == 0) break;
        if (c == '(') ++parens;
        if (c == ')') --parens;
        if (c == '\n' || is_white(c)) {
            if (c == '\n') scanner::marker_needed = true;
            if (!current.empty() && current.back() != ' ') current.push_back(' ');
        } else if (c == MARK_SEPARATOR) {
        } else if (char_class(c) == CC_QUOTE) {
            scanner::read_literal(c, current);
        } else if (c == '\\') {
            current.push_back(c);
            c = scanner::next_char();
            if (c == 0)
                scanner::unget(c);
            else
                current.push_back(c);
        } else if (is_digit(c)) {
            ptext number;
            if (number_token(c, number)) current += number;
        } else if (is_ident_start(c)) {
            stream_kind kind = scanner::current()->kind;
            bool expand = kind == stream_kind::argument || kind == stream_kind::generated;
            ptext id;
            if (identifier_token(c, id, expand)) {
                if (id == m.name) own_names.push_back(current.size());
                current += id;
            } else if (depth <= own_depth && scanner::depth() > depth && !isolated_above) {
                isolated_above = depth;
            }
        } else {
            current.push_back(c);
        }
        if (used + current.size() > WORK_AREA_LIMIT) alert_message(149);
    }
    finish(current);
    if (!args.empty() || !current.empty()) args.push_back(std::move(current));
    return args;
}

void push_expansion(const std::shared_ptr<macro>& m, std::vector<ptext> args) {
    auto s = std::make_unique<input_stream>();
    s->kind = stream_kind::expansion;
    s->buffer = build_expansion(*m, args);
    s->owner = m;
    s->arguments = std::make_shared<std::vector<ptext>>(std::move(args));
    s->depth_count = 1;
    m->in_use += 1;
    int32_t& depth = scanner::expansion_depth();
    if (++depth == 1) outermost = m->name;
    scanner::push_stream(std::move(s));
}

// Reads on after a function-like macro's name; true when "(" follows.
bool call_follows() {
    bool newline = false, blank = false, separated = false;
    pchar c;
    for (;;) {
        c = scanner::next_char();
        if (c == '\n' && !scanner::in_directive) {
            newline = true;
            scanner::marker_needed = true;
        } else if (is_white(c)) {
            blank = true;
        } else if (c == MARK_SEPARATOR) {
            separated = true;
        } else {
            break;
        }
    }
    if (c == '(') return true;
    // The character goes back to the stream it came from, so the token it starts is read
    // whole; only the white space crossed is given back as text of its own, and a separator
    // crossed keeps two name characters apart.
    scanner::unget(c);
    ptext back;
    if (newline) back.push_back('\n');
    if (blank || (separated && is_ident_char(c))) back.push_back(' ');
    if (!back.empty()) scanner::push_text(std::move(back), stream_kind::generated);
    return false;
}

}  // namespace

void define_predefined() {
    auto define = [](const char* name, const std::string& body, int32_t count) {
        auto m = std::make_shared<macro>();
        m->name = widen(name);
        m->body = widen(body);
        m->parameter_count = count;
        put(m);
    };
    time_t now = time(nullptr);
    char text[32] = {};
    strftime(text, sizeof text, "%b %d %Y", localtime(&now));
    if (text[4] == '0') text[4] = ' ';   // the day is padded with a blank
    define("__STDC__", "1", MACRO_OBJECT);
    define("__LINE__", "", MACRO_LINE);
    define("__FILE__", "", MACRO_FILE);
    define("__DATE__", std::string("\"") + text + "\"", MACRO_OBJECT);
    strftime(text, sizeof text, "%H:%M:%S", localtime(&now));
    define("__TIME__", std::string("\"") + text + "\"", MACRO_OBJECT);
}

void define_from_option(const std::string& name, const std::string& body) {
    auto m = std::make_shared<macro>();
    m->name = widen(name);
    m->body = widen(body);
    put(m);
}

bool undefine(const ptext& name) { return table.erase(name) != 0; }

std::shared_ptr<macro> find(const ptext& name) {
    auto it = table.find(name);
    if (it == table.end() || it->second->in_use != 0) return nullptr;
    return it->second;
}

void define_directive() {
    pchar c = scanner::skip_blanks();
    if (!is_ident_start(c)) {
        scanner::unget(c);
        alert_message(112);
        scanner::skip_line();
        return;
    }
    ptext name = scanner::read_identifier(c);
    std::shared_ptr<macro> m;
    ptext old_body;
    bool compare = false;
    auto it = table.find(name);
    if (it != table.end() && it->second->in_use == 0) {
        m = it->second;
        old_body = m->body;
        compare = true;
    } else {
        m = std::make_shared<macro>();
        m->name = name;
    }
    std::vector<ptext> formals;
    int32_t count = MACRO_OBJECT;
    c = scanner::next_char();
    if (c == '(') {
        if (!read_parameters(formals)) {
            scanner::skip_line();
            return;
        }
        count = static_cast<int32_t>(formals.size());
    } else {
        scanner::unget(c);
    }
    ptext body = read_body(*m, formals);
    if (compare && old_body != body) alert_message(111, narrow(name).c_str());
    m->body = std::move(body);
    m->parameter_count = count;
    put(m);
}

bool offer(const ptext& identifier, bool from_file) {
    int32_t& depth = scanner::expansion_depth();
    if (from_file) depth = 0;
    std::shared_ptr<macro> m = find(identifier);
    if (!m) return false;
    pchar c = scanner::next_char();
    scanner::unget(c);
    if (c == MARK_PASTE) return false;
    if (depth + collecting >= DEPTH_LIMIT) {
        alert_message(115, narrow(m->name).c_str(), narrow(outermost).c_str());
        scanner::drop_macro_streams();
        depth = 0;
        return false;
    }
    if (m->parameter_count == MACRO_LINE) {
        scanner::push_text(widen(std::to_string(scanner::current_line())), stream_kind::generated);
        return true;
    }
    if (m->parameter_count == MACRO_FILE) {
        ptext text = u"\"";
        if (input_stream* f = scanner::current_file())
            for (char ch : f->has_line_name ? f->line_name : f->name) {
                if (ch == '\\') text.push_back('\\');
                text.push_back(static_cast<unsigned char>(ch));
            }
        text.push_back('"');
        scanner::push_text(std::move(text), stream_kind::generated);
        return true;
    }
    std::vector<ptext> args;
    if (m->parameter_count >= 0) {
        if (!call_follows()) return false;
        if (depth == 0 && collecting == 0) outermost = m->name;
        ++collecting;
        args = collect_arguments(*m);
        --collecting;
        if (static_cast<int32_t>(args.size()) != m->parameter_count)
            alert_message(171, narrow(m->name).c_str(), static_cast<int>(args.size()),
                          static_cast<int>(m->parameter_count));
    }
    push_expansion(m, std::move(args));
    return true;
}

bool paste_after(const ptext& identifier) {
    pchar c = scanner::next_char();
    if (c != MARK_PASTE) {
        scanner::unget(c);
        return false;
    }
    ptext joined = identifier;
    for (;;) {
        c = scanner::next_char();
        while (c == MARK_PASTE) c = scanner::next_char();
        if (is_ident_start(c)) {
            bool from_file = scanner::reading_file();
            ptext right = scanner::read_identifier(c);
            if (offer(right, from_file)) continue;   // the token is read with expansion
            size_t skip = right[0] == MARK_NOEXPAND ? 1 : 0;
            joined.append(right, skip);
        } else if (is_digit(c)) {
            while (c != MARK_PASTE && c != MARK_SEPARATOR && c != '\n' && c != 0 && !is_white(c)) {
                joined.push_back(c);
                c = scanner::next_char();
            }
            if (c == MARK_PASTE) {
                // A body closes a number pasted on with a mark of its own: what touches the
                // number joins it, anything else ends the paste without complaint.
                c = scanner::next_char();
                scanner::unget(c);
                if (c == MARK_PASTE || is_ident_start(c) || is_digit(c)) continue;
                break;
            }
            scanner::unget(c);
        } else {
            alert_message(169, static_cast<int>(c));
            scanner::unget(c);
            break;
        }
        if (joined.size() > ACCUMULATOR_LIMIT - 1) alert_message(155, narrow(joined).c_str());
        c = scanner::next_char();
        if (c != MARK_PASTE) {
            scanner::unget(c);
            break;
        }
    }
    scanner::push_text(std::move(joined), stream_kind::generated);
    return true;
}

bool identifier_token(pchar first, ptext& out, bool expand) {
    bool from_file = scanner::reading_file();
    ptext id = scanner::read_identifier(first);
    if (expand && offer(id, from_file)) return false;
    if (paste_after(id)) return false;
    out = std::move(id);
    return true;
}

bool number_token(pchar first, ptext& out) {
    ptext number;
    scanner::read_number(first, number);
    if (paste_after(number)) return false;
    out = std::move(number);
    return true;
}

}  // namespace macros
