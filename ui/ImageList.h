// A list of equally sized pictures with transparency masks.
#pragma once

#include <windows.h>

#include <commctrl.h>

namespace snaplark::ui {

class ImageList {
public:
    ImageList() = default;
    ImageList(int width, int height);
    // A strip of pictures cellWidth wide from a bitmap resource; pixels of
    // the colour key (magenta) are transparent. Raises an error when the
    // resource is missing.
    static ImageList FromBitmapResource(const char* name, int cellWidth);
    ~ImageList();
    ImageList(ImageList&& other) noexcept;
    ImageList& operator=(ImageList&& other) noexcept;
    ImageList(const ImageList&) = delete;
    ImageList& operator=(const ImageList&) = delete;

    static constexpr COLORREF kColorKey = RGB(255, 0, 255);

    // Appends the pictures of a strip, masked by the colour key.
    void AddMasked(HBITMAP strip, COLORREF key = kColorKey);
    HIMAGELIST Handle() const { return handle_; }
    int Count() const;
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Draw(HDC dc, int index, int x, int y) const;

private:
    HIMAGELIST handle_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace snaplark::ui
