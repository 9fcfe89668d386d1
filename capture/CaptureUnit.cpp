#include "capture/CaptureUnit.h"

#include "capture/SelectionAids.h"

namespace snaplark {

std::unique_ptr<TCaptureForm> CaptureForm;

TCaptureForm::TCaptureForm()
    : ui::Form("TCaptureForm", "", 0, 0, ui::Form::kNoBorder, WS_EX_TOPMOST)
{
    // Placed and sized anew at every selection, in the screen's own pixels:
    // a change of DPI has nothing to scale.
    CaptureI.Create(*this, 0, 0, 0, 0);
    SetMessageHandler(WM_DPICHANGED, [](WPARAM, LPARAM) -> LRESULT { return 0; });
}

void CreateCaptureForm()
{
    CaptureForm = std::make_unique<TCaptureForm>();
    Selection().overlay = CaptureForm.get();
}

void FreeCaptureForm()
{
    Selection().overlay = nullptr;
    if (CaptureForm)
        CaptureForm->Close();
    CaptureForm.reset();
}

}  // namespace snaplark
