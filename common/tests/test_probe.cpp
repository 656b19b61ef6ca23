// End to end through the probe program: version block, message layouts, start-up loading.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

#include "common/tests/test_util.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;

namespace {

struct run_result {
    int status;
    std::string out, err;
};

fs::path probe_path()
{
    const char* build = std::getenv("ORM_BUILD_DIR");   // set by ctest
    return fs::path(build ? build : ".") / "bin" / "ormprobe";
}

// Runs program in dir with the environment settings (NAME=value; an empty value stays
// empty; "-NAME" unsets it).
run_result run(const fs::path& program, const std::string& args, const std::vector<std::string>& env,
               const fs::path& dir)
{
    fs::path out = dir / "probe.out", err = dir / "probe.err", rc = dir / "probe.rc";
    std::string command = "cd '" + dir.string() + "' && env -u BXC_ERR_FORMAT -u BXC_WARN_FORMAT -u BXC_MSG_FORMAT"
                          " -u BXC_ERR_FILE ORM_REGISTRY=";
    for (const std::string& e : env)
        command += e[0] == '-' ? " -u " + e.substr(1) : " '" + e + "'";
    command += " '" + program.string() + "' " + args + " >'" + out.string() + "' 2>'" + err.string() +
               "'; echo $? >'" + rc.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return {std::stoi(testsupport::read_file(rc)), testsupport::read_file(out), testsupport::read_file(err)};
}

run_result probe(const std::string& args, const std::vector<std::string>& env = {})
{
    return run(probe_path(), args, env, testsupport::scratch_folder("probe-cwd"));
}

fs::path warning_messages()
{
    fs::path p = testsupport::scratch_folder("probe-msgs") / "en_msgs.txt";
    testsupport::write_file(p, "200\t3\tlevel three %s\n201\tM\tnote %d\n917\tE\targument too long\n");
    return p;
}

TEST(Probe, VersionBlock)
{
    run_result r = probe("--ver");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    std::regex block("\nProduct:\tORMC-Lite\nComponent:\tormprobe\nVersion:\t9\\.50PL2\n"
                     "Build date:\t[A-Z][a-z]{2} [ 1-3][0-9] ([0-9]{4})\n"
                     "Copyright \\(C\\) ([0-9]{4}) BRYLLEX Software\\. All rights reserved\\.\n");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(r.out, m, block)) << r.out;
    EXPECT_EQ(m[1], m[2]);
}

TEST(Probe, BuiltInLayoutFromTheInstalledMessageFile)
{
    // build/bin/ormprobe: the installation is build/, its messages build/dat/en_msgs.txt.
    run_result r = probe("--pos=main.c,12,3 --msg=917 --failed");
    EXPECT_EQ(r.err, "main.c: 12: (917) argument too long\n");
    EXPECT_EQ(r.status, 1);
    r = probe("--msg=917", {"BXC_ERR_FORMAT=%n %s"});   // layouts only with -E1
    EXPECT_EQ(r.err, "(917) argument too long\n");
    EXPECT_EQ(r.status, 0);
}

TEST(Probe, ConfiguredLayouts)
{
    std::vector<std::string> env = {"BXC_ERR_FILE=" + warning_messages().string(),
                                    "BXC_ERR_FORMAT=%f:%l:%c: error %n: %s [%a]",
                                    "BXC_WARN_FORMAT=%f(%l) : warning %n: %s", "BXC_MSG_FORMAT=msg: %s"};
    fs::path copy_dir = testsupport::scratch_folder("probe-tools");
    fs::copy_file(probe_path(), copy_dir / "ormprobe");   // not in a bin directory: no installation
    run_result r = run(copy_dir / "ormprobe", "-E1 --pos=main.c,12,3 --msg=917 --msg=200 x --msg=201 4", env,
                       testsupport::scratch_folder("probe-cwd"));
    EXPECT_EQ(r.err,
              "main.c:12:3: error 917: argument too long [ormprobe]\n"
              "main.c(12) : warning 200: level three x\n"
              "msg: note 4\n");
    r = run(copy_dir / "ormprobe", "-E1 --msg=917 --msg=200 x --msg=201 4", {env[0]}, testsupport::scratch_folder("probe-cwd"));
    EXPECT_EQ(r.err, "(917) argument too long (error)\n(200) level three x (warning)\nnote 4\n");
    r = run(copy_dir / "ormprobe", "-E0 -W4 --msg=917 --msg=200 x --msg=201 4", env, testsupport::scratch_folder("probe-cwd"));
    EXPECT_EQ(r.err, "(917) argument too long\nnote 4\n");
}

TEST(Probe, DisablingEveryWarningFirstLoadsTheMessageFile)
{
    // "0" is the first thing the program does: the warnings to disable are those of the file
    // that the start-up load finds.
    fs::path tools = testsupport::scratch_folder("probe-tools4");
    fs::copy_file(probe_path(), tools / "ormprobe");   // no installation: BXC_ERR_FILE is read
    run_result r = run(tools / "ormprobe", "--msgdisable=0 --msg=200 x --msg=201 1 --msg=917",
                       {"BXC_ERR_FILE=" + warning_messages().string()}, testsupport::scratch_folder("probe-cwd"));
    EXPECT_EQ(r.err, "note 1\n(917) argument too long\n");
}

