#include "installer/headless/posix_sys.h"

#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <spawn.h>
#include <unistd.h>

#include "installer/core/context.h"
#include "platform/platform.h"
#include "platform/registry_store.h"

extern char** environ;

namespace inst {

namespace {

class posix_file : public out_file {
public:
    posix_file(std::FILE* f, int64_t& budget) : f_(f), budget_(budget) {}
    ~posix_file() override {
        if (f_)
            std::fclose(f_);
    }
    bool write(const void* data, size_t size) override {
        if (budget_ >= 0) {
            if (int64_t(size) > budget_) {
                errno = ENOSPC;
                return false;
            }
            budget_ -= int64_t(size);
        }
        return std::fwrite(data, 1, size, f_) == size;
    }
    bool close() override {
        bool ok = std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }

private:
    std::FILE* f_;
    int64_t& budget_;
};

}  // namespace

posix_sys::posix_sys() {
    std::string budget = getenv("ORM_INSTALLER_WRITE_BUDGET");
    if (!budget.empty())
        write_budget = std::strtoll(budget.c_str(), nullptr, 10);
}

std::unique_ptr<out_file> posix_sys::create_file(const std::string& path) {
    // The payload carries no modes: every file may be a program, as on Windows.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0777);
    std::FILE* f = fd < 0 ? nullptr : fdopen(fd, "wb");
    last_errno_ = errno;
    if (!f) {
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }
    return std::make_unique<posix_file>(f, write_budget);
}

bool posix_sys::exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool posix_sys::is_folder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool posix_sys::make_folder(const std::string& path) {
    bool ok = mkdir(path.c_str(), 0777) == 0;
    last_errno_ = errno;
    return ok;
}

bool posix_sys::remove_folder(const std::string& path) { return rmdir(path.c_str()) == 0; }
bool posix_sys::delete_file(const std::string& path) { return unlink(path.c_str()) == 0; }
bool posix_sys::rename_file(const std::string& from, const std::string& to) {
    bool ok = std::rename(from.c_str(), to.c_str()) == 0;
    last_errno_ = errno;
    return ok;
}
std::string posix_sys::error_text() { return std::strerror(last_errno_); }
int posix_sys::error_number() { return last_errno_; }

std::string posix_sys::getenv(const std::string& name) {
    const char* v = std::getenv(name.c_str());
    return v ? v : "";
}

std::string posix_sys::expand_environment(const std::string& text) {
    std::string out = plat::expand_env_strings(text);
    if (out.size() > 4095)
        out.resize(4095);
    return out;
}

int32_t posix_sys::reg_read(int root, const std::string& key, const std::string& value, uint32_t& type,
                            std::vector<uint8_t>& data) {
    return plat::reg_get(root, key, value, type, data);
}
int32_t posix_sys::reg_write(int root, const std::string& key, const std::string& value, uint32_t type,
                             const std::vector<uint8_t>& data) {
    return plat::reg_set(root, key, value, type, data);
}
int32_t posix_sys::reg_subkeys(int root, const std::string& key, std::vector<std::string>& names) {
    return plat::reg_subkeys(root, key, names);
}
int32_t posix_sys::reg_delete_key(int root, const std::string& key) { return plat::reg_remove_key(root, key); }
int32_t posix_sys::reg_delete_value(int root, const std::string& key, const std::string& value) {
    return plat::reg_remove_value(root, key, value);
}

std::string posix_sys::own_program() { return plat::own_program_path(); }

bool posix_sys::run_and_wait(const std::string& program, const std::function<void()>& pump) {
    // As the shell opens a file: a program, or a script the download left without modes.
    std::string path = program, shell = "/bin/sh";
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr, nullptr};
    if (access(program.c_str(), X_OK) != 0) {
        char start[2] = {};
        std::FILE* f = std::fopen(program.c_str(), "rb");
        bool script = f && std::fread(start, 1, 2, f) == 2 && start[0] == '#' && start[1] == '!';
        if (f)
            std::fclose(f);
        if (!script)
            return false;
        path = shell;
        argv[0] = shell.data();
        argv[1] = const_cast<char*>(program.c_str());
    }
    pid_t pid;
    if (posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0)
        return false;
    for (;;) {
        int status;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return true;
        pump();
        usleep(20000);
    }
}

