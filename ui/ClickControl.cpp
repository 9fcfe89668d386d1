#include "ui/ClickControl.h"

namespace snaplark::ui {

void ClickControl(const Control& control)
{
    SendMessageA(control.Handle(), WM_LBUTTONDOWN, 0, 0);
    SendMessageA(control.Handle(), WM_LBUTTONUP, 0, 0);
}

}  // namespace snaplark::ui
