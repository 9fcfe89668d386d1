// A status bar that shows one text across its whole width.
#pragma once

#include "ui/Control.h"

namespace snaplark::ui {

class StatusBar : public Control {
public:
    void Create(Container& parent, int left, int top, int width, int height);

    void SetText(const std::string& text) override;
    std::string Text() const;
};

}  // namespace snaplark::ui
