// Argument reader: splits a text, or lines from standard input, into an argument vector.
#include "common/getargs.h"

#include <cstdio>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "platform/platform.h"

int getargs_count = 0;

namespace {

constexpr size_t max_argument = 255;
constexpr int end_of_input = -1;

class arg_source {
public:
    arg_source(const char* text, const char* name) : console_(!text), name_(name ? name : "")
    {
        if (text) {
            std::string t = text;
            size_t b = t.find_first_not_of(' ');
            size_t e = t.find_last_not_of(" \r");
            buf_ = b == std::string::npos ? std::string() : t.substr(b, e - b + 1);
        } else {
            terminal_ = plat::is_terminal(0);
            read_line();   // console input starts as if after a continuation
        }
    }

    // The next character, with line continuations taken out.
    int next()
    {
        for (;;) {
            if (pos_ < buf_.size()) {
                char c = buf_[pos_];
                bool line_end = pos_ + 1 == buf_.size() || buf_[pos_ + 1] == '\n' || buf_[pos_ + 1] == '\r';
                if (c == '\\' && line_end) {
                    // The next line takes the place of the rest of this one.
                    if (!read_line())
                        return end_of_input;
                    continue;
                }
                pos_++;
                return static_cast<unsigned char>(c);
            }
            if (!console_ || terminal_ || !read_line())
                return end_of_input;
        }
    }

private:
    // A whole line of standard input, its newline kept and a CR before it dropped.
    bool read_line()
    {
        buf_.clear();
        pos_ = 0;
        if (!console_)
            return false;
        if (terminal_) {
            std::fprintf(stderr, "%s> ", name_.c_str());
            std::fflush(stderr);
        }
        int c;
        while ((c = std::getchar()) != EOF) {
            buf_ += static_cast<char>(c);
            if (c == '\n')
                break;
        }
        if (buf_.size() >= 2 && buf_[buf_.size() - 2] == '\r' && buf_.back() == '\n')
            buf_.erase(buf_.size() - 2, 1);
        return !buf_.empty();
    }

    bool console_;
    bool terminal_ = false;
    std::string name_;
    std::string buf_;
    size_t pos_ = 0;
};

bool is_blank(int c) { return c == ' ' || c == '\t' || c == '\n'; }

}  // namespace

char** getargs(const char* text, const char* name)
{
    arg_source in(text, name);
    std::vector<std::string> args;
    int c = in.next();
    bool ended = false;
    while (!ended) {
        while (is_blank(c))
            c = in.next();
        if (c == end_of_input)
            break;
        std::string arg;
        bool reported = false;
        // An argument keeps its first 255 characters; 917 is reported once for it.
        auto add = [&](int ch) {
            if (arg.size() < max_argument) {
                arg += static_cast<char>(ch);
            } else if (!reported) {
                reported = true;
                alert_message(917);
            }
        };
        while (c != end_of_input && !is_blank(c)) {
            if (c == '\'' || c == '"') {
                int quote = c;
                while ((c = in.next()) != end_of_input && c != quote)
                    add(c);
                if (c == end_of_input) {
                    ended = true;
                    break;
                }
            } else {
                add(c);
            }
            c = in.next();
        }
        args.push_back(arg);
    }
    char** result = static_cast<char**>(xalloc(sizeof(char*) * (args.size() + 2)));
    result[0] = xstrdup("");
    for (size_t i = 0; i < args.size(); i++)
        result[i + 1] = xstrdup(args[i].c_str());
    getargs_count = static_cast<int>(args.size() + 1);
    return result;
}
