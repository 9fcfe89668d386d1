// Speed figures of the program under Wine, printed side by side:
//  - the main thread's cost of WM_HOOK_MOUSE while no selection is active;
//  - the desktop's input latency (SendInput to a window's WM_MOUSEMOVE)
//    without and with the program's hooks installed;
//  - timed full-screen capture at 100 ms in each format: files per second,
//    the share of ticks that gave a file, and the median capture-to-file time.
// Run through scripts/bench-windows.sh (a 1920x1080 Wine desktop).
#include "app/CaptureState.h"
#include "app/MainUnit.h"
#include "capture/GdiCapture.h"
#include "input/HookUnit.h"
#include "tests/driver/Driver.h"
#include "tests/win/ProgramControls.h"
#include "ui/Application.h"
#include "ui/ClickControl.h"
#include "ui/ErrorBox.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace driver;
using namespace snaplark;

namespace {

double Now()
{
    LARGE_INTEGER c, f;
    QueryPerformanceCounter(&c);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

int g_moves = 0;
LRESULT CALLBACK CountMoves(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_MOUSEMOVE)
        ++g_moves;
    return DefWindowProcA(w, m, wp, lp);
}

// Median time from SendInput of a move to the window's WM_MOUSEMOVE.
double InputLatency(int samples)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = CountMoves;
    wc.lpszClassName = "LatencyProbe";
    RegisterClassA(&wc);
    HWND w = CreateWindowA("LatencyProbe", "", WS_POPUP | WS_VISIBLE, 100, 100, 400, 400, nullptr, nullptr,
                           nullptr, nullptr);
    std::vector<double> times;
    for (int i = 0; i < samples; ++i) {
        ui::App().ProcessMessages();
        const int before = g_moves;
        const double t0 = Now();
        MoveMouse(150 + (i % 2) * 100, 150 + (i % 3) * 50);
        WaitFor([&] { ui::App().ProcessMessages(); return g_moves > before; }, 2s, 0ms);
        times.push_back(Now() - t0);
    }
    DestroyWindow(w);
    return Median(times) * 1e6;
}

}  // namespace

int main()
{
    ui::App().Initialize();
    SetErrorBoxDisplay([](HWND, const std::string& text, const char*, UINT) {
        std::printf("error: %s\n", text.c_str());
        return IDOK;
    });
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    std::printf("screen %dx%d\n", width, height);

    const double latencyWithout = InputLatency(200);

    auto* form = new TMainForm;  // installs the hooks, like the program
    const double latencyWith = InputLatency(200);
    std::printf("input latency (median, SendInput to WM_MOUSEMOVE): %.0f us without hooks, %.0f us with\n",
                latencyWithout, latencyWith);

    // The idle cost of a mouse event on the main thread.
    constexpr int kCalls = 2000000;
    double t0 = Now();
    for (int i = 0; i < kCalls; ++i)
        form->WMHookMouse(WM_MOUSEMOVE);
    const double handler = (Now() - t0) / kCalls;
    t0 = Now();
    for (int i = 0; i < 10000; ++i)
        SendMessageA(form->Handle(), WM_HOOK_MOUSE, WM_MOUSEMOVE, 0);
    const double dispatched = (Now() - t0) / 10000;
    std::printf("WMHookMouse while idle: %.1f ns per call; %.2f us per message through the window\n",
                handler * 1e9, dispatched * 1e6);

    // 10,000 real mouse moves through the hooks: main-thread time per message.
    int handled = 0;
    double spent = 0;
    form->SetMessageHandler(WM_HOOK_MOUSE, [&](WPARAM w, LPARAM) -> LRESULT {
        const double s = Now();
        form->WMHookMouse(w);
        spent += Now() - s;
        ++handled;
        return 0;
    });
    for (int i = 0; i < 10000; ++i) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dx = 1 - 2 * (i % 2);
        in.mi.dwFlags = MOUSEEVENTF_MOVE;
        SendInput(1, &in, sizeof in);
        if (i % 100 == 0)
            ui::App().ProcessMessages();
    }
    WaitFor([&] { ui::App().ProcessMessages(); return handled >= 10000; }, 20s, 1ms);
    std::printf("10000 moves sent, %d WM_HOOK_MOUSE handled, %.2f us of handler time each\n", handled,
                handled ? spent / handled * 1e6 : 0.0);

    // Timed full-screen capture at 100 ms, 20 s per format.
    const std::string dir = MakeTempDir("bench");
    CaptureDirectory = dir;
    ui::ClickControl(form->TimerCB);
    form->TimeUD.SetPosition(100);
    struct Format {
        const char* name;
        ui::RadioButton* button;
        uint8_t code;
    } formats[] = {{"PNG", &form->PNGRB, kFormatPng}, {"JPEG", &form->JPEGRB, kFormatJpeg}, {"BMP", &form->BMPRB, kFormatBmp}};
    for (const auto& f : formats) {
        ui::ClickControl(*f.button);
        RemoveTree(dir);
        CreateDirectoryA(dir.c_str(), nullptr);
        SendMessageA(form->Handle(), WM_PRTSCR_PRESSED, 1, 0);
        const double start = Now();
        WaitFor([&] { ui::App().ProcessMessages(); return Now() - start > 20; }, 25s, 1ms);
        SendMessageA(form->Handle(), WM_PRTSCR_PRESSED, 1, 0);  // stops
        const double elapsed = Now() - start;
        const size_t files = ListFiles(dir).size();
        const double ticks = elapsed / 0.1;

        CaptureDestination = kToFile;
        CaptureFormat = f.code;
        std::vector<double> times;
        for (int i = 0; i < 25; ++i) {
            const double s = Now();
            CaptureFullScreen();
            times.push_back(Now() - s);
        }
        std::printf("%-4s timed at 100 ms for %.1f s: %zu files, %.1f per second, %.0f%% of ticks; "
                    "median capture-to-file %.1f ms\n",
                    f.name, elapsed, files, files / elapsed, 100.0 * files / ticks, Median(times) * 1e3);
    }
    RemoveTree(dir);
    ui::CloseAction action = ui::CloseAction::Hide;
    form->FormClose(action);
    delete form;
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    return 0;
}
