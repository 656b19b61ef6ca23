// Operating-system services: temporary names, version text, environment, paths, file tests,
// sorting and searching, starting programs.
#include "common/osdep.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/alloc.h"
#include "common/check.h"
#include "common/osdep_core.h"
#include "platform/platform.h"

namespace {

struct temp_entry {
    char* path;
    temp_entry* next;
};

temp_entry* temp_file_list = nullptr;   // newest first
int keep_temp_files = 0;

// Runs at exit and on an interrupt: only C library calls, no allocation.
void remove_temp_files()
{
    if (keep_temp_files)
        return;
    for (temp_entry* e = temp_file_list; e; e = e->next)
        std::remove(e->path);
}

bool is_sep(char c) { return plat::is_separator(c); }

std::string env_value(const char* name)
{
    std::string value;
    plat::get_env(name, value);
    return value;
}

}  // namespace

char* temp_name_in(const char* dir, const char* fragment, char separator)
{
    std::string name = dir && *dir ? dir : ".";
    char last = name.back();
    if (!is_sep(last) && last != ':')
        name += separator;
    name += fragment;
    return xstrdup(name.c_str());
}

char* make_temp_name()
{
    std::string dir = env_value("TEMP");
    if (dir.empty())
        dir = env_value("TMP");
    // Created exclusively, so that no existing file is ever taken over.
    char* name = nullptr;
    for (int tries = 0; tries < 1000; tries++) {
        xfree(name);
        name = temp_name_in(dir.c_str(), plat::unique_name_fragment().c_str(), plat::separator());
        if (plat::create_exclusive(name)) {
            if (!temp_file_list) {
                plat::at_exit(remove_temp_files);
                plat::on_interrupt_cleanup(remove_temp_files);
                plat::survive_closed_pipe();
            }
            temp_entry* entry = xnew<temp_entry>();
            entry->path = xstrdup(name);
            entry->next = temp_file_list;
            temp_file_list = entry;
            return name;
        }
    }
    return name;   // the directory cannot be written: the caller's open reports it
}

void set_keep_temp_files(int flag) { keep_temp_files = flag; }

char* quote_if_spaces(const char* text)
{
    for (const char* p = text; *p; p++)
        if (std::isspace(static_cast<unsigned char>(*p))) {
            std::string quoted = std::string("\"") + text + "\"";
            return xstrdup(quoted.c_str());
        }
    return xstrdup(text);
}

std::string windows_version_text(const plat::os_version& v, uint32_t& flags)
{
    char buf[64];
    std::string text = "Microsoft Windows";
    flags = 0x10000;
    if (v.platform_id == 1) {
        flags |= 0x10;
        if (v.major == 4 && v.minor == 0) {
            text += " 95";
            flags |= 0x1;
        } else if (v.major == 4 && v.minor == 10) {
            text += " 98";
            flags |= 0x2;
        } else if (v.major == 4 && v.minor == 90) {
            text += " Me";
            flags |= 0x4;
        }
        std::snprintf(buf, sizeof buf, " %lu.%lu.%lu", static_cast<unsigned long>(v.major),
                      static_cast<unsigned long>(v.minor), static_cast<unsigned long>(v.build & 0xFFFF));
        text += buf;
        text += v.service_pack;
    } else if (v.platform_id == 0) {
        std::snprintf(buf, sizeof buf, " Win32s %lu.%lu", static_cast<unsigned long>(v.major),
                      static_cast<unsigned long>(v.minor));
        text += buf;
    } else if (v.platform_id == 2) {
        flags |= 0x40;
        if (v.major == 5 && v.minor == 0) {
            text += " 2000";
            flags |= 0x200;
        } else if (v.major == 5 && v.minor == 1) {
            text += " XP";
            flags |= 0x400;
        } else if (v.major == 5 && v.minor == 2) {
            text += " Server 2003";
            flags |= 0x200;
        } else {
            text += " NT";
            flags |= 0x100;
        }
        if (v.major >= 5) {
            enum : uint16_t { ENTERPRISE = 0x2, TERMINAL = 0x10, DATACENTER = 0x80, PERSONAL = 0x200, BLADE = 0x400 };
            if (v.suite_mask & BLADE)
                text += ", Web Edition";
            if (v.major == 5 && (v.suite_mask & DATACENTER)) {
                if (v.minor == 0)
                    text += " Datacenter Server";
                else if (v.minor == 2)
                    text += ", Datacenter Edition";
            }
            if (v.suite_mask & ENTERPRISE) {
                if (v.major == 5 && v.minor == 0)
                    text += " Advanced Server";
                else if (v.major == 5 && v.minor == 2)
                    text += ", Enterprise Edition";
            }
            if (v.product_type == 1 && v.major == 5) {
                if (v.minor == 0)
                    text += " (Professional)";
                else if (v.minor == 1)
                    text += (v.suite_mask & PERSONAL) ? " (Home Edition)" : " (Professional)";
            } else if (v.product_type == 2) {
                text += " (Domain Controller)";
            } else if (v.product_type == 3) {
                text += " (Server)";
            }
            if (v.suite_mask & TERMINAL)
                text += " (Terminal Services)";
            if (v.sp_major) {
                std::snprintf(buf, sizeof buf, " SP%d", v.sp_major);
                text += buf;
                if (v.sp_minor) {
                    std::snprintf(buf, sizeof buf, ".%d", v.sp_minor);
                    text += buf;
                }
            }
        }
        if (!v.service_pack.empty())
            text += " (" + v.service_pack + ")";
        std::snprintf(buf, sizeof buf, " %lu.%lu.%lu", static_cast<unsigned long>(v.major),
                      static_cast<unsigned long>(v.minor), static_cast<unsigned long>(v.build));
        text += buf;
    }
    return text;
}