void posix_sys::start_hidden(const std::string& program, const std::string& folder) {
    std::printf("start: %s\n", program.c_str());
    // Tests check the script before they run it themselves.
    if (!getenv("ORM_INSTALLER_HOLD_SCRIPT").empty())
        return;
    pid_t pid;
    std::string command = "cd \"$1\" 2>/dev/null; exec sh \"$2\" >/dev/null 2>&1";
    char* argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"), command.data(), const_cast<char*>("sh"),
                    const_cast<char*>(folder.c_str()), const_cast<char*>(program.c_str()), nullptr};
    posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ);
}

std::string posix_sys::temp_name(const std::string& prefix) {
    std::string dir = getenv("TMPDIR");
    if (dir.empty())
        dir = "/tmp";
    return dir + "/" + prefix + plat::unique_name_fragment();
}

double posix_sys::now() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

std::string posix_sys::programs_folder() {
    std::string home = getenv("HOME");
    return home.empty() ? "" : home + "/.local/share/applications";
}

bool posix_sys::disk_space(const std::string& root, uint64_t& free_bytes, uint32_t& cluster) {
    // The folder may not exist yet: measure the nearest one that does.
    std::string path = root.empty() ? "." : root;
    while (!is_folder(path) && path.find('/') != std::string::npos && path != "/")
        path = path.substr(0, path.rfind('/')).empty() ? "/" : path.substr(0, path.rfind('/'));
    struct statvfs st;
    if (statvfs(path.c_str(), &st) != 0)
        return false;
    free_bytes = uint64_t(st.f_bavail) * st.f_frsize;
    cluster = uint32_t(st.f_bsize);
    return true;
}

bool posix_sys::write_ini(const std::string& file, const std::string& section, const std::string& key,
                          const std::string& value) {
    std::string text;
    if (std::FILE* f = std::fopen(file.c_str(), "rb")) {
        char piece[4096];
        size_t got;
        while ((got = std::fread(piece, 1, sizeof piece, f)) > 0)
            text.append(piece, got);
        std::fclose(f);
    }
    // Lines of the file; the key is replaced inside its section or added at the section's end.
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\n', pos);
        lines.push_back(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
        pos = end == std::string::npos ? text.size() : end + 1;
    }
    long start = -1;
    for (size_t i = 0; i < lines.size(); ++i)
        if (same_nocase(lines[i], "[" + section + "]"))
            start = long(i);
    std::string entry = key + "=" + value;
    if (start < 0) {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    } else {
        size_t i = size_t(start) + 1;
        for (; i < lines.size() && (lines[i].empty() || lines[i][0] != '['); ++i)
            if (starts_nocase(lines[i], key + "=")) {
                lines[i] = entry;
                break;
            }
        if (i == lines.size() || lines[i][0] == '[')
            lines.insert(lines.begin() + long(i), entry);
    }
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f)
        return false;
    for (const std::string& line : lines)
        std::fprintf(f, "%s\n", line.c_str());
    return std::fclose(f) == 0;
}

int posix_sys::create_link(const std::string& target, const std::string& link, const std::string& description,
                           const std::string& folder, const std::string& icon, std::string& error) {
    // A text body in place of a shell link: what a Windows link would hold.
    std::string body = "target=" + target + "\nfolder=" + folder + "\nicon=" + icon + "\ndescription=" + description + "\n";
    std::FILE* f = std::fopen(link.c_str(), "wb");
    if (!f || std::fwrite(body.data(), 1, body.size(), f) != body.size() || std::fclose(f) != 0) {
        last_errno_ = errno;
        error = "Save failed: " + std::string(std::strerror(errno)) + " (" + target + ", " + link + ")";
        return -1;
    }
    return 0;
}

static std::string sh_quote(const std::string& text) {
    std::string out = "'";
    for (char ch : text)
        out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

std::string posix_sys::removal_script(const std::string& setup, const std::vector<std::string>& folders,
                                      const std::string& self) {
    // Waits, a second a round, until the setup program can be deleted.
    std::string text = "cd /\nwhile rm -f " + sh_quote(setup) + " && [ -e " + sh_quote(setup) + " ]; do sleep 1; done\n";
    for (const std::string& folder : folders)
        text += "rmdir " + sh_quote(folder) + " 2>/dev/null\n";
    text += "rm -f " + sh_quote(self) + "\n";
    return text;
}

download_result posix_sys::download(const std::string& url, const std::string& folder,
                                    const transfer_callback& progress) {
    if (starts_nocase(url, "ftp://"))
        return download_result{download_result::no_connection, "", ""};
    return http_download(url, folder, progress);
}

}  // namespace inst
