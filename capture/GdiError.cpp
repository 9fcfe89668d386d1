#include "capture/GdiError.h"

#include <string>

#include "capture/CaptureError.h"
#include "ui/SystemError.h"

namespace snaplark {

void RaiseGdiFailure(const char* whenNoText)
{
    const DWORD code = GetLastError();
    std::string text = code != 0 ? ui::SystemErrorText(code) : std::string();
    if (text.empty())
        text = whenNoText;
    throw Error(text);
}

}  // namespace snaplark
