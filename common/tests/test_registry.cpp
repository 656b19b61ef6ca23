// Registry store, installation directory, environment updates and the version block.
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

#include "common/alloc.h"
#include "common/msgfile.h"
#include "common/registry.h"
#include "common/registry_core.h"
#include "common/tests/test_util.h"
#include "testsupport/testsupport.h"
#include "common/vector.h"
#include "platform/reg_file.h"
#include "platform/registry_store.h"

using testutil::scoped_env;

namespace {

void free_list(reg_subkey_list* list)
{
    for (uint32_t i = 0; i < vec_size(list->names); i++)
        xfree(vec_get(list->names, i));
    vec_free(list->names);
    xfree(list->key);
    xfree(list);
}

std::string take(char* s)
{
    std::string out = s ? s : "<null>";
    xfree(s);
    return out;
}

// Points the registry at a fresh file for the life of the object.
class scratch_registry {
public:
    explicit scratch_registry(const std::string& name, const std::string& content = "")
        : path_(testsupport::scratch_folder("reg-" + name) / "registry.reg"), env_("ORM_REGISTRY", path_.c_str())
    {
        if (!content.empty())
            testsupport::write_file(path_, content);
    }
    std::string text() const { return testsupport::read_file(path_); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    scoped_env env_;
};

TEST(RegFile, ParsesAndWritesRegedit4)
{
    plat::reg_file f;
    ASSERT_TRUE(f.parse("REGEDIT4\r\n\r\n; comment\r\n"
                        "[HKEY_LOCAL_MACHINE\\Software\\A]\r\n"
                        "\"Str\"=\"C:\\\\dir \\\"q\\\"\"\r\n"
                        "@=\"default\"\r\n"
                        "\"N\"=dword:0000002a\r\n"
                        "\"Bin\"=hex:01,02,\\\r\n  03\r\n"
                        "\"Exp\"=hex(2):25,00\r\n"));
    plat::reg_file_key* k = f.find_key("hkey_local_machine\\SOFTWARE\\a");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->path, "HKEY_LOCAL_MACHINE\\Software\\A");   // the first case is kept
    plat::reg_file_value* v = plat::reg_file::find_value(*k, "str");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::string(v->data.begin(), v->data.end()), std::string("C:\\dir \"q\"") + '\0');
    EXPECT_EQ(plat::reg_file::find_value(*k, "n")->data, (std::vector<uint8_t>{42, 0, 0, 0}));
    EXPECT_EQ(plat::reg_file::find_value(*k, "BIN")->data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(plat::reg_file::find_value(*k, "Exp")->type, 2u);
    EXPECT_EQ(plat::reg_file::find_value(*k, "")->type, 1u);
    EXPECT_EQ(f.subkeys("HKEY_LOCAL_MACHINE\\software"), std::vector<std::string>{"A"});

    plat::reg_file again;
    ASSERT_TRUE(again.parse(f.write()));
    EXPECT_EQ(again.write(), f.write());
    EXPECT_FALSE(again.parse("not a registry file\n"));
    EXPECT_FALSE(again.parse("REGEDIT4\n[HKEY_CLASSES_ROOT\\x]\n\"v\"=bogus\n"));
}

TEST(RegFile, LongBinaryValuesRoundTrip)
{
    plat::reg_file f;
    plat::reg_file_key& k = f.create_key("HKEY_CURRENT_USER\\Long");
    plat::reg_file_value v{"b", 3, {}};
    for (int i = 0; i < 100; i++)
        v.data.push_back(static_cast<uint8_t>(i));
    k.values.push_back(v);
    plat::reg_file g;
    ASSERT_TRUE(g.parse(f.write()));
    EXPECT_EQ(plat::reg_file::find_value(*g.find_key("HKEY_CURRENT_USER\\Long"), "b")->data, v.data);
}

TEST(Registry, ReadWriteTypesAndErrors)
{
    scratch_registry reg("rw");
    uint32_t n = 0;
    EXPECT_EQ(reg_read_dword(REG_ROOT_USER, "Software\\T", "n", &n), 2);
    EXPECT_EQ(reg_write_dword(REG_ROOT_USER, "Software\\T", "N", 77), 0);
    EXPECT_EQ(reg_read_dword(REG_ROOT_USER, "software\\t", "n", &n), 0);
    EXPECT_EQ(n, 77u);
    EXPECT_EQ(reg_write_string(REG_ROOT_USER, "Software\\T", "S", "text"), 0);
    reg_value_result r = reg_read_string(REG_ROOT_USER, "Software\\T", "s");
    EXPECT_EQ(r.error, 0);
    EXPECT_STREQ(r.data, "text");
    EXPECT_EQ(r.length, 5u);
    xfree(r.data);
    EXPECT_EQ(reg_read_dword(REG_ROOT_USER, "Software\\T", "S", &n), 160);
    r = reg_read_string(REG_ROOT_USER, "Software\\T", "N");
    EXPECT_EQ(r.error, 160);
    EXPECT_EQ(r.data, nullptr);
    EXPECT_EQ(reg_write_binary(REG_ROOT_USER, "Software\\T", "B", "\x01\x00\x02", 3), 0);
    r = reg_read_binary(REG_ROOT_USER, "Software\\T", "b");
    EXPECT_EQ(r.length, 3u);
    EXPECT_EQ(std::string(r.data, 3), std::string("\x01\x00\x02", 3));
    xfree(r.data);
    // Another root is another tree.
    EXPECT_EQ(reg_read_dword(REG_ROOT_MACHINE, "Software\\T", "N", &n), 2);
    // A string stored without its terminator still reads as a terminated text.
    EXPECT_EQ(plat::reg_set(REG_ROOT_USER, "Software\\T", "raw", plat::REG_TYPE_SZ, {'a', 'b'}), 0);
    r = reg_read_string(REG_ROOT_USER, "Software\\T", "raw");
    EXPECT_STREQ(r.data, "ab");
    xfree(r.data);
    // Too long for the value buffer.
    std::string big(3000, 'x');
    reg_write_string(REG_ROOT_USER, "Software\\T", "big", big.c_str());
    EXPECT_EQ(reg_read_string(REG_ROOT_USER, "Software\\T", "big").error, 234);
    EXPECT_NE(reg.text().find("[HKEY_CURRENT_USER\\Software\\T]"), std::string::npos);
}

TEST(Registry, ExpandableStrings)
{
    scratch_registry reg("expand");
    scoped_env env("ORM_TEST_ROOT", "/opt/ormc");
    reg_write_expand_string(REG_ROOT_MACHINE, product_patch_key, "instdir", "%ORM_TEST_ROOT%\\9.50");
    EXPECT_EQ(take(product_read_string("missing")), "<null>");
    reg_value_result r = reg_read_string(REG_ROOT_MACHINE, product_patch_key, "InstDir");
    EXPECT_STREQ(r.data, "/opt/ormc\\9.50");
    xfree(r.data);
    EXPECT_EQ(take(install_dir(SUB_DAT)), "/opt/ormc\\9.50/dat");
    std::string big(3000, 'x');
    scoped_env env2("ORM_TEST_BIG", big.c_str());
    reg_write_expand_string(REG_ROOT_MACHINE, "K", "v", "%ORM_TEST_BIG%%ORM_TEST_BIG%");
    EXPECT_EQ(reg_read_string(REG_ROOT_MACHINE, "K", "v").error, 234);
}

TEST(Registry, SubkeysAndDeletion)
{
    scratch_registry reg("keys");
    reg_write_dword(REG_ROOT_MACHINE, "Root\\Beta", "v", 1);
    reg_write_dword(REG_ROOT_MACHINE, "Root\\alpha\\deep", "v", 1);
    reg_write_dword(REG_ROOT_MACHINE, "ROOT\\ALPHA", "w", 2);   // same key, case kept from first
    reg_subkey_list* list = reg_enum_subkeys(REG_ROOT_MACHINE, "root");
    EXPECT_EQ(list->error, 0);
    ASSERT_EQ(list->count, 2);
    EXPECT_STREQ(static_cast<char*>(vec_get(list->names, 0)), "Beta");
    EXPECT_STREQ(static_cast<char*>(vec_get(list->names, 1)), "alpha");
    reg_subkey_list* none = reg_enum_subkeys(REG_ROOT_MACHINE, "Nothing");
    EXPECT_EQ(none->error, 2);
    EXPECT_EQ(none->count, 0);
    free_list(list);
    free_list(none);
    EXPECT_EQ(reg_delete_key(REG_ROOT_MACHINE, "Root\\Alpha"), 5);   // it has a subkey
    EXPECT_EQ(reg_delete_key(REG_ROOT_MACHINE, "Root\\Alpha\\Deep"), 0);
    EXPECT_EQ(reg_delete_key(REG_ROOT_MACHINE, "Root\\Alpha"), 0);
    EXPECT_EQ(reg_delete_key(REG_ROOT_MACHINE, "Root\\Alpha"), 2);
    EXPECT_EQ(reg_delete_value(REG_ROOT_MACHINE, "Root\\Beta", "V"), 0);
    EXPECT_EQ(reg_delete_value(REG_ROOT_MACHINE, "Root\\Beta", "V"), 2);
    EXPECT_EQ(reg.text().find("alpha"), std::string::npos);
}

TEST(Registry, NoRegistryAndMalformedStore)
{
    {
        scoped_env env("ORM_REGISTRY", "");
        uint32_t n;
        EXPECT_NE(reg_read_dword(REG_ROOT_MACHINE, product_key, "language", &n), 0);
        EXPECT_NE(reg_write_dword(REG_ROOT_MACHINE, product_key, "language", 7), 0);
        EXPECT_NE(product_write_instdir("/x"), 0);
    }
    scratch_registry reg("bad", "garbage that is not a registry\n");
    EXPECT_NE(reg_write_dword(REG_ROOT_MACHINE, "K", "v", 1), 0);
    EXPECT_EQ(reg.text(), "garbage that is not a registry\n");   // never overwritten
}

TEST(InstallDir, FromTheProgramsBinDirectory)
{
    EXPECT_EQ(take(install_dir_from_program("/opt/tools/bin/ormcl")), "/opt/tools");
    EXPECT_EQ(take(install_dir_from_program("C:\\tools\\BIN\\ormcl.exe")), "C:\\tools");
    EXPECT_EQ(take(install_dir_from_program("/opt/tools/other/ormcl")), "<null>");
    EXPECT_EQ(take(install_dir_from_program("/opt/tools/xbin/ormcl")), "<null>");
    EXPECT_EQ(take(install_dir_from_program("ormcl")), "<null>");

    scoped_env env("ORM_REGISTRY", "");
    // This test program lies in build/tests: no installation.
    EXPECT_EQ(take(install_dir(SUB_INSTALL)), "<null>");
    EXPECT_EQ(take(install_path(SUB_DAT, "en_msgs.txt")), "<null>");
    EXPECT_EQ(take(install_path(SUB_DAT, "/abs/en_msgs.txt")), "/abs/en_msgs.txt");
}

TEST(InstallDir, RegistryValueWins)
{
    scratch_registry reg("instdir");
    EXPECT_EQ(product_write_instdir("/inst"), 0);
    EXPECT_EQ(take(install_dir(SUB_INSTALL)), "/inst");
    EXPECT_EQ(take(install_dir(SUB_BIN)), "/inst/bin");
    EXPECT_EQ(take(install_path(SUB_INCLUDE, "x.h")), "/inst/include/x.h");
    EXPECT_NE(reg.text().find("\"instdir\"=\"/inst\""), std::string::npos);
    product_write_instdir("");   // an empty value names no directory
    EXPECT_EQ(take(install_dir(SUB_INSTALL)), "<null>");
}

std::string env_value(const char* name)
{
    reg_value_result r = reg_read_string(REG_ROOT_MACHINE, system_environment_key, name);
    return take(r.data);
}

TEST(EnvAdd, WholeEntriesWithoutCase)
{
    scratch_registry reg("env");
    EXPECT_EQ(env_add_registry(0, "Path", "C:\\x"), 0);   // nothing to add to
    EXPECT_EQ(env_add_registry(1, "Path", "C:\\Windows;C:\\Tools\\Bin\\"), 1);
    EXPECT_EQ(env_add_registry(0, "PATH", "c:\\tools\\bin"), 1);   // present: unchanged
    EXPECT_EQ(env_value("Path"), "C:\\Windows;C:\\Tools\\Bin\\");
    EXPECT_EQ(env_add_registry(0, "Path", "C:\\Tools"), 1);   // a part of an entry is not the entry
    EXPECT_EQ(env_value("Path"), "C:\\Windows;C:\\Tools\\Bin\\;C:\\Tools");
    EXPECT_EQ(env_add_registry(2, "Path", "x"), 0);

    reg_write_expand_string(REG_ROOT_MACHINE, system_environment_key, "Lib", "%SystemRoot%\\lib;");
    EXPECT_EQ(env_add_registry(0, "Lib", "D:\\lib"), 1);
    uint32_t type = 0;
    std::vector<uint8_t> data;
    ASSERT_EQ(plat::reg_get(REG_ROOT_MACHINE, system_environment_key, "Lib", type, data), 0);
    EXPECT_EQ(type, plat::REG_TYPE_EXPAND_SZ);   // still expandable, reference kept
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data.data())), "%SystemRoot%\\lib;D:\\lib");
    EXPECT_EQ(env_add(0, "Path", "x"), 0);   // neither Windows family on this host
}

TEST(EnvAdd, AutoexecLines)
{
    auto path = testsupport::scratch_folder("autoexec") / "AUTOEXEC.BAT";
    EXPECT_EQ(env_add_autoexec(0, "PATH", "C:\\ORMC\\BIN", path.c_str()), 1);
    EXPECT_EQ(env_add_autoexec(1, "ORM", "1", path.c_str()), 1);
    EXPECT_EQ(env_add_autoexec(2, "ORM", "1", path.c_str()), 0);
    EXPECT_EQ(testsupport::read_file(path), "SET PATH=%PATH%;C:\\ORMC\\BIN\nSET ORM=1\n");
    EXPECT_EQ(env_add_autoexec(0, "P", "v", "/nonexistent/dir/AUTOEXEC.BAT"), 0);
}

TEST(Language, StoredInTheRegistry)
{
    scratch_registry reg("lang");
    EXPECT_EQ(lang_get(), 9);
    EXPECT_EQ(lang_set(7), 0);
    EXPECT_EQ(lang_get(), 7);
    uint32_t n = 0;
    EXPECT_EQ(product_read_dword("LANGUAGE", &n), 0);
    EXPECT_EQ(n, 7u);
}

}  // namespace
