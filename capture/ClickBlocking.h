// Whoever can keep left clicks from reaching other programs while the user
// selects: the hook thread in the program, set up by the main window.
#pragma once

namespace snaplark {

class ClickBlocking {
public:
    // Swallow (on) or pass (off) left clicks; returns once the request has
    // been taken, or at once when nobody is left to take it.
    virtual void BlockClicks(bool on) = 0;

protected:
    ~ClickBlocking() = default;
};

}  // namespace snaplark
