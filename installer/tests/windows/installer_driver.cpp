// Drives the installer the way a user would, for the wine tests:
//   installer_driver INSTALLER ACTION...
// ACTION: box=ok|yes|no (waits for a message box, prints its caption and text, answers),
// click=ID (a button, or toggles a check box), settext=ID=TEXT. It waits for every control and
// box it needs, never a fixed time, and prints the installer's exit status at the end.
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

std::string text_of(HWND hwnd) {
    char text[4096] = {};
    GetWindowTextA(hwnd, text, sizeof text);
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
        } else if (action.rfind("click=", 0) == 0) {
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
            char cls[32] = {};
            GetClassNameA(control, cls, sizeof cls);
            LONG style = GetWindowLongA(control, GWL_STYLE) & 0xF;
            if (std::string(cls) == "Button" && (style == BS_AUTOCHECKBOX || style == BS_AUTORADIOBUTTON))
                SendMessageA(control, BM_SETCHECK, SendMessageA(control, BM_GETCHECK, 0, 0) ? BST_UNCHECKED : BST_CHECKED, 0);
            // Sent from a thread of its own: the click may open a box that a later action answers.
            static click_request request;
            request = click_request{GetParent(control), control, id};
            pending = CreateThread(nullptr, 0, send_click, &request, 0, nullptr);
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
        }
        std::fflush(stdout);
    }
    DWORD status = 259;
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &status);
    std::printf("exit %lu\n", status);
    return 0;
}
