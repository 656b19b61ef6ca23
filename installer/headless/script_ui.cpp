#include "installer/headless/script_ui.h"

#include <cstdio>

namespace inst {

std::string escaped(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '\n')
            out += "\\n";
        else if (ch == '\r')
            out += "\\r";
        else
            out += ch;
    }
    return out;
}

void script_ui::create(int id, control_kind kind, const std::string& text, dialog_rect place) {
    controls[id] = control_state{kind, text, place, false, true, false, {}, -1};
}

void script_ui::set_checked(int id, bool checked) {
    control_state& c = controls[id];
    // Radio buttons of the page form one group.
    if (checked && c.kind == control_kind::radio)
        for (auto& [other_id, other] : controls)
            if (other.kind == control_kind::radio)
                other.checked = false;
    c.checked = checked;
}

void script_ui::set_items(int id, const std::vector<std::string>& items, int selected) {
    controls[id].items = items;
    controls[id].selection = selected;
}

void script_ui::set_page_text(const std::optional<std::string>& text) {
    if (text)
        std::printf("text: %s\n", escaped(*text).c_str());
}

bool script_ui::ask_yes_no(const std::string& caption, const std::string& text) {
    bool yes = true;
    if (!answers.empty()) {
        yes = answers.front();
        answers.pop_front();
    }
    std::printf("box %s: %s -> %s\n", caption.c_str(), escaped(text).c_str(), yes ? "yes" : "no");
    return yes;
}

void script_ui::message_box(const std::string& caption, const std::string& text) {
    std::printf("box %s: %s -> ok\n", caption.c_str(), escaped(text).c_str());
}

void script_ui::error_box(const std::string& caption, const std::string& text) { message_box(caption, text); }

void script_ui::show_busy(const std::string& text) { std::printf("busy: %s\n", text.c_str()); }

void script_ui::set_log(const std::string& text) {
    if (text.size() < 3)
        return;
    size_t end = text.size() - 2, start = text.rfind("\r\n", end - 1);
    start = start == std::string::npos ? 0 : start + 2;
    std::printf("log: %s\n", text.substr(start, end - start).c_str());
}

void script_ui::dump() {
    for (const auto& [id, c] : controls) {
        if (!c.visible)
            continue;
        std::printf("control %d kind %d text \"%s\" checked %d enabled %d place %d,%d,%d,%d\n", id, int(c.kind),
                    escaped(c.text).c_str(), c.checked, c.enabled, c.place.x, c.place.y, c.place.width,
                    c.place.height);
    }
}

}  // namespace inst
