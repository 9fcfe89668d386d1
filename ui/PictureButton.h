// A push button that shows a picture instead of a caption, with its hint
// as a tooltip. The picture grows with the DPI as the button does.
#pragma once

#include <functional>

#include "ui/Control.h"
#include "ui/ImageList.h"

namespace snaplark::ui {

class PictureButton : public Control {
public:
    // picture: the name of a bitmap resource, magenta transparent.
    void Create(Container& parent, int left, int top, int width, int height, const char* picture,
                const std::string& hint = "");
    ~PictureButton() override;
    void ApplyDpi() override;

    std::function<void()> OnClick;

protected:
    bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void ShowPicture();

    std::string pictureName_;
    ImageList picture_;
    HWND tooltip_ = nullptr;
};

}  // namespace snaplark::ui
