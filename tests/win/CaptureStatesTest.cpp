// The command layer of the main window, driven in-process through its
// handlers: which state each Print Screen press and mouse event leads to,
// where the confirmation sound plays, and what a failing capture leaves.
// The sound and the error box are watched through their seams.
#include "capture/CaptureState.h"
#include "app/MainUnit.h"
#include "capture/CaptureUnit.h"
#include "capture/ConfirmationSound.h"
#include "capture/FrameUnit.h"
#include "capture/StatusText.h"
#include "input/HookUnit.h"
#include "tests/driver/Driver.h"
#include "tests/win/ProgramControls.h"
#include "ui/Application.h"
#include "ui/ClickControl.h"
#include "ui/ErrorBox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

using namespace driver;
using namespace snaplark;
using namespace snaplark::ui;

namespace {

int g_sounds = 0;
std::vector<std::string> g_boxes;

BOOL WINAPI CountSound(LPCSTR, HMODULE, DWORD)
{
    ++g_sounds;
    return TRUE;
}

void Pump() { ui::App().ProcessMessages(); }

class CaptureStates : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ui::App().Initialize(); }

    void SetUp() override
    {
        DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
        dir_ = MakeTempDir("states");
        g_sounds = 0;
        g_boxes.clear();
        SetSoundPlayer(CountSound);
        SetErrorBoxDisplay([](HWND, const std::string& text, const char*, UINT) {
            g_boxes.push_back(text);
            return IDOK;
        });
        ExitRequested = false;
        form_ = new TMainForm;
        CaptureDirectory = dir_;
        EmptyTheClipboard();
    }

    void TearDown() override
    {
        if (form_) {
            form_->CaptureT.SetEnabled(false);
            // The shutdown duties without ending this test program's loop.
            ui::CloseAction action = ui::CloseAction::Hide;
            form_->FormClose(action);
            delete form_;
        }
        SetSoundPlayer(nullptr);
        SetErrorBoxDisplay({});
        DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
        RemoveTree(dir_);
        WindowPickActive = RectSelectActive = Dragging = false;
        PickedWindow = nullptr;
    }

    void ToFile() { ui::ClickControl(form_->ToFileRB); }
    size_t Files() { return ListFiles(dir_).size(); }

    // A mouse event as the hook would post it, with the cursor at (x, y),
    // handled through the window's message boundary.
    void Mouse(UINT message, int x, int y)
    {
        MoveMouse(x, y);  // real input: the cursor is where the handler will read it
        SendMessageA(form_->Handle(), WM_HOOK_MOUSE, message, 0);
    }

    void Press(WPARAM mask) { SendMessageA(form_->Handle(), WM_PRTSCR_PRESSED, mask, 0); }

    std::string dir_;
    TMainForm* form_ = nullptr;
};

TEST_F(CaptureStates, ImmediateFullScreenCapturesOnceThenSounds)
{
    ToFile();
    form_->Show();
    Press(1);
    EXPECT_FALSE(form_->Visible()) << "a press hides the main window";
    EXPECT_EQ(Files(), 1u);
    EXPECT_EQ(g_sounds, 1);
    EXPECT_FALSE(form_->CaptureT.Enabled());

    // Without the Sound check box: no sound anywhere.
    ui::ClickControl(form_->SoundCB);
    Press(1);
    EXPECT_EQ(Files(), 2u);
    EXPECT_EQ(g_sounds, 1);
}

TEST_F(CaptureStates, PressesWithTwoOrThreeModifiersOnlyHide)
{
    for (WPARAM mask : {3, 5, 6, 7}) {
        form_->Show();
        Press(mask);
        EXPECT_FALSE(form_->Visible());
    }
    EXPECT_EQ(Files(), 0u);
    EXPECT_EQ(g_sounds, 0);
    EXPECT_FALSE(RectSelectActive || WindowPickActive || form_->CaptureT.Enabled());
}

TEST_F(CaptureStates, PlainPrintScreenFollowsTheSourceButtons)
{
    ToFile();
    Press(0);  // Fullscreen is checked at start
    EXPECT_EQ(Files(), 1u);

    ui::ClickControl(form_->RectangleRB);
    Press(0);
    EXPECT_TRUE(RectSelectActive);
    EXPECT_TRUE(IsWindowVisible(CaptureForm->Handle()));
    Mouse(WM_LBUTTONDOWN, 10, 10);
    Mouse(WM_LBUTTONUP, 20, 20);
    EXPECT_FALSE(RectSelectActive);

    ui::ClickControl(form_->WindowRB);
    Press(0);
    EXPECT_TRUE(WindowPickActive);
    Mouse(WM_LBUTTONUP, 10, 10);
    EXPECT_FALSE(WindowPickActive);
}

