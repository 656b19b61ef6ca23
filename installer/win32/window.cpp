#include "installer/win32/window.h"

#include <commctrl.h>
#include <cstdlib>
#include <shellapi.h>

#include "installer/core/context.h"
#include "installer/core/installer.h"
#include "installer/core/wizard.h"

namespace inst {

namespace {

constexpr UINT enter_notice = WM_USER + 102, leave_notice = WM_USER + 103;
constexpr LRESULT dialog_answer = 0x534B0065;   // makes Enter press the default button
constexpr int busy_id = 907;

main_window* the_window = nullptr;

LRESULT CALLBACK window_procedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE)
        return DefWindowProcA(hwnd, message, wp, lp);
    if (!the_window || !the_window->handle())
        return DefWindowProcA(hwnd, message, wp, lp);
    try {
        return the_window->handle_message(message, wp, lp);
    } catch (const fatal_error& e) {
        // A fatal error ends the program here: nothing may unwind through the system's frames.
        the_window->fatal(e.what());
    }
}

// The average width of the 52 letters in a font, and its text height.
SIZE letter_size(HDC dc, HFONT font) {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, letters, 52, &size);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    return SIZE{(size.cx / 26 + 1) / 2, tm.tmHeight};
}

struct kind_style {
    const char* window_class;
    DWORD style;
};

