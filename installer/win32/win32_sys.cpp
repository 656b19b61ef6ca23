#include "installer/win32/win32_sys.h"

#include <windows.h>
#include <shlobj.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>

#include "installer/core/context.h"
#include "installer/core/download_name.h"
#include "platform/registry_store.h"

namespace inst {

namespace {

class win32_file : public out_file {
public:
    explicit win32_file(HANDLE h) : h_(h) {}
    ~win32_file() override {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
    }
    bool write(const void* data, size_t size) override {
        DWORD done = 0;
        return WriteFile(h_, data, DWORD(size), &done, nullptr) && done == size;
    }
    bool close() override {
        bool ok = CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

using folder_path_fn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

// SHGetFolderPathA from SHFolder.dll, else from Shell32.dll.
std::string shell_folder(int id) {
    HMODULE dll = LoadLibraryA("SHFolder.dll");
    FARPROC fn = dll ? GetProcAddress(dll, "SHGetFolderPathA") : nullptr;
    if (!fn) {
        dll = LoadLibraryA("Shell32.dll");
        fn = dll ? GetProcAddress(dll, "SHGetFolderPathA") : nullptr;
    }
    char path[MAX_PATH] = {};
    if (!fn || reinterpret_cast<folder_path_fn>(reinterpret_cast<void*>(fn))(nullptr, id, nullptr, 0, path) != S_OK)
        return "";
    return path;
}

struct internet_handle {
    HINTERNET h = nullptr;
    ~internet_handle() {
        if (h)
            InternetCloseHandle(h);
    }
};

}  // namespace

std::unique_ptr<out_file> win32_sys::create_file(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    last_error_ = GetLastError();
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<win32_file>(h);
}

bool win32_sys::exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool win32_sys::is_folder(const std::string& path) {
    DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool win32_sys::make_folder(const std::string& path) {
    bool ok = CreateDirectoryA(path.c_str(), nullptr) != 0;
    last_error_ = GetLastError();
    return ok;
}

bool win32_sys::remove_folder(const std::string& path) { return RemoveDirectoryA(path.c_str()) != 0; }
bool win32_sys::delete_file(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool win32_sys::rename_file(const std::string& from, const std::string& to) {
    bool ok = MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    last_error_ = GetLastError();
    return ok;
}

std::string win32_sys::error_text() {
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, last_error_, 0, text,
                   sizeof text, nullptr);
    return text;
}

std::string win32_sys::getenv(const std::string& name) {
    char value[4096];
    DWORD n = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

std::string win32_sys::expand_environment(const std::string& text) {
    char out[4096];
    DWORD n = ExpandEnvironmentStringsA(text.c_str(), out, sizeof out);
    return n > 0 && n <= sizeof out ? std::string(out) : text;
}

bool win32_sys::nt_family() { return (GetVersion() & 0x80000000u) == 0; }

void win32_sys::announce_environment() {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("Environment"), SMTO_ABORTIFHUNG,
                        5000, &result);
}

int32_t win32_sys::reg_read(int root, const std::string& key, const std::string& value, uint32_t& type,
                            std::vector<uint8_t>& data) {
    return plat::reg_get(root, key, value, type, data);
}
int32_t win32_sys::reg_write(int root, const std::string& key, const std::string& value, uint32_t type,
                             const std::vector<uint8_t>& data) {
    return plat::reg_set(root, key, value, type, data);
}
int32_t win32_sys::reg_subkeys(int root, const std::string& key, std::vector<std::string>& names) {
    return plat::reg_subkeys(root, key, names);
}
int32_t win32_sys::reg_delete_key(int root, const std::string& key) { return plat::reg_remove_key(root, key); }
int32_t win32_sys::reg_delete_value(int root, const std::string& key, const std::string& value) {
    return plat::reg_remove_value(root, key, value);
}

std::string win32_sys::own_program() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

bool win32_sys::run_and_wait(const std::string& program, const std::function<void()>& pump) {
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = "open";
    info.lpFile = program.c_str();
    info.lpParameters = "";
    info.nShow = SW_SHOW;
    if (!ShellExecuteExA(&info))
        return false;
    if (!info.hProcess)
        return true;   // handed to a running program: nothing to wait for
    for (;;) {
        pump();
        DWORD r = MsgWaitForMultipleObjects(1, &info.hProcess, FALSE, 2000, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0 || r == WAIT_FAILED)
            break;
    }
    CloseHandle(info.hProcess);
    return true;
}

void win32_sys::start_hidden(const std::string& program, const std::string& folder) {
    // Our current folder is the kept setup's own, which the batch removes: while it is ours it
    // cannot go, and where the running setup can be deleted at once the batch does not wait.
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    SetCurrentDirectoryA(folder.empty() ? windows : folder.c_str());
    ShellExecuteA(nullptr, "open", program.c_str(), nullptr, folder.c_str(), SW_HIDE);
}

std::string win32_sys::temp_name(const std::string& prefix) {
    char* name = _tempnam(nullptr, prefix.c_str());
    std::string out = name ? name : prefix;
    std::free(name);
    return out;
}

double win32_sys::now() { return double(GetTickCount64()) / 1000.0; }

std::string win32_sys::programs_folder() { return shell_folder(CSIDL_PROGRAMS); }
std::string win32_sys::program_files_folder() { return shell_folder(CSIDL_PROGRAM_FILES); }

bool win32_sys::disk_space(const std::string& root, uint64_t& free_bytes, uint32_t& cluster) {
    DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
    cluster = GetDiskFreeSpaceA(root.c_str(), &sectors, &bytes, &free_clusters, &clusters) ? sectors * bytes : 4096;
    free_bytes = 0;
    using ex_fn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    FARPROC fn = GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA");
    ULARGE_INTEGER caller{}, total{}, all{};
    if (fn && reinterpret_cast<ex_fn>(reinterpret_cast<void*>(fn))(root.c_str(), &caller, &total, &all))
        free_bytes = caller.QuadPart;
    return true;
}

bool win32_sys::write_ini(const std::string& file, const std::string& section, const std::string& key,
                          const std::string& value) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

int win32_sys::create_link(const std::string& target, const std::string& link, const std::string& description,
                           const std::string& folder, const std::string& icon, std::string& error) {
    CoInitialize(nullptr);
    auto fail_with = [&](const char* what, HRESULT hr) {
        error = format("%s failed: %d/%d (%s, %s, %s, %s)", what, int(hr), int(GetLastError()), target.c_str(),
                       link.c_str(), description.c_str(), folder.c_str());
        CoUninitialize();
        return int(hr < 0 ? hr : -1);
    };
    IShellLinkA* shell_link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  reinterpret_cast<void**>(&shell_link));
    if (FAILED(hr))
        return fail_with("CoCreateInstance", hr);
    shell_link->SetPath(target.c_str());
    if (!description.empty())
        shell_link->SetDescription(description.c_str());
    if (!folder.empty())
        shell_link->SetWorkingDirectory(folder.c_str());
    if (!icon.empty())
        shell_link->SetIconLocation(icon.c_str(), 0);
    IPersistFile* file = nullptr;
    hr = shell_link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (FAILED(hr)) {
        shell_link->Release();
        return fail_with("QueryInterface", hr);
    }
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    hr = file->Save(wide, TRUE);
    file->Release();
    shell_link->Release();
    if (FAILED(hr))
        return fail_with("Save", hr);
    CoUninitialize();
    return int(hr);
}

std::string win32_sys::removal_script(const std::string& setup, const std::vector<std::string>& folders,
                                      const std::string& self) {
    // Waits, about a second a round, until the setup program has ended and can be deleted.
    std::string text = "cd \\\r\n:Repeat\r\ndel \"" + setup + "\"\r\nif not exist \"" + setup +
                       "\" goto Removed\r\nping -n 2 127.0.0.1 >nul\r\ngoto Repeat\r\n:Removed\r\n";
    for (const std::string& folder : folders)
        text += "rmdir \"" + folder + "\"\r\n";
    return text + "del \"" + self + "\"\r\n";
}

download_result win32_sys::download(const std::string& url, const std::string& folder,
                                    const transfer_callback& progress) {
    auto failed = [](const std::string& text) { return download_result{download_result::failed, "", text}; };
    bool ftp = starts_nocase(url, "ftp://");
    size_t host_start = url.find("//") + 2, slash = url.find('/', host_start);
    std::string host = url.substr(host_start, slash - host_start), path = url.substr(slash);
    std::string name = url.substr(url.rfind('/') + 1);
    internet_handle session, connection, request;
    session.h = InternetOpenA("URL_download", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!session.h)
        return failed(format("InternetOpen failed: %d", int(GetLastError())));
    uint32_t total = 0;
    if (ftp) {
        connection.h = InternetConnectA(session.h, host.c_str(), 21, nullptr, nullptr, INTERNET_SERVICE_FTP, 0, 0);
        if (connection.h)
            request.h = FtpOpenFileA(connection.h, path.c_str(), GENERIC_READ, FTP_TRANSFER_TYPE_BINARY, 0);
        // No connection or no file: the caller tries the feature's next installer.
        if (!request.h)
            return download_result{download_result::no_connection, "", ""};
    } else {
        connection.h = InternetConnectA(session.h, host.c_str(), 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
        if (!connection.h)
            return failed(format("InternetConnect failed: %d", int(GetLastError())));
        request.h = HttpOpenRequestA(connection.h, "GET", path.c_str(), nullptr, nullptr, nullptr,
                                     INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI, 0);
        if (!request.h)
            return failed(format("HttpOpenRequest failed: %d", int(GetLastError())));
        if (!HttpSendRequestA(request.h, nullptr, 0, nullptr, 0))
            return failed(format("HttpSendRequest failed: %d", int(GetLastError())));
        DWORD status = 0, size = sizeof status;
        if (!HttpQueryInfoA(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
            return failed(format("HttpQueryInfo failed: %d", int(GetLastError())));
        if (status > 299)
            return failed(format("Server response was %d", int(status)));
        std::string disposition(16384, '\0');
        size = DWORD(disposition.size());
        if (HttpQueryInfoA(request.h, HTTP_QUERY_CONTENT_DISPOSITION, disposition.data(), &size, nullptr))
            name = download_file_name(url, disposition.substr(0, size));
        char length[32] = {};
        size = sizeof length;
        if (HttpQueryInfoA(request.h, HTTP_QUERY_CONTENT_LENGTH, length, &size, nullptr))
            total = uint32_t(std::strtoul(length, nullptr, 10));
    }
    std::string local = folder + "\\" + name;
    std::FILE* out = std::fopen(local.c_str(), "wb");
    if (!out)
        return failed(format("Can't create file: %s: %d", local.c_str(), errno));
    std::vector<char> piece(16384);
    uint32_t done = 0;
    bool read_ok = true, write_ok = true;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.h, piece.data(), DWORD(piece.size()), &got)) {
            read_ok = false;
            break;
        }
        if (got == 0)
            break;
        write_ok = write_ok && std::fwrite(piece.data(), 1, got, out) == got;
        done += got;
        if (progress && total)
            progress(done, total);
    }
    write_ok = std::fclose(out) == 0 && write_ok;
    // A cut body must not pass for the program: it would be started half written.
    if (!write_ok || !read_ok || (total && done < total)) {
        DeleteFileA(local.c_str());
        return failed(write_ok ? format("Download of %s incomplete", url.c_str()) : format("Write error on %s", local.c_str()));
    }
    return download_result{download_result::ok, local, ""};
}

}  // namespace inst
