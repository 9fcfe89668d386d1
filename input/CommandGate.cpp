#include "input/CommandGate.h"

#include <algorithm>

namespace snaplark {

void CommandGate::Defer(const DeferredCommand& command)
{
    if (std::find(deferred_.begin(), deferred_.end(), command) != deferred_.end())
        return;
    if (deferred_.size() >= kMaxDeferred && command.kind == DeferredCommand::Kind::PrintScreen)
        return;
    deferred_.push_back(command);
}

std::optional<DeferredCommand> CommandGate::TakeNext()
{
    if (deferred_.empty())
        return std::nullopt;
    const DeferredCommand next = deferred_.front();
    deferred_.pop_front();
    return next;
}

}  // namespace snaplark
