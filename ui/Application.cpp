#include "ui/Application.h"

#include <commctrl.h>

#include <stdexcept>

#include "ui/ApplicationWindow.h"
#include "ui/Dpi.h"
#include "ui/ErrorBox.h"
#include "ui/Form.h"
#include "ui/PopupMenu.h"
#include "ui/Timer.h"
#include "ui/WindowClass.h"

namespace snaplark::ui {

namespace {
constexpr char kClassName[] = "TApplication";
}

Application& App()
{
    static Application app;
    return app;
}

Application::~Application()
{
    if (handle_ && IsWindow(handle_))
        DestroyWindow(handle_);
}

void Application::Initialize()
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    RegisterFrameworkClass(kClassName, WindowProc);

    // A zero-sized popup with a caption in the middle of the screen: visible
    // it gives the program its taskbar button without showing anything.
    const int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    handle_ = CreateWindowExA(0, kClassName, title_.c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              x, y, 0, 0, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    if (!handle_)
        throw std::runtime_error("Cannot create the application window");
    SetApplicationWindow(handle_);
}

void Application::SetTitle(const std::string& title)
{
    title_ = title;
    if (handle_)
        SetWindowTextA(handle_, title_.c_str());
}

int Application::Run()
{
    if (showMainForm_ && mainForm_ && !terminated_)
        mainForm_->Show();
    while (HandleMessage()) {
    }
    return exitCode_;
}

bool Application::HandleMessage()
{
    if (terminated_)
        return false;
    MSG msg;
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        terminated_ = true;
        exitCode_ = got == 0 ? static_cast<int>(msg.wParam) : 1;
        return false;
    }
    Dispatch(msg);
    return true;
}

void Application::ProcessMessages()
{
    MSG msg;
    while (!terminated_ && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            terminated_ = true;
            exitCode_ = static_cast<int>(msg.wParam);
            break;
        }
        Dispatch(msg);
    }
}

void Application::Terminate()
{
    PostQuitMessage(0);
}

bool Application::Dispatch(MSG& msg)
{
    // Tab and the arrow keys move between the controls of a form as in a
    // dialog box.
    if (msg.hwnd) {
        HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (root && Form::FromHandle(root) && IsDialogMessageA(root, &msg))
            return true;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void Application::Minimize()
{
    if (Minimized())
        return;
    // Remembered so that Restore can give the focus back.
    focused_ = GetFocus();
    ShowWindow(handle_, SW_MINIMIZE);
    if (OnMinimize)
        OnMinimize();
}

void Application::Restore()
{
    if (!Minimized())
        return;
    ShowWindow(handle_, SW_RESTORE);
    if (focused_ && IsWindow(focused_) && IsWindowVisible(focused_))
        SetFocus(focused_);
    focused_ = nullptr;
}

bool Application::Minimized() const
{
    return handle_ && IsIconic(handle_);
}

void Application::SetCursor(HCURSOR cursor)
{
    cursor_ = cursor;
    ::SetCursor(cursor_ ? cursor_ : LoadCursorA(nullptr, IDC_ARROW));
}

bool Application::ApplyCursor() const
{
    if (!cursor_)
        return false;
    ::SetCursor(cursor_);
    return true;
}

void Application::HandleException(std::exception_ptr error) noexcept
{
    ReportException(error);
}

LRESULT CALLBACK Application::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Application*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->handle_ = window;
    }
    if (window != App().handle_)
        return DefWindowProcA(window, message, wParam, lParam);
    return Guarded([&] { return App().WndProc(message, wParam, lParam); });
}

LRESULT Application::WndProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    switch (message) {
    case WM_TIMER:
        if (Timer::Tick(wParam))
            return 0;
        break;
    case WM_MEASUREITEM:
    case WM_DRAWITEM:
        if (PopupMenu::HandleOwnerMessage(message, wParam, lParam, result, WindowDpi(handle_)))
            return result;
        break;
    case WM_SETCURSOR:
        if (ApplyCursor())
            return TRUE;
        break;
    case WM_ENDSESSION:
        // Log-off or shutdown: end at once, without the orderly exit.
        if (wParam)
            ExitProcess(0);
        return 0;
    case WM_CLOSE:
        // The taskbar button's Close: ask the main form, which decides.
        if (mainForm_)
            mainForm_->Close();
        return 0;
    }
    return DefWindowProcA(handle_, message, wParam, lParam);
}

}  // namespace snaplark::ui
