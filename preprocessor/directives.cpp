// Directive lines, conditional groups and the include search.
#include "directives.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "common/alert.h"
#include "common/osdep.h"
#include "platform/platform.h"
#include "cond_eval.h"
#include "macros.h"
#include "output.h"
#include "scanner.h"

namespace directives {

bool active = true;

namespace {

enum class directive {
    define_, undef_, include_, if_, ifdef_, ifndef_, elif_, else_, endif_, line_, error_,
    warning_, pragma_, ident_, asm_, endasm_, assert_, unknown_
};

struct directive_name {
    const char16_t* name;
    directive kind;
};

const directive_name directive_table[] = {
    {u"define", directive::define_}, {u"undef", directive::undef_},   {u"include", directive::include_},
    {u"if", directive::if_},         {u"ifdef", directive::ifdef_},   {u"ifndef", directive::ifndef_},
    {u"elif", directive::elif_},     {u"else", directive::else_},     {u"endif", directive::endif_},
    {u"line", directive::line_},     {u"error", directive::error_},   {u"warning", directive::warning_},
    {u"pragma", directive::pragma_}, {u"ident", directive::ident_},   {u"asm", directive::asm_},
    {u"endasm", directive::endasm_}, {u"assert", directive::assert_},
};

directive lookup(const ptext& name) {
    if (name.size() < 2) return directive::unknown_;
    for (const auto& d : directive_table)
        if (name == d.name) return d.kind;
    return directive::unknown_;
}

// Conditional groups. The bottom entry stands for the file level and is never popped.
enum : uint8_t { GROUP_MAY_TAKE = 1, GROUP_ELSE_SEEN = 2, GROUP_TAKEN = 4 };
constexpr int GROUP_LIMIT = 32;
struct group {
    uint8_t flags;
    int32_t line;
};
group groups[GROUP_LIMIT] = {{GROUP_MAY_TAKE, 0}};
int group_top = 0;

constexpr size_t INCLUDE_DIR_LIMIT = 255;
constexpr size_t INCLUDE_NAME_LIMIT = 8191;
constexpr size_t INCLUDE_DEPTH_LIMIT = 200;   // files open at once, the main input included
std::vector<std::string> include_dirs;
bool dependency_only = false;

void push_group(uint8_t flags) {
    if (group_top + 1 >= GROUP_LIMIT) alert_message(144);
    groups[++group_top] = {flags, scanner::current_line()};
}

// Any further non-blank text on the line is warned about and dropped.
void expect_end() {
    pchar c = scanner::skip_blanks();
    scanner::unget(c);
    if (c != '\n' && c != 0) {
        alert_message(163);
        scanner::skip_line();
    }
}

// The rest of the line as read: comments removed, no expansion, literals kept whole.
ptext rest_of_line() {
    ptext text;
    for (;;) {
        pchar c = scanner::next_char();
        if (c == '\n' || c == 0) {
            scanner::unget(c);
            return text;
        }
        if (char_class(c) == CC_QUOTE)
            scanner::read_literal(c, text);
        else if (c != MARK_SEPARATOR)
            text.push_back(c);
    }
}

std::string trimmed_rest() {
    pchar c = scanner::skip_blanks();
    scanner::unget(c);
    ptext text = rest_of_line();
    while (!text.empty() && is_white(text.back())) text.pop_back();
    return narrow(text);
}

// True when the directive has an argument; otherwise 108 and the line is dropped.
bool has_argument() {
    pchar c = scanner::skip_blanks();
    scanner::unget(c);
    if (c == '\n' || c == 0) {
        alert_message(108);
        return false;
    }
    return true;
}

void do_if() {
    push_group(GROUP_MAY_TAKE);
    if (!has_argument()) return;
    if (cond_eval::evaluate() != 0)
        groups[group_top].flags |= GROUP_TAKEN;
    else
        active = false;
}

void do_ifdef(bool want_defined) {
    push_group(GROUP_MAY_TAKE);
    if (!has_argument()) return;
    pchar c = scanner::skip_blanks();
    if (!is_ident_start(c)) {
        scanner::unget(c);
        alert_message(108);
        return;
    }
    bool defined = macros::find(scanner::read_identifier(c)) != nullptr;
    if (defined == want_defined)
        groups[group_top].flags |= GROUP_TAKEN;
    else
        active = false;
}

// The checks shared by #elif, #else and #endif; false when the directive is misplaced.
bool group_continues(const char* name, bool after_else_allowed) {
    if (group_top == 0) {
        alert_message(102, name);
        return false;
    }
    if (!after_else_allowed && (groups[group_top].flags & GROUP_ELSE_SEEN)) {
        alert_message(101, name);
        return false;
    }
    return true;
}

void do_elif() {
    if (!group_continues("elif", false)) return;
    group& g = groups[group_top];
    if ((g.flags & GROUP_MAY_TAKE) && !(g.flags & GROUP_TAKEN)) {
        if (!has_argument()) return;
        active = cond_eval::evaluate() != 0;
        if (active) g.flags |= GROUP_TAKEN;
        expect_end();
        return;
    }
    active = false;
}

void do_else() {
    if (group_continues("else", false)) {
        group& g = groups[group_top];
        g.flags |= GROUP_ELSE_SEEN;
        if (g.flags & GROUP_MAY_TAKE) active = !(active || (g.flags & GROUP_TAKEN));
    }
    expect_end();
}

void do_endif() {
    if (group_continues("endif", true)) {
        bool was_active = active;
        active = groups[group_top].flags & GROUP_MAY_TAKE;
        --group_top;
        if (!was_active && active) scanner::marker_needed = true;
    }
    expect_end();
}

void do_undef() {
    pchar c = scanner::skip_blanks();
    if (!is_ident_start(c)) {
        scanner::unget(c);
        alert_message(114);
        scanner::skip_line();
        return;
    }
    macros::undefine(scanner::read_identifier(c));
    expect_end();
}

void do_line() {
    output::write_one_pending();
    bool saved = scanner::literal_mode;
    scanner::literal_mode = true;
    pchar c = scanner::skip_blanks();
    int64_t n = 0;
    bool too_large = false;
    while (is_digit(c)) {
        n = n * 10 + (c - '0');
        if (n > INT32_MAX) {
            too_large = true;
            n = INT32_MAX;
        }
        c = scanner::next_char();
    }
    if (too_large) {
        // Refused whole: a line count past the largest number a message can show.
        scanner::literal_mode = saved;
        scanner::unget(c);
        alert_message(142);
        scanner::skip_line();
        return;
    }
    while (is_white(c)) c = scanner::next_char();
    ptext name;
    if (c == '"') {
        for (c = scanner::next_char(); c != '"' && c != '\n' && c != 0; c = scanner::next_char())
            name.push_back(c);
        if (c != '"') scanner::unget(c);
    } else {
        for (; c != '\n' && c != 0; c = scanner::next_char()) name.push_back(c);
        scanner::unget(c);
        while (!name.empty() && is_white(name.back())) name.pop_back();
    }
    scanner::literal_mode = saved;
    if (input_stream* file = scanner::current_file()) {
        if (!name.empty()) {
            file->line_name = narrow(name);
            file->has_line_name = true;
        }
        scanner::set_current_line(static_cast<int32_t>(n) - 1);
    }
    scanner::marker_needed = true;
    expect_end();
}

void do_pass_through(const char* head) {
    output::begin_pass_through();
    output::write_bytes(head, strlen(head));
    output::write_text(rest_of_line());
}

void do_asm() {
    if (output::asm_block) alert_message(106);
    output::write_one_pending();
    output::write_marker();
    scanner::skip_line();
    output::write_bytes("#asm\n", 5);
    output::asm_block = true;
}

void do_endasm() {
    if (!output::asm_block) alert_message(105);
    do_pass_through("#endasm ");
    output::asm_block = false;
}

bool absolute_name(const std::string& name) {
    if (name.empty()) return false;
    if (name[0] == '/' || name[0] == '\\') return true;
    return name.size() > 1 && isalpha(static_cast<unsigned char>(name[0])) && name[1] == ':';
}

enum class try_result { not_found, opened, already_listed };

// Opens a candidate, retrying its lower-case form.
try_result try_candidate(const std::string& candidate, FILE*& file, std::string& opened_name) {
    if (dependency_only && output::already_included(candidate)) return try_result::already_listed;
    opened_name = candidate;
    file = fopen(candidate.c_str(), "rb");
    if (!file) {
        int saved_errno = errno;
        std::string lower = candidate;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char ch) { return static_cast<char>(tolower(ch)); });
        if (lower != candidate) file = fopen(lower.c_str(), "rb");
        if (!file) {
            errno = saved_errno;
            return try_result::not_found;
        }
        alert_message(164, candidate.c_str());
        opened_name = lower;
    }
    if (!file_exists_same_case(opened_name.c_str())) alert_message(165, opened_name.c_str());
    return try_result::opened;
}

