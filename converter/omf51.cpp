// OMF-51 absolute object files, plain and extended: record layer, probe, read, plain writer, dump.
#include "converter/omf51.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>

#include "common/alert.h"
#include "converter/formats.h"
#include "converter/omf51_ops.h"

namespace conv {

namespace {

constexpr uint8_t R_HEADER = 0x02, R_END = 0x04, R_CONTENT = 0x06, R_SCOPE = 0x10, R_DEBUG = 0x12;
constexpr uint8_t R_KEIL_INFO = 0x70;
constexpr size_t PENDING_LIMIT = 500;
constexpr uint32_t CONTENT_CHUNK = 256;

using rk = omf_read_kind;
using dk = omf_dump_kind;

constexpr omf_row extended_rows[] = {
    {0x02, "Module header", rk::ignored, dk::module_header},
    {0x04, "Module END", rk::ignored, dk::module_end},
    {0x06, "Content", rk::content, dk::content},
    {0x08, "Fixup", rk::ignored, dk::name_only},
    {0x0E, "Segment Def", rk::ignored, dk::name_only},
    {0x10, "Scope Def", rk::scope, dk::scope},
    {0x12, "Debug Item", rk::debug_item, dk::debug_item},
    {0x16, "Public Def", rk::ignored, dk::name_only},
    {0x18, "External Def", rk::ignored, dk::name_only},
    {0x26, "LIB Modlocs", rk::ignored, dk::name_only},
    {0x28, "LIB Modname", rk::ignored, dk::name_only},
    {0x2A, "LIB Dictionary", rk::ignored, dk::name_only},
    {0x2C, "LIB Header", rk::ignored, dk::name_only},
    {0x22, "Keil Debug Item", rk::debug_item, dk::debug_item},
    {0x20, "Keil typedef", rk::ignored, dk::keil_typedef},
    {0x70, "Keil info", rk::ignored, dk::keil_info},
    {0x24, "Source file name", rk::ignored, dk::source_name},
};
// The plain format knows the first thirteen rows.
constexpr size_t PLAIN_ROWS = 13;
constexpr size_t EXTENDED_ROWS = sizeof extended_rows / sizeof extended_rows[0];

const char* const usage_segments[5] = {"CODE", "XDATA", "DATA", "IDATA", "BIT"};


uint32_t seg_index(const model& md, const std::string& name) {
    for (size_t i = 0; i < md.segments.size(); ++i)
        if (md.segments[i]->name == name) return static_cast<uint32_t>(i + 1);
    return 0;
}

using omf_name::upper;
using omf_name::cut_at_dot;

omf_records& records_of(conv_context& ctx, bool extended) {
    return extended ? ctx.omf.extended : ctx.omf.plain;
}

}  // namespace

std::string omf_name::upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string omf_name::cut_at_dot(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

omf_state::omf_state()
    : plain(extended_rows, PLAIN_ROWS, false), extended(extended_rows, EXTENDED_ROWS, true) {}

// ---- record layer ----

const omf_row* omf_records::row_of(uint8_t t) const {
    for (size_t i = 0; i < rows_; ++i)
        if (table_[i].type == t) return &table_[i];
    return nullptr;
}

void omf_records::ensure(size_t size) {
    if (buffer.size() < size) buffer.resize(size + 1024);
}

bool omf_records::read(FILE* in, bool report, uint32_t verbose) {
    offset = std::ftell(in);
    int t = std::fgetc(in);
    if (t == EOF) return false;
    uint8_t head[2];
    if (std::fread(head, 1, 2, in) != 2) {
        if (report) alert_message(1041);
        return false;
    }
    type = static_cast<uint8_t>(t);
    length = head[0] | head[1] << 8;
    ensure(length);
    if (std::fread(buffer.data(), 1, length, in) != length || length == 0) {
        if (report) alert_message(1041);
        return false;
    }
    uint32_t sum = type + head[0] + head[1];
    for (uint32_t i = 0; i < length; ++i) sum += buffer[i];
    if (sum & 0xFF) {
        if (report) alert_message(1040, unsigned(type), unsigned(sum & 0xFF));
        return false;
    }
    if (report && verbose > 1) {
        std::vector<uint8_t> raw{type, head[0], head[1]};
        raw.insert(raw.end(), buffer.begin(), buffer.begin() + length);
        hex_dump_bytes(stdout, 0, 16, raw.data(), static_cast<uint32_t>(raw.size()), "%04X:", true);
    }
    return true;
}

void omf_records::emit(FILE* out, uint8_t t, const uint8_t* body, size_t body_length) {
    uint8_t head[3] = {t, static_cast<uint8_t>((body_length + 1) & 0xFF),
                       static_cast<uint8_t>((body_length + 1) >> 8)};
    uint32_t sum = head[0] + head[1] + head[2];
    for (size_t i = 0; i < body_length; ++i) sum += body[i];
    uint8_t check = static_cast<uint8_t>(-sum);
    std::fwrite(head, 1, 3, out);
    std::fwrite(body, 1, body_length, out);
    std::fputc(check, out);
}

void omf_records::write(FILE* out, uint8_t t, size_t body_length) { emit(out, t, buffer.data(), body_length); }

bool omf_records::keeps(uint8_t t, int def_type) const {
    return pending_ && pending_ == t && position_ <= PENDING_LIMIT && (def_type < 0 || buffer[0] == def_type);
}

void omf_records::begin_entry(FILE* out, uint8_t t, int def_type) {
    if (keeps(t, def_type)) return;
    if (before_write) before_write(owner, out, pending_ != 0);
    if (pending_) write(out, pending_, position_);
    pending_ = t;
    position_ = 0;
    if (def_type >= 0) append(static_cast<uint8_t>(def_type));
}

void omf_records::append(uint8_t byte) {
    ensure(position_ + 1);
    buffer[position_++] = byte;
}

void omf_records::append16(uint32_t value) {
    append(static_cast<uint8_t>(value & 0xFF));
    append(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void omf_records::append_name(const std::string& name, size_t max) {
    size_t n = std::min(name.size(), max);
    append(static_cast<uint8_t>(n));
    for (size_t i = 0; i < n; ++i) append(static_cast<uint8_t>(name[i]));
}

void omf_records::record(FILE* out, uint8_t t, const std::vector<uint8_t>& body) {
    flush(out);
    ensure(body.size());
    std::copy(body.begin(), body.end(), buffer.begin());
    write(out, t, body.size());
}

// Module and scope names: upper case, cut to the format's length.
std::vector<uint8_t> omf_records::counted(const std::string& name) const {
    std::string u = upper(name).substr(0, extended_ ? 255 : 40);
    std::vector<uint8_t> out;
    out.reserve(u.size() + 1);
    out.push_back(static_cast<uint8_t>(u.size()));
    for (char c : u) out.push_back(static_cast<uint8_t>(c));   // not insert(): gcc 12 -O3 warns falsely
    return out;
}

void omf_records::scope_def(FILE* out, const std::string& name, uint8_t block_type) {
    std::vector<uint8_t> body{block_type};
    std::vector<uint8_t> n = counted(name);
    body.insert(body.end(), n.begin(), n.end());
    record(out, R_SCOPE, body);
}

void omf_records::write_interval(FILE* out, const model& md, uint32_t from, uint32_t to) {
    flush(out);
    for (const auto& d : md.data) {
        uint32_t start = d->address, end = d->address + d->size();
        if (!d->size() || start >= to || end <= from) continue;
        uint32_t at = std::max(start, from), stop = std::min(end, to);
        while (at < stop) {
            uint32_t n = std::min(stop - at, CONTENT_CHUNK);
            ensure(3 + n);
            buffer[0] = 0;
            buffer[1] = static_cast<uint8_t>(at & 0xFF);   // addresses keep their low 16 bits
            buffer[2] = static_cast<uint8_t>((at >> 8) & 0xFF);
            std::memcpy(&buffer[3], &d->bytes[at - start], n);
            write(out, R_CONTENT, 3 + n);
            at += n;
        }
    }
}

void omf_records::content(FILE* out, const model& md, uint32_t low, uint32_t high) {
    if (!range_set_) {
        if (high <= low) return;
        write_interval(out, md, low, high);
        range_set_ = true;
        low_ = low;
        high_ = high;
        return;
    }
    if (low < low_ && high > high_) {
        uint32_t old_high = high_;
        content(out, md, low, low_);
        content(out, md, old_high, high);
        return;
    }
    if (low < low_) write_interval(out, md, low, low_);
    else if (high > high_) write_interval(out, md, high_, high);
    else return;
    low_ = std::min(low_, low);
    high_ = std::max(high_, high);
}

// ---- writing ----

uint8_t omf_usage_type(const model& md, const conv_symbol& s) {
    const conv_segment* seg = md.segment(s.segment);
    if (!seg || seg->name.empty()) return 5;
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(seg->name[0])));
    for (uint8_t i = 0; i < 5; ++i)
        if (usage_segments[i][0] == c) return i;
    return 5;
}

uint8_t omf_info_byte(const model& md, const conv_symbol& s) {
    uint8_t usage = omf_usage_type(md, s);
    return usage != 0 && !(s.flags & SYM_FUNCTION) ? usage | 0x40 : usage;
}

std::string omf_symbol_name(const omf_records& r, const std::string& name) {
    if (!r.extended()) return upper(name);
    return !name.empty() && name[0] == '_' ? name.substr(1) : name;
}

void omf_symbol_entry(omf_records& r, FILE* out, uint8_t type, uint8_t def_type, const std::string& name,
                      uint32_t value, uint8_t info, uint8_t type_byte) {
    r.begin_entry(out, type, def_type);
    r.append(0);
    r.append(info);
    r.append16(value);
    r.append(type_byte);
    r.append_name(omf_symbol_name(r, name), r.extended() ? 255 : 40);
}

void omf_module_header(omf_records& r, FILE* out, const std::string& name) {
    std::vector<uint8_t> body = r.counted(name);
    body.insert(body.end(), {0xFF, 0x00});
    r.record(out, R_HEADER, body);
}

void omf_module_end(omf_records& r, FILE* out, const std::string& name) {
    std::vector<uint8_t> body = r.counted(name);
    body.insert(body.end(), {0x00, 0x00, 0x0F, 0x00});
    r.record(out, R_END, body);
}

void omf_plain_write(omf_records& r, const model& md, FILE* out) {
    if (r.buffer.size() < 1024) r.buffer.resize(1024);
    for (size_t i = 0; i < md.files.size(); ++i) {
        const conv_file& f = *md.files[i];
        if (i > 0 && f.symbols.empty() && f.lines.empty()) continue;
        std::string name = cut_at_dot(f.name);
        if (i == 0) omf_module_header(r, out, name);
        r.scope_def(out, name, 0);
        for (int local = 0; local < 2; ++local)
            for (const conv_symbol* s : f.symbols)
                if (bool(s->flags & SYM_LOCAL) == bool(local))
                    omf_symbol_entry(r, out, R_DEBUG, local ? 0 : 1, s->name, s->value, omf_info_byte(md, *s), 0);
        for (const conv_line* l : f.lines) {
            r.begin_entry(out, R_DEBUG, 3);
            r.append(0);
            r.append16(l->address);
            r.append16(static_cast<uint32_t>(l->line));
        }
        r.scope_def(out, name, 3);
        if (i == 0) r.content(out, md, 0, 0xFFFFFFFF);
    }
    if (!md.files.empty()) omf_module_end(r, out, cut_at_dot(md.files[0]->name));
}

// ---- reading ----

namespace {

// A counted string at `at` within `end`; false when it runs past.
bool take_name(const uint8_t* body, size_t end, size_t& at, std::string& name) {
    if (at >= end || at + 1 + body[at] > end) return false;
    name.assign(reinterpret_cast<const char*>(body + at + 1), body[at]);
    at += 1 + body[at];
    return true;
}

void read_debug_item(conv_context& ctx, const omf_records& r) {
    model& md = ctx.md;
    const uint8_t* b = r.buffer.data();
    size_t end = r.length - 1;   // the checksum is not body
    if (end < 1) return;
    uint8_t def = b[0];
    if (def > 3) return;
    for (size_t at = 1; at < end;) {
        if (def == 3) {
            if (at + 5 > end) return (void)alert_message(1041);
            md.line_add(static_cast<int32_t>(b[at + 3] | b[at + 4] << 8), b[at + 1] | b[at + 2] << 8, b[at],
                        r.current_file, 2);
            at += 5;
            continue;
        }
        std::string name;
        size_t name_at = at + 5;
        if (name_at >= end || !take_name(b, end, name_at, name)) return (void)alert_message(1041);
        uint8_t seg_id = b[at], info = b[at + 1];
        uint32_t offset = b[at + 2] | b[at + 3] << 8;
        at = name_at;
        if (def == 2) {
            if (!md.seg_find(name)) md.seg_add(name, offset, 0, seg_id);
            continue;
        }
        uint32_t flags = (def == 0 ? SYM_LOCAL : 0) | (info & 0x40 ? 0 : SYM_FUNCTION);
        uint8_t usage = info & 7;
        uint32_t seg = usage < 5 ? seg_index(md, usage_segments[usage]) : 0;
        md.sym_add(name, offset, seg, r.current_file, flags);
    }
}

void omf_read(conv_context& ctx, FILE* in, bool extended) {
    omf_records& r = records_of(ctx, extended);
    for (uint32_t i = 0; i < 5; ++i)
        if (!ctx.md.seg_find(usage_segments[i])) ctx.md.seg_add(usage_segments[i], 0, 0, i);
    while (r.read(in, true, ctx.opt.verbose_level)) {
        const omf_row* row = r.row_of(r.type);
        if (!row) {
            alert_message(1042, extended ? "eomf51" : "OMF51", unsigned(r.type));
            return;
        }
        const uint8_t* b = r.buffer.data();
        switch (row->read) {
        case rk::content:
            if (r.length < 4) return (void)alert_message(1041);
            ctx.md.data_add(b[1] | b[2] << 8, b + 3, r.length - 4, 0);
            break;
        case rk::scope: {
            std::string name;
            size_t at = 1;
            if (r.length < 2 || !take_name(b, r.length - 1, at, name)) return (void)alert_message(1041);
            if (b[0] == 0) r.current_file = ctx.md.file_add(name);
            else if (b[0] == 3) r.current_file = 0;
            break;
        }
        case rk::debug_item:
            read_debug_item(ctx, r);
            break;
        case rk::ignored:
            break;
        }
    }
}

}  // namespace

// ---- the two format rows ----

bool omf51_probe(conv_context& ctx, FILE* in) {
    omf_records& r = ctx.omf.plain;
    return r.read(in, false, 0) && r.type == R_HEADER;
}

bool eomf51_probe(conv_context& ctx, FILE* in) {
    omf_records& r = ctx.omf.extended;
    while (r.read(in, false, 0))
        if (r.type != R_KEIL_INFO) return r.type == R_HEADER;
    return false;
}

void omf51_read(conv_context& ctx, FILE* in, const std::string&) { omf_read(ctx, in, false); }
void eomf51_read(conv_context& ctx, FILE* in, const std::string&) { omf_read(ctx, in, true); }

bool omf51_write(conv_context& ctx, FILE* out, const std::string&) {
    omf_plain_write(ctx.omf.plain, ctx.md, out);
    return true;
}

bool eomf51_write(conv_context& ctx, FILE* out, const std::string& name) {
    omf_records& r = ctx.omf.extended;
    if (r.buffer.size() < 1024) r.buffer.resize(1024);
    if (ctx.dbg.global_block) eomf_debug_write(ctx, out, name);
    else omf_plain_write(r, ctx.md, out);
    return true;
}

bool omf51_dump(conv_context& ctx, FILE* in) { return omf_dump(ctx, ctx.omf.plain, in); }
bool eomf51_dump(conv_context& ctx, FILE* in) { return omf_dump(ctx, ctx.omf.extended, in); }

}  // namespace conv
