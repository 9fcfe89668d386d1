#include "input/CommandGate.h"

#include <algorithm>

namespace snaplark {

void CommandGate::Defer(unsigned message, uintptr_t wParam)
{
    std::erase_if(deferred_, [&](const auto& entry) { return entry.first == message; });
    deferred_.emplace_back(message, wParam);
}

void CommandGate::Leave()
{
    if (--depth_ > 0)
        return;
    auto deferred = std::exchange(deferred_, {});
    if (repost_)
        for (const auto& [message, wParam] : deferred)
            repost_(message, wParam);
}

}  // namespace snaplark
