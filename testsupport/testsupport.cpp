#include "testsupport/testsupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <map>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "common/msgfile.h"

namespace testsupport {

namespace {

fs::path env_path(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value ? fs::path(value) : fs::path();
}

// Scratch folders still alive, with the process that made each; a death test's child leaves by
// exit() without running the destructors of the test's locals, so what it made is removed at
// exit instead.
std::map<fs::path, int>& live_scratch()
{
    static std::map<fs::path, int>* live = [] {
        std::atexit([] {
            std::error_code ec;
            for (const auto& [path, owner] : live_scratch())
                if (owner == getpid())
                    fs::remove_all(path, ec);
        });
        return new std::map<fs::path, int>;
    }();
    return *live;
}

}  // namespace

fs::path build_dir()
{
    fs::path dir = env_path("ORM_BUILD_DIR");
    if (!dir.empty())
        return fs::absolute(dir);
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : self.parent_path().parent_path();
}

fs::path source_dir()
{
    fs::path dir = env_path("ORM_SOURCE_DIR");
    return dir.empty() ? fs::path(ORM_TESTSUPPORT_SOURCE_DIR) : fs::absolute(dir);
}

std::string program(const std::string& name)
{
    fs::path bin = build_dir() / "bin" / name;
    return (file_exists(bin) ? bin : build_dir() / "tests" / name).string();
}

fs::path message_file() { return build_dir() / "dat" / "en_msgs.txt"; }

void load_messages()
{
    static const bool loaded = msgfile_open(message_file().string().c_str()) == 1;
    if (!loaded)
        ADD_FAILURE() << "cannot read " << message_file();
}

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_file(const fs::path& path, const std::string& text)
{
    if (path.has_parent_path())
        fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

bool file_exists(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(path, ec);
}

scratch_dir::scratch_dir(const std::string& label)
{
    std::string pattern = (fs::temp_directory_path() / ("orm_" + label + "_XXXXXX")).string();
    if (!mkdtemp(pattern.data()))
        throw fs::filesystem_error("cannot make a scratch folder", pattern, std::error_code(errno, std::generic_category()));
    path_ = pattern;
    owner_ = getpid();
    live_scratch()[path_] = owner_;
}

scratch_dir::~scratch_dir()
{
    if (owner_ != getpid())
        return;
    std::error_code ec;
    fs::remove_all(path_, ec);
    live_scratch().erase(path_);
}

std::string scratch_dir::write(const std::string& name, const std::string& text) const
{
    write_file(path_ / name, text);
    return file(name);
}

fs::path scratch_folder(const std::string& name)
{
    // Death-test children run the test again in a new process: they inherit the root through
    // the environment, so that parent and child see the same folders.
    static const fs::path root = [] {
        if (const char* inherited = std::getenv("ORM_TEST_SCRATCH"))
            return fs::path(inherited);
        static scratch_dir dir("run");
        setenv("ORM_TEST_SCRATCH", dir.path().c_str(), 1);
        return dir.path();
    }();
    fs::path dir = root / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string scratch_file(const std::string& name, const std::string& text)
{
    static scratch_dir dir("files");
    static int count = 0;
    return dir.write(std::to_string(count++) + "_" + name, text);
}

std::string quote(const std::string& word)
{
    std::string q = "'";
    for (char c : word)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

run_result run(const std::string& command, const fs::path& dir, const std::string& input)
{
    // The streams go through files: a pipe for each would need a poll loop to avoid deadlock.
    scratch_dir io("run");
    write_file(io.path() / "in", input);
    std::string line = (dir.empty() ? "" : "cd " + quote(dir.string()) + " && ") + "{ " + command + "\n} <" +
                       quote(io.file("in")) + " >" + quote(io.file("out")) + " 2>" + quote(io.file("err"));
    std::fflush(nullptr);
    int status = std::system(line.c_str());
    run_result r;
    r.status = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = io.read("out");
    r.err = io.read("err");
    return r;
}

int run_merged(const std::string& command, std::string* output)
{
    run_result r = run("{ " + command + "\n} 2>&1");
    if (output)
        *output = r.out;
    return r.status;
}

std::string capture_stdout(const std::function<void()>& body)
{
    scratch_dir io("stdout");
    std::fflush(stdout);
    int saved = dup(1);
    std::FILE* f = std::fopen(io.file("out").c_str(), "w");
    dup2(fileno(f), 1);
    body();
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);
    std::fclose(f);
    return io.read("out");
}

bool have_tool(const std::string& name) { return run("command -v " + quote(name)).status == 0; }

bool on_ci()
{
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

}  // namespace testsupport
