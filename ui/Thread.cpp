#include "ui/Thread.h"

#include <stdexcept>

#include "ui/SystemError.h"

namespace snaplark::ui {

Thread::Thread(bool createSuspended)
{
    // Always start suspended: the body may only run once the derived object
    // is complete.
    handle_ = CreateThread(nullptr, 0, Entry, this, CREATE_SUSPENDED, &id_);
    if (!handle_)
        throw std::runtime_error(SystemErrorText(GetLastError()));
    if (!createSuspended)
        Resume();
}

Thread::~Thread()
{
    if (started_)
        WaitFor();
    else
        TerminateThread(handle_, 0);  // suspended before its first instruction
    CloseHandle(handle_);
}

void Thread::Resume()
{
    started_ = true;
    ResumeThread(handle_);
}

void Thread::WaitFor() { WaitForSingleObject(handle_, INFINITE); }

bool Thread::Finished() const { return WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }

DWORD WINAPI Thread::Entry(LPVOID self)
{
    static_cast<Thread*>(self)->Execute();
    return 0;
}

}  // namespace snaplark::ui
