#include "input/KbdUnit.h"

namespace snaplark {

std::unique_ptr<TKbdForm> KbdForm;

namespace {

constexpr COLORREF kKeyColor = RGB(0, 0, 255);
constexpr int kLabelHeight = 13;

// Labels keep the widths of the legend's layout rather than their text's
// measured width, so the columns line up whatever font the system maps to
// (at another DPI a label still grows where its text would be cut).
void PlaceLabel(ui::Label& label, ui::Container& parent, int left, int top, int width,
                const char* caption)
{
    label.Create(parent, left, top, caption);
    label.SetBounds(left, top, width, kLabelHeight);
}

}  // namespace

TKbdForm::TKbdForm() : Form("TKbdForm", "Keys", kKbdClientWidth, kKbdClientHeight)
{
    KeysGB.Create(*this, 0, 2, 205, 69, "Keys");
    PlaceLabel(PrtScrNL, KeysGB, 8, 16, 29, "PrtScr");
    PlaceLabel(APrtScrNL, KeysGB, 8, 52, 47, "Alt+PrtScr");
    PlaceLabel(CPrtScrNL, KeysGB, 8, 40, 50, "Ctrl+PrtScr");
    // The caption is exactly this, blank and spelling included.
    PlaceLabel(SPrtScrNL, KeysGB, 8, 28, 70, "Shift + PrtsScr ");
    PlaceLabel(PrtScrL, KeysGB, 92, 16, 108, "Selected Action / Stop");
    PlaceLabel(SPrtScrL, KeysGB, 92, 28, 88, "Fullscreen Capture");
    PlaceLabel(CPrtScrL, KeysGB, 92, 40, 89, "Rectangle Capture");
    PlaceLabel(APrtScrL, KeysGB, 92, 52, 79, "Window Capture");
    for (ui::Label* key : {&PrtScrNL, &APrtScrNL, &CPrtScrNL, &SPrtScrNL})
        key->SetColor(kKeyColor);
}

void CreateKbdForm()
{
    if (!KbdForm)
        KbdForm = std::make_unique<TKbdForm>();
}

namespace {

// Exit can arrive while the window is up (from the tray menu, whose window
// the modal loop leaves enabled); the window then goes once its modal loop
// has let go of it.
bool showingModal = false;
bool freeWhenClosed = false;

}  // namespace

void ShowKbdFormModal()
{
    if (!KbdForm || showingModal)
        return;
    showingModal = true;
    KbdForm->ShowModal();
    showingModal = false;
    if (freeWhenClosed) {
        freeWhenClosed = false;
        KbdForm.reset();
    }
}

void FreeKbdForm()
{
    if (!KbdForm)
        return;
    KbdForm->Close();
    if (showingModal) {
        freeWhenClosed = true;
        return;
    }
    KbdForm.reset();
}

}  // namespace snaplark
