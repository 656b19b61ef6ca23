#include "objfmt/record_io.h"

#include <cerrno>
#include <cstring>

#include "common/alert.h"
#include "common/replace_file.h"

namespace obj {

record_reader::record_reader(FILE* file, uint32_t body_limit, int type_limit)
    : file_(file), body_limit_(body_limit), type_limit_(type_limit) {}

record_reader::record_reader(const uint8_t* data, size_t size, uint32_t body_limit, int type_limit)
    : data_(data), size_(size), body_limit_(body_limit), type_limit_(type_limit) {}

size_t record_reader::read_bytes(uint8_t* out, size_t n) {
    size_t got;
    if (file_) {
        got = std::fread(out, 1, n, file_);
    } else {
        size_t left = position_ < size_ ? size_ - size_t(position_) : 0;
        got = n < left ? n : left;
        if (got) std::memcpy(out, data_ + position_, got);
    }
    position_ += got;
    return got;
}

void record_reader::skip_bytes(size_t n) {
    if (file_) {
        uint8_t scratch[512];
        while (n) {
            size_t chunk = n < sizeof scratch ? n : sizeof scratch;
            size_t got = read_bytes(scratch, chunk);
            if (got < chunk) return;
            n -= got;
        }
    } else {
        size_t left = position_ < size_ ? size_ - size_t(position_) : 0;
        position_ += n < left ? n : left;
    }
}

read_status record_reader::next(record& out) {
    uint8_t header[header_size];
    out.type = 0;
    out.length = 0;
    out.body.clear();
    size_t got = read_bytes(header, header_size);
    if (got == 0) return read_status::end_of_input;
    if (got < header_size) return read_status::short_header;
    out.length = uint16_t(header[0] | (header[1] << 8));
    out.type = header[2];
    if (out.type == 0 || out.type > type_limit_) return read_status::bad_type;
    if (out.length > body_limit_) {
        skip_bytes(out.length);
        return read_status::too_long;
    }
    out.body.resize(out.length);
    got = read_bytes(out.body.data(), out.length);
    if (got < out.length) {
        out.body.resize(got);
        return read_status::short_body;
    }
    return read_status::ok;
}

void record_reader::report(read_status status, const record& r) {
    switch (status) {
    case read_status::ok: break;
    case read_status::end_of_input:
    case read_status::short_header: alert_message(505); break;
    case read_status::bad_type: alert_message(380, int(r.type)); break;
    case read_status::too_long: alert_message(506, int(header_size), int(r.length)); break;
    case read_status::short_body: report_incomplete(r.type, r.length); break;
    }
}

bool read_module(const uint8_t* data, size_t size, std::vector<record>& out) {
    record_reader reader(data, size);
    for (;;) {
        record r;
        read_status s = reader.next(r);
        if (s != read_status::ok) {
            record_reader::report(s, r);
            return false;
        }
        uint8_t type = r.type;
        out.push_back(std::move(r));
        if (type == END) return true;
    }
}

bool record_writer::emit(uint8_t type, const uint8_t* body, size_t length) {
    if (keep_ && !keep_(type)) return true;
    uint8_t header[header_size] = {uint8_t(length), uint8_t(length >> 8), type};
    if (file_) {
        if (std::fwrite(header, 1, header_size, file_) != header_size ||
            (length && std::fwrite(body, 1, length, file_) != length))
            ok_ = false;
    } else {
        bytes_->insert(bytes_->end(), header, header + header_size);
        bytes_->insert(bytes_->end(), body, body + length);
    }
    written_ += header_size + length;
    return ok_;
}

bool record_writer::flush() {
    if (buffer_.empty()) return ok_;
    bool r = emit(buffer_type_, buffer_.data(), buffer_.size());
    buffer_.clear();
    buffer_type_ = 0;
    return r;
}

bool record_writer::write_record(uint8_t type, const uint8_t* body, size_t length) {
    if (!flush()) return false;
    if (length > max_body) return false;
    return emit(type, body, length);
}

uint32_t record_writer::room_for(uint8_t type) const {
    if (buffer_type_ != type) return max_body;
    return max_body - uint32_t(buffer_.size());
}

bool record_writer::add_entry(uint8_t type, const uint8_t* entry, size_t length) {
    if (length > max_body) return false;
    if (buffer_type_ != type || buffer_.size() + length > max_body) {
        if (!flush()) return false;
        buffer_type_ = type;
    }
    buffer_.insert(buffer_.end(), entry, entry + length);
    return ok_;
}

bool read_file(const std::string& path, std::vector<uint8_t>& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    out.clear();
    // No reservation from the file's size: a folder or a device reports sizes it does not have.
    uint8_t chunk[16384];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + got);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    replacing_file out;
    if (!out.create(path, true)) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out.stream()) == bytes.size();
    int saved = errno;
    if (!ok) {
        out.discard();
        errno = saved;
        return false;
    }
    return out.commit() == 1;
}

}  // namespace obj
