// The six pages: Welcome, Licence, Installdir, Configuration, Copyfiles and Complete.
#include "common/msgfile.h"
#include "installer/core/actions.h"
#include "installer/core/keys.h"
#include "installer/core/wizard.h"

namespace inst {

namespace {

constexpr int ID_WELCOME_FRAME = 906;

bool install_only(context& c) { return get_flag_variable(c, "Install") && get_flag_variable(c, "InstallOnly"); }

bool patch_zero(context& c) { return same_nocase(variable_or_empty(c, "PatchLevel"), "PL0"); }

class welcome_page : public page {
public:
    explicit welcome_page(context& c) : c_(c) {}

    int enter(bool) override {
        if (install_only(c_))
            return SKIP_PAGE;
        ui& w = c_.window;
        bool install = get_flag_variable(c_, "Install");
        if (!made_) {
            made_ = true;
            w.create(ID_WELCOME_FRAME, control_kind::frame, "", {25, 205, 350, 35});
            w.create(ID_REPAIR, control_kind::radio,
                     get_flag_variable(c_, "InstallOnly") ? "Re&pair the installation" : "Repair the installation",
                     {30, 210, 340, 10});
            w.create(ID_REMOVE, control_kind::radio, "&Remove the installation", {30, 225, 340, 10});
            std::string version = patch_zero(c_) ? "[Version]" : "[Version][PatchLevel]";
            text_ = expand_variables(
                c_, install ? "This program will install\n[Description] version " + version + ".\nPress Next to continue."
                            : "This program will repair or remove\n[Description] version " + version +
                                  ".\nSelect an option and press Next to continue.");
            if (!install) {
                for (int id : {ID_WELCOME_FRAME, int(ID_REPAIR), int(ID_REMOVE)})
                    w.set_visible(id, true);
                w.set_enabled(ID_NEXT, false);
            }
        }
        if (!install && !w.checked(ID_REPAIR) && !w.checked(ID_REMOVE))
            w.set_enabled(ID_NEXT, false);
        w.set_page_text(text_);
        return 0;
    }

    int leave(bool) override {
        if (install_only(c_))
            return SKIP_PAGE;
        ui& w = c_.window;
        set_flag_variable(c_, "Remove", w.checked(ID_REMOVE));
        set_flag_variable(c_, "Repair", w.checked(ID_REPAIR));
        if (get_flag_variable(c_, "Remove") &&
            !w.ask_yes_no("Remove installation", format("Are you sure you want to completely remove\n%s V%s?",
                                                        variable_or_empty(c_, "Description").c_str(),
                                                        variable_or_empty(c_, "Version").c_str())))
            return REFUSE_LEAVE;
        for (int id : {ID_WELCOME_FRAME, int(ID_REPAIR), int(ID_REMOVE)})
            w.set_visible(id, false);
        w.set_page_text(std::nullopt);
        return 0;
    }

    void command(int id) override {
        if (install_only(c_) || (id != ID_REPAIR && id != ID_REMOVE))
            return;
        ui& w = c_.window;
        if (get_flag_variable(c_, "Install") || w.checked(ID_REPAIR) || w.checked(ID_REMOVE))
            w.set_enabled(ID_NEXT, true);
    }

private:
    context& c_;
    bool made_ = false;
    std::string text_;
};

class licence_page : public page {
public:
    explicit licence_page(context& c) : c_(c) {}

    int enter(bool) override {
        if (get_flag_variable(c_, "InstallOnly") || get_flag_variable(c_, "Remove"))
            return SKIP_PAGE;
        ui& w = c_.window;
        if (!made_) {
            const std::string* file = get_variable(c_, "LICENCE");
            auto text = file ? read_text_file(c_, *file, 16384) : std::nullopt;
            if (!text)
                fail("Could not find licence agreement");
            w.create(ID_LICENCE_TEXT, control_kind::log_edit, *text, {25, 75, 350, 150});
            w.create(ID_ACCEPT, control_kind::bordered_check, "I &accept the terms of the licence agreement",
                     {25, 230, 350, 10});
            w.focus(ID_LICENCE_TEXT);
            made_ = true;
        }
        w.set_enabled(ID_NEXT, w.checked(ID_ACCEPT));
        w.set_visible(ID_LICENCE_TEXT, true);
        w.set_visible(ID_ACCEPT, true);
        return 0;
    }