namespace {
struct version_info {
    std::string text;
    uint32_t flags = 0x10000;
};

const version_info& host_version()
{
    static const version_info info = [] {
        version_info i;
        plat::os_version v = plat::get_os_version();
        if (v.platform_id <= 2)
            i.text = windows_version_text(v, i.flags);
        else
            i.text = v.other_text;   // another system: its own name; no family flag
        return i;
    }();
    return info;
}
}  // namespace

const char* os_version_text() { return host_version().text.c_str(); }
uint32_t os_version_flags() { return host_version().flags; }

int set_env(const char* name, const char* value)
{
    if (!name)
        return 0;
    plat::put_env(name, value ? value : "");
    return 1;
}

time_t os_time(time_t* out)
{
    static bool zone_fixed = false;
    if (!zone_fixed) {
        zone_fixed = true;
        plat::set_time_zone("EST0EDT");
    }
    return std::time(out);
}

char* path_join_with(const char* dir, const char* name, char separator)
{
    if (!dir || !*dir)
        return nullptr;
    std::string joined = dir;
    if (is_sep(joined.back()))
        joined.pop_back();
    joined += separator;
    joined += is_sep(name[0]) ? name + 1 : name;
    return xstrdup(joined.c_str());
}

char* path_join(const char* dir, const char* name) { return path_join_with(dir, name, plat::separator()); }

namespace {
// Length of the prefix that no ".." may remove: "X:" or "\\server\share".
size_t root_prefix(const char* path)
{
    if (path[0] && path[1] == ':')
        return 2;
    if (is_sep(path[0]) && is_sep(path[1])) {
        size_t i = 2;
        while (path[i] && !is_sep(path[i]))
            i++;
        if (path[i])
            i++;
        while (path[i] && !is_sep(path[i]))
            i++;
        return i;
    }
    return 0;
}
}  // namespace

char* path_normalise(char* path)
{
    if (!path)
        return path;
    std::string p = path;
    const size_t base = root_prefix(path);
    size_t s = base;
    while (s < p.size()) {
        if (!is_sep(p[s])) {
            s++;
            continue;
        }
        if (s + 2 < p.size() && p[s + 1] == '.' && is_sep(p[s + 2])) {
            p.erase(s, 2);   // "\.\" -> "\"
            continue;
        }
        if (s + 3 < p.size() && p[s + 1] == '.' && p[s + 2] == '.' && is_sep(p[s + 3])) {
            // The component before the "..": from after the previous separator, or from the
            // end of the root prefix.
            size_t from = base;
            for (size_t k = s; k > base; k--)
                if (is_sep(p[k - 1])) {
                    from = k;
                    break;
                }
            std::string before = p.substr(from, s - from);
            if (before == "..") {
                s++;
                continue;
            }
            if (before.empty())
                p.erase(s + 1, 3);         // nothing above a root: only the ".." goes
            else
                p.erase(from, s + 4 - from);
            s = from > base ? from - 1 : base;
            continue;
        }
        s++;
    }
    std::memcpy(path, p.c_str(), p.size() + 1);   // never longer than before
    return path;
}

bool path_is_absolute_for(const char* path, bool rooted_is_absolute)
{
    if (!path || !path[0])
        return false;
    if (path[1] == ':')
        return true;
    if (is_sep(path[0]) && is_sep(path[1]))
        return true;
    return rooted_is_absolute && is_sep(path[0]);
}

bool path_is_absolute(const char* path) { return path_is_absolute_for(path, plat::separator() == '/'); }

