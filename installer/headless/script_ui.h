// A window that exists only as records: the test front end keeps each control's state, answers
// boxes from a script and prints what a user would see, one line per event.
#pragma once
#include <deque>
#include <map>

#include "installer/core/ui.h"

namespace inst {

struct control_state {
    control_kind kind;
    std::string text;
    dialog_rect place;
    bool checked = false, enabled = true, visible = false;
    std::vector<std::string> items;
    int selection = -1;
};

class script_ui : public ui {
public:
    void create(int id, control_kind kind, const std::string& text, dialog_rect place) override;
    bool has(int id) override { return controls.count(id) != 0; }
    void place(int id, dialog_rect place) override { controls[id].place = place; }
    void set_text(int id, const std::string& text) override { controls[id].text = text; }
    std::string text(int id) override { return controls[id].text; }
    void set_checked(int id, bool checked) override;
    bool checked(int id) override { return has(id) && controls[id].checked; }
    void set_enabled(int id, bool enabled) override { controls[id].enabled = enabled; }
    void set_visible(int id, bool visible) override { controls[id].visible = visible; }
    void focus(int) override {}
    void set_items(int id, const std::vector<std::string>& items, int selected) override;
    int selection(int id) override { return has(id) ? controls[id].selection : -1; }

    void set_page_text(const std::optional<std::string>& text) override;
    bool ask_yes_no(const std::string& caption, const std::string& text) override;
    void message_box(const std::string& caption, const std::string& text) override;
    void error_box(const std::string& caption, const std::string& text) override;
    void show_busy(const std::string& text) override;
    void hide_busy() override {}
    void set_progress(int percent) override { progress = percent; }
    void set_log(const std::string& text) override;
    void pump() override {}

    // Prints the visible controls: id, kind, text, checked, enabled, place.
    void dump();

    std::map<int, control_state> controls;
    std::deque<bool> answers;   // for the next yes/no boxes; Yes when empty
    int progress = 0;
};

std::string escaped(const std::string& text);

}  // namespace inst
