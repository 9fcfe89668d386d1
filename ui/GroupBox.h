// A framed, captioned box that holds other controls: its children are
// placed relative to it, and their notifications reach their own objects.
#pragma once

#include "ui/Container.h"
#include "ui/Control.h"

namespace snaplark::ui {

class GroupBox : public Control, public Container {
public:
    void Create(Container& parent, int left, int top, int width, int height,
                const std::string& caption);

    HWND ContainerHandle() const override { return Handle(); }
    HFONT ContainerFont() const override { return font_; }
    UINT ContainerDpi() const override { return Dpi(); }
    void ApplyDpi() override;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    HFONT font_ = nullptr;
};

}  // namespace snaplark::ui
