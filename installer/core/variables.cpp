// Install variables, their expansion in texts, and the variables completed at start-up.
#include <cctype>
#include <cstdarg>
#include <cstring>

#include "installer/core/context.h"
#include "installer/core/keys.h"

namespace inst {

void fail(const std::string& text) { throw fatal_error(text); }

std::string format(const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    va_list again;
    va_copy(again, args);
    int size = std::vsnprintf(nullptr, 0, pattern, args);
    va_end(args);
    std::string out(size > 0 ? size_t(size) : 0, '\0');
    std::vsnprintf(out.data(), out.size() + 1, pattern, again);
    va_end(again);
    return out;
}

bool nocase_less::operator()(const std::string& a, const std::string& b) const {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int x = std::tolower(static_cast<unsigned char>(a[i])), y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

bool same_nocase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && !nocase_less()(a, b) && !nocase_less()(b, a);
}

bool starts_nocase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && same_nocase(text.substr(0, prefix.size()), prefix);
}

int context::rand() {
    random_state = random_state * 214013u + 2531011u;
    return int((random_state >> 16) & 0x7FFF);
}

// The table starts with ProgramFiles from the environment, as the shell sets it.
static void start_variables(context& c) {
    if (c.variables_started)
        return;
    c.variables_started = true;
    std::string files = c.host.getenv("ProgramFiles");
    if (files.empty()) {
        std::string drive = c.host.getenv("SystemDrive");
        if (drive.size() >= 2 && std::isalpha(static_cast<unsigned char>(drive[0])) && drive[1] == ':')
            files = drive.substr(0, 2) + "\\Program Files";
        else
            files = "C:\\Program Files";
    }
    c.variables["ProgramFiles"] = files;
}

void set_variable(context& c, const std::string& name, const char* value) {
    if (!value)
        fail(format("Bad call to SetVariable: %s", name.c_str()));
    start_variables(c);
    c.variables.erase(name);   // a new spelling of the name replaces the old one
    c.variables[name] = value;
}

const std::string* get_variable(context& c, const std::string& name) {
    start_variables(c);
    auto it = c.variables.find(name);
    return it == c.variables.end() ? nullptr : &it->second;
}

std::string variable_or_empty(context& c, const std::string& name) {
    const std::string* v = get_variable(c, name);
    return v ? *v : std::string();
}

void set_flag_variable(context& c, const std::string& name, bool flag) { set_variable(c, name, flag ? "yes" : "no"); }

bool get_flag_variable(context& c, const std::string& name) {
    const std::string* v = get_variable(c, name);
    return v && (same_nocase(*v, "yes") || same_nocase(*v, "true"));
}

std::string expand_variables(context& c, const std::string& text) {
    constexpr size_t max_result = 8191, max_name = 254;
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text[i] != '[') {
            if (out.size() < max_result)
                out += text[i];
            ++i;
            continue;
        }
        size_t close = text.find(']', i + 1);
        if (close == std::string::npos)
            break;
        std::string name = text.substr(i + 1, close - i - 1);
        i = close + 1;
        if (name.size() > max_name)
            continue;
        // An unset name expands to nothing.
        std::string value = variable_or_empty(c, name);
        if (out.size() + value.size() <= max_result)
            out += value;
    }
    return out;
}

std::string host_path(context& c, std::string path) {
    char sep = c.host.separator();
    for (char& ch : path)
        if (ch == '\\' || ch == '/')
            ch = sep;
    return path;
}

std::string join(context& c, const std::string& folder, const std::string& name) {
    char sep = c.host.separator();
    std::string a = host_path(c, folder), b = host_path(c, name);
    if (!a.empty() && a.back() == sep)
        a.pop_back();
    if (!b.empty() && b.front() == sep)
        b.erase(0, 1);
    return a + sep + b;
}

void init_install_variables(context& c) {
    c.startup_variables_done = true;
    std::string files = c.host.program_files_folder();
    if (!files.empty())
        set_variable(c, "ProgramFiles", files);
    std::string programs = c.host.programs_folder();
    if (programs.empty()) {
        if (auto v = reg_read_string(c, ROOT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                     "Programs"))
            programs = *v;
    }
    if (programs.empty()) {
        std::string windir = c.host.getenv("windir");
        if (windir.empty())
            windir = "C:\\WINDOWS";
        programs = join(c, windir, "Start Menu\\Programs");
        if (!c.host.is_folder(programs))
            fail("Unable to determine location of start menu");
    }
    const std::string* name = get_variable(c, "ShortcutFolderName");
    set_variable(c, "ShortcutFolder",
                 join(c, programs, "BRYLLEX Software\\" + (name ? *name : variable_or_empty(c, "Description"))));
    if (!get_variable(c, "PatchLevel"))
        set_variable(c, "PatchLevel", "PL0");
    auto dir = reg_read_string(c, ROOT_MACHINE, product_key_path(c) + "\\" + variable_or_empty(c, "PatchLevel"),
                               "InstDir");
    if (dir && !dir->empty())
        set_variable(c, "InstDir", *dir);
    else if (!get_variable(c, "InstDir"))
        set_variable(c, "InstDir", host_path(c, expand_variables(c, "[ProgramFiles]\\[Manufacturer]\\[Product]\\[Version]")));
}

}  // namespace inst
