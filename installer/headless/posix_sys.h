// The Linux host of the test front end: POSIX files, the registry file of the platform layer,
// statvfs, shortcuts as text files, an `sh` removal script and an HTTP/1.0 client.
#pragma once
#include "installer/core/sys.h"

namespace inst {

class posix_sys : public sys {
public:
    posix_sys();

    std::unique_ptr<out_file> create_file(const std::string& path) override;
    bool exists(const std::string& path) override;
    bool is_folder(const std::string& path) override;
    bool make_folder(const std::string& path) override;
    bool remove_folder(const std::string& path) override;
    bool delete_file(const std::string& path) override;
    bool rename_file(const std::string& from, const std::string& to) override;
    std::string error_text() override;
    int error_number() override;
    char separator() override { return '/'; }

    std::string getenv(const std::string& name) override;
    std::string expand_environment(const std::string& text) override;
    bool nt_family() override { return true; }
    void announce_environment() override {}

    int32_t reg_read(int root, const std::string& key, const std::string& value, uint32_t& type,
                     std::vector<uint8_t>& data) override;
    int32_t reg_write(int root, const std::string& key, const std::string& value, uint32_t type,
                      const std::vector<uint8_t>& data) override;
    int32_t reg_subkeys(int root, const std::string& key, std::vector<std::string>& names) override;
    int32_t reg_delete_key(int root, const std::string& key) override;
    int32_t reg_delete_value(int root, const std::string& key, const std::string& value) override;

    std::string own_program() override;
    bool run_and_wait(const std::string& program, const std::function<void()>& pump) override;
    void start_hidden(const std::string& program, const std::string& folder) override;
    std::string temp_name(const std::string& prefix) override;
    double now() override;

    std::string programs_folder() override;
    std::string program_files_folder() override { return ""; }
    bool disk_space(const std::string& root, uint64_t& free_bytes, uint32_t& cluster) override;
    bool write_ini(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) override;
    int create_link(const std::string& target, const std::string& link, const std::string& description,
                    const std::string& folder, const std::string& icon, std::string& error) override;
    std::string removal_script(const std::string& setup, const std::vector<std::string>& folders,
                               const std::string& self) override;
    std::string removal_script_extension() override { return ".sh"; }
    download_result download(const std::string& url, const std::string& folder,
                             const transfer_callback& progress) override;

    // Bytes that files may still receive before writes fail as on a full disk (-1: no limit).
    int64_t write_budget = -1;

private:
    int last_errno_ = 0;
};

// The HTTP/1.0 client; `port` 0 takes the address's port, else 80.
download_result http_download(const std::string& url, const std::string& folder, const transfer_callback& progress,
                              int port = 0);

}  // namespace inst
