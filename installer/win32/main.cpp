// The installer program: splash, payload check, the main window and its page machine.
#include <windows.h>

#include <cstdlib>
#include <direct.h>

#include "installer/core/installer.h"
#include "installer/core/wizard.h"
#include "installer/win32/win32_sys.h"
#include "installer/win32/window.h"

extern const char component_name[] = "installer";
void exit_hook(int) {}

namespace {

LRESULT CALLBACK splash_procedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_KILLFOCUS:
        DestroyWindow(hwnd);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wp, lp);
    }
}

HWND show_splash(HINSTANCE instance) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = splash_procedure;
    cls.hInstance = instance;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.lpszClassName = "SplashWindowClass";
    RegisterClassA(&cls);
    int x = (GetSystemMetrics(SM_CXSCREEN) - 150) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - 40) / 2;
    HWND splash = CreateWindowExA(0, "STATIC", "Verifying installer integrity - please wait",
                                  WS_POPUP | WS_BORDER | SS_CENTER, x, y, 150, 40, nullptr, nullptr, instance, nullptr);
    SendMessageA(splash, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
    ShowWindow(splash, SW_SHOW);
    UpdateWindow(splash);
    return splash;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    inst::win32_sys host;
    std::string self = host.own_program();
    _chdir(self.substr(0, self.find_last_of('\\')).c_str());
    inst::main_window window(instance);
    inst::context c(host, window);
    HWND splash = show_splash(instance);
    int status = 0;
    try {
        inst::start_up(c);
        if (IsWindow(splash))
            ShowWindow(splash, SW_HIDE);
        inst::wizard w(c);
        window.open(c, w);
        w.start();
        MSG msg;
        while (!w.finished() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (!IsDialogMessageA(window.handle(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        status = w.finished() ? w.exit_code() : int(msg.wParam);
        DestroyWindow(window.handle());
        inst::finish(c);
    } catch (const inst::fatal_error& e) {
        if (IsWindow(splash))
            DestroyWindow(splash);
        inst::handle_fatal(c, e.what());
        status = 1;
    }
    return status;
}