TEST_F(CaptureStates, RectangleSelectionCapturesTheOrderedRectangle)
{
    ToFile();
    ui::ClickControl(form_->BMPRB);
    Press(4);
    EXPECT_EQ(g_sounds, 1) << "the start of a selection sounds";
    ASSERT_TRUE(RectSelectActive);
    EXPECT_FALSE(Dragging);

    Mouse(WM_MOUSEMOVE, 290, 240);  // before the button goes down: nothing
    EXPECT_EQ(SelRect.Right, 0);
    Mouse(WM_LBUTTONDOWN, 300, 250);
    EXPECT_TRUE(Dragging);
    Mouse(WM_MOUSEMOVE, 200, 150);
    Mouse(WM_NCMOUSEMOVE, 150, 100);
    EXPECT_EQ(SelRect.Right, 150);
    Mouse(WM_RBUTTONUP, 120, 60);  // other buttons do nothing
    EXPECT_TRUE(Dragging);
    Mouse(WM_LBUTTONUP, 100, 50);  // dragged up and to the left
    EXPECT_FALSE(Dragging || RectSelectActive);
    EXPECT_EQ(SelRect, (SelectionRect{100, 50, 300, 250}));
    EXPECT_FALSE(IsWindowVisible(CaptureForm->Handle()));
    EXPECT_EQ(g_sounds, 2) << "and so does its capture";

    const auto names = ListFiles(dir_, "*.bmp");
    ASSERT_EQ(names.size(), 1u);
    const auto bmp = ReadFileBytes(dir_ + "\\" + names[0]);
    int32_t width, height;
    memcpy(&width, &bmp[18], 4);
    memcpy(&height, &bmp[22], 4);
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 200);
}

TEST_F(CaptureStates, WindowPickCapturesThePickedWindowAndForgetsIt)
{
    Press(2);
    EXPECT_EQ(g_sounds, 1);
    ASSERT_TRUE(WindowPickActive);
    EXPECT_NE(PickedWindow, nullptr);
    Mouse(WM_MOUSEMOVE, 640, 400);
    EXPECT_TRUE(IsWindowVisible(FrameForm->Handle()));
    Mouse(WM_LBUTTONUP, 640, 400);
    EXPECT_FALSE(WindowPickActive);
    EXPECT_FALSE(IsWindowVisible(FrameForm->Handle())) << "the frame stayed after the pick";
    EXPECT_EQ(PickedWindow, nullptr);
    EXPECT_EQ(g_sounds, 2);
    EXPECT_TRUE(ClipboardBitmap().has_value());
}

TEST_F(CaptureStates, AltDuringARectangleSelectionFinishesBothWithOneClick)
{
    ToFile();
    Press(4);
    Press(2);
    EXPECT_TRUE(RectSelectActive && WindowPickActive);
    Mouse(WM_LBUTTONDOWN, 400, 300);
    Mouse(WM_LBUTTONUP, 500, 350);
    EXPECT_FALSE(RectSelectActive || WindowPickActive || Dragging);
    EXPECT_EQ(Files(), 2u);  // the window, then the rectangle
}

TEST_F(CaptureStates, TimerStartsSilentlyTicksAndAnyPressStopsItWithSound)
{
    ui::ClickControl(form_->TimerCB);
    EXPECT_TRUE(form_->ToFileRB.Checked());
    EXPECT_FALSE(form_->ToClipboardRB.Enabled());
    form_->TimeUD.SetPosition(100);
    Press(1);
    EXPECT_TRUE(form_->CaptureT.Enabled());
    EXPECT_EQ(form_->CaptureT.Interval(), 100u);
    EXPECT_EQ(TimerSource, kTimerFullScreen);
    EXPECT_EQ(Files(), 0u) << "the first capture comes one interval later";
    EXPECT_EQ(g_sounds, 0);
    ASSERT_TRUE(WaitFor([&] { Pump(); return Files() >= 3; }, 10s));
    EXPECT_EQ(g_sounds, 0) << "ticks are silent";

    // Unchecking the box does not stop a running timer; a press does.
    ui::ClickControl(form_->TimerCB);
    EXPECT_TRUE(form_->CaptureT.Enabled());
    EXPECT_TRUE(form_->ToClipboardRB.Enabled());
    EXPECT_TRUE(form_->ToFileRB.Checked());
    Press(6);
    EXPECT_FALSE(form_->CaptureT.Enabled());
    EXPECT_EQ(g_sounds, 1);
}