kind_style style_of(control_kind kind) {
    switch (kind) {
    case control_kind::frame: return {"STATIC", SS_ETCHEDFRAME};
    case control_kind::radio: return {"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP};
    case control_kind::check: return {"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP};
    case control_kind::bordered_check: return {"BUTTON", BS_AUTOCHECKBOX | WS_BORDER | WS_TABSTOP};
    case control_kind::edit: return {"EDIT", ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP};
    case control_kind::readonly_edit: return {"EDIT", ES_READONLY | ES_AUTOHSCROLL};
    case control_kind::log_edit:
        return {"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP};
    case control_kind::static_text: return {"STATIC", WS_BORDER};
    case control_kind::drop_list: return {"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP};
    case control_kind::progress: return {PROGRESS_CLASSA, 0};
    }
    return {"STATIC", 0};
}

}  // namespace

void main_window::fatal(const std::string& text) {
    handle_fatal(*c_, text);
    std::exit(1);
}

RECT main_window::to_pixels(dialog_rect r) const {
    return RECT{r.x * base_x_ / 4, r.y * base_y_ / 8, (r.x + r.width) * base_x_ / 4, (r.y + r.height) * base_y_ / 8};
}

HWND main_window::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void main_window::open(context& c, wizard& w) {
    c_ = &c;
    wizard_ = &w;
    the_window = this;
    INITCOMMONCONTROLSEX common{sizeof common, 0x40FF};
    InitCommonControlsEx(&common);

    WNDCLASSA cls{};
    if (!GetClassInfoA(nullptr, "#32771", &cls))
        cls = WNDCLASSA{};
    cls.lpfnWndProc = window_procedure;
    cls.hInstance = instance_;
    cls.hCursor = LoadCursor(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = "BRYLLEX Installer";
    cls.hIcon = LoadIconA(instance_, "BRYLLEX_ICON");
    if (!cls.hIcon && get_variable(c, "ICON"))
        cls.hIcon = static_cast<HICON>(
            LoadImageA(nullptr, get_variable(c, "ICON")->c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE));
    RegisterClassA(&cls);

    // Dialog units of the GUI font, measured against the system font.
    gui_font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HDC screen = GetDC(nullptr);
    SIZE gui = letter_size(screen, gui_font_), system = letter_size(screen, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
    LONG units = GetDialogBaseUnits();
    base_x_ = LOWORD(units) * gui.cx / (system.cx ? system.cx : 1);
    base_y_ = HIWORD(units) * gui.cy / (system.cy ? system.cy : 1);
    LOGFONTA lf{};
    GetObjectA(gui_font_, sizeof lf, &lf);
    lf.lfUnderline = TRUE;
    link_font_ = CreateFontIndirectA(&lf);
    lf.lfUnderline = FALSE;
    lf.lfHeight = lf.lfHeight * 4 / 3;
    lf.lfWeight = 600;
    text_font_ = CreateFontIndirectA(&lf);
    SIZE link{};
    HGDIOBJ old = SelectObject(screen, link_font_);
    GetTextExtentPoint32A(screen, "On-line help", 12, &link);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    text_rect_ = to_pixels({25, 75, 350, 175});
    link_rect_ = to_pixels({25, 248, 0, 8});
    link_rect_.right = link_rect_.left + link.cx;

    if (const std::string* bitmap = get_variable(c, "BACKGROUND")) {
        background_ = static_cast<HBITMAP>(LoadImageA(nullptr, bitmap->c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
        if (background_) {
            BITMAP info{};
            GetObjectA(background_, sizeof info, &info);
            background_width_ = info.bmWidth;
            background_height_ = info.bmHeight;
            background_dc_ = CreateCompatibleDC(nullptr);
            SelectObject(background_dc_, background_);
        }
    }

    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME;
    RECT frame = to_pixels({0, 0, 400, 300});
    AdjustWindowRect(&frame, style, FALSE);
    int width = frame.right - frame.left, height = frame.bottom - frame.top;
    std::string title = "Installing " + variable_or_empty(c, "Description");
    hwnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, "BRYLLEX Installer", title.c_str(), style,
                            (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                            width, height, nullptr, nullptr, instance_, nullptr);
    create(ID_BACK, control_kind::check, "< Back", {244, 250, 40, 15});
    create(ID_NEXT, control_kind::check, "Next >", {285, 250, 40, 15});
    create(ID_CANCEL, control_kind::check, "Cancel", {335, 250, 40, 15});
    // The three are push buttons, Next the default one.
    for (int id : {int(ID_BACK), int(ID_NEXT), int(ID_CANCEL)}) {
        SetWindowLongPtrA(control(id), GWL_STYLE,
                          WS_CHILD | WS_TABSTOP | (id == ID_NEXT ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON));
        ShowWindow(control(id), SW_SHOW);
    }
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    SetFocus(control(ID_NEXT));
}

void main_window::create(int id, control_kind kind, const std::string& text, dialog_rect where) {
    if (HWND old = control(id))
        DestroyWindow(old);
    kind_style ks = style_of(kind);
    DWORD style = WS_CHILD | ks.style;
    RECT r = to_pixels(where);
    if (kind == control_kind::drop_list)
        r.bottom += 100;   // room for the list when it drops
    AdjustWindowRect(&r, style, FALSE);
    HWND h = CreateWindowExA(0, ks.window_class, text.c_str(), style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_,
                             nullptr);
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(gui_font_), TRUE);
    if (kind == control_kind::progress)
        SendMessageA(h, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    controls_[id] = h;
}

void main_window::place(int id, dialog_rect where) {
    HWND h = control(id);
    RECT r = to_pixels(where);
    AdjustWindowRect(&r, DWORD(GetWindowLongPtrA(h, GWL_STYLE)), FALSE);
    MoveWindow(h, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void main_window::set_text(int id, const std::string& text) { SetWindowTextA(control(id), text.c_str()); }

std::string main_window::text(int id) {
    HWND h = control(id);
    std::string out(size_t(GetWindowTextLengthA(h)) + 1, '\0');
    out.resize(size_t(GetWindowTextA(h, out.data(), int(out.size()))));
    return out;
}

void main_window::set_checked(int id, bool on) {
    SendMessageA(control(id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}
bool main_window::checked(int id) {
    HWND h = control(id);
    return h && SendMessageA(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void main_window::set_enabled(int id, bool on) { EnableWindow(control(id), on); }
void main_window::set_visible(int id, bool on) { ShowWindow(control(id), on ? SW_SHOW : SW_HIDE); }
void main_window::focus(int id) { SetFocus(control(id)); }

void main_window::set_items(int id, const std::vector<std::string>& items, int selected) {
    HWND h = control(id);
    SendMessageA(h, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        SendMessageA(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageA(h, CB_SETCURSEL, WPARAM(selected), 0);
}
int main_window::selection(int id) { return int(SendMessageA(control(id), CB_GETCURSEL, 0, 0)); }

void main_window::set_page_text(const std::optional<std::string>& text) {
    if (text == page_text_)
        return;
    page_text_ = text;
    InvalidateRect(hwnd_, &text_rect_, TRUE);
}

bool main_window::ask_yes_no(const std::string& caption, const std::string& text) {
    return MessageBoxA(hwnd_, text.c_str(), caption.c_str(), MB_YESNO) == IDYES;
}
void main_window::message_box(const std::string& caption, const std::string& text) {
    MessageBoxA(hwnd_, text.c_str(), caption.c_str(), MB_OK);
}
void main_window::error_box(const std::string& caption, const std::string& text) {
    MessageBoxA(hwnd_, text.c_str(), caption.c_str(), MB_OK | MB_ICONERROR);
}

void main_window::show_busy(const std::string& text) {
    if (!busy_) {
        RECT r = to_pixels({25, 75, 175, 60});
        busy_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_BORDER | SS_CENTER, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(busy_id)),
                                instance_, nullptr);
        SendMessageA(busy_, WM_SETFONT, reinterpret_cast<WPARAM>(gui_font_), TRUE);
    }
    SetWindowTextA(busy_, text.c_str());
    ShowWindow(busy_, SW_SHOW);
    old_cursor_ = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    UpdateWindow(busy_);
}

void main_window::hide_busy() {
    if (busy_)
        ShowWindow(busy_, SW_HIDE);
    SetCursor(old_cursor_);
}

void main_window::set_progress(int percent) {
    HWND bar = control(ID_PROGRESS);
    if (!bar)
        return;
    if (percent < 0) {
        ShowWindow(bar, SW_HIDE);
        return;
    }
    ShowWindow(bar, SW_SHOW);
    SendMessageA(bar, PBM_SETPOS, WPARAM(percent), 0);
}

void main_window::set_log(const std::string& text) {
    HWND log = control(ID_LOG);
    if (!log)
        return;
    SetWindowTextA(log, text.c_str());
    SendMessageA(log, EM_SETSEL, WPARAM(text.size()), LPARAM(text.size()));
    SendMessageA(log, EM_SCROLLCARET, 0, 0);
    UpdateWindow(log);
}

void main_window::pump() {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));
            return;
        }
        if (!IsDialogMessageA(hwnd_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

bool main_window::in_link(int x, int y) const {
    POINT p{x, y};
    return get_variable(*c_, "InstallerHelp") && PtInRect(&link_rect_, p);
}

void main_window::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    SetBkMode(dc, TRANSPARENT);
    if (page_text_) {
        HGDIOBJ old = SelectObject(dc, text_font_);
        SetTextColor(dc, RGB(0, 64, 128));
        RECT r = text_rect_;
        DrawTextA(dc, page_text_->c_str(), -1, &r, DT_WORDBREAK);
        SelectObject(dc, old);
    }
    if (get_variable(*c_, "InstallerHelp")) {
        HGDIOBJ old = SelectObject(dc, link_font_);
        SetTextColor(dc, over_link_ ? RGB(255, 64, 0) : RGB(0, 64, 255));
        TextOutA(dc, link_rect_.left, link_rect_.top, "On-line help", 12);
        SelectObject(dc, old);
    }
    EndPaint(hwnd_, &ps);
}

LRESULT main_window::handle_message(UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_CREATE:
    case WM_SIZE:
        return 0;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(hwnd_, &client);
        HDC dc = reinterpret_cast<HDC>(wp);
        FillRect(dc, &client, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
        if (background_dc_)
            BitBlt(dc, 0, 0, client.right, client.bottom, background_dc_,
                   background_width_ > client.right ? background_width_ - client.right : 0, 0, SRCCOPY);
        return 1;
    }
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_PAINT:
        paint();
        return 0;
    case WM_MOUSEMOVE: {
        bool over = in_link(LOWORD(lp), HIWORD(lp));
        if (over != over_link_) {
            over_link_ = over;
            InvalidateRect(hwnd_, &link_rect_, TRUE);
        }
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (in_link(LOWORD(lp), HIWORD(lp)))
            ShellExecuteA(hwnd_, "open", get_variable(*c_, "InstallerHelp")->c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        return 0;
    case WM_USER:
        return dialog_answer;
    case WM_COMMAND: {
        int id = LOWORD(wp);
        if (id == ID_NEXT)
            wizard_->next();
        else if (id == ID_BACK)
            wizard_->back();
        else if (id == ID_CANCEL)
            wizard_->cancel();
        else
            wizard_->command(id);
        if (wizard_->finished())
            PostQuitMessage(wizard_->exit_code());
        return 0;
    }
    case WM_CLOSE:
        wizard_->close();
        if (wizard_->finished())
            PostQuitMessage(wizard_->exit_code());
        return 0;
    case WM_DESTROY:
        delete_temporary_items(*c_);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd_, message, wp, lp);
    }
}

}  // namespace inst
