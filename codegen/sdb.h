// Source-level debug records (the SDB file) written beside the assembly under -D.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace cg {

struct cg_context;
struct symbol;

// Creates the file; error 461 and no records when it cannot be created.
bool sdb_open(cg_context& ctx, const std::string& name);
void sdb_close(cg_context& ctx);
bool sdb_active(const cg_context& ctx);
// "[p FLAG FLAG ... ]": the machine flags in force.
void sdb_header(cg_context& ctx);
// Position record, then the block openings not yet written.
void sdb_sync(cg_context& ctx);
// Writes the opening of the current block at once (a function's outermost block).
void sdb_open_block_now(cg_context& ctx);
// Leaves a block level; a function's outermost block writes its auto-area size.
void sdb_close_block(cg_context& ctx, bool function_end, int32_t auto_size);
void sdb_variable(cg_context& ctx, symbol* s);
void sdb_typedef(cg_context& ctx, symbol* s);
void sdb_enumeration(cg_context& ctx, symbol* e, const std::string& tag, const std::vector<std::string>& names);
void sdb_structure(cg_context& ctx, symbol* st, const std::string& tag, const std::vector<std::string>& names);
// The type string of a symbol's type ("`" ... base name and a blank).
std::string sdb_type_string(const symbol* s);

}  // namespace cg
