// Keeps the commands that capture or start a selection from running inside
// one another. They all handle waiting messages in the middle of their work
// (the repaint walk, the selection's start), so a Print Screen press, a mouse
// event or a timer tick can arrive while one of them is still running; left
// alone, each would start another capture inside the first, without bound.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace snaplark {

class CommandGate {
public:
    // Posts a message to the main window again (the command put off).
    using Repost = std::function<void(unsigned message, uintptr_t wParam)>;

    explicit CommandGate(Repost repost = {}) : repost_(std::move(repost)) {}

    // Held while one command runs. When the outermost one ends, whether it
    // worked or raised, the commands put off meanwhile are posted again in
    // the order they came.
    class Scope {
    public:
        explicit Scope(CommandGate& gate) : gate_(gate) { ++gate_.depth_; }
        ~Scope() { gate_.Leave(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        CommandGate& gate_;
    };

    bool Busy() const { return depth_ > 0; }

    // Puts a message off until the running command ends. A later one with
    // the same message number replaces it (a held key repeats many times
    // while one capture runs; one capture follows, not a backlog).
    void Defer(unsigned message, uintptr_t wParam);

    // A timer tick that came while a command ran: skipped, not nested.
    void SkipTick() { ++skippedTicks_; }
    unsigned SkippedTicks() const { return skippedTicks_; }

private:
    void Leave();

    Repost repost_;
    int depth_ = 0;
    unsigned skippedTicks_ = 0;
    std::vector<std::pair<unsigned, uintptr_t>> deferred_;
};

}  // namespace snaplark
