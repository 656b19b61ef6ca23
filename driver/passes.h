// The command line of each pass, built when the pass is started.
#pragma once
#include <cstdint>
#include <string>

bool run_annot(const std::string& source, const std::string& base);
bool run_pre(const std::string& source, const std::string& base);
bool run_parse(const std::string& source, const std::string& base);
bool run_cg(const std::string& base);
bool run_asm(const std::string& base, const std::string& object_base, const std::string& input, bool asm_source,
             bool startup);
bool link_program();
bool run_hex(const std::string& output, uint32_t bits);
bool run_patch();
bool run_conv(uint32_t bit);
bool run_arch();
bool run_xref();
std::string main_hex_name();
void rewrite_prototypes(const std::string& base);
