// The installer's run state: install variables, the lists built from the manifest, the payload
// stream, progress counters and the undo journal of an install run. One record per run.
#pragma once
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "installer/core/sys.h"
#include "installer/core/ui.h"

namespace inst {

// A fatal error: the front end shows the text in the "Fatal error" box, undoes a broken install
// run, deletes the temporary items and exits with status 1.
struct fatal_error : std::runtime_error {
    using std::runtime_error::runtime_error;
};
[[noreturn]] void fail(const std::string& text);
std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

struct nocase_less {
    bool operator()(const std::string& a, const std::string& b) const;
};
bool same_nocase(const std::string& a, const std::string& b);
bool starts_nocase(const std::string& text, const std::string& prefix);

struct resource {
    std::string file;        // file name; after installation the installed path
    std::string path;        // the extracted copy (the running program for "setup.exe")
    std::string variable;
    uint32_t size = 0;
};

struct file_entry {
    std::string name;
    uint32_t size = 8192;
};

struct folder_entry {
    std::string name;
    std::vector<file_entry> files;
};

struct feature {
    std::string name;
    bool selected = false;
    std::vector<folder_entry> folders;
    std::vector<std::string> installers;
    uint32_t installer_size = 0;
};

struct component {
    std::string name, description;
    bool selected = true, required = false, java = false;
    std::vector<size_t> features;   // indexes into the feature list
};

struct shortcut {
    std::string name, target, icon_variable;
};

// One change of an install run that a fatal error takes back.
struct undo_step {
    enum kind_t { new_file, replaced_file, new_folder, registry_value, registry_key } kind;
    std::string path;              // file or folder; registry: the key
    std::string backup;            // replaced_file: where the old file waits
    int root = 0;
    std::string value;             // registry_value: its name
    bool had_value = false;        // registry_value: the old value to restore
    uint32_t old_type = 0;
    std::vector<uint8_t> old_data;
};

struct context {
    context(sys& s, ui& u) : host(s), window(u) {}
    sys& host;
    ui& window;

    std::map<std::string, std::string, nocase_less> variables;
    bool variables_started = false;
    bool startup_variables_done = false;

    std::vector<resource> resources;
    std::vector<feature> features;
    bool have_feature_list = false;
    std::vector<component> components;
    bool have_component_list = false;
    std::vector<shortcut> shortcuts;
    std::vector<std::string> variable_names;
    std::vector<std::string> installed_files;
    std::vector<std::string> created_folders;
    std::vector<std::string> temporary_items;

    std::string fingerprint;            // 32 upper-case hex digits
    std::FILE* own_file = nullptr;
    void* stream = nullptr;             // the payload's gzip stream (gzFile)
    int entries_read = 0;

    // Progress of the runs.
    uint32_t bytes_per_percent = 0;
    uint64_t bytes_done = 0;
    int bar = 0;
    std::string log;

    // The pages' shared state.
    std::string ide_program;
    bool start_ide = false;
    std::string removal_batch;
    bool back_disabled = false;

    // Transfer-rate display.
    double rate_last_time = 0;
    uint32_t rate_last_bytes = 0;

    // Undo journal of the install run; empty outside one.
    bool journal_on = false;
    std::vector<undo_step> journal;

    unsigned random_state = 1;
    int rand();                          // 0..32767, as the C library's
};

// Variables.
void set_variable(context& c, const std::string& name, const char* value);
inline void set_variable(context& c, const std::string& name, const std::string& value) {
    set_variable(c, name, value.c_str());
}
const std::string* get_variable(context& c, const std::string& name);
std::string variable_or_empty(context& c, const std::string& name);
void set_flag_variable(context& c, const std::string& name, bool flag);
bool get_flag_variable(context& c, const std::string& name);
std::string expand_variables(context& c, const std::string& text);
void init_install_variables(context& c);

// Paths in the host's form.
std::string join(context& c, const std::string& folder, const std::string& name);
std::string host_path(context& c, std::string path);

// Manifest, payload and files.
void read_manifest(context& c, const std::string& text);
void open_payload(context& c);
void extract_payload_file(context& c, const std::string* path, uint32_t expected);
void copy_file_part(context& c, const std::string& source, const std::string& destination, uint32_t size);
void create_folder(context& c, const std::string& path);
// Creates a file that an install run may have to take back (an old one is kept aside).
std::unique_ptr<out_file> create_output(context& c, const std::string& path);
std::optional<std::string> read_text_file(context& c, const std::string& path, size_t limit = 0);
void close_payload(context& c);
void delete_temporary_items(context& c);

// Progress.
void report_progress(context& c, int percent, const std::optional<std::string>& text);
void log_line(context& c, const std::string& text);
void advance(context& c, uint64_t bytes);

// Undo journal.
void journal_start(context& c);
void journal_commit(context& c);
void journal_undo(context& c);
int32_t reg_write_string(context& c, int root, const std::string& key, const std::string& value,
                         const std::string& text);
int32_t reg_write_dword(context& c, int root, const std::string& key, const std::string& value, uint32_t n);
std::optional<std::string> reg_read_string(context& c, int root, const std::string& key, const std::string& value);

}  // namespace inst
