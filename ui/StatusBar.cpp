#include "ui/StatusBar.h"

#include <commctrl.h>

namespace snaplark::ui {

void StatusBar::Create(Container& parent, int left, int top, int width, int height)
{
    // Placed and sized as given, not docked and sized by the control itself.
    CreateHandle(parent, STATUSCLASSNAMEA, "", CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 0,
                 left, top, width, height);
    SendMessageA(Handle(), SB_SIMPLE, TRUE, 0);
}

void StatusBar::SetText(const std::string& text)
{
    SendMessageA(Handle(), SB_SETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string StatusBar::Text() const
{
    const LRESULT info = SendMessageA(Handle(), SB_GETTEXTLENGTHA, SB_SIMPLEID, 0);
    std::string text(static_cast<size_t>(LOWORD(info)) + 1, '\0');
    SendMessageA(Handle(), SB_GETTEXTA, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.data()));
    text.resize(LOWORD(info));
    return text;
}

}  // namespace snaplark::ui
