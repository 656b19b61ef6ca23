// Win32 backend of the host layer (kernel32 and the C runtime).
#include "platform/platform.h"
#include "platform/command_line.h"

#include <windows.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <sys/stat.h>

namespace plat {

namespace {

// Like the runtime's spawn: a program name without an extension is also tried with ".com"
// and ".exe".
bool start_process(const std::string& program, std::vector<char>& line, PROCESS_INFORMATION& pi)
{
    STARTUPINFOA si;
    std::memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    std::vector<std::string> candidates = {program};
    size_t base = program.find_last_of("\\/:");
    if (program.find('.', base == std::string::npos ? 0 : base + 1) == std::string::npos) {
        candidates.push_back(program + ".com");
        candidates.push_back(program + ".exe");
    }
    for (const std::string& name : candidates)
        if (CreateProcessA(name.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
            return true;
    return false;
}

}  // namespace

bool interrupt_running_child(int)
{
    return false;   // a console child receives Ctrl-C and Ctrl-Break itself
}

int spawn_wait(const std::string& program, const std::vector<std::string>& argv)
{
    std::string command = windows_command_line(argv);
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    PROCESS_INFORMATION pi;
    if (!start_process(program, line, pi))
        return SPAWN_FAILED;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

bool create_exclusive(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

std::string unique_name_fragment()
{
    static unsigned counter = 0;
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    unsigned seed = static_cast<unsigned>(GetCurrentProcessId()) * 2654435761u ^ GetTickCount() ^ (++counter * 40503u);
    std::string name = "s";
    for (int i = 0; i < 4; i++) {
        name += digits[seed % 36];
        seed /= 36;
    }
    return name + "." + std::to_string(counter);
}

bool file_exists(const std::string& path)
{
    struct _stat st;
    return _stat(path.c_str(), &st) == 0;
}

bool is_directory(const std::string& path)
{
    struct _stat st;
    return _stat(path.c_str(), &st) == 0 && (st.st_mode & _S_IFDIR);
}

bool file_exists_same_case(const std::string& path)
{
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(path.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    FindClose(h);
    size_t cut = path.find_last_of("\\/:");
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    return name == data.cFileName;
}

bool remove_file(const std::string& path) { return _unlink(path.c_str()) == 0; }

bool rename_replace(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

std::string current_directory()
{
    char buf[MAX_PATH * 4];
    DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string(".");
}

std::string own_program_path()
{
    char buf[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
    return n && n < sizeof buf ? std::string(buf, n) : std::string();
}

bool is_terminal(int fd) { return _isatty(fd) != 0; }

bool duplicate_descriptor(int from, int to) { return _dup2(from, to) == 0; }

bool same_file(const std::string& a, const std::string& b)
{
    char fa[MAX_PATH * 4], fb[MAX_PATH * 4];
    if (!GetFullPathNameA(a.c_str(), sizeof fa, fa, nullptr) || !GetFullPathNameA(b.c_str(), sizeof fb, fb, nullptr))
        return false;
    return lstrcmpiA(fa, fb) == 0;
}

char separator() { return '\\'; }
bool is_separator(char c) { return c == '/' || c == '\\'; }

bool get_env(const std::string& name, std::string& value)
{
    const char* v = std::getenv(name.c_str());
    if (!v)
        return false;
    value = v;
    return true;
}

void put_env(const std::string& name, const std::string& value)
{
    std::string text = name + "=" + value;
    // The runtime keeps the pointer it is given, so the text stays allocated.
    char* kept = static_cast<char*>(std::malloc(text.size() + 1));
    if (!kept)
        return;
    std::memcpy(kept, text.c_str(), text.size() + 1);
    _putenv(kept);
    SetEnvironmentVariableA(name.c_str(), value.c_str());
}

std::string expand_env_strings(const std::string& text)
{
    DWORD n = ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (!n)
        return text;
    std::vector<char> buf(n + 1);
    n = ExpandEnvironmentStringsA(text.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
    return n ? std::string(buf.data()) : text;
}

os_version get_os_version()
{
    os_version v{};
    OSVERSIONINFOEXA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
        GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info));
    }
#pragma GCC diagnostic pop
    v.platform_id = info.dwPlatformId;
    v.major = info.dwMajorVersion;
    v.minor = info.dwMinorVersion;
    v.build = info.dwBuildNumber;
    v.service_pack = info.szCSDVersion;
    v.sp_major = info.wServicePackMajor;
    v.sp_minor = info.wServicePackMinor;
    v.suite_mask = info.wSuiteMask;
    v.product_type = info.wProductType;
    return v;
}

int64_t wall_clock_100ns()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return static_cast<int64_t>((static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
}

void set_time_zone(const std::string& tz)
{
    put_env("TZ", tz);
    _tzset();
}

namespace {
interrupt_handler program_handler = nullptr;
void (*cleanups[8])() = {};
int cleanup_count = 0;
using crt_handler = void (*)(int);
crt_handler earlier_int = SIG_DFL, earlier_term = SIG_DFL, earlier_break = SIG_DFL;
bool keep_ignored = false;

void on_signal(int sig)
{
    signal(sig, on_signal);   // the runtime resets the handler before calling it
    crt_handler earlier = sig == SIGINT ? earlier_int : sig == SIGTERM ? earlier_term : earlier_break;
    if (keep_ignored && earlier == SIG_IGN)
        return;
    for (int i = 0; i < cleanup_count; i++)
        cleanups[i]();
    if (program_handler) {
        program_handler(sig);
        return;
    }
    // A handler the program set before ours (directly, not through this layer) still runs.
    if (earlier == SIG_IGN)
        return;
    if (earlier != SIG_DFL && earlier != SIG_ERR) {
        earlier(sig);
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
    earlier_int = signal(SIGINT, on_signal);
    earlier_term = signal(SIGTERM, on_signal);
    earlier_break = signal(SIGBREAK, on_signal);
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

// Windows has no signal for a closed pipe: the write fails.
void survive_closed_pipe() {}

void on_interrupt_cleanup(void (*fn)())
{
    if (cleanup_count < 8)
        cleanups[cleanup_count++] = fn;
    install();
}

void at_exit(void (*fn)()) { std::atexit(fn); }

}  // namespace plat
