// Registry store on Windows: advapi32.
#include "platform/registry_store.h"

#include <windows.h>

namespace plat {

namespace {

HKEY root_key(int root)
{
    switch (root) {
    case 2: return HKEY_CURRENT_CONFIG;
    case 3: return HKEY_CURRENT_USER;
    case 4: return HKEY_LOCAL_MACHINE;
    default: return HKEY_CLASSES_ROOT;
    }
}

}  // namespace

int32_t reg_get(int root, const std::string& key, const std::string& value, uint32_t& type,
                std::vector<uint8_t>& data)
{
    HKEY h;
    LONG r = RegOpenKeyExA(root_key(root), key.c_str(), 0, KEY_READ, &h);
    if (r != ERROR_SUCCESS)
        return r;
    DWORD t = 0, size = 0;
    r = RegQueryValueExA(h, value.c_str(), nullptr, &t, nullptr, &size);
    if (r == ERROR_SUCCESS) {
        data.assign(size, 0);
        r = RegQueryValueExA(h, value.c_str(), nullptr, &t, data.empty() ? nullptr : data.data(), &size);
        data.resize(size);
        type = t;
    }
    RegCloseKey(h);
    return r;
}

int32_t reg_set(int root, const std::string& key, const std::string& value, uint32_t type,
                const std::vector<uint8_t>& data)
{
    HKEY h;
    LONG r = RegCreateKeyExA(root_key(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                             nullptr, &h, nullptr);
    if (r != ERROR_SUCCESS)
        return r;
    r = RegSetValueExA(h, value.c_str(), 0, type, data.empty() ? nullptr : data.data(),
                       static_cast<DWORD>(data.size()));
    RegCloseKey(h);
    return r;
}

int32_t reg_subkeys(int root, const std::string& key, std::vector<std::string>& names)
{
    names.clear();
    HKEY h;
    LONG r = RegOpenKeyExA(root_key(root), key.c_str(), 0, KEY_READ, &h);
    if (r != ERROR_SUCCESS)
        return r;
    for (DWORD i = 0;; i++) {
        char name[256];
        DWORD size = sizeof name;
        r = RegEnumKeyExA(h, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (r != ERROR_SUCCESS)
            break;
        names.emplace_back(name, size);
    }
    RegCloseKey(h);
    return r == ERROR_NO_MORE_ITEMS ? 0 : r;
}

int32_t reg_remove_key(int root, const std::string& key) { return RegDeleteKeyA(root_key(root), key.c_str()); }

int32_t reg_remove_value(int root, const std::string& key, const std::string& value)
{
    HKEY h;
    LONG r = RegOpenKeyExA(root_key(root), key.c_str(), 0, KEY_WRITE, &h);
    if (r != ERROR_SUCCESS)
        return r;
    r = RegDeleteValueA(h, value.c_str());
    RegCloseKey(h);
    return r;
}

}  // namespace plat
