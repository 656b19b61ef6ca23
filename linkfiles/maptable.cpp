#include "linkfiles/maptable.h"

#include <cstring>

#include "linkfiles/symfile.h"

namespace linkfile {

void write_totals_header(FILE* f) { std::fprintf(f, "TOTAL\t\tName          Link     Load   Length\n"); }

void write_class_line(FILE* f, const char* cls, bool bounds, uint32_t low, uint32_t high) {
    std::fprintf(f, "\tCLASS\t%-9.9s", cls);
    if (bounds) std::fprintf(f, " Bounds: %X-%X", low, high);
    std::fputc('\n', f);
}

void write_totals_line(FILE* f, const char* name, bool show_link, uint32_t link, uint32_t load,
                       uint32_t length) {
    std::fprintf(f, "\t\t%-9.9s ", name);
    if (show_link) std::fprintf(f, "%8X", link);
    else std::fprintf(f, "        ");
    std::fprintf(f, " %8X %8X\n", load, length);
}

namespace {

const char* const WORDS = " \t\r\n";

std::vector<std::string> split(const char* text) {
    std::vector<std::string> out;
    std::string copy = text;
    for (char* w = std::strtok(copy.data(), WORDS); w; w = std::strtok(nullptr, WORDS)) out.emplace_back(w);
    return out;
}

bool blank(const char* text) { return text[std::strspn(text, WORDS)] == 0; }

const char* skip_space(const char* text) { return text + std::strspn(text, " \t"); }

bool get_line(FILE* f, std::string& out) {
    char buf[1024];
    if (!std::fgets(buf, sizeof buf, f)) return false;
    out = buf;
    if (!out.empty() && out.back() != '\n') {
        int c;
        while ((c = std::fgetc(f)) != EOF && c != '\n') {}
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return true;
}

}  // namespace

bool read_map_table(FILE* f, map_table& out) {
    std::string text;
    unsigned pos[4] = {0, 0, 0, 0};   // Name, Link, Load, Length
    while (get_line(f, text)) {
        const char* t = skip_space(text.c_str());
        if (std::strncmp(t, "TOTAL", 5) == 0 && std::strstr(t, "Name")) {
            std::vector<std::string> w = split(t);
            static const char* const names[4] = {"Name", "Link", "Load", "Length"};
            for (size_t i = 1; i < w.size(); ++i)
                for (int k = 0; k < 4; ++k)
                    if (!pos[k] && w[i].compare(0, std::strlen(names[k]), names[k]) == 0)
                        pos[k] = static_cast<unsigned>(i);
            out.found = true;
            break;
        }
    }
    if (!out.found) return true;
    while (get_line(f, text)) {
        const char* t = skip_space(text.c_str());
        if (std::strncmp(t, "SEGMENTS", 8) == 0 || blank(t)) break;
        if (std::strncmp(t, "CLASS", 5) != 0) {
            out.problems.push_back({text, 0, 0});
            continue;
        }
        std::vector<std::string> cw = split(t);
        map_class cls;
        cls.name = cw.size() > 1 ? cw[1] : "";
        while (get_line(f, text) && !blank(text.c_str())) {
            std::vector<std::string> w = split(text.c_str());
            map_psect p;
            int missing = 0;
            unsigned at = 0;
            for (int k = 0; k < 4 && !missing; ++k) {
                // Positions count from 1 after the header's first word.
                if (pos[k] == 0 || pos[k] > w.size()) {
                    missing = k + 1;
                    at = pos[k];
                    break;
                }
                const std::string& word = w[pos[k] - 1];
                if (k == 0) p.name = word;
                else if (!hex_value(word, k == 1 ? p.link : k == 2 ? p.load : p.length)) {
                    missing = k + 1;
                    at = pos[k];
                }
            }
            if (missing) out.problems.push_back({text, missing, at});
            else cls.psects.push_back(p);
        }
        out.classes.push_back(std::move(cls));
    }
    return true;
}

bool read_map_table(const std::string& path, map_table& out) {
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return false;
    bool ok = read_map_table(f, out);
    std::fclose(f);
    return ok;
}

}  // namespace linkfile
