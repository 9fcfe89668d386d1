#include "app/StandIns.h"

namespace snaplark {

void CreateKbdForm() {}
void ShowKbdFormModal() {}
void FreeKbdForm() {}
void CreateCaptureForm() {}
void FreeCaptureForm() {}
void LoadSettings(TMainForm&) {}
void ApplyAutorunState(TMainForm&) {}
void SaveSettings(TMainForm&) {}
void ShowTrayIcon(TMainForm&) {}

}  // namespace snaplark
