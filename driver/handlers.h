// The handlers of the driver's options and the start-up steps they run.
#pragma once
#include <cstdint>
#include <string>

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
// After a pass has ended: when an interrupt came meanwhile, removes the temporaries and what
// the interrupted step made, and ends the run with status 2.
void driver_stop_if_interrupted();
// Keeps the image file `name` as it is before the run makes a new one (not under --noexec).
void guard_image(const std::string& name);
// The new image is complete and stays, or (false) the one from before is put back and a
// partial one removed.
void settle_image(bool complete);
