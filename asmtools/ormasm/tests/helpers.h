// Shared helpers of the assembler and librarian tests: running the built programs and the
// peer tools, scratch files, and reading objects back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace asmtest {

// Runs a shell command; returns its exit status and fills out with stdout and stderr.
int run(const std::string& command, std::string* out = nullptr);
// Path of a program built into bin/ ("ormasm", "ormarch") or tests/ ("ormobjdump").
std::string program(const std::string& name);
std::string source_dir();
// A fresh scratch directory for one test.
std::string scratch_dir(const std::string& test);
void write_text(const std::string& path, const std::string& text);
std::string read_text(const std::string& path);
bool exists(const std::string& path);
bool have_tool(const std::string& name);

// The data bytes of every TEXT record of one psect, laid at their offsets.
std::vector<uint8_t> psect_bytes(const std::vector<uint8_t>& object, const std::string& psect);
std::vector<uint16_t> words_of(const std::vector<uint8_t>& bytes);
// The object's dump text (empty when it does not read).
std::string dump(const std::vector<uint8_t>& object);

}  // namespace asmtest
