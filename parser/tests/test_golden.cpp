// Golden intermediate code: runs ormparse on each golden/NAME.c (options from NAME.args) and
// compares standard output with NAME.ic and the messages plus exit status with NAME.err.
// parser/tests/update_golden.sh writes the expected files again after a deliberate change.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "testsupport/testsupport.h"

namespace fs = std::filesystem;

namespace {
std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

using testsupport::build_dir;
using testsupport::source_dir;

struct run_result {
    std::string out, err;
    int status;
};

// Runs ormparse in the golden folder on `name`.c; the string side file goes to a temporary name.
run_result run_parser(const fs::path& dir, const std::string& name, const std::string& args) {
    fs::path out = fs::temp_directory_path() / ("golden_" + name + ".out");
    fs::path err = fs::temp_directory_path() / ("golden_" + name + ".err");
    std::string command = "cd '" + dir.string() + "' && '" + (build_dir() / "bin/ormparse").string() + "' '--edf=" +
                          testsupport::message_file().string() + "' " + args + " " + name + ".c >'" +
                          out.string() + "' 2>'" + err.string() + "'";
    int raw = std::system(command.c_str());
    run_result r{read_file(out), read_file(err), WIFEXITED(raw) ? WEXITSTATUS(raw) : -1};
    fs::remove(out);
    fs::remove(err);
    return r;
}
}  // namespace

TEST(Golden, IntermediateCodeAndMessages) {
    fs::path dir = source_dir() / "parser/tests/golden";
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".c") continue;
        std::string name = entry.path().stem().string();
        fs::path args_file = dir / (name + ".args");
        std::string args = fs::exists(args_file) ? read_file(args_file) : "";
        while (!args.empty() && (args.back() == '\n' || args.back() == ' ')) args.pop_back();
        run_result r = run_parser(dir, name, args);
        EXPECT_EQ(r.out, read_file(dir / (name + ".ic"))) << name;
        EXPECT_EQ(r.err + "status " + std::to_string(r.status) + "\n", read_file(dir / (name + ".err"))) << name;
        ++checked;
    }
    EXPECT_GE(checked, 8);
}
