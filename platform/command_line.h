// The command line of a Windows process, built from an argument vector so that the C
// runtime's parser gives every argument back unchanged. Host-independent, so that it is
// checked on every host.
#pragma once
#include <string>
#include <vector>

namespace plat {

std::string quote_windows_argument(const std::string& argument);
std::string windows_command_line(const std::vector<std::string>& argv);

}  // namespace plat
