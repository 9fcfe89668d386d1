// The window framework in-process: radio and check buttons driven by
// ClickControl and by the focus, the error boundary, forms (size, placement,
// close, modal, a change of DPI), the timer, the up-down control, labels,
// custom messages, the menu and COM for the thread.
#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/driver/Driver.h"
#include "ui/Application.h"
#include "ui/CheckBox.h"
#include "ui/ClickControl.h"
#include "ui/ComApartment.h"
#include "ui/EditBox.h"
#include "ui/ErrorBox.h"
#include "ui/Form.h"
#include "ui/GroupBox.h"
#include "ui/Image.h"
#include "ui/Label.h"
#include "ui/PopupMenu.h"
#include "ui/RadioButton.h"
#include "ui/Timer.h"
#include "ui/UpDown.h"

using namespace driver;
using namespace snaplark::ui;

namespace {

class Framework : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!App().Handle())
            App().Initialize();
        // The first form is the main form, whose closing ends the program;
        // the forms of the tests must not be it.
        if (!mainForm_)
            mainForm_ = new Form("TFrameworkTestMain", "Main", 100, 50);
    }

    static inline Form* mainForm_ = nullptr;
};

void ProcessMessages() { App().ProcessMessages(); }

TEST_F(Framework, RadioButtonRunsItsHandlerOnlyWhenItBecomesChecked)
{
    Form form("TFrameworkTestForm", "Test", 200, 120);
    GroupBox first, second;
    first.Create(form, 4, 4, 190, 40, "First");
    second.Create(form, 4, 50, 190, 40, "Second");
    RadioButton a, b, c;
    a.Create(first, 8, 14, 60, 17, "A");
    b.Create(first, 80, 14, 60, 17, "B");
    c.Create(second, 8, 14, 60, 17, "C", true);
    int clicksA = 0, clicksB = 0;
    a.OnClick = [&] { ++clicksA; };
    b.OnClick = [&] { ++clicksB; };

    ClickControl(a);
    EXPECT_TRUE(a.Checked());
    EXPECT_EQ(clicksA, 1);
    ClickControl(a);  // already checked: nothing happens
    EXPECT_EQ(clicksA, 1);

    ClickControl(b);
    EXPECT_TRUE(b.Checked());
    EXPECT_FALSE(a.Checked());
    EXPECT_EQ(clicksB, 1);
    EXPECT_TRUE(c.Checked()) << "a button of another box was cleared";

    a.SetChecked(true);  // from code: the state changes, no handler runs
    EXPECT_TRUE(a.Checked());
    EXPECT_FALSE(b.Checked());
    EXPECT_EQ(clicksA, 1);

    // A disabled button takes no click, as it takes none from the user.
    b.SetEnabled(false);
    ClickControl(b);
    EXPECT_FALSE(b.Checked());
    EXPECT_TRUE(a.Checked());
    EXPECT_EQ(clicksB, 1);
}

// The system's button as Windows has it: a radio button that gets the focus
// while unchecked and not pressed reports a click (Wine's does not).
// Registered for this program alone, it stands in for the system's class
// while it lives.
class WindowsLikeButton {
public:
    WindowsLikeButton()
    {
        WNDCLASSA button{};
        GetClassInfoA(nullptr, "Button", &button);
        original_ = button.lpfnWndProc;
        button.lpfnWndProc = Proc;
        button.hInstance = GetModuleHandleA(nullptr);
        button.style &= ~CS_GLOBALCLASS;
        registered_ = RegisterClassA(&button) != 0;
    }
    ~WindowsLikeButton() { UnregisterClassA("Button", GetModuleHandleA(nullptr)); }
    bool Registered() const { return registered_; }
    static WNDPROC Procedure() { return Proc; }

private:
    static LRESULT CALLBACK Proc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
    {
        const LRESULT result = CallWindowProcA(original_, w, message, wParam, lParam);
        const LONG type = GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK;
        if (message == WM_SETFOCUS && (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) &&
            !(SendMessageA(w, BM_GETSTATE, 0, 0) & (BST_CHECKED | BST_PUSHED)))
            SendMessageA(GetParent(w), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(w), BN_CLICKED),
                         reinterpret_cast<LPARAM>(w));
        return result;
    }
    static inline WNDPROC original_ = nullptr;
    bool registered_ = false;
};

