// The red frame of a window pick, in a window of its own over the picked
// window: drawn into another program's window, a frame would not show on
// windows that the graphics card draws. It stays on top, clicks pass through
// it to the window beneath, it never takes the focus and has no taskbar
// button.
#pragma once

#include <windows.h>

#include <memory>

#include "capture/ScreenMarks.h"
#include "ui/Form.h"

namespace snaplark {

class TFrameForm : public ui::Form {
public:
    TFrameForm();

    // Shows the frame over a window's visible bounds (screen coordinates): a
    // one-pixel red outline one pixel inside their left and top edges and two
    // inside their right and bottom edges. Bounds with no room for it hide it.
    void Surround(const RECT& bounds);
    // Hides the frame; what it returns tells when the screen no longer shows
    // it, here or where it was before.
    ScreenMarks TakeOff();

private:
    void PaintRed();

    RECT outline_{};     // where the frame shows; empty while hidden
    ScreenMarks marks_;  // its places that the screen may still show
};

// The one frame, hidden between picks; it exists from start-up to shutdown.
extern std::unique_ptr<TFrameForm> FrameForm;
void CreateFrameForm();
void FreeFrameForm();

}  // namespace snaplark
