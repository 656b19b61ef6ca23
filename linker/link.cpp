#include "linker/link.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/alert.h"
#include "linker/avmap.h"
#include "linker/callgraph.h"
#include "linker/classes.h"
#include "linker/context.h"
#include "linker/mapfile.h"
#include "linker/options.h"
#include "linker/output.h"
#include "linker/passes.h"
#include "linker/placement.h"
#include "linker/records.h"
#include "linker/reloc.h"
#include "linker/symout.h"
#include "linker/symtab.h"

namespace lnk {

context run_context;

void start_context() {
    run_context = context{};
    symtab_start();
}

namespace {

side_outputs& opened = run_context.opened;

#ifdef _WIN32
constexpr const char* null_device = "NUL";
#else
constexpr const char* null_device = "/dev/null";
#endif

}  // namespace

void link_cleanup(bool success) {
    output_close(success);
    if (symout.file) {
        std::fclose(symout.file);
        symout.file = nullptr;
        if (!success && !opened.sym.empty()) std::remove(opened.sym.c_str());
    }
    opened.sym.clear();
    std::fflush(stdout);
    if (!success && !opened.map.empty()) {
        // The map is standard output: let it go before removing the file.
        if (std::freopen(null_device, "w", stdout)) std::remove(opened.map.c_str());
    }
    opened.map.clear();
}

namespace {

[[noreturn]] void stop() {
    exit_hook(1);
    std::exit(1);
}

}  // namespace

int link_main(int argc, char** argv) {
    start_context();
    parse_command_line(argc, argv);
    if (opts.map && !opts.map_file.empty()) {
        if (!std::freopen(opts.map_file.c_str(), "w", stdout)) {
            alert_message(378, "map", opts.map_file.c_str());
            stop();
        }
        opened.map = opts.map_file;
    }
    std::string out = output_name();
    if (!output_open(out)) {
        alert_message(378, "output", out.c_str());
        stop();
    }
    if (!opts.sym_file.empty()) {
        symout.file = std::fopen(opts.sym_file.c_str(), "w");
        if (!symout.file) {
            alert_message(378, "sym", opts.sym_file.c_str());
            stop();
        }
        opened.sym = opts.sym_file;
    }
    if (opts.map) map_head_lines();
    collect_placement_names();
    for (const std::string& u : opts.undefs) sym_enter(u, FL_GLOBAL);
    run_passes();
    int status = alert_failed() ? 1 : 0;
    link_cleanup(status == 0);
    return status;
}

}  // namespace lnk
