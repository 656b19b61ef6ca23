// What the listing programs share: where their arguments come from, the options each of them
// accepts besides its own, and the ways they end.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

// The program's arguments after its name. With no argument at all they are read from standard
// input; a single argument that begins with '@' reopens standard input on the file named after
// it and reads them from there.
std::vector<std::string> listing_arguments(int argc, char** argv, const char* name);

// Applies one of the options common to the listing programs (--edf=, --disl=, --msgdisable=,
// --emax=, --ver); false when the argument is none of them.
bool listing_common_option(const std::string& arg);

// Ends the program with status 1 through its exit hook. Used after messages whose kind in the
// message file might let the program go on where it cannot.
[[noreturn]] void listing_fail();

// The output file being written, removed when the run fails before it is complete (devices
// and other files that are not regular are left alone).
void listing_output_started(const std::string& path);
void listing_output_complete();
void listing_discard_output();   // for the program's exit hook

// Flushes and closes an output (standard output is flushed only); a short write is reported
// with its name. False on a write error.
bool listing_close_output(std::FILE* out, const char* name);
