// Reads a module's SDB file into the debug model.
#pragma once
#include <string>

#include "converter/context.h"

namespace conv {

// Loads the SDB file named after the module (its extension replaced by ".sdb") and adds its
// module scope under the global block; null when no file was read.
dbg_sym* sdb_load(conv_context& ctx, const std::string& module_name);

// A type string as the code generator writes it; an empty type when it is not one.
dbg_type sdb_parse_type(conv_context& ctx, const std::string& text);

// The name of the module's SDB file.
std::string sdb_file_name(const std::string& module_name);

}  // namespace conv
