// A window over the whole desktop while the user picks a window: it takes the
// clicks and moves of the pick, so none reaches another program, not even an
// elevated one, whose input this program's hooks can neither see nor stop.
// Nearly invisible, never active, and shown only during a pick.
#pragma once

#include <windows.h>

#include <memory>

#include "ui/Form.h"

namespace snaplark {

class TClickShield : public ui::Form {
public:
    TClickShield();

    // Over the whole virtual screen, above every other window: a frame
    // placed afterwards comes above it.
    void Raise();
    // Hides it once the button it took has come up again.
    void TakeOff();

    // The innermost visible window at a point among the windows beneath the
    // shield, as WindowFromPoint finds it where the shield is not.
    HWND WindowBeneath(POINT p) const;

private:
    bool pressed_ = false;  // a left button went down on it and has not come up
};

// The one shield, hidden between picks; it exists from start-up to shutdown.
extern std::unique_ptr<TClickShield> ClickShield;
void CreateClickShield();
void FreeClickShield();

}  // namespace snaplark
