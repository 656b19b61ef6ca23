// The linker as a whole: the run of one link, and cleanup at exit.
#pragma once
#include <cstdio>
#include <string>

#include "common/replace_file.h"

namespace lnk {

struct context;

// One link by the command line, with a run state of its own.
int link_main(int argc, char** argv);
// The exit hook's cleanup: that of the link in progress, if any.
void link_exit(bool success);
// Moves the outputs into place after a successful link; a failed link leaves every file as
// it was. Runs once; later calls only drop what is left.
void link_cleanup(context& cx, bool success);
// Where the map goes: the -M file, else standard output.
FILE* map_stream(context& cx);
// A listing written during the link, committed with the other outputs; null when it cannot
// be made.
replacing_file* open_listing(context& cx, const std::string& name);

}  // namespace lnk
