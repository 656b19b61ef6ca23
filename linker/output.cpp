#include "linker/output.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/alert.h"
#include "linker/context.h"
#include "linker/options.h"
#include "linker/util.h"
#include "objfmt/record_io.h"
#include "objfmt/records.h"

namespace lnk {

namespace {

output_state& out = run_context.out;

[[noreturn]] void write_failed() {
    alert_message(413, out.name.c_str());
    exit_hook(1);
    std::exit(1);
}

void check(bool ok) {
    if (!ok || !out.writer->ok()) write_failed();
}

void add(uint8_t type, const obj::body_builder& b) {
    if (!out.writer) return;
    check(out.writer->add_entry(type, b.data()));
}

}  // namespace

bool output_open(const std::string& name) {
    out.name = name;
    out.target = std::make_unique<replacing_file>();
    if (!out.target->create(name, true)) return false;
    out.file = out.target->stream();
    out.writer = std::make_unique<obj::record_writer>(out.file);
    if (opts.symbols_only)
        out.writer->set_filter([](uint8_t type) { return type == obj::SYM || type == obj::XSYM || type == obj::SIGNAT; });
    return true;
}

bool output_is_open() { return out.file != nullptr; }

replacing_file* output_finish() {
    if (!out.file) return nullptr;
    if (out.writer) check(out.writer->flush());
    out.writer.reset();
    out.file = nullptr;
    return out.target.get();
}

void output_set_order(const obj::byte_order& order) { out.order = order; }
const obj::byte_order& output_order() { return out.order; }

void out_record(uint8_t type, const std::vector<uint8_t>& body) {
    if (!out.writer || opts.binary) return;
    check(out.writer->write_record(type, body));
}

void out_sym(uint32_t value, uint16_t flags, bool xsym, uint16_t selector, const std::string& psect,
             const std::string& name) {
    obj::sym_entry e;
    e.value = value;
    e.flags = flags;
    e.selector = selector;
    e.psect = psect;
    e.name = name;
    obj::body_builder b(out.order);
    obj::encode_sym_entry(b, e, xsym);
    add(xsym ? obj::XSYM : obj::SYM, b);
}

void out_psect(uint16_t flags, const std::string& name) {
    if (opts.binary) return;
    obj::psect_rec r;
    r.flags = flags;
    r.name = name;
    obj::body_builder b(out.order);
    obj::encode_psect(b, r);
    out_record(obj::PSECT, b.data());
}

void out_signat(uint16_t signature, const std::string& name) {
    obj::signat_entry e;
    e.signature = signature;
    e.name = name;
    obj::body_builder b(out.order);
    obj::encode_signat_entry(b, e);
    add(obj::SIGNAT, b);
}

void out_segment(const segment& s) {
    if (opts.binary) return;
    obj::segment_entry e;
    e.length = s.length;
    e.load = s.load;
    e.selector = static_cast<uint16_t>(s.selector);
    e.link = s.link;
    e.name = s.name;
    obj::body_builder b(out.order);
    obj::encode_segment_entry(b, e);
    add(obj::SEGMENT, b);
}

void out_start(uint8_t type, uint32_t address, const std::string& psect) {
    if (opts.binary) return;
    obj::start_rec r;
    r.address = address;
    r.psect = psect;
    obj::body_builder b(out.order);
    obj::encode_start(b, r);
    out_record(type, b.data());
}

void out_end() {
    if (opts.binary) return;
    out_record(obj::END, std::vector<uint8_t>{0, 0});
}

void out_empty_text(uint32_t offset, const std::string& psect) {
    out_text(offset, psect, nullptr, 0);
}

void out_text(uint32_t offset, const std::string& psect, const uint8_t* data, size_t size) {
    if (!out.writer) return;
    if (opts.binary) {
        if (!size) return;
        if (offset < opts.binary_base) {
            alert_message(989, ul(opts.binary_base));
            exit_hook(1);
            std::exit(1);
        }
        if (std::fseek(out.file, static_cast<long>(offset - opts.binary_base), SEEK_SET) != 0) {
            alert_kind_message("E", "Seek error: %s", out.name.c_str());
            return;
        }
        if (std::fwrite(data, 1, size, out.file) != size) write_failed();
        return;
    }
    obj::text_rec t;
    t.offset = offset;
    t.psect = psect;
    if (size) t.data.assign(data, data + size);
    obj::body_builder b(out.order);
    obj::encode_text(b, t);
    check(out.writer->write_record(obj::TEXT, b.data()));
}

void out_reloc(uint16_t offset, uint8_t type, const std::string& target) {
    obj::reloc_entry e;
    e.offset = offset;
    e.type = type;
    e.target = target;
    obj::body_builder b(out.order);
    obj::encode_reloc_entry(b, e);
    add(obj::RELOC, b);
}

void out_fninfo(const std::vector<uint8_t>& entry) {
    if (out.writer) check(out.writer->add_entry(obj::FNINFO, entry));
}

void out_flush() {
    if (out.writer && !opts.binary) check(out.writer->flush());
}

}  // namespace lnk
