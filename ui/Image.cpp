#include "ui/Image.h"

#include <stdexcept>

namespace snaplark::ui {

void Image::Create(Container& parent, int left, int top, int width, int height)
{
    CreateHandle(parent, "Static", "", SS_OWNERDRAW, 0, left, top, width, height);
}

Image::~Image()
{
    if (canvasDc_ && canvasOld_)
        SelectObject(canvasDc_.Get(), canvasOld_);
}

void Image::SetIcon(int resourceId)
{
    iconId_ = resourceId;
    const RECT r = Bounds();
    icon_ = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId),
                                          IMAGE_ICON, r.right - r.left, r.bottom - r.top, LR_SHARED));
    Invalidate();
}

void Image::SetPicture(const char* name)
{
    auto* bitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        throw std::runtime_error(std::string("Cannot load the picture ") + name);
    BITMAP bm{};
    GetObjectA(bitmap, sizeof bm, &bm);
    DeleteObject(bitmap);
    picture_ = ImageList::FromBitmapResource(name, bm.bmWidth, Dpi());
    pictureName_ = name;
    Invalidate();
}

void Image::ApplyDpi()
{
    Control::ApplyDpi();
    if (iconId_)
        SetIcon(iconId_);
    if (!pictureName_.empty()) {
        const std::string name = pictureName_;
        SetPicture(name.c_str());
    }
}

HDC Image::Canvas()
{
    if (!canvasDc_) {
        const RECT r = Bounds();
        canvasSize_ = {r.right - r.left, r.bottom - r.top};
        WindowDc screen(nullptr, WindowDc::Client);
        UniqueBitmap bitmap(CreateCompatibleBitmap(screen.Get(), canvasSize_.cx, canvasSize_.cy));
        UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
        if (!bitmap || !dc)
            throw std::runtime_error("Cannot create a picture");
        canvasOld_ = SelectObject(dc.Get(), bitmap.Get());
        canvasBitmap_ = std::move(bitmap);
        canvasDc_ = std::move(dc);
    }
    return canvasDc_.Get();
}

void Image::ResizeCanvas(int width, int height)
{
    if (!canvasDc_ || (canvasSize_.cx == width && canvasSize_.cy == height))
        return;
    SelectObject(canvasDc_.Get(), canvasOld_);
    canvasOld_ = nullptr;
    canvasDc_.Reset();
    canvasBitmap_.Reset();
}

void Image::Invalidate()
{
    InvalidateRect(Handle(), nullptr, FALSE);
}

void Image::Invalidate(const RECT& part)
{
    InvalidateRect(Handle(), &part, FALSE);
}

bool Image::OnParentNotify(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_DRAWITEM)
        return false;
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    const RECT& r = item->rcItem;
    if (canvasDc_) {
        BitBlt(item->hDC, 0, 0, canvasSize_.cx, canvasSize_.cy, canvasDc_.Get(), 0, 0, SRCCOPY);
    } else {
        FillRect(item->hDC, &r, GetSysColorBrush(COLOR_BTNFACE));
        if (icon_)
            DrawIconEx(item->hDC, 0, 0, icon_, 0, 0, 0, nullptr, DI_NORMAL);
        else
            picture_.Draw(item->hDC, 0, 0, 0);
    }
    result = TRUE;
    return true;
}

}  // namespace snaplark::ui
