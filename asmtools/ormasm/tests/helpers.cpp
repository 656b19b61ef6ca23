#include "asmtools/ormasm/tests/helpers.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "objfmt/dump/dump.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"

namespace asmtest {

int run(const std::string& command, std::string* out) {
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (!p) return -1;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) text.append(buf, n);
    int status = pclose(p);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static std::string env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

std::string program(const std::string& name) {
    std::string build = env("ORM_BUILD_DIR", ".");
    std::string bin = build + "/bin/" + name;
    return exists(bin) ? bin : build + "/tests/" + name;
}

std::string source_dir() { return env("ORM_SOURCE_DIR", "."); }

std::string scratch_dir(const std::string& test) {
    std::string dir = env("ORM_BUILD_DIR", ".") + "/scratch/ormasm/" + test;
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

void write_text(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    f << text;
}

std::string read_text(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

bool exists(const std::string& path) { return std::filesystem::exists(path); }

bool have_tool(const std::string& name) { return run("command -v " + name + " >/dev/null") == 0; }

std::vector<uint8_t> psect_bytes(const std::vector<uint8_t>& object, const std::string& psect) {
    std::vector<obj::record> recs;
    std::vector<uint8_t> out;
    if (!obj::read_module(object.data(), object.size(), recs)) return out;
    for (const obj::record& r : recs) {
        if (r.type != obj::TEXT) continue;
        obj::body_cursor c(r.body.data(), r.body.size(), obj::byte_order());
        obj::text_rec t;
        if (!obj::decode_text(c, t) || t.psect != psect) continue;
        if (out.size() < t.offset + t.data.size()) out.resize(t.offset + t.data.size());
        std::copy(t.data.begin(), t.data.end(), out.begin() + t.offset);
    }
    return out;
}

std::vector<uint16_t> words_of(const std::vector<uint8_t>& bytes) {
    std::vector<uint16_t> w;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) w.push_back(uint16_t(bytes[i] | (bytes[i + 1] << 8)));
    return w;
}

std::string dump(const std::vector<uint8_t>& object) {
    std::string text;
    if (!obj::dump_object(object.data(), object.size(), text)) return {};
    return text;
}

}  // namespace asmtest
