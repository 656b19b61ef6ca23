#include "testsupport/message_capture.h"

#include "common/alert.h"

namespace testsupport {

namespace {

std::vector<std::string>& captured() {
    static std::vector<std::string> lines;
    return lines;
}

void collect(const char* line) { captured().emplace_back(line); }

}  // namespace

message_capture::message_capture() {
    captured().clear();
    alert_set_output(collect);
    alert_set_max_errors(1 << 30);
}

message_capture::~message_capture() { alert_set_output(nullptr); }

int message_capture::count(int number) const {
    std::string tag = "(" + std::to_string(number) + ")";
    int n = 0;
    for (const std::string& l : captured())
        if (l.find(tag) != std::string::npos) ++n;
    return n;
}

std::string message_capture::all() const {
    std::string text;
    for (const std::string& l : captured()) text += l + "\n";
    return text;
}

const std::vector<std::string>& message_capture::lines() const { return captured(); }

}  // namespace testsupport
