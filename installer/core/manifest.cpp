// The manifest: sections of lines that fill the variables and the resource, feature, component,
// shortcut, folder and file lists. [Resources] extracts its files from the payload as it goes.
#include <cstdlib>

#include "installer/core/context.h"

namespace inst {

namespace {

// Hands out the manifest's lines: trimmed, without comments and empty lines, with %InstDir%
// replaced by the folder known at the time the line is read.
class line_reader {
public:
    line_reader(context& c, const std::string& text) : c_(c), text_(text) {}

    bool next(std::string& line) {
        if (held_) {
            held_ = false;
            line = held_line_;
            return true;
        }
        while (pos_ < text_.size()) {
            size_t end = text_.find_first_of("\r\n", pos_);
            if (end == std::string::npos)
                end = text_.size();
            std::string raw = text_.substr(pos_, end - pos_);
            pos_ = text_.find_first_not_of("\r\n", end);
            if (pos_ == std::string::npos)
                pos_ = text_.size();
            line = trim(raw);
            if (line.empty() || line[0] == ';')
                continue;
            replace_instdir(line);
            if (line.size() > 8191)
                line.resize(8191);
            return true;
        }
        return false;
    }
    void hand_back(const std::string& line) {
        held_ = true;
        held_line_ = line;
    }

private:
    static std::string trim(const std::string& s) {
        size_t a = s.find_first_not_of(" \t\f\v"), b = s.find_last_not_of(" \t\f\v");
        return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
    }
    void replace_instdir(std::string& line) {
        const std::string* dir = get_variable(c_, "InstDir");
        if (!dir)
            return;
        static const std::string key = "%InstDir%";
        for (size_t i = 0; i + key.size() <= line.size();) {
            if (same_nocase(line.substr(i, key.size()), key)) {
                line.replace(i, key.size(), *dir);
                i += dir->size();
            } else {
                ++i;
            }
        }
    }

