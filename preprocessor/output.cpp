// The copy loop and the layout of the preprocessed text.
#include "output.h"

#include <cstring>

#include "common/alloc.h"
#include "common/hash.h"
#include "directives.h"
#include "macros.h"
#include "scanner.h"

namespace output {

bool asm_block = false;
bool text_suppressed = false;
bool keep_comments = false;
int32_t pending = 0;

namespace {

FILE* out = nullptr;
std::string buffer;
bool line_has_text = false;     // something was written on the current output line
char last_written = '\n';
bool blank_pending = false;     // white space read between two tokens
bool have_marker_name = false;
std::string marker_name;        // the name in the last marker written

FILE* dependency_stream = nullptr;
std::string dependency_name;
std::string main_name;
bool make_rule = false;
hash_table* included = nullptr;

void put(char c) {
    if (text_suppressed) return;
    buffer.push_back(c);
    last_written = c;
    line_has_text = c != '\n';
    if (buffer.size() >= (1u << 16)) flush();
}

void put(const std::string& text) {
    for (char c : text) put(c);
}

void write_pending_newlines() {
    while (pending > 0) {
        put('\n');
        --pending;
    }
}

// The line-start step: a marker in place of the pending newlines when the source position
// may have moved, or too many newlines are pending.
void begin_line(int asm_blanks) {
    if ((scanner::marker_needed && scanner::reading_file()) || pending > 4)
        write_marker();
    else
        write_pending_newlines();
    pending = 0;
    if (asm_block)
        for (int i = 0; i < asm_blanks; ++i) put(' ');
    line_has_text = false;
}

bool punctuator(char c) { return c && strchr("+-*/%<>=&|^!~#.:?", c) != nullptr; }
bool word_char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           c == '$';
}

// The rest of a source line from its first character c, with macros expanded.
void copy_rest(pchar c) {
    bool& blank = blank_pending;
    bool separated = false;
    blank = false;
    ptext token;
    for (;;) {
        if (c == '\n' || c == 0) {
            put('\n');
            if (c == '\n' && !scanner::reading_file()) scanner::marker_needed = true;
            return;
        }
        if (c == MARK_PASTE) {
            // "##" after a token that is no name or number ("." or "-"): the next token joins
            // it with no blank between, as a name or number on the left is joined by the macros.
            blank = separated = false;
            do
                c = scanner::next_char();
            while (c == MARK_PASTE || (is_white(c) && c != '\n'));
            continue;
        }
        if (is_white(c)) {
            blank = true;
            c = scanner::next_char();
            continue;
        }
        if (c == MARK_SEPARATOR) {
            separated = true;
            c = scanner::next_char();
            continue;
        }
        char first = c < 256 ? static_cast<char>(c) : 0;
        if (blank && line_has_text) {
            put(' ');
        } else if (separated && line_has_text &&
                   ((word_char(last_written) && (word_char(first) || first == '"' || first == '\'')) ||
                    (punctuator(last_written) && punctuator(first)))) {
            put(' ');   // the end of a macro text keeps two tokens apart
        }
        blank = separated = false;
        token.clear();
        pchar after = 0;
        if (c == 'L') {
            after = scanner::next_char();
            scanner::unget(after);
        }
        if (c == 'L' && after < 256 && char_class(after) == CC_QUOTE) {
            // A wide constant is one token: a macro named L does not take its prefix.
            put('L');
            scanner::read_literal(scanner::next_char(), token);
            write_text(token);
        } else if (is_ident_start(c)) {
            if (macros::identifier_token(c, token, true)) write_text(token);
        } else if (is_digit(c)) {
            if (macros::number_token(c, token)) write_text(token);
        } else if (c == '.') {
            pchar n = scanner::next_char();
            scanner::unget(n);
            if (is_digit(n))
                scanner::read_number(c, token);
            else
                token.push_back(c);
            write_text(token);
        } else if (char_class(c) == CC_QUOTE) {
            scanner::read_literal(c, token);
            write_text(token);
        } else {
            if (c < 256) put(static_cast<char>(c));
        }
        c = scanner::next_char();
    }
}

}  // namespace

void open(FILE* stream) { out = stream; }

void flush() {
    if (out && !buffer.empty()) fwrite(buffer.data(), 1, buffer.size(), out);
    buffer.clear();
}

void write_bytes(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) put(text[i]);
}

void write_text(const ptext& text) {
    for (pchar c : text)
        if (c < 256) put(static_cast<char>(c));
}

void write_comment(const char* text) {
    if (pending > 0 || (scanner::marker_needed && scanner::reading_file() && !line_has_text)) {
        begin_line(0);
    }
    if (blank_pending && line_has_text) put(' ');
    blank_pending = false;
    put(text);
}

