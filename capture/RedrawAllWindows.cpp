#include "capture/RedrawAllWindows.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "capture/Compositor.h"
#include "ui/ApplicationWindow.h"

namespace snaplark {

namespace {

// How long a capture waits for other programs to repaint. A program that
// hangs, whether it has stopped taking messages or is stuck in its own
// paint, is left as the screen shows it after this.
constexpr DWORD kRepaintWaitMs = 200;

// The desktop's own picture shows wherever a window has just gone (the
// selection's overlay, this program's main window): it is painted anew too,
// around the windows over it, and only itself.
constexpr UINT kDesktopRedrawFlags = RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW;

// A repaint job needs little stack: it only waits in the system.
constexpr SIZE_T kJobStackBytes = 64 * 1024;

// Returns false once WM_QUIT has been seen; it goes back into the queue so
// the message loop still ends the program.
bool PumpWaitingMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

HWND FirstTopLevelWindow()
{
    if (HWND app = ui::ApplicationWindow())
        return GetWindow(app, GW_HWNDFIRST);
    // Before the application window exists (tests): the desktop's first child.
    return GetTopWindow(nullptr);
}

DWORD ThreadOf(HWND window) { return GetWindowThreadProcessId(window, nullptr); }

struct Repaint {
    HWND window;
    UINT flags;
};

// The repaint of another thread's windows, on a thread of its own:
// RedrawWindow returns only once that thread has painted, which for a hung
// program may be never. The capture waits for it a short while; the job
// ends whenever the program gets to it.
struct RepaintJob {
    std::vector<Repaint> windows;
    std::atomic<bool> done{false};
};

// Set as each job ends; lives as long as the program, since a job may end
// long after the capture that started it.
HANDLE JobEnded()
{
    static const HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return event;
}

DWORD WINAPI RunRepaintJob(void* parameter)
{
    const std::unique_ptr<std::shared_ptr<RepaintJob>> held(static_cast<std::shared_ptr<RepaintJob>*>(parameter));
    RepaintJob& job = **held;
    for (const Repaint& r : job.windows)
        RedrawWindow(r.window, nullptr, nullptr, r.flags);
    // Wine pushes a window's picture to the screen when its thread next
    // looks for messages: one message answered, and what it painted is there.
    SendMessageA(job.windows.front().window, WM_NULL, 0, 0);
    job.done = true;
    SetEvent(JobEnded());
    return 0;
}

// The last job of each thread that was asked to repaint. A thread whose job
// has not ended yet is hung as far as a capture is concerned: it is not asked
// again until it has answered.
std::map<DWORD, std::shared_ptr<RepaintJob>>& LastJobs()
{
    static std::map<DWORD, std::shared_ptr<RepaintJob>> jobs;
    return jobs;
}

// Starts a job for each thread that is not still busy with an earlier one.
std::vector<std::shared_ptr<RepaintJob>> StartJobs(std::map<DWORD, std::vector<Repaint>>& threads)
{
    std::erase_if(LastJobs(), [](const auto& entry) { return entry.second->done.load(); });
    std::vector<std::shared_ptr<RepaintJob>> started;
    for (auto& [thread, windows] : threads) {
        if (LastJobs().count(thread))
            continue;
        auto job = std::make_shared<RepaintJob>();
        job->windows = std::move(windows);
        auto* parameter = new std::shared_ptr<RepaintJob>(job);
        const HANDLE runner = CreateThread(nullptr, kJobStackBytes, RunRepaintJob, parameter,
                                           STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (!runner) {
            delete parameter;  // that thread's windows stay as they are
            continue;
        }
        CloseHandle(runner);
        LastJobs()[thread] = job;
        started.push_back(std::move(job));
    }
    return started;
}

// Waits until every job has ended or the time is up, handling this thread's
// messages meanwhile (only those sent by other threads once WM_QUIT was seen).
void WaitForJobs(const std::vector<std::shared_ptr<RepaintJob>>& jobs, bool pumping)
{
    // Tick counts wrap after 49 days: elapsed time, unsigned, does not.
    const DWORD start = GetTickCount();
    for (;;) {
        if (std::all_of(jobs.begin(), jobs.end(), [](const auto& job) { return job->done.load(); }))
            return;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= kRepaintWaitMs)
            return;
        // Without the event (the system had none to give) only the deadline
        // and this thread's messages wake it.
        const HANDLE ended = JobEnded();
        MsgWaitForMultipleObjects(ended ? 1 : 0, &ended, FALSE, kRepaintWaitMs - elapsed,
                                  pumping ? QS_ALLINPUT : QS_SENDMESSAGE);
        MSG msg;
        if (pumping)
            pumping = PumpWaitingMessages();
        else
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

void RedrawAllWindows()
{
    const DWORD self = GetCurrentThreadId();
    // Listed first: the messages handled below may make or destroy windows,
    // which would cut a walk along GW_HWNDNEXT short.
    std::vector<HWND> own;
    std::map<DWORD, std::vector<Repaint>> others;
    for (HWND w = FirstTopLevelWindow(); w; w = GetWindow(w, GW_HWNDNEXT)) {
        // A cloaked window (on another virtual desktop, a suspended store
        // app) paints nothing that shows, and a frozen one would only cost
        // the wait.
        if (IsCloaked(w))
            continue;
        if (ThreadOf(w) == self)
            own.push_back(w);
        // A hidden window paints nothing either; a thread the system already
        // calls Not Responding is not waited for at all.
        else if (IsWindowVisible(w) && !IsHungAppWindow(w))
            others[ThreadOf(w)].push_back({w, kRedrawFlags});
    }
    const HWND desktop = GetDesktopWindow();
    if (ThreadOf(desktop) != self)
        others[ThreadOf(desktop)].push_back({desktop, kDesktopRedrawFlags});

    // Other programs paint meanwhile, each on its own.
    const std::vector<std::shared_ptr<RepaintJob>> jobs = StartJobs(others);
    bool pumping = true;
    for (HWND w : own) {
        RedrawWindow(w, nullptr, nullptr, kRedrawFlags);
        if (pumping)
            pumping = PumpWaitingMessages();
    }
    if (ThreadOf(desktop) == self)
        RedrawWindow(desktop, nullptr, nullptr, kDesktopRedrawFlags);
    WaitForJobs(jobs, pumping);
    // What they painted reaches the screen at the compositor's next frame.
    WaitForNextFrame();
}

}  // namespace snaplark
