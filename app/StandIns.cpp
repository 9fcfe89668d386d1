#include "app/StandIns.h"

namespace snaplark {

void CreateCaptureForm() {}
void FreeCaptureForm() {}
void ShowTrayIcon(TMainForm&) {}

}  // namespace snaplark