void write_marker() {
    input_stream* file = scanner::current_file();
    int32_t line = scanner::current_line();
    std::string name;
    bool named = false;
    if (file && scanner::reading_file()) {
        name = file->has_line_name ? file->line_name : file->name;
        named = !have_marker_name || name != marker_name;
    }
    if (asm_block) {
        put("\n#endasm");
        --line;
    }
    put("\n# " + std::to_string(line));
    if (named) {
        put(" \"" + name + "\"");
        have_marker_name = true;
        marker_name = name;
    }
    put('\n');
    if (asm_block) put("#asm\n");
    scanner::marker_needed = false;
}

void begin_pass_through() { begin_line(0); }

void write_one_pending() {
    if (pending > 0) {
        put('\n');
        --pending;
    }
}

void copy_loop() {
    for (;;) {
        pchar c = scanner::next_char();
        int asm_blanks = 0;
        while (is_white(c) || c == MARK_SEPARATOR) {
            if (asm_block && c != MARK_SEPARATOR) ++asm_blanks;
            c = scanner::next_char();
        }
        if (c == 0) {
            if (pending > 0) put('\n');
            pending = 0;
            directives::check_unterminated();
            return;
        }
        if (c == '\n') {
            ++pending;
            continue;
        }
        if (c == '#') {
            scanner::copy_comments = false;
            directives::run();
            scanner::copy_comments = keep_comments && directives::active;
            continue;
        }
        if (!directives::active) {
            scanner::unget(c);   // a literal may start the line
            scanner::skip_line();
            if (scanner::next_char() == '\n') ++pending;
            continue;
        }
        begin_line(asm_blanks);
        copy_rest(c);
    }
}

void open_dependencies(FILE* stream, const std::string& file_name, bool rule) {
    dependency_stream = stream;
    dependency_name = file_name;
    make_rule = rule;
}

bool dependency_wanted() { return dependency_stream != nullptr; }

namespace {
// Names that differ only in a final ".h" share a bucket.
uint32_t dependency_hash(const void* key) {
    const char* s = static_cast<const char*>(key);
    uint32_t h = 0;
    for (; *s && strcmp(s, ".h") != 0; ++s) h = static_cast<unsigned char>(*s) + h * 4;
    return h;
}
int dependency_compare(const void* a, const void* b) {
    return strcmp(static_cast<const char*>(a), static_cast<const char*>(b));
}
hash_table* included_set() {
    if (!included) included = hash_create(237, dependency_hash, dependency_compare);
    return included;
}
}  // namespace

bool already_included(const std::string& name) { return hash_lookup(included_set(), name.c_str()) != nullptr; }

void note_included(const std::string& name) {
    if (already_included(name)) return;
    char* key = xstrdup(name.c_str());
    hash_insert(included_set(), key, key);
}

void set_main_name(const std::string& name) { main_name = name; }

namespace {
struct dependency_walk {
    FILE* stream;
    bool rule;
    bool head_written;
    std::string head;
};

int write_dependency(void* context, const void* key, void*) {
    auto* w = static_cast<dependency_walk*>(context);
    const char* name = static_cast<const char*>(key);
    if (!w->rule) {
        fprintf(w->stream, "%s\n", name);
        return 0;
    }
    if (!w->head_written) {
        fputs(w->head.c_str(), w->stream);
        w->head_written = true;
    }
    fputc(' ', w->stream);
    for (const char* p = name; *p; ++p) {
        if (*p == '\\')
            fputc('/', w->stream);
        else if (*p == ' ')
            fputs("\\ ", w->stream);
        else
            fputc(*p, w->stream);
    }
    return 0;
}
}  // namespace

namespace {
// The dot that starts a name's extension, in its last component only.
size_t extension_dot(const std::string& name) {
    size_t dot = name.rfind('.');
    size_t slash = name.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
    return dot;
}
}  // namespace

void write_dependencies() {
    if (!dependency_stream) return;
    FILE* stream = dependency_stream;
    dependency_stream = nullptr;   // written once, also when a fatal message ends the run
    dependency_walk w{stream, make_rule, false, {}};
    if (make_rule) {
        size_t dep_dot = extension_dot(dependency_name);
        size_t main_dot = extension_dot(main_name);
        if (dep_dot == std::string::npos || main_dot == std::string::npos) {
            w.rule = false;
        } else {
            w.head = dependency_name + " " + dependency_name.substr(0, dep_dot) + ".obj: " +
                     main_name.substr(0, main_dot) + "." + main_name.substr(main_dot + 1);
        }
    }
    if (stream == out) flush();
    if (included) hash_walk(included, &w, write_dependency);
}

}  // namespace output
