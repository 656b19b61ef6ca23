// ormconv: reads symbol, debug and hex files into one model and writes it in other formats.
//   ormconv [options] input_files ... -okey [-okey ... ] output_file
#include <cstdio>
#include <cstdlib>

#include "common/alert.h"
#include "converter/context.h"
#include "converter/formats.h"
#include "converter/options.h"
#include "common/replace_file.h"

extern const char component_name[] = "ormconv";

void exit_hook(int status) {
    discard_pending_outputs();
    std::fflush(stdout);
    std::exit(status);
}

namespace conv {

namespace {

uint32_t identify(conv_context& ctx, FILE* in, const std::string& name) {
    verbose_msg(ctx, "Checking '%s' file type ...", name.c_str());
    if (ctx.opt.input_format) {
        verbose_msg(ctx, "Defaulting to %s", format_row(ctx.opt.input_format).display_name);
        return ctx.opt.input_format;
    }
    for (uint32_t n = 1; n <= FORMAT_COUNT; ++n) {
        std::rewind(in);
        if (format_row(n).probe(ctx, in)) {
            verbose_msg(ctx, "Confirmed as %s", format_row(n).display_name);
            return n;
        }
        verbose_msg(ctx, "Not %s", format_row(n).display_name);
    }
    alert_message(605);
    return 0;
}

void read_input(conv_context& ctx, const std::string& name) {
    FILE* in = std::fopen(name.c_str(), "rb");
    if (!in) alert_message(141, "input", name.c_str());
    uint32_t n = identify(ctx, in, name);
    const format_desc& f = format_row(n);
    std::rewind(in);
    if (ctx.opt.dump) {
        std::fflush(stderr);
        if (!f.dump(ctx, in)) alert_message(634, name.c_str());
        std::fputc('\n', stdout);
        std::fflush(stdout);
    } else if (!ctx.opt.check_only) {
        verbose_msg(ctx, "Reading '%s' as %s", name.c_str(), f.display_name);
        std::fflush(stderr);
        f.read(ctx, in, name);
        std::fflush(stdout);
    }
    std::fclose(in);
}

// The dot that starts an extension, in the last path component only.
size_t extension_dot(const std::string& name) {
    size_t slash = name.find_last_of("/\\");
    size_t dot = name.rfind('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : std::string::npos;
}

std::string output_name(const output_request& out, const std::string& previous) {
    const char* ext = format_row(out.format).default_ext;
    if (!out.name.empty())
        return extension_dot(out.name) == std::string::npos ? out.name + "." + ext : out.name;
    return previous.substr(0, extension_dot(previous)) + "." + ext;
}

bool write_output(conv_context& ctx, const format_desc& f, const std::string& name) {
    replacing_file file;
    if (!file.create(name, f.binary)) alert_message(378, "output", name.c_str());
    verbose_msg(ctx, "Writing '%s' as %s", name.c_str(), f.display_name);
    std::fflush(stderr);
    if (!f.write(ctx, file.stream(), name)) return false;   // the temporary goes with `file`
    if (std::ferror(file.stream())) alert_message(413, name.c_str());
    if (file.commit() != 1) alert_message(413, name.c_str());
    return true;
}

}  // namespace

int run(int argc, char** argv) {
    conv_context ctx;
    read_command_line(ctx, argc, argv);
    conv_options& opt = ctx.opt;
    if (!opt.inputs.empty()) alert_set_position(opt.inputs[0].c_str(), nullptr, nullptr, nullptr);
    if (opt.outputs.empty() && !opt.dump && !opt.check_only) alert_message(613);
    if (opt.inputs.empty()) alert_message(614);

    for (const std::string& name : opt.inputs) read_input(ctx, name);
    verbose_msg(ctx, "Read %d input files", int(opt.inputs.size()));
    if (opt.verbose_level) ctx.dbg.dump(ctx.machine.current);
    if (opt.check_only) return 0;
    ctx.md.complete(opt.verbose_level);

    std::string previous = opt.inputs[0];
    int written = 0;
    for (const output_request& out : opt.outputs) {
        std::string name = output_name(out, previous);
        previous = name;
        if (write_output(ctx, format_row(out.format), name)) ++written;
    }
    if (written > 1) verbose_msg(ctx, "Wrote %d output files", written);
    return alert_failed() ? 1 : 0;
}

}  // namespace conv

int main(int argc, char** argv) { exit_hook(conv::run(argc, argv)); }
