// Finding and checking the payload in the installer's own file, reading its entries, and the
// file and folder helpers that the install steps share.
#include <cerrno>
#include <cstring>
#include <zlib.h>

#ifdef _WIN32
#include <io.h>
#define dup _dup
#define lseek _lseeki64
#define off_t int64_t
#else
#include <unistd.h>
#endif

#include "installer/core/context.h"
#include "installer/core/md5.h"
#include "installer/core/payload_format.h"

namespace inst {

namespace {

gzFile stream_of(context& c) { return static_cast<gzFile>(c.stream); }

uint32_t read_payload_u32(context& c) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        int ch = gzgetc(stream_of(c));
        if (ch < 0)
            fail("Installer is corrupt or truncated");
        v |= uint32_t(ch) << (8 * i);
    }
    return v;
}

bool seek(std::FILE* f, uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(f, int64_t(offset), SEEK_SET) == 0;
#else
    return fseeko(f, off_t(offset), SEEK_SET) == 0;
#endif
}

void check_digest(context& c, uint32_t m) {
    std::FILE* f = c.own_file;
    if (!seek(f, 0))
        fail("Installer is corrupt or truncated");
    md5_state md5;
    md5_init(md5);
    std::vector<uint8_t> piece(16384);
    for (uint32_t left = m; left > 0;) {
        size_t want = left < piece.size() ? left : piece.size();
        size_t got = std::fread(piece.data(), 1, want, f);
        md5_update(md5, piece.data(), got);
        left -= uint32_t(got);
        if (got < want)
            fail(format("Can't read entire filecheck: %ld", long(left)));
    }
    uint8_t stored[digest_size], computed[digest_size];
    size_t got = std::fread(stored, 1, digest_size, f);
    if (got < digest_size)
        fail(format("Can't read filecheck: %d", int(got)));
    md5_final(md5, computed);
    if (std::memcmp(stored, computed, digest_size) != 0)
        fail("Installer is corrupt or truncated");
}

// Looks for the marker at the aligned offsets; true with the stream open behind the header.
bool find_payload(context& c) {
    uint8_t marker[8];
    payload_marker(marker);
    for (uint64_t offset = first_payload_offset;; offset += payload_alignment) {
        uint8_t header[header_size];
        if (!seek(c.own_file, offset) || std::fread(header, 1, header_size, c.own_file) < header_size)
            return false;
        if (std::memcmp(header, marker, 8) != 0)
            continue;
        uint32_t n = get_u32(header + 8), m = get_u32(header + 12);
        // A header that disagrees with where it stands is damage, not another payload.
        if (n != offset || m < n + header_size)
            fail("Installer is corrupt or truncated");
        check_digest(c, m);
        // The stream reads through its own descriptor: place it, not the buffered FILE.
        int fd = dup(fileno(c.own_file));
        if (fd < 0 || lseek(fd, off_t(offset + header_size), SEEK_SET) < 0)
            fail("Installer is corrupt or truncated");
        gzFile gz = gzdopen(fd, "rb");
        if (!gz)
            fail("Installer is corrupt or truncated");
        c.stream = gz;
        c.resources.push_back(resource{"setup.exe", c.host.own_program(), "SETUP", n});
        return true;
    }
}

std::string read_manifest_entry(context& c) {
    uint32_t size = read_payload_u32(c);
    std::string text;
    while (text.size() < size) {
        char piece[8192];
        unsigned want = unsigned(std::min<size_t>(sizeof piece, size - text.size()));
        int got = gzread(stream_of(c), piece, want);
        if (got <= 0)
            fail("Installer is corrupt or truncated");
        text.append(piece, size_t(got));
    }
    return text;
}

}  // namespace

void open_payload(context& c) {
    std::string self = c.host.own_program();
    c.own_file = std::fopen(self.c_str(), "rb");
    if (!c.own_file)
        fail("Installer is corrupt or truncated");
    uint8_t print[fingerprint_size];
    if (!seek(c.own_file, fingerprint_offset))
        fail("Seek on setup");
    size_t got = std::fread(print, 1, fingerprint_size, c.own_file);
    c.fingerprint.clear();
    for (size_t i = 0; i < got; ++i)
        c.fingerprint += format("%2.2X", print[i]);
    std::string manifest;
    if (find_payload(c)) {
        manifest = read_manifest_entry(c);
        set_flag_variable(c, "Install", true);
    } else {
        std::fclose(c.own_file);
        c.own_file = nullptr;
        // The kept setup program reads the installed manifest beside it.
        std::string folder = self.substr(0, self.find_last_of("\\/") == std::string::npos ? 0 : self.find_last_of("\\/"));
        std::string base = folder.substr(folder.find_last_of("\\/") == std::string::npos ? 0 : folder.find_last_of("\\/") + 1);
        if (same_nocase(base, "resources") && folder.size() > base.size())
            set_variable(c, "InstDir", folder.substr(0, folder.size() - base.size() - 1));
        auto text = read_text_file(c, join(c, folder.empty() ? "." : folder, "manifest"));
        if (!text)
            fail("Can't find the manifest");
        manifest = *text;
    }
    read_manifest(c, manifest);
}

