// The selection overlay: a borderless, stay-on-top window over the primary
// screen that shows the frozen desktop while the user drags a rectangle.
// It has no input handling of its own; the mouse is followed through the
// low-level hook.
#pragma once

#include <memory>

#include "ui/Form.h"
#include "ui/Image.h"

namespace snaplark {

class TCaptureForm : public ui::Form {
public:
    TCaptureForm();

    ui::Image CaptureI;  // the frozen picture, one to one with the screen
};

// The one overlay, hidden between selections; it exists from start-up to
// shutdown and is what the selection aids draw on.
extern std::unique_ptr<TCaptureForm> CaptureForm;
void CreateCaptureForm();
void FreeCaptureForm();

}  // namespace snaplark
