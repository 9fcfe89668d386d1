// A text label sized to its text: colour, bold, underline, its own font
// face, click, mouse-move and mouse-leave events.
#pragma once

#include <functional>
#include <optional>

#include "ui/Control.h"
#include "ui/Font.h"

namespace snaplark::ui {

class Label : public Control {
public:
    void Create(Container& parent, int left, int top, const std::string& caption);

    // Resizes the label to the new text.
    void SetText(const std::string& text) override;
    void SetColor(COLORREF color);
    COLORREF Color() const;
    void SetStyle(bool bold, bool underline);
    void SetFontFace(const std::string& face, int height);

    std::function<void()> OnClick;
    // Key and button state (MK_ flags) and the position in the label.
    std::function<void(WPARAM keys, int x, int y)> OnMouseMove;
    std::function<void()> OnMouseLeave;

protected:
    bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void ApplyFont(Font font);
    void FitToText();

    HFONT parentFont_ = nullptr;
    Font font_;
    std::optional<COLORREF> color_;
    bool tracking_ = false;
};

}  // namespace snaplark::ui
