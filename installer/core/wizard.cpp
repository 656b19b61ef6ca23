#include "installer/core/wizard.h"

namespace inst {

wizard::wizard(context& c) : wizard(c, installer_pages(c)) {}

wizard::wizard(context& c, std::vector<std::unique_ptr<page>> pages) : c_(c), pages_(std::move(pages)) {}

void wizard::end(int code) {
    delete_temporary_items(c_);
    finished_ = true;
    exit_code_ = code;
}

void wizard::goto_page(int index) {
    // The work of a page pumps messages: a click that arrives meanwhile must not start a
    // second change of page (and a second run) inside the first.
    if (index < 0 || finished_ || moving_)
        return;
    struct guard {
        bool& flag;
        explicit guard(bool& f) : flag(f) { flag = true; }
        ~guard() { flag = false; }
    } moving(moving_);
    while (index != page_count) {
        bool forward = current_ < index;
        if (current_ >= 0 && (pages_[current_]->leave(forward) & REFUSE_LEAVE))
            return;
        c_.window.set_enabled(ID_NEXT, true);
        int result = pages_[index]->enter(forward);
        if (result & BACK_STAYS_DISABLED)
            c_.back_disabled = true;
        if (!(result & SKIP_PAGE)) {
            current_ = index;
            c_.window.set_text(ID_NEXT, index == complete_page ? "Finish" : "Next");
            if (index == complete_page)
                c_.window.set_enabled(ID_CANCEL, false);
            c_.window.set_enabled(ID_BACK, index > 0 && !c_.back_disabled);
            return;
        }
        int previous = current_;
        current_ = index;
        index += previous < index ? 1 : -1;
        // Skipping backwards past the first page turns round instead of leaving the table.
        if (index < 0)
            index = current_ + 1;
    }
    end(0);
}

void wizard::cancel() {
    if (finished_ || moving_)
        return;
    if (current_ != complete_page &&
        !c_.window.ask_yes_no("Cancel setup", "Setup is not complete;\nare you sure you want to quit?"))
        return;
    end(1);
}

void wizard::close() {
    if (finished_ || moving_)
        return;
    // Closed on the last page the work is done: the same as Finish.
    if (current_ == complete_page) {
        end(0);
        return;
    }
    cancel();
}

}  // namespace inst
