// The main window's side of the command layer: its handlers hand the
// messages over to the dispatcher, and it answers what the dispatcher asks
// of its controls.
#include "app/MainUnit.h"
#include "capture/CaptureState.h"
#include "capture/ConfirmationSound.h"
#include "ui/Application.h"
#include "ui/ClickControl.h"

namespace snaplark {

void TMainForm::WMPrtScrPressed(WPARAM modifiers) { Dispatcher.PrintScreenPressed(modifiers); }
void TMainForm::WMHookMouse(WPARAM mouseMessage) { Dispatcher.MouseEvent(mouseMessage); }
void TMainForm::CaptureTTimer() { Dispatcher.TimerTick(); }
void TMainForm::StartFullscreen() { Dispatcher.StartFullscreen(); }

void TMainForm::TimerCBClick()
{
    // Timed captures go to files only.
    if (TimerCB.Checked()) {
        SetOnTimerPicture(true);
        ToClipboardRB.SetEnabled(false);
        ui::ClickControl(ToFileRB);
        ui::App().ProcessMessages();
    } else {
        SetOnTimerPicture(false);
        ToClipboardRB.SetEnabled(true);
    }
}

CaptureSettings TMainForm::SampleSettings() const
{
    CaptureSettings s;
    s.destination = kToClipboard;
    if (ToClipboardRB.Checked())
        s.destination = kToClipboard;
    if (ToFileRB.Checked())
        s.destination = kToFile;
    s.timerMode = TimerCB.Checked();
    s.format = kFormatPng;
    if (PNGRB.Checked())
        s.format = kFormatPng;
    if (JPEGRB.Checked())
        s.format = kFormatJpeg;
    if (BMPRB.Checked())
        s.format = kFormatBmp;
    s.useD3D = !GDIRB.Checked();
    s.fullscreen = FullscreenRB.Checked();
    s.rectangle = RectangleRB.Checked();
    s.window = WindowRB.Checked();
    return s;
}

UINT TMainForm::TimerInterval() const { return static_cast<UINT>(TimeUD.Position()); }

void TMainForm::HideMainWindow() { Hide(); }

void TMainForm::ConfirmationSound()
{
    if (SoundCB.Checked())
        PlayConfirmationSound();
}

void TMainForm::PostToMainWindow(UINT message) { PostMessageA(Handle(), message, 0, 0); }

}  // namespace snaplark
