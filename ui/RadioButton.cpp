#include "ui/RadioButton.h"

namespace snaplark::ui {

namespace {

BOOL CALLBACK UncheckSibling(HWND window, LPARAM self)
{
    auto* sibling = dynamic_cast<RadioButton*>(Control::FromHandle(window));
    if (sibling && sibling != reinterpret_cast<RadioButton*>(self))
        SendMessageA(window, BM_SETCHECK, BST_UNCHECKED, 0);
    return TRUE;
}

}  // namespace

void RadioButton::Create(Container& parent, int left, int top, int width, int height,
                         const std::string& caption, bool checked)
{
    // BS_RADIOBUTTON, not the automatic kind: the button only reports the
    // click, so a click on the checked button changes nothing and runs nothing.
    CreateHandle(parent, "Button", caption, BS_RADIOBUTTON | WS_TABSTOP, 0, left, top, width,
                 height);
    if (checked)
        SetChecked(true);
}

bool RadioButton::Checked() const
{
    return SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void RadioButton::SetChecked(bool checked)
{
    if (checked) {
        // Only the direct children of the parent: EnumChildWindows would also
        // walk into nested boxes.
        for (HWND w = GetWindow(GetParent(Handle()), GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            UncheckSibling(w, reinterpret_cast<LPARAM>(this));
    }
    SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool RadioButton::OnParentNotify(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return false;
    result = 0;
    if (Checked())
        return true;
    SetChecked(true);
    if (OnClick)
        OnClick();
    return true;
}

}  // namespace snaplark::ui
