#include "installer/core/installer.h"

#include "installer/core/actions.h"
#include "installer/core/keys.h"

namespace inst {

void start_up(context& c) {
    c.random_state = unsigned(c.host.now());
    open_payload(c);
    check_admin_rights(c);
    // A fresh installation that fails takes back what the pages wrote too (language, PATH).
    if (get_flag_variable(c, "Install"))
        journal_start(c);
}

void check_admin_rights(context& c) {
    std::string key = expand_variables(c, "SOFTWARE\\[Manufacturer]");
    if (reg_write_string(c, ROOT_MACHINE, key, "CheckAdminPrivs", "yes") != 0)
        fail("This program requires Administrator privileges");
    c.host.reg_delete_value(ROOT_MACHINE, key, "CheckAdminPrivs");
}

void handle_fatal(context& c, const std::string& text) {
    journal_undo(c);
    c.window.message_box("Fatal error", text);
    close_payload(c);
    delete_temporary_items(c);
}

void finish(context& c) {
    if (c.start_ide && !c.ide_program.empty())
        run_and_wait(c, c.ide_program);
    if (!c.removal_batch.empty())
        c.host.start_hidden(c.removal_batch, variable_or_empty(c, "TmpDir"));
    close_payload(c);
}

}  // namespace inst
