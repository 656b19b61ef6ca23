// Drives the installer the way a user would, for the wine tests:
//   installer_driver INSTALLER ACTION...
// ACTION: box=ok|yes|no (waits for a message box, prints its caption and text, answers),
// click=ID (a button, or toggles a check box), settext=ID=TEXT, start=ID (a click whose work goes
// on: held waits until the waiting feature installer runs, release lets it end and waits for
// the work), shot=NAME (prints the window's client size and its controls, then "shot NAME",
// and waits for a line on standard input while the test takes the picture). It waits for
// every control and box it needs, never a fixed time, and prints the installer's exit status.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

DWORD installer_pid = 0;

struct found_window {
    const char* cls;
    HWND hwnd;
};

BOOL CALLBACK find_window(HWND hwnd, LPARAM lp) {
    auto* f = reinterpret_cast<found_window*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == installer_pid && std::string(cls) == f->cls && IsWindowVisible(hwnd)) {
        f->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

// Waits up to a minute for a visible top-level window of the class; null when the installer ended.
HWND wait_window(HANDLE process, const char* cls) {
    for (int i = 0; i < 6000; ++i) {
        found_window f{cls, nullptr};
        EnumWindows(find_window, reinterpret_cast<LPARAM>(&f));
        if (f.hwnd)
            return f.hwnd;
        if (WaitForSingleObject(process, 10) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

HWND wait_control(HANDLE process, int id) {
    for (int i = 0; i < 6000; ++i) {
        HWND main = wait_window(process, "BRYLLEX Installer");
        HWND child = main ? GetDlgItem(main, id) : nullptr;
        if (child && IsWindowVisible(child) && IsWindowEnabled(child))
            return child;
        if (!main || WaitForSingleObject(process, 10) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

// Asked of the control itself: the text an edit control holds is not its window caption.
std::string text_of(HWND hwnd) {
    char text[4096] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 10000, &ignored);
    return text;
}

struct click_request {
    HWND main, control;
    int id;
};

DWORD WINAPI send_click(void* p) {
    auto* r = static_cast<click_request*>(p);
    SendMessageA(r->main, WM_COMMAND, MAKEWPARAM(r->id, BN_CLICKED), reinterpret_cast<LPARAM>(r->control));
    return 0;
}

HANDLE pending = nullptr;   // the thread whose click the installer is still handling
HANDLE feature_started = nullptr, feature_release = nullptr;   // the waiting feature installer's

// Starts a click from a thread of its own: the click may open a box that a later action answers.
void start_click(HWND control, int id) {
    char cls[32] = {};
    GetClassNameA(control, cls, sizeof cls);
    LONG style = GetWindowLongA(control, GWL_STYLE) & 0xF;
    if (std::string(cls) == "Button" && (style == BS_AUTOCHECKBOX || style == BS_AUTORADIOBUTTON))
        SendMessageA(control, BM_SETCHECK, SendMessageA(control, BM_GETCHECK, 0, 0) ? BST_UNCHECKED : BST_CHECKED, 0);
    static click_request request;
    request = click_request{GetParent(control), control, id};
    pending = CreateThread(nullptr, 0, send_click, &request, 0, nullptr);
}

BOOL CALLBACK dump_control(HWND hwnd, LPARAM lp) {
    HWND main = reinterpret_cast<HWND>(lp);
    if (GetParent(hwnd) != main)
        return TRUE;
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    std::string text;
    for (char ch : text_of(hwnd))
        text += ch == '\r' ? std::string() : ch == '\n' ? std::string("\\n") : std::string(1, ch);
    std::printf("control\t%d\t%s\t%d\t%d\t%ld\t%ld\t%ld\t%ld\t%s\n", GetDlgCtrlID(hwnd), cls,
                IsWindowVisible(hwnd) ? 1 : 0, IsWindowEnabled(hwnd) ? 1 : 0, r.left, r.top, r.right, r.bottom,
                text.c_str());
    return TRUE;
}

// Brings the window up to date, lists it and waits while the test takes its picture.
void shot(HANDLE process, const std::string& name) {
    HWND main = wait_window(process, "BRYLLEX Installer");
    if (!main) {
        std::printf("no window for shot %s\n", name.c_str());
        return;
    }
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // Painted when nothing is left to update (the installer pumps while it works).
    DWORD_PTR ignored = 0;
    for (int i = 0; i < 500 && GetUpdateRect(main, nullptr, FALSE); ++i)
        if (WaitForSingleObject(process, 10) == WAIT_OBJECT_0)
            break;
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored);
    RECT client;
    GetClientRect(main, &client);
    std::printf("window\t%ld\t%ld\n", client.right, client.bottom);
    EnumChildWindows(main, dump_control, reinterpret_cast<LPARAM>(main));
    std::printf("shot %s\n", name.c_str());
    std::fflush(stdout);
    char line[64];
    if (!std::fgets(line, sizeof line, stdin))
        std::printf("no answer for shot %s\n", name.c_str());
}

// Waits for an event set by the waiting feature installer; false when the installer ended first.
bool wait_event(HANDLE process, HANDLE event) {
    HANDLE both[2] = {event, process};
    return WaitForMultipleObjects(2, both, FALSE, 60000) == WAIT_OBJECT_0;
}

// Waits until the last click has been handled, or a message box asks something.
bool settle(HANDLE process) {
    while (pending) {
        if (WaitForSingleObject(pending, 10) == WAIT_OBJECT_0) {
            CloseHandle(pending);
            pending = nullptr;
            return true;
        }
        found_window f{"#32770", nullptr};
        EnumWindows(find_window, reinterpret_cast<LPARAM>(&f));
        if (f.hwnd || WaitForSingleObject(process, 0) == WAIT_OBJECT_0)
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: installer_driver INSTALLER ACTION...\n");
        return 2;
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = std::string("\"") + argv[1] + "\"";
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("cannot start %s\n", argv[1]);
        return 2;
    }
    installer_pid = pi.dwProcessId;
    feature_started = CreateEventA(nullptr, TRUE, FALSE, "orm_installer_test_started");
    feature_release = CreateEventA(nullptr, TRUE, FALSE, "orm_installer_test_release");
    for (int i = 2; i < argc; ++i) {
        std::string action = argv[i];
        if (action.rfind("box=", 0) == 0) {
            HWND box = wait_window(pi.hProcess, "#32770");
            if (!box) {
                std::printf("no box for %s\n", action.c_str());
                break;
            }
            std::printf("box %s: %s\n", text_of(box).c_str(), text_of(GetDlgItem(box, 0xFFFF)).c_str());
            std::string answer = action.substr(4);
            int id = answer == "yes" ? IDYES : answer == "no" ? IDNO : IDOK;
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            settle(pi.hProcess);
        } else if (action.rfind("click=", 0) == 0 || action.rfind("start=", 0) == 0) {
            if (!settle(pi.hProcess)) {
                std::printf("a box is open before %s\n", action.c_str());
                break;
            }
            int id = std::atoi(action.c_str() + 6);
            HWND control = wait_control(pi.hProcess, id);
            if (!control) {
                std::printf("no control %d\n", id);
                break;
            }
            start_click(control, id);
            if (action[0] == 'c')
                settle(pi.hProcess);
        } else if (action.rfind("settext=", 0) == 0) {
            size_t eq = action.find('=', 8);
            int id = std::atoi(action.substr(8, eq - 8).c_str());
            HWND control = wait_control(pi.hProcess, id);
            if (!control) {
                std::printf("no control %d\n", id);
                break;
            }
            SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(action.substr(eq + 1).c_str()));
        } else if (action.rfind("shot=", 0) == 0) {
            shot(pi.hProcess, action.substr(5));
        } else if (action == "held") {
            if (!wait_event(pi.hProcess, feature_started)) {
                std::printf("the waiting feature installer did not start\n");
                break;
            }
        } else if (action == "release") {
            SetEvent(feature_release);
            settle(pi.hProcess);
        } else {
            std::printf("unknown action %s\n", action.c_str());
            break;
        }
        std::fflush(stdout);
    }
    DWORD status = 259;
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &status);
    std::printf("exit %lu\n", status);
    return 0;
}
