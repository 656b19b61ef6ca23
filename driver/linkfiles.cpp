// Symbol file and map table read-back.
#include "driver/linkfiles.h"

#include <cstdlib>
#include <cstring>

namespace {

bool read_line(FILE* f, std::string& line) {
    line.clear();
    int c;
    bool any = false;
    while ((c = fgetc(f)) != EOF) {
        any = true;
        if (c == '\n') break;
        line += char(c);
    }
    return any;
}

std::vector<std::string> words(const std::string& line, const char* separators) {
    std::vector<std::string> result;
    size_t i = 0;
    while ((i = line.find_first_not_of(separators, i)) != std::string::npos) {
        size_t e = line.find_first_of(separators, i);
        result.push_back(line.substr(i, e == std::string::npos ? std::string::npos : e - i));
        i = e;
    }
    return result;
}

bool hex_word(const std::string& word, uint32_t& out) {
    if (word.empty()) return false;
    char* end;
    unsigned long v = strtoul(word.c_str(), &end, 16);
    if (*end != '\0') return false;
    out = uint32_t(v);
    return true;
}

}  // namespace

bool read_symbol_file(const std::string& path, const std::function<void(const symbol_line&)>& each) {
    FILE* f = fopen(path.c_str(), "r");
    if (!f) return false;
    std::string line;
    while (read_line(f, line)) {
        std::vector<std::string> w = words(line, " \t\r");
        if (w.empty()) continue;
        symbol_line s;
        s.name = w[0];
        if (w.size() > 1) hex_word(w[1], s.value);
        if (w.size() > 2) s.has_second = hex_word(w[2], s.second);
        if (w.size() > 3) {
            s.text = w[3];
            s.has_text = true;
        }
        each(s);
    }
    fclose(f);
    return true;
}

void read_map_table(FILE* map, const std::function<void(const map_psect&)>& psect,
                    const std::function<void(const std::string&, const std::string&)>& warn) {
    const char* separators = " \t\r\n";
    std::string line;
    unsigned position[5] = {0, 0, 0, 0, 0};   // of "Name", "Link", "Load", "Length"
    bool header = false;
    while (read_line(map, line)) {
        size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, 5, "TOTAL") != 0 ||
            line.find("Name") == std::string::npos)
            continue;
        std::vector<std::string> w = words(line, separators);
        const char* names[] = {"Name", "Link", "Load", "Length"};
        for (size_t i = 1; i < w.size(); ++i)
            for (int k = 0; k < 4; ++k)
                if (w[i].compare(0, strlen(names[k]), names[k]) == 0 && position[k] == 0) position[k] = unsigned(i);
        header = true;
        break;
    }
    if (!header) return;
    std::string class_name;
    bool in_class = false;
    while (read_line(map, line)) {
        std::vector<std::string> w = words(line, separators);
        if (line.compare(0, 8, "SEGMENTS") == 0) return;
        if (w.empty()) {
            if (!in_class) return;
            in_class = false;
            continue;
        }
        if (!in_class) {
            if (w[0] == "CLASS") {
                in_class = true;
                class_name = w.size() > 1 ? w[1] : std::string();
            } else {
                warn(line, "CLASS expected but not found");
            }
            continue;
        }
        // Words of a section line are counted after the line's first word, as in the header.
        auto word_at = [&](unsigned pos, std::string& out) {
            if (pos == 0 || pos - 1 >= w.size()) return false;
            out = w[pos - 1];
            return true;
        };
        map_psect p;
        p.class_name = class_name;
        std::string link, load, length;
        char problem[64];
        if (!word_at(position[0], p.name)) snprintf(problem, sizeof problem, "no name at position %u", position[0]);
        else if (!word_at(position[1], link) || !hex_word(link, p.link))
            snprintf(problem, sizeof problem, "no link address at position %u", position[1]);
        else if (!word_at(position[2], load) || !hex_word(load, p.load))
            snprintf(problem, sizeof problem, "no load address at position %u", position[2]);
        else if (!word_at(position[3], length) || !hex_word(length, p.length))
            snprintf(problem, sizeof problem, "no length at position %u", position[3]);
        else {
            psect(p);
            continue;
        }
        warn(line, problem);
    }
}
