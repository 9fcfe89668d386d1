// COM on the calling thread, apartment-threaded, for as long as the object
// lives. The shell's folder dialog and ShellExecuteA need it on the thread
// that calls them.
#pragma once

#include <windows.h>

#include <objbase.h>

namespace snaplark::ui {

class ComApartment {
public:
    // A thread whose COM is set up otherwise already is left as it is; the
    // shell then works as well as it can.
    ComApartment()
        : initialized_(SUCCEEDED(
              CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
    {
    }
    ~ComApartment()
    {
        if (initialized_)
            CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialized_;
};

}  // namespace snaplark::ui
