#include "parser/tests/harness.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/alert.h"
#include "common/msgfile.h"
#include "parser/decl.h"
#include "parser/emit.h"
#include "parser/expr.h"
#include "parser/lexer.h"
#include "parser/options.h"
#include "parser/symbols.h"
#include "parser/types.h"
#include "testsupport/testsupport.h"

namespace {
std::string collected;
void collect(const char* line) { collected += line; }

void load_messages() {
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    testsupport::load_messages();
    alert_set_max_errors(100000);
    // The parser keeps its records until the program gives them back, as ormparse does at its
    // end; the test program gives back the last parse's before the parser's tables go.
    std::atexit([] {
        release_expressions();
        release_symbols();
    });
}
}  // namespace

void reset_parser() {
    load_messages();
    opt = parser_options{};
    init_qualifiers();
    reset_sizes();
    init_symbols();
    init_expressions();
    emit_reset();
    alert_set_level(0);
    alert_msg_state(0, 8);
    alert_set_plain_layout(nullptr);
    alert_set_output(collect);
    collected.clear();
}

parse_result with_input(const std::string& source, const std::function<void()>& body,
                        const std::function<void()>& setup) {
    reset_parser();
    if (setup) setup();
    std::string text = source;
    FILE* in = fmemopen(text.data(), text.size(), "r");
    char* buffer = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&buffer, &size);
    lex_input = in;
    ic_out = out;
    lex_init("t.c");
    body();
    std::fclose(out);
    std::fclose(in);
    lex_input = nullptr;
    ic_out = nullptr;
    parse_result r{std::string(buffer, size), collected};
    std::free(buffer);
    alert_set_output(nullptr);
    return r;
}

parse_result parse_c(const std::string& source, const std::function<void()>& setup) {
    return with_input(source, [] { parse_program(); }, setup);
}

std::vector<std::string> token_dump(const std::string& source, const std::function<void()>& setup) {
    std::vector<std::string> tokens;
    with_input(source, [&] {
        for (int code; (code = next_token()) != TK_EOF;) {
            std::string t = std::to_string(code);
            if (code == TK_ICONST) t += ":" + std::to_string(static_cast<int32_t>(tok.value)) + "/" + std::to_string(tok.type_code);
            else if (code == TK_FCONST) t += ":" + tok.text + "/" + std::to_string(tok.type_code);
            else if (code == TK_STRING) t += ":" + tok.text;
            else if (code == TK_IDENT) t += ":" + tok.name + "@" + std::to_string(lex_line);
            else if (code == TK_QUALIFIER) t += ":" + std::to_string(tok.value);
            tokens.push_back(t);
        }
    }, setup);
    return tokens;
}

bool has_message(const parse_result& r, int number) {
    return r.messages.find("(" + std::to_string(number) + ")") != std::string::npos;
}
