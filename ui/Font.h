// A font the program created and deletes again.
#pragma once

#include <windows.h>

#include <string>

namespace snaplark::ui {

class Font {
public:
    Font() = default;
    // height follows LOGFONT (negative is the character height) in pixels of
    // the 96-DPI layout; the font is made for dpi, at the same point size.
    Font(const std::string& face, int height, UINT dpi, bool bold = false, bool underline = false);
    // A copy of base with the weight and underline changed.
    static Font Derived(HFONT base, bool bold, bool underline);
    ~Font();
    Font(Font&& other) noexcept;
    Font& operator=(Font&& other) noexcept;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    HFONT Handle() const { return handle_; }

private:
    explicit Font(HFONT handle) : handle_(handle) {}
    HFONT handle_ = nullptr;
};

}  // namespace snaplark::ui
