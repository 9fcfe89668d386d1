// The hook thread with real input from SendInput: what reaches the main
// window, and which clicks a window under the cursor gets while blocked.
#include "input/HookUnit.h"
#include "tests/driver/Driver.h"

#include <gtest/gtest.h>

#include <vector>

using namespace driver;
using namespace snaplark;

namespace {

std::vector<MSG> g_posts;        // what the hooks posted to the "main window"
std::vector<UINT> g_targetMsgs;  // mouse messages the window under the cursor got

LRESULT CALLBACK MainProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_PRTSCR_PRESSED || m == WM_HOOK_MOUSE)
        g_posts.push_back(MSG{w, m, wp, lp, 0, {}});
    return DefWindowProcA(w, m, wp, lp);
}

LRESULT CALLBACK TargetProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    switch (m) {
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_NCLBUTTONDOWN: case WM_NCLBUTTONUP:
    case WM_RBUTTONDOWN: case WM_RBUTTONUP: case WM_MOUSEMOVE:
        g_targetMsgs.push_back(m);
        break;
    }
    return DefWindowProcA(w, m, wp, lp);
}

bool PumpUntil(const std::function<bool()>& cond, Ms timeout = 5s)
{
    return WaitFor([&] { Pump(); return cond(); }, timeout, 5ms);
}

size_t Count(std::vector<UINT>& v, UINT m) { return std::count(v.begin(), v.end(), m); }

std::vector<WPARAM> KeyPosts()
{
    std::vector<WPARAM> masks;
    for (const auto& p : g_posts)
        if (p.message == WM_PRTSCR_PRESSED)
            masks.push_back(p.wParam);
    return masks;
}

size_t MousePosts(WPARAM which)
{
    size_t n = 0;
    for (const auto& p : g_posts)
        n += p.message == WM_HOOK_MOUSE && p.wParam == which;
    return n;
}

class HookUnit : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = MainProc;
        wc.lpszClassName = "HookTestMain";
        RegisterClassA(&wc);
        wc.lpfnWndProc = TargetProc;
        wc.lpszClassName = "HookTestTarget";
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        RegisterClassA(&wc);
    }

    void SetUp() override
    {
        g_posts.clear();
        g_targetMsgs.clear();
        main_ = CreateWindowA("HookTestMain", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        target_ = CreateWindowA("HookTestTarget", "Target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 150,
                                400, 300, nullptr, nullptr, nullptr, nullptr);
        SetForegroundWindow(target_);
        thread_ = new HookThread(main_);
        thread_->Resume();
        // The hooks are in once a first event comes through.
        ASSERT_TRUE(PumpUntil([&] {
            MoveMouse(50 + static_cast<int>(g_posts.size() % 2), 50);
            return MousePosts(WM_MOUSEMOVE) > 0;
        })) << "the hooks never saw the mouse";
        g_posts.clear();
    }

    void TearDown() override
    {
        // Never leave clicks blocked, whatever the test did.
        if (thread_)
            PostToHookThread(*thread_, WM_BLOCK_CLICKS, 0);
        StopHookThread(thread_);
        DestroyWindow(target_);
        DestroyWindow(main_);
        Pump();
    }

    HWND main_ = nullptr;
    HWND target_ = nullptr;
    HookThread* thread_ = nullptr;
};

TEST_F(HookUnit, PrintScreenPostsItsModifierMask)
{
    struct Case {
        std::vector<WORD> keys;
        WPARAM mask;
    };
    const std::vector<Case> cases = {
        {{}, 0}, {{VK_LSHIFT}, 1}, {{VK_RSHIFT}, 1}, {{VK_LMENU}, 2}, {{VK_RMENU}, 2},
        {{VK_LCONTROL}, 4}, {{VK_RCONTROL}, 4}, {{VK_LSHIFT, VK_LMENU}, 3},
        {{VK_RSHIFT, VK_LCONTROL}, 5}, {{VK_LCONTROL, VK_RMENU}, 6},
        {{VK_RCONTROL, VK_LMENU, VK_LSHIFT}, 7},
    };
    std::vector<WPARAM> expected;
    for (const auto& c : cases) {
        PressKey(VK_SNAPSHOT, c.keys);
        expected.push_back(c.mask);
        ASSERT_TRUE(PumpUntil([&] { return KeyPosts().size() == expected.size(); })) << c.mask;
    }
    EXPECT_EQ(KeyPosts(), expected);
}

TEST_F(HookUnit, OnlyPrintScreenKeyDownsPost)
{
    PressKey('A');
    PressKey(VK_F5);
    KeyDown(VK_SNAPSHOT);
    KeyDown(VK_SNAPSHOT);  // auto-repeat posts again
    KeyUp(VK_SNAPSHOT);    // a release posts nothing
    PressKey(VK_SNAPSHOT, {VK_LSHIFT});  // the marker that everything before has passed
    ASSERT_TRUE(PumpUntil([&] { return !KeyPosts().empty() && KeyPosts().back() == 1; }));
    EXPECT_EQ(KeyPosts(), (std::vector<WPARAM>{0, 0, 1}));
}

TEST_F(HookUnit, EveryMouseEventIsPosted)
{
    LeftClick(300, 300);
    RightClick(310, 310);
    ASSERT_TRUE(PumpUntil([&] { return MousePosts(WM_RBUTTONUP) == 1; }));
    EXPECT_GE(MousePosts(WM_MOUSEMOVE), 1u);
    EXPECT_EQ(MousePosts(WM_LBUTTONDOWN), 1u);
    EXPECT_EQ(MousePosts(WM_LBUTTONUP), 1u);
    EXPECT_EQ(MousePosts(WM_RBUTTONDOWN), 1u);
}

