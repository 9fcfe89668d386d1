// A picture painted at the top-left corner of its control: an icon or a
// masked picture from a bitmap resource, both grown with the DPI as the
// control is, or a bitmap that code draws into through Canvas(), shown one
// to one.
#pragma once

#include "ui/Control.h"
#include "ui/Handles.h"
#include "ui/ImageList.h"

namespace snaplark::ui {

class Image : public Control {
public:
    void Create(Container& parent, int left, int top, int width, int height);
    ~Image() override;

    // An icon resource of the program, loaded at the control's size.
    void SetIcon(int resourceId);
    // A bitmap resource whose magenta pixels let the background through.
    void SetPicture(const char* name);
    void ApplyDpi() override;
    // A memory DC holding the picture, created screen-compatible the first
    // time it is asked for, at the control's size at that moment; the
    // control shows whatever is drawn into it after Invalidate().
    HDC Canvas();
    // Drops a canvas of another size, so the next Canvas() makes one of
    // width x height (the control's size by then).
    void ResizeCanvas(int width, int height);
    void Invalidate();
    // Only this part of the control is shown anew.
    void Invalidate(const RECT& part);

protected:
    bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    int iconId_ = 0;
    HICON icon_ = nullptr;  // shared: loaded with LR_SHARED, never destroyed
    std::string pictureName_;
    ImageList picture_;
    UniqueMemoryDc canvasDc_;
    UniqueBitmap canvasBitmap_;
    HGDIOBJ canvasOld_ = nullptr;
    SIZE canvasSize_{};
};

}  // namespace snaplark::ui
