#include "input/HookWatchdog.h"

#include <cstdint>

namespace snaplark {

namespace {

// Input this much newer than the hooks' last call went past them; the hook
// thread, above every other thread of the program, is never that late.
constexpr int32_t kMissedMs = 1000;

}  // namespace

HookWatchdog::HookWatchdog(const HookThread& hooks, UINT intervalMs) : hooks_(hooks)
{
    timer_.OnTimer = [this] { Look(); };
    timer_.SetInterval(intervalMs);
    timer_.SetEnabled(true);
}

void HookWatchdog::Look()
{
    LASTINPUTINFO input{};
    input.cbSize = sizeof input;
    if (!GetLastInputInfo(&input))
        return;
    // Tick counts wrap after 49 days: their difference, taken as signed, does not.
    if (static_cast<int32_t>(input.dwTime - LastHookCall()) > kMissedMs)
        PostToHookThread(hooks_, WM_RENEW_HOOKS, 0);
}

}  // namespace snaplark
