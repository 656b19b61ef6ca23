// The page machine: six pages driven by enter and leave notices, and the three buttons.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "installer/core/context.h"

namespace inst {

// Result bits of the notices.
enum : int { REFUSE_LEAVE = 1, SKIP_PAGE = 2, BACK_STAYS_DISABLED = 4 };
constexpr int page_count = 6;
constexpr int complete_page = 5;

class page {
public:
    virtual ~page() = default;
    virtual int enter(bool forward) = 0;
    virtual int leave(bool forward) = 0;
    virtual void command(int) {}
};

class wizard {
public:
    explicit wizard(context& c);                    // the six pages of the installer
    wizard(context& c, std::vector<std::unique_ptr<page>> pages);

    void start() { goto_page(0); }
    void goto_page(int index);
    void next() { goto_page(current_ + 1); }
    void back() { goto_page(current_ - 1); }
    void cancel();                                   // Cancel button
    void close();                                    // the window's close box
    void command(int id) {
        if (current_ >= 0 && current_ < page_count)
            pages_[current_]->command(id);
    }

    int current() const { return current_; }
    bool finished() const { return finished_; }
    int exit_code() const { return exit_code_; }

private:
    void end(int code);

    context& c_;
    std::vector<std::unique_ptr<page>> pages_;
    int current_ = -1;
    bool finished_ = false;
    bool moving_ = false;   // a page change is under way (its work pumps messages)
    int exit_code_ = 0;
};

std::vector<std::unique_ptr<page>> installer_pages(context& c);

}  // namespace inst
