// Test helper: collects the numbered messages a test provokes instead of printing them,
// and lifts the error limit so a test may provoke many.
#pragma once
#include <string>
#include <vector>

#include "common/alert.h"

namespace testmsg {

inline std::vector<std::string>& lines() {
    static std::vector<std::string> captured;
    return captured;
}

inline void capture(const char* line) { lines().push_back(line); }

// Call at the start of a test that expects messages.
inline void install() {
    alert_set_output(capture);
    alert_set_max_errors(1 << 30);
    lines().clear();
}

inline bool has(int number) {
    std::string tag = "(" + std::to_string(number) + ")";
    for (const std::string& l : lines())
        if (l.find(tag) != std::string::npos) return true;
    return false;
}

}  // namespace testmsg
