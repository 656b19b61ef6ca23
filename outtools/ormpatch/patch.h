// ormpatch's passes over the image: reading the inputs, the operations in their fixed order,
// the Intel HEX output and the log.
#pragma once
#include <cstdio>
#include <string>

#include "outtools/ormpatch/image.h"
#include "outtools/ormpatch/settings.h"

namespace patch {

// Reads one Intel HEX input into the image as input number `index` (0-based).
void read_input(Image& image, const InputSpec& input, int index);
// The same from an open stream (the tests feed text directly).
void read_hex_stream(Image& image, FILE* stream, const InputSpec& input, int index);

// Operations; find/replace writes its results to `log` when it is not null.
void find_replace(Image& image, std::vector<FindSpec>& finds, FILE* log);
void store_serials(Image& image, const std::vector<SerialSpec>& serials);
void store_strings(Image& image, const std::vector<StringSpec>& strings);
void reserve_checksums(Image& image, const std::vector<ChecksumSpec>& checksums);
void fill_unused(Image& image, const std::vector<FillSpec>& fills);
void compute_checksums(Image& image, std::vector<ChecksumSpec>& checksums);

// Runs every operation in order.
void apply_operations(Image& image, Settings& settings, FILE* log);

// Writes the image as Intel HEX of the chosen kind.
void write_hex(const Image& image, const Settings& settings, FILE* out, const std::string& name);

// The log sections written after the output.
void write_log_summary(const Image& image, const Settings& settings, FILE* log);

}  // namespace patch
