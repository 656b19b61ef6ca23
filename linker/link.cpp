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

// Drops every output not yet committed: its temporary goes, the target stays as it was.
void drop_outputs() {
    run_context.out.writer.reset();
    run_context.out.file = nullptr;
    run_context.out.target.reset();
    symout.file = nullptr;
    opened.map.reset();
    opened.sym.reset();
    opened.listings.clear();
}

[[noreturn]] void stop() {
    exit_hook(1);
    std::exit(1);
}

// A side output under a temporary name; fatal 378 when it cannot be made.
std::unique_ptr<replacing_file> open_side_output(const std::string& name, const char* what) {
    auto file = std::make_unique<replacing_file>();
    if (!file->create(name, false)) {
        alert_message(378, what, name.c_str());
        stop();
    }
    return file;
}

}  // namespace

FILE* map_stream() { return opened.map ? opened.map->stream() : stdout; }

replacing_file* open_listing(const std::string& name) {
    auto file = std::make_unique<replacing_file>();
    if (!file->create(name, false)) return nullptr;
    opened.listings.push_back(std::move(file));
    return opened.listings.back().get();
}

// On success every output replaces its target together, or none does (fatal 413 naming the
// one that could not be written); on failure none does.
void link_cleanup(bool success) {
    if (success && !opened.closed) {
        opened.closed = true;   // first: a failed write below comes back here through the exit hook
        std::vector<replacing_file*> files{output_finish(), opened.map.get(), opened.sym.get()};
        for (const auto& listing : opened.listings) files.push_back(listing.get());
        if (replacing_file* failed = commit_together(files)) {
            std::string name = failed->target();
            drop_outputs();
            alert_message(413, name.c_str());
        }
        if (!opened.map && opts.map && !flush_standard_output()) alert_message(413, "standard output");
    }
    drop_outputs();
}

int link_main(int argc, char** argv) {
    start_context();
    parse_command_line(argc, argv);
    if (opts.map && !opts.map_file.empty()) opened.map = open_side_output(opts.map_file, "map");
    std::string out = output_name();
    if (!output_open(out)) {
        alert_message(378, "output", out.c_str());
        stop();
    }
    if (!opts.sym_file.empty()) {
        opened.sym = open_side_output(opts.sym_file, "sym");
        symout.file = opened.sym->stream();
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
