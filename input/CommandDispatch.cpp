// The command layer of the main window: what a Print Screen press, a desktop
// mouse event and a timer tick do, given the controls and the capture state.
#include "capture/CaptureState.h"
#include "app/MainUnit.h"
#include "capture/CaptureUnit.h"
#include "capture/ConfirmationSound.h"
#include "capture/D3DCapture.h"
#include "capture/GdiCapture.h"
#include "capture/OverlayExit.h"
#include "capture/RedrawAllWindows.h"
#include "capture/SelectionAids.h"
#include "input/MouseEvents.h"
#include "input/TickErrors.h"
#include "ui/Application.h"
#include "ui/ClickControl.h"

namespace snaplark {

namespace {

// SetClickBlocking off when a selection ends, whether its capture worked or
// raised: clicks must never stay blocked.
struct UnblockClicksOnExit {
    ~UnblockClicksOnExit() { SetClickBlocking(false); }
};

POINT CursorNow()
{
    POINT p{};
    GetCursorPos(&p);
    return p;
}

}  // namespace

void TMainForm::PlaySoundIfChecked()
{
    if (SoundCB.Checked())
        PlayConfirmationSound();
}

void TMainForm::StartTimer(uint8_t source)
{
    TimerSource = source;
    TickReports().NewRun();
    CaptureT.SetInterval(static_cast<UINT>(TimeUD.Position()));
    CaptureT.SetEnabled(true);
}

void TMainForm::WMPrtScrPressed(WPARAM modifiers)
{
    // A stop is never put off: at most the capture already running finishes.
    if (CaptureT.Enabled()) {
        CaptureT.SetEnabled(false);
        PlaySoundIfChecked();
        return;
    }
    if (CaptureGate.Busy()) {
        CaptureGate.Defer(WM_PRTSCR_PRESSED, modifiers);
        return;
    }
    CommandGate::Scope busy(CaptureGate);
    CaptureDestination = kToClipboard;
    if (ToClipboardRB.Checked())
        CaptureDestination = kToClipboard;
    if (ToFileRB.Checked())
        CaptureDestination = kToFile;
    Hide();
    TimerMode = TimerCB.Checked();
    CaptureFormat = kFormatPng;
    if (PNGRB.Checked())
        CaptureFormat = kFormatPng;
    if (JPEGRB.Checked())
        CaptureFormat = kFormatJpeg;
    if (BMPRB.Checked())
        CaptureFormat = kFormatBmp;
    UseD3D = !GDIRB.Checked();

    switch (modifiers) {
    case 0:
        if (FullscreenRB.Checked())
            StartFullscreen();
        if (RectangleRB.Checked())
            StartRectangleSelection();
        if (WindowRB.Checked())
            StartWindowPick();
        break;
    case 1:
        StartFullscreen();
        break;
    case 2:
        StartWindowPick();
        break;
    case 4:
        StartRectangleSelection();
        break;
    default:  // two or three modifiers: nothing more
        break;
    }
}

void TMainForm::StartFullscreen()
{
    if (TimerMode) {
        StartTimer(kTimerFullScreen);
        return;
    }
    if (UseD3D)
        CaptureFullScreenD3D();
    else
        CaptureFullScreen();
    PlaySoundIfChecked();
}

void TMainForm::WMHookMouse(WPARAM message)
{
    const MouseEventKind kind = ClassifyMouseEvent(message);
    if (kind == MouseEventKind::Other)
        return;
    // A button-up that would capture waits until the capture running now is
    // done; moves and a drag's start only draw and note, so they go on.
    if (kind == MouseEventKind::ButtonUp && (WindowPickActive || Dragging) && CaptureGate.Busy()) {
        CaptureGate.Defer(WM_HOOK_MOUSE, message);
        return;
    }

    // Five independent steps; one event may satisfy several.
    if (kind == MouseEventKind::Move && WindowPickActive)
        TrackWindowUnderCursor();

    if (kind == MouseEventKind::ButtonUp && WindowPickActive) {
        // Cleared before the first pump, so events handled meanwhile match nothing.
        WindowPickActive = false;
        UnblockClicksOnExit unblock;
        CommandGate::Scope busy(CaptureGate);
        // The copy must not hold the red frame: it goes, and the copy waits
        // until the screen no longer shows it.
        const ScreenMarks frame = TakeWindowFrameOff();
        RedrawAllWindows();
        ui::App().ProcessMessages();
        frame.WaitUntilGone();
        if (TimerMode) {
            StartTimer(kTimerWindow);  // PickedWindow stays for the ticks
        } else {
            const HWND picked = PickedWindow;
            PickedWindow = nullptr;
            CaptureWindow(picked);
            PlaySoundIfChecked();
        }
    }

    if (kind == MouseEventKind::ButtonDown && RectSelectActive) {
        const POINT p = CursorNow();
        SelRect.Left = p.x;
        SelRect.Top = p.y;
        Dragging = true;
    }

    if (kind == MouseEventKind::Move && Dragging) {
        try {
            UpdateSelectionBand();
        } catch (...) {
            // A band that cannot be drawn ends the selection: otherwise every
            // further move would fail the same way.
            CancelSelections();
            throw;
        }
    }

    if (kind == MouseEventKind::ButtonUp && Dragging) {
        // Cleared before anything that can raise or pump.
        RectSelectActive = false;
        Dragging = false;
        UnblockClicksOnExit unblock;
        CommandGate::Scope busy(CaptureGate);
        const POINT anchor{SelRect.Left, SelRect.Top};
        const POINT lastBand{SelRect.Right, SelRect.Bottom};
        const POINT p = CursorNow();
        SelRect.Right = p.x;
        SelRect.Bottom = p.y;
        // The copy must show the live screen only: the overlay wipes its band
        // and hides, and the copy waits until the screen no longer shows it.
        const OverlayExit overlayExit(*CaptureForm, anchor, lastBand);
        SelRect = NormalizedSelection(SelRect);
        RedrawAllWindows();
        overlayExit.WaitUntilGone();
        if (TimerMode) {
            StartTimer(kTimerRectangle);
        } else {
            CaptureRectangle();
            PlaySoundIfChecked();
        }
    }
}

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

void TMainForm::CaptureTTimer()
{
    // A tick due while a capture still runs is skipped: the timer keeps its
    // interval, and files come as fast as captures finish.
    if (CaptureGate.Busy()) {
        CaptureGate.SkipTick();
        return;
    }
    CommandGate::Scope busy(CaptureGate);
    RunTick([] {
        switch (TimerSource) {
        case kTimerFullScreen:
            CaptureFullScreen();
            break;
        case kTimerRectangle:
            CaptureRectangle();
            break;
        case kTimerWindow:
            CaptureWindow(PickedWindow);
            break;
        default:
            break;
        }
    });
}

}  // namespace snaplark
