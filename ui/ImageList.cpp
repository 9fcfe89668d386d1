#include "ui/ImageList.h"

#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace snaplark::ui {

namespace {

// The strip with each cell of cellWidth x height scaled pixel by pixel to
// newCellWidth x newHeight: a 32-bit picture with the same colours.
UniqueBitmap ScaleStrip(HBITMAP strip, int cellWidth, int height, int newCellWidth, int newHeight)
{
    BITMAP bm{};
    GetObjectA(strip, sizeof bm, &bm);
    const int cells = cellWidth > 0 ? bm.bmWidth / cellWidth : 0;
    if (cells <= 0 || bm.bmHeight != height)
        throw std::runtime_error("Cannot scale a picture");

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = cellWidth * cells;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(static_cast<size_t>(cellWidth) * cells * height);
    WindowDc screen(nullptr, WindowDc::Client);
    if (GetDIBits(screen.Get(), strip, 0, static_cast<UINT>(height), pixels.data(), &info,
                  DIB_RGB_COLORS) != height)
        throw std::runtime_error("Cannot scale a picture");
    // The fourth byte is not a colour; the colour key must match without it.
    for (uint32_t& p : pixels)
        p &= 0xFFFFFF;
    const std::vector<uint32_t> scaled =
        ScaleCellsNearest(pixels, cellWidth, height, cells, newCellWidth, newHeight);

    info.bmiHeader.biWidth = newCellWidth * cells;
    info.bmiHeader.biHeight = -newHeight;
    void* bits = nullptr;
    UniqueBitmap result(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!result || !bits)
        throw std::runtime_error("Cannot scale a picture");
    std::memcpy(bits, scaled.data(), scaled.size() * sizeof scaled[0]);
    GdiFlush();
    return result;
}

}  // namespace

ImageList::ImageList(int width, int height, UINT dpi)
    : designWidth_(width), designHeight_(height), width_(ScaleToDpi(width, dpi)),
      height_(ScaleToDpi(height, dpi)), dpi_(dpi)
{
    handle_ = ImageList_Create(width_, height_, ILC_COLOR24 | ILC_MASK, 4, 4);
    if (!handle_)
        throw std::runtime_error("Cannot create an image list");
}

ImageList ImageList::FromBitmapResource(const char* name, int cellWidth, UINT dpi)
{
    UniqueBitmap strip(static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!strip)
        throw std::runtime_error(std::string("Cannot load the picture ") + name);
    BITMAP bm{};
    GetObjectA(strip.Get(), sizeof bm, &bm);
    ImageList list(cellWidth, bm.bmHeight, dpi);
    list.AddMasked(strip.Get());
    return list;
}

ImageList::~ImageList()
{
    if (handle_)
        ImageList_Destroy(handle_);
}

ImageList::ImageList(ImageList&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), designWidth_(other.designWidth_),
      designHeight_(other.designHeight_), width_(other.width_), height_(other.height_),
      dpi_(other.dpi_), strips_(std::move(other.strips_))
{
}

ImageList& ImageList::operator=(ImageList&& other) noexcept
{
    if (this != &other) {
        if (handle_)
            ImageList_Destroy(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
        designWidth_ = other.designWidth_;
        designHeight_ = other.designHeight_;
        width_ = other.width_;
        height_ = other.height_;
        dpi_ = other.dpi_;
        strips_ = std::move(other.strips_);
    }
    return *this;
}

void ImageList::AddMasked(HBITMAP strip, COLORREF key)
{
    auto source = std::make_shared<Strip>(
        Strip{UniqueBitmap(static_cast<HBITMAP>(CopyImage(strip, IMAGE_BITMAP, 0, 0, 0))), key});
    if (!source->bitmap)
        throw std::runtime_error("Cannot add pictures to an image list");
    Add(*source);
    strips_.push_back(std::move(source));
}

void ImageList::Add(const Strip& strip)
{
    // ImageList_AddMasked turns the key colour of what it is given black:
    // it gets a copy of its own, so the kept strip stays as drawn.
    const UniqueBitmap copy =
        dpi_ == kDesignDpi
            ? UniqueBitmap(static_cast<HBITMAP>(CopyImage(strip.bitmap.Get(), IMAGE_BITMAP, 0, 0, 0)))
            : ScaleStrip(strip.bitmap.Get(), designWidth_, designHeight_, width_, height_);
    if (!copy || ImageList_AddMasked(handle_, copy.Get(), strip.key) < 0)
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

ImageList ImageList::ForDpi(UINT dpi) const
{
    ImageList list(designWidth_, designHeight_, dpi);
    for (const auto& strip : strips_)
        list.Add(*strip);
    list.strips_ = strips_;
    return list;
}

}  // namespace snaplark::ui
