// Helpers shared by the driver's tests.
#pragma once
#include <functional>
#include <string>

void load_test_messages();   // the build tree's message file
std::string write_temp_file(const std::string& name, const std::string& text);
std::string read_file(const std::string& path);
std::string capture_stdout(const std::function<void()>& body);