char* path_absolute(const char* name)
{
    char* result;
    if (path_is_absolute(name)) {
        result = xstrdup(name);
    } else {
        std::string cwd = plat::current_directory();
        result = path_join(cwd.c_str(), name);
    }
    return path_normalise(result);
}

namespace {
// Index of the last separator, else of the last ':'; -1 when there is none.
long last_cut(const char* path, bool& at_colon)
{
    long sep = -1, colon = -1;
    for (long i = 0; path[i]; i++) {
        if (is_sep(path[i]))
            sep = i;
        else if (path[i] == ':')
            colon = i;
    }
    at_colon = sep < 0 && colon >= 0;
    return sep >= 0 ? sep : colon;
}
}  // namespace

const char* path_basename(const char* path)
{
    if (!path)
        return nullptr;
    bool at_colon;
    long cut = last_cut(path, at_colon);
    return cut >= 0 ? path + cut + 1 : path;
}

char* path_dirname(const char* path)
{
    if (!path)
        return nullptr;
    bool at_colon;
    long cut = last_cut(path, at_colon);
    if (cut < 0)
        return nullptr;
    // A drive keeps its colon ("c:"), and a root keeps its separator ("/").
    size_t keep = static_cast<size_t>(cut) + (at_colon || cut == 0 ? 1 : 0);
    std::string dir(path, keep);
    return xstrdup(dir.c_str());
}

bool file_exists_same_case(const char* path) { return path && plat::file_exists_same_case(path); }
bool file_exists(const char* path) { return path && plat::file_exists(path); }
bool is_directory(const char* path) { return path && plat::is_directory(path); }

char* str_lower(char* text)
{
    for (char* p = text; p && *p; p++)
        *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return text;
}

int str_ncasecmp(const char* a, const char* b, size_t n)
{
    for (size_t i = 0; i < n; i++) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb || ca == 0)
            return ca - cb;
    }
    return 0;
}

int str_casecmp(const char* a, const char* b) { return str_ncasecmp(a, b, static_cast<size_t>(-1)); }

void os_qsort(void* vbase, size_t n, size_t size, int (*compare)(const void*, const void*))
{
    if (n < 2)
        return;
    ORM_ASSERT(vbase);
    auto* base = static_cast<unsigned char*>(vbase);
    auto at = [&](std::ptrdiff_t i) { return base + static_cast<size_t>(i) * size; };
    unsigned char small[800];
    std::vector<unsigned char> large;
    unsigned char* pivot = small;
    if (size >= sizeof small) {
        large.resize(size + 1);
        pivot = large.data();
    }
    struct range {
        std::ptrdiff_t low, high;
    };
    std::vector<range> stack;
    stack.push_back({0, static_cast<std::ptrdiff_t>(n) - 1});
    while (!stack.empty()) {
        range r = stack.back();
        stack.pop_back();
        while (r.low < r.high) {
            std::memcpy(pivot, at((r.low + r.high) / 2), size);
            std::ptrdiff_t i = r.low, j = r.high;
            // The bounds keep the scans inside the range even for an inconsistent comparison.
            while (i <= j) {
                while (i < r.high && compare(at(i), pivot) < 0)
                    i++;
                while (j > r.low && compare(pivot, at(j)) < 0)
                    j--;
                if (i <= j) {
                    if (i != j)
                        for (size_t b = 0; b < size; b++)
                            std::swap(at(i)[b], at(j)[b]);
                    i++;
                    j--;
                }
            }
            range left{r.low, j}, right{i, r.high};
            bool left_larger = left.high - left.low > right.high - right.low;
            range larger = left_larger ? left : right, smaller = left_larger ? right : left;
            if (larger.high > larger.low)
                stack.push_back(larger);
            r = smaller;
        }
    }
}

void* os_bsearch(const void* key, const void* base, size_t n, size_t size,
                 int (*compare)(const void*, const void*))
{
    std::ptrdiff_t low = 0, high = static_cast<std::ptrdiff_t>(n) - 1;
    auto* bytes = static_cast<const unsigned char*>(base);
    while (low <= high) {
        std::ptrdiff_t mid = low + (high - low) / 2;
        const void* element = bytes + static_cast<size_t>(mid) * size;
        int c = compare(key, element);
        if (c == 0)
            return const_cast<void*>(element);
        if (c < 0)
            high = mid - 1;
        else
            low = mid + 1;
    }
    return nullptr;
}

int os_spawn(const char* path, char* const* arguments)
{
    std::vector<std::string> argv;
    for (char* const* a = arguments; a && *a; a++)
        argv.emplace_back(*a);
    // Our buffered output goes out before the program's own.
    std::fflush(nullptr);
    int status = plat::spawn_wait(path, argv);
    return status == plat::SPAWN_FAILED ? OS_SPAWN_FAILED : status;
}
