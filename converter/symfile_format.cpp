// The linker's symbol file as an input and an output of the converter.
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "converter/formats.h"
#include "converter/sdb_reader.h"
#include "linkfiles/symfile.h"

namespace conv {

namespace {

bool all_hex(const std::string& w) {
    if (w.empty()) return false;
    for (char c : w)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

bool contains(const std::string& s, const char* part) { return s.find(part) != std::string::npos; }

}  // namespace

bool bryllex_probe(conv_context&, FILE* in) {
    std::string line;
    if (!linkfile::read_line(in, line)) return false;
    if (line == linkfile::SEGMENTS_LINE || line == linkfile::LOCALS_LINE) return true;
    std::vector<std::string> w = linkfile::blank_words(line);
    if (w.size() >= 3) return all_hex(w[1]) && all_hex(w[2]);
    // A global outside every psect is written with its value alone and may come first.
    return w.size() == 2 && !std::isdigit(static_cast<unsigned char>(w[0][0])) && all_hex(w[1]);
}

void bryllex_read(conv_context& ctx, FILE* in, const std::string& input_name) {
    model& md = ctx.md;
    bool segments_mode = false, locals_mode = false;
    std::string line;
    while (linkfile::read_line(in, line)) {
        if (line == linkfile::SEGMENTS_LINE) {
            segments_mode = true;
            continue;
        }
        if (line == linkfile::LOCALS_LINE) {
            locals_mode = true;
            segments_mode = false;
            continue;
        }
        bool object = contains(line, ".obj") || contains(line, ".OBJ");
        if (object || contains(line, ".c") || contains(line, ".C")) {
            ctx.symfile_current_file = md.file_add(line);
            if (object) sdb_load(ctx, line);
            continue;
        }
        std::vector<std::string> w = linkfile::blank_words(line);
        if (w.empty()) break;
        if (w.size() == 1) {
            ctx.symfile_current_file = md.file_add(w[0]);
            continue;
        }
        if (ctx.symfile_current_file == 0) ctx.symfile_current_file = md.file_add(input_name);
        uint32_t third = 0, segment = 0;
        bool has_third = w.size() >= 3;
        if (has_third) {
            linkfile::hex_value(w[2], third);
            if (w.size() >= 4) {
                const conv_segment* s = md.seg_find(w[3]);
                if (s) {
                    for (size_t i = 0; i < md.segments.size(); ++i)
                        if (md.segments[i].get() == s) segment = static_cast<uint32_t>(i + 1);
                } else {
                    segment = md.seg_add(w[3], 0, 0, static_cast<uint32_t>(md.segments.size() + 1));
                }
            }
        }
        uint32_t value = 0;
        // Register and stack lines ("reg", "stk") carry no address: they add nothing.
        if (!linkfile::hex_value(w[1], value)) continue;
        if (segments_mode) {
            // A segment line without its last address tells no size.
            uint32_t size = has_third && linkfile::hex_value(w[2], third) ? third - value + 1 : 0;
            md.seg_add(w[0], value, size, segment);
        } else if (std::isdigit(static_cast<unsigned char>(w[0][0]))) {
            md.line_add(std::atoi(w[0].c_str()), value, segment, ctx.symfile_current_file, 2);
        } else if (w[0].compare(0, 3, "__L") == 0 || w[0].compare(0, 3, "__H") == 0 || w[0].compare(0, 3, "__B") == 0) {
            continue;
        } else {
            uint32_t flags = (has_third ? 0 : SYM_NO_SEGMENT) | (locals_mode ? SYM_LOCAL : 0);
            md.sym_add(w[0], value, segment, ctx.symfile_current_file, flags);
        }
    }
}

bool bryllex_write(conv_context& ctx, FILE* out, const std::string&) {
    model& md = ctx.md;
    std::stable_sort(md.symbols.begin(), md.symbols.end(), [](const auto& a, const auto& b) {
        if (a->file != b->file) return a->file < b->file;
        if (a->segment != b->segment) return a->segment < b->segment;
        return a->value < b->value;
    });
    std::stable_sort(md.lines.begin(), md.lines.end(), [](const auto& a, const auto& b) {
        if (a->file != b->file) return a->file < b->file;
        if (a->segment != b->segment) return a->segment < b->segment;
        return a->address < b->address;
    });
    uint32_t last_file = 0;
    bool header = false;
    auto to_file = [&](uint32_t file) {
        if (file == last_file) return;
        if (!header) std::fputs("%locals\n", out);
        header = true;
        for (uint32_t f = last_file + 1; f <= file && f <= md.files.size(); ++f)
            std::fprintf(out, "%s\n", md.files[f - 1]->name.c_str());
        last_file = file;
    };
    auto seg_suffix = [&](uint32_t seg) {
        const conv_segment* s = md.segment(seg);
        if (seg && s) std::fprintf(out, " %s", s->name.c_str());
        std::fputc('\n', out);
    };
    auto write_line = [&](const conv_line& l) {
        to_file(l.file);
        std::fprintf(out, "%d %X %X", l.line, l.address, l.segment);
        seg_suffix(l.segment);
    };
    size_t li = 0;
    for (const auto& s : md.symbols) {
        while (li < md.lines.size()) {
            const conv_line& l = *md.lines[li];
            bool before = l.file < s->file || (l.file == s->file && (l.segment < s->segment ||
                                                                     (l.segment == s->segment && l.address < s->value)));
            if (!before) break;
            write_line(l);
            ++li;
        }
        to_file(s->file);
        if (s->flags & SYM_NO_SEGMENT) {
            std::fprintf(out, "%s %X\n", s->name.c_str(), s->value);
        } else {
            std::fprintf(out, "%s %X %X", s->name.c_str(), s->value, s->segment);
            seg_suffix(s->segment);
        }
    }
    for (; li < md.lines.size(); ++li) write_line(*md.lines[li]);
    return true;
}

}  // namespace conv
