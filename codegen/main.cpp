// ormcg: reads the intermediate code of one module and writes PIC midrange assembly.
#include <unistd.h>

#include <csignal>
#include <new>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "codegen/asmout.h"
#include "codegen/context.h"
#include "codegen/defer.h"
#include "codegen/options.h"
#include "codegen/reader.h"
#include "codegen/sdb.h"
#include "common/alert.h"
#include "common/pass_startup.h"
#include "icode/icode.h"

extern const char component_name[] = "code generator";

namespace {

// The output is written under a temporary name beside it and renamed on success, so a failed
// run leaves no half-written file. The signal handler may only use these fixed copies.
std::string output_name, partial_name;
char signal_unlink_name[4096];

void remove_partial() {
    if (!partial_name.empty()) {
        std::remove(partial_name.c_str());
        partial_name.clear();
        signal_unlink_name[0] = 0;
    }
}

extern "C" void on_interrupt(int) {
    if (signal_unlink_name[0]) unlink(signal_unlink_name);
    _exit(151);
}

void open_files(cg::cg_context& ctx, const std::vector<std::string>& args, size_t first) {
    if (first < args.size()) {
        ctx.opt.input = args[first];
        ctx.in = std::fopen(ctx.opt.input.c_str(), "r");
        if (!ctx.in) alert_message(141, "input", ctx.opt.input.c_str());
    }
    if (first + 1 < args.size()) {
        output_name = args[first + 1];
        partial_name = output_name + ".part";
        std::snprintf(signal_unlink_name, sizeof signal_unlink_name, "%s", partial_name.c_str());
        ctx.out = std::fopen(partial_name.c_str(), "w");
        if (!ctx.out) {
            partial_name.clear();
            signal_unlink_name[0] = 0;
            alert_message(378, "output", output_name.c_str());
        }
    }
}

}  // namespace

void exit_hook(int) { remove_partial(); }

int main(int argc, char** argv) {
    // Memory running out is a numbered message and status 1, not an abort.
    std::set_new_handler([] {
        alert_message(157, 0u);
        exit_hook(1);
        std::_Exit(1);
    });
    alert_set_max_errors(10);
    alert_set_warn_fails(0);
    const std::vector<std::string> args = pass_arguments(argc, argv, cg::startup);
    static cg::cg_context ctx;
    size_t first = cg::apply_options(ctx, args);
    if (ctx.proc.name.empty()) cg::setup_processor(ctx, "");
    alert_set_position(nullptr, &ctx.line, nullptr, nullptr);
    // Caught before the output is created, so an interrupt always removes it.
    auto previous = std::signal(SIGINT, on_interrupt);
    if (previous == SIG_IGN) std::signal(SIGINT, SIG_IGN);
    open_files(ctx, args, first);
    if (!ctx.opt.sdb_name.empty()) cg::sdb_open(ctx, ctx.opt.sdb_name);
    cg::setup_architecture(ctx);
    cg::write_header(ctx);
    cg::sdb_header(ctx);
    cg::init_basic_types(ctx);

    cg::ic_scanner scan(ctx, ctx.in);
    std::string version = scan.first_line();
    int major = 0, minor = 0;
    if (std::sscanf(version.c_str(), "Version %d.%d", &major, &minor) != 2 || major != ic::version_major ||
        minor < ic::version_minor)
        alert_message(718, ic::version_major, ic::version_minor);
    cg::read_module(ctx, scan);
    cg::spool_close(ctx);

    cg::sdb_close(ctx);
    bool write_failed = std::fflush(ctx.out) != 0 || std::ferror(ctx.out);
    if (ctx.out != stdout) write_failed |= std::fclose(ctx.out) != 0;
    ctx.out = nullptr;
    if (write_failed) alert_message(739);
    if (alert_failed()) {
        remove_partial();
        return 1;
    }
    if (!partial_name.empty()) {
        if (std::rename(partial_name.c_str(), output_name.c_str()) != 0) {
            remove_partial();
            alert_message(378, "output", output_name.c_str());
            return 1;
        }
        partial_name.clear();
        signal_unlink_name[0] = 0;
    }
    return 0;
}