    int leave(bool) override {
        if (get_flag_variable(c_, "InstallOnly"))
            return SKIP_PAGE;
        if (made_) {
            c_.window.set_page_text(std::nullopt);
            c_.window.set_visible(ID_LICENCE_TEXT, false);
            c_.window.set_visible(ID_ACCEPT, false);
        }
        return 0;
    }

    void command(int id) override {
        if (id != ID_ACCEPT || get_flag_variable(c_, "InstallOnly"))
            return;
        bool accepted = c_.window.checked(ID_ACCEPT);
        c_.window.set_enabled(ID_NEXT, accepted);
        if (accepted)
            c_.window.focus(ID_NEXT);
    }

private:
    context& c_;
    bool made_ = false;
};

class installdir_page : public page {
public:
    explicit installdir_page(context& c) : c_(c) {}

    int enter(bool) override {
        if (!get_flag_variable(c_, "Install"))
            return SKIP_PAGE;
        ui& w = c_.window;
        if (!made_)
            make();
        std::string text = boxes_ ? "Please select components to install, and choose the installation folder, then "
                                    "click Next to complete the installation."
                                  : "Please choose the folder to install into, then click Next to complete the "
                                    "installation.";
        if (marked_)
            text += "\n\nComponents marked with ** need to be downloaded from the BRYLLEX website.";
        w.set_page_text(text);
        update_space();
        for (int id : controls())
            w.set_visible(id, true);
        return 0;
    }

    int leave(bool) override {
        ui& w = c_.window;
        if (get_flag_variable(c_, "Install")) {
            std::string folder = w.text(ID_FOLDER);
            if (c_.host.exists(folder) && !c_.host.is_folder(folder)) {
                w.error_box("Bad installation folder", "Already exists but is not a folder!");
                w.focus(ID_FOLDER);
                return REFUSE_LEAVE;
            }
            std::string setup = join(c_, folder, "resources\\setup.exe");
            if (c_.host.exists(setup)) {
                if (w.ask_yes_no("Previous Installation",
                                 "There is a previous installation in that location. Uninstall, the previous installation?"))
                    run_and_wait(c_, setup);
                else if (!w.ask_yes_no("Previous Installation", "Is it OK to overwrite the previous installation?"))
                    return REFUSE_LEAVE;
            }
            set_variable(c_, "InstDir", folder);
        }
        w.set_page_text(std::nullopt);
        for (int id : controls())
            w.set_visible(id, false);
        return 0;
    }

    void command(int id) override {
        if (!made_ || !((id >= ID_FOLDER && id <= 260) || is_box(id)))
            return;
        for (size_t i = 0; i < boxes_; ++i) {
            component& comp = c_.components[i];
            comp.selected = c_.window.checked(box_id(i)) || comp.required;
        }
        update_space();
    }

private:
    static int box_id(size_t i) { return ID_FIRST_BOX + 4 * int(i); }
    bool is_box(int id) const {
        return id >= ID_FIRST_BOX && (id - ID_FIRST_BOX) % 4 == 0 && size_t(id - ID_FIRST_BOX) / 4 < boxes_;
    }
    std::vector<int> controls() const {
        std::vector<int> ids{ID_FRAME, ID_FOLDER, ID_SPACE_NEEDED, ID_SPACE_FREE};
        for (size_t i = 0; i < boxes_; ++i)
            ids.push_back(box_id(i));
        return ids;
    }

    static bool needs_download(context& c, const component& comp) {
        for (size_t f : comp.features)
            for (const std::string& installer : c.features[f].installers)
                if (starts_nocase(installer, "http://") || starts_nocase(installer, "ftp://"))
                    return true;
        return false;
    }

    void decide_java() {
        auto& list = c_.components;
        long java = -1;
        for (size_t i = 0; i < list.size(); ++i)
            if (starts_nocase(list[i].description, "Java"))
                java = long(i);
        bool needed = false;
        for (const component& comp : list)
            if (comp.java && !needed)
                needed = !check_java_runtime(c_, variable_or_empty(c_, "JCOMPAT"), nullptr);
        if (needed && java >= 0)
            list[size_t(java)].selected = true;
        else if (!needed && java >= 0)
            list.erase(list.begin() + java);
    }

