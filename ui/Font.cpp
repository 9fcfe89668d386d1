#include "ui/Font.h"

#include <cstring>
#include <utility>

#include "ui/DpiScale.h"

namespace snaplark::ui {

Font::Font(const std::string& face, int height, UINT dpi, bool bold, bool underline)
{
    LOGFONTA lf{};
    lf.lfHeight = ScaleFontHeight(height, dpi);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = underline;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    lf.lfQuality = DEFAULT_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    strncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    handle_ = CreateFontIndirectA(&lf);
}

Font Font::Derived(HFONT base, bool bold, bool underline)
{
    LOGFONTA lf{};
    GetObjectA(base ? base : GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfUnderline = underline;
    return Font(CreateFontIndirectA(&lf));
}

Font::~Font()
{
    if (handle_)
        DeleteObject(handle_);
}

Font::Font(Font&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Font& Font::operator=(Font&& other) noexcept
{
    if (this != &other) {
        if (handle_)
            DeleteObject(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

}  // namespace snaplark::ui
