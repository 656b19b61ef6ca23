// The support library on Windows itself: process start-up and quoting, exit statuses,
// environment updates, temporary names, file tests and the version. Run under wine.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

#include "common/alloc.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "platform/platform.h"
#include "platform/registry_store.h"

namespace fs = std::filesystem;

namespace {

std::string take(char* s)
{
    std::string out = s ? s : "<null>";
    xfree(s);
    return out;
}

fs::path program_dir() { return fs::path(plat::own_program_path()).parent_path(); }

fs::path scratch(const std::string& name)
{
    fs::path dir = fs::temp_directory_path() / ("ormc-wine-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

std::string read_file(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Sets an environment variable for the life of the object.
class scoped_env {
public:
    scoped_env(const char* name, const char* value) : name_(name)
    {
        had_ = plat::get_env(name, old_);
        set(value);
    }
    ~scoped_env() { set(had_ ? old_.c_str() : nullptr); }

private:
    void set(const char* value) { set_env(name_.c_str(), value ? value : ""); }
    std::string name_, old_;
    bool had_;
};

int spawn(const std::string& program, std::vector<std::string> args)
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return os_spawn(program.c_str(), argv.data());
}

TEST(WindowsSpawn, ArgumentsArriveExactly)
{
    fs::path out = scratch("spawn") / "argv.bin";
    const std::vector<std::string> tricky = {"", "a b", "a\"b", "a\\", "a\\\\\"b", "\t", "%PATH%", "x"};
    std::vector<std::string> args = {"spawn_child.exe", out.string()};
    args.insert(args.end(), tricky.begin(), tricky.end());
    ASSERT_EQ(spawn((program_dir() / "spawn_child.exe").string(), args), 0);
    std::string expected;
    for (const std::string& a : tricky)
        expected += a + '\0';
    EXPECT_EQ(read_file(out), expected);
}

TEST(WindowsSpawn, StatusesFailuresAndCrashesAreApart)
{
    // Without ".exe", as the driver names the passes.
    const std::string child = (program_dir() / "spawn_child").string();
    EXPECT_EQ(spawn(child, {"spawn_child", "--exit", "3"}), 3);
    int minus_one = spawn(child, {"spawn_child", "--exit", "-1"});
    EXPECT_EQ(minus_one, -1);
    EXPECT_NE(minus_one, OS_SPAWN_FAILED);
    int crashed = spawn(child, {"spawn_child", "--crash"});
    EXPECT_EQ(static_cast<uint32_t>(crashed), 0xC0000005u);
    EXPECT_NE(crashed, OS_SPAWN_FAILED);
    EXPECT_EQ(spawn((program_dir() / "no_such_program").string(), {"x"}), OS_SPAWN_FAILED);
}

TEST(WindowsEnvironment, PathEntryAddedOnceAndReferencesKept)
{
    const char* key = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    uint32_t type = 0;
    std::vector<uint8_t> saved;
    ASSERT_EQ(plat::reg_get(REG_ROOT_MACHINE, key, "PATH", type, saved), 0);
    const uint32_t saved_type = type;
    ASSERT_EQ(os_version_flags() & 0x40u, 0x40u);
    EXPECT_EQ(env_add(0, "PATH", "C:\\ormc test\\bin"), 1);
    EXPECT_EQ(env_add(0, "PATH", "c:\\ORMC TEST\\BIN"), 1);
    std::vector<uint8_t> now;
    ASSERT_EQ(plat::reg_get(REG_ROOT_MACHINE, key, "PATH", type, now), 0);
    plat::reg_set(REG_ROOT_MACHINE, key, "PATH", saved_type, saved);
    std::string path(now.begin(), now.end());
    path = path.c_str();
    EXPECT_EQ(path.find("C:\\ormc test\\bin"), path.rfind("C:\\ormc test\\bin")) << path;
    EXPECT_NE(path.find("C:\\ormc test\\bin"), std::string::npos) << path;
    EXPECT_EQ(path.find("ORMC TEST"), std::string::npos) << path;
    EXPECT_NE(path.find("%SystemRoot%"), std::string::npos) << path;
    EXPECT_EQ(type, static_cast<uint32_t>(plat::REG_TYPE_EXPAND_SZ));
}

TEST(WindowsTempNames, TempThenTmpThenCurrentDirectory)
{
    const fs::path temp = scratch("temp"), tmp = scratch("tmp");
    {
        scoped_env a("TEMP", temp.string().c_str());
        scoped_env b("TMP", tmp.string().c_str());
        std::string name = take(make_temp_name());
        EXPECT_EQ(fs::path(name).parent_path(), temp) << name;
        EXPECT_TRUE(fs::exists(name));
    }
    {
        scoped_env a("TEMP", "");
        scoped_env b("TMP", tmp.string().c_str());
        EXPECT_EQ(fs::path(take(make_temp_name())).parent_path(), tmp);
    }
    {
        scoped_env a("TEMP", "");
        scoped_env b("TMP", "");
        std::string name = take(make_temp_name());
        EXPECT_EQ(name.substr(0, 2), ".\\") << name;
        EXPECT_TRUE(fs::exists(name));
        fs::remove(name);
    }
    {
        // A bare drive: the name follows the colon directly.
        scoped_env a("TEMP", "C:");
        std::string name = take(make_temp_name());
        EXPECT_EQ(name.substr(0, 3), "C:s") << name;
        fs::remove(name);
    }
}

TEST(WindowsFiles, ExactCaseOwnPathAndVersion)
{
    const fs::path dir = scratch("case");
    std::ofstream(dir / "Mixed.TXT") << "x";
    EXPECT_TRUE(file_exists_same_case((dir / "Mixed.TXT").string().c_str()));
    EXPECT_FALSE(file_exists_same_case((dir / "mixed.txt").string().c_str()));
    EXPECT_TRUE(file_exists((dir / "mixed.txt").string().c_str()));   // the file system ignores case
    EXPECT_FALSE(file_exists_same_case((dir / "absent.txt").string().c_str()));

    const std::string self = plat::own_program_path();
    ASSERT_GE(self.size(), 3u);
    EXPECT_EQ(self[1], ':');
    EXPECT_EQ(self.substr(self.size() - 23), "\\platform_wine_test.exe");

    EXPECT_EQ(std::string(os_version_text()).rfind("Microsoft Windows", 0), 0u) << os_version_text();
    EXPECT_EQ(os_version_flags() & 0x40u, 0x40u);
    EXPECT_EQ(os_version_flags() & 0x10u, 0u);
}

}  // namespace
