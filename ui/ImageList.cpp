#include "ui/ImageList.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace snaplark::ui {

ImageList::ImageList(int width, int height)
    : handle_(ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 4, 4)), width_(width),
      height_(height)
{
    if (!handle_)
        throw std::runtime_error("Cannot create an image list");
}

ImageList ImageList::FromBitmapResource(const char* name, int cellWidth)
{
    auto* strip = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0,
                                                  0, LR_CREATEDIBSECTION));
    if (!strip)
        throw std::runtime_error(std::string("Cannot load the picture ") + name);
    BITMAP bm{};
    GetObjectA(strip, sizeof bm, &bm);
    ImageList list;
    try {
        list = ImageList(cellWidth, bm.bmHeight);
        list.AddMasked(strip);
    } catch (...) {
        DeleteObject(strip);
        throw;
    }
    DeleteObject(strip);
    return list;
}

ImageList::~ImageList()
{
    if (handle_)
        ImageList_Destroy(handle_);
}

ImageList::ImageList(ImageList&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), width_(other.width_), height_(other.height_)
{
}

ImageList& ImageList::operator=(ImageList&& other) noexcept
{
    if (this != &other) {
        if (handle_)
            ImageList_Destroy(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
        width_ = other.width_;
        height_ = other.height_;
    }
    return *this;
}

void ImageList::AddMasked(HBITMAP strip, COLORREF key)
{
    // ImageList_AddMasked turns the key colour of the strip black; it works
    // on a copy so the caller's bitmap stays as it was.
    auto* copy = static_cast<HBITMAP>(CopyImage(strip, IMAGE_BITMAP, 0, 0, 0));
    const int added = ImageList_AddMasked(handle_, copy ? copy : strip, key);
    if (copy)
        DeleteObject(copy);
    if (added < 0)
        throw std::runtime_error("Cannot add pictures to an image list");
}

int ImageList::Count() const
{
    return handle_ ? ImageList_GetImageCount(handle_) : 0;
}

void ImageList::Draw(HDC dc, int index, int x, int y) const
{
    if (handle_ && index >= 0 && index < Count())
        ImageList_Draw(handle_, index, dc, x, y, ILD_TRANSPARENT);
}

}  // namespace snaplark::ui
