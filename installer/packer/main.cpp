// ormpack: appends the payload to an installer program.
//   ormpack IMAGE MANIFEST TREE OUTPUT
// The manifest template has no signature line and no sizes: the packer writes the image's
// fingerprint as the first line and the size of every [Resources] and [Features] file. Resource
// files are found beside the template, feature files under TREE. In [Features] a line
// "@tree FOLDER" stands for every folder and file below TREE/FOLDER.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <zlib.h>

#include "installer/core/md5.h"
#include "installer/core/payload_format.h"

namespace fs = std::filesystem;
using namespace inst;

namespace {

struct pack_error {
    std::string text;
};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw pack_error{"cannot read " + path.string()};
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

bool starts_nocase(const std::string& text, const char* prefix) {
    size_t n = std::strlen(prefix);
    return text.size() >= n && strncasecmp(text.c_str(), prefix, n) == 0;
}

// Feature files in stream order: features, their folders, the folders' files. A file line
// before the feature's first folder belongs to the folder that was current, as the reader has it.
struct folder_files {
    std::vector<std::string> files;   // host paths under the tree
};
struct pack_feature {
    std::vector<folder_files> folders;
};

class packer {
public:
    packer(fs::path manifest_dir, fs::path tree) : manifest_dir_(std::move(manifest_dir)), tree_(std::move(tree)) {}

    // Rewrites the template with sizes and collects the entries.
    std::string rewrite(const std::string& text) {
        std::string out, section;
        std::istringstream in(text);
        bool ended = false;
        for (std::string raw; std::getline(in, raw);) {
            std::string line = trim(raw);
            if (ended || line.empty() || line[0] == ';') {
                out += line + "\n";
                continue;
            }
            if (line[0] == '[') {
                section = line;
                ended = strcasecmp(line.c_str(), "[Run]") == 0;
                out += line + "\n";
            } else if (strcasecmp(section.c_str(), "[Resources]") == 0) {
                out += resource_line(line);
            } else if (strcasecmp(section.c_str(), "[Features]") == 0) {
                out += feature_line(line);
            } else {
                out += line + "\n";
            }
        }
        return out;
    }

    std::vector<std::string> entry_files() const {
        std::vector<std::string> all = resources_;
        for (const pack_feature& f : features_)
            for (const folder_files& folder : f.folders)
                all.insert(all.end(), folder.files.begin(), folder.files.end());
        return all;
    }

private:
    static std::string size_of(const fs::path& p) {
        std::error_code ec;
        auto size = fs::file_size(p, ec);
        if (ec || size > 0xFFFFFFFFu)
            throw pack_error{"cannot use " + p.string()};
        return std::to_string(size);
    }

    std::string resource_line(const std::string& line) {
        size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0)
            throw pack_error{"bad resource line: " + line};
        std::string file = line.substr(eq + 1, line.find('\t', eq) - eq - 1);
        fs::path path = manifest_dir_ / file;
        resources_.push_back(path.string());
        return line.substr(0, eq + 1) + file + "\t" + size_of(path) + "\n";
    }

    std::string feature_line(const std::string& line) {
        if (starts_nocase(line, "Feature=")) {
            features_.emplace_back();
            return line + "\n";
        }
        if (starts_nocase(line, "Installer="))
            return line + "\n";
        if (features_.empty())
            throw pack_error{"line before the first feature: " + line};
        if (starts_nocase(line, "@tree ")) {
            std::string out;
            add_tree(trim(line.substr(6)), out);
            return out;
        }
        if (line.back() == '/' || line.back() == '\\') {
            std::string name = line;
            std::replace(name.begin(), name.end(), '\\', '/');
            while (!name.empty() && name.back() == '/')
                name.pop_back();
            features_.back().folders.emplace_back();
            current_ = &features_.back().folders.back();
            current_folder_ = name;
            return line + "\n";
        }
        if (!current_)
            throw pack_error{"file before the first folder: " + line};
        std::string name = line.substr(0, line.find('\t'));
        fs::path path = tree_ / current_folder_ / name;
        current_->files.push_back(path.string());
        return name + "\t" + size_of(path) + "\n";
    }

