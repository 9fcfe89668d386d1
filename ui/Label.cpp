#include "ui/Label.h"

#include <utility>

#include "ui/Handles.h"
#include "ui/WideText.h"

namespace snaplark::ui {

void Label::Create(Container& parent, int left, int top, const std::string& caption)
{
    parentFont_ = parent.ContainerFont();
    // SS_NOTIFY lets the label take the mouse; SS_NOPREFIX shows "&" in a
    // path as it is.
    CreateHandle(parent, "Static", caption, SS_LEFTNOWORDWRAP | SS_NOTIFY | SS_NOPREFIX, 0, left, top,
                 0, 0);
    FitToText();
}

void Label::SetText(const std::string& text)
{
    Control::SetText(text);
    FitToText();
}

SIZE Label::TextSize() const
{
    const std::wstring text = ToUtf16(Text());
    WindowDc dc(Handle(), WindowDc::Client);
    SelectGuard font(dc.Get(), reinterpret_cast<HFONT>(SendMessageA(Handle(), WM_GETFONT, 0, 0)));
    // Measured the way the control draws.
    RECT r{0, 0, 0, 0};
    DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | DT_LEFT);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc.Get(), &tm);
    return {r.right - r.left, tm.tmHeight};
}

void Label::FitToText()
{
    const SIZE size = TextSize();
    // The allowance keeps the last character whole where the system draws a
    // pixel or two wider than it measures (Wine's Tahoma does).
    const int overhang = Text().empty() ? 0 : 3;
    SetContentSize(size.cx + overhang, size.cy);
    InvalidateRect(Handle(), nullptr, TRUE);
}

int Label::LeastWidth() const
{
    return TextSize().cx;
}

void Label::SetColor(COLORREF color)
{
    // Mouse moves set the same colour over and over; repainting each time
    // would flicker.
    if (color_ == color)
        return;
    color_ = color;
    InvalidateRect(Handle(), nullptr, TRUE);
}

COLORREF Label::Color() const
{
    return color_.value_or(GetSysColor(COLOR_WINDOWTEXT));
}

void Label::SetStyle(bool bold, bool underline)
{
    styled_ = true;
    bold_ = bold;
    underline_ = underline;
    ApplyOwnFont(true);
}

void Label::SetFontFace(const std::string& face, int height)
{
    face_ = Face{face, height};
    bold_ = underline_ = false;
    ApplyOwnFont(true);
}

void Label::ApplyOwnFont(bool fit)
{
    Font font = face_ ? Font(face_->name, face_->height, Dpi(), bold_, underline_)
                      : Font::Derived(parentFont_, bold_, underline_);
    // The old font goes only after the control has let go of it.
    SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Handle()), FALSE);
    font_ = std::move(font);
    if (fit)
        FitToText();
}

void Label::ApplyDpi()
{
    // The font first: the label's size depends on it.
    parentFont_ = Parent()->ContainerFont();
    if (face_ || styled_)
        ApplyOwnFont(false);
    else
        SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(parentFont_), TRUE);
    Place();
    if (SizedByContent())
        FitToText();
}

bool Label::OnParentNotify(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, Color());
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == STN_CLICKED) {
            if (OnClick)
                OnClick();
            result = 0;
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool Label::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&)
{
    switch (message) {
    case WM_MOUSEMOVE:
        if (!tracking_) {
            TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, Handle(), 0};
            tracking_ = TrackMouseEvent(&tme);
        }
        if (OnMouseMove)
            OnMouseMove(wParam, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
        return false;
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (OnMouseLeave)
            OnMouseLeave();
        return false;
    default:
        return false;
    }
}

}  // namespace snaplark::ui
