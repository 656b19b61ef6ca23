// ormasm: assembles PIC14 assembly of the psect dialect into an object file.
// Exit status 0 exactly when the output file was written whole; a failed run leaves every
// file as it found it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "asmtools/ormasm/assembler.h"
#include "asmtools/ormasm/listing.h"
#include "asmtools/ormasm/objout.h"
#include "common/alert.h"
#include "common/pass_startup.h"
#include "common/replace_file.h"
#include "objfmt/record_io.h"

extern const char component_name[] = "ormasm";

namespace {

struct command_line {
    asmx::assembler_options options;
    bool assembly_output = false;   // -a
    std::string listing;
    std::string source;
    std::string output;   // -o
};

bool starts(const char* arg, const char* prefix) {
    return std::strncmp(arg, prefix, std::strlen(prefix)) == 0;
}

// Arguments come only from the command line: without any there is no source to assemble.
const pass_startup startup{.name = "ormasm",
                           .arguments_from_input = false,
                           .command_file = false,
                           .message_style = message_style_option::digit,
                           .warning_level = true};

// Reads the arguments; false (after a message) when one is not understood.
bool read_arguments(int argc, char** argv, command_line& cl) {
    bool ok = true;
    pass_settings prefix;
    for (const std::string& text : pass_arguments(argc, argv, startup)) {
        const char* a = text.c_str();
        if (pass_prefix_option(text, startup, prefix)) {
            if (prefix.message_style > 0) alert_set_formatted(1);
        } else if (starts(a, "--chip=") || starts(a, "-ver=") || starts(a, "-C") ||
                   std::strcmp(a, "-icd") == 0 || std::strcmp(a, "-o") == 0) {
            // The chip is named by the source's processor line, and the code is written
            // as given: these are accepted for the driver's command line.
        } else if (std::strcmp(a, "-v") == 0) {
            cl.options.line_symbols = true;
        } else if (std::strcmp(a, "-x") == 0) {
            cl.options.strip_locals = true;
        } else if (std::strcmp(a, "-a") == 0) {
            cl.assembly_output = true;
        } else if (starts(a, "-l") && a[2]) {
            cl.listing = a + 2;
            cl.options.listing = true;
        } else if (starts(a, "-R") && a[2]) {
            char* end = nullptr;
            unsigned long rom = std::strtoul(a + 2, &end, 16);
            if (*end || rom > 0xFFFFFFFFul) {
                alert_message(2817, a);
                ok = false;
            }
            cl.options.rom_words = uint32_t(rom);
        } else if (starts(a, "-o") && a[2]) {
            cl.output = a + 2;
        } else if (a[0] == '-' && a[1]) {
            alert_message(2817, a);
            ok = false;
        } else if (cl.source.empty()) {
            cl.source = a;
        } else {
            alert_message(2818);
            ok = false;
        }
    }
    if (cl.source.empty()) {
        alert_message(2818);
        ok = false;
    }
    return ok;
}

std::string default_output(const std::string& source, bool assembly) {
    size_t slash = source.find_last_of("/\\");
    size_t dot = source.find_last_of('.');
    std::string base = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                           ? source.substr(0, dot)
                           : source;
    return base + (assembly ? ".as" : ".obj");
}

void open_or_fail(replacing_file& file, const std::string& path, const char* what) {
    if (!file.create(path, true)) alert_message(2816, what, path.c_str());
}

// The object and the listing replace their targets together, or neither does.
void write_outputs(const command_line& cl, const std::string& output, const std::vector<uint8_t>& object,
                   const std::string& listing_text) {
    replacing_file out, listing;
    open_or_fail(out, output, "output");
    if (!cl.listing.empty()) open_or_fail(listing, cl.listing, "listing");
    bool written = object.empty() || std::fwrite(object.data(), 1, object.size(), out.stream()) == object.size();
    if (!written) alert_message(2816, "output", output.c_str());
    if (listing.stream() &&
        std::fwrite(listing_text.data(), 1, listing_text.size(), listing.stream()) != listing_text.size())
        alert_message(2816, "listing", cl.listing.c_str());
    if (replacing_file* failed = commit_together({&out, listing.stream() ? &listing : nullptr}))
        alert_message(2816, failed == &out ? "output" : "listing", failed->target().c_str());
}

}  // namespace

void exit_hook(int status) {
    discard_pending_outputs();
    std::exit(status);
}

int main(int argc, char** argv) {
    command_line cl;
    if (!read_arguments(argc, argv, cl)) return 1;
    std::string output = cl.output.empty() ? default_output(cl.source, cl.assembly_output) : cl.output;
    refuse_output_over_input(output, {cl.source});
    refuse_output_over_input(cl.listing, {cl.source});
    std::vector<uint8_t> text;
    if (!obj::read_file(cl.source, text)) alert_message(2815, "source", cl.source.c_str());
    asmx::assembler a(cl.options);
    bool ok = a.assemble(cl.source, std::string(text.begin(), text.end()));
    std::vector<uint8_t> out;
    if (ok) ok = cl.assembly_output ? (out = text, true) : asmx::build_object(a, out);
    if (!ok || alert_failed()) return 1;
    write_outputs(cl, output, out, cl.listing.empty() ? std::string() : asmx::make_listing(a, cl.source));
    return alert_failed() ? 1 : 0;
}
