// Registry value types, numbered as Windows numbers them.
#pragma once
#include <cstdint>

namespace inst {
enum : uint32_t { VALUE_SZ = 1, VALUE_EXPAND_SZ = 2, VALUE_DWORD = 4 };
}
