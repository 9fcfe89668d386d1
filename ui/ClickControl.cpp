#include "ui/ClickControl.h"

namespace snaplark::ui {

void ClickControl(const Control& control)
{
    // A user cannot click a disabled control, and sent mouse messages would
    // click it all the same.
    if (!IsWindowEnabled(control.Handle()))
        return;
    SendMessageA(control.Handle(), WM_LBUTTONDOWN, 0, 0);
    SendMessageA(control.Handle(), WM_LBUTTONUP, 0, 0);
}

}  // namespace snaplark::ui
