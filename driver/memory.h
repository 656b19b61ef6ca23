// The chip's memory classes: built from the chip file's keys, the --rom/--ram options and
// the debugger's reservations.
#pragma once
#include <cstdint>

struct chip_record;

void memory_init_spaces();                       // "code", "data", "eedata"
void memory_install_hooks();
void add_code_classes(uint32_t low, uint32_t high);   // reserves program memory
void add_ram_classes();                          // after the options
// --rom and --ram; `name` is the option's display name for messages.
void memory_option(bool rom, const char* text, const char* name);
void reserve_serial(const char* text);
void memory_option_reserve_ram(uint32_t low, uint32_t high);   // -resram