TEST_F(CaptureStates, TimedSelectionsRepeatTheSameAreaWithoutAnEndSound)
{
    ui::ClickControl(form_->TimerCB);
    ui::ClickControl(form_->BMPRB);
    Press(4);
    EXPECT_EQ(g_sounds, 1);
    Mouse(WM_LBUTTONDOWN, 10, 20);
    Mouse(WM_LBUTTONUP, 60, 50);
    EXPECT_EQ(g_sounds, 1);
    EXPECT_EQ(TimerSource, kTimerRectangle);
    ASSERT_TRUE(WaitFor([&] { Pump(); return ListFiles(dir_, "*.bmp").size() >= 2; }, 10s));
    Press(0);  // stops
    for (const auto& name : ListFiles(dir_, "*.bmp")) {
        const auto bmp = ReadFileBytes(dir_ + "\\" + name);
        EXPECT_EQ(bmp[18], 50);
        EXPECT_EQ(bmp[22], 30);
    }

    Press(2);
    Mouse(WM_LBUTTONUP, 640, 400);
    EXPECT_EQ(TimerSource, kTimerWindow);
    EXPECT_NE(PickedWindow, nullptr) << "kept for the ticks";
    Press(0);
}

TEST_F(CaptureStates, DirectXModeWithTheTimerCapturesThroughGdi)
{
    std::vector<std::string> status;
    SetStatusTextSink([&](const std::string& text) { status.push_back(text); });
    ui::ClickControl(form_->D3DRB);
    ASSERT_TRUE(form_->D3DRB.Checked());
    ASSERT_FALSE(form_->GDIRB.Checked());
    ui::ClickControl(form_->TimerCB);
    form_->TimeUD.SetPosition(100);
    Press(1);
    ASSERT_TRUE(WaitFor([&] { Pump(); return Files() >= 2; }, 10s));
    Press(1);
    EXPECT_TRUE(status.empty()) << "a Direct3D capture would have said O.K.";

    ui::ClickControl(form_->TimerCB);
    ASSERT_FALSE(form_->TimerCB.Checked());
    ASSERT_TRUE(form_->ToFileRB.Checked());
    Press(1);  // immediate: through Direct3D
    EXPECT_EQ(UseD3D, true);
    EXPECT_EQ(TimerMode, false);
    EXPECT_EQ(status, std::vector<std::string>{"O.K."});
}

TEST_F(CaptureStates, FailingCapturesReportOnceAndNeverLeaveClicksBlocked)
{
    ToFile();
    CaptureDirectory = dir_ + "\\removed";
    Press(1);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0].rfind("Cannot create file \"" + dir_ + "\\removed\\", 0), 0u) << g_boxes[0];
    EXPECT_EQ(g_sounds, 0);

    Press(4);
    Mouse(WM_LBUTTONDOWN, 10, 10);
    Mouse(WM_LBUTTONUP, 50, 50);
    EXPECT_EQ(g_boxes.size(), 2u);
    EXPECT_EQ(g_sounds, 1) << "the selection's start only";
    EXPECT_FALSE(RectSelectActive || Dragging);

    // Timer mode: the failure repeats on every tick but is told once.
    ui::ClickControl(form_->TimerCB);
    form_->TimeUD.SetPosition(100);
    Press(1);
    WatchFor(800ms, Pump);  // several failing ticks
    EXPECT_TRUE(form_->CaptureT.Enabled()) << "a failure does not stop the timer";
    EXPECT_EQ(g_boxes.size(), 3u);
    // A different failure later in the same run is told, once.
    CaptureDirectory = dir_ + "\\gone";
    ASSERT_TRUE(WaitFor([&] { Pump(); return g_boxes.size() == 4u; }, 2s)) << "the new failure was not told";
    EXPECT_NE(g_boxes[3].find("\\gone\\"), std::string::npos) << g_boxes[3];
    WatchFor(500ms, Pump);  // it repeats, and is not told again
    EXPECT_EQ(g_boxes.size(), 4u);
    Press(1);
}

