// The P&E map file: file names, then one record per address with a symbol, a line or both.
#include <algorithm>
#include <cstring>
#include <tuple>

#include "common/alert.h"
#include "converter/formats.h"

namespace conv {

namespace {

const char PE_MAGIC[27] = {'P', '&', 'E', ' ', 'M', 'i', 'c', 'r', 'o', 'c', 'o', 'm', 'p', 'u',
                           't', 'e', 'r', ' ', 'M', 'a', 'p', ' ', 'F', 'i', 'l', 'e', 0x1A};
constexpr uint32_t PE_LINE_KIND = 2;

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// A NUL-ended text at the cursor; false when the data ends first.
bool take_text(const std::vector<uint8_t>& b, size_t& at, std::string& out) {
    const void* nul = at < b.size() ? std::memchr(&b[at], 0, b.size() - at) : nullptr;
    if (!nul) return false;
    size_t n = static_cast<const uint8_t*>(nul) - &b[at];
    out.assign(reinterpret_cast<const char*>(&b[at]), n);
    at += n + 1;
    return true;
}

}  // namespace

bool pe_probe(conv_context&, FILE* in) {
    char head[sizeof PE_MAGIC];
    return std::fread(head, 1, sizeof head, in) == sizeof head && std::memcmp(head, PE_MAGIC, sizeof head) == 0;
}

void pe_read(conv_context& ctx, FILE* in, const std::string&) {
    std::vector<uint8_t> b = read_all(in);
    if (b.size() < sizeof PE_MAGIC + 3) return (void)alert_message(1037, "P&E header");
    size_t at = sizeof PE_MAGIC;
    uint32_t records = get16(&b[at], byte_order::big);
    uint32_t file_count = b[at + 2];
    at += 3;
    // The file's numbers name this file's list; the model may already hold files of other inputs.
    std::vector<uint32_t> files;
    for (uint32_t i = 0; i < file_count; ++i) {
        std::string name;
        if (!take_text(b, at, name)) return (void)alert_message(1037, "P&E file names");
        files.push_back(ctx.md.file_add(name));
    }
    for (uint32_t r = 0; r < records; ++r) {
        std::string name;
        if (at + 7 > b.size() || (at += 7, !take_text(b, at, name))) return (void)alert_message(1037, "P&E record");
        const uint8_t* p = &b[at - 8 - name.size()];
        uint32_t address = get32(p, byte_order::little);
        uint32_t number = p[4];
        uint32_t line = get16(p + 5, byte_order::big);
        uint32_t file = number >= 1 && number <= files.size() ? files[number - 1] : 0;
        if (!name.empty()) ctx.md.sym_add(name, address, 0, file, 0);
        if (line) ctx.md.line_add(static_cast<int32_t>(line), address, 0, file, PE_LINE_KIND);
    }
}

bool pe_write(conv_context& ctx, FILE* out, const std::string& name) {
    const model& md = ctx.md;
    std::vector<const conv_symbol*> symbols;
    for (const auto& s : md.symbols) symbols.push_back(s.get());
    std::vector<const conv_line*> lines;
    for (const auto& l : md.lines) lines.push_back(l.get());
    std::stable_sort(symbols.begin(), symbols.end(), [](const conv_symbol* a, const conv_symbol* b) {
        return std::tie(a->file, a->segment, a->value) < std::tie(b->file, b->segment, b->value);
    });
    std::stable_sort(lines.begin(), lines.end(), [](const conv_line* a, const conv_line* b) {
        return std::tie(a->file, a->segment, a->address) < std::tie(b->file, b->segment, b->address);
    });

    struct record {
        const conv_symbol* symbol;
        const conv_line* line;
    };
    std::vector<record> merged;
    size_t i = 0, k = 0;
    while (i < symbols.size() || k < lines.size()) {
        const conv_symbol* s = i < symbols.size() ? symbols[i] : nullptr;
        const conv_line* l = k < lines.size() ? lines[k] : nullptr;
        auto skey = s ? std::make_tuple(s->file, s->segment, s->value) : std::make_tuple(~0u, ~0u, ~0u);
        auto lkey = l ? std::make_tuple(l->file, l->segment, l->address) : std::make_tuple(~0u, ~0u, ~0u);
        if (s && l && skey == lkey) {
            merged.push_back({s, l});
            ++i, ++k;
        } else if (s && (!l || skey < lkey)) {
            merged.push_back({s, nullptr});
            ++i;
        } else {
            merged.push_back({nullptr, l});
            ++k;
        }
    }

    std::vector<uint32_t> number(md.files.size() + 1, 0);
    std::vector<uint8_t> image(PE_MAGIC, PE_MAGIC + sizeof PE_MAGIC);
    uint8_t counts[3];
    put16(counts, static_cast<uint16_t>(merged.size()), byte_order::big);
    uint32_t listed = 0;
    for (const auto& f : md.files)
        if (f->symbol_count || f->line_count) number[f->index] = ++listed;
    counts[2] = static_cast<uint8_t>(listed);
    image.insert(image.end(), counts, counts + 3);
    for (const auto& f : md.files)
        if (number[f->index]) {
            std::string n = upper(f->name);
            image.insert(image.end(), n.c_str(), n.c_str() + n.size() + 1);
        }
    for (const record& r : merged) {
        uint8_t fixed[7] = {};
        put32(fixed, r.line ? r.line->address : r.symbol->value, byte_order::little);
        if (r.line) {
            fixed[4] = static_cast<uint8_t>(r.line->file < number.size() ? number[r.line->file] : 0);
            put16(fixed + 5, static_cast<uint16_t>(r.line->line), byte_order::big);
        }
        image.insert(image.end(), fixed, fixed + 7);
        std::string n = r.symbol ? upper(r.symbol->name) : std::string();
        image.insert(image.end(), n.c_str(), n.c_str() + n.size() + 1);
    }
    if (std::fwrite(image.data(), 1, image.size(), out) != image.size()) alert_message(413, name.c_str());
    return true;
}

}  // namespace conv
