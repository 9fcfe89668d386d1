#include "capture/CaptureUnit.h"

#include "capture/SelectionAids.h"

namespace snaplark {

TCaptureForm* CaptureForm = nullptr;

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
    CaptureForm = new TCaptureForm;
    Selection().overlay = CaptureForm;
}

void FreeCaptureForm()
{
    Selection().overlay = nullptr;
    if (CaptureForm)
        CaptureForm->Close();
    delete CaptureForm;
    CaptureForm = nullptr;
}

}  // namespace snaplark
