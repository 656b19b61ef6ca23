// Registry access, the installation directory, system environment updates and the version block.
#include "common/registry.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "common/registry_core.h"
#include "common/vector.h"
#include "platform/platform.h"
#include "platform/registry_store.h"

const char product_key[] = "Software\\BRYLLEX Software\\ORMC-Lite\\9.50";
const char product_patch_key[] = "Software\\BRYLLEX Software\\ORMC-Lite\\9.50\\PL2";
const char system_environment_key[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
const char* const install_subdirs[6] = {"", "bin", "lib", "help", "include", "dat"};

namespace {

constexpr uint32_t max_value_bytes = 2048;
constexpr uint32_t max_expanded_bytes = 4100;
constexpr size_t max_subkey_name = 127;
constexpr int32_t wrong_type = 160;
constexpr int32_t too_long = 234;

std::vector<uint8_t> text_bytes(const char* text)
{
    std::vector<uint8_t> data(text, text + std::strlen(text));
    data.push_back(0);
    return data;
}

// A new text from registry bytes, always terminated.
char* terminated_copy(const std::vector<uint8_t>& data)
{
    size_t n = 0;
    while (n < data.size() && data[n])
        n++;
    char* text = static_cast<char*>(xalloc(n + 1));
    if (n)
        std::memcpy(text, data.data(), n);
    return text;
}

program_identity identity = {"ORMC-Lite", "9.50", "PL2"};

}  // namespace

int32_t reg_read_dword(int root, const char* key, const char* value, uint32_t* out)
{
    uint32_t type = 0;
    std::vector<uint8_t> data;
    int32_t error = plat::reg_get(root, key, value ? value : "", type, data);
    if (error)
        return error;
    if (type != plat::REG_TYPE_DWORD || data.size() != 4)
        return wrong_type;
    *out = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    return 0;
}

reg_value_result reg_read_binary(int root, const char* key, const char* value)
{
    reg_value_result r{nullptr, 0, 0};
    uint32_t type = 0;
    std::vector<uint8_t> data;
    r.error = plat::reg_get(root, key, value ? value : "", type, data);
    if (r.error)
        return r;
    if (type != plat::REG_TYPE_BINARY) {
        r.error = wrong_type;
        return r;
    }
    if (data.size() > max_value_bytes) {
        r.error = too_long;
        return r;
    }
    r.data = static_cast<char*>(xalloc(data.size() + 1));
    if (!data.empty())
        std::memcpy(r.data, data.data(), data.size());
    r.length = static_cast<uint32_t>(data.size());
    return r;
}

reg_value_result reg_read_string(int root, const char* key, const char* value)
{
    reg_value_result r{nullptr, 0, 0};
    uint32_t type = 0;
    std::vector<uint8_t> data;
    r.error = plat::reg_get(root, key, value ? value : "", type, data);
    if (r.error)
        return r;
    if (type != plat::REG_TYPE_SZ && type != plat::REG_TYPE_EXPAND_SZ) {
        r.error = wrong_type;
        return r;
    }
    if (data.size() > max_value_bytes) {
        r.error = too_long;
        return r;
    }
    char* text = terminated_copy(data);
    if (type == plat::REG_TYPE_EXPAND_SZ) {
        std::string expanded = plat::expand_env_strings(text);
        xfree(text);
        if (expanded.size() + 1 > max_expanded_bytes) {
            r.error = too_long;
            return r;
        }
        text = xstrdup(expanded.c_str());
    }
    r.data = text;
    r.length = static_cast<uint32_t>(std::strlen(text) + 1);
    return r;
}

reg_subkey_list* reg_enum_subkeys(int root, const char* key)
{
    reg_subkey_list* list = xnew<reg_subkey_list>();
    list->root = root;
    list->key = xstrdup(key ? key : "");
    list->names = vec_create();
    std::vector<std::string> names;
    list->error = plat::reg_subkeys(root, list->key, names);
    for (const std::string& name : names) {
        if (name.size() > max_subkey_name) {   // does not fit the name buffer: the walk stops there
            list->error = too_long;
            break;
        }
        vec_push(list->names, xstrdup(name.c_str()));
    }
    list->count = static_cast<int32_t>(vec_size(list->names));
    return list;
}

int32_t reg_write_string(int root, const char* key, const char* value, const char* text)
{
    return plat::reg_set(root, key, value ? value : "", plat::REG_TYPE_SZ, text_bytes(text ? text : ""));
}

int32_t reg_write_expand_string(int root, const char* key, const char* value, const char* text)
{
    return plat::reg_set(root, key, value ? value : "", plat::REG_TYPE_EXPAND_SZ, text_bytes(text ? text : ""));
}

int32_t reg_write_dword(int root, const char* key, const char* value, uint32_t n)
{
    std::vector<uint8_t> data = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                 static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
    return plat::reg_set(root, key, value ? value : "", plat::REG_TYPE_DWORD, data);
}

int32_t reg_write_binary(int root, const char* key, const char* value, const void* data, uint32_t length)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    return plat::reg_set(root, key, value ? value : "", plat::REG_TYPE_BINARY,
                         std::vector<uint8_t>(bytes, bytes + (bytes ? length : 0)));
}

int32_t reg_delete_key(int root, const char* key) { return plat::reg_remove_key(root, key ? key : ""); }

int32_t reg_delete_value(int root, const char* key, const char* value)
{
    return plat::reg_remove_value(root, key ? key : "", value ? value : "");
}

