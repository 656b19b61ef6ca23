// Collects the messages a test provokes, by number.
#pragma once
#include <string>
#include <vector>

#include "common/alert.h"
#include "linker/context.h"

namespace testobj {

// A fresh run state; errors of earlier tests do not count.
inline void fresh_link() {
    lnk::start_context();
    alert_set_max_errors(1000000);
}

class message_capture {
public:
    message_capture() {
        lines().clear();
        alert_set_output(&collect);
    }
    ~message_capture() { alert_set_output(nullptr); }
    // How many shown messages carry the number n.
    int count(int n) const {
        std::string tag = "(" + std::to_string(n) + ")";
        int c = 0;
        for (const std::string& l : lines())
            if (l.find(tag) != std::string::npos) ++c;
        return c;
    }
    bool has(int n) const { return count(n) > 0; }
    std::string all() const {
        std::string s;
        for (const std::string& l : lines()) s += l + "\n";
        return s;
    }

private:
    static std::vector<std::string>& lines() {
        static std::vector<std::string> v;
        return v;
    }
    static void collect(const char* line) { lines().push_back(line); }
};

}  // namespace testobj
