// ormhex: turns the linker's absolute object into a hex, binary or executable image.
// The output and the symbol list are written under temporary names and moved into place only
// when the whole image was written, so a failing run leaves no half-written file.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "common/alert.h"
#include "common/replace_file.h"
#include "outtools/ormhex/hexconv.h"

extern const char component_name[] = "ormhex";

static hex::PageImage* the_image = nullptr;

void exit_hook(int status) {
    if (the_image) the_image->drop_swap();
    discard_pending_outputs();
    std::exit(status);
}

namespace {

std::string read_checksum_text(const hex::HexOptions& options) {
    FILE* in = stdin;
    if (!options.checksum_file.empty()) {
        in = fopen(options.checksum_file.c_str(), "r");
        if (!in) alert_message(141, "checksum", options.checksum_file.c_str());
    }
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, n);
    if (in != stdin) fclose(in);
    return text;
}

// The output's file name without its directory and extension.
std::string module_name(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

int main(int argc, char** argv) {
    hex::HexOptions options = hex::parse_hex_options(argc, argv);
    refuse_output_over_input(options.output, {options.input});
    refuse_output_over_input(options.symbol_file, {options.input});

    FILE* in = fopen(options.input.c_str(), "rb");
    if (!in) alert_message(141, "input", options.input.c_str());
    std::vector<hex::ChecksumEntry> checksums;
    if (options.checksums) checksums = hex::parse_checksum_list(read_checksum_text(options));

    replacing_file symbol_file;
    if (!options.symbol_file.empty() && !symbol_file.create(options.symbol_file, false))
        alert_message(141, "symbol", options.symbol_file.c_str());

    const hexfmt::FormatRow& row = hexfmt::format_row(options.format);
    const bool binary = row.binary_mode || options.exec != hex::ExecImage::none;
    replacing_file output;
    if (!output.create(options.output, binary)) alert_message(141, "output", options.output.c_str());
    hexfmt::OutFile out;
    out.attach(output.stream(), options.output);

    hexfmt::ImageInfo info;
    info.input_name = options.input;
    info.module_name = module_name(options.output);
    info.linear = options.linear;
    info.fill = options.fill;
    info.has_fill_end = options.fill_end_set;
    info.fill_end = options.fill_end;
    info.has_base = options.base_set;
    info.base = options.base;
    time_t now = time(nullptr);
    info.date = *localtime(&now);

    std::unique_ptr<hexfmt::FormatWriter> writer;
    if (options.exec == hex::ExecImage::none) writer = row.make(out, info);

    hex::PageImage image;
    the_image = &image;
    hex::ObjectData data;
    hex::read_object(in, options, image, info, writer.get(), symbol_file.stream(), data);
    fclose(in);

    const bool table_in_header = options.exec == hex::ExecImage::msdos && options.reloc_long &&
                                 options.reloc_symbol == "Dos_hdr";
    if (options.reloc && options.exec != hex::ExecImage::p_header && !table_in_header)
        hex::store_relocation_table(image, options, data, info.order);
    hex::apply_checksums(image, checksums, info.order);
    image.sort();
    info.lowest = image.lowest();
    info.highest = image.highest();
    if (!data.has_start) info.start = info.lowest;

    if (writer) {
        writer->begin();
        hex::write_records(image, row, options, *writer);
        writer->finish();
    } else {
        std::vector<uint8_t> bytes = hex::build_executable(image, options, data, info);
        out.write(bytes.data(), bytes.size());
    }

    if (symbol_file.stream() && symbol_file.commit() != 1) alert_message(141, "symbol", options.symbol_file.c_str());
    if (output.commit() != 1) alert_message(739);
    exit_hook(alert_failed() ? 1 : 0);
}
