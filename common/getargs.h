// Reads an argument vector from a text, or from standard input (console or redirected file).
#pragma once

extern int getargs_count;   // elements before the terminating null, element 0 included

// Returns a new null-terminated array whose element 0 is "". A null text reads standard input,
// prompting "name> " on standard error while it is a terminal.
char** getargs(const char* text, const char* name);
