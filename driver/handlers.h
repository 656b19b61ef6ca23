// The handlers of the driver's options and the start-up steps they run.
#pragma once
#include <cstdint>

#include "driver/options.h"

extern option_row option_table[];

void apply_option_defaults();
uint32_t opt_removed_bits();                                // --opt bits taken away with '-'
void print_banner();
void print_help(option_row* table, const char* argument);   // null: the full list
void driver_initialise();                                   // the start-up option group
// Output hook of the driver's messages.
void driver_message_output(const char* line);
// Removes the temporary files (not with --nodel); the exit routine calls it.
void driver_cleanup();
