#include "ui/SystemError.h"

namespace snaplark::ui {

std::string SystemErrorText(DWORD code)
{
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text(buffer ? buffer : "", buffer ? length : 0);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\r' ||
                             text.back() == '\n' || text.back() == '.'))
        text.pop_back();
    return text;
}

}  // namespace snaplark::ui
