// POSIX backend of the host layer.
#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

namespace plat {

namespace {
volatile sig_atomic_t running_child = 0;   // the spawned program being waited for
}

bool interrupt_running_child(int sig)
{
    pid_t pid = static_cast<pid_t>(running_child);
    return pid > 0 && kill(pid, sig) == 0;
}

int spawn_wait(const std::string& program, const std::vector<std::string>& argv)
{
    std::string path = program;
    for (char& c : path)
        if (c == '\\')
            c = '/';
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    // The child reports a failed exec through a pipe that closes on a successful one.
    int fds[2];
    if (pipe(fds) != 0)
        return SPAWN_FAILED;
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return SPAWN_FAILED;
    }
    if (pid == 0) {
        close(fds[0]);
        execv(path.c_str(), args.data());
        int error = errno;
        ssize_t ignored = write(fds[1], &error, sizeof error);
        (void)ignored;
        _exit(127);
    }
    close(fds[1]);
    running_child = pid;
    int child_error = 0;
    ssize_t got;
    do
        got = read(fds[0], &child_error, sizeof child_error);
    while (got < 0 && errno == EINTR);
    close(fds[0]);
    int status = 0;
    // An interrupt meanwhile is passed on by the caller's handler; the wait goes on until the
    // child has ended, so that nothing it writes comes after the caller's cleanup.
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) {
            running_child = 0;
            return SPAWN_FAILED;
        }
    running_child = 0;
    if (got == static_cast<ssize_t>(sizeof child_error))
        return SPAWN_FAILED;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 1;
}

bool create_exclusive(const std::string& path)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0)
        return false;
    close(fd);
    return true;
}

std::string unique_name_fragment()
{
    static std::mt19937 random(static_cast<unsigned>(std::random_device{}() ^ static_cast<unsigned>(getpid())));
    static unsigned counter = 0;
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = "s";
    for (int i = 0; i < 4; i++)
        name += digits[random() % 36];
    return name + "." + std::to_string(++counter);
}

bool file_exists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool is_directory(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool file_exists_same_case(const std::string& path)
{
    if (!file_exists(path))
        return false;
    size_t cut = path.find_last_of("/\\");
    std::string dir = cut == std::string::npos ? "." : (cut == 0 ? "/" : path.substr(0, cut));
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    DIR* d = opendir(dir.c_str());
    if (!d)
        return false;
    bool found = false;
    while (dirent* e = readdir(d))
        if (name == e->d_name) {
            found = true;
            break;
        }
    closedir(d);
    return found;
}

bool remove_file(const std::string& path) { return unlink(path.c_str()) == 0; }

bool rename_replace(const std::string& from, const std::string& to)
{
    return rename(from.c_str(), to.c_str()) == 0;
}

std::string current_directory()
{
    std::vector<char> buf(4096);
    while (!getcwd(buf.data(), buf.size())) {
        if (errno != ERANGE)
            return ".";
        buf.resize(buf.size() * 2);
    }
    return buf.data();
}

std::string own_program_path()
{
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    if (n <= 0)
        return std::string();
    return std::string(buf.data(), static_cast<size_t>(n));
}

bool is_terminal(int fd) { return isatty(fd) != 0; }

bool duplicate_descriptor(int from, int to) { return dup2(from, to) >= 0; }

bool same_file(const std::string& a, const std::string& b)
{
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

char separator() { return '/'; }
bool is_separator(char c) { return c == '/' || c == '\\'; }

bool get_env(const std::string& name, std::string& value)
{
    const char* v = std::getenv(name.c_str());
    if (!v)
        return false;
    value = v;
    return true;
}

void put_env(const std::string& name, const std::string& value) { setenv(name.c_str(), value.c_str(), 1); }

std::string expand_env_strings(const std::string& text)
{
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
        std::string value;
        if (close != std::string::npos && close > i + 1 && get_env(text.substr(i + 1, close - i - 1), value)) {
            out += value;
            i = close + 1;
        } else {
            out += text[i++];
        }
    }
    return out;
}

os_version get_os_version()
{
    os_version v{};
    v.platform_id = 3;
    struct utsname u;
    if (uname(&u) == 0)
        v.other_text = std::string(u.sysname) + " " + u.release + " " + u.machine;
    return v;
}

int64_t wall_clock_100ns()
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 10000000 + ts.tv_nsec / 100 + INT64_C(116444736000000000);
}

void set_time_zone(const std::string& tz)
{
    setenv("TZ", tz.c_str(), 1);
    tzset();
}

namespace {
interrupt_handler program_handler = nullptr;
void (*cleanups[8])() = {};
int cleanup_count = 0;
struct sigaction earlier_int, earlier_term;   // what was installed before us
bool keep_ignored = false;

void on_signal(int sig)
{
    const struct sigaction& earlier = sig == SIGINT ? earlier_int : earlier_term;
    // An inherited "ignore" holds for cleanups alone too: removing files of a run that goes on
    // would break it.
    if (earlier.sa_handler == SIG_IGN && (keep_ignored || !program_handler))
        return;
    for (int i = 0; i < cleanup_count; i++)
        cleanups[i]();
    if (program_handler) {
        program_handler(sig);
        return;
    }
    // A handler the program set before ours (directly, not through this layer) still runs.
    if (earlier.sa_handler == SIG_IGN)
        return;
    if (earlier.sa_handler != SIG_DFL && !(earlier.sa_flags & SA_SIGINFO)) {
        earlier.sa_handler(sig);
        return;
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

void install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &earlier_int);
    sigaction(SIGTERM, &sa, &earlier_term);
}
}  // namespace

void on_interrupt(interrupt_handler handler)
{
    program_handler = handler;
    install();
}

void on_interrupt_unless_ignored(interrupt_handler handler)
{
    keep_ignored = true;
    on_interrupt(handler);
}

void survive_closed_pipe() { signal(SIGPIPE, SIG_IGN); }

void on_interrupt_cleanup(void (*fn)())
{
    if (cleanup_count < 8)
        cleanups[cleanup_count++] = fn;
    install();
}

void at_exit(void (*fn)()) { std::atexit(fn); }

}  // namespace plat
