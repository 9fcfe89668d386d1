// Feedback while the user chooses what to capture: a red frame on the window
// under the cursor (window pick), the frozen screen with a dotted rubber band
// (rectangle selection), and the request to keep left clicks from other
// programs meanwhile. Main thread only.
#pragma once

#include <windows.h>

#include "capture/ClickBlocking.h"
#include "capture/ScreenMarks.h"

namespace snaplark {

class TCaptureForm;
class TClickShield;
class TFrameForm;

// What the selection aids work with; the main window sets these at start-up.
// clickBlocker keeps clicks from other programs during a selection;
// soundWanted tells whether the Sound check box is checked; shield takes
// the clicks of a window pick.
struct SelectionContext {
    TCaptureForm* overlay = nullptr;
    ClickBlocking* clickBlocker = nullptr;
    bool (*soundWanted)() = nullptr;
    TFrameForm* frame = nullptr;
    TClickShield* shield = nullptr;
};
SelectionContext& Selection();

// Puts the red frame over the window's visible bounds; a window that is gone
// gets none.
void HighlightWindow(HWND window);
void TrackWindowUnderCursor();
void StartWindowPick();
// Takes the red frame and the click shield off the screen; what it returns
// tells when the screen no longer shows the frame.
ScreenMarks TakeWindowFrameOff();
// Blocks clicks first and makes the selection active last, once the frozen
// screen is up; a failure on the way leaves no selection and no blocking.
void StartRectangleSelection();
// Ends whatever selection is under way without capturing: the flags go, the
// red frame and the overlay go, and clicks pass again.
void CancelSelections();
void DrawSelectionBand(int x, int y);
void UpdateSelectionBand();
// Asks the click blocker to swallow (on) or pass (off) left clicks; returns
// once the request has been taken, or at once when there is none.
void SetClickBlocking(bool on);

}  // namespace snaplark
