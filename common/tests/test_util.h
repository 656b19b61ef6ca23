// Helpers shared by the support-library tests.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace testutil {

// Collects the lines the message module writes while it lives.
class captured_output {
public:
    captured_output();
    ~captured_output();
    const std::vector<std::string>& lines() const;
    std::string text() const;   // all lines joined
    void clear();
};

// Sets an environment variable for the life of the object (restores the old state).
class scoped_env {
public:
    scoped_env(const char* name, const char* value);   // null value: unset
    ~scoped_env();

private:
    std::string name_, old_;
    bool had_;
};

// The message file that the message tests use; loaded before any numbered message.
std::filesystem::path test_message_file();
void load_test_messages();

}  // namespace testutil
