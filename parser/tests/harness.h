// Runs the parser's modules in-process on a C text and collects the intermediate code and
// the messages.
#pragma once
#include <functional>
#include <string>
#include <vector>

struct parse_result {
    std::string ic;         // intermediate code without the banner
    std::string messages;   // every message line, each ended by a newline
};

// Resets the parser to its start state (options back to their defaults).
void reset_parser();
// Parses `source` as one translation unit; `setup` runs after the reset (options, -Q classes).
parse_result parse_c(const std::string& source, const std::function<void()>& setup = {});
// Runs `body` with the lexer reading `source`; output and messages are collected.
parse_result with_input(const std::string& source, const std::function<void()>& body,
                        const std::function<void()>& setup = {});
// Token codes and values of a text, one "code" or "code:value" per token.
std::vector<std::string> token_dump(const std::string& source, const std::function<void()>& setup = {});
bool has_message(const parse_result& r, int number);