void do_include() {
    // The line is macro-expanded up to its first non-blank character.
    pchar c = scanner::skip_blanks();
    for (ptext id; is_ident_start(c); c = scanner::skip_blanks())
        if (macros::identifier_token(c, id, true)) break;   // a name that stands
    if (c != '<' && c != '"') {
        scanner::unget(c);
        alert_message(109);
        scanner::skip_line();
        return;
    }
    pchar close = c == '<' ? '>' : '"';
    bool saved = scanner::literal_mode;
    scanner::literal_mode = true;
    ptext wide_name;
    for (c = scanner::next_char(); c != close && c != '\n' && c != 0; c = scanner::next_char())
        wide_name.push_back(c);
    if (c != close) scanner::unget(c);
    scanner::literal_mode = saved;
    std::string name = narrow(wide_name);
    // A file that includes itself would otherwise run until no file can be opened.
    if (scanner::file_depth() >= INCLUDE_DEPTH_LIMIT) {
        alert_message(136, name.c_str());
        scanner::skip_line();
        return;
    }

    FILE* file = nullptr;
    std::string opened;
    try_result result = try_result::not_found;
    if (close == '"') {
        std::string candidate = name;
        input_stream* current = scanner::current_file();
        if (!absolute_name(name) && current) {
            const std::string& from = current->name;
            size_t cut = from.rfind('\\');
            if (cut == std::string::npos) cut = from.rfind('/');
            if (cut != std::string::npos) candidate = from.substr(0, cut + 1) + name;
        }
        result = try_candidate(candidate, file, opened);
    }
    for (size_t i = 0; result == try_result::not_found && i < include_dirs.size(); ++i) {
        const std::string& dir = include_dirs[i];
        if (dir.size() + name.size() >= INCLUDE_NAME_LIMIT) alert_message(146);
        std::string candidate = name;
        if (name.empty() || (name[0] != '/' && name[0] != '\\')) {
            candidate = dir;
            if (dir.empty() || (dir.back() != '/' && dir.back() != '\\')) candidate.push_back(plat::separator());
            candidate += name;
        }
        result = try_candidate(candidate, file, opened);
    }
    if (result == try_result::not_found) alert_message(141, "include", name.c_str());
    // The rest of the line is not checked; the file is read from the next line on.
    scanner::skip_line();
    c = scanner::next_char();
    if (c != '\n') scanner::unget(c);
    if (result == try_result::opened) {
        scanner::push_file(file, opened);
        output::note_included(opened);
    }
}

