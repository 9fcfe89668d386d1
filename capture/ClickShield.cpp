#include "capture/ClickShield.h"

#include "capture/SelectionAids.h"
#include "ui/Application.h"
#include "ui/Handles.h"

namespace snaplark {

namespace {

// Layered so it can be nearly invisible; not transparent, so the mouse goes
// to it and not through it.
constexpr DWORD kShieldStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_LAYERED;
// The least a window can show and still be hit by the mouse: fully
// transparent windows let it through.
constexpr BYTE kAlmostInvisible = 1;
// The longest wait for the button-up of the pick's click.
constexpr DWORD kMaxWaitMs = 500;

bool LetsTheMouseThrough(HWND window)
{
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_EXSTYLE);
    return (style & WS_EX_LAYERED) && (style & WS_EX_TRANSPARENT);
}

// Whether a top-level window takes the mouse at a point: inside its
// rectangle, and inside its region when it has one.
bool TakesTheMouseAt(HWND window, POINT p)
{
    RECT r{};
    if (!IsWindowVisible(window) || LetsTheMouseThrough(window) || !GetWindowRect(window, &r) ||
        !PtInRect(&r, p))
        return false;
    const ui::UniqueRegion region(CreateRectRgn(0, 0, 0, 0));
    if (region && GetWindowRgn(window, region.Get()) != ERROR)
        return PtInRegion(region.Get(), p.x - r.left, p.y - r.top) != FALSE;
    return true;
}

// Down through the children, as WindowFromPoint goes: the visible, enabled
// child at the point, and so on to the innermost.
HWND InnermostChildAt(HWND window, POINT p)
{
    for (;;) {
        POINT client = p;
        ScreenToClient(window, &client);
        const HWND child = ChildWindowFromPointEx(window, client,
                                                  CWP_SKIPINVISIBLE | CWP_SKIPDISABLED | CWP_SKIPTRANSPARENT);
        if (!child || child == window)
            return window;
        window = child;
    }
}

}  // namespace

std::unique_ptr<TClickShield> ClickShield;

TClickShield::TClickShield() : ui::Form("TClickShield", "", 0, 0, ui::Form::kNoBorder, kShieldStyle)
{
    SetLayeredWindowAttributes(Handle(), 0, kAlmostInvisible, LWA_ALPHA);
    SetMessageHandler(WM_ERASEBKGND, [this](WPARAM wParam, LPARAM) -> LRESULT {
        RECT all{};
        GetClientRect(Handle(), &all);
        FillRect(reinterpret_cast<HDC>(wParam), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
    });
    SetMessageHandler(WM_MOUSEACTIVATE, [](WPARAM, LPARAM) -> LRESULT { return MA_NOACTIVATE; });
    for (const UINT down : {WM_LBUTTONDOWN, WM_NCLBUTTONDOWN})
        SetMessageHandler(down, [this](WPARAM, LPARAM) -> LRESULT { return pressed_ = true, 0; });
    for (const UINT up : {WM_LBUTTONUP, WM_NCLBUTTONUP})
        SetMessageHandler(up, [this](WPARAM, LPARAM) -> LRESULT { return pressed_ = false, 0; });
    SetMessageHandler(WM_SETCURSOR, [](WPARAM, LPARAM) -> LRESULT {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        return TRUE;
    });
    // Placed at every pick in the screen's own pixels.
    SetMessageHandler(WM_DPICHANGED, [](WPARAM, LPARAM) -> LRESULT { return 0; });
}

void TClickShield::Raise()
{
    SetWindowPos(Handle(), HWND_TOPMOST, GetSystemMetrics(SM_XVIRTUALSCREEN),
                 GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN),
                 GetSystemMetrics(SM_CYVIRTUALSCREEN), SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void TClickShield::TakeOff()
{
    // The system finds the window for a click only when the click is taken
    // from the queue, and the hook tells of the pick's button-up before the
    // system has queued it (until then the button is still down): a shield
    // gone too soon would hand the click to the window beneath. A click the
    // hook swallowed never comes; that is the usual case, and costs nothing.
    const int primary = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;  // the physical button
    const DWORD start = GetTickCount();
    const auto waitFor = [&](auto&& done) {
        while (Visible() && !done() && GetTickCount() - start < kMaxWaitMs) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
            ui::App().ProcessMessages();
        }
    };
    waitFor([&] { return GetAsyncKeyState(primary) >= 0; });
    ui::App().ProcessMessages();
    waitFor([&] { return !pressed_; });
    pressed_ = false;
    Hide();
}

HWND TClickShield::WindowBeneath(POINT p) const
{
    for (HWND w = GetWindow(Handle(), GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
        if (TakesTheMouseAt(w, p))
            return InnermostChildAt(w, p);
    return GetDesktopWindow();
}

void CreateClickShield()
{
    ClickShield = std::make_unique<TClickShield>();
    Selection().shield = ClickShield.get();
}

void FreeClickShield()
{
    Selection().shield = nullptr;
    ClickShield.reset();
}

}  // namespace snaplark
