// Windows command lines: every argument comes back unchanged through the runtime's parser.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "platform/command_line.h"

namespace {

// The C runtime's splitting of a command line (after the program name).
std::vector<std::string> runtime_split(const std::string& line)
{
    std::vector<std::string> args;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            i++;
        if (i >= line.size())
            break;
        std::string arg;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            size_t backslashes = 0;
            while (i < line.size() && line[i] == '\\') {
                backslashes++;
                i++;
            }
            if (i < line.size() && line[i] == '"') {
                arg.append(backslashes / 2, '\\');
                if (backslashes % 2) {
                    arg += '"';
                } else {
                    quoted = !quoted;
                }
                i++;
            } else {
                arg.append(backslashes, '\\');
                if (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t')))
                    arg += line[i++];
            }
        }
        args.push_back(arg);
    }
    return args;
}

TEST(WindowsCommandLine, QuotesOnlyWhatNeedsIt)
{
    EXPECT_EQ(plat::quote_windows_argument("plain"), "plain");
    EXPECT_EQ(plat::quote_windows_argument("C:\\dir\\file"), "C:\\dir\\file");
    EXPECT_EQ(plat::quote_windows_argument(""), "\"\"");
    EXPECT_EQ(plat::quote_windows_argument("a b"), "\"a b\"");
    EXPECT_EQ(plat::quote_windows_argument("C:\\with space\\"), "\"C:\\with space\\\\\"");
    EXPECT_EQ(plat::quote_windows_argument("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(plat::quote_windows_argument("a\\\"b"), "\"a\\\\\\\"b\"");
}

TEST(WindowsCommandLine, RoundTripsThroughTheRuntimeParser)
{
    std::vector<std::string> argv = {"ormpre.exe", "", "two words", "tail\\", "in \"quotes\"", "\\\\server\\share",
                                     "x\\\\\"y", "--edf=C:\\Program Files\\ORMC\\dat\\en_msgs.txt", "tab\there",
                                     "\"", "\\"};
    EXPECT_EQ(runtime_split(plat::windows_command_line(argv)), argv);
}

}  // namespace
