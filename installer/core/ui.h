// What the installer needs of its window: controls by id (kind, text, place in dialog units,
// state), message boxes, the busy note, progress and log, and a message pump. The Windows
// front end draws them; the Linux test front end records them and answers from a script.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace inst {

enum class control_kind { frame, radio, check, bordered_check, edit, readonly_edit, log_edit, static_text,
                          drop_list, progress };

struct dialog_rect {
    int x, y, width, height;   // dialog units
};

// Ids of the controls that the pages name; the unnamed ones get ids of their own from 900 on.
enum : int {
    ID_NEXT = 101, ID_BACK = 102, ID_CANCEL = 2,
    ID_FOLDER = 201, ID_FIRST_BOX = 250, ID_LICENCE_TEXT = 301, ID_ACCEPT = 302, ID_OPTION_BOX = 303,
    ID_LOG = 501, ID_PROGRESS = 502, ID_REMOVE = 601, ID_REPAIR = 602,
    ID_FRAME = 901, ID_SPACE_NEEDED = 902, ID_SPACE_FREE = 903, ID_LANGUAGE_FRAME = 904, ID_LANGUAGE = 905,
};

class ui {
public:
    virtual ~ui() = default;

    // Creates (or replaces) a hidden control.
    virtual void create(int id, control_kind kind, const std::string& text, dialog_rect place) = 0;
    virtual bool has(int id) = 0;
    virtual void place(int id, dialog_rect place) = 0;
    virtual void set_text(int id, const std::string& text) = 0;
    virtual std::string text(int id) = 0;
    virtual void set_checked(int id, bool checked) = 0;
    virtual bool checked(int id) = 0;
    virtual void set_enabled(int id, bool enabled) = 0;   // also the three buttons
    virtual void set_visible(int id, bool visible) = 0;
    virtual void focus(int id) = 0;
    virtual void set_items(int id, const std::vector<std::string>& items, int selected) = 0;
    virtual int selection(int id) = 0;

    virtual void set_page_text(const std::optional<std::string>& text) = 0;
    virtual bool ask_yes_no(const std::string& caption, const std::string& text) = 0;
    virtual void message_box(const std::string& caption, const std::string& text) = 0;
    virtual void error_box(const std::string& caption, const std::string& text) = 0;
    virtual void show_busy(const std::string& text) = 0;
    virtual void hide_busy() = 0;
    virtual void set_progress(int percent) = 0;          // -1 hides the bar
    virtual void set_log(const std::string& text) = 0;   // the whole log, newest line last
    virtual void pump() = 0;                             // dispatches one pending message
};

}  // namespace inst