TEST_F(HookUnit, BlockedLeftClicksAreSwallowedButStillPosted)
{
    RECT client;
    GetClientRect(target_, &client);
    POINT inside{100, 100};
    ClientToScreen(target_, &inside);
    RECT frame;
    GetWindowRect(target_, &frame);
    const POINT title{frame.left + 60, frame.top + GetSystemMetrics(SM_CYFRAME) + 5};

    ASSERT_TRUE(PostToHookThread(*thread_, WM_BLOCK_CLICKS, 1));
    LeftClick(inside.x, inside.y);
    LeftClick(title.x, title.y);
    RightClick(inside.x, inside.y);  // passes: marks that the clicks before it are done
    ASSERT_TRUE(PumpUntil([&] { return Count(g_targetMsgs, WM_RBUTTONUP) == 1; }));
    EXPECT_EQ(Count(g_targetMsgs, WM_LBUTTONDOWN), 0u);
    EXPECT_EQ(Count(g_targetMsgs, WM_LBUTTONUP), 0u);
    EXPECT_EQ(Count(g_targetMsgs, WM_NCLBUTTONDOWN), 0u);
    EXPECT_EQ(Count(g_targetMsgs, WM_NCLBUTTONUP), 0u);
    EXPECT_GE(Count(g_targetMsgs, WM_MOUSEMOVE), 1u);
    EXPECT_EQ(Count(g_targetMsgs, WM_RBUTTONDOWN), 1u);
    ASSERT_TRUE(PumpUntil([&] { return MousePosts(WM_LBUTTONUP) == 2; }));
    EXPECT_EQ(MousePosts(WM_LBUTTONDOWN), 2u);

    ASSERT_TRUE(PostToHookThread(*thread_, WM_BLOCK_CLICKS, 0));
    LeftClick(inside.x + 5, inside.y + 5);
    ASSERT_TRUE(PumpUntil([&] { return Count(g_targetMsgs, WM_LBUTTONUP) == 1; }));
    EXPECT_EQ(Count(g_targetMsgs, WM_LBUTTONDOWN), 1u);
}

TEST_F(HookUnit, NothingIsPostedAfterShutdown)
{
    StopHookThread(thread_);
    EXPECT_EQ(thread_, nullptr);
    Pump();  // what the hooks posted before they went
    g_posts.clear();
    PressKey(VK_SNAPSHOT, {VK_LSHIFT});
    MoveMouse(400, 400);
    // Nothing can announce an absence: give the desktop a generous moment.
    PumpUntil([] { return false; }, 500ms);
    EXPECT_TRUE(g_posts.empty()) << "first: " << g_posts.front().message << " " << g_posts.front().wParam;
}

HHOOK WINAPI RefuseHook(int, HOOKPROC, HINSTANCE, DWORD)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
}

// Another program's hook, installed before these, comes later in the chain:
// it sees Print Screen too. And hooks that cannot be installed afresh are
// kept as they were, not removed.
TEST_F(HookUnit, PrintScreenGoesOnToTheNextHookAndARefusedRenewalKeepsTheHooks)
{
    StopHookThread(thread_);
    const std::string dir = MakeTempDir("chain"), log = dir + "\\hooks.log";
    const std::string quitName = "SnaplarkChainQuit" + std::to_string(GetCurrentProcessId());
    HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, quitName.c_str());
    Process probe = Start(ExeDir() + "\\hook_probe.exe", "\"" + log + "\" " + quitName);
    const auto logged = [&](const std::string& line) {
        const auto bytes = FileExists(log) ? ReadFileBytes(log) : std::vector<uint8_t>{};
        return std::string(bytes.begin(), bytes.end()).find(line + "\n") != std::string::npos;
    };
    ASSERT_TRUE(WaitFor([&] { return logged("READY"); })) << "the other program's hooks did not start";
    thread_ = new HookThread(main_);
    thread_->Resume();
    ASSERT_TRUE(PumpUntil([&] {
        MoveMouse(60 + static_cast<int>(g_posts.size() % 2), 60);
        return MousePosts(WM_MOUSEMOVE) > 0;
    }));

    SetHookInstaller(RefuseHook);
    ASSERT_TRUE(PostToHookThread(*thread_, WM_RENEW_HOOKS, 0));
    PressKey(VK_SNAPSHOT, {VK_LSHIFT});
    EXPECT_TRUE(PumpUntil([] { return KeyPosts() == std::vector<WPARAM>{1}; })) << "the hooks went";
    EXPECT_TRUE(WaitFor([&] { return logged("P 1"); })) << "the next hook never saw Print Screen";
    SetHookInstaller(nullptr);
    SetEvent(quit);
    EXPECT_EQ(probe.Wait(10s), std::optional<DWORD>(0));
    CloseHandle(quit);
    RemoveTree(dir);
}

TEST_F(HookUnit, PostingToAnEndedThreadGivesUp)
{
    HookThread* ended = thread_;
    PostToHookThread(*ended, WM_QUIT, 0);
    ended->WaitFor();
    EXPECT_FALSE(PostToHookThread(*ended, WM_BLOCK_CLICKS, 1));
    delete ended;
    thread_ = nullptr;
}

}  // namespace
