// The driver's session: its state, its initialisation in the start-up option group, its
// message output and the removal of its temporary files.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
    settle_image(false);
    if (!drv.temps_made) return;
    for (const std::string& t : drv.temp) delete_file(t);
    delete_file(drv.temp_map);
    for (const std::string& r : drv.removals) delete_file(r);
}

volatile sig_atomic_t interrupted = 0;

void on_interrupt(int sig) {
    // A running pass gets the interrupt and the driver waits for it to end; the cleanup then
    // runs outside signal context (driver_stop_if_interrupted).
    if (plat::interrupt_running_child(sig)) {
        interrupted = sig;
        return;
    }
    // Only removals and the exit itself.
    if (!drv.image_backup.empty()) rename(drv.image_backup.c_str(), drv.image_name.c_str());
    else if (!drv.image_name.empty() && !drv.image_existed) remove(drv.image_name.c_str());
    if (drv.temps_made && !drv.nodel) {
        for (const std::string& t : drv.temp) remove(t.c_str());
        if (!drv.temp_map.empty()) remove(drv.temp_map.c_str());
        for (const std::string& r : drv.removals) remove(r.c_str());
    }
    _Exit(2);
}

}  // namespace

void guard_image(const std::string& name) {
    if (drv.noexec || !drv.image_name.empty()) return;
    drv.image_name = name;
    drv.image_existed = plat::file_exists(name);
    if (!drv.image_existed) return;
    // A second name for the same file costs no room on a full disk; a copy where links fail.
    std::string backup = dir_part(name) + "~" + plat::unique_name_fragment();
    std::error_code error;
    std::filesystem::create_hard_link(name, backup, error);
    if (error) std::filesystem::copy_file(name, backup, error);
    if (!error) drv.image_backup = backup;
}

void settle_image(bool complete) {
    if (drv.image_name.empty()) return;
    if (!complete) {
        if (!drv.image_backup.empty()) plat::rename_replace(drv.image_backup, drv.image_name);
        else if (!drv.image_existed) remove(drv.image_name.c_str());
    } else if (!drv.image_backup.empty()) {
        remove(drv.image_backup.c_str());
    }
    drv.image_name.clear();
    drv.image_backup.clear();
}

void driver_cleanup() { remove_temporaries(); }

void driver_stop_if_interrupted() {
    if (!interrupted) return;
    exit_hook(2);
}

void driver_message_output(const char* line) {
    fflush(stdout);
    fputs(line, stderr);
    fflush(stderr);
}

void driver_initialise() {
    // A driver started with interrupts ignored (in the background) keeps ignoring them.
    plat::on_interrupt_unless_ignored(on_interrupt);
    plat::survive_closed_pipe();
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

