#include "run_ormpre.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}
std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}
}  // namespace

std::string ormpre_path() {
    const char* build = getenv("ORM_BUILD_DIR");
    return std::string(build ? build : ".") + "/bin/ormpre";
}

bool have_program(const char* name) {
    return system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

scratch_dir::scratch_dir() {
    static std::atomic<int> counter{0};
    const char* build = getenv("ORM_BUILD_DIR");
    fs::path base = fs::path(build ? build : ".") / "tests" / "ormpre_scratch";
    path_ = (base / (std::to_string(getpid()) + "_" + std::to_string(counter++))).string();
    fs::remove_all(path_);
    fs::create_directories(path_);
}

scratch_dir::~scratch_dir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string scratch_dir::file(const std::string& name, const std::string& text) const {
    fs::path p = fs::path(path_) / name;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
}

std::string scratch_dir::read(const std::string& name) const { return slurp(path_ + "/" + name); }
bool scratch_dir::exists(const std::string& name) const { return fs::exists(path_ + "/" + name); }

ormpre_run scratch_dir::run(const std::vector<std::string>& args, const std::string& stdin_text) const {
    std::string cmd = "cd " + quote(path_) + " && ASAN_OPTIONS=detect_leaks=0:exitcode=86 UBSAN_OPTIONS=exitcode=87 " + quote(ormpre_path());
    for (const auto& a : args) cmd += " " + quote(a);
    file(".stdin", stdin_text);
    cmd += " <.stdin >.stdout 2>.stderr";
    int rc = system(cmd.c_str());
    ormpre_run r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = slurp(path_ + "/.stdout");
    r.err = slurp(path_ + "/.stderr");
    return r;
}

ormpre_run preprocess(const std::string& source, const std::vector<std::string>& options) {
    scratch_dir dir;
    dir.file("t.c", source);
    std::vector<std::string> args = options;
    args.push_back("t.c");
    return dir.run(args);
}

std::vector<std::string> text_lines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) continue;
        if (line.size() > 2 && line[0] == '#' && line[1] == ' ' && isdigit(static_cast<unsigned char>(line[2])))
            continue;
        lines.push_back(line);
    }
    return lines;
}
