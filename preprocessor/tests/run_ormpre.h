// Runs the built ormpre on small files in a scratch folder and captures what it writes.
#pragma once
#include <string>
#include <vector>

#include "testsupport/testsupport.h"

struct ormpre_run {
    int status = -1;
    std::string out;   // standard output (the preprocessed text)
    std::string err;   // standard error (the messages)
};

class scratch_dir {
public:
    std::string path() const { return folder_.path().string(); }
    std::string file(const std::string& name, const std::string& text) const;   // returns its path
    std::string read(const std::string& name) const;
    bool exists(const std::string& name) const;
    // ormpre with the arguments, run in this folder.
    ormpre_run run(const std::vector<std::string>& args, const std::string& stdin_text = "") const;

private:
    testsupport::scratch_dir folder_{"ormpre"};
};

// The preprocessed text of one source, named "t.c", with the given options.
ormpre_run preprocess(const std::string& source, const std::vector<std::string>& options = {});

// The non-empty lines that are not line markers: the text the parser would read.
std::vector<std::string> text_lines(const std::string& out);
