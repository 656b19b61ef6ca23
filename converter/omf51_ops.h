// Operations shared by the OMF-51 modules: the listing and the writer helpers of both writers.
#pragma once
#include <cstdio>
#include <string>

#include "converter/context.h"
#include "converter/omf51.h"

namespace conv {

namespace omf_name {
std::string upper(std::string s);
std::string cut_at_dot(const std::string& name);   // the name without its last extension
}  // namespace omf_name

bool omf_dump(conv_context& ctx, omf_records& r, FILE* in);

uint8_t omf_usage_type(const model& md, const conv_symbol& s);
uint8_t omf_info_byte(const model& md, const conv_symbol& s);
std::string omf_symbol_name(const omf_records& r, const std::string& name);
void omf_symbol_entry(omf_records& r, FILE* out, uint8_t type, uint8_t def_type, const std::string& name,
                      uint32_t value, uint8_t info, uint8_t type_byte);
void omf_module_header(omf_records& r, FILE* out, const std::string& name);
void omf_module_end(omf_records& r, FILE* out, const std::string& name);
void omf_plain_write(omf_records& r, const model& md, FILE* out);
// The extended format with scopes, types and per-function lines, from the debug model.
void eomf_debug_write(conv_context& ctx, FILE* out, const std::string& name);

}  // namespace conv
