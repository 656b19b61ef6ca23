// Host-independent cores of the operating-system services, with the separator or the host's
// traits as parameters, so that Windows forms can be checked on any host.
#pragma once
#include <cstdint>
#include <string>

namespace plat { struct os_version; }

// dir + separator (unless dir ends in a separator or ':') + fragment; "." for an empty dir.
char* temp_name_in(const char* dir, const char* fragment, char separator);
// null when dir is null or empty.
char* path_join_with(const char* dir, const char* name, char separator);
// rooted_is_absolute: a path beginning with one separator is absolute (POSIX hosts).
bool path_is_absolute_for(const char* path, bool rooted_is_absolute);
// The version text of a Windows version record, and its flag word.
std::string windows_version_text(const plat::os_version& v, uint32_t& flags);
