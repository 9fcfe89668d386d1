// The command layer, driven in-process: which state each Print Screen press
// and mouse event leads to, where the confirmation sound plays, what a
// failing capture leaves, and what happens to commands that come while a
// capture runs. A stand-in takes the main window's place: its settings are
// set by the test, and it hands its messages over as the main window does.
// The sound and the error box are watched through their seams.
#include "capture/CaptureState.h"
#include "app/MainUnit.h"
#include "capture/CaptureUnit.h"
#include "capture/ClickShield.h"
#include "capture/ConfirmationSound.h"
#include "capture/FrameUnit.h"
#include "capture/SelectionAids.h"
#include "capture/StatusText.h"
#include "input/CommandDispatcher.h"
#include "input/HookUnit.h"
#include "input/HookWatchdog.h"
#include "tests/driver/Driver.h"
#include "tests/win/ProgramControls.h"
#include "tests/win/SlowWindow.h"
#include "ui/Application.h"
#include "ui/ClickControl.h"
#include "ui/ErrorBox.h"

#include <gtest/gtest.h>

#include <functional>

using namespace driver;
using namespace snaplark;
using namespace snaplark::ui;

namespace {

int g_sounds = 0;
bool g_soundOn = true;
std::vector<std::string> g_boxes;

BOOL WINAPI CountSound(LPCSTR, HMODULE, DWORD)
{
    ++g_sounds;
    return TRUE;
}

// The main window as the command layer sees it.
class StandIn : public ui::Form, public CommandHost {
public:
    StandIn() : Form("TStandIn", "stand-in", 100, 60)
    {
        auto to = [this](void (CommandDispatcher::*handler)(uintptr_t)) {
            return [this, handler](WPARAM w, LPARAM) -> LRESULT { return (dispatcher.*handler)(w), 0; };
        };
        SetMessageHandler(WM_PRTSCR_PRESSED, to(&CommandDispatcher::PrintScreenPressed));
        SetMessageHandler(WM_HOOK_MOUSE, to(&CommandDispatcher::MouseEvent));
        SetMessageHandler(WM_RUN_DEFERRED, [this](WPARAM, LPARAM) -> LRESULT { return dispatcher.RunDeferred(), 0; });
        dispatcher.CaptureT.OnTimer = [this] { dispatcher.TimerTick(); };
        settings.fullscreen = true;
    }

    CaptureSettings SampleSettings() const override { return settings; }
    UINT TimerInterval() const override { return interval; }
    void HideMainWindow() override
    {
        ++hidden;
        if (auto whileBusy = std::exchange(onHide, nullptr))
            whileBusy();
    }
    void ConfirmationSound() override
    {
        if (g_soundOn)
            PlayConfirmationSound();
    }
    void PostToMainWindow(UINT message) override { PostMessageA(Handle(), message, 0, 0); }

