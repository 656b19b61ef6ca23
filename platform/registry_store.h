// The host's registry: advapi32 on Windows; elsewhere a file in REGEDIT4 syntax named by the
// environment variable ORM_REGISTRY (default: a per-user file). An empty ORM_REGISTRY means
// "no registry": every operation fails as on a platform without one.
// Results are Windows error codes (0 success).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Value types, numbered as Windows numbers them.
enum : uint32_t { REG_TYPE_NONE = 0, REG_TYPE_SZ = 1, REG_TYPE_EXPAND_SZ = 2, REG_TYPE_BINARY = 3,
                  REG_TYPE_DWORD = 4 };

// Windows error codes the registry layer answers with.
enum : int32_t { ERR_FILE_NOT_FOUND = 2, ERR_ACCESS_DENIED = 5, ERR_INVALID_DATA = 13,
                 ERR_INVALID_PARAMETER = 87, ERR_MORE_DATA = 234, ERR_NO_MORE_ITEMS = 259,
                 ERR_DATATYPE_MISMATCH = 1629 };

// Root codes: 1 classes root, 2 current config, 3 current user, 4 local machine (others: 1).
int32_t reg_get(int root, const std::string& key, const std::string& value, uint32_t& type,
                std::vector<uint8_t>& data);
// Creates the key (and its parents) when needed.
int32_t reg_set(int root, const std::string& key, const std::string& value, uint32_t type,
                const std::vector<uint8_t>& data);
int32_t reg_subkeys(int root, const std::string& key, std::vector<std::string>& names);
int32_t reg_remove_key(int root, const std::string& key);      // fails while it has subkeys
int32_t reg_remove_value(int root, const std::string& key, const std::string& value);

}  // namespace plat
