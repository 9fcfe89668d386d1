// Start-up and shutdown duties whose real versions come with the Keys
// window, the selection overlay, the settings store and the tray icon. Until
// each arrives its stand-in here does nothing, so that start-up and Exit
// already run in their full order; each is replaced, not extended.
#pragma once

namespace snaplark {

class TMainForm;

void CreateKbdForm();      // the hidden Keys window
void ShowKbdFormModal();   // the Keys button
void FreeKbdForm();
void CreateCaptureForm();  // the hidden selection overlay
void FreeCaptureForm();
void LoadSettings(TMainForm& form);
void ApplyAutorunState(TMainForm& form);
void SaveSettings(TMainForm& form);
void ShowTrayIcon(TMainForm& form);

}  // namespace snaplark
