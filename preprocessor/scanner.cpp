// Input streams and the character reader.
#include "scanner.h"

#include <cstring>

#include "common/alert.h"
#include "macros.h"
#include "output.h"

std::string narrow(const ptext& text) {
    std::string out;
    out.reserve(text.size());
    for (pchar c : text)
        if (c < 256) out.push_back(static_cast<char>(c));
    return out;
}

ptext widen(const std::string& text) {
    ptext out;
    out.reserve(text.size());
    for (unsigned char c : text) out.push_back(c);
    return out;
}

namespace scanner {

bool literal_mode = false;
bool copy_comments = false;
bool in_directive = false;
bool marker_needed = false;
size_t significant_length = 31;

namespace {

constexpr size_t LINE_LIMIT = 8191;      // bytes of one file line
constexpr size_t CHUNK_SIZE = 1 << 16;
constexpr size_t PUSHBACK_LIMIT = 4;

std::vector<std::unique_ptr<input_stream>> streams;
input_stream* top = nullptr;
input_stream* top_file = nullptr;
int32_t depth_of_expansion = 0;
uint64_t lines_read = 0;

void refresh_top() {
    top = streams.empty() ? nullptr : streams.back().get();
    top_file = nullptr;
    for (auto it = streams.rbegin(); it != streams.rend(); ++it)
        if ((*it)->kind == stream_kind::file) {
            top_file = it->get();
            break;
        }
}

int read_byte(input_stream& s) {
    if (s.chunk_position == s.chunk_length) {
        if (!s.file) return EOF;
        s.chunk_length = fread(s.chunk.get(), 1, CHUNK_SIZE, s.file);
        s.chunk_position = 0;
        // A file that could not be read (a folder) must not pass for an empty one.
        if (s.chunk_length == 0 && ferror(s.file)) alert_message(141, "input", s.name.c_str());
        if (s.chunk_length == 0) return EOF;
    }
    return static_cast<unsigned char>(s.chunk[s.chunk_position++]);
}

// Reads the next line of a file into its buffer; false at the end of the file.
bool load_line(input_stream& s) {
    s.raw_line.clear();
    s.buffer.clear();
    s.position = 0;
    if (s.at_eof) return false;
    // Fast path: the whole line lies in the read-ahead.
    int c = 0;
    while (s.raw_line.size() < LINE_LIMIT) {
        if (s.chunk_position < s.chunk_length) {
            const char* start = s.chunk.get() + s.chunk_position;
            size_t room = std::min(s.chunk_length - s.chunk_position, LINE_LIMIT - s.raw_line.size());
            const void* nl = memchr(start, '\n', room);
            size_t take = nl ? static_cast<size_t>(static_cast<const char*>(nl) - start) + 1 : room;
            s.raw_line.append(start, take);
            s.chunk_position += take;
            if (nl) {
                c = '\n';
                break;
            }
            continue;
        }
        c = read_byte(s);
        if (c == EOF) break;
        s.raw_line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    if (c == EOF) s.at_eof = true;
    if (s.raw_line.empty()) return false;
    s.line_serial = ++lines_read;
    if (s.raw_line.back() != '\n') {
        // Position the message on this line.
        s.buffer = widen(s.raw_line);
        s.position = s.buffer.size();
        alert_message(176);
    }
    // Widen, turning trigraphs into their characters, dropping carriage returns and reading
    // vertical tab and form feed as blanks.
    ptext& b = s.buffer;
    b.clear();
    const std::string& r = s.raw_line;
    for (size_t i = 0; i < r.size(); ++i) {
        unsigned char ch = r[i];
        if (ch == '?' && i + 2 < r.size() && r[i + 1] == '?') {
            static const char from[] = "=/'()!<>-";
            static const char to[] = "#\\^[]|{}~";
            const char* hit = strchr(from, r[i + 2]);
            if (hit && r[i + 2]) {
                b.push_back(static_cast<unsigned char>(to[hit - from]));
                i += 2;
                continue;
            }
        }
        if (ch == '\r') continue;
        if (ch == '\v' || ch == '\f') ch = ' ';
        if (ch == 0) {
            // Not the end of the input: an error on its line, read as a blank.
            s.position = b.size() + 1;
            b.push_back(' ');
            alert_message(140);
            continue;
        }
        b.push_back(ch);
    }
    s.position = 0;
    return true;
}

void pop_stream() {
    std::unique_ptr<input_stream> s = std::move(streams.back());
    streams.pop_back();
    if (s->kind == stream_kind::file) {
        if (s->file && s->file != stdin) fclose(s->file);
        if (!streams.empty()) marker_needed = true;
    } else if (s->kind == stream_kind::expansion) {
        macro& m = *s->owner;
        m.in_use -= 1;
        if (m.in_use < 0 || m.in_use > 127) alert_message(158, narrow(m.name).c_str());
        depth_of_expansion -= s->depth_count;
        if (depth_of_expansion < 0) depth_of_expansion = 0;
    } else if (s->kind == stream_kind::argument && s->owner) {
        s->owner->in_use += 1;
    }
    refresh_top();
}

// One character of the innermost stream, without splice and comment handling. Pops ended
// streams and pushes argument texts for formal marks. A character given back by unget is
// returned as it is (given_back set).
pchar raw_char(bool& given_back) {
    given_back = false;
    for (;;) {
        input_stream& s = *top;
        if (!s.pushback.empty()) {
            pchar c = s.pushback.back();
            s.pushback.pop_back();
            if (c == '\n' && s.kind == stream_kind::file) ++s.line;
            given_back = true;
            return c;
        }
        if (s.position < s.buffer.size()) {
            pchar c = s.buffer[s.position++];
            if (s.kind == stream_kind::file) {
                if (c == '\n') ++s.line;
                return c;
            }
            if (c >= MARK_FORMAL && c <= MARK_FORMAL + 30) {
                int k = c - MARK_FORMAL;
                if (s.kind != stream_kind::expansion || !s.owner || k >= s.owner->parameter_count)
                    alert_message(152, static_cast<unsigned>(k));
                if (s.arguments && k < static_cast<int>(s.arguments->size())) {
                    auto arg = std::make_unique<input_stream>();
                    arg->kind = stream_kind::argument;
                    arg->buffer = (*s.arguments)[k];
                    arg->owner = s.owner;
                    arg->arguments = s.arguments;
                    s.owner->in_use -= 1;   // re-enabled while its own argument is read
                    streams.push_back(std::move(arg));
                    refresh_top();
                }
                continue;
            }
            return c;
        }
        if (s.kind == stream_kind::file) {
            if (load_line(s)) continue;
            if (streams.size() == 1) return 0;   // the outermost file keeps its record
            pop_stream();
            continue;
        }
        if (!s.separator_given) {
            s.separator_given = true;
            return MARK_SEPARATOR;
        }
        pop_stream();
    }
}

// The next character of the current stream's buffer, without consuming it.
pchar peek_same_stream() {
    input_stream& s = *top;
    return s.position < s.buffer.size() ? s.buffer[s.position] : 0;
}

void write_comment_text(const char* text) {
    if (copy_comments) output::write_comment(text);
}

void write_comment_char(pchar c) {
    if (copy_comments) {
        char ch[2] = {static_cast<char>(c), 0};
        if (c < 256) output::write_comment(ch);
    }
}

// After "/*": reads up to "*/".
void block_comment() {
    write_comment_text("/*");
    pchar previous = 0;
    for (;;) {
        input_stream& s = *top;
        if (s.position >= s.buffer.size()) {
            if (s.kind == stream_kind::file && load_line(s)) continue;
            if (s.kind == stream_kind::file) {
                if (streams.size() == 1) {
                    alert_message(139);
                    return;
                }
                alert_message(180);
            }
            return;   // the stream ends the comment
        }
        pchar c = s.buffer[s.position++];
        if (c == '\n') {
            if (s.kind == stream_kind::file) ++s.line;
            if (!copy_comments) marker_needed = true;
        }
        write_comment_char(c);
        if (previous == '*' && c == '/') return;
        if (previous == '/' && c == '*') {
            alert_message(179);
            c = 0;   // "/*/" is not an end
        }
        previous = c;
    }
}

// After "//": up to the newline, which is returned.
pchar line_comment() {
    write_comment_text("//");
    for (;;) {
        input_stream& s = *top;
        if (s.position >= s.buffer.size()) {
            if (s.kind == stream_kind::file && load_line(s)) continue;
            bool given_back;
            return raw_char(given_back);
        }
        pchar c = s.buffer[s.position++];
        if (c == '\n') {
            if (s.kind == stream_kind::file) ++s.line;
            return c;
        }
        write_comment_char(c);
    }
}

}  // namespace

pchar next_char() {
    bool after_comment = false;
    for (;;) {
        bool given_back;
        pchar c = raw_char(given_back);
        if (!given_back && !literal_mode && (c == '\\' || c == '/')) {
            pchar n = peek_same_stream();
            if (c == '\\' && n == '\n') {
                ++top->position;
                if (top->kind == stream_kind::file) ++top->line;
                marker_needed = true;
                continue;
            }
            if (c == '/' && n == '*') {
                ++top->position;
                block_comment();
                after_comment = true;
                continue;
            }
            if (c == '/' && n == '/') {
                ++top->position;
                c = line_comment();
            }
        }
        // A comment counts as nothing before white space or a newline, else as one blank.
        if (after_comment && c != '\n' && c != 0 && !is_white(c)) {
            unget(c);
            return ' ';
        }
        return c;
    }
}

void unget(pchar c) {
    if (c == 0) return;
    input_stream& s = *top;
    if (s.pushback.size() >= PUSHBACK_LIMIT) alert_message(159);
    if (c == '\n' && s.kind == stream_kind::file) --s.line;
    s.pushback.push_back(c);
}

pchar skip_blanks() {
    pchar c;
    do c = next_char();
    while (is_white(c) || c == MARK_SEPARATOR);
    return c;
}

void skip_line() {
    for (;;) {
        pchar c = next_char();
        if (c == '\n' || c == 0) {
            unget(c);
            return;
        }
        if (char_class(c) == CC_QUOTE) {
            ptext ignored;
            read_literal(c, ignored);
        }
    }
}

ptext read_identifier(pchar first) {
    ptext id;
    id.push_back(first);
    pchar c = next_char();
    while (is_ident_char(c)) {
        if (id.size() < significant_length) id.push_back(c);
        c = next_char();
    }
    unget(c);
    return id;
}

void read_number(pchar first, ptext& sink) {
    bool in_asm = output::asm_block;
    pchar c = first;
    bool hex = false, has_dot = false, has_exp = false;
    auto take = [&] {
        sink.push_back(c);
        c = next_char();
    };
    if (c == '.') {
        has_dot = true;
        take();
    }
    if (c == '0') {
        take();
        if (c == 'x' || c == 'X') {
            hex = true;
            take();
        } else if (c == 'b' || c == 'B') {
            take();
        }
    }
    for (;;) {
        if (is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) {
            if (!hex && (c == 'e' || c == 'E')) {
                if (has_exp) break;
                has_exp = true;
            }
            take();
        } else if (c == '.' && !has_dot && !hex) {
            has_dot = true;
            take();
        } else if (in_asm && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            take();
        } else {
            break;
        }
    }
    if (has_dot || has_exp) {
        if (c == 'l' || c == 'L') take();
    } else {
        bool l = false, u = false;
        for (;;) {
            if (!l && (c == 'l' || c == 'L')) {
                l = true;
                take();
            } else if (!u && (c == 'u' || c == 'U')) {
                u = true;
                take();
            } else {
                break;
            }
        }
    }
    unget(c);
}

bool read_literal(pchar quote, ptext& sink) {
    bool saved = literal_mode;
    literal_mode = true;
    sink.push_back(quote);
    bool closed = false;
    for (;;) {
        pchar c = next_char();
        if (c == 0 || c == '\n') {
            unget(c);
            break;
        }
        sink.push_back(c);
        if (c == quote) {
            closed = true;
            break;
        }
        if (c == '\\') {
            c = next_char();
            if (c == 0) break;
            sink.push_back(c);
        }
    }
    literal_mode = saved;
    return closed;
}

void push_file(FILE* file, const std::string& name) {
    auto s = std::make_unique<input_stream>();
    s->kind = stream_kind::file;
    s->file = file;
    s->name = name;
    s->chunk.reset(new char[CHUNK_SIZE]);
    marker_needed = true;
    push_stream(std::move(s));
}

void push_text(ptext text, stream_kind kind) {
    auto s = std::make_unique<input_stream>();
    s->kind = kind;
    s->buffer = std::move(text);
    push_stream(std::move(s));
}

void push_stream(std::unique_ptr<input_stream> stream) {
    streams.push_back(std::move(stream));
    refresh_top();
}

void drop_macro_streams() {
    while (top && top->kind != stream_kind::file) pop_stream();
}

input_stream* current() { return top; }
input_stream* current_file() { return top_file; }
bool reading_file() { return top && top->kind == stream_kind::file; }
int32_t current_line() { return top_file ? top_file->shown_line() : 0; }
void set_current_line(int32_t line) {
    if (top_file) top_file->line = line;
}
size_t depth() { return streams.size(); }
size_t file_depth() {
    size_t n = 0;
    for (const auto& s : streams) n += s->kind == stream_kind::file;
    return n;
}

void close_all() {
    for (auto& s : streams)
        if (s->file && s->file != stdin) fclose(s->file);
    streams.clear();
    refresh_top();
}

int32_t& expansion_depth() { return depth_of_expansion; }

}  // namespace scanner
