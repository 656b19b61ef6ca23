// The ormparse program: side files, options, exit statuses and interrupts.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "icode/icode.h"
#include "parser/tests/harness.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;

namespace {
std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
void write_file(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

std::string parser_path() { return testsupport::program("ormparse"); }
std::string edf() { return "--edf=" + testsupport::message_file().string(); }

struct scratch {
    fs::path dir;
    scratch() {
        char name[] = "/tmp/ormparse_testXXXXXX";
        dir = mkdtemp(name);
    }
    ~scratch() { fs::remove_all(dir); }
};

// Runs the parser in `dir` with a shell command line tail; returns the exit status.
int run_in(const fs::path& dir, const std::string& arguments) {
    std::string command = "cd '" + dir.string() + "' && '" + parser_path() + "' '" + edf() + "' " + arguments;
    int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}
}  // namespace

TEST(Program, StringSideFileHoldsEachLiteralAndIsRemoved) {
    scratch s;
    write_file(s.dir / "a.c", "char *p = \"ab\";\nchar *q = \"b\";\n");
    // A named side file is kept open until the end and removed then.
    EXPECT_EQ(run_in(s.dir, "a.c out.ic strings.tmp"), 0);
    EXPECT_FALSE(fs::exists(s.dir / "strings.tmp"));
    std::string ic = read_file(s.dir / "out.ic");
    EXPECT_NE(ic.find("[a 1 97 ]\n[a 2 98 0 ]\n"), std::string::npos) << ic;
    EXPECT_EQ(run_in(s.dir, "-V a.c out.ic strings.tmp"), 0);
    ic = read_file(s.dir / "out.ic");
    EXPECT_NE(ic.find("[a 1 97 98 0 ]\n[a 2 98 0 ]\n"), std::string::npos) << ic;
}

TEST(Program, StringSideFileRecordsRoundTrip) {
    scratch s;
    fs::path file = s.dir / "data";
    FILE* f = std::fopen(file.c_str(), "wb");
    ic::string_data_record a;
    a.number = 7;
    a.class_mask = 0x41;
    a.bytes = {'h', 'i', 0};
    ASSERT_TRUE(ic::write_string_data(f, a));
    std::fclose(f);
    EXPECT_EQ(read_file(file), std::string("\x07\0\0\0\x03\0\0\0\x41\0\0\0hi\0", 15));
    f = std::fopen(file.c_str(), "rb");
    ic::string_data_record b;
    EXPECT_EQ(ic::read_string_data(f, b), 1);
    EXPECT_EQ(b.number, 7);
    EXPECT_EQ(b.class_mask, 0x41u);
    EXPECT_EQ(b.bytes, a.bytes);
    EXPECT_EQ(ic::read_string_data(f, b), 0);
    std::fclose(f);
    write_file(file, std::string("\x07\0\0\0\x09\0\0\0\0\0\0\0ab", 14));   // cut short
    f = std::fopen(file.c_str(), "rb");
    EXPECT_EQ(ic::read_string_data(f, b), -1);
    std::fclose(f);
}

TEST(Program, FatalMessageRemovesTheSideFile) {
    scratch s;
    write_file(s.dir / "bad.c", "auto int a;\n");
    EXPECT_EQ(run_in(s.dir, "bad.c out.ic side.tmp 2>/dev/null"), 1);
    EXPECT_FALSE(fs::exists(s.dir / "side.tmp"));
}

TEST(Program, InterruptRemovesTheSideFileAndEndsWithFour) {
    scratch s;
    fs::path side = s.dir / "side.tmp", input = s.dir / "input.c";
    ASSERT_EQ(mkfifo(input.c_str(), 0600), 0);
    pid_t pid = fork();
    if (pid == 0) {
        std::string out = (s.dir / "out.ic").string();
        execl(parser_path().c_str(), "ormparse", edf().c_str(), input.c_str(), out.c_str(), side.c_str(), nullptr);
        _exit(127);
    }
    // The parser waits for more input; the side file exists meanwhile.
    int fd = open(input.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "int x;\n", 7), 7);
    for (int i = 0; i < 500 && !fs::exists(side); ++i) usleep(10000);
    EXPECT_TRUE(fs::exists(side));
    usleep(100000);
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    close(fd);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 4);
    EXPECT_FALSE(fs::exists(side));
}

