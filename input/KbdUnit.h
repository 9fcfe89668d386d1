// The Keys window: a small fixed legend of the Print Screen combinations,
// shown modally from the main window's Keys button.
#pragma once

#include <memory>

#include "ui/Form.h"
#include "ui/GroupBox.h"
#include "ui/Label.h"

namespace snaplark {

inline constexpr int kKbdClientWidth = 208;
inline constexpr int kKbdClientHeight = 72;

class TKbdForm : public ui::Form {
public:
    TKbdForm();

    ui::GroupBox KeysGB;
    ui::Label PrtScrNL, APrtScrNL, CPrtScrNL, SPrtScrNL;
    ui::Label PrtScrL, SPrtScrL, CPrtScrL, APrtScrL;
};

// The one Keys window, from start-up until shutdown.
extern std::unique_ptr<TKbdForm> KbdForm;

// Start-up: the window is made once, hidden.
void CreateKbdForm();
// The Keys button: shows the window with the program's other windows
// disabled, and returns once the user has closed it.
void ShowKbdFormModal();
// Shutdown.
void FreeKbdForm();

}  // namespace snaplark