void close_payload(context& c) {
    if (c.stream)
        gzclose(stream_of(c));
    c.stream = nullptr;
    if (c.own_file)
        std::fclose(c.own_file);
    c.own_file = nullptr;
}

// Records a file about to be written: a new one is deleted on undo, an old one is moved aside
// and put back.
static void journal_file(context& c, const std::string& path) {
    if (!c.journal_on)
        return;
    for (const undo_step& s : c.journal)
        if ((s.kind == undo_step::new_file || s.kind == undo_step::replaced_file) && s.path == path)
            return;
    undo_step step{undo_step::new_file, path, "", 0, "", false, 0, {}};
    if (c.host.exists(path)) {
        std::string backup = path + ".bxold";
        c.host.delete_file(backup);
        if (!c.host.rename_file(path, backup))
            fail(format("Can't create file: %s\n%s", path.c_str(), c.host.error_text().c_str()));
        step.kind = undo_step::replaced_file;
        step.backup = backup;
    }
    c.journal.push_back(step);
}

std::unique_ptr<out_file> create_output(context& c, const std::string& path) {
    journal_file(c, path);
    return c.host.create_file(path);
}

void extract_payload_file(context& c, const std::string* path, uint32_t expected) {
    uint32_t size = read_payload_u32(c);
    if (size != expected)
        fail(format("File size does not match - file %d:%s %ld/%ld", c.entries_read,
                    path ? path->c_str() : "(skipped)", long(expected), long(size)));
    std::unique_ptr<out_file> out;
    if (path) {
        c.installed_files.push_back(*path);
        out = create_output(c, *path);
        if (!out)
            fail("Can't create file: " + *path);
        advance(c, 8192);
    }
    char piece[8192];
    for (uint32_t left = size; left > 0;) {
        unsigned want = left < sizeof piece ? left : unsigned(sizeof piece);
        int got = gzread(stream_of(c), piece, want);
        if (got <= 0)
            fail("Installer is corrupt or truncated");
        if (out) {
            if (!out->write(piece, size_t(got)))
                fail(format("Write error on %s", path->c_str()));
            advance(c, uint64_t(got));
        }
        left -= uint32_t(got);
    }
    if (out && !out->close())
        fail(format("Write error on %s", path->c_str()));
    ++c.entries_read;
}

void copy_file_part(context& c, const std::string& source, const std::string& destination, uint32_t size) {
    std::FILE* in = std::fopen(source.c_str(), "rb");
    if (!in)
        fail(format("Can't open file: %s\n%s", source.c_str(), std::strerror(errno)));
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> closer(in, std::fclose);
    auto out = create_output(c, destination);
    if (!out)
        fail(format("Can't create file: %s\n%s", destination.c_str(), c.host.error_text().c_str()));
    c.installed_files.push_back(destination);
    advance(c, 8192);
    char piece[8192];
    for (uint32_t left = size; left > 0;) {
        size_t want = left < sizeof piece ? left : sizeof piece;
        size_t got = std::fread(piece, 1, want, in);
        if (got < want)
            fail(format("short read on %s", source.c_str()));
        if (!out->write(piece, got))
            fail(format("Write error on %s", destination.c_str()));
        advance(c, got);
        left -= uint32_t(got);
    }
    if (!out->close())
        fail(format("Write error on %s", destination.c_str()));
}

void create_folder(context& c, const std::string& path_in) {
    std::string path = host_path(c, path_in);
    if (path.size() > 4095)
        path.resize(4095);
    if (c.host.exists(path)) {
        if (c.host.is_folder(path))
            return;
        fail(format("Folder %s exists but is not a folder!", path.c_str()));
    }
    size_t cut = path.find_last_of(c.host.separator());
    // A drive root ("C:\") is never created; on Linux neither is "/".
    if (cut != std::string::npos && cut > 2)
        create_folder(c, path.substr(0, cut));
    if (!c.host.make_folder(path))
        fail(format("Failed to create folder %s", path.c_str()));
    c.created_folders.push_back(path);
    if (c.journal_on)
        c.journal.push_back(undo_step{undo_step::new_folder, path, "", 0, "", false, 0, {}});
}

std::optional<std::string> read_text_file(context&, const std::string& path, size_t limit) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    std::string text;
    char piece[8192];
    size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, f)) > 0) {
        text.append(piece, got);
        if (limit && text.size() >= limit) {
            text.resize(limit);
            break;
        }
    }
    std::fclose(f);
    return text;
}

void delete_temporary_items(context& c) {
    for (const std::string& item : c.temporary_items) {
        if (c.host.is_folder(item))
            c.host.remove_folder(item);
        else
            c.host.delete_file(item);
    }
    c.temporary_items.clear();
}

}  // namespace inst
