// Temporary file beside a target, renamed over it at the end.
#include "common/replace_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "common/alert.h"
#include "common/pass_startup.h"
#include "platform/platform.h"

namespace {

std::vector<std::string>& pending() {
    static std::vector<std::string> names;
    return names;
}

// In signal context: only removals, nothing that allocates or frees.
void remove_pending_on_interrupt() {
    for (const std::string& name : pending()) plat::remove_file(name);
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

namespace {

// Copies the file `from` (when there is one) to the start of `to`, in the mode `to` was opened
// in so that line ends come out as they were; false when it fails.
bool copy_content(const std::string& from, FILE* to, bool binary) {
    FILE* in = fopen(from.c_str(), binary ? "rb" : "r");
    if (!in) return true;
    char buffer[16384];
    bool ok = true;
    for (size_t n; ok && (n = fread(buffer, 1, sizeof buffer, in)) > 0;) ok = fwrite(buffer, 1, n, to) == n;
    if (ferror(in)) ok = false;
    fclose(in);
    return ok;
}

}  // namespace

bool replacing_file::create(const std::string& target, bool binary, bool append) {
    discard();
    target_ = target;
    std::error_code error;
    auto status = std::filesystem::status(target, error);
    if (!error && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
        !std::filesystem::is_directory(status)) {
        // A device or pipe is written as it is: it cannot be replaced, and must not be.
        stream_ = fopen(target.c_str(), append ? (binary ? "ab" : "a") : (binary ? "wb" : "w"));
        return stream_ != nullptr;
    }
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
            std::atexit(discard_pending_outputs);
            plat::on_interrupt_cleanup(remove_pending_on_interrupt);
            plat::survive_closed_pipe();
        }
        pending().push_back(temp_);
        if (append && !copy_content(target, stream_, binary)) {
            discard();
            return false;
        }
        return true;
    }
    return false;
}

bool replacing_file::create_on_standard_output(const std::string& target, bool binary) {
    if (!create(target, binary)) return false;
    fflush(stdout);
    fclose(stream_);
    stream_ = nullptr;
    const std::string& name = temp_.empty() ? target_ : temp_;
    if (!freopen(name.c_str(), binary ? "wb" : "w", stdout)) {
        discard();
        return false;
    }
    stream_ = stdout;
    on_standard_output_ = true;
    return true;
}

void replacing_file::close_stream() {
    if (!stream_) return;
    if (on_standard_output_) {
        // Later prints go nowhere rather than into a closed stream.
#ifdef _WIN32
        if (!freopen("NUL", "w", stdout)) fclose(stdout);
#else
        if (!freopen("/dev/null", "w", stdout)) fclose(stdout);
#endif
    } else {
        fclose(stream_);
    }
    stream_ = nullptr;
    on_standard_output_ = false;
}

int replacing_file::commit(bool keep_on_failure) {
    if (!stream_) return 0;
    bool closed = fflush(stream_) == 0 && !ferror(stream_);
    if (on_standard_output_) close_stream();
    else if (fclose(stream_) != 0) closed = false;
    stream_ = nullptr;
    if (temp_.empty()) return closed ? 1 : 0;   // written in place
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

void replacing_file::discard() {
    close_stream();
    if (!temp_.empty()) {
        plat::remove_file(temp_);
        forget(temp_);
        temp_.clear();
    }
}

bool replacing_file::flush() {
    return stream_ && fflush(stream_) == 0 && !ferror(stream_);
}

replacing_file* commit_together(const std::vector<replacing_file*>& files) {
    replacing_file* failed = nullptr;
    for (replacing_file* f : files)
        if (f && !failed && !f->flush()) failed = f;
    for (replacing_file* f : files) {
        if (!f) continue;
        if (failed) {
            f->discard();
        } else if (f->commit() != 1) {
            failed = f;
        }
    }
    return failed;
}

void discard_pending_outputs() {
    for (const std::string& name : pending()) plat::remove_file(name);
    pending().clear();
}


bool flush_standard_output() {
    return fflush(stdout) == 0 && !ferror(stdout);
}

bool same_file_name(const std::string& a, const std::string& b) {
    if (a == b) return true;
    namespace fs = std::filesystem;
    std::error_code ea, eb;
    fs::path pa = fs::weakly_canonical(fs::absolute(a, ea), ea);
    fs::path pb = fs::weakly_canonical(fs::absolute(b, eb), eb);
    if (!ea && !eb && pa == pb) return true;
    return plat::same_file(a, b);
}

void refuse_output_over_input(const std::string& output, const std::vector<std::string>& inputs) {
    if (output.empty()) return;
    for (const std::string& input : inputs)
        if (!input.empty() && same_file_name(output, input)) {
            alert_message(398);
            pass_exit(1);
        }
}
