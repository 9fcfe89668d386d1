// Captions measured with the fonts the program's windows use, for tests
// that check that every caption shows whole at any DPI.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/driver/Driver.h"

namespace program {

using namespace driver;

// A font as the program's windows use it at dpi, to measure captions with:
// 8 points of "MS Sans Serif" (the dialog font) unless told otherwise.
class CaptionFont {
public:
    explicit CaptionFont(UINT dpi, const char* face = "MS Sans Serif", bool bold = false)
        : dc_(CreateCompatibleDC(nullptr)), dpi_(dpi)
    {
        font_ = CreateFontA(-MulDiv(8, static_cast<int>(dpi), 72), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0,
                            0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
        old_ = SelectObject(dc_, font_);
    }
    ~CaptionFont()
    {
        SelectObject(dc_, old_);
        DeleteObject(font_);
        DeleteDC(dc_);
    }
    CaptionFont(const CaptionFont&) = delete;
    CaptionFont& operator=(const CaptionFont&) = delete;

    // From where the text starts to the right edge of what it draws: trailing
    // blanks and the blank after the last letter draw nothing.
    int InkWidth(std::string text) const
    {
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        if (text.empty())
            return 0;
        SIZE size{};
        GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
        ABC last{};
        const UINT c = static_cast<unsigned char>(text.back());
        if (GetCharABCWidthsA(dc_, c, c, &last) && last.abcC > 0)
            size.cx -= last.abcC;
        return size.cx;
    }
    int Height() const
    {
        TEXTMETRICA tm{};
        GetTextMetricsA(dc_, &tm);
        return tm.tmHeight;
    }
    // Where a check box or radio button starts its caption: after the box
    // and half a digit, as the button control lays it out.
    int CheckRoom() const
    {
        INT zero = 0;
        GetCharWidth32A(dc_, '0', '0', &zero);
        return MulDiv(12, static_cast<int>(dpi_), 96) + 1 + zero / 2;
    }

private:
    HDC dc_;
    UINT dpi_;
    HFONT font_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// Every caption whole inside its control and clear of the control to its
// right on the same row. fontOf gives the face and weight of a caption.
inline void ExpectCaptionsFit(const std::vector<HWND>& controls, UINT dpi,
                              const std::function<std::pair<const char*, bool>(const std::string&)>& fontOf)
{
    struct Ink {
        HWND window;
        RECT bounds;
        int right;  // where the caption's ink ends, or the control's own edge
        std::string text;
    };
    std::vector<Ink> inks;
    for (HWND w : controls) {
        const std::string cls = ClassOf(w);
        const LONG type = GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK;
        if (cls == "Button" && type == BS_GROUPBOX)
            continue;  // holds the others
        Ink ink{w, BoundsInParent(w), 0, ControlText(w)};
        ink.right = ink.bounds.right;
        if (!ink.text.empty() && (cls == "Static" || cls == "Button")) {
            const auto [face, bold] = fontOf(ink.text);
            const CaptionFont font(dpi, face, bold);
            const bool check = cls == "Button" && (type == BS_CHECKBOX || type == BS_RADIOBUTTON ||
                                                   type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON);
            ink.right = ink.bounds.left + (check ? font.CheckRoom() : 0) + font.InkWidth(ink.text);
            EXPECT_LE(ink.right, ink.bounds.right) << "\"" << ink.text << "\" is cut off";
        }
        inks.push_back(ink);
    }
    for (const Ink& a : inks)
        for (const Ink& b : inks) {
            const bool sameRow = a.bounds.top < b.bounds.bottom && b.bounds.top < a.bounds.bottom;
            if (a.window != b.window && GetParent(a.window) == GetParent(b.window) && sameRow &&
                a.bounds.left < b.bounds.left) {
                EXPECT_LE(a.right, b.bounds.left)
                    << "\"" << a.text << "\" runs into the " << ClassOf(b.window) << " \"" << b.text << "\"";
            }
        }
}

}  // namespace program
