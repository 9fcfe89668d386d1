// Windows removes a low-level hook whose procedure once kept it waiting too
// long (LowLevelHooksTimeout), and tells nobody: from then on Print Screen
// would do nothing. The watchdog notices input that the hooks never saw and
// has both installed afresh, at most once per look.
#pragma once

#include "input/HookUnit.h"
#include "ui/Timer.h"

namespace snaplark {

class HookWatchdog {
public:
    // Looks every intervalMs; the thread must outlive the watchdog.
    explicit HookWatchdog(const HookThread& hooks, UINT intervalMs = 2000);

private:
    void Look();

    const HookThread& hooks_;
    ui::Timer timer_;
};

}  // namespace snaplark
