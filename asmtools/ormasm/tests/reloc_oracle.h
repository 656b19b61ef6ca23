// Test oracle: applies an object's complex relocations the way the linker computes them,
// given where each psect and external symbol ends up, so tests can check final code words.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace asmtest {

struct placement {
    std::map<std::string, uint32_t> psect_base;    // in the psect's units
    std::map<std::string, uint32_t> symbol_value;  // externals, in their psect's units
    bool others_zero = false;                      // names not listed are 0 instead of a fault
};

// The relocated bytes of one psect (module part placed at its base). Fails the test when a
// relocation cannot be evaluated.
std::vector<uint8_t> relocated(const std::vector<uint8_t>& object, const std::string& psect,
                               const placement& where);

// Evaluates one expression; the top of the stack is the left operand.
bool eval_expression(const std::vector<uint8_t>& code, const placement& where, uint32_t& value);

}  // namespace asmtest
