// An up-down control that keeps a number in its buddy edit box, within a
// range and moving by a fixed step.
#pragma once

#include "ui/Control.h"
#include "ui/EditBox.h"

namespace snaplark::ui {

class UpDown : public Control {
public:
    // Placed exactly where given, beside the buddy rather than over it.
    void Create(Container& parent, int left, int top, int width, int height, EditBox& buddy,
                int minimum, int maximum, int step, int position);

    // The position as the control reports it: the low 16 bits of UDM_GETPOS,
    // signed (the buddy's number when it holds a valid one).
    int Position() const;
    void SetPosition(int position);
};

}  // namespace snaplark::ui
