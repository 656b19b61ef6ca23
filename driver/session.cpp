// The driver's session: its state, its initialisation in the start-up option group, its
// message output and the removal of its temporary files.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/alert.h"
#include "common/alloc.h"
#include "common/osdep.h"
#include "common/registry.h"
#include "driver/handlers.h"
#include "driver/memory.h"
#include "driver/names.h"
#include "driver/state.h"
#include "platform/platform.h"

driver_state drv;

namespace {

void remove_temporaries() {
    if (!drv.temps_made) return;
    for (const std::string& t : drv.temp) delete_file(t);
    delete_file(drv.temp_map);
    for (const std::string& r : drv.removals) delete_file(r);
}

void on_interrupt(int) {
    // Only removals and the exit itself: the pass that was running got the signal too.
    if (drv.temps_made && !drv.nodel) {
        for (const std::string& t : drv.temp) remove(t.c_str());
        if (!drv.temp_map.empty()) remove(drv.temp_map.c_str());
        for (const std::string& r : drv.removals) remove(r.c_str());
    }
    _Exit(2);
}

}  // namespace

void driver_cleanup() { remove_temporaries(); }

void driver_message_output(const char* line) {
    fflush(stdout);
    fputs(line, stderr);
    fflush(stderr);
}

void driver_initialise() {
    // A driver started with interrupts ignored (in the background) keeps ignoring them.
    void (*previous)(int) = std::signal(SIGINT, SIG_IGN);
    if (previous != SIG_IGN) {
        std::signal(SIGINT, previous);
        plat::on_interrupt(on_interrupt);
    }
    char* dir = install_dir(SUB_INSTALL);
    if (!dir) alert_message(1228);
    if (!dir) exit_hook(1);
    drv.install_dir = dir;
    xfree(dir);
    char* chip_file = install_path(SUB_DAT, "ormc-lite.ini");
    drv.chip_file = chip_file ? chip_file : "";
    xfree(chip_file);
    char* include = install_dir(SUB_INCLUDE);
    drv.include_dir = include ? include : "";
    xfree(include);
    for (std::string& t : drv.temp) {
        char* name = make_temp_name();
        t = name;
        xfree(name);
    }
    drv.temps_made = true;
    drv.pre_args = {"-DBRYLLEX_C", "-D__ORMC__", "-D__ORMCLITE__", "-SP1,1,1,1,1,1,1"};
    memory_init_spaces();
    memory_install_hooks();
    const char* msgfile = alert_msgfile_name();
    drv.msgfile = msgfile ? msgfile : "";
}

