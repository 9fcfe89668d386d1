// Proves the test desktop: input sent with SendInput from this process reaches
// the low-level hooks of another process, with the modifier state readable
// through GetKeyState, as Snaplark's own hooks will need.
#include "tests/driver/Driver.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace driver;

namespace {

class HookProbe : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = MakeTempDir("probe");
        log_ = dir_ + "\\hooks.log";
        const std::string eventName = "SnaplarkProbeQuit" + std::to_string(GetCurrentProcessId());
        quit_ = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
        probe_ = Start(ExeDir() + "\\hook_probe.exe", "\"" + log_ + "\" " + eventName);
        ASSERT_TRUE(WaitFor([&] { return Count("READY") == 1; })) << "the probe's hooks did not start";
    }

    void TearDown() override
    {
        SetEvent(quit_);
        EXPECT_EQ(probe_.Wait(10s), std::optional<DWORD>(0));
        CloseHandle(quit_);
        RemoveTree(dir_);
    }

    std::vector<std::string> Lines()
    {
        std::vector<std::string> lines;
        if (!FileExists(log_))
            return lines;
        const auto bytes = ReadFileBytes(log_);
        std::istringstream in(std::string(bytes.begin(), bytes.end()));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    size_t Count(const std::string& prefix)
    {
        size_t n = 0;
        for (const auto& l : Lines())
            n += l.rfind(prefix, 0) == 0;
        return n;
    }

    std::string dir_, log_;
    HANDLE quit_ = nullptr;
    Process probe_;
};

TEST_F(HookProbe, PrintScreenCarriesEveryModifierMask)
{
    struct Case {
        std::vector<WORD> keys;
        int mask;
    };
    const std::vector<Case> cases = {
        {{}, 0},
        {{VK_LSHIFT}, 1}, {{VK_RSHIFT}, 1},
        {{VK_LMENU}, 2}, {{VK_RMENU}, 2},
        {{VK_LCONTROL}, 4}, {{VK_RCONTROL}, 4},
        {{VK_LSHIFT, VK_LMENU}, 3},
        {{VK_LSHIFT, VK_RCONTROL}, 5},
        {{VK_RCONTROL, VK_LMENU}, 6},
        {{VK_LCONTROL, VK_RMENU, VK_RSHIFT}, 7},
    };
    size_t before = Count("P ");
    for (const auto& c : cases) {
        PressKey(VK_SNAPSHOT, c.keys);
        ASSERT_TRUE(WaitFor([&] { return Count("P ") == before + 1; }))
            << "no Print Screen event for mask " << c.mask;
        EXPECT_EQ(Lines().back(), "P " + std::to_string(c.mask));
        before += 1;
    }
}

TEST_F(HookProbe, KeyUpAndOtherKeysAreTold)
{
    KeyDown(VK_SNAPSHOT);
    KeyDown(VK_SNAPSHOT);  // auto-repeat: a second key-down without an up
    KeyUp(VK_SNAPSHOT);
    PressKey('A');
    ASSERT_TRUE(WaitFor([&] { return Count("K 41") == 1; }));
    EXPECT_EQ(Count("P "), 2u);
}

TEST_F(HookProbe, MouseEventsReachTheHook)
{
    MoveMouse(300, 200);
    LeftClick(310, 210);
    RightClick(320, 220);
    ASSERT_TRUE(WaitFor([&] { return Count("M 205") == 1; })) << "no right button up";
    EXPECT_GE(Count("M 200"), 1u);
    EXPECT_EQ(Count("M 201"), 1u);
    EXPECT_EQ(Count("M 202"), 1u);
    EXPECT_EQ(Count("M 204"), 1u);
    POINT p;
    ASSERT_TRUE(GetCursorPos(&p));
    EXPECT_EQ(p.x, 320);
    EXPECT_EQ(p.y, 220);
}

}  // namespace
