#include "ui/Control.h"

#include <commctrl.h>

#include <algorithm>
#include <stdexcept>

#include "ui/Application.h"
#include "ui/DpiScale.h"
#include "ui/WideText.h"

namespace snaplark::ui {

namespace {
constexpr char kObjectProperty[] = "SnaplarkControl";
constexpr UINT_PTR kSubclassId = 1;
}  // namespace

Control::~Control()
{
    Detach();
}

void Control::Detach()
{
    if (handle_ && IsWindow(handle_)) {
        RemoveWindowSubclass(handle_, SubclassProc, kSubclassId);
        RemovePropA(handle_, kObjectProperty);
    }
    handle_ = nullptr;
}

void Control::CreateHandle(Container& parent, const char* className, const std::string& text,
                           DWORD style, DWORD exStyle, int left, int top, int width, int height)
{
    // WS_GROUP: each control is a group of its own for the arrow keys, so
    // they never wander from a check box into the next box. A Unicode
    // window: one made with CreateWindowExA keeps its text in the ANSI code
    // page, which has no room for most of the world's folder names.
    parent_ = &parent;
    design_ = DesignBounds{left, top, width, height};
    handle_ = CreateWindowExW(exStyle, ToUtf16(className).c_str(), ToUtf16(text).c_str(),
                              WS_CHILD | WS_VISIBLE | WS_GROUP | style,
                              Scale(left), Scale(top), Scale(width), Scale(height),
                              parent.ContainerHandle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!handle_)
        throw std::runtime_error(std::string("Cannot create a control of class ") + className);
    SetPropA(handle_, kObjectProperty, this);
    SetWindowSubclass(handle_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(parent.ContainerFont()), FALSE);
}

Control* Control::FromHandle(HWND window)
{
    return window ? static_cast<Control*>(GetPropA(window, kObjectProperty)) : nullptr;
}

bool Control::ForwardToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    HWND child = nullptr;
    switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_HSCROLL:
    case WM_VSCROLL:
        child = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlType != ODT_MENU)
            child = item->hwndItem;
        break;
    }
    default:
        return false;
    }
    Control* control = FromHandle(child);
    return control && control->OnParentNotify(message, wParam, lParam, result);
}

bool Control::OnParentNotify(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

bool Control::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

LRESULT CALLBACK Control::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR, DWORD_PTR self)
{
    auto* control = reinterpret_cast<Control*>(self);
    if (message == WM_NCDESTROY) {
        control->Detach();
        return DefSubclassProc(window, message, wParam, lParam);
    }
    return Guarded([&]() -> LRESULT {
        if (message == WM_SETCURSOR && App().ApplyCursor())
            return TRUE;
        LRESULT result = 0;
        if (control->OnMessage(message, wParam, lParam, result))
            return result;
        return DefSubclassProc(window, message, wParam, lParam);
    });
}

void Control::SetBounds(int left, int top, int width, int height)
{
    design_ = DesignBounds{left, top, width, height};
    Place();
}

void Control::SetPixelBounds(int left, int top, int width, int height)
{
    design_.reset();
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::SetContentSize(int width, int height)
{
    if (design_)
        design_->sizedByContent = true;
    SetWindowPos(handle_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Control::Place()
{
    if (!design_)
        return;
    const DesignBounds& d = *design_;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (d.sizedByContent ? SWP_NOSIZE : 0);
    const int width = d.sizedByContent ? 0 : std::max(Scale(d.width), LeastWidth());
    SetWindowPos(handle_, nullptr, Scale(d.left), Scale(d.top), width, Scale(d.height), flags);
}

UINT Control::Dpi() const
{
    return parent_ ? parent_->ContainerDpi() : kDesignDpi;
}

int Control::Scale(int value) const
{
    return ScaleToDpi(value, Dpi());
}

void Control::ApplyDpi()
{
    if (parent_)
        SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(parent_->ContainerFont()), TRUE);
    Place();
}

RECT Control::Bounds() const
{
    RECT r{};
    GetWindowRect(handle_, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void Control::SetEnabled(bool enabled)
{
    EnableWindow(handle_, enabled);
}

bool Control::Enabled() const
{
    return IsWindowEnabled(handle_);
}

void Control::SetVisible(bool visible)
{
    ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
}

void Control::SetText(const std::string& text)
{
    SetWindowTextW(handle_, ToUtf16(text).c_str());
}

std::string Control::Text() const
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(handle_)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(handle_, text.data(), static_cast<int>(text.size()))));
    return ToUtf8(text);
}

}  // namespace snaplark::ui
