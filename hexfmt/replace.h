// A file written under a temporary name in its target's directory and moved over the target
// only when the program has finished it, so a failing run never leaves a half-written file
// and never loses the file it was rewriting.
#pragma once
#include <cstdio>
#include <string>

namespace hexfmt {

class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile() { discard(); }

    bool create(const std::string& target, bool binary);   // false when no file can be made
    FILE* stream() const { return stream_; }
    const std::string& target() const { return target_; }
    const std::string& temp_name() const { return temp_; }
    // Closes and renames over the target. 1 done, 0 the stream could not be closed (temporary
    // removed), -1 the rename failed (temporary kept when `keep_on_failure`, else removed).
    int commit(bool keep_on_failure = false);
    void discard();   // closes and removes the temporary

private:
    FILE* stream_ = nullptr;
    std::string target_;
    std::string temp_;
};

// Removes every temporary of a ReplacingFile not yet committed (for exit hooks: a fatal
// message ends the program without running destructors).
void discard_pending_files();

}  // namespace hexfmt
