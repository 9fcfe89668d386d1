// A platform thread as an object: created suspended or running, resumed,
// waited for, and known by its thread id. Subclasses override Execute.
#pragma once

#include <windows.h>

namespace snaplark::ui {

class Thread {
public:
    explicit Thread(bool createSuspended);
    // Waits for the body to end, then closes the handle: the owner makes the
    // body return first (a thread that never ran is discarded).
    virtual ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void Resume();
    void WaitFor();  // returns once Execute has returned
    bool Finished() const;
    DWORD ThreadId() const { return id_; }
    HANDLE Handle() const { return handle_; }

protected:
    virtual void Execute() = 0;

private:
    static DWORD WINAPI Entry(LPVOID self);

    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
    bool started_ = false;
};

}  // namespace snaplark::ui
