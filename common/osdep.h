// Operating-system services: temporary names, version text, environment, paths, file tests,
// sorting and searching, starting programs. Paths accept '\\' and '/' as separators on input;
// new paths use the host's separator ('\\' on Windows, '/' elsewhere).
#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>

char* make_temp_name();                 // new name in TEMP, else TMP, else "."; removed at exit
void set_keep_temp_files(int flag);     // the driver's --nodel
char* quote_if_spaces(const char* text);
const char* os_version_text();
uint32_t os_version_flags();            // 0x10 DOS-based family, 0x40 NT family, 0x10000 always
int set_env(const char* name, const char* value);   // 0 and nothing done for a null name
time_t os_time(time_t* out);

char* path_join(const char* dir, const char* name);  // null when dir is empty
char* path_normalise(char* path);                   // in place; returns path
bool path_is_absolute(const char* path);
char* path_absolute(const char* name);
const char* path_basename(const char* path);
char* path_dirname(const char* path);
bool file_exists_same_case(const char* path);
bool file_exists(const char* path);
bool is_directory(const char* path);
char* str_lower(char* text);
// Letter-case-blind comparisons (ASCII), the same on every host.
int str_casecmp(const char* a, const char* b);
int str_ncasecmp(const char* a, const char* b, size_t n);

void os_qsort(void* base, size_t n, size_t size, int (*compare)(const void*, const void*));
void* os_bsearch(const void* key, const void* base, size_t n, size_t size,
                 int (*compare)(const void*, const void*));

// Runs the program with the null-terminated argument array and waits. Returns its exit status;
// OS_SPAWN_FAILED when it could not be started at all (a program may itself exit with -1).
constexpr int OS_SPAWN_FAILED = -0x10000;
int os_spawn(const char* path, char* const* arguments);