    void add_tree(const std::string& folder, std::string& out) {
        std::vector<fs::path> folders{tree_ / folder};
        std::error_code ec;
        for (auto it = fs::recursive_directory_iterator(tree_ / folder, ec); !ec && it != fs::end(it); ++it)
            if (it->is_directory())
                folders.push_back(it->path());
        if (ec)
            throw pack_error{"cannot list " + (tree_ / folder).string()};
        std::sort(folders.begin() + 1, folders.end());
        for (const fs::path& dir : folders) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(dir))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            if (files.empty())
                continue;
            std::sort(files.begin(), files.end());
            std::string relative = fs::relative(dir, tree_).generic_string();
            std::replace(relative.begin(), relative.end(), '/', '\\');
            out += relative + "\\\n";
            features_.back().folders.emplace_back();
            current_ = &features_.back().folders.back();
            current_folder_ = fs::relative(dir, tree_).generic_string();
            for (const fs::path& f : files) {
                current_->files.push_back(f.string());
                out += f.filename().string() + "\t" + size_of(f) + "\n";
            }
        }
    }

    fs::path manifest_dir_, tree_;
    std::vector<std::string> resources_;
    std::vector<pack_feature> features_;
    folder_files* current_ = nullptr;
    std::string current_folder_;
};

void put_entry(std::string& raw, const std::string& data) {
    uint8_t size[4];
    put_u32(size, uint32_t(data.size()));
    raw.append(reinterpret_cast<char*>(size), 4);
    raw += data;
}

std::string gzip(const std::string& raw) {
    z_stream z{};
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw pack_error{"zlib cannot start"};
    std::string out(deflateBound(&z, uLong(raw.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    z.avail_in = uInt(raw.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    int result = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (result != Z_STREAM_END)
        throw pack_error{"zlib cannot compress the payload"};
    return out;
}

std::string pack(const std::string& image_in, const std::string& manifest_template, packer& p) {
    if (image_in.size() < fingerprint_offset + fingerprint_size)
        throw pack_error{"the image is too small to hold a fingerprint"};
    uint8_t marker[8];
    payload_marker(marker);
    for (size_t at = first_payload_offset; at + 8 <= image_in.size(); at += payload_alignment)
        if (std::memcmp(image_in.data() + at, marker, 8) == 0)
            throw pack_error{"the image holds the payload marker at offset " + std::to_string(at)};
    std::string fingerprint;
    for (size_t i = 0; i < fingerprint_size; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%2.2X", static_cast<unsigned char>(image_in[fingerprint_offset + i]));
        fingerprint += hex;
    }
    std::string manifest = fingerprint + "\n" + p.rewrite(manifest_template);
    std::string raw;
    put_entry(raw, manifest);
    for (const std::string& file : p.entry_files())
        put_entry(raw, read_file(file));

    std::string out = image_in;
    size_t n = first_payload_offset;
    while (n < out.size())
        n += payload_alignment;
    out.resize(n, '\0');
    std::string stream = gzip(raw);
    uint8_t header[header_size];
    std::memcpy(header, marker, 8);
    put_u32(header + 8, uint32_t(n));
    put_u32(header + 12, uint32_t(n + header_size + stream.size()));
    out.append(reinterpret_cast<char*>(header), header_size);
    out += stream;
    md5_state md5;
    md5_init(md5);
    md5_update(md5, out.data(), out.size());
    uint8_t digest[digest_size];
    md5_final(md5, digest);
    out.append(reinterpret_cast<char*>(digest), digest_size);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: ormpack IMAGE MANIFEST TREE OUTPUT\n");
        return 2;
    }
    fs::path output = argv[4], partial = output.string() + ".part";
    try {
        packer p(fs::path(argv[2]).parent_path(), argv[3]);
        std::string packed = pack(read_file(argv[1]), read_file(argv[2]), p);
        {
            std::ofstream out(partial, std::ios::binary);
            out.write(packed.data(), std::streamsize(packed.size()));
            out.close();
            if (!out)
                throw pack_error{"cannot write " + partial.string()};
        }
        fs::permissions(partial, fs::status(argv[1]).permissions());
        fs::rename(partial, output);
    } catch (const pack_error& e) {
        std::error_code ec;
        fs::remove(partial, ec);
        std::fprintf(stderr, "ormpack: %s\n", e.text.c_str());
        return 1;
    } catch (const fs::filesystem_error& e) {
        std::error_code ec;
        fs::remove(partial, ec);
        std::fprintf(stderr, "ormpack: %s\n", e.what());
        return 1;
    }
    return 0;
}
