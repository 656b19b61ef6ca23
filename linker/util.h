// Small helpers shared by the linker's modules.
#pragma once
#include <cstdint>

namespace lnk {

// Message texts print 32-bit values with "%lX"; the argument must then be an unsigned long.
inline unsigned long ul(uint32_t v) { return v; }

}  // namespace lnk
