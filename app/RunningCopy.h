// A second start of the program while a copy runs: the running copy shows
// its main window, and the second one ends. Without this a copy whose tray
// icon never appeared could be neither reached nor ended.
#pragma once

#include <windows.h>

namespace snaplark {

// The registered message by which a second start asks the running copy to
// show its main window.
UINT ShowMainWindowMessage();

// Finds the running copy's main window (it may still be starting), lets it
// take the foreground and asks it to show itself. Does nothing when none is
// found.
void ShowRunningCopy();

}  // namespace snaplark
