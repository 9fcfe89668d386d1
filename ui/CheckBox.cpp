#include "ui/CheckBox.h"

namespace snaplark::ui {

void CheckBox::Create(Container& parent, int left, int top, int width, int height,
                      const std::string& caption, bool checked)
{
    CreateHandle(parent, "Button", caption, BS_CHECKBOX | WS_TABSTOP, 0, left, top, width, height);
    SetChecked(checked);
}

bool CheckBox::Checked() const
{
    return SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckBox::SetChecked(bool checked)
{
    SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CheckBox::OnParentNotify(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return false;
    result = 0;
    SetChecked(!Checked());
    if (OnClick)
        OnClick();
    return true;
}

}  // namespace snaplark::ui
