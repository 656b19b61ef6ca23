// Collects the numbered messages a test provokes instead of printing them, and lifts the error
// limit so that a test may provoke many. One capture is active at a time.
#pragma once
#include <string>
#include <vector>

namespace testsupport {

class message_capture {
public:
    message_capture();
    ~message_capture();
    message_capture(const message_capture&) = delete;
    message_capture& operator=(const message_capture&) = delete;

    // How many shown messages carry the number n.
    int count(int number) const;
    bool has(int number) const { return count(number) > 0; }
    // Every shown message, each ended by a newline.
    std::string all() const;
    const std::vector<std::string>& lines() const;
};

}  // namespace testsupport
