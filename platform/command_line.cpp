#include "platform/command_line.h"

namespace plat {

// An argument with white space or a double quote, or an empty one, is quoted; inside the
// quotes, backslashes are doubled before a double quote and before the closing quote, and
// each double quote is escaped.
std::string quote_windows_argument(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos)
        return arg;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            backslashes++;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
            out += '"';
        } else {
            out.append(backslashes, '\\');
            out += c;
        }
        backslashes = 0;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

std::string windows_command_line(const std::vector<std::string>& argv)
{
    std::string command;
    for (const std::string& a : argv) {
        if (!command.empty())
            command += ' ';
        command += quote_windows_argument(a);
    }
    return command;
}

}  // namespace plat