    void make() {
        made_ = true;
        ui& w = c_.window;
        decide_java();
        size_t n = c_.components.size() > 1 ? c_.components.size() : 0;
        int shown = int(n);
        w.create(ID_FRAME, control_kind::frame, "", {25, 205 - 15 * shown, 350, 15 * shown + 35});
        w.create(ID_SPACE_NEEDED, control_kind::readonly_edit, "", {30, 225, 170, 10});
        w.create(ID_SPACE_FREE, control_kind::readonly_edit, "", {205, 225, 165, 10});
        for (size_t i = 0; i < n; ++i) {
            const component& comp = c_.components[i];
            bool download = needs_download(c_, comp);
            marked_ = marked_ || download;
            w.create(box_id(i), control_kind::check, (download ? "** " : "") + comp.description,
                     {30, 210 + 15 * (int(i) - shown), 340, 10});
            w.set_checked(box_id(i), comp.required || comp.selected);
            if (comp.required)
                w.set_enabled(box_id(i), false);
        }
        boxes_ = n;
        w.create(ID_FOLDER, control_kind::edit, variable_or_empty(c_, "InstDir"), {30, 210, 340, 10});
    }

    void update_space() {
        ui& w = c_.window;
        std::string folder = w.text(ID_FOLDER);
        if (folder.size() > 2048)
            folder.resize(2048);
        std::string root = folder.size() > 1 && folder[1] == ':' ? folder.substr(0, 2) + "\\" : folder;
        uint64_t free_bytes = 0;
        uint32_t cluster = 4096;
        if (!c_.host.disk_space(root, free_bytes, cluster))
            free_bytes = 0;
        w.set_text(ID_SPACE_FREE, format("Space available: %lu MB", static_cast<unsigned long>(free_bytes / 1048576)));
        uint64_t kb = space_needed(c_, cluster);
        w.set_text(ID_SPACE_NEEDED, format("Space required: %.1f MB", double(kb) / 1024.0));
    }

    context& c_;
    bool made_ = false, marked_ = false;
    size_t boxes_ = 0;
};

class configuration_page : public page {
public:
    explicit configuration_page(context& c) : c_(c) {}

    int enter(bool) override {
        if (get_flag_variable(c_, "InstallOnly") || get_flag_variable(c_, "Remove"))
            return SKIP_PAGE;
        ui& w = c_.window;
        w.create(ID_LANGUAGE_FRAME, control_kind::static_text, "  Language to use for messages", {25, 206, 350, 35});
        w.create(ID_LANGUAGE, control_kind::drop_list, "", {30, 216, 96, 9});
        w.create(ID_OPTION_BOX, control_kind::check, "Add to environment path", {175, 220, 96, 9});
        w.set_page_text(
            std::string("The below options allow you to customize your installation.\n\nHere you can choose the "
                        "preferred language for error, warning and advisory messages. For those that use the "
                        "command line to compile, you may also select for the executables to be added to your "
                        "environment PATH."));
        std::vector<std::string> names;
        int english = 0;
        for (const language_row& row : language_table) {
            if (row.id == 255)
                break;
            if (row.id == 9)
                english = int(names.size());
            names.push_back(row.names);
        }
        w.set_items(ID_LANGUAGE, names, english);
        for (int id : {int(ID_LANGUAGE_FRAME), int(ID_LANGUAGE), int(ID_OPTION_BOX)})
            w.set_visible(id, true);
        w.set_enabled(ID_NEXT, true);
        shown_ = true;
        return 0;
    }

    int leave(bool) override {
        if (get_flag_variable(c_, "InstallOnly"))
            return SKIP_PAGE;
        // A skipped page has no choice to write.
        if (!shown_)
            return 0;
        shown_ = false;
        ui& w = c_.window;
        int row = w.selection(ID_LANGUAGE);
        if (row >= 0 && row < 3)
            reg_write_dword(c_, ROOT_MACHINE, product_key_path(c_), "language", uint32_t(language_table[row].id));
        if (w.checked(ID_OPTION_BOX))
            add_bin_to_path(c_);
        for (int id : {int(ID_LANGUAGE_FRAME), int(ID_LANGUAGE), int(ID_OPTION_BOX)})
            w.set_visible(id, false);
        w.set_page_text(std::nullopt);
        return 0;
    }

private:
    context& c_;
    bool shown_ = false;
};

class copyfiles_page : public page {
public:
    explicit copyfiles_page(context& c) : c_(c) {}

