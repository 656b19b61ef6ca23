// The one small interface between the toolchain and its host operating system.
// A POSIX and a Win32 backend implement it; nothing outside platform/ includes a system
// header of either platform.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

constexpr int SPAWN_FAILED = -0x10000;   // the program could not be started at all

// Runs program with argv (argv[0] included) and waits; returns its exit status, or
// SPAWN_FAILED. On POSIX the arguments are passed unchanged; on Windows they are quoted
// by the runtime's rules.
int spawn_wait(const std::string& program, const std::vector<std::string>& argv);

// Creates path exclusively (fails when it exists); true on success. The file gets the
// ordinary permissions of a new file (the umask applies), since outputs are written under
// such a name and then renamed into place.
bool create_exclusive(const std::string& path);
std::string unique_name_fragment();      // a short name for a temporary file, such as "s3vo.1"

bool file_exists(const std::string& path);
bool is_directory(const std::string& path);
bool file_exists_same_case(const std::string& path);
bool remove_file(const std::string& path);
bool rename_replace(const std::string& from, const std::string& to);   // atomic where the host allows
std::string current_directory();
std::string own_program_path();          // full path of the running executable
bool is_terminal(int fd);                // 0 standard input, 1 output, 2 error
bool duplicate_descriptor(int from, int to);   // "to" becomes a copy of "from" (0, 1, 2)
bool same_file(const std::string& a, const std::string& b);

char separator();                        // '\\' on Windows, '/' elsewhere
bool is_separator(char c);               // '\\' and '/' on every host

// Environment of this process.
bool get_env(const std::string& name, std::string& value);   // false when unset
void put_env(const std::string& name, const std::string& value);
std::string expand_env_strings(const std::string& text);     // "%NAME%" references expanded

// Operating-system version.
struct os_version {
    uint32_t platform_id;   // 1 DOS-based Windows, 2 NT family, 0 Win32s; 3 any other system
    uint32_t major, minor, build;
    std::string service_pack;
    std::string other_text;  // for other systems, e.g. "Linux 6.1.0 x86_64"
    uint16_t sp_major, sp_minor, suite_mask;
    uint8_t product_type;
};
os_version get_os_version();

int64_t wall_clock_100ns();              // time since 1601, 100 ns units, as Windows counts
void set_time_zone(const std::string& tz);

using interrupt_handler = void (*)(int signal);
void on_interrupt(interrupt_handler handler);   // SIGINT and SIGTERM (and Ctrl-Break on Windows)
// Like on_interrupt, but a signal this process inherited as ignored (a background job) stays
// ignored: neither the cleanups nor the handler run for it.
void on_interrupt_unless_ignored(interrupt_handler handler);
// Runs fn (in signal context) on an interrupt before the program's handler, or before the
// default action when the program set none. Used to remove temporary files.
void on_interrupt_cleanup(void (*fn)());
// Passes an interrupt on to the program spawn_wait is waiting for, if any (safe in signal
// context); true when there was one. On Windows a console child gets Ctrl-C itself: false.
bool interrupt_running_child(int signal);
// A reader that goes away (`ormcl ... | head`) must not kill the driver or a pass before it
// removes its temporaries: writes to a closed pipe then fail instead (passes inherit this).
void survive_closed_pipe();
void at_exit(void (*fn)());


}  // namespace plat
