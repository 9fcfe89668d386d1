// A check box: a click toggles it and then runs OnClick.
#pragma once

#include <functional>

#include "ui/Control.h"

namespace snaplark::ui {

class CheckBox : public Control {
public:
    void Create(Container& parent, int left, int top, int width, int height,
                const std::string& caption, bool checked = false);

    bool Checked() const;
    // Sets the state without running OnClick.
    void SetChecked(bool checked);

    std::function<void()> OnClick;

protected:
    bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

}  // namespace snaplark::ui
