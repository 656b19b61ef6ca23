// Listing of the DWARF 2 sections of an ELF file.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "converter/context.h"

namespace conv {

struct elf_section {
    std::string name;
    uint32_t offset = 0;
    uint32_t size = 0;
};

// The section's bytes; 666 and false when the file holds fewer.
bool elf_load_section(FILE* in, const elf_section& s, const char* description, std::vector<uint8_t>& out);

void dwarf_dump(conv_context& ctx, FILE* in, const std::vector<elf_section>& sections);

}  // namespace conv