TEST_F(CaptureStates, ClicksOfASelectionAreBlockedUntilItEnds)
{
    // The hook thread is the real one: check through a click on a window.
    HWND target = CreateWindowA("Button", "target", WS_POPUP | WS_VISIBLE, 700, 500, 100, 60, nullptr,
                                nullptr, nullptr, nullptr);
    int clicks = 0;
    SetWindowSubclass(
        target,
        [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) -> LRESULT {
            if (m == WM_LBUTTONUP)
                ++*reinterpret_cast<int*>(data);
            return DefSubclassProc(w, m, wp, lp);
        },
        1, reinterpret_cast<DWORD_PTR>(&clicks));
    Press(2);  // window pick: clicks blocked
    LeftClick(750, 530);
    RightClick(750, 530);  // passes, and marks that the left click is done
    ASSERT_TRUE(WaitFor([&] { Pump(); return !WindowPickActive; }, 5s)) << "the pick did not end";
    EXPECT_EQ(clicks, 0);
    LeftClick(750, 530);
    EXPECT_TRUE(WaitFor([&] { Pump(); return clicks == 1; }, 5s)) << "clicks stay blocked";
    DestroyWindow(target);
}

// A window of its own thread that takes its time to paint, as a busy program
// does: every repaint walk waits for it.
class SlowPainter {
public:
    explicit SlowPainter(DWORD paintMs) : paintMs_(paintMs)
    {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, &threadId_);
        WaitFor([&] { return window_ != nullptr; }, 5s);
    }
    ~SlowPainter()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        if (m == WM_PAINT) {
            PAINTSTRUCT ps;
            BeginPaint(w, &ps);
            Sleep(reinterpret_cast<SlowPainter*>(GetWindowLongPtrA(w, GWLP_USERDATA))->paintMs_);
            EndPaint(w, &ps);
            return 0;
        }
        return DefWindowProcA(w, m, wp, lp);
    }
    static DWORD WINAPI Run(void* p)
    {
        auto* self = static_cast<SlowPainter*>(p);
        WNDCLASSA wc{};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "SlowPainter";
        RegisterClassA(&wc);
        HWND w = CreateWindowA("SlowPainter", "Slow", WS_POPUP, 900, 600, 100, 80, nullptr, nullptr,
                               nullptr, nullptr);
        SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        ShowWindow(w, SW_SHOWNOACTIVATE);
        self->window_ = w;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0)
            DispatchMessageA(&msg);
        DestroyWindow(w);
        return 0;
    }

    DWORD paintMs_;
    HANDLE thread_ = nullptr;
    DWORD threadId_ = 0;
    std::atomic<HWND> window_{nullptr};
};

TEST_F(CaptureStates, TicksOfASlowCaptureAreSkippedNotNestedAndAStopLeavesNoLateFiles)
{
    SlowPainter busy(300);  // each capture takes longer than the interval
    ui::ClickControl(form_->TimerCB);
    ui::ClickControl(form_->BMPRB);
    form_->TimeUD.SetPosition(100);
    int depth = 0, deepest = 0;
    const auto tick = form_->CaptureT.OnTimer;
    form_->CaptureT.OnTimer = [&] {
        deepest = std::max(deepest, ++depth);
        if (depth > 3)
            form_->CaptureT.SetEnabled(false);  // a runaway nest: end it, the test has failed
        tick();
        --depth;
    };
    Press(1);
    ASSERT_TRUE(WaitFor([&] { Pump(); return Files() >= 4; }, 20s));
    EXPECT_LE(deepest, 2) << "a tick ran inside a tick's capture";
    EXPECT_GT(form_->CaptureGate.SkippedTicks(), 0u);

    Press(1);  // stops: nothing is running now, so no file may follow
    const size_t stopped = Files();
    WatchFor(1200ms, Pump);  // long enough for nested ticks to unwind
    EXPECT_EQ(Files(), stopped) << "files came after the stop";
}

TEST_F(CaptureStates, AClickWhileTheSelectionStartsNeitherEndsItNorLeavesItStuck)
{
    ToFile();
    // Already waiting when the selection starts: handled while it freezes the screen.
    PostMessageA(form_->Handle(), WM_HOOK_MOUSE, WM_LBUTTONDOWN, 0);
    PostMessageA(form_->Handle(), WM_HOOK_MOUSE, WM_LBUTTONUP, 0);
    Press(4);
    EXPECT_TRUE(RectSelectActive) << "the selection did not start";
    EXPECT_FALSE(Dragging);
    EXPECT_TRUE(IsWindowVisible(CaptureForm->Handle()));
    EXPECT_EQ(Files(), 0u) << "the early click captured";
    Mouse(WM_LBUTTONDOWN, 100, 100);
    Mouse(WM_LBUTTONUP, 140, 130);
    EXPECT_FALSE(RectSelectActive || Dragging);
    EXPECT_FALSE(IsWindowVisible(CaptureForm->Handle()));
    EXPECT_EQ(Files(), 1u);
}

