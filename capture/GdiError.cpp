#include "capture/GdiError.h"

#include <string>

#include "capture/CaptureError.h"
#include "ui/SystemError.h"

namespace snaplark {

void RaiseGdiFailure()
{
    const DWORD code = GetLastError();
    std::string text = code != 0 ? SystemErrorText(code) : std::string();
    if (text.empty())
        text = "Out of system resources";
    throw Error(text);
}

}  // namespace snaplark
