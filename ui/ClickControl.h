// Changes a radio button or check box from code as a user's click on its
// top-left corner would, so that its own click handling runs. A disabled
// control takes no click.
#pragma once

#include "ui/Control.h"

namespace snaplark::ui {

void ClickControl(const Control& control);

}  // namespace snaplark::ui
