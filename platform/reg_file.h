// In-memory model of a registry file in REGEDIT4 syntax. Key paths and value names are
// compared without regard to letter case; the case of first creation is kept.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

struct reg_file_value {
    std::string name;            // "" is the key's default value ("@")
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

struct reg_file_key {
    std::string path;            // full path, root name included, '\\' between components
    std::vector<reg_file_value> values;
};

class reg_file {
public:
    // Parses REGEDIT4 text; false on a malformed file (the model then holds what was read).
    bool parse(const std::string& text);
    std::string write() const;

    reg_file_key* find_key(const std::string& path);
    reg_file_key& create_key(const std::string& path);   // with every missing parent
    bool remove_key(const std::string& path);
    std::vector<std::string> subkeys(const std::string& path) const;   // last components, in file order
    static reg_file_value* find_value(reg_file_key& key, const std::string& name);
    static bool remove_value(reg_file_key& key, const std::string& name);

private:
    std::vector<reg_file_key> keys_;
};

bool same_text_nocase(const std::string& a, const std::string& b);

}  // namespace plat