    context& c_;
    const std::string& text_;
    size_t pos_ = 0;
    bool held_ = false;
    std::string held_line_;
};

bool take_prefix(const std::string& line, const char* key, std::string& rest) {
    if (!starts_nocase(line, key))
        return false;
    rest = line.substr(std::string(key).size());
    return true;
}

// "name<TAB>size": splits off a decimal size; `size` stays as given when there is no tab.
std::string split_size(const std::string& text, uint32_t& size) {
    size_t tab = text.find('\t');
    if (tab == std::string::npos)
        return text;
    size = uint32_t(std::strtoul(text.c_str() + tab + 1, nullptr, 10));
    return text.substr(0, tab);
}

// The temporary folder: <TEMP>\bxNNN, a new number while the name exists, at most ten tries.
void make_temporary_folder(context& c) {
    std::string parent = c.host.getenv("TEMP");
    if (parent.empty())
        parent = c.host.getenv("TMP");
    if (parent.empty()) {
        std::string windir = c.host.getenv("windir");
        parent = windir.empty() ? "C:" : windir + "\\temp";
    }
    std::string folder;
    for (int tries = 0; tries < 10; ++tries) {
        folder = join(c, parent, format("bx%d", c.rand() & 0xFFF));
        if (!c.host.exists(folder))
            break;
    }
    if (!c.host.make_folder(folder))
        fail(format("Failed to create folder %s", folder.c_str()));
    set_variable(c, "TmpDir", folder);
}

void read_resources(context& c, line_reader& lines) {
    make_temporary_folder(c);
    std::string folder = variable_or_empty(c, "TmpDir"), line;
    while (lines.next(line)) {
        if (line[0] == '[') {
            lines.hand_back(line);
            break;
        }
        size_t eq = line.find('=');
        size_t tab = line.find('\t', eq == std::string::npos ? 0 : eq + 1);
        // A size is needed: it is the length the stream entry must have.
        if (eq == std::string::npos || eq == 0 || tab == std::string::npos || tab == eq + 1 ||
            line.find_first_of("0123456789", tab) != tab + 1)
            fail("Bad line in [Resources]");
        resource r;
        r.variable = line.substr(0, eq);
        size_t end = line.find_first_of("\t=", eq + 1);
        r.file = line.substr(eq + 1, end - eq - 1);
        r.size = uint32_t(std::strtoul(line.c_str() + tab + 1, nullptr, 10));
        r.path = join(c, folder, r.file);
        extract_payload_file(c, &r.path, r.size);
        set_variable(c, r.variable, r.path);
        c.temporary_items.push_back(r.path);
        c.resources.push_back(r);
    }
    c.temporary_items.push_back(folder);
    c.installed_files.clear();   // temporary copies are not installed files
}

void read_variables(context& c, line_reader& lines) {
    std::string line;
    while (lines.next(line)) {
        if (line[0] == '[') {
            lines.hand_back(line);
            break;
        }
        size_t eq = line.find('=');
        if (eq == 0)
            fail("Bad line in [Variables]");
        std::string name = line.substr(0, eq), value;
        if (eq != std::string::npos) {
            size_t end = line.find('=', eq + 1);
            value = line.substr(eq + 1, end == std::string::npos ? std::string::npos : end - eq - 1);
        }
        set_variable(c, name, c.host.expand_environment(value));
        c.variable_names.push_back(name);
    }
    if (!c.startup_variables_done)
        init_install_variables(c);
}

void read_features(context& c, line_reader& lines) {
    c.have_feature_list = true;
    std::string line, rest;
    feature* current = nullptr;
    // The current folder by position: a new feature does not reset it, and pushing moves records.
    size_t folder_feature = 0, folder_index = 0;
    bool have_folder = false;
    while (lines.next(line)) {
        if (line[0] == '[') {
            lines.hand_back(line);
            break;
        }
        if (take_prefix(line, "Feature=", rest)) {
            c.features.push_back(feature{rest, false, {}, {}, 0});
            current = &c.features.back();
        } else if (take_prefix(line, "Installer=", rest)) {
            if (!current)
                fail("missing feature name before Installer");
            uint32_t size = 0;
            current->installers.push_back(split_size(rest, size));
            current->installer_size += size;
        } else if (line.back() == '/' || line.back() == '\\') {
            if (!current)
                fail("missing feature name before folder");
            std::string name = line;
            for (char& ch : name)
                if (ch == '/')
                    ch = '\\';
            while (!name.empty() && name.back() == '\\')
                name.pop_back();
            current->folders.push_back(folder_entry{name, {}});
            folder_feature = c.features.size() - 1;
            folder_index = current->folders.size() - 1;
            have_folder = true;
        } else {
            if (!have_folder)
                fail("file in list without preceding folder");
            file_entry f;
            f.name = split_size(line, f.size);
            c.features[folder_feature].folders[folder_index].files.push_back(f);
        }
    }
}

void read_components(context& c, line_reader& lines) {
    c.have_component_list = true;
    std::string line, rest;
    component* current = nullptr;
    auto need = [&](const char* what) {
        if (!current)
            fail(format("%s with no component name", what));
    };
    while (lines.next(line)) {
        if (line[0] == '[') {
            lines.hand_back(line);
            break;
        }
        if (take_prefix(line, "Component=", rest)) {
            c.components.push_back(component{rest, "", true, false, false, {}});
            current = &c.components.back();
        } else if (take_prefix(line, "Description=", rest)) {
            need("Description");
            current->description = rest;
        } else if (take_prefix(line, "Selected=", rest)) {
            need("Selected");
            current->selected = starts_nocase(rest, "yes");
        } else if (take_prefix(line, "Required=", rest)) {
            need("Required");
            current->required = starts_nocase(rest, "yes");
        } else if (take_prefix(line, "Java=", rest)) {
            need("Java");
            current->java = starts_nocase(rest, "yes");
        } else {
            if (!current)
                fail("feature in un-named component");
            if (!c.have_feature_list)
                fail("No feature list in manifest");
            size_t i = 0;
            while (i < c.features.size() && !same_nocase(c.features[i].name, line))
                ++i;
            if (i == c.features.size())
                fail(format("Feature %s not in manifest", line.c_str()));
            current->features.push_back(i);
        }
    }
}

void read_shortcuts(context& c, line_reader& lines) {
    std::string line;
    while (lines.next(line)) {
        if (line[0] == '[') {
            lines.hand_back(line);
            break;
        }
        size_t eq = line.find('=');
        if (eq == 0 || eq == std::string::npos || eq + 1 == line.size() || line[eq + 1] == '=')
            fail("Bad line in [Shortcuts]");
        size_t end = line.find('=', eq + 1);
        std::string rest = line.substr(eq + 1, end == std::string::npos ? std::string::npos : end - eq - 1);
        shortcut s{line.substr(0, eq), rest, ""};
        size_t comma = rest.find(',');
        if (comma != std::string::npos) {
            s.target = rest.substr(0, comma);
            s.icon_variable = rest.substr(comma + 1);
        }
        c.shortcuts.push_back(s);
    }
}

void read_list(line_reader& lines, std::vector<std::string>& list) {
    std::string line;
    while (lines.next(line)) {
        if (line[0] == '[') {
            lines.hand_back(line);
            break;
        }
        list.push_back(line);
    }
}

}  // namespace

void read_manifest(context& c, const std::string& text) {
    line_reader lines(c, text);
    std::string line;
    if (!lines.next(line) || line != c.fingerprint)
        fail("Invalid manifest signature");
    while (lines.next(line)) {
        if (line[0] != '[')
            fail("Invalid manifest format");
        size_t close = line.find(']');
        std::string name = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (same_nocase(name, "Run")) {
            if (!c.startup_variables_done)
                init_install_variables(c);
            return;
        }
        if (same_nocase(name, "Resources"))
            read_resources(c, lines);
        else if (same_nocase(name, "Variables"))
            read_variables(c, lines);
        else if (same_nocase(name, "Features"))
            read_features(c, lines);
        else if (same_nocase(name, "Components"))
            read_components(c, lines);
        else if (same_nocase(name, "Shortcuts"))
            read_shortcuts(c, lines);
        else if (same_nocase(name, "Folders"))
            read_list(lines, c.created_folders);
        else if (same_nocase(name, "Files"))
            read_list(lines, c.installed_files);
        else
            fail("Unknown line in manifest: " + name);
    }
    fail("Invalid manifest format");
}

}  // namespace inst
