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

void start_context(context& cx) {
    cx = context{};
    symtab_start(cx);
}

namespace {

// The run in progress, for the exit hook: a fatal message ends the program from deep inside it.
context* running = nullptr;

// Drops every output not yet committed: its temporary goes, the target stays as it was.
void drop_outputs(context& cx) {
    cx.out.writer.reset();
    cx.out.file = nullptr;
    cx.out.target.reset();
    cx.symout.file = nullptr;
    cx.opened.map.reset();
    cx.opened.sym.reset();
    cx.opened.listings.clear();
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

FILE* map_stream(context& cx) { return cx.opened.map ? cx.opened.map->stream() : stdout; }

replacing_file* open_listing(context& cx, const std::string& name) {
    auto file = std::make_unique<replacing_file>();
    if (!file->create(name, false)) return nullptr;
    cx.opened.listings.push_back(std::move(file));
    return cx.opened.listings.back().get();
}

// On success every output replaces its target together, or none does (fatal 413 naming the
// one that could not be written); on failure none does.
void link_cleanup(context& cx, bool success) {
    if (success && !cx.opened.closed) {
        cx.opened.closed = true;   // first: a failed write below comes back here through the exit hook
        std::vector<replacing_file*> files{output_finish(cx), cx.opened.map.get(), cx.opened.sym.get()};
        for (const auto& listing : cx.opened.listings) files.push_back(listing.get());
        if (replacing_file* failed = commit_together(files)) {
            std::string name = failed->target();
            drop_outputs(cx);
            alert_message(413, name.c_str());
        }
        if (!cx.opened.map && cx.opts.map && !flush_standard_output()) alert_message(413, "standard output");
    }
    drop_outputs(cx);
}

void link_exit(bool success) {
    if (running) link_cleanup(*running, success);
}

int link_main(int argc, char** argv) {
    context cx;
    start_context(cx);
    running = &cx;
    parse_command_line(cx, argc, argv);
    if (cx.opts.map && !cx.opts.map_file.empty()) cx.opened.map = open_side_output(cx.opts.map_file, "map");
    std::string out = output_name(cx);
    if (!output_open(cx, out)) {
        alert_message(378, "output", out.c_str());
        stop();
    }
    if (!cx.opts.sym_file.empty()) {
        cx.opened.sym = open_side_output(cx.opts.sym_file, "sym");
        cx.symout.file = cx.opened.sym->stream();
    }
    if (cx.opts.map) map_head_lines(cx);
    collect_placement_names(cx);
    for (const std::string& u : cx.opts.undefs) sym_enter(cx, u, FL_GLOBAL);
    run_passes(cx);
    int status = alert_failed() ? 1 : 0;
    link_cleanup(cx, status == 0);
    running = nullptr;
    return status;
}

}  // namespace lnk
