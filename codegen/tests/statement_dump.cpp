// Reads intermediate code on standard input and prints each statement as it reaches code
// generation, in prefix form, one a line; messages go to standard error.
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "codegen/tests/harness.h"

int main() {
    std::string ic((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    // The harness adds the version line itself.
    size_t eol = ic.find('\n');
    ic = eol == std::string::npos ? std::string() : ic.substr(eol + 1);
    cgtest::run_result r = cgtest::run_statements(ic);
    for (const std::string& m : r.messages) std::cerr << m << "\n";
    for (const std::string& s : r.statements) std::cout << s << "\n";
    return 0;
}