    int enter(bool) override {
        ui& w = c_.window;
        w.set_page_text(std::string("Installing files and updating the registry"));
        if (!made_) {
            w.create(ID_LOG, control_kind::log_edit, "", {25, 162, 350, 62});
            w.create(ID_PROGRESS, control_kind::progress, "", {25, 230, 350, 10});
            made_ = true;
        }
        c_.log.clear();
        w.set_log("");
        w.set_visible(ID_LOG, true);
        w.set_visible(ID_PROGRESS, true);
        w.set_enabled(ID_NEXT, false);
        w.set_enabled(ID_BACK, false);
        w.pump();
        if (get_flag_variable(c_, "Install"))
            install_run(c_);
        if (get_flag_variable(c_, "Repair"))
            repair_run(c_);
        if (get_flag_variable(c_, "Remove"))
            remove_run(c_);
        return SKIP_PAGE | BACK_STAYS_DISABLED;
    }

    int leave(bool) override {
        c_.window.set_visible(ID_LOG, false);
        c_.window.set_visible(ID_PROGRESS, false);
        c_.window.set_page_text(std::nullopt);
        return BACK_STAYS_DISABLED;
    }

private:
    context& c_;
    bool made_ = false;
};

class complete_page_handler : public page {
public:
    explicit complete_page_handler(context& c) : c_(c) {}

    int enter(bool) override {
        if (install_only(c_))
            return SKIP_PAGE;
        ui& w = c_.window;
        if (!made_) {
            made_ = true;
            std::string version = patch_zero(c_) ? "[Version]" : "[Version][PatchLevel]";
            if (get_flag_variable(c_, "Remove"))
                text_ = "[Description] V[Version][PatchLevel] has been successfully uninstalled.";
            else if (get_flag_variable(c_, "Install"))
                text_ = patch_zero(c_)
                            ? "Congratulations! [Description] version [Version] has been successfully installed "
                            : "Congratulations! [Description] version [Version][PatchLevel] has been successfully installed. ";
            else
                text_ = "[Description] version " + version +
                        " has been repaired: its registry entries and shortcuts are back. A lost program file "
                        "needs the full installer again (let it overwrite the installation).";
            text_ = expand_variables(c_, text_);
            if (!c_.ide_program.empty()) {
                w.create(ID_OPTION_BOX, control_kind::bordered_check, "Run KORVIDE now?", {25, 150, 80, 10});
                w.set_checked(ID_OPTION_BOX, true);
            }
        }
        if (!c_.ide_program.empty())
            w.set_visible(ID_OPTION_BOX, true);
        w.set_page_text(text_);
        w.set_enabled(ID_NEXT, true);
        w.focus(ID_NEXT);
        update_flag();
        return 0;
    }

    int leave(bool) override {
        if (install_only(c_))
            return SKIP_PAGE;
        update_flag();
        c_.window.set_page_text(std::nullopt);
        return 0;
    }

    void command(int) override {
        if (!install_only(c_))
            update_flag();
    }

private:
    void update_flag() { c_.start_ide = !c_.ide_program.empty() && c_.window.checked(ID_OPTION_BOX); }

    context& c_;
    bool made_ = false;
    std::string text_;
};

}  // namespace

std::vector<std::unique_ptr<page>> installer_pages(context& c) {
    std::vector<std::unique_ptr<page>> pages;
    pages.push_back(std::make_unique<welcome_page>(c));
    pages.push_back(std::make_unique<licence_page>(c));
    pages.push_back(std::make_unique<installdir_page>(c));
    pages.push_back(std::make_unique<configuration_page>(c));
    pages.push_back(std::make_unique<copyfiles_page>(c));
    pages.push_back(std::make_unique<complete_page_handler>(c));
    return pages;
}

}  // namespace inst
