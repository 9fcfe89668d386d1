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
    // height in pixels of the 96-DPI layout, as LOGFONT takes it.
    void SetFontFace(const std::string& face, int height);
    void ApplyDpi() override;
    // Given a size, a label is still as wide as its text.
    int LeastWidth() const override;

    std::function<void()> OnClick;
    // Key and button state (MK_ flags) and the position in the label.
    std::function<void(WPARAM keys, int x, int y)> OnMouseMove;
    std::function<void()> OnMouseLeave;

protected:
    bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // The label's own font, made anew for the current DPI (it has one once
    // styled or given a face); fit: resize the label to its text.
    void ApplyOwnFont(bool fit);
    void FitToText();
    // The text's extent in the label's font.
    SIZE TextSize() const;

    struct Face {
        std::string name;
        int height = 0;
    };

    HFONT parentFont_ = nullptr;
    std::optional<Face> face_;
    bool styled_ = false;
    bool bold_ = false;
    bool underline_ = false;
    Font font_;
    std::optional<COLORREF> color_;
    bool tracking_ = false;
};

}  // namespace snaplark::ui
