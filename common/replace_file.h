// A file written under a temporary name in its target's directory and moved over the target
// only when the program has finished it, so a failing run never leaves a half-written file
// and never loses the file it was rewriting.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

class replacing_file {
public:
    replacing_file() = default;
    replacing_file(const replacing_file&) = delete;
    replacing_file& operator=(const replacing_file&) = delete;
    ~replacing_file() { discard(); }

    // False when no file can be made. A target that exists and is neither a regular file nor a
    // folder (a device, a pipe) is written directly. `append` starts the temporary with a copy of
    // the target, for a file that each run adds to.
    bool create(const std::string& target, bool binary, bool append = false);
    // The same with standard output reopened on the temporary, for a program that prints its
    // output: committing or discarding leaves standard output on the null device.
    bool create_on_standard_output(const std::string& target, bool binary);
    FILE* stream() const { return stream_; }
    const std::string& target() const { return target_; }
    const std::string& temp_name() const { return temp_; }
    // Closes and renames over the target. 1 done, 0 the stream could not be closed (temporary
    // removed), -1 the rename failed (temporary kept when `keep_on_failure`, else removed).
    int commit(bool keep_on_failure = false);
    void discard();   // closes and removes the temporary
    // Pushes what was written to the file; false when it did not all arrive (a full disk).
    bool flush();

private:
    FILE* stream_ = nullptr;
    std::string target_;
    std::string temp_;
    bool on_standard_output_ = false;

    void close_stream();   // closes the stream (standard output: reopens it on the null device)
};

// Commits several outputs of one run so that none replaces its target unless all were written
// whole: each is flushed before any is renamed. Null entries (outputs not asked for) are skipped.
// Returns the first file that failed (its temporary and those of the rest removed), else null.
replacing_file* commit_together(const std::vector<replacing_file*>& files);

// Removes every temporary of a replacing_file not yet committed (for exit hooks: a fatal
// message ends the program without running destructors).
void discard_pending_outputs();


// Flushes standard output; false when what was written to it did not all arrive.
bool flush_standard_output();

// True when the two names reach one file: the same text, the same path once made absolute
// (with "." and ".." and symbolic links resolved), or the same device and inode (hard links).
bool same_file_name(const std::string& a, const std::string& b);
// Refuses an output that is one of the inputs: fatal message 398 when it is (a program
// writing over what it reads would lose it).
void refuse_output_over_input(const std::string& output, const std::vector<std::string>& inputs);
