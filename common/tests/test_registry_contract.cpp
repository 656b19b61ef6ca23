// The registry contract: the same cases run against advapi32 on Windows and against the
// REGEDIT4 file elsewhere, so that the two stores answer alike.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>

#include "common/alloc.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "common/registry_core.h"
#include "common/vector.h"

namespace {

#ifdef _WIN32
constexpr int root = REG_ROOT_USER;   // writable without rights the test need not have
#else
constexpr int root = REG_ROOT_MACHINE;
#endif

std::string take(char* s)
{
    std::string out = s ? s : "<null>";
    xfree(s);
    return out;
}

class RegistryContract : public testing::Test {
protected:
    void SetUp() override
    {
        base_ = "Software\\ORMC-Lite-Test-" + std::to_string(std::random_device{}() % 1000000);
#ifndef _WIN32
        const char* old = std::getenv("ORM_REGISTRY");
        old_store_ = old ? old : "";
        store_ = std::filesystem::temp_directory_path() / (base_.substr(9) + ".reg");
        set_env("ORM_REGISTRY", store_.c_str());
#endif
    }
    void TearDown() override
    {
        for (const char* k : {"\\Outer\\Inner", "\\Outer", "\\Values", ""})
            reg_delete_key(root, (base_ + k).c_str());
#ifndef _WIN32
        std::filesystem::remove(store_);
        set_env("ORM_REGISTRY", old_store_.c_str());
#endif
    }
    std::string key(const char* sub) const { return base_ + sub; }

    std::string base_, old_store_;
    std::filesystem::path store_;
};

TEST_F(RegistryContract, MissingKeysAndTheEndOfAList)
{
    uint32_t n = 0;
    EXPECT_EQ(reg_read_dword(root, key("\\Values").c_str(), "n", &n), 2);
    reg_value_result r = reg_read_string(root, key("\\Values").c_str(), "s");
    EXPECT_EQ(r.error, 2);
    EXPECT_EQ(r.data, nullptr);
    EXPECT_EQ(reg_delete_key(root, key("\\Values").c_str()), 2);
    reg_subkey_list* missing = reg_enum_subkeys(root, key("\\Values").c_str());
    EXPECT_EQ(missing->error, 2);
    // A key without subkeys: the end of the list (259) counts as success.
    ASSERT_EQ(reg_write_dword(root, key("\\Values").c_str(), "n", 1), 0);
    EXPECT_EQ(reg_read_dword(root, key("\\Values").c_str(), "other", &n), 2);
    reg_subkey_list* empty = reg_enum_subkeys(root, key("\\Values").c_str());
    EXPECT_EQ(empty->error, 0);
    EXPECT_EQ(empty->count, 0);
    for (reg_subkey_list* list : {missing, empty}) {
        vec_free(list->names);
        xfree(list->key);
        xfree(list);
    }
}

TEST_F(RegistryContract, TypesAndNamesWithoutCase)
{
    const std::string k = key("\\Values");
    ASSERT_EQ(reg_write_dword(root, k.c_str(), "Count", 0x12345678), 0);
    ASSERT_EQ(reg_write_string(root, k.c_str(), "Name", "C:\\orm dir\\"), 0);
    uint32_t n = 0;
    const std::string upper = key("\\VALUES");
    EXPECT_EQ(reg_read_dword(root, upper.c_str(), "COUNT", &n), 0);
    EXPECT_EQ(n, 0x12345678u);
    reg_value_result r = reg_read_string(root, upper.c_str(), "name");
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(take(r.data), "C:\\orm dir\\");
    EXPECT_EQ(reg_read_dword(root, k.c_str(), "Name", &n), 160);
    r = reg_read_string(root, k.c_str(), "Count");
    EXPECT_EQ(r.error, 160);
    EXPECT_EQ(r.data, nullptr);
    // Expandable strings come back expanded.
    set_env("ORM_CONTRACT_DIR", "C:\\expanded");
    ASSERT_EQ(reg_write_expand_string(root, k.c_str(), "Dir", "%ORM_CONTRACT_DIR%\\bin"), 0);
    EXPECT_EQ(take(reg_read_string(root, k.c_str(), "dir").data), "C:\\expanded\\bin");
    EXPECT_EQ(reg_delete_value(root, k.c_str(), "DIR"), 0);
    EXPECT_EQ(reg_delete_value(root, k.c_str(), "Dir"), 2);
}

TEST_F(RegistryContract, KeysWithSubkeysAreNotDeleted)
{
    ASSERT_EQ(reg_write_dword(root, key("\\Outer\\Inner").c_str(), "v", 1), 0);
    EXPECT_EQ(reg_delete_key(root, key("\\Outer").c_str()), 5);
    EXPECT_EQ(reg_delete_key(root, key("\\outer\\INNER").c_str()), 0);
    EXPECT_EQ(reg_delete_key(root, key("\\Outer").c_str()), 0);
    EXPECT_EQ(reg_delete_key(root, key("\\Outer").c_str()), 2);
}

}  // namespace