    CaptureSettings settings;
    UINT interval = 100;
    int hidden = 0;
    // Runs once inside the next press, while it holds the capture gate.
    std::function<void()> onHide;
    CommandDispatcher dispatcher{*this};
};

int g_clicks = 0;  // left buttons coming up on the click target

// A window of the test's that counts the left clicks reaching it.
struct ClickTarget {
    ClickTarget()
    {
        g_clicks = 0;
        SetWindowSubclass(window, [](HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) -> LRESULT {
            g_clicks += m == WM_LBUTTONUP;
            return DefSubclassProc(w, m, wp, lp);
        }, 1, 0);
    }
    ~ClickTarget() { DestroyWindow(window); }
    void Click() { LeftClick(750, 530); }
    HWND window = CreateWindowA("Button", "target", WS_POPUP | WS_VISIBLE, 700, 500, 100, 60, nullptr,
                                nullptr, nullptr, nullptr);
};

// The width and height a BMP file gives its picture.
std::pair<int32_t, int32_t> BmpSize(const std::string& path)
{
    const std::vector<uint8_t> bmp = ReadFileBytes(path);
    int32_t width, height;
    memcpy(&width, &bmp[18], 4);
    memcpy(&height, &bmp[22], 4);
    return {width, height};
}

class CaptureStates : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!ui::App().Handle())
            ui::App().Initialize();
    }

    void SetUp() override
    {
        dir_ = MakeTempDir("states");
        g_sounds = 0;
        g_soundOn = true;
        g_boxes.clear();
        SetSoundPlayer(CountSound);
        SetErrorBoxDisplay([](HWND, const std::string& text, const char*, UINT) {
            g_boxes.push_back(text);
            return IDOK;
        });
        // First, so it is the application's main form, which no other form's
        // closing may take for the end of the program.
        host_ = std::make_unique<StandIn>();
        CreateCaptureForm();
        CreateFrameForm();
        CreateClickShield();
        Selection().soundWanted = [] { return g_soundOn; };
        CaptureDirectory = dir_;
        EmptyTheClipboard();
    }

    void TearDown() override
    {
        if (host_)
            host_->dispatcher.Stop();
        StopHookThread(hooks_);
        Selection().clickBlocker = nullptr;
        host_.reset();
        Selection().soundWanted = nullptr;
        FreeClickShield();
        FreeFrameForm();
        FreeCaptureForm();
        SetSoundPlayer(nullptr);
        SetErrorBoxDisplay({});
        RemoveTree(dir_);
        PickedWindow = nullptr;
    }

    CommandDispatcher& D() { return host_->dispatcher; }
    void ToFile() { host_->settings.destination = kToFile; }
    size_t Files() { return ListFiles(dir_).size(); }

    // The real hook thread, posting to the stand-in, blocks the clicks.
    void WithHooks()
    {
        hooks_ = std::make_unique<HookThread>(host_->Handle());
        hooks_->Resume();
        Selection().clickBlocker = hooks_.get();
    }

    // A mouse event as the hook would post it, with the cursor at (x, y),
    // handled through the window's message boundary.
    void Mouse(UINT message, int x, int y)
    {
        MoveMouse(x, y);  // real input: the cursor is where the handler will read it
        SendMessageA(host_->Handle(), WM_HOOK_MOUSE, message, 0);
    }

    void Press(WPARAM mask) { SendMessageA(host_->Handle(), WM_PRTSCR_PRESSED, mask, 0); }

    std::string dir_;
    std::unique_ptr<StandIn> host_;
    std::unique_ptr<HookThread> hooks_;
};

TEST_F(CaptureStates, ShiftCapturesTheFullScreenOnceThenSoundsAndTwoModifiersOnlyHide)
{
    ToFile();
    Press(1);
    EXPECT_EQ(host_->hidden, 1) << "a press hides the main window";
    EXPECT_EQ(Files(), 1u);
    EXPECT_EQ(g_sounds, 1);
    for (WPARAM mask : {3, 5, 6, 7})
        Press(mask);
    EXPECT_EQ(host_->hidden, 5);
    EXPECT_EQ(Files(), 1u);
    EXPECT_EQ(g_sounds, 1);
    EXPECT_FALSE(RectSelectActive || WindowPickActive || D().CaptureT.Enabled());

    // Without the Sound check box: no sound anywhere.
    g_soundOn = false;
    Press(1);
    EXPECT_EQ(Files(), 2u);
    EXPECT_EQ(g_sounds, 1);
}

TEST_F(CaptureStates, PlainPrintScreenFollowsTheSourceButtons)
{
    ToFile();
    Press(0);  // Fullscreen
    EXPECT_EQ(Files(), 1u);

    host_->settings.fullscreen = false;
    host_->settings.rectangle = true;
    Press(0);
    EXPECT_TRUE(RectSelectActive);
    EXPECT_TRUE(IsWindowVisible(CaptureForm->Handle()));
    Mouse(WM_LBUTTONDOWN, 10, 10);
    Mouse(WM_LBUTTONUP, 20, 20);
    EXPECT_FALSE(RectSelectActive);

    host_->settings.rectangle = false;
    host_->settings.window = true;
    Press(0);
    EXPECT_TRUE(WindowPickActive);
    Mouse(WM_LBUTTONUP, 10, 10);
    EXPECT_FALSE(WindowPickActive);

    host_->settings.window = false;  // none checked: only hides
    Press(0);
    EXPECT_EQ(Files(), 3u);
    EXPECT_FALSE(RectSelectActive || WindowPickActive);
}

