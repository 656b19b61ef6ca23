// What the installer needs of the host: files, environment, the common registry, processes,
// disk space, INI files, shortcuts and downloads. The Windows front end and the Linux test
// front end each supply one; the core reaches the system through nothing else.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace inst {

// A file being written. `write` is false on any failure (a full disk included).
class out_file {
public:
    virtual ~out_file() = default;
    virtual bool write(const void* data, size_t size) = 0;
    virtual bool close() = 0;    // false when buffered data could not be written
};

struct download_result {
    enum kind_t { ok, no_connection, failed } kind = failed;
    std::string path;       // ok: the local file
    std::string error;      // failed: the fatal text
};

// Called with the bytes so far and the total (0 unknown) while a download runs.
using transfer_callback = std::function<void(uint32_t done, uint32_t total)>;

class sys {
public:
    virtual ~sys() = default;

    // Files and folders.
    virtual std::unique_ptr<out_file> create_file(const std::string& path) = 0;   // null on failure
    virtual bool exists(const std::string& path) = 0;
    virtual bool is_folder(const std::string& path) = 0;
    virtual bool make_folder(const std::string& path) = 0;
    virtual bool remove_folder(const std::string& path) = 0;
    virtual bool delete_file(const std::string& path) = 0;
    virtual bool rename_file(const std::string& from, const std::string& to) = 0;
    virtual std::string error_text() = 0;    // the last system error, as text
    virtual int error_number() = 0;          // the last C library error number
    virtual char separator() = 0;            // '\\' on Windows, '/' elsewhere

    // Environment.
    virtual std::string getenv(const std::string& name) = 0;
    virtual std::string expand_environment(const std::string& text) = 0;   // at most 4095 characters
    virtual bool nt_family() = 0;            // false: environment goes to C:\AUTOEXEC.BAT
    virtual void announce_environment() = 0;

    // The common registry; results are Windows error codes.
    virtual int32_t reg_read(int root, const std::string& key, const std::string& value, uint32_t& type,
                             std::vector<uint8_t>& data) = 0;
    virtual int32_t reg_write(int root, const std::string& key, const std::string& value, uint32_t type,
                              const std::vector<uint8_t>& data) = 0;
    virtual int32_t reg_subkeys(int root, const std::string& key, std::vector<std::string>& names) = 0;
    virtual int32_t reg_delete_key(int root, const std::string& key) = 0;
    virtual int32_t reg_delete_value(int root, const std::string& key, const std::string& value) = 0;

    // Processes.
    virtual std::string own_program() = 0;                   // path of the running program
    // Starts the program and calls `pump` until it has ended; false when it could not start.
    virtual bool run_and_wait(const std::string& program, const std::function<void()>& pump) = 0;
    virtual void start_hidden(const std::string& program, const std::string& folder) = 0;
    virtual std::string temp_name(const std::string& prefix) = 0;   // without extension
    virtual double now() = 0;                                // seconds

    // Shell.
    virtual std::string programs_folder() = 0;       // Start-menu programs; "" unknown
    virtual std::string program_files_folder() = 0;  // "" unknown
    virtual bool disk_space(const std::string& root, uint64_t& free_bytes, uint32_t& cluster) = 0;
    virtual bool write_ini(const std::string& file, const std::string& section, const std::string& key,
                           const std::string& value) = 0;
    // Creates a shortcut; a negative result is a failure and `error` says what failed.
    virtual int create_link(const std::string& target, const std::string& link, const std::string& description,
                            const std::string& folder, const std::string& icon, std::string& error) = 0;
    // The removal script: deletes `setup` until it can, removes `folders`, then itself.
    virtual std::string removal_script(const std::string& setup, const std::vector<std::string>& folders,
                                       const std::string& self) = 0;
    virtual std::string removal_script_extension() = 0;
    virtual download_result download(const std::string& url, const std::string& folder,
                                     const transfer_callback& progress) = 0;
};

}  // namespace inst
