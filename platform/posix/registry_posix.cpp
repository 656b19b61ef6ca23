// File-backed registry store: the whole file is read for each operation and every change is
// written to a temporary file beside it, then renamed over it.
#include "platform/platform.h"
#include "platform/reg_file.h"
#include "platform/registry_store.h"

#include <cstdio>
#include <sys/stat.h>

namespace plat {

namespace {

const char* root_name(int root)
{
    switch (root) {
    case 2: return "HKEY_CURRENT_CONFIG";
    case 3: return "HKEY_CURRENT_USER";
    case 4: return "HKEY_LOCAL_MACHINE";
    default: return "HKEY_CLASSES_ROOT";
    }
}

std::string full_path(int root, const std::string& key)
{
    std::string path = root_name(root);
    size_t b = 0, e = key.size();
    while (b < e && key[b] == '\\')
        b++;
    while (e > b && key[e - 1] == '\\')
        e--;
    if (e > b)
        path += "\\" + key.substr(b, e - b);
    return path;
}

// The store's file name; false for "no registry" (ORM_REGISTRY set but empty).
bool store_name(std::string& name)
{
    if (get_env("ORM_REGISTRY", name))
        return !name.empty();
    std::string base;
    if (get_env("XDG_CONFIG_HOME", base) && !base.empty())
        name = base + "/ormc/registry.reg";
    else if (get_env("HOME", base) && !base.empty())
        name = base + "/.config/ormc/registry.reg";
    else
        return false;
    return true;
}

enum class load_result { missing, ok, malformed };

load_result load(const std::string& name, reg_file& file)
{
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f)
        return load_result::missing;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    std::fclose(f);
    return file.parse(text) ? load_result::ok : load_result::malformed;
}

void make_parent_dirs(const std::string& name)
{
    for (size_t i = 1; i < name.size(); i++)
        if (name[i] == '/')
            mkdir(name.substr(0, i).c_str(), 0700);
}

int32_t save(const std::string& name, const reg_file& file)
{
    make_parent_dirs(name);
    std::string temp;
    for (int tries = 0; tries < 100; tries++) {
        temp = name + "." + unique_name_fragment();
        if (create_exclusive(temp))
            break;
        temp.clear();
    }
    if (temp.empty())
        return ERR_ACCESS_DENIED;
    std::string text = file.write();
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && std::fclose(f) != 0)
        ok = false;
    if (!ok || !rename_replace(temp, name)) {
        remove_file(temp);
        return ERR_ACCESS_DENIED;
    }
    return 0;
}

// Reads the store for a query; the error code when there is nothing to read.
int32_t open_for_read(reg_file& file)
{
    std::string name;
    if (!store_name(name) || load(name, file) == load_result::missing)
        return ERR_FILE_NOT_FOUND;
    return 0;
}

// Reads the store for a change; a malformed file is never overwritten.
int32_t open_for_write(reg_file& file, std::string& name)
{
    if (!store_name(name))
        return ERR_ACCESS_DENIED;
    return load(name, file) == load_result::malformed ? ERR_INVALID_DATA : 0;
}

}  // namespace

int32_t reg_get(int root, const std::string& key, const std::string& value, uint32_t& type,
                std::vector<uint8_t>& data)
{
    reg_file file;
    if (int32_t error = open_for_read(file))
        return error;
    reg_file_key* k = file.find_key(full_path(root, key));
    reg_file_value* v = k ? reg_file::find_value(*k, value) : nullptr;
    if (!v)
        return ERR_FILE_NOT_FOUND;
    type = v->type;
    data = v->data;
    return 0;
}

int32_t reg_set(int root, const std::string& key, const std::string& value, uint32_t type,
                const std::vector<uint8_t>& data)
{
    reg_file file;
    std::string name;
    if (int32_t error = open_for_write(file, name))
        return error;
    reg_file_key& k = file.create_key(full_path(root, key));
    if (reg_file_value* v = reg_file::find_value(k, value)) {
        v->type = type;
        v->data = data;
    } else {
        k.values.push_back(reg_file_value{value, type, data});
    }
    return save(name, file);
}

int32_t reg_subkeys(int root, const std::string& key, std::vector<std::string>& names)
{
    reg_file file;
    names.clear();
    if (int32_t error = open_for_read(file))
        return error;
    std::string path = full_path(root, key);
    if (path.find('\\') != std::string::npos && !file.find_key(path))
        return ERR_FILE_NOT_FOUND;
    names = file.subkeys(path);
    return 0;
}

int32_t reg_remove_key(int root, const std::string& key)
{
    reg_file file;
    std::string name;
    if (int32_t error = open_for_write(file, name))
        return error;
    std::string path = full_path(root, key);
    if (path.find('\\') == std::string::npos)
        return ERR_ACCESS_DENIED;
    if (!file.find_key(path))
        return ERR_FILE_NOT_FOUND;
    if (!file.subkeys(path).empty())
        return ERR_ACCESS_DENIED;
    file.remove_key(path);
    return save(name, file);
}

int32_t reg_remove_value(int root, const std::string& key, const std::string& value)
{
    reg_file file;
    std::string name;
    if (int32_t error = open_for_write(file, name))
        return error;
    reg_file_key* k = file.find_key(full_path(root, key));
    if (!k || !reg_file::remove_value(*k, value))
        return ERR_FILE_NOT_FOUND;
    return save(name, file);
}

}  // namespace plat
