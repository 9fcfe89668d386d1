// The command layer: what a Print Screen press, a desktop mouse event and a
// timer tick do, given the capture settings of the moment and the capture
// state. Main thread only; the main window's handlers hand their messages
// over, and it reaches the main window only through CommandHost.
#pragma once

#include <windows.h>

#include <cstdint>

#include "capture/CaptureState.h"
#include "input/CommandGate.h"
#include "input/CommandHost.h"
#include "ui/Timer.h"

namespace snaplark {

// To the main window, which hands it to RunDeferred: commands put off during
// a capture are waiting.
constexpr UINT WM_RUN_DEFERRED = 2655;

class CommandDispatcher {
public:
    explicit CommandDispatcher(CommandHost& host);
    CommandDispatcher(const CommandDispatcher&) = delete;
    CommandDispatcher& operator=(const CommandDispatcher&) = delete;

    // WM_PRTSCR_PRESSED: stops a running timer, or samples the settings and
    // starts the command of the modifier mask.
    void PrintScreenPressed(uintptr_t modifiers);
    // WM_HOOK_MOUSE: the five selection steps.
    void MouseEvent(uintptr_t mouseMessage);
    // The full screen now, or the timer for it.
    void StartFullscreen();
    // A tick of CaptureT.
    void TimerTick();
    // WM_RUN_DEFERRED: the next command that waited for a capture.
    void RunDeferred();
    // At shutdown: no more ticks, nothing waiting, no selection.
    void Stop();

    unsigned SkippedTicks() const { return gate_.SkippedTicks(); }

    // Repeated capture; its handler is set by whoever owns the dispatcher.
    ui::Timer CaptureT;
    // What each tick captures: kTimerFullScreen, kTimerRectangle or kTimerWindow.
    uint8_t TimerSource = kTimerFullScreen;

private:
    bool StopTimer();
    void StartTimer(uint8_t source);
    void RunPrintScreen(uintptr_t modifiers);
    void EndPick();
    void FinishPick();
    void StartDrag(POINT at);
    void MoveDrag();
    void EndDrag(POINT at);
    void FinishDrag(POINT at);
    void Defer(const DeferredCommand& command) { gate_.Defer(command); }
    // The end of a command that held the gate.
    void LeaveGate();

    CommandHost& host_;
    CommandGate gate_;
};

}  // namespace snaplark
