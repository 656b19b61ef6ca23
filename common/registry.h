// Registry access, the installation directory, environment updates and the version block.
// On Linux the registry is a file in REGEDIT4 syntax (see platform/registry_store.h).
#pragma once
#include <cstdint>

struct vector;

enum : int { REG_ROOT_CLASSES = 1, REG_ROOT_CONFIG = 2, REG_ROOT_USER = 3, REG_ROOT_MACHINE = 4 };

extern const char product_key[];
extern const char product_patch_key[];
extern const char system_environment_key[];
extern const char* const install_subdirs[6];   // "", "bin", "lib", "help", "include", "dat"
enum : int { SUB_INSTALL = 0, SUB_BIN = 1, SUB_LIB = 2, SUB_HELP = 3, SUB_INCLUDE = 4, SUB_DAT = 5 };

struct reg_value_result {
    char* data;        // new copy, caller frees; null on failure
    uint32_t length;
    int32_t error;     // 0, a Windows error code, 160 wrong type, 234 expanded text too long
};

struct reg_subkey_list {
    int root;
    char* key;
    vector* names;
    int32_t count;
    int32_t error;
};

int32_t reg_read_dword(int root, const char* key, const char* value, uint32_t* out);
reg_value_result reg_read_binary(int root, const char* key, const char* value);
reg_value_result reg_read_string(int root, const char* key, const char* value);
reg_subkey_list* reg_enum_subkeys(int root, const char* key);
int32_t reg_write_string(int root, const char* key, const char* value, const char* text);
int32_t reg_write_dword(int root, const char* key, const char* value, uint32_t n);
int32_t reg_write_binary(int root, const char* key, const char* value, const void* data, uint32_t length);
int32_t reg_delete_key(int root, const char* key);
int32_t reg_delete_value(int root, const char* key, const char* value);

int32_t product_read_dword(const char* value, uint32_t* out);
char* product_read_string(const char* value);
int32_t product_write_dword(const char* value, uint32_t n);
int32_t product_write_instdir(const char* dir);

char* install_dir(int sub);                       // new text or null
char* install_path(int sub, const char* name);    // copy of an absolute name; null without installation
int env_add(int mode, const char* name, const char* value);

// Who is printing the version block: the installer prints its own product and version.
struct program_identity {
    const char* product;   // "ORMC-Lite"
    const char* version;   // "9.50"
    const char* patch;     // "PL2"
};
void set_program_identity(const program_identity& identity);
void print_version_block();
