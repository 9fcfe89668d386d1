#include "capture/CaptureUnit.h"

namespace snaplark {

TCaptureForm::TCaptureForm()
    : ui::Form("TCaptureForm", "", 0, 0, ui::Form::kNoBorder, WS_EX_TOPMOST)
{
    // Placed and sized anew at every selection.
    CaptureI.Create(*this, 0, 0, 0, 0);
}

}  // namespace snaplark