TEST_F(CaptureStates, AFailingSelectionStartLeavesNoSelectionAndNoBlockedClicks)
{
    ToFile();
    // Use up the process's drawing objects, so the frozen picture cannot be made.
    std::vector<HGDIOBJ> hoard;
    while (hoard.size() < 200000)
        if (HGDIOBJ o = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(hoard.size())))
            hoard.push_back(o);
        else
            break;
    ASSERT_LT(hoard.size(), 200000u) << "drawing objects never ran out";
    Press(4);
    for (HGDIOBJ o : hoard)
        DeleteObject(o);
    EXPECT_EQ(g_boxes.size(), 1u);
    EXPECT_FALSE(RectSelectActive || Dragging);
    EXPECT_FALSE(IsWindowVisible(CaptureForm->Handle()));
    // Later mouse events find no selection: no more boxes, no capture.
    Mouse(WM_LBUTTONDOWN, 100, 100);
    Mouse(WM_MOUSEMOVE, 120, 120);
    Mouse(WM_LBUTTONUP, 140, 130);
    EXPECT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(Files(), 0u);
}

TEST_F(CaptureStates, ExitDuringADragLeavesQueuedMouseEventsNothingToDrawOn)
{
    Press(4);
    Mouse(WM_LBUTTONDOWN, 100, 100);
    ASSERT_TRUE(Dragging);
    PostMessageA(form_->Handle(), WM_HOOK_MOUSE, WM_MOUSEMOVE, 0);
    PostMessageA(form_->Handle(), WM_HOOK_MOUSE, WM_LBUTTONUP, 0);
    ui::CloseAction action = ui::CloseAction::Hide;
    form_->FormClose(action);
    EXPECT_FALSE(RectSelectActive || Dragging || WindowPickActive);
    Pump();  // the queued events: before the fix, the freed overlay was drawn on
    EXPECT_TRUE(g_boxes.empty());
    delete form_;
    form_ = nullptr;
}

TEST_F(CaptureStates, ErrorBoxesNeverStack)
{
    ToFile();
    CaptureDirectory = dir_ + "\\removed";
    // The box's own message loop goes on handling presses and ticks.
    int open = 0, most = 0;
    std::function<void()> whileOpen;
    SetErrorBoxDisplay([&](HWND, const std::string& text, const char*, UINT) {
        g_boxes.push_back(text);
        most = std::max(most, ++open);
        if (whileOpen)
            whileOpen();
        WatchFor(400ms, Pump);  // the box stays open a while, as a user reads it
        --open;
        return IDOK;
    });
    // Shift+Print Screen held down: the key repeats while the first box is
    // open, and that failure is told once. Another failure meanwhile (the
    // folder changed, then the key repeats) is told once that box is closed.
    whileOpen = [&] {
        whileOpen = nullptr;
        WatchFor(100ms, Pump);
        CaptureDirectory = dir_ + "\\gone";
        PostMessageA(form_->Handle(), WM_PRTSCR_PRESSED, 1, 0);
        PostMessageA(form_->Handle(), WM_PRTSCR_PRESSED, 1, 0);
    };
    for (int i = 0; i < 5; ++i)
        PostMessageA(form_->Handle(), WM_PRTSCR_PRESSED, 1, 0);
    Press(1);
    Pump();
    EXPECT_EQ(most, 1);
    ASSERT_EQ(g_boxes.size(), 2u);
    EXPECT_NE(g_boxes[1].find("\\gone\\"), std::string::npos) << g_boxes[1];

    // The timer stopped and started again while its first failure is on
    // screen: the new run starts once the box is closed, and tells its own
    // first failure then.
    g_boxes.clear();
    ui::ClickControl(form_->TimerCB);
    form_->TimeUD.SetPosition(100);
    whileOpen = [&] {
        whileOpen = nullptr;
        PostMessageA(form_->Handle(), WM_PRTSCR_PRESSED, 1, 0);  // stop
        PostMessageA(form_->Handle(), WM_PRTSCR_PRESSED, 1, 0);  // start again
    };
    Press(1);
    EXPECT_TRUE(WaitFor([&] { Pump(); return g_boxes.size() == 2u; }, 5s));
    WatchFor(500ms, Pump);  // and no box after that
    EXPECT_EQ(most, 1);
    EXPECT_EQ(g_boxes.size(), 2u);
    EXPECT_TRUE(form_->CaptureT.Enabled());
    Press(1);
    SetErrorBoxDisplay({});
}

}  // namespace
