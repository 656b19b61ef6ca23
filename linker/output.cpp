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

[[noreturn]] void write_failed(const context& cx) {
    alert_message(413, cx.out.name.c_str());
    exit_hook(1);
    std::exit(1);
}

void check(context& cx, bool ok) {
    if (!ok || !cx.out.writer->ok()) write_failed(cx);
}

void add(context& cx, uint8_t type, const obj::body_builder& b) {
    if (!cx.out.writer) return;
    check(cx, cx.out.writer->add_entry(type, b.data()));
}

}  // namespace

bool output_open(context& cx, const std::string& name) {
    cx.out.name = name;
    cx.out.target = std::make_unique<replacing_file>();
    if (!cx.out.target->create(name, true)) return false;
    cx.out.file = cx.out.target->stream();
    cx.out.writer = std::make_unique<obj::record_writer>(cx.out.file);
    if (cx.opts.symbols_only)
        cx.out.writer->set_filter([](uint8_t type) { return type == obj::SYM || type == obj::XSYM || type == obj::SIGNAT; });
    return true;
}

bool output_is_open(context& cx) { return cx.out.file != nullptr; }

replacing_file* output_finish(context& cx) {
    if (!cx.out.file) return nullptr;
    if (cx.out.writer) check(cx, cx.out.writer->flush());
    cx.out.writer.reset();
    cx.out.file = nullptr;
    return cx.out.target.get();
}

void output_set_order(context& cx, const obj::byte_order& order) { cx.out.order = order; }
const obj::byte_order& output_order(context& cx) { return cx.out.order; }

void out_record(context& cx, uint8_t type, const std::vector<uint8_t>& body) {
    if (!cx.out.writer || cx.opts.binary) return;
    check(cx, cx.out.writer->write_record(type, body));
}

void out_sym(context& cx, uint32_t value, uint16_t flags, bool xsym, uint16_t selector, const std::string& psect,
             const std::string& name) {
    obj::sym_entry e;
    e.value = value;
    e.flags = flags;
    e.selector = selector;
    e.psect = psect;
    e.name = name;
    obj::body_builder b(cx.out.order);
    obj::encode_sym_entry(b, e, xsym);
    add(cx, xsym ? obj::XSYM : obj::SYM, b);
}

void out_psect(context& cx, uint16_t flags, const std::string& name) {
    if (cx.opts.binary) return;
    obj::psect_rec r;
    r.flags = flags;
    r.name = name;
    obj::body_builder b(cx.out.order);
    obj::encode_psect(b, r);
    out_record(cx, obj::PSECT, b.data());
}

void out_signat(context& cx, uint16_t signature, const std::string& name) {
    obj::signat_entry e;
    e.signature = signature;
    e.name = name;
    obj::body_builder b(cx.out.order);
    obj::encode_signat_entry(b, e);
    add(cx, obj::SIGNAT, b);
}

void out_segment(context& cx, const segment& s) {
    if (cx.opts.binary) return;
    obj::segment_entry e;
    e.length = s.length;
    e.load = s.load;
    e.selector = static_cast<uint16_t>(s.selector);
    e.link = s.link;
    e.name = s.name;
    obj::body_builder b(cx.out.order);
    obj::encode_segment_entry(b, e);
    add(cx, obj::SEGMENT, b);
}

void out_start(context& cx, uint8_t type, uint32_t address, const std::string& psect) {
    if (cx.opts.binary) return;
    obj::start_rec r;
    r.address = address;
    r.psect = psect;
    obj::body_builder b(cx.out.order);
    obj::encode_start(b, r);
    out_record(cx, type, b.data());
}

void out_end(context& cx) {
    if (cx.opts.binary) return;
    out_record(cx, obj::END, std::vector<uint8_t>{0, 0});
}

void out_empty_text(context& cx, uint32_t offset, const std::string& psect) {
    out_text(cx, offset, psect, nullptr, 0);
}

void out_text(context& cx, uint32_t offset, const std::string& psect, const uint8_t* data, size_t size) {
    if (!cx.out.writer) return;
    if (cx.opts.binary) {
        if (!size) return;
        if (offset < cx.opts.binary_base) {
            alert_message(989, ul(cx.opts.binary_base));
            exit_hook(1);
            std::exit(1);
        }
        if (std::fseek(cx.out.file, static_cast<long>(offset - cx.opts.binary_base), SEEK_SET) != 0) {
            alert_kind_message("E", "Seek error: %s", cx.out.name.c_str());
            return;
        }
        if (std::fwrite(data, 1, size, cx.out.file) != size) write_failed(cx);
        return;
    }
    obj::text_rec t;
    t.offset = offset;
    t.psect = psect;
    if (size) t.data.assign(data, data + size);
    obj::body_builder b(cx.out.order);
    obj::encode_text(b, t);
    check(cx, cx.out.writer->write_record(obj::TEXT, b.data()));
}

void out_reloc(context& cx, uint16_t offset, uint8_t type, const std::string& target) {
    obj::reloc_entry e;
    e.offset = offset;
    e.type = type;
    e.target = target;
    obj::body_builder b(cx.out.order);
    obj::encode_reloc_entry(b, e);
    add(cx, obj::RELOC, b);
}

void out_fninfo(context& cx, const std::vector<uint8_t>& entry) {
    if (cx.out.writer) check(cx, cx.out.writer->add_entry(obj::FNINFO, entry));
}

void out_flush(context& cx) {
    if (cx.out.writer && !cx.opts.binary) check(cx, cx.out.writer->flush());
}

}  // namespace lnk
