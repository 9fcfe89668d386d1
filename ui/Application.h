// The application object: the hidden top-level window that carries the
// taskbar button and owns every form, the message loop, and the one place
// where an error that leaves a handler is caught and shown.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

namespace snaplark::ui {

class Form;

class Application {
public:
    Application() = default;
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Registers the window classes, starts the common controls and creates
    // the hidden top-level window "TApplication"; raises when it cannot.
    void Initialize();
    HWND Handle() const { return handle_; }

    void SetTitle(const std::string& title);
    const std::string& Title() const { return title_; }

    // The first form created; closing it ends the message loop.
    Form* MainForm() const { return mainForm_; }
    void SetMainForm(Form* form) { mainForm_ = form; }
    // Whether Run shows the main form before it starts taking messages.
    void SetShowMainForm(bool show) { showMainForm_ = show; }

    // Takes and dispatches messages until WM_QUIT; the exit code it carried.
    int Run();
    // Takes and dispatches every waiting message, then returns.
    void ProcessMessages();
    // Takes one message, waiting for it; false once WM_QUIT has been taken.
    bool HandleMessage();
    bool Terminated() const { return terminated_; }
    void Terminate();

    // Iconises the taskbar window (once) and raises OnMinimize.
    void Minimize();
    // Restores the iconised taskbar window and gives the focus back to the
    // window that had it when it was minimised.
    void Restore();
    bool Minimized() const;
    std::function<void()> OnMinimize;

    // The cursor shown over every window of the program; null for each
    // window's own cursor.
    void SetCursor(HCURSOR cursor);
    HCURSOR Cursor() const { return cursor_; }
    // Answers WM_SETCURSOR for a window of the program; false to let the
    // window choose.
    bool ApplyCursor() const;

    // Shows an error that left a handler in the error box; never throws.
    void HandleException(std::exception_ptr error) noexcept;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    bool Dispatch(MSG& msg);

    HWND handle_ = nullptr;
    std::string title_;
    Form* mainForm_ = nullptr;
    bool showMainForm_ = true;
    bool terminated_ = false;
    int exitCode_ = 0;
    HCURSOR cursor_ = nullptr;
    HWND focused_ = nullptr;
};

// The program's one application object.
Application& App();

// Runs a handler at a window-procedure boundary: an error that leaves it is
// shown in the error box and fallback is returned, so the loop goes on.
template <typename F>
LRESULT Guarded(F&& handler, LRESULT fallback = 0) noexcept
{
    try {
        return handler();
    } catch (...) {
        App().HandleException(std::current_exception());
        return fallback;
    }
}

}  // namespace snaplark::ui
