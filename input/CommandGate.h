// Keeps the commands that capture or start a selection from running inside
// one another. They all handle waiting messages in the middle of their work
// (the repaint walk, the selection's start), so a Print Screen press, a mouse
// event or a timer tick can arrive while one of them is still running; left
// alone, each would start another capture inside the first, without bound.
// What comes meanwhile waits here, and runs after it in the order it came.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

namespace snaplark {

// A command put off, with what it needs to run later as it would have run
// when it came.
struct DeferredCommand {
    enum class Kind : uint8_t { PrintScreen, PickEnd, DragEnd };
    Kind kind = Kind::PrintScreen;
    uintptr_t modifiers = 0;  // PrintScreen: 1 Shift, 2 Alt, 4 Ctrl
    int32_t x = 0, y = 0;     // DragEnd: where the button went up

    bool operator==(const DeferredCommand&) const = default;
};

class CommandGate {
public:
    // Each Print Screen combination once, and the ends of the two kinds of
    // selection.
    static constexpr size_t kMaxDeferred = 10;

    // One command starts running; Leave when it has ended, however it ended.
    void Enter() { ++depth_; }
    // True when the outermost command has ended and commands wait to run.
    bool Leave() { return --depth_ == 0 && !deferred_.empty(); }
    bool Busy() const { return depth_ > 0; }

    // Whether a command that comes now must wait: one is running, or others
    // wait already and go first.
    bool MustWait() const { return Busy() || !deferred_.empty(); }

    // Puts a command off. One that waits already is not added again (a held
    // key repeats many times while one capture runs: one capture follows,
    // not a backlog). Past the bound further presses are dropped; the end of
    // a selection never is, as only it lets clicks pass again.
    void Defer(const DeferredCommand& command);
    // The command that waited longest, taken out.
    std::optional<DeferredCommand> TakeNext();
    bool HasDeferred() const { return !deferred_.empty(); }
    size_t Deferred() const { return deferred_.size(); }
    void DropDeferred() { deferred_.clear(); }

    // A timer tick that came while a command ran: skipped, not nested.
    void SkipTick() { ++skippedTicks_; }
    unsigned SkippedTicks() const { return skippedTicks_; }

private:
    int depth_ = 0;
    unsigned skippedTicks_ = 0;
    std::deque<DeferredCommand> deferred_;
};

}  // namespace snaplark
