// The installer's Linux test front end: the portable core with a scripted window.
// Usage: installer_headless [SCRIPT]; the script (one action a line) is
//   next | back | cancel | close | dump | click ID | settext ID TEXT | select ID N | answer yes|no
// and Next is pressed while it has run out and the wizard has not ended.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "installer/core/installer.h"
#include "installer/core/wizard.h"
#include "installer/headless/posix_sys.h"
#include "installer/headless/script_ui.h"

extern const char component_name[] = "installer";
void exit_hook(int) {}

namespace {

using namespace inst;

// Runs one script action; false when the action is unknown.
bool act(wizard& w, script_ui& window, const std::string& line) {
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    int id = 0;
    if (verb == "next") {
        if (window.controls[ID_NEXT].enabled)
            w.next();
        else
            std::printf("next is disabled\n");
    } else if (verb == "back") {
        if (window.controls[ID_BACK].enabled)
            w.back();
        else
            std::printf("back is disabled\n");
    } else if (verb == "cancel") {
        w.cancel();
    } else if (verb == "close") {
        w.close();
    } else if (verb == "dump") {
        window.dump();
    } else if (verb == "answer") {
        std::string answer;
        in >> answer;
        window.answers.push_back(answer == "yes");
    } else if (verb == "click" && in >> id) {
        control_state& c = window.controls[id];
        window.set_checked(id, c.kind == control_kind::radio ? true : !c.checked);
        w.command(id);
    } else if (verb == "settext" && in >> id) {
        std::string text;
        std::getline(in >> std::ws, text);
        window.set_text(id, text);
        w.command(id);
    } else if (verb == "select" && in >> id) {
        int row = 0;
        in >> row;
        window.controls[id].selection = row;
        w.command(id);
    } else {
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::vector<std::string> script;
    if (argc > 1) {
        std::ifstream in(argv[1]);
        if (!in) {
            std::fprintf(stderr, "installer_headless: cannot read %s\n", argv[1]);
            return 2;
        }
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line[0] != '#')
                script.push_back(line);
    }
    posix_sys host;
    script_ui window;
    context c(host, window);
    int status = 0;
    try {
        start_up(c);
        wizard w(c);
        w.start();
        size_t next = 0;
        int last_page = -2, idle = 0;
        while (!w.finished()) {
            if (w.current() != last_page) {
                last_page = w.current();
                std::printf("page %d\n", last_page);
            }
            if (next < script.size()) {
                if (!act(w, window, script[next]))
                    std::printf("unknown action: %s\n", script[next].c_str());
                ++next;
            } else {
                if (!window.controls[ID_NEXT].enabled || ++idle > 20) {
                    std::printf("stuck on page %d\n", w.current());
                    delete_temporary_items(c);
                    return 2;
                }
                w.next();
            }
        }
        finish(c);
        status = w.exit_code();
    } catch (const fatal_error& e) {
        handle_fatal(c, e.what());
        status = 1;
    }
    std::printf("exit %d\n", status);
    return status;
}
