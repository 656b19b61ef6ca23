// Streams and files for the converter's tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "common/alert.h"
#include "common/msgfile.h"

namespace conv_test {

// The message texts come from the source tree's file, wherever the build lies.
class message_file : public ::testing::Environment {
public:
    void SetUp() override {
        auto path = std::filesystem::path(ORM_CONV_SOURCE_DIR) / "dat" / "en_msgs.txt";
        ASSERT_EQ(msgfile_open(path.string().c_str()), 1);
        alert_set_max_errors(1000000);   // errors add up over every test of the run
    }
};
inline ::testing::Environment* const message_environment = ::testing::AddGlobalTestEnvironment(new message_file);

// A temporary stream holding the text, positioned at its start.
inline FILE* stream_of(const std::string& text) {
    FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    return f;
}

// Everything a stream holds, read from its start.
inline std::string contents(FILE* f) {
    std::rewind(f);
    std::string out;
    int c;
    while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<char>(c));
    return out;
}

// A scratch folder outside the build tree, removed with the object.
struct scratch {
    std::filesystem::path dir;
    scratch() {
        dir = std::filesystem::temp_directory_path() / ("orm_conv_" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir);
    }
    ~scratch() { std::filesystem::remove_all(dir); }
    std::string write(const std::string& name, const std::string& text) const {
        std::string path = (dir / name).string();
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        return path;
    }
};

}  // namespace conv_test
