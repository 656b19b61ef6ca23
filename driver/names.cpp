// Output names, source-based names and deletion.
#include "driver/names.h"

#include <cstdio>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "driver/state.h"

std::string replace_extension(const std::string& name, const std::string& extension) {
    size_t dot = name.rfind('.');
    return (dot == std::string::npos ? name + "." : name.substr(0, dot + 1)) + extension;
}

std::string last_component(const std::string& path) {
    size_t cut = path.find_last_of('\\');
    if (cut == std::string::npos) cut = path.find_last_of('/');
    if (cut == std::string::npos) cut = path.find_last_of(':');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string join_dir(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    char* joined = path_join(dir.c_str(), name.c_str());
    std::string result = joined ? joined : name;
    xfree(joined);
    return result;
}

std::string dir_part(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) {
        cut = path.find(':');
        return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
    }
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

std::string source_file_name(const std::string& source, const std::string& extension) {
    return join_dir(drv.outdir, replace_extension(last_component(source), extension));
}

std::string output_file_name(const std::string& extension) {
    return join_dir(drv.output_dir, replace_extension(last_component(drv.output_name), extension));
}

void set_output_name(const std::string& text) {
    drv.output_name = text;
    if (!text.empty() && text.back() == '.') return;
    size_t dot = text.rfind('.');
    size_t slash = text.find_last_of("\\/:");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) drv.output_name.erase(dot);
    const char* extension = drv.compile_only ? ".obj"
                            : (drv.output & (0x40 | OUT_HTK)) ? ".tsk"
                            : (drv.output & OUT_UBROF) ? ".ubr"
                            : (drv.output & OUT_BIN) ? ".bin"
                                                     : ".hex";
    drv.output_name += extension;
}

void delete_file(const std::string& name) {
    if (drv.nodel || name.empty()) return;
    if (drv.verbose) alert_print("del %s", name.c_str());
    // Under --noexec nothing was made, so nothing is removed: the line above says what would be.
    if (!drv.noexec) remove(name.c_str());
}
