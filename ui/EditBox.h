// A single-line edit box.
#pragma once

#include "ui/Control.h"

namespace snaplark::ui {

class EditBox : public Control {
public:
    void Create(Container& parent, int left, int top, int width, int height,
                const std::string& text = "");
};

}  // namespace snaplark::ui
