// A context on the Linux host with a registry file, TEMP and a Start menu in a scratch folder,
// a clock the test sets, and a window that answers from a queue.
#pragma once
#include <cstdlib>

#include "installer/core/context.h"
#include "installer/headless/posix_sys.h"
#include "installer/headless/script_ui.h"
#include "testsupport/testsupport.h"

namespace inst_test {

class test_host : public inst::posix_sys {
public:
    double clock = 1000;
    uint64_t free_space = 100ull << 20;
    uint32_t cluster = 4096;
    double now() override { return clock; }
    bool disk_space(const std::string&, uint64_t& free_bytes, uint32_t& size) override {
        free_bytes = free_space;
        size = cluster;
        return true;
    }
};

class installer_test : public testsupport::scratch_test {
protected:
    void SetUp() override {
        for (const char* name : {"TEMP", "HOME"})
            saved_.emplace_back(name, std::getenv(name) ? std::getenv(name) : "");
        registry_ = path("registry.txt");
        setenv("ORM_REGISTRY", registry_.c_str(), 1);
        std::filesystem::create_directories(path("temp"));
        setenv("TEMP", path("temp").c_str(), 1);
        setenv("HOME", path("home").c_str(), 1);
        std::filesystem::create_directories(path("home"));
        c.fingerprint = "00112233445566778899AABBCCDDEEFF";
    }
    // The scratch folder goes after the test: nothing may keep pointing into it.
    void TearDown() override {
        setenv("ORM_REGISTRY", "", 1);
        for (const auto& [name, value] : saved_)
            value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
    }

    // The fingerprint is what the manifest's first line must be.
    void manifest(const std::string& body) { inst::read_manifest(c, c.fingerprint + "\n" + body); }
    std::string fatal_of(const std::string& body) {
        try {
            manifest(body);
        } catch (const inst::fatal_error& e) {
            return e.what();
        }
        return "(no error)";
    }

    std::string registry_;
    std::vector<std::pair<std::string, std::string>> saved_;
    test_host host;
    inst::script_ui window;
    inst::context c{host, window};
};

}  // namespace inst_test
