// Probe program: drives the support library the way a pass does, for end-to-end tests.
//   --ver                 print the version block and exit 0
//   -E<digit>             configured layouts on (from BXC_*_FORMAT) for a digit 1-9
//   -W<level>             warning threshold
//   --pos=FILE,LINE,COL   source position for the messages that follow
//   --msg=N [ARG...]      report message N; ARGs up to the next option: digits are numbers
//   --kind=K,TEXT         report TEXT with the caller's kind K (alert_kind_message)
//   --edf=PATH            open a message file, as the programs' option does
//   --reload=ID           load the message file of language ID again (after start-up)
//   --remove=PATH         remove a file (to take the message file away)
//   --msgdisable=LIST     disable messages, as the programs' option does
//   --alloc=N             allocate N bytes
//   --getargs             read arguments from standard input and print them on standard output
//   --failed              exit with alert_failed()
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/getargs.h"
#include "common/msgfile.h"
#include "common/registry.h"

extern const char component_name[] = "ormprobe";

void exit_hook(int status)
{
    alert_print("exit hook %d", status);
}

namespace {
int32_t line_number = 0;
const char* line_start = nullptr;
const char* position = nullptr;
std::string file_name;
std::string source_line(200, ' ');

bool is_number(const char* s)
{
    if (!*s)
        return false;
    for (const char* p = s; *p; p++)
        if (*p < '0' || *p > '9')
            return false;
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (!std::strcmp(a, "--ver")) {
            print_version_block();
            return 0;
        }
        if (a[0] == '-' && a[1] == 'E' && a[2] >= '0' && a[2] <= '9') {
            alert_set_formatted(a[2] != '0');   // the layouts come from the environment
        } else if (a[0] == '-' && a[1] == 'W') {
            alert_set_level(std::atoi(a + 2));
        } else if (!std::strncmp(a, "--pos=", 6)) {
            std::string spec = a + 6;
            size_t c1 = spec.find(','), c2 = spec.rfind(',');
            file_name = spec.substr(0, c1);
            line_number = std::atoi(spec.c_str() + c1 + 1);
            line_start = source_line.c_str();
            position = line_start + std::atoi(spec.c_str() + c2 + 1);
            alert_set_position(file_name.c_str(), &line_number, &line_start, &position);
        } else if (!std::strncmp(a, "--msg=", 6)) {
            int number = std::atoi(a + 6);
            std::vector<const char*> args;
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0 && argv[i + 1][0] != '-')
                args.push_back(argv[++i]);
            if (args.empty())
                alert_message(number);
            else if (args.size() == 1 && is_number(args[0]))
                alert_message(number, std::atoi(args[0]));
            else if (args.size() == 1)
                alert_message(number, args[0]);
            else
                alert_message(number, args[0], args[1]);
        } else if (!std::strncmp(a, "--kind=", 7)) {
            std::string spec = a + 7;
            size_t comma = spec.find(',');
            alert_kind_message(spec.substr(0, comma).c_str(), "%s", spec.substr(comma + 1));
        } else if (!std::strncmp(a, "--edf=", 6)) {
            if (!msgfile_open(a + 6))
                alert_print("Could not open error description file %s\n", a + 6);
        } else if (!std::strncmp(a, "--reload=", 9)) {
            msgfile_load_language(std::atoi(a + 9));
        } else if (!std::strncmp(a, "--remove=", 9)) {
            std::remove(a + 9);
        } else if (!std::strncmp(a, "--msgdisable=", 13)) {
            alert_disable(a + 13);
        } else if (!std::strncmp(a, "--alloc=", 8)) {
            xfree(xalloc(static_cast<size_t>(std::strtoull(a + 8, nullptr, 10))));
        } else if (!std::strcmp(a, "--getargs")) {
            char** read = getargs(nullptr, "ormprobe");
            std::printf("args:");
            for (int k = 1; k < getargs_count; k++)
                std::printf("[%s]", read[k]);
            std::printf(" count=%d\n", getargs_count);
            for (int k = 0; k < getargs_count; k++)
                xfree(read[k]);
            xfree(read);
        } else if (!std::strcmp(a, "--failed")) {
            return alert_failed();
        }
    }
    return 0;
}
