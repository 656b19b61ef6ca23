#include "common/tests/test_util.h"
#include "testsupport/testsupport.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <gtest/gtest.h>
#include <sstream>

#include "common/alert.h"
#include "common/msgfile.h"

namespace testutil {

namespace {
std::vector<std::string> collected;
void collect(const char* line) { collected.emplace_back(line); }
}  // namespace

captured_output::captured_output()
{
    collected.clear();
    alert_set_output(collect);
}

captured_output::~captured_output() { alert_set_output(nullptr); }
const std::vector<std::string>& captured_output::lines() const { return collected; }

std::string captured_output::text() const
{
    std::string all;
    for (const std::string& l : collected)
        all += l;
    return all;
}

void captured_output::clear() { collected.clear(); }

scoped_env::scoped_env(const char* name, const char* value) : name_(name)
{
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_)
        old_ = old;
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

scoped_env::~scoped_env()
{
    if (had_)
        setenv(name_.c_str(), old_.c_str(), 1);
    else
        unsetenv(name_.c_str());
}

std::filesystem::path test_message_file()
{
    static const std::filesystem::path path = [] {
        std::filesystem::path p = testsupport::scratch_folder("messages") / "en_msgs.txt";
        testsupport::write_file(p,
                   "# test messages\n"
                   "1\tM\ttoo many errors (%u)\n"
                   "100\tE\terror text %s\n"
                   "101\t1\twarn one\n"
                   "102\t-1\twarn minus one\n"
                   "103\tM\tplain message %d\n"
                   "104\tF\tfatal %s\n"
                   "105\tE\tsystem says: %m\n"
                   "106\tE\tmismatch %s and %d\n"
                   "107\t5\twarning five\n"
                   "108\tE\tplain error\n"
                   "917\tE\targument too long\n");
        return p;
    }();
    return path;
}

void load_test_messages() { ASSERT_EQ(msgfile_open(test_message_file().string().c_str()), 1); }

}  // namespace testutil

namespace {
// Every test process starts with the test messages loaded, as a program with "--edf=" does;
// death tests run in a fresh process so that counts start at 0 there.
class message_environment : public testing::Environment {
public:
    void SetUp() override
    {
        // Set here, not in a static initialiser, which could run before gtest's own.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        testutil::load_test_messages();
        alert_set_max_errors(1 << 30);   // the tests count many errors; limit tests set their own
    }
};
const bool registered = [] {
    testing::AddGlobalTestEnvironment(new message_environment);
    return true;
}();
}  // namespace