TEST(Program, CrossReferenceFileDefaultName) {
    scratch s;
    write_file(s.dir / "noext", "int v;\nint f(void) { return v; }\n");
    write_file(s.dir / "x.y.c", "int w;\n");
    EXPECT_EQ(run_in(s.dir, "-C noext out.ic"), 0);
    EXPECT_EQ(read_file(s.dir / "noext.crf"), "~noext\nv 1\n#v 1\nf 2\n#f 2\nv 2\n");
    EXPECT_EQ(run_in(s.dir, "-C x.y.c out.ic"), 0);
    EXPECT_EQ(read_file(s.dir / "x.y.crf"), "~x.y.c\nw 1\n#w 1\n");
    EXPECT_EQ(run_in(s.dir, "-C x.y.c out.ic"), 0);   // appended to, not replaced
    EXPECT_EQ(read_file(s.dir / "x.y.crf"), "~x.y.c\nw 1\n#w 1\n~x.y.c\nw 1\n#w 1\n");
}

TEST(Program, PrototypeFileAndFunctionInformation) {
    scratch s;
    write_file(s.dir / "p.c",
               "static int f(int a, char *b) { return a; }\nint g(void) { return f(1, 0); }\n"
               "int h(int n, ...) { return n; }\nint m(int a[10]) { return a[0]; }\n");
    EXPECT_EQ(run_in(s.dir, "-pp.pro --fipath=. p.c out.ic"), 0);
    EXPECT_EQ(read_file(s.dir / "p.pro"),
              "static signed int f(signed int, signed char *);\nextern signed int g(void);\n"
              "extern signed int h(signed int, ...);\nextern signed int m(signed int *);\n");
    EXPECT_EQ(read_file(s.dir / "p.fi"), "f 1 1\n1\ng 2 2\nf 2\n2\nh 3 3\n3\nm 4 4\n4\n");
    EXPECT_EQ(run_in(s.dir, "-Pp.pro p.c out.ic"), 0);
    EXPECT_NE(read_file(s.dir / "p.pro").find("extern signed int g();"), std::string::npos);
}

TEST(Program, PrototypeDimensionsAreWrittenByValue) {
    scratch s;
    write_file(s.dir / "d.c", "enum { N = 4 };\nint t(int (*a)[10], char (*b)[N * 2]) { return 0; }\n");
    EXPECT_EQ(run_in(s.dir, "-pd.pro d.c out.ic"), 0);
    EXPECT_EQ(read_file(s.dir / "d.pro"), "extern signed int t(signed int (*)[10], signed char (*)[(4*2)]);\n");
}

TEST(Program, OptionsAndStatuses) {
    scratch s;
    write_file(s.dir / "w.c", "int f() { return 0; }\n");
    EXPECT_EQ(run_in(s.dir, "w.c out.ic 2>err"), 0);
    EXPECT_EQ(run_in(s.dir, "-W0! w.c out.ic 2>err"), 1);   // warnings count as failures
    EXPECT_EQ(run_in(s.dir, "-X w.c out.ic 2>err"), 255);
    EXPECT_NE(read_file(s.dir / "err").find("(168) unknown option \"-X\""), std::string::npos);
    EXPECT_EQ(run_in(s.dir, "--nosuch w.c out.ic 2>err"), 255);
    EXPECT_EQ(run_in(s.dir, "-Q w.c out.ic 2>err"), 1);
    EXPECT_NE(read_file(s.dir / "err").find("(233)"), std::string::npos);
    EXPECT_EQ(run_in(s.dir, "-M -G\"pack 1\" w.c out.ic 2>err"), 0);
    EXPECT_NE(read_file(s.dir / "out.ic").find("[p p 1 ]"), std::string::npos);
    write_file(s.dir / "main.c", "int main(void) { return 0; }\n");
    EXPECT_EQ(run_in(s.dir, "-M main.c out.ic"), 0);
    EXPECT_NE(read_file(s.dir / "out.ic").find("[p mainexit ]\n{"), std::string::npos) << read_file(s.dir / "out.ic");
    EXPECT_EQ(run_in(s.dir, "-E1 w.c out.ic 2>err"), 0);
    EXPECT_EQ(read_file(s.dir / "err"), "(349) non-prototyped function declaration for \"f\" (warning)\n");
    EXPECT_EQ(run_in(s.dir, "nosuch.c out.ic 2>err"), 1);
    EXPECT_NE(read_file(s.dir / "err").find("(141) can't open input file \"nosuch.c\""), std::string::npos);
    write_file(s.dir / "cmd", std::string("'") + edf() + "' w.c out2.ic\n");
    std::string command = "cd '" + s.dir.string() + "' && '" + parser_path() + "' @cmd 2>err";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 0);
    EXPECT_TRUE(fs::exists(s.dir / "out2.ic"));
}

TEST(Program, SourceLineAndCaretInThePlainLayout) {
    scratch s;
    write_file(s.dir / "c.c", "int a;\nint f(void)\n{\n\ta = 12x3;\n\treturn a;\n}\n");
    EXPECT_EQ(run_in(s.dir, "c.c out.ic 2>err"), 1);
    EXPECT_EQ(read_file(s.dir / "err"), "c.c: f()\n     4:\t\ta = 12x3;\n\t            ^ (223) digit out of range\n");
}

