// The install, repair and removal runs and the pieces the pages call directly.
#pragma once
#include <cstdint>
#include <string>

namespace inst {

struct context;

void install_run(context& c);      // extraction, registry, uninstall entry, shortcuts, manifest
void repair_run(context& c);       // registry, uninstall entry and shortcuts again
void remove_run(context& c);       // files, folders, keys; leaves the removal script
void add_bin_to_path(context& c);
void write_product_registry(context& c);   // "InstDir" under the product key
void select_features(context& c);
// Kilobytes needed for the selected features and the resources; sets the bytes per percent.
uint64_t space_needed(context& c, uint32_t cluster);

// Feature installers, downloads and the Java check.
void run_feature_installers(context& c);
bool run_and_wait(context& c, const std::string& program);
std::string url_download(context& c, const std::string& url, const std::string& folder, bool with_progress);
void transfer_progress(context& c, uint32_t done, uint32_t total);
bool check_java_runtime(context& c, const std::string& list, const std::string* folder);
void add_resource_file(context& c, const std::string& variable, const std::string& path, const std::string& file);

}  // namespace inst
