// A list of equally sized pictures with transparency masks, and the same
// pictures grown for another DPI.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <vector>

#include "ui/DpiScale.h"
#include "ui/Handles.h"

namespace snaplark::ui {

class ImageList {
public:
    ImageList() = default;
    // Pictures of width x height pixels of the 96-DPI layout, made for dpi.
    ImageList(int width, int height, UINT dpi = kDesignDpi);
    // A strip of pictures cellWidth wide from a bitmap resource; pixels of
    // the colour key (magenta) are transparent. Raises an error when the
    // resource is missing.
    static ImageList FromBitmapResource(const char* name, int cellWidth, UINT dpi = kDesignDpi);
    ~ImageList();
    ImageList(ImageList&& other) noexcept;
    ImageList& operator=(ImageList&& other) noexcept;
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    static constexpr COLORREF kColorKey = RGB(255, 0, 255);

    // Appends the pictures of a strip drawn for 96 DPI, masked by the colour
    // key; at another DPI each picture is scaled up pixel by pixel.
    void AddMasked(HBITMAP strip, COLORREF key = kColorKey);
    HIMAGELIST Handle() const { return handle_; }
    int Count() const;
    // The size of a picture in physical pixels.
    int Width() const { return width_; }
    int Height() const { return height_; }
    UINT Dpi() const { return dpi_; }
    void Draw(HDC dc, int index, int x, int y) const;

    // The same pictures made for another DPI.
    ImageList ForDpi(UINT dpi) const;

private:
    struct Strip {
        UniqueBitmap bitmap;  // as drawn for 96 DPI
        COLORREF key;
    };
    // The strip's pictures, made for this list's DPI.
    void Add(const Strip& strip);

    HIMAGELIST handle_ = nullptr;
    int designWidth_ = 0;
    int designHeight_ = 0;
    int width_ = 0;
    int height_ = 0;
    UINT dpi_ = kDesignDpi;
    // Kept to make the pictures again for another DPI; shared by the copies.
    std::vector<std::shared_ptr<const Strip>> strips_;
};

}  // namespace snaplark::ui
