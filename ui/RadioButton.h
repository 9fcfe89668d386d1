// A radio button whose checking the framework controls: a click checks it,
// clears the other radio buttons of the same parent, and runs OnClick only
// when the button was not checked before.
#pragma once

#include <functional>

#include "ui/Control.h"

namespace snaplark::ui {

class RadioButton : public Control {
public:
    void Create(Container& parent, int left, int top, int width, int height,
                const std::string& caption, bool checked = false);

    bool Checked() const;
    // Sets the state without running OnClick; checking clears the siblings.
    void SetChecked(bool checked);

    std::function<void()> OnClick;

protected:
    bool OnParentNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

}  // namespace snaplark::ui
