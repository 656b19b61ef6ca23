#include "converter/model.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "common/alert.h"

namespace conv {

uint32_t name_hash(const std::string& name) {
    size_t start = name.size() > 1 && name[0] == '_' ? 1 : 0;
    uint32_t h = 0;
    for (size_t i = name.size(); i > start; --i)
        h = static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(name[i - 1]))) + 4 * h;
    return h;
}

namespace {
std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}
}  // namespace

uint32_t file_name_hash(const std::string& name) { return name_hash(lower(name)); }

std::string model::cut_extension(const std::string& name) const {
    if (!strip_extensions_) return name;
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

uint32_t model::file_add(const std::string& given) {
    std::string name = cut_extension(given);
    auto found = file_table_.find(lower(name));
    if (found != file_table_.end()) return found->second->index;
    auto f = std::make_unique<conv_file>();
    f->name = name;
    f->index = static_cast<uint32_t>(files.size() + 1);
    file_table_.emplace(lower(name), f.get());
    files.push_back(std::move(f));
    return files.back()->index;
}

void model::sym_add(const std::string& name, uint32_t value, uint32_t seg, uint32_t file, uint32_t flags) {
    auto s = std::make_unique<conv_symbol>();
    s->name = name;
    s->value = value;
    s->segment = seg;
    s->file = file;
    s->flags = flags;
    symbol_table_.emplace(name, s.get());   // the first symbol of a name stays the one found
    if (file >= 1 && file <= files.size()) files[file - 1]->symbol_count++;
    symbols.push_back(std::move(s));
}

uint32_t model::seg_add(const std::string& name, uint32_t base, uint32_t size, uint32_t space) {
    auto s = std::make_unique<conv_segment>();
    s->name = name;
    s->base = base;
    s->size = size;
    s->space = space;
    segments.push_back(std::move(s));
    return static_cast<uint32_t>(segments.size());
}

void model::line_add(int32_t line, uint32_t address, uint32_t seg, uint32_t file, uint32_t kind) {
    auto l = std::make_unique<conv_line>();
    l->line = line;
    l->address = address;
    l->segment = seg;
    l->file = file;
    l->kind = kind;
    if (file >= 1 && file <= files.size()) files[file - 1]->line_count++;
    lines.push_back(std::move(l));
}

void model::data_add(uint32_t address, const uint8_t* bytes, uint32_t size, uint32_t seg) {
    auto d = std::make_unique<conv_data>();
    d->address = address;
    d->bytes.assign(bytes, bytes + size);
    d->segment = seg;
    data.push_back(std::move(d));
}

conv_file* model::file_lookup(const std::string& name) const {
    auto found = file_table_.find(lower(name));
    return found == file_table_.end() ? nullptr : found->second;
}

conv_file* model::file_find(const char* name) const { return name ? file_lookup(cut_extension(name)) : nullptr; }

conv_symbol* model::sym_lookup(const std::string& name) const {
    auto found = symbol_table_.find(name);
    return found == symbol_table_.end() ? nullptr : found->second;
}

bool model::sym_value_lookup(const std::string& name, uint32_t& value, uint32_t& seg) const {
    conv_symbol* s = sym_lookup(name);
    if (!s) return false;
    value = s->value;
    seg = s->segment;
    return true;
}

conv_segment* model::seg_find(const std::string& name) const {
    for (const auto& s : segments)
        if (s->name == name) return s.get();
    return nullptr;
}

uint32_t model::seg_for_address(uint32_t address, uint32_t space, uint32_t scale) const {
    uint32_t scaled = address * scale;
    for (size_t i = 0; i < segments.size(); ++i) {
        const conv_segment& s = *segments[i];
        if (s.space == space && s.base <= scaled && scaled - s.base < s.size) return static_cast<uint32_t>(i + 1);
    }
    return space;
}

namespace {

void set_line_ends(std::vector<std::unique_ptr<conv_line>>& lines) {
    std::vector<conv_line*> order;
    for (auto& l : lines) order.push_back(l.get());
    std::stable_sort(order.begin(), order.end(), [](const conv_line* a, const conv_line* b) {
        if (a->address != b->address) return a->address < b->address;
        return a->line < b->line;
    });
    for (size_t i = 0; i < order.size(); ++i) {
        if (i + 1 == order.size()) order[i]->end_address = order[i]->address;
        else if (order[i + 1]->address == order[i]->address) order[i]->end_address = order[i]->address;
        else order[i]->end_address = order[i + 1]->address - 1;
    }
}

bool line_less(const conv_line* a, const conv_line* b) {
    if (a->line != b->line) return static_cast<uint32_t>(a->line) < static_cast<uint32_t>(b->line);
    if (a->address != b->address) return a->address < b->address;
    return a->end_address < b->end_address;
}

size_t longest_segment_name(const std::vector<std::unique_ptr<conv_segment>>& segments) {
    size_t n = 0;
    for (const auto& s : segments) n = std::max(n, s->name.size());
    return n;
}

}  // namespace

void model::complete(uint32_t verbose) {
    set_line_ends(lines);

    for (size_t k = 0; k < files.size(); ++k) {
        conv_file& f = *files[k];
        uint32_t number = static_cast<uint32_t>(k + 1);
        f.symbols.clear();
        f.lines.clear();
        if (f.symbol_count) {
            for (const auto& s : symbols)
                if (s->file == number && f.symbols.size() < f.symbol_count) f.symbols.push_back(s.get());
            if (f.symbols.size() < f.symbol_count) alert_message(606);
        }
        if (f.line_count) {
            for (const auto& l : lines)
                if (l->file == number && f.lines.size() < f.line_count) f.lines.push_back(l.get());
            if (f.lines.size() < f.line_count) alert_message(607);
            std::stable_sort(f.lines.begin(), f.lines.end(), line_less);
        }
    }

    if (!data.empty()) {
        std::stable_sort(data.begin(), data.end(), [](const auto& a, const auto& b) {
            if (a->segment != b->segment) return a->segment < b->segment;
            return a->address < b->address;
        });
        std::vector<std::unique_ptr<conv_data>> merged;
        for (auto& d : data) {
            conv_data* last = merged.empty() ? nullptr : merged.back().get();
            if (last && last->segment == d->segment && uint64_t(last->address) + last->size() == d->address)
                last->bytes.insert(last->bytes.end(), d->bytes.begin(), d->bytes.end());
            else
                merged.push_back(std::move(d));
        }
        data = std::move(merged);
        for (auto& d : data) {
            if (d->segment) continue;
            for (size_t i = 0; i < segments.size(); ++i) {
                const conv_segment& s = *segments[i];
                if (s.base <= d->address && uint64_t(d->address) + d->size() <= uint64_t(s.base) + s.size)
                    d->segment = static_cast<uint32_t>(i + 1);
            }
        }
        for (size_t i = 0; i < segments.size(); ++i) {
            conv_segment& s = *segments[i];
            uint64_t end = uint64_t(s.base) + s.size;
            for (const auto& d : data) {
                if (d->segment != i + 1) continue;
                if (d->address < s.base && d->size()) s.base = d->address;
                end = std::max(end, uint64_t(d->address) + d->size());
            }
            if (end - s.base > s.size) s.size = static_cast<uint32_t>(end - s.base);
        }
    }

    if (!verbose) return;
    int width = static_cast<int>(longest_segment_name(segments));
    auto seg_name = [&](uint32_t i) { return segment(i) ? segment(i)->name.c_str() : ""; };
    std::fprintf(stderr, "\nFiles: %d, syms: %d, lines: %d\n", int(files.size()), int(symbols.size()), int(lines.size()));
    for (const auto& f : files) {
        std::fprintf(stderr, "\nFile: %s\n", f->name.c_str());
        std::fprintf(stderr, "Symbols: %u\n", f->symbol_count);
        if (verbose >= 2)
            for (const conv_symbol* s : f->symbols)
                std::fprintf(stderr, "\t%-*s %-8X %s\n", width, seg_name(s->segment), s->value, s->name.c_str());
        std::fprintf(stderr, "Lines: %u\n", f->line_count);
        if (verbose >= 2)
            for (const conv_line* l : f->lines)
                std::fprintf(stderr, "\t%5.5u: %X-%X %s\n", static_cast<uint32_t>(l->line), l->address, l->end_address,
                             seg_name(l->segment));
    }
    uint64_t total = 0;
    for (const auto& d : data) total += d->size();
    std::fprintf(stderr, "\nData blocks: %u, total size %lX\n", uint32_t(data.size()), static_cast<unsigned long>(total));
    if (verbose >= 2)
        for (const auto& d : data) {
            std::fprintf(stderr, "\t%X-%X", d->address, d->address + d->size() - 1);
            if (segment(d->segment)) std::fprintf(stderr, " %s\n", seg_name(d->segment));
            else std::fprintf(stderr, " seg %d\n", int(d->segment) - 1);
        }
    std::fprintf(stderr, "\nSegments: %u\n", uint32_t(segments.size()));
    for (const auto& s : segments) {
        std::fprintf(stderr, "\t%-*s %X", width, s->name.c_str(), s->base);
        if (s->size) std::fprintf(stderr, "-%X", s->base + s->size - 1);
        std::fputc('\n', stderr);
    }
    std::fputc('\n', stderr);
}

}  // namespace conv
