// The install, repair and removal runs: files, registry records, uninstall entry, shortcuts,
// installed manifest, PATH, the Holtek IDE setting and the removal script.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "installer/core/actions.h"
#include "installer/core/context.h"
#include "installer/core/keys.h"

namespace inst {

std::string product_key_path(context& c) {
    return expand_variables(c, "SOFTWARE\\[Manufacturer]\\[Product]\\[Version]");
}

std::string uninstall_key_path(context& c) {
    return expand_variables(c, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\[Product] [Version][PatchLevel]");
}

namespace {

const char system_environment[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

void must_write(int32_t result) {
    if (result != 0)
        fail(format("Registry write failure %d", int(result)));
}

std::string resources_folder(context& c) {
    const std::string* res = get_variable(c, "ResDir");
    return join(c, res ? *res : variable_or_empty(c, "InstDir"), "resources");
}

void install_feature_files(context& c) {
    if (!c.have_component_list || !c.have_feature_list)
        fail("no files to copy");
    c.bytes_done = 0;
    std::string instdir = variable_or_empty(c, "InstDir");
    for (feature& f : c.features) {
        log_line(c, format("Installing %s", f.name.c_str()));
        for (const folder_entry& folder : f.folders) {
            if (!f.selected) {
                for (const file_entry& file : folder.files)
                    extract_payload_file(c, nullptr, file.size);
                continue;
            }
            log_line(c, format("    Creating folder %s", folder.name.c_str()));
            std::string path = join(c, instdir, folder.name);
            create_folder(c, path);
            for (const file_entry& file : folder.files) {
                log_line(c, format("        Copying file %s", file.name.c_str()));
                std::string target = join(c, path, file.name);
                extract_payload_file(c, &target, file.size);
            }
        }
    }
    close_payload(c);
    log_line(c, "Copying resources");
    std::string folder = resources_folder(c);
    create_folder(c, folder);
    for (resource& r : c.resources) {
        log_line(c, format("    Copying file %s", r.file.c_str()));
        std::string target = join(c, folder, r.file);
        copy_file_part(c, r.path, target, r.size);
        if (!r.variable.empty()) {
            set_variable(c, r.variable, target);
            r.file = target;
        }
    }
    run_feature_installers(c);
}

void update_holtek_ide_ini(context& c) {
    const std::string root = "SOFTWARE\\Holtek Inc.";
    std::vector<std::string> vendors;
    if (c.host.reg_subkeys(ROOT_MACHINE, root, vendors) != 0)
        return;
    std::string value = expand_variables(c, "\"[Instdir]\\bin\\ormcl.exe\"");
    std::string last;
    for (const std::string& vendor : vendors) {
        std::vector<std::string> products;
        if (c.host.reg_subkeys(ROOT_MACHINE, root + "\\" + vendor, products) != 0)
            continue;
        for (const std::string& product : products) {
            auto dir = reg_read_string(c, ROOT_MACHINE, root + "\\" + vendor + "\\" + product, "Dir");
            if (!dir)
                continue;
            last = join(c, *dir, "bin\\ht-ide3000.ini");
            c.host.write_ini(last, "Bryllex", "COMPILER", value);
        }
    }
    if (!last.empty())
        set_variable(c, "HoltekIDEPath", last.substr(0, last.rfind('.')) + ".exe");
}

void write_uninstall_entry(context& c) {
    write_product_registry(c);
    std::string key = uninstall_key_path(c);
    auto put = [&](const char* name, const std::string& text) { must_write(reg_write_string(c, ROOT_MACHINE, key, name, text)); };
    auto put_if_set = [&](const char* name, const char* variable) {
        if (const std::string* v = get_variable(c, variable))
            put(name, *v);
    };
    put_if_set("DisplayIcon", "ICON");
    put("DisplayName", expand_variables(c, "[Description] V[Version][PatchLEvel]"));
    put("DisplayVersion", variable_or_empty(c, "Version"));
    put_if_set("HelpLink", "SupportURL");
    must_write(reg_write_dword(c, ROOT_MACHINE, key, "NoModify", 1));
    put("Publisher", "BRYLLEX Software");
    put("UninstallString", "\"" + variable_or_empty(c, "SETUP") + "\"");
    put("InstallLocation", "\"" + variable_or_empty(c, "InstDir") + "\"");
    put_if_set("HelpTelephone", "PhoneNo");
    put_if_set("URLUpdateInfo", "UpdateURL");
    std::string version = variable_or_empty(c, "Version");
    must_write(reg_write_dword(c, ROOT_MACHINE, key, "VersionMajor", uint32_t(std::atoi(version.c_str()))));
    size_t dot = version.rfind('.');
    if (dot != std::string::npos)
        must_write(reg_write_dword(c, ROOT_MACHINE, key, "VersionMinor", uint32_t(std::atoi(version.c_str() + dot + 1))));
    if (get_flag_variable(c, "EditHoltekIDE"))
        update_holtek_ide_ini(c);
    if (const std::string* ide = get_variable(c, "KORVIDE_ShortCut")) {
        size_t l = ide->find('L');
        std::string ver = ide->substr(0, l), patch = l == std::string::npos ? "0" : ide->substr(l + 1);
        auto dir = reg_read_string(c, ROOT_MACHINE,
                                   format("Software\\BRYLLEX Software\\KORVIDE\\%s\\PL%s", ver.c_str(), patch.c_str()),
                                   "InstDir");
        c.ide_program.clear();
        if (dir) {
            c.ide_program = join(c, *dir, "bin\\korvide.exe");
            c.shortcuts.push_back(shortcut{"KORVIDE Integrated Development Environment", c.ide_program, ""});
        }
    }
}

bool is_absolute(const std::string& path) {
    return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() > 1 && path[1] == ':');
}

void link_one(context& c, const std::string& target, const std::string& link, const std::string& description,
              const std::string& folder, const std::string& icon) {
    c.host.delete_file(link);
    if (c.journal_on)
        c.journal.push_back(undo_step{undo_step::new_file, link, "", 0, "", false, 0, {}});
    std::string error;
    int result = c.host.create_link(target, link, description, folder, icon, error);
    if (result < 0)
        fail(error.empty() ? format("Create shortcut failed %d/%d %s %s %s", result, c.host.error_number(),
                                    target.c_str(), link.c_str(), folder.c_str())
                           : error);
    c.installed_files.push_back(link);
}

void create_shortcuts(context& c) {
    if (c.shortcuts.empty())
        return;
    std::string folder = variable_or_empty(c, "ShortcutFolder");
    create_folder(c, folder);
    for (const shortcut& s : c.shortcuts) {
        std::string target = is_absolute(s.target) ? host_path(c, s.target)
                                                   : join(c, variable_or_empty(c, "InstDir"), s.target);
        std::string work = target.substr(0, target.rfind(c.host.separator()) == std::string::npos
                                                ? 0 : target.rfind(c.host.separator()));
        std::string icon = s.icon_variable.empty() ? "" : variable_or_empty(c, s.icon_variable);
        link_one(c, target, join(c, folder, s.name + ".lnk"), "", work, icon);
    }
    if (const std::string* holtek = get_variable(c, "HoltekIDEPath"))
        link_one(c, *holtek, join(c, folder, "HT-IDE3000.lnk"), "Run Holtek HT-IDE3000", "", "");
}

// Every occurrence of the installation folder, in any letter case, becomes %InstDir%.
std::string relative_to_instdir(context& c, std::string text) {
    std::string dir = variable_or_empty(c, "InstDir");
    if (dir.empty())
        return text;
    for (size_t i = 0; i + dir.size() <= text.size();) {
        if (same_nocase(text.substr(i, dir.size()), dir)) {
            text.replace(i, dir.size(), "%InstDir%");
            i += 9;
        } else {
            ++i;
        }
    }
    return text;
}

// The [Folders] lines of an installed manifest already at `path`.
std::vector<std::string> previous_folders(context& c, const std::string& path) {
    std::vector<std::string> folders;
    auto text = read_text_file(c, path);
    bool inside = false;
    for (size_t pos = 0; text && pos < text->size();) {
        size_t end = std::min(text->find_first_of("\r\n", pos), text->size());
        std::string line = text->substr(pos, end - pos);
        pos = std::min(text->find_first_not_of("\r\n", end), text->size());
        if (!line.empty() && line[0] == '[')
            inside = same_nocase(line, "[Folders]");
        else if (inside && !line.empty())
            folders.push_back(line);
    }
    return folders;
}

void write_installed_manifest(context& c) {
    if (!get_flag_variable(c, "Install"))
        return;
    const std::string* res = get_variable(c, "ResDir");
    std::string path = host_path(c, expand_variables(c, res ? "[ResDir]\\resources\\manifest" : "[InstDir]\\resources\\manifest"));
    c.installed_files.push_back(path);
    std::string text = c.fingerprint + "\n[Variables]\nRemove=yes\nRepair=yes\n";
    for (const std::string& name : c.variable_names)
        text += name + "=" + relative_to_instdir(c, variable_or_empty(c, name)) + "\n";
    for (const resource& r : c.resources)
        if (!r.variable.empty())
            text += r.variable + "=" + relative_to_instdir(c, r.file) + "\n";
    text += "[Files]\n";
    for (const std::string& f : c.installed_files)
        text += relative_to_instdir(c, f) + "\n";
    text += "[Folders]\n";
    std::vector<std::string> folders;
    for (auto it = c.created_folders.rbegin(); it != c.created_folders.rend(); ++it)
        folders.push_back(relative_to_instdir(c, *it));
    // Installing over a previous installation creates no folders: keep the ones it made, or a
    // later removal would leave them behind.
    for (const std::string& old : previous_folders(c, path))
        if (old != "%InstDir%" && std::find(folders.begin(), folders.end(), old) == folders.end())
            folders.push_back(old);
    for (const std::string& folder : folders)
        text += folder + "\n";
    std::string instdir = variable_or_empty(c, "InstDir");
    if (c.created_folders.empty() || c.created_folders.front().size() > instdir.size())
        text += "%InstDir%\n";
    text += "[Shortcuts]\n";
    for (const shortcut& s : c.shortcuts) {
        text += s.name + "=" + relative_to_instdir(c, s.target);
        if (!s.icon_variable.empty())
            text += "," + s.icon_variable;
        text += "\n";
    }
    text += "[Run]\n";
#ifdef _WIN32
    // Written as text: lines end in CR LF.
    std::string out;
    for (char ch : text)
        out += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
    text = out;
#endif
    auto file = create_output(c, path);
    if (!file || !file->write(text.data(), text.size()) || !file->close())
        fail("Can't open manifest for writing");
}

std::string write_uninstall_batch(context& c) {
    std::string batch = c.host.temp_name("bxs") + c.host.removal_script_extension();
    size_t total = c.installed_files.size() + c.created_folders.size(), done = 0;
    auto bar = [&] { return total ? int((done + total - 1) / total) : 0; };
    for (const std::string& f : c.installed_files) {
        report_progress(c, bar(), format("Deleting file %s", f.c_str()));
        c.host.delete_file(host_path(c, f));
        done += 100;
    }
    std::vector<std::string> kept;
    for (const std::string& f : c.created_folders) {
        report_progress(c, bar(), format("Removing folder %s", f.c_str()));
        if (!c.host.remove_folder(host_path(c, f)))
            kept.push_back(host_path(c, f));
        done += 100;
    }
    std::string text = c.host.removal_script(variable_or_empty(c, "SETUP"), kept, batch);
    auto file = c.host.create_file(batch);
    if (!file || !file->write(text.data(), text.size()) || !file->close())
        fail(format("Could not create %s", batch.c_str()));
    return batch;
}

void remove_product_registry(context& c) {
    std::string product = product_key_path(c);
    c.host.reg_delete_key(ROOT_MACHINE, product + "\\" + variable_or_empty(c, "PatchLevel"));
    c.host.reg_delete_key(ROOT_MACHINE, product);
    c.host.reg_delete_key(ROOT_MACHINE, uninstall_key_path(c));
}

}  // namespace

void write_product_registry(context& c) {
    must_write(reg_write_string(c, ROOT_MACHINE, product_key_path(c) + "\\" + variable_or_empty(c, "PatchLevel"),
                                "InstDir", variable_or_empty(c, "InstDir")));
}

void install_run(context& c) {
    if (!c.journal_on)
        journal_start(c);
    install_feature_files(c);
    write_uninstall_entry(c);
    create_shortcuts(c);
    write_installed_manifest(c);
    journal_commit(c);
}

void repair_run(context& c) {
    write_uninstall_entry(c);
    create_shortcuts(c);
}

void remove_run(context& c) {
    c.removal_batch = write_uninstall_batch(c);
    remove_product_registry(c);
}

void add_bin_to_path(context& c) {
    std::string bin = join(c, variable_or_empty(c, "InstDir"), "bin");
    if (!c.host.nt_family()) {
        if (std::FILE* f = std::fopen("C:\\AUTOEXEC.BAT", "a")) {
            std::fprintf(f, "SET %s=%%%s%%;%s\n", "PATH", "PATH", bin.c_str());
            std::fclose(f);
        }
        return;
    }
    auto old = reg_read_string(c, ROOT_MACHINE, system_environment, "PATH");
    if (!old)
        return;
    std::string lower_old = *old, lower_bin = bin;
    for (char& ch : lower_old)
        ch = char(std::tolower(static_cast<unsigned char>(ch)));
    for (char& ch : lower_bin)
        ch = char(std::tolower(static_cast<unsigned char>(ch)));
    if (lower_old.find(lower_bin) == std::string::npos) {
        std::string value = *old;
        if (value.empty() || value.back() != ';')
            value += ";";
        reg_write_string(c, ROOT_MACHINE, system_environment, "PATH", value + bin);
    }
    c.host.announce_environment();
}

void select_features(context& c) {
    for (feature& f : c.features)
        f.selected = false;
    for (const component& comp : c.components)
        if (comp.selected || comp.required)
            for (size_t i : comp.features)
                c.features[i].selected = true;
}

uint64_t space_needed(context& c, uint32_t cluster) {
    if (!c.have_component_list || !c.have_feature_list)
        return 0;
    select_features(c);
    if (cluster == 0)
        cluster = 4096;
    uint64_t total = 0, per_percent = 99;
    auto add = [&](uint32_t size) {
        total += (uint64_t(size) + cluster - 1) / cluster * cluster;
        per_percent += uint64_t(size) + 8192;
    };
    for (const feature& f : c.features) {
        if (!f.selected)
            continue;
        if (f.folders.empty())
            total += f.installer_size;
        for (const folder_entry& folder : f.folders)
            for (const file_entry& file : folder.files)
                add(file.size);
    }
    for (const resource& r : c.resources)
        add(r.size);
    c.bytes_per_percent = uint32_t(per_percent / 100);
    return (total + 1023) / 1024;
}

}  // namespace inst
