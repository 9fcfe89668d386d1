// Base of the controls: one child window at an exact position inside its
// parent, given in pixels of the 96-DPI layout and scaled to the parent's
// DPI, again whenever that changes. The parent forwards the notifications it
// receives about a child (commands, WM_NOTIFY, colours, owner drawing,
// scrolling) to that child's object, so each control's behaviour lives with
// the control.
#pragma once

#include <windows.h>

#include <optional>
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

    // Position and size in the 96-DPI layout, relative to the parent.
    void SetBounds(int left, int top, int width, int height);
    // Position and size in physical pixels, kept as they are when the DPI
    // changes (a picture one to one with the screen).
    void SetPixelBounds(int left, int top, int width, int height);
    // Position and size in physical pixels, relative to the parent's client
    // area.
    RECT Bounds() const;
    // The DPI the control is laid out for: its parent's.
    UINT Dpi() const;
    // Lays the control out again for its parent's DPI and font; the form
    // calls it, parents before their children, when its DPI has changed.
    virtual void ApplyDpi();
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
    // Position and size in the 96-DPI layout.
    void CreateHandle(Container& parent, const char* className, const std::string& text,
                      DWORD style, DWORD exStyle, int left, int top, int width, int height);
    Container* Parent() const { return parent_; }
    // A length of the 96-DPI layout at the control's DPI.
    int Scale(int value) const;
    // The control has sized itself to what it shows (physical pixels); a new
    // DPI moves it and leaves the size to the control.
    void SetContentSize(int width, int height);
    bool SizedByContent() const { return design_ && design_->sizedByContent; }
    // Puts the control where the 96-DPI layout has it, at the current DPI.
    void Place();
    // The narrowest the control may be, in physical pixels, whatever the
    // layout says: a caption is never cut where the font at this DPI is
    // wider than the layout's share of it.
    virtual int LeastWidth() const { return 0; }

    // A notification about this control that its parent received.
    virtual bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // The control's own messages, before its window class sees them.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    void Detach();

    struct DesignBounds {
        int left = 0, top = 0, width = 0, height = 0;
        bool sizedByContent = false;
    };

    HWND handle_ = nullptr;
    Container* parent_ = nullptr;
    // Where the 96-DPI layout puts the control; none when placed in pixels.
    std::optional<DesignBounds> design_;
};

}  // namespace snaplark::ui
