// ELF32 output, probe and dump.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "converter/context.h"

namespace conv {

struct elf_machine {
    const char* description;
    uint32_t value;
};

const elf_machine* elf_machines(size_t& count);
// The first machine whose description contains the processor name; 0 when none does.
uint32_t elf_machine_of(const std::string& processor);

bool elf_probe(conv_context& ctx, FILE* in);
void elf_read(conv_context& ctx, FILE* in, const std::string& name);
bool elf_write(conv_context& ctx, FILE* out, const std::string& name);
bool elf_dump(conv_context& ctx, FILE* in);

}  // namespace conv
