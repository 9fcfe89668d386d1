#include "ui/RadioButton.h"

#include <commctrl.h>

#include <vector>

namespace snaplark::ui {

namespace {

// The radio buttons of a parent in their creation (Z) order: only direct
// children, as EnumChildWindows would also walk into nested boxes.
std::vector<RadioButton*> GroupOf(HWND parent)
{
    std::vector<RadioButton*> group;
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (auto* button = dynamic_cast<RadioButton*>(Control::FromHandle(w)))
            group.push_back(button);
    return group;
}

void SetStyleBit(HWND window, LONG bit, bool on)
{
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const LONG wanted = on ? style | bit : style & ~bit;
    if (wanted != style)
        SetWindowLongA(window, GWL_STYLE, wanted);
}

bool IsArrowKey(WPARAM key)
{
    return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

}  // namespace

void RadioButton::Create(Container& parent, int left, int top, int width, int height,
                         const std::string& caption, bool checked)
{
    const bool startsGroup = GroupOf(parent.ContainerHandle()).empty();
    // BS_RADIOBUTTON, not the automatic kind: the button only reports the
    // click, so a click on the checked button changes nothing and runs nothing.
    CreateHandle(parent, "Button", caption, BS_RADIOBUTTON, 0, left, top, width, height);
    // Every control starts a group of its own; the later buttons of a box
    // continue the first one's, so the arrow keys stay within the box.
    if (!startsGroup)
        SetStyleBit(Handle(), WS_GROUP, false);
    if (checked)
        SetChecked(true);
    else
        UpdateGroupTabStop();
}

bool RadioButton::Checked() const
{
    return SendMessageA(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void RadioButton::SetChecked(bool checked)
{
    if (checked)
        for (RadioButton* sibling : GroupOf(GetParent(Handle())))
            if (sibling != this)
                SendMessageA(sibling->Handle(), BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageA(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    UpdateGroupTabStop();
}

void RadioButton::UpdateGroupTabStop() const
{
    // Tab lands on the current choice, never on another button: on Windows
    // an unchecked radio button that gets the focus reports a click.
    const std::vector<RadioButton*> group = GroupOf(GetParent(Handle()));
    const RadioButton* stop = group.empty() ? nullptr : group.front();
    for (const RadioButton* button : group)
        if (button->Checked())
            stop = button;
    for (const RadioButton* button : group)
        SetStyleBit(button->Handle(), WS_TABSTOP, button == stop);
}

void RadioButton::Select()
{
    if (Checked())
        return;
    SetChecked(true);
    if (OnClick)
        OnClick();
}

RadioButton* RadioButton::Neighbour(bool previous) const
{
    const std::vector<RadioButton*> group = GroupOf(GetParent(Handle()));
    const auto count = static_cast<int>(group.size());
    int self = 0;
    while (self < count && group[static_cast<size_t>(self)] != this)
        ++self;
    for (int step = 1; step < count; ++step) {
        const int i = (self + (previous ? count - step : step)) % count;
        RadioButton* candidate = group[static_cast<size_t>(i)];
        if (IsWindowEnabled(candidate->Handle()) && IsWindowVisible(candidate->Handle()))
            return candidate;
    }
    return nullptr;
}

bool RadioButton::OnParentNotify(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return false;
    result = 0;
    // Windows' button reports a click when it merely gets the focus while
    // unchecked; only a real click (mouse, space bar) selects.
    if (!focusArriving_)
        Select();
    return true;
}

bool RadioButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SETFOCUS:
        focusArriving_ = true;
        result = DefSubclassProc(Handle(), message, wParam, lParam);
        focusArriving_ = false;
        return true;
    case WM_GETDLGCODE:
        // The arrow keys come here rather than to the dialog manager, whose
        // moving of the focus would select nothing (or, on Windows, select
        // through the focus report ignored above).
        result = DefSubclassProc(Handle(), message, wParam, lParam) | DLGC_WANTARROWS;
        return true;
    case WM_KEYDOWN:
        if (!IsArrowKey(wParam))
            return false;
        // Moving with the arrows is choosing: each button passed is selected.
        if (RadioButton* next = Neighbour(wParam == VK_LEFT || wParam == VK_UP)) {
            SetFocus(next->Handle());
            next->Select();
        }
        result = 0;
        return true;
    default:
        return false;
    }
}

}  // namespace snaplark::ui
