#include "linkfiles/symfile.h"

#include <cstring>

namespace linkfile {

void write_plain(FILE* f, uint32_t value, const char* name) { std::fprintf(f, "%4.4X %s\n", value, name); }

void write_register(FILE* f, const char* name, uint32_t value) { std::fprintf(f, "%s reg %X\n", name, value); }

void write_stack(FILE* f, const char* name, int32_t offset) { std::fprintf(f, "%s stk %d\n", name, offset); }

void write_name(FILE* f, const char* name) { std::fprintf(f, "%s\n", name); }

void write_extended(FILE* f, const char* name, uint32_t value, bool has_psect, uint32_t load_offset,
                    const char* cls) {
    std::fprintf(f, "%s %X", name, value);
    if (has_psect) std::fprintf(f, " %X", load_offset);
    if (cls && *cls) std::fprintf(f, " %s", cls);
    std::fputc('\n', f);
}

void write_keyed(FILE* f, bool has_psect, const char* name, const char* key, uint32_t value) {
    std::fprintf(f, "%s %s %s:%X\n", has_psect ? "SY" : "AS", name, key, value);
}

void write_keyed_segment(FILE* f, const char* name, const char* key, uint32_t first, uint32_t last) {
    std::fprintf(f, "SG %s %s:%X %X\n", name, key, first, last);
}

void write_segment(FILE* f, const char* name, uint32_t first, uint32_t last, const char* cls) {
    std::fprintf(f, "%s %X %X %s\n", name, first, last, cls);
}

bool read(const std::string& path, std::vector<line>& out) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return false;
    char buf[1024];
    while (std::fgets(buf, sizeof buf, f)) {
        size_t len = std::strlen(buf);
        bool whole = len && buf[len - 1] == '\n';
        line l;
        for (char* w = std::strtok(buf, " \t\r\n"); w; w = std::strtok(nullptr, " \t\r\n")) l.words.emplace_back(w);
        out.push_back(std::move(l));
        if (!whole) {  // the rest of an over-long line is dropped
            int c;
            while ((c = std::fgetc(f)) != EOF && c != '\n') {}
        }
    }
    std::fclose(f);
    return true;
}

bool read_line(FILE* f, std::string& out) {
    out.clear();
    int c;
    while ((c = std::fgetc(f)) != EOF) {
        if (c == '\n') {
            if (!out.empty() && out.back() == '\r') out.pop_back();
            return true;
        }
        out.push_back(static_cast<char>(c));
    }
    return false;
}

std::vector<std::string> blank_words(const std::string& text) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        size_t end = text.find(' ', i);
        if (end == std::string::npos) end = text.size();
        words.push_back(text.substr(i, end - i));
        i = end;
    }
    return words;
}

bool hex_value(const std::string& word, uint32_t& value) {
    if (word.empty() || word.size() > 8) return false;
    uint32_t v = 0;
    for (char c : word) {
        uint32_t d;
        if (c >= '0' && c <= '9') d = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F') d = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f') d = static_cast<uint32_t>(c - 'a' + 10);
        else return false;
        v = v << 4 | d;
    }
    value = v;
    return true;
}

bool parse_symbol(const line& l, symbol& out) {
    if (l.words.size() < 2) return false;
    if (l.words[1] == "reg" || l.words[1] == "stk") return false;
    if (l.words[0] == "SY" || l.words[0] == "AS" || l.words[0] == "SG") return false;
    uint32_t v = 0;
    // The plain style writes the value first.
    if (hex_value(l.words[0], v) && l.words.size() == 2 && !hex_value(l.words[1], v)) {
        hex_value(l.words[0], out.value);
        out.name = l.words[1];
        out.has_offset = false;
        out.text.clear();
        return true;
    }
    if (!hex_value(l.words[1], v)) return false;
    out.name = l.words[0];
    out.value = v;
    out.has_offset = l.words.size() > 2 && hex_value(l.words[2], out.load_offset);
    if (!out.has_offset) out.load_offset = 0;
    out.text = l.words.size() > 3 ? l.words[3] : "";
    return true;
}

}  // namespace linkfile
