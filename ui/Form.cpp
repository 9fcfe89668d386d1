#include "ui/Form.h"

#include <stdexcept>
#include <utility>

#include "ui/Application.h"
#include "ui/Control.h"
#include "ui/DisabledThreadWindows.h"
#include "ui/Dpi.h"
#include "ui/DpiScale.h"
#include "ui/PopupMenu.h"
#include "ui/WindowClass.h"

namespace snaplark::ui {

namespace {

constexpr char kObjectProperty[] = "SnaplarkForm";
constexpr char kFontFace[] = "MS Sans Serif";
constexpr int kFontHeight = -11;  // 8 points at 96 DPI
// Asked of per-monitor windows before a DPI change (Windows 10 1703).
constexpr UINT kGetDpiScaledSize = 0x02E4;

// Children before grandchildren, so a group box has its new font before the
// controls inside it take it.
void ApplyDpiToChildren(HWND parent)
{
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (Control* control = Control::FromHandle(w))
            control->ApplyDpi();
        ApplyDpiToChildren(w);
    }
}

}  // namespace

Form::Form(const char* className, const std::string& caption, int clientWidth, int clientHeight,
           DWORD style, DWORD exStyle)
    : clientWidth_(clientWidth), clientHeight_(clientHeight)
{
    RegisterFrameworkClass(className, WindowProc);
    style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    exStyle |= WS_EX_CONTROLPARENT;
    // Sized once it exists: the size depends on the DPI of the monitor the
    // window comes to be on.
    handle_ = CreateWindowExA(exStyle, className, caption.c_str(), style, 0, 0, 0, 0, App().Handle(),
                              nullptr, GetModuleHandleA(nullptr), this);
    if (!handle_)
        throw std::runtime_error(std::string("Cannot create the window ") + className);
    dpi_ = WindowDpi(handle_);
    font_ = Font(kFontFace, kFontHeight, dpi_);
    const SIZE size = WindowSizeAt(dpi_);
    SetWindowPos(handle_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    FitClientArea();
    if (!App().MainForm())
        App().SetMainForm(this);
}

Form::~Form()
{
    if (App().MainForm() == this)
        App().SetMainForm(nullptr);
    handlers_.clear();
    OnCloseQuery = nullptr;
    OnClose = nullptr;
    if (handle_ && IsWindow(handle_)) {
        RemovePropA(handle_, kObjectProperty);
        DestroyWindow(handle_);
    }
}

Form* Form::FromHandle(HWND window)
{
    return window ? static_cast<Form*>(GetPropA(window, kObjectProperty)) : nullptr;
}

void Form::Show()
{
    ShowWindow(handle_, SW_SHOW);
}

void Form::Hide()
{
    ShowWindow(handle_, SW_HIDE);
}

bool Form::Visible() const
{
    return IsWindowVisible(handle_);
}

SIZE Form::WindowSizeAt(UINT dpi) const
{
    return WindowSizeForClient(ScaleToDpi(clientWidth_, dpi), ScaleToDpi(clientHeight_, dpi),
                               static_cast<DWORD>(GetWindowLongPtrA(handle_, GWL_STYLE)),
                               static_cast<DWORD>(GetWindowLongPtrA(handle_, GWL_EXSTYLE)), dpi);
}

void Form::ChangeDpi(UINT dpi, const RECT& suggested)
{
    if (dpi != dpi_) {
        dpi_ = dpi;
        // The old font goes only after every control has let go of it.
        Font old = std::exchange(font_, Font(kFontFace, kFontHeight, dpi_));
        ApplyDpiToChildren(handle_);
    }
    // The suggested place keeps the window on the monitor that asked; the
    // size is the layout's own, so the client area stays exact.
    const SIZE size = WindowSizeAt(dpi_);
    SetWindowPos(handle_, nullptr, suggested.left, suggested.top, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    FitClientArea();
    InvalidateRect(handle_, nullptr, TRUE);
}

void Form::FitClientArea()
{
    // Where the frame the system draws is not the one it computes for the
    // DPI (Wine keeps the frame of the system DPI), the outer size gives way.
    const int width = ScaleToDpi(clientWidth_, dpi_);
    const int height = ScaleToDpi(clientHeight_, dpi_);
    RECT client{};
    GetClientRect(handle_, &client);
    if (client.right == width && client.bottom == height)
        return;
    RECT outer{};
    GetWindowRect(handle_, &outer);
    SetWindowPos(handle_, nullptr, 0, 0, outer.right - outer.left + width - client.right,
                 outer.bottom - outer.top + height - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::PlaceOnFirstShow()
{
    if (placed_)
        return;
    placed_ = true;
    RECT r{};
    GetWindowRect(handle_, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    SetWindowPos(handle_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::ShowModal()
{
    const HWND previouslyActive = GetActiveWindow();
    DisabledThreadWindows disabled(handle_);

    modal_ = true;
    Show();
    SetForegroundWindow(handle_);
    while (modal_ && App().HandleMessage()) {
    }
    modal_ = false;

    // Enabled again before the form goes, so activation returns to the
    // program's own window rather than to another program.
    disabled.Restore();
    Hide();
    if (previouslyActive && IsWindow(previouslyActive) && IsWindowVisible(previouslyActive))
        SetActiveWindow(previouslyActive);
}

bool Form::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(canClose);
    return canClose;
}

void Form::Close()
{
    if (!CloseQuery())
        return;
    CloseAction action = CloseAction::Hide;
    if (OnClose)
        OnClose(action);
    if (action == CloseAction::None)
        return;
    if (modal_) {
        modal_ = false;  // ShowModal hides the form once the owners are enabled
        return;
    }
    Hide();
    if (App().MainForm() == this)
        App().Terminate();
}

void Form::SetMessageHandler(UINT message, MessageHandler handler)
{
    if (handler)
        handlers_[message] = std::move(handler);
    else
        handlers_.erase(message);
}

LRESULT CALLBACK Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->handle_ = window;
        SetPropA(window, kObjectProperty, self);
    }
    Form* form = FromHandle(window);
    if (!form)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        RemovePropA(window, kObjectProperty);
    return Guarded([&] { return form->WndProc(message, wParam, lParam); });
}

LRESULT Form::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (auto it = handlers_.find(message); it != handlers_.end()) {
        // A copy, so a handler may replace itself while it runs.
        const MessageHandler handler = it->second;
        return handler(wParam, lParam);
    }
    return DefaultHandling(message, wParam, lParam);
}

LRESULT Form::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (Control::ForwardToChild(message, wParam, lParam, result))
        return result;
    switch (message) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_QUERYENDSESSION:
        return CloseQuery() ? TRUE : FALSE;
    case WM_SHOWWINDOW:
        if (wParam) {
            PlaceOnFirstShow();
            // The taskbar button (the application window's) comes and goes
            // with the main form.
            if (App().MainForm() == this && !IsWindowVisible(App().Handle()))
                ShowWindow(App().Handle(), SW_SHOWNOACTIVATE);
        } else if (lParam == 0 && App().MainForm() == this) {
            ShowWindow(App().Handle(), SW_HIDE);
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE && App().MainForm() == this) {
            App().Minimize();
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (App().ApplyCursor())
            return TRUE;
        break;
    case WM_CONTEXTMENU:
        if (contextMenu_) {
            POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (lParam == -1)
                GetCursorPos(&p);
            contextMenu_->Popup(handle_, p.x, p.y);
            return 0;
        }
        break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        if (PopupMenu::HandleOwnerMessage(message, wParam, lParam, result, dpi_))
            return result;
        break;
    case WM_DPICHANGED: {
        RECT here{};
        GetWindowRect(handle_, &here);
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        ChangeDpi(LOWORD(wParam), suggested ? *suggested : here);
        return 0;
    }
    case kGetDpiScaledSize:
        // The size the system suggests with the DPI change is then the
        // layout's exact size rather than the old one stretched.
        *reinterpret_cast<SIZE*>(lParam) = WindowSizeAt(static_cast<UINT>(wParam));
        return TRUE;
    }
    return DefWindowProcA(handle_, message, wParam, lParam);
}

}  // namespace snaplark::ui
