#include "ui/MessageFilter.h"

namespace snaplark::ui {

void LetMessageIn(HWND window, UINT message)
{
    using ForWindowFunction = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using ForProcessFunction = BOOL(WINAPI*)(UINT, DWORD);
    constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW, and MSGFLT_ADD for the process
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    const auto lookUp = [&](const char* name) {
        return user32 ? reinterpret_cast<void*>(GetProcAddress(user32, name)) : nullptr;
    };
    if (const auto forWindow = reinterpret_cast<ForWindowFunction>(lookUp("ChangeWindowMessageFilterEx")))
        forWindow(window, message, kAllow, nullptr);
    else if (const auto forProcess = reinterpret_cast<ForProcessFunction>(lookUp("ChangeWindowMessageFilter")))
        forProcess(message, kAllow);
}

}  // namespace snaplark::ui
