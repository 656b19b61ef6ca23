// Loads the build's message file before the tests run, so that message kinds (fatal, error,
// warning) are the real ones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "common/alert.h"
#include "common/msgfile.h"

namespace {

class message_file : public testing::Environment {
public:
    void SetUp() override {
        const char* build = std::getenv("ORM_BUILD_DIR");
        std::string path = std::string(build ? build : ".") + "/dat/en_msgs.txt";
        ASSERT_EQ(msgfile_open(path.c_str()), 1) << path;
        alert_set_max_errors(1000000);   // errors add up over every test of the run
    }
};

testing::Environment* const registered = testing::AddGlobalTestEnvironment(new message_file);

}  // namespace
