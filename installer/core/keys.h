// Registry roots and the keys that the installer forms from its variables.
#pragma once
#include <string>

namespace inst {

struct context;

enum : int { ROOT_CLASSES = 1, ROOT_CONFIG = 2, ROOT_USER = 3, ROOT_MACHINE = 4 };

std::string product_key_path(context& c);     // SOFTWARE\<Manufacturer>\<Product>\<Version>
std::string uninstall_key_path(context& c);

}  // namespace inst