TEST_F(Framework, FocusAloneNeverChoosesARadioButton)
{
    WindowsLikeButton windowsButton;
    ASSERT_TRUE(windowsButton.Registered());
    Form form("TFrameworkTestForm", "Test", 200, 60);
    GroupBox box;
    box.Create(form, 4, 4, 190, 40, "Box");
    RadioButton a, b;
    a.Create(box, 8, 14, 60, 17, "A", true);
    b.Create(box, 80, 14, 60, 17, "B");
    ASSERT_EQ(reinterpret_cast<WNDPROC>(GetClassLongPtrA(b.Handle(), GCLP_WNDPROC)),
              WindowsLikeButton::Procedure());
    int clicksB = 0;
    b.OnClick = [&] { ++clicksB; };
    form.Show();
    SetForegroundWindow(form.Handle());
    // The focus comes back to a button that is no longer the choice, as
    // after restoring the program when the tray menu chose another.
    SetFocus(b.Handle());
    ASSERT_EQ(GetFocus(), b.Handle());
    EXPECT_FALSE(b.Checked());
    EXPECT_TRUE(a.Checked());
    EXPECT_EQ(clicksB, 0);
    // A click still chooses.
    ClickControl(b);
    EXPECT_TRUE(b.Checked());
    EXPECT_EQ(clicksB, 1);
    form.Hide();
}

TEST_F(Framework, CheckBoxTogglesOnEveryClick)
{
    Form form("TFrameworkTestForm", "Test", 200, 60);
    CheckBox box;
    box.Create(form, 4, 4, 80, 17, "Box");
    std::vector<bool> seen;
    box.OnClick = [&] { seen.push_back(box.Checked()); };
    ClickControl(box);
    ClickControl(box);
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));
    box.SetChecked(true);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(Framework, AnErrorLeavingAHandlerIsShownAndTheProgramGoesOn)
{
    std::vector<std::string> shown;
    auto previous = snaplark::ui::SetErrorBoxDisplay([&](HWND, const std::string& text, const char*, UINT) {
        shown.push_back(text);
        return IDOK;
    });
    Form form("TFrameworkTestForm", "Test", 200, 60);
    RadioButton a, b;
    a.Create(form, 4, 4, 60, 17, "A");
    b.Create(form, 80, 4, 60, 17, "B");
    a.OnClick = [] { throw std::runtime_error("Cannot open clipboard"); };
    int clicksB = 0;
    b.OnClick = [&] { ++clicksB; };
    form.SetMessageHandler(WM_APP, [](WPARAM, LPARAM) -> LRESULT { throw std::bad_alloc(); });

    ClickControl(a);
    PostMessageA(form.Handle(), WM_APP, 0, 0);
    App().ProcessMessages();
    ClickControl(b);
    snaplark::ui::SetErrorBoxDisplay(previous);

    EXPECT_EQ(shown, (std::vector<std::string>{"Cannot open clipboard.", "Out of system resources."}));
    EXPECT_EQ(clicksB, 1);
    EXPECT_FALSE(App().Terminated());
}

