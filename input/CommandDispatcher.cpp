#include "input/CommandDispatcher.h"

#include <utility>

#include "capture/D3DCapture.h"
#include "capture/GdiCapture.h"
#include "capture/OverlayExit.h"
#include "capture/RedrawAllWindows.h"
#include "capture/SelectionAids.h"
#include "input/MouseEvents.h"
#include "input/TickErrors.h"
#include "ui/Application.h"

namespace snaplark {

namespace {

POINT CursorNow()
{
    POINT p{};
    GetCursorPos(&p);
    return p;
}

// Runs its routine when the block it is declared in ends, however it ends.
template <typename F>
class AtBlockEnd {
public:
    explicit AtBlockEnd(F routine) : routine_(std::move(routine)) {}
    ~AtBlockEnd() { routine_(); }
    AtBlockEnd(const AtBlockEnd&) = delete;
    AtBlockEnd& operator=(const AtBlockEnd&) = delete;

private:
    F routine_;
};

}  // namespace

CommandDispatcher::CommandDispatcher(CommandHost& host) : host_(host)
{
    CaptureT.SetInterval(500);
}

bool CommandDispatcher::StopTimer()
{
    if (!CaptureT.Enabled())
        return false;
    CaptureT.SetEnabled(false);
    host_.ConfirmationSound();
    return true;
}

void CommandDispatcher::StartTimer(uint8_t source)
{
    TimerSource = source;
    TickReports().NewRun();
    CaptureT.SetInterval(host_.TimerInterval());
    CaptureT.SetEnabled(true);
}

void CommandDispatcher::LeaveGate()
{
    if (gate_.Leave())
        host_.PostToMainWindow(WM_RUN_DEFERRED);
}

void CommandDispatcher::PrintScreenPressed(uintptr_t modifiers)
{
    // A stop is never put off: at most the capture already running finishes.
    if (StopTimer())
        return;
    if (gate_.MustWait()) {
        Defer({DeferredCommand::Kind::PrintScreen, modifiers});
        return;
    }
    RunPrintScreen(modifiers);
}

void CommandDispatcher::RunPrintScreen(uintptr_t modifiers)
{
    gate_.Enter();
    const AtBlockEnd leave([this] { LeaveGate(); });  // what came meanwhile runs next

    const CaptureSettings settings = host_.SampleSettings();
    CaptureDestination = settings.destination;
    host_.HideMainWindow();
    TimerMode = settings.timerMode;
    CaptureFormat = settings.format;
    UseD3D = settings.useD3D;

    switch (modifiers) {
    case 0:
        if (settings.fullscreen)
            StartFullscreen();
        if (settings.rectangle)
            StartRectangleSelection();
        if (settings.window)
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

void CommandDispatcher::StartFullscreen()
{
    if (TimerMode) {
        StartTimer(kTimerFullScreen);
        return;
    }
    if (UseD3D)
        CaptureFullScreenD3D();
    else
        CaptureFullScreen();
    host_.ConfirmationSound();
}

void CommandDispatcher::MouseEvent(uintptr_t message)
{
    const MouseEventKind kind = ClassifyMouseEvent(message);
    if (kind == MouseEventKind::Other)
        return;
    // Five independent steps, in this order; one event may satisfy several.
    if (kind == MouseEventKind::Move && WindowPickActive)
        TrackWindowUnderCursor();
    if (kind == MouseEventKind::ButtonUp && WindowPickActive)
        EndPick();
    if (kind == MouseEventKind::ButtonDown && RectSelectActive)
        StartDrag(CursorNow());
    if (kind == MouseEventKind::Move && Dragging)
        MoveDrag();
    if (kind == MouseEventKind::ButtonUp && Dragging)
        EndDrag(CursorNow());
}

void CommandDispatcher::EndPick()
{
    // Cleared first: events handled from here on match no step of the pick,
    // also while its capture waits for another one.
    WindowPickActive = false;
    if (gate_.MustWait()) {
        Defer({DeferredCommand::Kind::PickEnd});
        return;
    }
    FinishPick();
}

void CommandDispatcher::FinishPick()
{
    const AtBlockEnd unblock([] { SetClickBlocking(false); });  // also when the capture raised
    gate_.Enter();
    const AtBlockEnd leave([this] { LeaveGate(); });

    // The copy must not hold the red frame: it goes, and the copy waits
    // until the screen no longer shows it.
    const ScreenMarks frame = TakeWindowFrameOff();
    RedrawAllWindows();
    ui::App().ProcessMessages();
    frame.WaitUntilGone();
    if (TimerMode) {
        StartTimer(kTimerWindow);  // PickedWindow stays for the ticks
        return;
    }
    const HWND picked = std::exchange(PickedWindow, nullptr);
    CaptureWindow(picked);
    host_.ConfirmationSound();
}

void CommandDispatcher::StartDrag(POINT at)
{
    SelRect.Left = at.x;
    SelRect.Top = at.y;
    Dragging = true;
}

void CommandDispatcher::MoveDrag()
{
    try {
        UpdateSelectionBand();
    } catch (...) {
        // A band that cannot be drawn ends the selection: otherwise every
        // further move would fail the same way.
        CancelSelections();
        throw;
    }
}

void CommandDispatcher::EndDrag(POINT at)
{
    // Cleared first, as for the pick; the corner is where the button went up,
    // however long the capture waits.
    RectSelectActive = false;
    Dragging = false;
    if (gate_.MustWait()) {
        Defer({DeferredCommand::Kind::DragEnd, 0, at.x, at.y});
        return;
    }
    FinishDrag(at);
}

void CommandDispatcher::FinishDrag(POINT at)
{
    const AtBlockEnd unblock([] { SetClickBlocking(false); });  // also when the capture raised
    gate_.Enter();
    const AtBlockEnd leave([this] { LeaveGate(); });

    const POINT anchor{SelRect.Left, SelRect.Top};
    const POINT lastBand{SelRect.Right, SelRect.Bottom};
    SelRect.Right = at.x;
    SelRect.Bottom = at.y;
    // The copy must show the live screen only: the overlay wipes its band
    // and hides, and the copy waits until the screen no longer shows it.
    const ScreenMarks band = TakeOverlayOff(*Selection().overlay, anchor, lastBand);
    SelRect = NormalizedSelection(SelRect);
    RedrawAllWindows();
    band.WaitUntilGone();
    if (TimerMode) {
        StartTimer(kTimerRectangle);
        return;
    }
    CaptureRectangle();
    host_.ConfirmationSound();
}

void CommandDispatcher::TimerTick()
{
    // A tick due while a capture still runs is skipped: the timer keeps its
    // interval, and files come as fast as captures finish.
    if (gate_.Busy()) {
        gate_.SkipTick();
        return;
    }
    gate_.Enter();
    const AtBlockEnd leave([this] { LeaveGate(); });
    RunTick([this] {
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

void CommandDispatcher::RunDeferred()
{
    // A command running now posts again when it ends.
    if (gate_.Busy())
        return;
    const std::optional<DeferredCommand> next = gate_.TakeNext();
    if (!next)
        return;
    // The rest follow even if this one fails.
    if (gate_.HasDeferred())
        host_.PostToMainWindow(WM_RUN_DEFERRED);
    switch (next->kind) {
    case DeferredCommand::Kind::PrintScreen:
        // A press that waited behind a timer's start stops it, as it would have.
        if (!StopTimer())
            RunPrintScreen(next->modifiers);
        break;
    case DeferredCommand::Kind::PickEnd:
        FinishPick();
        break;
    case DeferredCommand::Kind::DragEnd:
        FinishDrag({next->x, next->y});
        break;
    }
}

void CommandDispatcher::Stop()
{
    CaptureT.SetEnabled(false);
    // A selection end still waiting would draw on an overlay about to go;
    // the selection ends here instead, and clicks pass again.
    gate_.DropDeferred();
    CancelSelections();
}

}  // namespace snaplark
