// What every test folder needs: where the build tree and the sources are, scratch folders outside
// the build tree, running a program with its status and output captured, and peer tools that may
// be missing (a skip on a developer's machine, a failure on CI).
#pragma once
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace testsupport {

namespace fs = std::filesystem;

// The build tree under test: ORM_BUILD_DIR (set by CTest), else the folder above the test
// program's own (tests are built into <build>/tests).
fs::path build_dir();
// The source tree: ORM_SOURCE_DIR (set by CTest), else the one this library was built from.
fs::path source_dir();
// A program of the build tree: bin/<name>, or tests/<name> for the test-only tools.
std::string program(const std::string& name);
// The build tree's own English message file.
fs::path message_file();
// Loads the build tree's message file once per process (what "--edf=" does for a program).
void load_messages();

std::string read_file(const fs::path& path);
void write_file(const fs::path& path, const std::string& text);   // makes missing parent folders
bool file_exists(const fs::path& path);

// A fresh folder in the system's temporary folder, removed with everything in it at the end
// (by the process that made it: a forked death test's child leaves it alone).
class scratch_dir {
public:
    explicit scratch_dir(const std::string& label = "test");
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;

    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string write(const std::string& name, const std::string& text) const;   // returns its path
    std::string read(const std::string& name) const { return read_file(path_ / name); }
    bool has(const std::string& name) const { return file_exists(path_ / name); }

private:
    fs::path path_;
    int owner_;
};

// A fresh, empty folder `name` under the test program's scratch folder, which is removed when
// the program ends; a death test's child that runs the test again gets the same folders.
fs::path scratch_folder(const std::string& name);

// Writes a new file `text` into a scratch folder that lives as long as the test program and
// returns its path; each call gets a file of its own, whatever the name.
std::string scratch_file(const std::string& name, const std::string& text);

// A gtest fixture with a scratch folder per test.
class scratch_test : public testing::Test {
protected:
    std::string path(const std::string& name) const { return scratch_.file(name); }
    const scratch_dir& scratch() const { return scratch_; }
    scratch_dir scratch_{"test"};
};

struct run_result {
    int status = -1;   // exit status; -1 when the command did not end normally
    std::string out;   // standard output
    std::string err;   // standard error
};

// Runs a shell command line (in `dir` when given) with `input` on its standard input.
run_result run(const std::string& command, const fs::path& dir = {}, const std::string& input = {});
// Runs a shell command line; `output` receives standard output and error together.
int run_merged(const std::string& command, std::string* output = nullptr);
// Single-quotes a word for the shell.
std::string quote(const std::string& word);

// Everything `body` writes to the standard output (file descriptor 1).
std::string capture_stdout(const std::function<void()>& body);

// True when a peer tool is on PATH.
bool have_tool(const std::string& name);
// True on CI (CI=true), where a missing peer tool or corpus is a failure, not a skip.
bool on_ci();

}  // namespace testsupport

// Ends the test when `condition` is false: skipped on a developer's machine, failed on CI.
#define ORM_REQUIRE(condition, why)                                                    \
    do {                                                                               \
        if (!(condition)) {                                                            \
            if (::testsupport::on_ci())                                                \
                GTEST_FAIL() << "CI=true and not available: " << (why);                \
            else                                                                       \
                GTEST_SKIP() << "not available: " << (why);                            \
        }                                                                              \
    } while (0)

// Ends the test unless the peer tool is installed (see ORM_REQUIRE).
#define ORM_REQUIRE_TOOL(name) ORM_REQUIRE(::testsupport::have_tool(name), std::string(name) + " is not installed")
