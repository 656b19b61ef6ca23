// Writes an absolute object whose image fills the given number of bytes from address 0 with
// a changing pattern, for the conversion benchmark.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "common/alert.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"

extern const char component_name[] = "make_object";
void exit_hook(int status) { std::exit(status); }

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: make_object output.obj bytes\n");
        return 2;
    }
    FILE* out = fopen(argv[1], "wb");
    if (!out) return 1;
    obj::record_writer writer(out);
    obj::body_builder ident;
    obj::encode_ident(ident, obj::ident_rec{obj::byte_order(), "16F877", false, 0, 0});
    writer.write_record(obj::IDENT, ident.data());
    const uint32_t size = static_cast<uint32_t>(strtoul(argv[2], nullptr, 0));
    const uint32_t chunk = 256;
    for (uint32_t address = 0; address < size; address += chunk) {
        std::vector<uint8_t> data;
        for (uint32_t i = address; i < address + chunk && i < size; ++i)
            data.push_back(static_cast<uint8_t>(i % 2 ? (i >> 9) & 0x3F : i * 7));
        obj::body_builder text;
        obj::encode_text(text, obj::text_rec{address, "text", data});
        writer.write_record(obj::TEXT, text.data());
    }
    obj::body_builder start;
    obj::encode_start(start, obj::start_rec{0, "text"});
    writer.write_record(obj::START, start.data());
    uint8_t end[2] = {0, 0};
    writer.write_record(obj::END, end, 2);
    writer.flush();
    return fclose(out) == 0 && writer.ok() ? 0 : 1;
}
