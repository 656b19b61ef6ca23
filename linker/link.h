// The linker as a whole: state reset, the run of one link, and cleanup at exit.
#pragma once

namespace lnk {

void link_reset();                   // every module's state back to the start
int link_main(int argc, char** argv);
// Closes the outputs; a failed link leaves no output object behind.
void link_cleanup(bool success);

}  // namespace lnk
