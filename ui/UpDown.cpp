#include "ui/UpDown.h"

#include <commctrl.h>

namespace snaplark::ui {

void UpDown::Create(Container& parent, int left, int top, int width, int height, EditBox& buddy,
                    int minimum, int maximum, int step, int position)
{
    CreateHandle(parent, UPDOWN_CLASSA, "", UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0,
                 left, top, width, height);
    // Wine makes a new up-down control 16 pixels wide whatever it was asked
    // for, which is too narrow above 96 DPI.
    SetBounds(left, top, width, height);
    SendMessageA(Handle(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy.Handle()), 0);
    SendMessageA(Handle(), UDM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
    UDACCEL accel{0, static_cast<UINT>(step)};
    SendMessageA(Handle(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
    SetPosition(position);
}

int UpDown::Position() const
{
    const LRESULT report = SendMessageA(Handle(), UDM_GETPOS, 0, 0);
    return static_cast<short>(LOWORD(report));
}

void UpDown::SetPosition(int position)
{
    SendMessageA(Handle(), UDM_SETPOS32, 0, static_cast<LPARAM>(position));
}

}  // namespace snaplark::ui
