// ormpatch: merges Intel HEX files, applies fills, serials, strings, find/replace and
// checksums, and writes the result as one Intel HEX file with an optional log.
//
// Every input is read before the output is written, and the output and the log are written
// under temporary names beside their targets: the driver names one file as the first input
// and as the output, and a failing run must leave that file as it was.
#include <cstdio>
#include <cstdlib>

#include "common/alert.h"
#include "common/replace_file.h"
#include "outtools/ormpatch/patch.h"

extern const char component_name[] = "ormpatch";

void exit_hook(int status) {
    discard_pending_outputs();
    std::exit(status);
}

int main(int argc, char** argv) {
    alert_set_max_errors(10);
    patch::Settings settings = patch::parse_command_line(argc, argv);

    replacing_file log;
    if (!settings.log.empty()) {
        if (!log.create(settings.log, false)) alert_message(378, "logfile", settings.log.c_str());
        fputs("### ORMPatch logfile and output summary ###\n", log.stream());
    }

    patch::Image image;
    for (const patch::InputSpec& input : settings.inputs) image.add_input(input.name);
    for (size_t i = 0; i < settings.inputs.size(); ++i)
        patch::read_input(image, settings.inputs[i], static_cast<int>(i));
    patch::apply_operations(image, settings, log.stream());

    if (settings.output.empty()) {
        patch::write_hex(image, settings, stdout, "standard output");
        if (fflush(stdout) != 0) alert_message(413, "standard output");
    } else {
        replacing_file out;
        if (!out.create(settings.output, false)) alert_message(378, "output", settings.output.c_str());
        patch::write_hex(image, settings, out.stream(), settings.output);
        if (out.commit() != 1) alert_message(378, "output", settings.output.c_str());
    }

    if (log.stream()) {
        patch::write_log_summary(image, settings, log.stream());
        if (log.commit() != 1) alert_message(378, "logfile", settings.log.c_str());
    }
    exit_hook(alert_failed() ? 1 : 0);
}
