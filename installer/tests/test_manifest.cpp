// Reading the manifest: every error text, the line rules, and the variables' expansion.
#include "installer/core/context.h"
#include "installer/tests/fixture.h"

namespace {

using namespace inst;
using inst_test::installer_test;

using manifest_test = installer_test;

TEST_F(manifest_test, EveryErrorText) {
    const std::pair<const char*, const char*> cases[] = {
        {"[Variables]\nA=1\n", "Invalid manifest format"},
        {"stray line\n[Run]\n", "Invalid manifest format"},
        {"[Nonsense]\n[Run]\n", "Unknown line in manifest: Nonsense"},
        {"[Resources]\n=file\t3\n[Run]\n", "Bad line in [Resources]"},
        {"[Resources]\nNAME=file\n[Run]\n", "Bad line in [Resources]"},
        {"[Resources]\nNAME=file\t\n[Run]\n", "Bad line in [Resources]"},
        {"[Variables]\n=value\n[Run]\n", "Bad line in [Variables]"},
        {"[Shortcuts]\nname\n[Run]\n", "Bad line in [Shortcuts]"},
        {"[Shortcuts]\n=target\n[Run]\n", "Bad line in [Shortcuts]"},
        {"[Shortcuts]\nname=\n[Run]\n", "Bad line in [Shortcuts]"},
        {"[Features]\nInstaller=x.exe\n[Run]\n", "missing feature name before Installer"},
        {"[Features]\nbin/\n[Run]\n", "missing feature name before folder"},
        {"[Features]\nFeature=F\nfile.txt\n[Run]\n", "file in list without preceding folder"},
        {"[Components]\nDescription=d\n[Run]\n", "Description with no component name"},
        {"[Components]\nSelected=yes\n[Run]\n", "Selected with no component name"},
        {"[Components]\nRequired=yes\n[Run]\n", "Required with no component name"},
        {"[Components]\nJava=yes\n[Run]\n", "Java with no component name"},
        {"[Components]\nF\n[Run]\n", "feature in un-named component"},
        {"[Components]\nComponent=C\nF\n[Run]\n", "No feature list in manifest"},
        {"[Features]\nFeature=F\n[Components]\nComponent=C\nG\n[Run]\n", "Feature G not in manifest"},
    };
    for (const auto& [body, text] : cases) {
        context fresh{host, window};
        fresh.fingerprint = c.fingerprint;
        std::string got = "(no error)";
        try {
            read_manifest(fresh, fresh.fingerprint + "\n" + body);
        } catch (const fatal_error& e) {
            got = e.what();
        }
        EXPECT_EQ(got, text) << body;
        delete_temporary_items(fresh);
    }
}

TEST_F(manifest_test, SignatureMustMatchInUpperCase) {
    std::string lower = c.fingerprint;
    for (char& ch : lower)
        ch = char(std::tolower(ch));
    try {
        read_manifest(c, lower + "\n[Run]\n");
        FAIL() << "a lower-case fingerprint passed";
    } catch (const fatal_error& e) {
        EXPECT_STREQ(e.what(), "Invalid manifest signature");
    }
}

TEST_F(manifest_test, LinesSectionsAndRunInAnyCase) {
    manifest("\r\n  ; a comment\r\n\r\n[variables]\n  Product = x \nA=one=two\nB\n"
             "C=%InstDir%\\bin\n[Variables]\nInstDir=D:\\Tools\nE=%instdir%\\lib\n"
             "[run]\nthis=is never read\n");
    EXPECT_EQ(variable_or_empty(c, "A"), "one");           // text after a second '=' is dropped
    EXPECT_EQ(variable_or_empty(c, "B"), "");
    ASSERT_NE(get_variable(c, "b"), nullptr);               // names without regard to case
    EXPECT_EQ(variable_or_empty(c, "E"), "D:\\Tools\\lib");  // %InstDir% of any case, once known
    EXPECT_EQ(get_variable(c, "this"), nullptr);
    EXPECT_EQ(variable_or_empty(c, "PatchLevel"), "PL0");  // start-up variables completed
}

TEST_F(manifest_test, EnvironmentInVariablesIsExpanded) {
    setenv("ORM_INSTALLER_TEST_VALUE", "expanded", 1);
    manifest("[Variables]\nV=<%ORM_INSTALLER_TEST_VALUE%>\n[Run]\n");
    EXPECT_EQ(variable_or_empty(c, "V"), "<expanded>");
}

TEST_F(manifest_test, StartupVariablesAreCompletedWithoutVariablesSection) {
    manifest("[Run]\n");
    EXPECT_EQ(variable_or_empty(c, "PatchLevel"), "PL0");
    EXPECT_FALSE(variable_or_empty(c, "ShortcutFolder").empty());
    EXPECT_FALSE(variable_or_empty(c, "InstDir").empty());
}

TEST_F(manifest_test, FeaturesComponentsAndShortcuts) {
    manifest("[Features]\nFeature=Base\nInstaller=setup1.exe\t100\nbin/\nA.exe\t12\nB.dll\n"
             "lib\\\\\nc.lib\t5\nFeature=Extra\nlate.txt\t7\nInstaller=http://host/x.exe\t300\n"
             "[Components]\nComponent=One\nDescription=First\nSelected=no\nRequired=YES please\nJava=yes\nbase\nEXTRA\n"
             "[Shortcuts]\nTool=bin\\A.exe,ICON=x\nPlain=bin\\B.dll\n[Run]\n");
    ASSERT_EQ(c.features.size(), 2u);
    const feature& base = c.features[0];
    ASSERT_EQ(base.folders.size(), 2u);
    EXPECT_EQ(base.folders[0].name, "bin");
    EXPECT_EQ(base.folders[1].name, "lib");
    EXPECT_EQ(base.folders[0].files[1].size, 8192u);   // no size: 8192
    // A new feature keeps the current folder: the file goes to the old feature's lib folder.
    ASSERT_EQ(base.folders[1].files.size(), 2u);
    EXPECT_EQ(base.folders[1].files[1].name, "late.txt");
    EXPECT_EQ(base.installer_size, 100u);
    EXPECT_EQ(c.features[1].installer_size, 300u);
    ASSERT_EQ(c.components.size(), 1u);
    const component& one = c.components[0];
    EXPECT_FALSE(one.selected);
    EXPECT_TRUE(one.required);
    EXPECT_TRUE(one.java);
    EXPECT_EQ(one.features, (std::vector<size_t>{0, 1}));
    ASSERT_EQ(c.shortcuts.size(), 2u);
    EXPECT_EQ(c.shortcuts[0].target, "bin\\A.exe");
    EXPECT_EQ(c.shortcuts[0].icon_variable, "ICON");   // ",ICON=x": the rest ends at the next '='
    EXPECT_EQ(c.shortcuts[1].icon_variable, "");
}

TEST_F(manifest_test, ExpandVariablesLimits) {
    set_variable(c, "Name", "value");
    EXPECT_EQ(expand_variables(c, "a[name]b"), "avalueb");
    EXPECT_EQ(expand_variables(c, "a[Unset]b"), "ab");
    EXPECT_EQ(expand_variables(c, "a[name"), "a");                          // no ']' ends the text
    EXPECT_EQ(expand_variables(c, "a[" + std::string(255, 'x') + "]b"), "ab");  // longer than 254: dropped
    set_variable(c, std::string(254, 'y'), "ok");
    EXPECT_EQ(expand_variables(c, "[" + std::string(254, 'y') + "]"), "ok");
    set_variable(c, "Big", std::string(8000, 'b'));
    std::string two = expand_variables(c, "[Big][Big]");
    EXPECT_EQ(two.size(), 8000u);   // the value that would not fit is dropped
    EXPECT_EQ(expand_variables(c, std::string(9000, 'z')).size(), 8191u);
    try {
        set_variable(c, "X", static_cast<const char*>(nullptr));
        FAIL();
    } catch (const fatal_error& e) {
        EXPECT_STREQ(e.what(), "Bad call to SetVariable: X");
    }
}

TEST_F(manifest_test, FlagVariables) {
    for (const char* yes : {"yes", "YES", "true", "True"}) {
        set_variable(c, "F", yes);
        EXPECT_TRUE(get_flag_variable(c, "f")) << yes;
    }
    for (const char* no : {"no", "yess", "1", ""}) {
        set_variable(c, "F", no);
        EXPECT_FALSE(get_flag_variable(c, "F")) << no;
    }
}

TEST_F(manifest_test, ProgramFilesDefaultsFromTheEnvironment) {
    unsetenv("ProgramFiles");
    setenv("SystemDrive", "E:", 1);
    context fresh{host, window};
    EXPECT_EQ(variable_or_empty(fresh, "ProgramFiles"), "E:\\Program Files");
    setenv("SystemDrive", "nonsense", 1);
    context other{host, window};
    EXPECT_EQ(variable_or_empty(other, "ProgramFiles"), "C:\\Program Files");
    unsetenv("SystemDrive");
}

}  // namespace
