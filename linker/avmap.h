// The address-map file: per machine, the memory key of each psect or class.
#pragma once
#include <string>
#include <vector>

#include "linker/linkdata.h"

namespace lnk {

struct context;

struct avmap_pair {
    const name_entry* entry = nullptr;
    std::string key;
};

struct avmap_state {
    bool loaded = false;
    std::vector<avmap_pair> pairs;     // growable: no fixed number of pairs per section
    size_t default_pair = 0;
};

// Reads the section of machine key from file (141 fatal when it cannot be opened; 463, 464).
void avmap_read(context& cx, const std::string& machine, const std::string& file);
// The memory key of a psect or class name: its pair's key, else the default pair's, else "".
std::string memory_key(context& cx, const std::string& name);

}  // namespace lnk
