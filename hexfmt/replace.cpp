// Temporary file beside a target, renamed over it at the end.
#include "hexfmt/replace.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"

namespace hexfmt {

namespace {

std::vector<std::string>& pending() {
    static std::vector<std::string> names;
    return names;
}

void forget(const std::string& name) {
    auto& names = pending();
    names.erase(std::remove(names.begin(), names.end(), name), names.end());
}

std::string directory_of(const std::string& path) {
    size_t cut = path.size();
    while (cut > 0 && !plat::is_separator(path[cut - 1])) --cut;
    return path.substr(0, cut);   // with its separator, or empty for the current directory
}

}  // namespace

bool ReplacingFile::create(const std::string& target, bool binary) {
    discard();
    target_ = target;
    std::string dir = directory_of(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = dir + "~" + plat::unique_name_fragment();
        if (!plat::create_exclusive(name)) continue;
        stream_ = fopen(name.c_str(), binary ? "wb" : "w");
        if (!stream_) {
            plat::remove_file(name);
            return false;
        }
        temp_ = name;
        static bool registered = false;
        if (!registered) {
            registered = true;
            std::atexit(discard_pending_files);
        }
        pending().push_back(temp_);
        return true;
    }
    return false;
}

int ReplacingFile::commit(bool keep_on_failure) {
    if (temp_.empty()) return 0;
    bool closed = fflush(stream_) == 0 && !ferror(stream_);
    if (fclose(stream_) != 0) closed = false;
    stream_ = nullptr;
    if (!closed) {
        discard();
        return 0;
    }
    if (!plat::rename_replace(temp_, target_)) {
        if (keep_on_failure) {
            forget(temp_);
            temp_.clear();
        } else {
            discard();
        }
        return -1;
    }
    forget(temp_);
    temp_.clear();
    return 1;
}

void ReplacingFile::discard() {
    if (stream_) fclose(stream_);
    stream_ = nullptr;
    if (!temp_.empty()) {
        plat::remove_file(temp_);
        forget(temp_);
        temp_.clear();
    }
}

void discard_pending_files() {
    for (const std::string& name : pending()) plat::remove_file(name);
    pending().clear();
}

}  // namespace hexfmt
