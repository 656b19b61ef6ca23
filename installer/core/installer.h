// Start-up, the fatal path and the end of a run, shared by the front ends.
#pragma once
#include <string>

#include "installer/core/context.h"

namespace inst {

// Seeds the generator, reads the payload or the installed manifest, checks the rights.
void start_up(context& c);
void check_admin_rights(context& c);
// Undoes a broken install run, shows the "Fatal error" box and deletes the temporary items.
void handle_fatal(context& c, const std::string& text);
// After the window has gone: starts the IDE when asked and the removal script.
void finish(context& c);

}  // namespace inst
