#include "ui/SystemError.h"

#include "ui/WideText.h"

namespace snaplark::ui {

std::string SystemErrorText(DWORD code)
{
    // The wide text: in the ANSI code page a system in another language than
    // the code page's would give question marks.
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? buffer : L"", buffer ? length : 0);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\r' ||
                             text.back() == L'\n' || text.back() == L'.'))
        text.pop_back();
    return ToUtf8(text);
}

}  // namespace snaplark::ui
