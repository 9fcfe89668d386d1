// A top-level window of the program, owned by the application window: exact
// client size and the program's dialog font, both scaled from the 96-DPI
// layout to the DPI of the monitor it is on (again when it moves to another),
// centred on the screen when first shown and back where it was afterwards,
// close query and close events, modal showing, and handlers for any message
// by its number.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "ui/Container.h"
#include "ui/Font.h"

namespace snaplark::ui {

class PopupMenu;

enum class CloseAction { None, Hide };

class Form : public Container {
public:
    // A fixed single border with a caption and the system menu.
    static constexpr DWORD kSingleBorder = WS_CAPTION | WS_SYSMENU;
    // No border or caption at all.
    static constexpr DWORD kNoBorder = WS_POPUP;

    // Registers className (so the window can be found by it) and creates the
    // window hidden, with a client area of clientWidth x clientHeight pixels
    // of the 96-DPI layout.
    Form(const char* className, const std::string& caption, int clientWidth, int clientHeight,
         DWORD style = kSingleBorder, DWORD exStyle = 0);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    HWND Handle() const { return handle_; }
    HWND ContainerHandle() const override { return handle_; }
    HFONT ContainerFont() const override { return font_.Handle(); }
    UINT ContainerDpi() const override { return dpi_; }

    void Show();
    void Hide();
    bool Visible() const;
    // Shows the form with the program's other windows disabled and returns
    // once it has been closed (or the program is quitting).
    void ShowModal();
    bool Modal() const { return modal_; }

    // Asks OnCloseQuery; if allowed, runs OnClose and hides the form. Closing
    // the main form ends the message loop.
    void Close();
    bool CloseQuery();
    std::function<void(bool& canClose)> OnCloseQuery;
    std::function<void(CloseAction& action)> OnClose;

    // A handler for one message number; its result is the message's result.
    using MessageHandler = std::function<LRESULT(WPARAM, LPARAM)>;
    void SetMessageHandler(UINT message, MessageHandler handler);
    // The form's own handling of a message, for a handler that adds to it.
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);

    // Opened by a right click on the form.
    void SetContextMenu(PopupMenu* menu) { contextMenu_ = menu; }

    static Form* FromHandle(HWND window);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    void PlaceOnFirstShow();
    SIZE WindowSizeAt(UINT dpi) const;
    // WM_DPICHANGED: the font, the controls and the size for the new DPI, at
    // the place the system suggests.
    void ChangeDpi(UINT dpi, const RECT& suggested);
    // Makes the client area exactly the layout's size at the form's DPI.
    void FitClientArea();

    HWND handle_ = nullptr;
    int clientWidth_;
    int clientHeight_;
    UINT dpi_ = 0;
    Font font_;
    std::map<UINT, MessageHandler> handlers_;
    PopupMenu* contextMenu_ = nullptr;
    bool placed_ = false;
    bool modal_ = false;
};

}  // namespace snaplark::ui
