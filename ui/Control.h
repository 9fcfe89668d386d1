// Base of the controls: one child window at an exact pixel position inside
// its parent. The parent forwards the notifications it receives about a
// child (commands, WM_NOTIFY, colours, owner drawing, scrolling) to that
// child's object, so each control's behaviour lives with the control.
#pragma once

#include <windows.h>

#include <string>

#include "ui/Container.h"

namespace snaplark::ui {

class Control {
public:
    Control() = default;
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    HWND Handle() const { return handle_; }

    void SetBounds(int left, int top, int width, int height);
    // Position and size relative to the parent's client area.
    RECT Bounds() const;
    void SetEnabled(bool enabled);
    bool Enabled() const;
    void SetVisible(bool visible);
    virtual void SetText(const std::string& text);
    std::string Text() const;

    // The object of a control window created by the framework, or null.
    static Control* FromHandle(HWND window);
    // Hands a message that a parent window received about one of its
    // children to that child's object; true when the child answered it.
    static bool ForwardToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    void CreateHandle(Container& parent, const char* className, const std::string& text,
                      DWORD style, DWORD exStyle, int left, int top, int width, int height);

    // A notification about this control that its parent received.
    virtual bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The control's own messages, before its window class sees them.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    void Detach();

    HWND handle_ = nullptr;
};

}  // namespace snaplark::ui