int32_t product_read_dword(const char* value, uint32_t* out)
{
    return reg_read_dword(REG_ROOT_MACHINE, product_key, value, out);
}

char* product_read_string(const char* value)
{
    return reg_read_string(REG_ROOT_MACHINE, product_key, value).data;
}

int32_t product_write_dword(const char* value, uint32_t n)
{
    return reg_write_dword(REG_ROOT_MACHINE, product_key, value, n);
}

int32_t product_write_instdir(const char* dir)
{
    return reg_write_string(REG_ROOT_MACHINE, product_patch_key, "instdir", dir);
}

char* install_dir_from_program(const char* program_path)
{
    char* dir = path_dirname(program_path);
    if (!dir)
        return nullptr;
    const char* last = path_basename(dir);
    char* result = nullptr;
    if (last && std::strlen(last) == 3 && std::tolower(static_cast<unsigned char>(last[0])) == 'b' &&
        std::tolower(static_cast<unsigned char>(last[1])) == 'i' &&
        std::tolower(static_cast<unsigned char>(last[2])) == 'n')
        result = path_dirname(dir);
    xfree(dir);
    return result;
}

char* install_dir(int sub)
{
    reg_value_result r = reg_read_string(REG_ROOT_MACHINE, product_patch_key, "instdir");
    char* dir = r.data;
    if (dir && !*dir) {   // an empty value names no directory
        xfree(dir);
        dir = nullptr;
    }
    if (!dir)
        dir = install_dir_from_program(plat::own_program_path().c_str());
    if (!dir)
        return nullptr;
    if (sub < 1 || sub > 5)
        return dir;
    char* joined = path_join(dir, install_subdirs[sub]);
    xfree(dir);
    return joined;
}

char* install_path(int sub, const char* name)
{
    if (path_is_absolute(name))
        return xstrdup(name);
    char* dir = install_dir(sub);
    if (!dir)
        return nullptr;
    char* joined = path_join(dir, name);
    xfree(dir);
    return joined;
}

namespace {

// One ';'-separated entry, compared without case and without one trailing backslash.
std::string entry_key(std::string entry)
{
    if (!entry.empty() && entry.back() == '\\')
        entry.pop_back();
    for (char& c : entry)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return entry;
}

bool list_holds(const std::string& list, const std::string& value)
{
    std::string wanted = entry_key(value);
    size_t start = 0;
    for (;;) {
        size_t end = list.find(';', start);
        if (entry_key(list.substr(start, end == std::string::npos ? std::string::npos : end - start)) == wanted)
            return true;
        if (end == std::string::npos)
            return false;
        start = end + 1;
    }
}

}  // namespace

int env_add_registry(int mode, const char* name, const char* value)
{
    if (!name || !value)
        return 0;
    if (mode != 0 && mode != 1)
        return 0;
    // The raw value: an expandable list keeps its references and stays expandable.
    uint32_t type = 0;
    std::vector<uint8_t> data;
    int32_t error = plat::reg_get(REG_ROOT_MACHINE, system_environment_key, name, type, data);
    if (mode == 1) {
        uint32_t new_type = !error && type == plat::REG_TYPE_EXPAND_SZ ? plat::REG_TYPE_EXPAND_SZ : plat::REG_TYPE_SZ;
        return plat::reg_set(REG_ROOT_MACHINE, system_environment_key, name, new_type, text_bytes(value)) == 0;
    }
    if (error)
        return 0;
    if (type != plat::REG_TYPE_SZ && type != plat::REG_TYPE_EXPAND_SZ)
        return 0;
    char* raw = terminated_copy(data);
    std::string current = raw;
    xfree(raw);
    if (list_holds(current, value))
        return 1;
    if (!current.empty() && current.back() != ';')
        current += ';';
    current += value;
    uint32_t new_type = type == plat::REG_TYPE_EXPAND_SZ ? plat::REG_TYPE_EXPAND_SZ : plat::REG_TYPE_SZ;
    return plat::reg_set(REG_ROOT_MACHINE, system_environment_key, name, new_type, text_bytes(current.c_str())) == 0;
}

int env_add_autoexec(int mode, const char* name, const char* value, const char* autoexec_path)
{
    if ((mode != 0 && mode != 1) || !name || !value)
        return 0;
    std::FILE* f = std::fopen(autoexec_path, "a");
    if (!f)
        return 0;
    if (mode == 0)
        std::fprintf(f, "SET %s=%%%s%%;%s\n", name, name, value);
    else
        std::fprintf(f, "SET %s=%s\n", name, value);
    return std::fclose(f) == 0;
}

int env_add(int mode, const char* name, const char* value)
{
    uint32_t flags = os_version_flags();
    if (flags & 0x10)
        return env_add_autoexec(mode, name, value, "C:\\AUTOEXEC.BAT");
    if (flags & 0x40)
        return env_add_registry(mode, name, value);
    return 0;
}

void set_program_identity(const program_identity& id) { identity = id; }

std::string version_block_text()
{
    const char* date = __DATE__;   // "Mmm dd yyyy"
    std::string text = std::string("\nProduct:\t") + identity.product + "\nComponent:\t" + component_name +
                       "\nVersion:\t" + identity.version + identity.patch + "\nBuild date:\t" + date + "\n";
    text += std::string("Copyright (C) ") + (date + 7) + " BRYLLEX Software. All rights reserved.\n";
    return text;
}

void print_version_block()
{
    std::string text = version_block_text();
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}
