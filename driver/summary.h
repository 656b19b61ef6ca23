// The memory-usage summary read back from the linker's map file.
#pragma once

// Reads the map file and prints the reports that --summary selects (fatal 141 when the
// map cannot be opened).
void summary_from_map_file(const char* path, bool memmap_option);
void register_psect_descriptions();
