#include "app/StandIns.h"

namespace snaplark {

void ShowTrayIcon(TMainForm&) {}

}  // namespace snaplark