TEST_F(Framework, FormHasTheExactClientSizeAndIsCentredOnlyWhenFirstShown)
{
    Form form("TFrameworkTestForm", "Test", 223, 419, Form::kSingleBorder | WS_MINIMIZEBOX);
    RECT client{};
    GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, 223);
    EXPECT_EQ(client.bottom, 419);
    EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), App().Handle());

    form.Show();
    RECT r{};
    GetWindowRect(form.Handle(), &r);
    EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    SetWindowPos(form.Handle(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    form.Hide();
    form.Show();
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    form.Hide();
}

RECT Rect(int left, int top, int right, int bottom) { return {left, top, right, bottom}; }

// A rectangle as text, so that tests compare and print it whole.
std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

LOGFONTA FontOf(const Control& control)
{
    LOGFONTA lf{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control.Handle(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf;
}

// A window moved to a monitor of another DPI is laid out anew from the
// 96-DPI numbers, fonts keeping their point size, at the place the system
// suggests; moved back, everything is exactly as it was.
TEST_F(Framework, FormLaysItselfOutAgainWhenItsDpiChanges)
{
    Form form("TFrameworkTestForm", "Test", 223, 419);
    GroupBox box;
    box.Create(form, 4, 4, 217, 33, "Source");
    RadioButton radio;
    radio.Create(box, 8, 12, 69, 17, "Fullscreen");
    Label fitted, tahoma, bold, fixed;
    fitted.Create(form, 40, 50, "Program");
    tahoma.Create(form, 40, 70, "Version");
    tahoma.SetFontFace("Tahoma", -11);
    bold.Create(form, 40, 90, "Snaplark");
    bold.SetStyle(true, false);
    fixed.Create(form, 8, 110, "PrtScr");
    fixed.SetBounds(8, 110, 29, 13);
    Image picture;
    picture.Create(form, 0, 0, 0, 0);
    picture.SetPixelBounds(0, 0, 50, 40);  // one to one with the screen
    const int fittedWidth = fitted.Bounds().right - fitted.Bounds().left;

    SIZE scaled{};
    ASSERT_TRUE(SendMessageA(form.Handle(), 0x02E4 /* WM_GETDPISCALEDSIZE */, 144,
                             reinterpret_cast<LPARAM>(&scaled)));
    RECT suggested = Rect(100, 50, 100 + scaled.cx, 50 + scaled.cy);
    SendMessageA(form.Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT r{};
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.left, suggested.left);
    EXPECT_EQ(r.top, suggested.top);
    GetClientRect(form.Handle(), &r);
    EXPECT_EQ(Text(r), Text(Rect(0, 0, 335, 629)));
    EXPECT_EQ(Text(box.Bounds()), Text(Rect(6, 6, 6 + 326, 6 + 50)));
    EXPECT_EQ(Text(radio.Bounds()), Text(Rect(12, 18, 12 + 104, 18 + 26)));
    EXPECT_EQ(Text(fixed.Bounds()), Text(Rect(12, 165, 12 + 44, 165 + 20)));
    EXPECT_EQ(Text(picture.Bounds()), Text(Rect(0, 0, 50, 40)));
    EXPECT_EQ(fitted.Bounds().left, 60);
    EXPECT_GT(fitted.Bounds().right - fitted.Bounds().left, fittedWidth);
    // 8 points at 144 DPI.
    EXPECT_EQ(FontOf(radio).lfHeight, -16);
    EXPECT_EQ(FontOf(fitted).lfHeight, -16);
    EXPECT_EQ(FontOf(tahoma).lfHeight, -16);
    EXPECT_STREQ(FontOf(tahoma).lfFaceName, "Tahoma");
    EXPECT_EQ(FontOf(bold).lfHeight, -16);
    EXPECT_EQ(FontOf(bold).lfWeight, FW_BOLD);

    RECT back = Rect(10, 20, 10 + 50, 20 + 50);  // only its corner is taken
    SendMessageA(form.Handle(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
    GetClientRect(form.Handle(), &r);
    EXPECT_EQ(Text(r), Text(Rect(0, 0, 223, 419)));
    GetWindowRect(form.Handle(), &r);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(Text(box.Bounds()), Text(Rect(4, 4, 4 + 217, 4 + 33)));
    EXPECT_EQ(Text(radio.Bounds()), Text(Rect(8, 12, 8 + 69, 12 + 17)));
    EXPECT_EQ(Text(fixed.Bounds()), Text(Rect(8, 110, 8 + 29, 110 + 13)));
    EXPECT_EQ(fitted.Bounds().right - fitted.Bounds().left, fittedWidth);
    EXPECT_EQ(FontOf(radio).lfHeight, -11);
    EXPECT_EQ(FontOf(tahoma).lfHeight, -11);
    EXPECT_EQ(FontOf(bold).lfWeight, FW_BOLD);
}

TEST_F(Framework, CloseQueryDecidesAndTheCloseEventFollows)
{
    Form form("TFrameworkTestForm", "Test", 100, 50);
    bool allow = false;
    int closes = 0;
    form.OnCloseQuery = [&](bool& canClose) { canClose = allow; };
    form.OnClose = [&](CloseAction&) { ++closes; };
    form.Show();
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(SendMessageA(form.Handle(), WM_QUERYENDSESSION, 0, 0), FALSE);

    allow = true;
    SendMessageA(form.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(SendMessageA(form.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
}

TEST_F(Framework, ModalFormDisablesTheOtherFormsUntilItCloses)
{
    Form owner("TFrameworkTestForm", "Owner", 100, 50);
    Form modal("TFrameworkTestForm", "Modal", 100, 50);
    owner.Show();
    bool ownerEnabledWhileModal = true;
    modal.OnClose = [&](CloseAction&) { ownerEnabledWhileModal = IsWindowEnabled(owner.Handle()); };
    PostMessageA(modal.Handle(), WM_CLOSE, 0, 0);
    modal.ShowModal();
    EXPECT_FALSE(ownerEnabledWhileModal);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_FALSE(modal.Visible());
    EXPECT_FALSE(modal.Modal());
    owner.Hide();
}

TEST_F(Framework, TimerStartsAFreshPeriodAndDropsTicksDueWhenDisabled)
{
    Timer timer;
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    timer.SetInterval(50);
    timer.SetEnabled(true);
    WatchFor(150ms);  // a tick falls due, but nobody takes it
    timer.SetEnabled(false);
    WatchFor(100ms, ProcessMessages);  // and it does not come later
    EXPECT_EQ(ticks, 0);

    ULONGLONG firstTick = 0;
    timer.OnTimer = [&] {
        if (!firstTick)
            firstTick = GetTickCount64();
    };
    timer.SetInterval(300);
    timer.SetEnabled(true);
    WatchFor(200ms, ProcessMessages);  // part of a period
    const ULONGLONG restarted = GetTickCount64();
    timer.SetEnabled(true);  // enabling again starts the period afresh
    EXPECT_TRUE(WaitFor([&] { ProcessMessages(); return firstTick != 0; }, 2s, 5ms));
    timer.SetEnabled(false);
    ASSERT_NE(firstTick, 0u);
    EXPECT_GE(firstTick - restarted, 250u);
}

TEST_F(Framework, UpDownKeepsItsRangeStepAndBuddy)
{
    Form form("TFrameworkTestForm", "Test", 200, 60);
    EditBox edit;
    UpDown upDown;
    edit.Create(form, 8, 8, 33, 21, "300");
    upDown.Create(form, 41, 8, 16, 21, edit, 100, 5000, 10, 300);
    EXPECT_EQ(upDown.Position(), 300);
    EXPECT_EQ(edit.Text(), "300");
    UDACCEL accel{};
    ASSERT_EQ(SendMessageA(upDown.Handle(), UDM_GETACCEL, 1, reinterpret_cast<LPARAM>(&accel)), 1);
    EXPECT_EQ(accel.nInc, 10u);
    LRESULT range = SendMessageA(upDown.Handle(), UDM_GETRANGE, 0, 0);
    EXPECT_EQ(static_cast<short>(HIWORD(range)), 100);
    EXPECT_EQ(static_cast<short>(LOWORD(range)), 5000);
    // The buddy's number is what the position reports.
    edit.SetText("1250");
    EXPECT_EQ(upDown.Position(), 1250);
}

TEST_F(Framework, LabelFitsItsTextAndReportsTheMouse)
{
    Form form("TFrameworkTestForm", "Test", 200, 60);
    Label label;
    label.Create(form, 4, 4, "ms");
    const int narrow = label.Bounds().right - label.Bounds().left;
    label.SetText("A much longer caption");
    EXPECT_GT(label.Bounds().right - label.Bounds().left, narrow);
    EXPECT_GT(label.Bounds().bottom - label.Bounds().top, 0);

    label.SetColor(RGB(255, 0, 0));
    HDC dc = GetDC(form.Handle());
    LRESULT brush = 0;
    ASSERT_TRUE(Control::ForwardToChild(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(label.Handle()), brush));
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));
    EXPECT_NE(brush, 0);
    ReleaseDC(form.Handle(), dc);

    std::vector<std::string> events;
    label.OnMouseMove = [&](WPARAM, int x, int y) {
        events.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    };
    label.OnMouseLeave = [&] { events.push_back("leave"); };
    SendMessageA(label.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 4));
    SendMessageA(label.Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(events, (std::vector<std::string>{"move 3,4", "leave"}));
}

TEST_F(Framework, MessagesByNumberReachTheirHandlersAndAllPendingAreHandledOnce)
{
    Form form("TFrameworkTestForm", "Test", 100, 50);
    int seen = 0;
    form.SetMessageHandler(2651, [&](WPARAM w, LPARAM) -> LRESULT {
        seen += static_cast<int>(w);
        return 42;
    });
    EXPECT_EQ(SendMessageA(form.Handle(), 2651, 1, 0), 42);
    for (int i = 0; i < 3; ++i)
        PostMessageA(form.Handle(), 2651, 10, 0);
    App().ProcessMessages();
    EXPECT_EQ(seen, 31);
}

TEST_F(Framework, PopupMenuItemsCarryPicturesAndRunTheirHandlers)
{
    ImageList pictures(16, 16);
    {
        HDC screen = GetDC(nullptr);
        HBITMAP strip = CreateCompatibleBitmap(screen, 48, 16);
        ReleaseDC(nullptr, screen);
        pictures.AddMasked(strip);
        DeleteObject(strip);
    }
    ASSERT_EQ(pictures.Count(), 3);
    PopupMenu menu(&pictures);
    int chosen = -1;
    menu.AddItem("Full screen", 2, [&] { chosen = 0; });
    menu.AddSeparator();
    menu.AddItem("Exit", 1, [&] { chosen = 2; });
    EXPECT_EQ(GetMenuItemCount(menu.Handle()), 3);
    char text[32] = {};
    GetMenuStringA(menu.Handle(), 2, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Exit");

    menu.SetImageIndex(0, 1);
    EXPECT_EQ(menu.ImageIndex(0), 1);
    menu.Choose(2);
    EXPECT_EQ(chosen, 2);

    // A disabled item shows grey and runs nothing.
    chosen = -1;
    menu.SetEnabled(2, false);
    EXPECT_FALSE(menu.Enabled(2));
    EXPECT_TRUE(GetMenuState(menu.Handle(), 2, MF_BYPOSITION) & MF_GRAYED);
    menu.Choose(2);
    EXPECT_EQ(chosen, -1);
    menu.SetEnabled(2, true);
    menu.Choose(2);
    EXPECT_EQ(chosen, 2);

    MEASUREITEMSTRUCT measure{};
    measure.CtlType = ODT_MENU;
    measure.itemID = 1;
    measure.itemData = reinterpret_cast<ULONG_PTR>(&menu);
    LRESULT result = 0;
    ASSERT_TRUE(PopupMenu::HandleOwnerMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure), result));
    EXPECT_EQ(measure.itemWidth, 16u);
    EXPECT_EQ(measure.itemHeight, 16u);
    // Owner-drawn items of menus that are not ours are left alone.
    int other = 0;
    measure.itemData = reinterpret_cast<ULONG_PTR>(&other);
    EXPECT_FALSE(PopupMenu::HandleOwnerMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure), result));
}

// On a thread of its own: Wine sets COM up by itself on a thread once it
// shows a window.
TEST_F(Framework, ComApartmentIsApartmentThreadedUntilItGoes)
{
    struct Seen {
        HRESULT whileAlive = S_OK;
        HRESULT after = E_FAIL;
    } seen;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* seen = static_cast<Seen*>(p);
            {
                const ComApartment com;
                seen->whileAlive = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            }
            seen->after = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
            if (SUCCEEDED(seen->after))
                CoUninitialize();
            return 0;
        },
        &seen, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    EXPECT_EQ(seen.whileAlive, RPC_E_CHANGED_MODE) << "not apartment-threaded";
    EXPECT_EQ(seen.after, S_OK) << "not released";
}

}  // namespace
