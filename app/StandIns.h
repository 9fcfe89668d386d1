// Start-up and shutdown duties whose real versions come with the selection
// overlay and the tray icon. Until each arrives its stand-in here does
// nothing, so that start-up and Exit already run in their full order; each
// is replaced, not extended.
#pragma once

namespace snaplark {

class TMainForm;

void ShowTrayIcon(TMainForm& form);

}  // namespace snaplark
