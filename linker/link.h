// The linker as a whole: the run of one link, and cleanup at exit.
#pragma once

namespace lnk {

int link_main(int argc, char** argv);
// Closes the outputs; a failed link leaves no output object behind.
void link_cleanup(bool success);

}  // namespace lnk
