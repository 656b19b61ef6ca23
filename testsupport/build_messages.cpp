// Linked into a test program, loads the build tree's message file before the tests run, so
// that numbered messages carry their real texts and kinds wherever the build folder is.
#include "common/alert.h"
#include "testsupport/testsupport.h"

namespace {

class build_messages : public testing::Environment {
public:
    void SetUp() override
    {
        testsupport::load_messages();
        alert_set_max_errors(1000000);   // errors add up over every test of the run
    }
};

testing::Environment* const registered = testing::AddGlobalTestEnvironment(new build_messages);

}  // namespace
