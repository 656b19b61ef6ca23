// Shared helpers of the assembler and librarian tests: reading objects back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace asmtest {

// The data bytes of every TEXT record of one psect, laid at their offsets.
std::vector<uint8_t> psect_bytes(const std::vector<uint8_t>& object, const std::string& psect);
std::vector<uint16_t> words_of(const std::vector<uint8_t>& bytes);
// The object's dump text (empty when it does not read).
std::string dump(const std::vector<uint8_t>& object);

}  // namespace asmtest
