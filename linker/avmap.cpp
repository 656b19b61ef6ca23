#include "linker/avmap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include "common/osdep.h"

#include "common/alert.h"
#include "linker/context.h"
#include "linker/symtab.h"

namespace lnk {

namespace {

const char* const SEPARATORS = " \t\n\r";

std::vector<std::string> words_of(const char* text) {
    std::vector<std::string> out;
    std::string copy = text;
    for (char* w = std::strtok(copy.data(), SEPARATORS); w; w = std::strtok(nullptr, SEPARATORS)) out.emplace_back(w);
    return out;
}

// One entry: a psect or class name (or "-" for the default) and its memory key.
void read_entry(context& cx, const std::vector<std::string>& w, size_t first) {
    if (first >= w.size()) return;
    const name_entry* e;
    bool is_default = w[first] == "-";
    if (is_default) {
        e = cx.symtab.abs_psect;
    } else {
        e = link_sym_lookup(cx, w[first], KIND_GLOBAL_PSECT);
        if (!e) e = link_sym_lookup(cx, w[first], KIND_CLASS);
        if (!e) return;
    }
    if (first + 1 >= w.size()) {
        alert_message(463);
        return;
    }
    if (is_default) cx.avmap.default_pair = cx.avmap.pairs.size();
    cx.avmap.pairs.push_back({e, w[first + 1]});
}

}  // namespace

void avmap_read(context& cx, const std::string& machine, const std::string& file) {
    FILE* f = std::fopen(file.c_str(), "r");
    if (!f) {
        alert_message(141, "avmap", file.c_str());
        exit_hook(1);
        std::exit(1);
    }
    cx.avmap.loaded = true;
    bool in_section = false, found = false;
    char buf[256];
    while (std::fgets(buf, sizeof buf, f)) {
        size_t len = std::strlen(buf);
        if (len && buf[len - 1] != '\n') {   // a longer line is cut at 255 characters
            int c;
            while ((c = std::fgetc(f)) != EOF && c != '\n') {}
        }
        if (buf[0] == '#') continue;
        const char* p = buf + std::strspn(buf, " ");
        if (!p[std::strspn(p, SEPARATORS)]) continue;
        bool tab = *p == '\t';
        if (in_section) {
            if (!tab) break;
            read_entry(cx, words_of(p), 0);
            continue;
        }
        if (tab) continue;
        std::vector<std::string> w = words_of(p);
        if (!w.empty() && str_casecmp(w[0].c_str(), machine.c_str()) == 0) {
            in_section = found = true;
            read_entry(cx, w, 1);
        }
    }
    std::fclose(f);
    if (!found) alert_message(464);
}

std::string memory_key(context& cx, const std::string& name) {
    for (const avmap_pair& p : cx.avmap.pairs)
        if (p.entry->name == name && p.entry != cx.symtab.abs_psect) return p.key;
    if (cx.avmap.default_pair < cx.avmap.pairs.size()) return cx.avmap.pairs[cx.avmap.default_pair].key;
    return "";
}

}  // namespace lnk
