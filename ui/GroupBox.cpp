#include "ui/GroupBox.h"

namespace snaplark::ui {

void GroupBox::Create(Container& parent, int left, int top, int width, int height,
                      const std::string& caption)
{
    font_ = parent.ContainerFont();
    // Clipping keeps the box's frame from painting over its children; the
    // dialog manager walks into it for Tab.
    CreateHandle(parent, "Button", caption, BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT,
                 left, top, width, height);
}

void GroupBox::ApplyDpi()
{
    font_ = Parent()->ContainerFont();
    Control::ApplyDpi();
}

bool GroupBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_ERASEBKGND) {
        // The button class draws only the frame and caption, and the form
        // clips its children, so nobody else fills the inside.
        RECT r{};
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
        result = TRUE;
        return true;
    }
    return ForwardToChild(message, wParam, lParam, result);
}

}  // namespace snaplark::ui
