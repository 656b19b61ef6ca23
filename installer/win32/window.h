// The installer's one main window: the three buttons, the page text, background and help link,
// the pages' controls by id, message boxes, the busy note, progress and log.
#pragma once
#include <windows.h>

#include <map>

#include "installer/core/ui.h"

namespace inst {

struct context;
class wizard;

class main_window : public ui {
public:
    explicit main_window(HINSTANCE instance) : instance_(instance) {}
    void open(context& c, wizard& w);   // creates and shows the window
    HWND handle() const { return hwnd_; }

    void create(int id, control_kind kind, const std::string& text, dialog_rect place) override;
    bool has(int id) override { return controls_.count(id) != 0; }
    void place(int id, dialog_rect place) override;
    void set_text(int id, const std::string& text) override;
    std::string text(int id) override;
    void set_checked(int id, bool checked) override;
    bool checked(int id) override;
    void set_enabled(int id, bool enabled) override;
    void set_visible(int id, bool visible) override;
    void focus(int id) override;
    void set_items(int id, const std::vector<std::string>& items, int selected) override;
    int selection(int id) override;

    void set_page_text(const std::optional<std::string>& text) override;
    bool ask_yes_no(const std::string& caption, const std::string& text) override;
    void message_box(const std::string& caption, const std::string& text) override;
    void error_box(const std::string& caption, const std::string& text) override;
    void show_busy(const std::string& text) override;
    void hide_busy() override;
    void set_progress(int percent) override;
    void set_log(const std::string& text) override;
    void pump() override;

    LRESULT handle_message(UINT message, WPARAM wp, LPARAM lp);
    [[noreturn]] void fatal(const std::string& text);   // the "Fatal error" box, then exit 1

private:
    RECT to_pixels(dialog_rect r) const;
    HWND control(int id) const;
    void paint();
    bool in_link(int x, int y) const;

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    context* c_ = nullptr;
    wizard* wizard_ = nullptr;
    std::map<int, HWND> controls_;
    HFONT gui_font_ = nullptr, link_font_ = nullptr, text_font_ = nullptr;
    HBITMAP background_ = nullptr;
    HDC background_dc_ = nullptr;
    int background_width_ = 0, background_height_ = 0;
    int base_x_ = 0, base_y_ = 0;
    std::optional<std::string> page_text_;
    RECT text_rect_{}, link_rect_{};
    bool over_link_ = false;
    HWND busy_ = nullptr;
    HCURSOR old_cursor_ = nullptr;
};

}  // namespace inst
