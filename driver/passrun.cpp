// The pass runner and the stage timer.
#include "driver/passrun.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "driver/handlers.h"
#include "driver/names.h"
#include "driver/state.h"

const char* const pass_names[PASS_COUNT] = {"ormannot", "ormpre",  "ormparse", "ormcg",   "ormasm", "ormlink",
                                            "ormhex",   "ormpatch", "ormconv", "ormarch", "ormxref"};

void arglist::appendf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    char* text = vformat_string(format, args);
    va_end(args);
    append(text);
    xfree(text);
}

namespace {

[[noreturn]] void fatal_stop() {
    exit_hook(1);
    exit(1);
}

FILE* open_option_file(const std::string& name, const char* mode, int32_t pass) {
    FILE* f = fopen(name.c_str(), mode);
    if (!f) {
        alert_message(899, name.c_str(), pass_names[pass]);
        fatal_stop();
    }
    return f;
}


// Replaces the configurable entries with the lines of the option file.
void replace_configurable(arglist& list, std::vector<std::string> lines) {
    std::vector<arg_entry> result;
    size_t next = 0;
    long last_received = -1;
    for (arg_entry& e : list.entries) {
        if (!(e.flags & ARG_CONFIGURABLE)) {
            result.push_back(e);
            continue;
        }
        if (next < lines.size()) {
            result.push_back({lines[next++], ARG_CONFIGURABLE});
            last_received = long(result.size()) - 1;
        }
    }
    std::vector<arg_entry> rest;
    for (; next < lines.size(); ++next) rest.push_back({lines[next], ARG_CONFIGURABLE});
    if (last_received < 0) result.insert(result.begin(), rest.begin(), rest.end());
    else result.insert(result.begin() + last_received + 1, rest.begin(), rest.end());
    list.entries = result;
}

struct stage_record {
    std::string name;
    double ms = 0;
};
std::vector<stage_record> stages;
int running_stage = -1;
std::chrono::steady_clock::time_point stage_began;
const std::chrono::steady_clock::time_point driver_began = std::chrono::steady_clock::now();

}  // namespace

// Reads whole lines (any length), one trailing newline cut; a file written on Windows has
// CR LF line ends, and the CR goes with the newline.
std::vector<std::string> read_lines(FILE* f) {
    std::vector<std::string> lines;
    std::string line;
    int c;
    bool any = false;
    while ((c = fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
            any = false;
            continue;
        }
        line += char(c);
    }
    if (any) lines.push_back(line);
    return lines;
}

bool run_pass(arglist& list) {
    const std::string& option_file = drv.option_files[size_t(list.pass)];
    if (drv.getoption) {
        if (!option_file.empty()) {
            FILE* f = open_option_file(option_file, "w+", list.pass);
            for (const arg_entry& e : list.entries)
                if (e.flags & ARG_CONFIGURABLE) fprintf(f, "%s\n", e.text.c_str());
            fclose(f);
        }
        list.entries.clear();
        return true;
    }
    if (drv.setoption && !option_file.empty()) {
        FILE* f = open_option_file(option_file, "r", list.pass);
        replace_configurable(list, read_lines(f));
        fclose(f);
    }
    if (drv.errors != 0) list.prepend("--emax=" + std::to_string(drv.errors));
    if (!drv.msgdisable.empty()) list.prepend("--msgdisable=" + drv.msgdisable);
    list.prepend(std::string("--edf=") + drv.msgfile);
    if (drv.warn != 0) list.prepend("-W" + std::to_string(drv.warn));
    list.prepend(std::string(pass_names[list.pass]) + ".exe");

    std::string program = join_dir(join_dir(drv.install_dir, "bin"), pass_names[list.pass]);
    if (drv.verbose) {
        std::string line;
        for (const arg_entry& e : list.entries) {
            char* quoted = quote_if_spaces(e.text.c_str());
            if (!line.empty()) line += ' ';
            line += quoted;
            xfree(quoted);
        }
        alert_print("%s", line.c_str());
    }
    if (drv.noexec) return true;
    std::vector<char*> argv;
    for (arg_entry& e : list.entries) argv.push_back(e.text.data());
    argv.push_back(nullptr);
    fflush(stdout);
    int status = os_spawn(program.c_str(), argv.data());
    driver_stop_if_interrupted();
    if (status == OS_SPAWN_FAILED) {
        alert_message(900, program.c_str());
        fatal_stop();
    }
    if (status != 0) {
        ++drv.failures;
        if (!drv.ide_mode) alert_message(908, status);
        return false;
    }
    return true;
}

void stage_start(const char* name) {
    auto now = std::chrono::steady_clock::now();
    if (running_stage >= 0) {
        if (name && stages[size_t(running_stage)].name == name) return;
        stages[size_t(running_stage)].ms += std::chrono::duration<double, std::milli>(now - stage_began).count();
        running_stage = -1;
    }
    if (!name) return;
    for (size_t i = 0; i < stages.size(); ++i)
        if (stages[i].name == name) running_stage = int(i);
    if (running_stage < 0) {
        stages.push_back({name, 0});
        running_stage = int(stages.size()) - 1;
    }
    stage_began = now;
}

void stage_report() {
    stage_start(nullptr);
    int width = 5;
    for (const stage_record& s : stages) width = std::max(width, int(s.name.size()));
    printf("Compilation stage times:\n");
    for (const stage_record& s : stages) printf("%-*s%9.2f\n", width, s.name.c_str(), s.ms / 1000);
    double total = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - driver_began).count();
    printf("%-*s%9.2f secs\n", width, "TOTAL", total / 1000);
    fflush(stdout);
}