TEST_F(CaptureStates, RectangleSelectionCapturesTheOrderedRectangle)
{
    ToFile();
    host_->settings.format = kFormatBmp;
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
    EXPECT_EQ(BmpSize(dir_ + "\\" + names[0]), std::make_pair(200, 200));
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

// In Direct3D mode too the ticks go through GDI; only an immediate full
// screen goes through Direct3D (and says O.K.).
TEST_F(CaptureStates, TimerStartsSilentlyTicksThroughGdiAndAnyPressStopsItWithSound)
{
    std::vector<std::string> status;
    SetStatusTextSink([&](const std::string& text) { status.push_back(text); });
    ToFile();
    host_->settings.timerMode = true;
    host_->settings.useD3D = true;
    Press(1);
    EXPECT_TRUE(D().CaptureT.Enabled());
    EXPECT_EQ(D().CaptureT.Interval(), 100u);
    EXPECT_EQ(D().TimerSource, kTimerFullScreen);
    EXPECT_EQ(Files(), 0u) << "the first capture comes one interval later";
    EXPECT_EQ(g_sounds, 0);
    ASSERT_TRUE(WaitFor([&] { Pump(); return Files() >= 3; }, 10s));
    EXPECT_EQ(g_sounds, 0) << "ticks are silent";
    Press(6);
    EXPECT_FALSE(D().CaptureT.Enabled());
    EXPECT_EQ(g_sounds, 1);
    EXPECT_TRUE(status.empty()) << "a Direct3D capture would have said O.K.";

    host_->settings.timerMode = false;
    Press(1);
    EXPECT_EQ(status, std::vector<std::string>{"O.K."});
    SetStatusTextSink({});
}

TEST_F(CaptureStates, TimedSelectionsRepeatTheSameAreaWithoutAnEndSound)
{
    ToFile();
    host_->settings.timerMode = true;
    host_->settings.format = kFormatBmp;
    Press(4);
    EXPECT_EQ(g_sounds, 1);
    Mouse(WM_LBUTTONDOWN, 10, 20);
    Mouse(WM_LBUTTONUP, 60, 50);
    EXPECT_EQ(g_sounds, 1);
    EXPECT_EQ(D().TimerSource, kTimerRectangle);
    ASSERT_TRUE(WaitFor([&] { Pump(); return ListFiles(dir_, "*.bmp").size() >= 2; }, 10s));
    Press(0);  // stops
    for (const auto& name : ListFiles(dir_, "*.bmp"))
        EXPECT_EQ(BmpSize(dir_ + "\\" + name), std::make_pair(50, 30));

    Press(2);
    Mouse(WM_LBUTTONUP, 640, 400);
    EXPECT_EQ(D().TimerSource, kTimerWindow);
    EXPECT_NE(PickedWindow, nullptr) << "kept for the ticks";
    Press(0);
}

TEST_F(CaptureStates, FailingCapturesReportOnceAndNeverLeaveClicksBlocked)
{
    ToFile();
    WithHooks();
    ClickTarget target;
    CaptureDirectory = dir_ + "\\removed";
    // The box's own message loop goes on handling presses and ticks.
    int open = 0, most = 0;
    std::function<void()> whileOpen;
    SetErrorBoxDisplay([&](HWND, const std::string& text, const char*, UINT) {
        g_boxes.push_back(text);
        most = std::max(most, ++open);
        if (auto now = std::exchange(whileOpen, nullptr))
            now();
        WatchFor(300ms, Pump);  // the box stays open a while, as a user reads it
        --open;
        return IDOK;
    });
    // Shift+Print Screen held down: the key repeats while the first box is
    // open, and that failure is told once. Another failure meanwhile (the
    // folder changed, then the key repeats) is told once that box is closed.
    whileOpen = [&] {
        for (int i = 0; i < 5; ++i)
            PostMessageA(host_->Handle(), WM_PRTSCR_PRESSED, 1, 0);
        WatchFor(100ms, Pump);
        CaptureDirectory = dir_ + "\\gone";
        PostMessageA(host_->Handle(), WM_PRTSCR_PRESSED, 1, 0);
        PostMessageA(host_->Handle(), WM_PRTSCR_PRESSED, 1, 0);
    };
    Press(1);
    Pump();
    ASSERT_EQ(g_boxes.size(), 2u);
    EXPECT_EQ(g_boxes[0].rfind("Cannot create file \"" + dir_ + "\\removed\\", 0), 0u) << g_boxes[0];
    EXPECT_NE(g_boxes[1].find("\\gone\\"), std::string::npos) << g_boxes[1];
    EXPECT_EQ(g_sounds, 0);
    EXPECT_EQ(most, 1);

    // A selection whose capture fails: told, no end sound, clicks pass again.
    Press(4);
    Mouse(WM_LBUTTONDOWN, 10, 10);
    Mouse(WM_LBUTTONUP, 50, 50);
    EXPECT_EQ(g_boxes.size(), 3u);
    EXPECT_EQ(g_sounds, 1) << "the selection's start only";
    EXPECT_FALSE(RectSelectActive || Dragging);
    target.Click();
    EXPECT_TRUE(WaitFor([&] { Pump(); return g_clicks == 1; }, 5s)) << "clicks stay blocked";

    // Timer mode: the failure repeats on every tick but is told once. The
    // timer stopped and started again while its first box is open: the new
    // run tells its own first failure once the box is closed.
    host_->settings.timerMode = true;
    whileOpen = [&] {
        PostMessageA(host_->Handle(), WM_PRTSCR_PRESSED, 1, 0);  // stop
        PostMessageA(host_->Handle(), WM_PRTSCR_PRESSED, 1, 0);  // start again
    };
    Press(1);
    ASSERT_TRUE(WaitFor([&] { Pump(); return g_boxes.size() == 5u; }, 5s));
    WatchFor(500ms, Pump);  // several failing ticks
    EXPECT_TRUE(D().CaptureT.Enabled()) << "a failure does not stop the timer";
    EXPECT_EQ(g_boxes.size(), 5u);
    EXPECT_EQ(most, 1) << "boxes stacked";
    // A different failure later in the same run is told, once.
    CaptureDirectory = dir_ + "\\lost";
    ASSERT_TRUE(WaitFor([&] { Pump(); return g_boxes.size() == 6u; }, 2s)) << "the new failure was not told";
    EXPECT_NE(g_boxes[5].find("\\lost\\"), std::string::npos) << g_boxes[5];
    WatchFor(500ms, Pump);  // it repeats, and is not told again
    EXPECT_EQ(g_boxes.size(), 6u);
    Press(1);
}

TEST_F(CaptureStates, ClicksOfASelectionAreBlockedUntilItEnds)
{
    WithHooks();
    ClickTarget target;
    Press(2);  // window pick: clicks blocked
    target.Click();
    RightClick(750, 530);  // passes, and marks that the left click is done
    ASSERT_TRUE(WaitFor([&] { Pump(); return !WindowPickActive; }, 5s)) << "the pick did not end";
    EXPECT_EQ(g_clicks, 0);
    target.Click();
    EXPECT_TRUE(WaitFor([&] { Pump(); return g_clicks == 1; }, 5s)) << "clicks stay blocked";
}

// The hook cannot swallow a click meant for an elevated window (its input
// passes this program's hooks by): the pick's shield takes it all the same,
// and the pick finds the window beneath.
TEST_F(CaptureStates, APicksClickReachesNoWindowEvenWhereTheHookCannotSwallowIt)
{
    WithHooks();
    Selection().clickBlocker = nullptr;  // the hook swallows nothing
    ClickTarget target;
    MoveMouse(750, 530);
    Press(2);
    target.Click();
    ASSERT_TRUE(WaitFor([&] { Pump(); return !WindowPickActive; }, 5s)) << "the pick did not end";
    const std::optional<Pixels> shot = ClipboardBitmap();
    ASSERT_TRUE(shot.has_value());
    EXPECT_EQ(std::make_pair(shot->width, shot->height), std::make_pair(100, 60)) << "not the window beneath";
    EXPECT_EQ(g_clicks, 0) << "the pick's click reached the window";
    target.Click();
    EXPECT_TRUE(WaitFor([&] { Pump(); return g_clicks == 1; }, 5s)) << "the shield stayed";
}

// Windows drops hooks that kept it waiting, without a word: the watchdog
// sees input the hooks missed and installs them again.
TEST_F(CaptureStates, DroppedHooksComeBackAndPrintScreenCapturesAgain)
{
    ToFile();
    WithHooks();
    const HookWatchdog watchdog(*hooks_, 500);
    hooks_->DropHooks();
    PressKey(VK_SNAPSHOT, {VK_LSHIFT});
    WatchFor(300ms, Pump);
    ASSERT_EQ(Files(), 0u) << "the hooks were not dropped";
    for (int i = 0; Files() == 0 && i < 30; ++i) {  // a user working on: the hooks come back
        PressKey(VK_SNAPSHOT, {VK_LSHIFT});
        WatchFor(300ms, Pump);
    }
    EXPECT_GE(Files(), 1u) << "the hooks never came back";
}

TEST_F(CaptureStates, TicksOfASlowCaptureAreSkippedNotNestedAndAStopLeavesNoLateFiles)
{
    const SlowWindow busy(SlowWindow::Stuck::InPaint, 300);  // each capture takes longer than the interval
    ToFile();
    host_->settings.timerMode = true;
    host_->settings.format = kFormatBmp;
    // A tick handled inside another one must be skipped on the spot; one that
    // captures instead has nested.
    int depth = 0, nested = 0;
    D().CaptureT.OnTimer = [&] {
        const bool inner = depth > 0;
        const unsigned skipped = D().SkippedTicks();
        ++depth;
        if (depth > 3)
            D().CaptureT.SetEnabled(false);  // a runaway nest: end it, the test has failed
        D().TimerTick();
        --depth;
        if (inner && D().SkippedTicks() == skipped)
            ++nested;
    };
    Press(1);
    ASSERT_TRUE(WaitFor([&] { Pump(); return Files() >= 4; }, 20s));
    EXPECT_EQ(nested, 0) << "a tick captured inside a tick's capture";
    EXPECT_GT(D().SkippedTicks(), 0u);

    Press(1);  // stops: nothing is running now, so no file may follow
    const size_t stopped = Files();
    WatchFor(1200ms, Pump);  // long enough for nested ticks to unwind
    EXPECT_EQ(Files(), stopped) << "files came after the stop";
}

TEST_F(CaptureStates, CommandsDuringACaptureRunAfterItInOrderWithTheirOwnPoint)
{
    ToFile();
    host_->settings.format = kFormatBmp;
    Press(4);
    Mouse(WM_LBUTTONDOWN, 100, 100);
    ASSERT_TRUE(Dragging);
    // A press holds the capture gate while it hides the window; what comes
    // meanwhile waits: the drag's end, then Ctrl, Shift and their repeats.
    host_->onHide = [&] {
        Mouse(WM_LBUTTONUP, 180, 160);
        MoveMouse(400, 400);  // where the cursor is when the end finally runs
        for (WPARAM mask : {4, 1, 4, 1, 1})
            Press(mask);
    };
    Press(3);
    EXPECT_EQ(Files(), 0u) << "a command ran inside another";
    ASSERT_TRUE(WaitFor([&] { Pump(); return Files() == 2 && !D().CaptureT.Enabled(); }, 10s));
    WatchFor(300ms, Pump);
    EXPECT_TRUE(RectSelectActive) << "Ctrl+Print Screen was lost";
    EXPECT_EQ(host_->hidden, 4) << "repeats of one command run once";  // Ctrl, then 3, Ctrl, Shift
    std::vector<std::pair<int32_t, int32_t>> sizes;
    for (const auto& name : ListFiles(dir_, "*.bmp"))  // named by time: in the order taken
        sizes.push_back(BmpSize(dir_ + "\\" + name));
    EXPECT_EQ(sizes, (std::vector<std::pair<int32_t, int32_t>>{
                         {80, 60}, {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}}));
}

TEST_F(CaptureStates, AClickWhileTheSelectionStartsNeitherEndsItNorLeavesItStuck)
{
    ToFile();
    // Already waiting when the selection starts: handled while it freezes the screen.
    PostMessageA(host_->Handle(), WM_HOOK_MOUSE, WM_LBUTTONDOWN, 0);
    PostMessageA(host_->Handle(), WM_HOOK_MOUSE, WM_LBUTTONUP, 0);
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
    WithHooks();
    ClickTarget target;
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
    target.Click();
    EXPECT_TRUE(WaitFor([&] { Pump(); return g_clicks == 1; }, 5s)) << "clicks stay blocked";
    // Later mouse events find no selection: no more boxes, no capture.
    Mouse(WM_LBUTTONDOWN, 100, 100);
    Mouse(WM_MOUSEMOVE, 120, 120);
    Mouse(WM_LBUTTONUP, 140, 130);
    EXPECT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(Files(), 0u);
}

// The main window itself: its handlers reach the dispatcher, it samples its
// controls at each press, its timer box leaves a running timer alone, and
// its Exit ends a selection before the overlay goes.
TEST(MainWindowCommands, ControlsAreSampledAtEachPressAndExitEndsASelection)
{
    if (!ui::App().Handle())
        ui::App().Initialize();
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    SetSoundPlayer(CountSound);
    ExitRequested = false;
    auto form = std::make_unique<TMainForm>();
    const std::string dir = MakeTempDir("main-commands");
    CaptureDirectory = dir;
    auto press = [&](WPARAM mask) { SendMessageA(form->Handle(), WM_PRTSCR_PRESSED, mask, 0); };
    const ui::Timer& timer = form->Dispatcher.CaptureT;

    ui::ClickControl(form->TimerCB);
    form->TimeUD.SetPosition(250);
    press(1);
    EXPECT_TRUE(TimerMode && timer.Enabled());
    EXPECT_EQ(timer.Interval(), 250u);
    ui::ClickControl(form->TimerCB);
    EXPECT_TRUE(timer.Enabled()) << "unchecking the box stopped the timer";
    press(1);
    EXPECT_FALSE(timer.Enabled());

    for (ui::RadioButton* b : {&form->JPEGRB, &form->D3DRB, &form->RectangleRB})
        ui::ClickControl(*b);
    form->Show();
    press(0);
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(RectSelectActive);
    EXPECT_EQ(CaptureDestination, kToFile) << "timer mode left File chosen";
    EXPECT_EQ(CaptureFormat, kFormatJpeg);
    EXPECT_TRUE(UseD3D && !TimerMode);

    // Exit during the drag: it ends, its overlay goes, queued events find nothing.
    SendMessageA(form->Handle(), WM_HOOK_MOUSE, WM_LBUTTONDOWN, 0);
    PostMessageA(form->Handle(), WM_HOOK_MOUSE, WM_LBUTTONUP, 0);
    ui::CloseAction action = ui::CloseAction::Hide;
    form->FormClose(action);
    EXPECT_FALSE(RectSelectActive || Dragging);
    Pump();
    EXPECT_TRUE(ListFiles(dir).empty());
    form.reset();
    SetSoundPlayer(nullptr);
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    RemoveTree(dir);
}

}  // namespace
