// A radio button whose checking the framework controls: a click checks it,
// clears the other radio buttons of the same parent, and runs OnClick only
// when the button was not checked before. The radio buttons of one parent
// are one group for the keyboard: Tab stops only on the checked one (the
// first while none is), and the arrow keys move through the group and select
// as they go. The focus alone never changes the choice.
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
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Checks the button and runs OnClick, unless it is checked already.
    void Select();
    // The next (or previous) enabled, visible button of the group, round
    // the end; null when there is no other.
    RadioButton* Neighbour(bool previous) const;
    void UpdateGroupTabStop() const;

    bool focusArriving_ = false;
};

}  // namespace snaplark::ui
