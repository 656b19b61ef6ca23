// Parts of the registry module that tests reach directly (not for programs).
#pragma once
#include <cstdint>
#include <string>

// The installation directory for a program at program_path: the parent of a "bin" directory.
char* install_dir_from_program(const char* program_path);
// env_add on the NT family (system environment in the registry) and on the DOS-based family.
int env_add_registry(int mode, const char* name, const char* value);
int env_add_autoexec(int mode, const char* name, const char* value, const char* autoexec_path);
int32_t reg_write_expand_string(int root, const char* key, const char* value, const char* text);
std::string version_block_text();
