#include "run_ormpre.h"

#include <sstream>

std::string scratch_dir::file(const std::string& name, const std::string& text) const { return folder_.write(name, text); }
std::string scratch_dir::read(const std::string& name) const { return folder_.read(name); }
bool scratch_dir::exists(const std::string& name) const { return folder_.has(name); }

ormpre_run scratch_dir::run(const std::vector<std::string>& args, const std::string& stdin_text) const {
    std::string cmd = "ASAN_OPTIONS=detect_leaks=0:exitcode=86 UBSAN_OPTIONS=exitcode=87 " +
                      testsupport::quote(testsupport::program("ormpre"));
    for (const auto& a : args) cmd += " " + testsupport::quote(a);
    testsupport::run_result r = testsupport::run(cmd, folder_.path(), stdin_text);
    return {r.status, r.out, r.err};
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
