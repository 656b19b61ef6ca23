// Helpers for tests that run the listing programs on real files: paths of the build, scratch
// folders, and running a command line with its output and status captured.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace listing_test {

namespace fs = std::filesystem;

inline fs::path env_path(const char* name)
{
    const char* value = std::getenv(name);
    return fs::path(value && *value ? value : ".");
}

inline fs::path build_dir() { return env_path("ORM_BUILD_DIR"); }
inline fs::path source_dir() { return env_path("ORM_SOURCE_DIR"); }
inline std::string tool(const char* name) { return fs::absolute(build_dir() / "bin" / name).string(); }

inline std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void write_file(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

// A fresh, empty folder for one test.
inline fs::path scratch(const std::string& name)
{
    fs::path dir = fs::absolute(build_dir() / "tests" / "listing_scratch" / name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

struct run_result {
    int status;
    std::string out;
    std::string err;
};

// Runs a shell command line in the folder; standard output and error are captured.
inline run_result run(const std::string& command, const fs::path& dir)
{
    fs::path out = dir / ".stdout", err = dir / ".stderr", rc = dir / ".status";
    std::string line = "cd '" + dir.string() + "' && { " + command + " ; } >'" + out.string()
                       + "' 2>'" + err.string() + "'; echo $? >'" + rc.string() + "'";
    std::system(line.c_str());
    run_result result{std::atoi(read_file(rc).c_str()), read_file(out), read_file(err)};
    fs::remove(out);
    fs::remove(err);
    fs::remove(rc);
    return result;
}

}  // namespace listing_test