void run_skipped(directive d, const ptext& name) {
    switch (d) {
    case directive::if_:
    case directive::ifdef_:
    case directive::ifndef_:
        push_group(0);
        scanner::skip_line();
        return;
    case directive::elif_: do_elif(); return;
    case directive::else_: do_else(); return;
    case directive::endif_: do_endif(); return;
    case directive::unknown_:
        alert_message(107, narrow(name).c_str());
        scanner::skip_line();
        return;
    default: scanner::skip_line(); return;
    }
}

}  // namespace

void run() {
    bool from_macro_text = !scanner::reading_file();
    scanner::in_directive = true;
    pchar c = scanner::skip_blanks();
    ptext name;
    directive d = directive::unknown_;
    bool null_directive = false;
    if (c == '\n' || c == 0) {
        null_directive = true;
        scanner::unget(c);
    } else if (is_digit(c)) {
        scanner::unget(c);
        name = u"line";
        d = directive::line_;
    } else {
        if (is_ident_start(c))
            name = scanner::read_identifier(c);
        else
            scanner::unget(c);
        d = lookup(name);
    }
    bool asm_started = false;
    bool line_taken = false;
    if (!null_directive) {
        if (from_macro_text) alert_message(161, narrow(name).c_str());
        if (!active) {
            run_skipped(d, name);
        } else {
            switch (d) {
            case directive::define_:
                macros::define_directive();
                expect_end();
                break;
            case directive::undef_: do_undef(); break;
            case directive::include_:
                do_include();
                line_taken = true;
                break;
            case directive::if_: do_if(); break;
            case directive::ifdef_: do_ifdef(true); break;
            case directive::ifndef_: do_ifdef(false); break;
            case directive::elif_: do_elif(); break;
            case directive::else_: do_else(); break;
            case directive::endif_: do_endif(); break;
            case directive::line_: do_line(); break;
            case directive::error_: alert_message(103, trimmed_rest().c_str()); break;
            case directive::warning_: alert_message(162, trimmed_rest().c_str()); break;
            case directive::assert_:
                if (cond_eval::evaluate() == 0) alert_message(104);
                expect_end();
                break;
            case directive::pragma_: do_pass_through("#pragma "); break;
            case directive::ident_: expect_end(); break;
            case directive::asm_:
                do_asm();
                asm_started = true;
                break;
            case directive::endasm_: do_endasm(); break;
            case directive::unknown_: alert_message(107, narrow(name).c_str()); break;
            }
        }
    }
    if (!line_taken) {
        scanner::skip_line();
        scanner::next_char();   // the newline, or nothing at the end of the input
    }
    scanner::in_directive = false;
    if (!asm_started) ++output::pending;
}

void check_unterminated() {
    if (group_top > 0) alert_message(100, static_cast<int>(groups[1].line));
}

bool add_include_directory(const std::string& dir) {
    if (include_dirs.size() >= INCLUDE_DIR_LIMIT) return false;
    include_dirs.push_back(dir);
    return true;
}

bool dependency_only_mode() { return dependency_only; }
void set_dependency_only(bool flag) { dependency_only = flag; }

}  // namespace directives