TEST(Probe, OutOfMemoryIsReportedAndEndsTheProgram)
{
    const unsigned long long huge = ~0ULL - 1000;
    run_result r = probe("--alloc=" + std::to_string(huge), {"ASAN_OPTIONS=allocator_may_return_null=1"});
    EXPECT_EQ(r.status, 1);
    std::string expected = "can't allocate " + std::to_string(static_cast<unsigned>(huge)) +
                           " bytes pf memory\n\nexit hook 1\n";
    // A sanitizer's own warning may come first.
    ASSERT_GE(r.err.size(), expected.size());
    EXPECT_EQ(r.err.substr(r.err.size() - expected.size()), expected);
}

TEST(Probe, CallerKindMessagesBeforeInitialisationUseTheLayouts)
{
    // alert_kind_message does not initialise the module; the layouts still come from the
    // environment or the defaults.
    run_result r = probe("-E1 --kind=E,early --kind=1,warn", {"BXC_WARN_FORMAT=W:%s"});
    EXPECT_EQ(r.err, "(0) early (error)\nW:warn\n");
}

TEST(Probe, ErrorLimitAfterTwentyOne)
{
    std::string args;
    for (int i = 0; i < 25; i++)
        args += " --msg=917";
    run_result r = probe(args);
    EXPECT_EQ(r.status, 1);
    std::string expected;
    for (int i = 0; i < 21; i++)
        expected += "(917) argument too long\n";
    EXPECT_EQ(r.err, expected + "too many errors (21)\nexit hook 1\n");
}

TEST(Probe, MissingMessageFileAfterStartUpEndsTheProgram)
{
    fs::path inst = testsupport::scratch_folder("probe-inst");
    fs::create_directories(inst / "dat");
    fs::path msgs = inst / "dat" / "en_msgs.txt";
    testsupport::write_file(msgs, "917\tE\targument too long\n");
    fs::path reg = testsupport::scratch_folder("probe-reg") / "r.reg";
    testsupport::write_file(reg, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\BRYLLEX Software\\ORMC-Lite\\9.50\\PL2]\n"
                              "\"InstDir\"=\"" + inst.string() + "\"\n");
    fs::path tools = testsupport::scratch_folder("probe-tools2");
    fs::copy_file(probe_path(), tools / "ormprobe");
    run_result r = run(tools / "ormprobe", "--msg=917 --remove=" + msgs.string() + " --reload=9",
                       {"ORM_REGISTRY=" + reg.string()}, testsupport::scratch_folder("probe-cwd"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "(917) argument too long\nCould not open message file en_msgs.txt\n\nexit hook 1\n");
}

TEST(Probe, ExplicitOpenAfterAFailedStartUpCountsAsLoaded)
{
    fs::path tools = testsupport::scratch_folder("probe-tools5");
    fs::copy_file(probe_path(), tools / "ormprobe");
    fs::path msgs = testsupport::scratch_folder("probe-edf") / "mine.txt";
    testsupport::write_file(msgs, "917\tE\targument too long\n");
    // Start-up finds nothing; the explicit open loads; a later failing load then ends the
    // program, as after any successful load.
    run_result r = run(tools / "ormprobe",
                       "--msg=917 --edf=" + msgs.string() + " --msg=917 --remove=" + msgs.string() + " --reload=9",
                       {}, testsupport::scratch_folder("probe-cwd"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "(917) An error, warning or message was generated, but no description is available\n"
                     "(917) argument too long\n"
                     "Could not open message file en_msgs.txt\n\nexit hook 1\n");
    r = run(tools / "ormprobe", "--edf=/nonexistent/m.txt", {}, testsupport::scratch_folder("probe-cwd"));
    EXPECT_EQ(r.err, "Could not open error description file /nonexistent/m.txt\n\n");
}

TEST(Probe, NoMessageFileAtStartUpIsSilent)
{
    fs::path tools = testsupport::scratch_folder("probe-tools3");
    fs::copy_file(probe_path(), tools / "ormprobe");
    run_result r = run(tools / "ormprobe", "--msg=917 --failed", {}, testsupport::scratch_folder("probe-cwd"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "(917) An error, warning or message was generated, but no description is available\n");
}

}  // namespace

namespace {

TEST(Probe, ArgumentsTypedAtATerminal)
{
    // script(1) gives the probe a terminal; the continuation asks for a second line, and a
    // used-up line then ends the arguments.
    ORM_REQUIRE_TOOL("script");
    fs::path dir = testsupport::scratch_folder("probe-tty");
    fs::path out = dir / "transcript";
    std::string command = "printf '%s\\n' '-a  -b \\' '-c' | ORM_REGISTRY= script -qec '" + probe_path().string() +
                          " --getargs' /dev/null > '" + out.string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string text = testsupport::read_file(out);
    EXPECT_NE(text.find("args:[-a][-b][-c] count=4"), std::string::npos) << text;
    size_t prompts = 0;
    for (size_t at = text.find("ormprobe> "); at != std::string::npos; at = text.find("ormprobe> ", at + 1))
        prompts++;
    EXPECT_EQ(prompts, 2u) << text;
}

TEST(Probe, EmptyLineAtATerminalGivesNoArguments)
{
    ORM_REQUIRE_TOOL("script");
    fs::path out = testsupport::scratch_folder("probe-tty2") / "transcript";
    std::string command = "printf '\\n' | ORM_REGISTRY= script -qec '" + probe_path().string() + " --getargs' /dev/null > '" +
                          out.string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_NE(testsupport::read_file(out).find("args: count=1"), std::string::npos);
}

}  // namespace
