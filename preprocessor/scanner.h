// The input of the preprocessor: a stack of streams (files and macro texts) read one
// 16-bit character at a time, with trigraphs, line splices and comments handled on the way.
#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ppchar.h"

struct macro;

enum class stream_kind : uint8_t {
    file,        // a source file, read one line at a time
    expansion,   // the text of a macro expansion
    argument,    // an argument text pushed when its formal mark is read
    generated,   // other pushed text: pasted tokens, __LINE__, characters given back
};

struct input_stream {
    stream_kind kind = stream_kind::file;
    ptext buffer;               // the current line of a file, or the whole text
    size_t position = 0;
    bool separator_given = false;
    std::vector<pchar> pushback;   // characters given back by unget

    // File streams.
    FILE* file = nullptr;
    std::string name;           // as opened
    std::string line_name;      // set by #line; empty when none
    bool has_line_name = false;
    std::string raw_line;       // the line's bytes as read, for the source-line echo
    int64_t line = 1;           // wide, so counting and giving back never overflow; shown clamped
    int32_t shown_line() const { return line > INT32_MAX ? INT32_MAX : static_cast<int32_t>(line); }
    uint64_t line_serial = 0;   // which line read from any file this is (for the echo)
    bool at_eof = false;
    std::unique_ptr<char[]> chunk;   // read-ahead of the file
    size_t chunk_length = 0, chunk_position = 0;

    // Macro streams: the expansion's macro (for its name and in-use count) and its arguments.
    std::shared_ptr<macro> owner;
    std::shared_ptr<std::vector<ptext>> arguments;
    int depth_count = 0;
};

namespace scanner {

// Reading state that other modules switch.
extern bool literal_mode;     // no splices and comments while a literal or include name is read
extern bool copy_comments;    // comments go to the output as they are read
extern bool in_directive;     // a directive line is being read: it ends at its newline
extern bool marker_needed;    // the output's line count may disagree with the source's
extern size_t significant_length;

pchar next_char();            // 0 at the end of the outermost file
void unget(pchar c);          // gives c back to the current stream; 0 is ignored
pchar skip_blanks();          // next character that is not white space or a separator mark
void skip_line();             // up to, not including, the newline; literals are stepped over
ptext read_identifier(pchar first);   // first significant-length characters kept
void read_number(pchar first, ptext& sink);
bool read_literal(pchar quote, ptext& sink);   // false when a newline or the end came first

void push_file(FILE* file, const std::string& name);
void push_text(ptext text, stream_kind kind);
void push_stream(std::unique_ptr<input_stream> stream);
void drop_macro_streams();    // pops every stream above the innermost file

input_stream* current();      // innermost stream
input_stream* current_file(); // innermost file stream (null before the input is pushed)
bool reading_file();          // the innermost stream is a file
int32_t current_line();
void set_current_line(int32_t line);
size_t depth();               // streams on the stack
size_t file_depth();          // file streams on the stack
void close_all();

int32_t& expansion_depth();
}  // namespace scanner