TEST(Program, LargeUnitEndsCleanly) {
    // Enough records for several blocks and collections; a leak or a bad record shows on stderr.
    scratch s;
    std::string src = "struct rec { int key; struct rec *next; };\n";
    for (int f = 0; f < 600; ++f) {
        std::string n = std::to_string(f);
        src += "static int h" + n + "(int a) { int i, s = 0; for (i = 0; i < a; i++) s += (int)(char)i; return s; }\n";
        src += "long e" + n + "(struct rec *r) { long t = 0; while (r) { t += h" + n +
               "(r->key); r = r->next; } return t + sizeof(struct rec); }\n";
    }
    write_file(s.dir / "big.c", src);
    EXPECT_EQ(run_in(s.dir, "-W9 big.c big.ic 2>err"), 0);
    EXPECT_EQ(read_file(s.dir / "err"), "");
    EXPECT_NE(read_file(s.dir / "big.ic").find("[v _e599 `(l 1 ef1`*S1 ]"), std::string::npos);
}

namespace {
// Runs the parser on `source` and returns its status; the messages land in `messages`.
int run_source(const std::string& source, std::string& messages) {
    scratch s;
    write_file(s.dir / "in.c", source);
    int status = run_in(s.dir, "-W0 in.c out.ic out.str 2>err.txt");
    messages = read_file(s.dir / "err.txt");
    return status;
}
std::string repeat(const std::string& piece, int n) {
    std::string out;
    out.reserve(piece.size() * static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}
}  // namespace

// 100,000 levels of each recursive construct end with a message, never a stack overflow.
TEST(Program, DeepNestingEndsWithAMessage) {
    const int deep = 100000;
    struct deep_case {
        const char* what;
        std::string source;
        const char* message;
    };
    const deep_case cases[] = {
        {"blocks", "void f(void){" + repeat("{", deep) + repeat("}", deep) + "}\n", "(297)"},
        {"statements", "int x; void f(void){" + repeat("if (x) while (x) ", deep) + ";}\n", "(297)"},
        {"declarator", "int " + repeat("(", deep) + "x" + repeat(")", deep) + ";\n", "(286)"},
        {"struct bodies", repeat("struct s { ", deep) + "int x;" + repeat(" } a;", deep) + "\n", "(297)"},
        {"operator chain", "int x = 1" + repeat("+1", deep) + ";\n", "(295)"},
        {"parentheses", "int x = " + repeat("(", deep) + "1" + repeat(")", deep) + ";\n", "(295)"},
        {"calls", "int f(int); int x = " + repeat("f(", deep) + "1" + repeat(")", deep) + ";\n", "(295)"},
        {"unary operators", "int x = " + repeat("-~!", deep) + "1;\n", "(295)"},
    };
    for (const deep_case& c : cases) {
        std::string messages;
        EXPECT_EQ(run_source(c.source, messages), 1) << c.what << "\n" << messages.substr(0, 2000);
        EXPECT_NE(messages.find(c.message), std::string::npos) << c.what << "\n" << messages.substr(0, 2000);
        EXPECT_EQ(messages.find("Sanitizer"), std::string::npos) << c.what;
    }
}

TEST(Program, NulBytesAndHugeLineNumbers) {
    std::string messages;
    // A NUL byte is an error on its own line and reading goes on past it.
    EXPECT_EQ(run_source(std::string("int a;\nint b;\0\nint c = ;\n", 24), messages), 1);
    EXPECT_NE(messages.find("     2:\tint b;\n\t      ^ (228) illegal character (00)"), std::string::npos) << messages;
    EXPECT_NE(messages.find("     3:\tint c = ;"), std::string::npos) << messages;
    EXPECT_EQ(run_source(std::string("\0\0\0", 3), messages), 1);
    EXPECT_NE(messages.find("(228)"), std::string::npos) << messages;
    // Line numbers saturate at the largest a message can show.
    EXPECT_EQ(run_source("# 2147483646 \"a.c\"\nint a;\nint b;\nint c;\nint d = ;\n", messages), 1);
    EXPECT_NE(messages.find("2147483647:\tint d = ;"), std::string::npos) << messages;
    EXPECT_EQ(run_source("# 99999999999999999999 \"a.c\"\nint d = ;\n", messages), 1);
    EXPECT_NE(messages.find("2147483647:\tint d = ;"), std::string::npos) << messages;
    EXPECT_EQ(messages.find("runtime error"), std::string::npos) << messages;
}
