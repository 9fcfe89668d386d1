// Speed figures of the program under Wine, printed side by side:
//  - the main thread's cost of WM_HOOK_MOUSE while no selection is active;
//  - the desktop's input latency (SendInput to a window's WM_MOUSEMOVE)
//    without and with the program's hooks installed;
//  - a full-screen capture to a file in each format, split into its steps
//    (repaint walk, screen copy, pixel fetch, encoding, writing), each step
//    called directly, beside the whole capture through the program's own call;
//  - timed full-screen capture at 100 ms in each format: files per second,
//    the share of ticks that gave a file, and the median capture-to-file time.
// Run through scripts/bench-windows.sh (a 1920x1080 Wine desktop with a
// photo wallpaper); --steps-only prints the step split alone.
#include "capture/CaptureState.h"
#include "app/MainUnit.h"
#include "capture/BmpLayout.h"
#include "capture/DibCopy.h"
#include "capture/FileSink.h"
#include "capture/GdiCapture.h"
#include "capture/JpegEncoder.h"
#include "capture/OutputStage.h"
#include "capture/PngEncoder.h"
#include "capture/RedrawAllWindows.h"
#include "input/HookUnit.h"
#include "tests/driver/Driver.h"
#include "tests/win/ProgramControls.h"
#include "ui/Application.h"
#include "ui/ClickControl.h"
#include "ui/ErrorBox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

using namespace driver;
using namespace snaplark;
using namespace snaplark::ui;

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

// The steps of one full-screen capture to a file, in the program's order and
// with its calls, each timed on its own. The encoder writes to memory here
// and the bytes go to the file in one write afterwards; in the program the
// PNG writer hands its chunks to the file as it goes.
struct Steps {
    double repaint = 0, copy = 0, fetch = 0, encode = 0, write = 0;
    double Total() const { return repaint + copy + fetch + encode + write; }
};

Steps CaptureSteps(uint8_t format, const DeflateThreads& pngThreads, const std::string& path)
{
    Steps s;
    double t = Now();
    RedrawAllWindows();
    s.repaint = Now() - t;

    t = Now();
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    UniqueBitmap bitmap;
    {
        WindowDc screen(nullptr, WindowDc::Client);
        bitmap.Reset(CreateCompatibleBitmap(screen.Get(), width, height));
        UniqueMemoryDc dc(CreateCompatibleDC(screen.Get()));
        SelectGuard select(dc.Get(), bitmap.Get());
        PatBlt(dc.Get(), 0, 0, width, height, WHITENESS);
        WindowDc source(GetDesktopWindow(), WindowDc::Whole);
        StretchBlt(dc.Get(), 0, 0, width, height, source.Get(), 0, 0, width, height, SRCCOPY);
    }
    s.copy = Now() - t;

    t = Now();
    const DibCopy dib(bitmap.Get(), format == kFormatBmp ? ShapeOf(bitmap.Get()).bitCount : 24);
    s.fetch = Now() - t;

    t = Now();
    VectorSink encoded;
    if (format == kFormatPng)
        WritePng(encoded, dib.View(), pngThreads);
    else if (format == kFormatJpeg)
        WriteJpeg(encoded, dib.View());
    else
        WriteBmp(encoded, dib.View());
    s.encode = Now() - t;

    t = Now();
    {
        FileSink file(path);
        file.Write(encoded.bytes.data(), encoded.bytes.size());
        file.Commit();
    }
    s.write = Now() - t;
    return s;
}

// Medians of each step and of the whole capture through CaptureFullScreen.
void PrintCaptureSteps(const std::string& dir, int runs)
{
    std::printf("\nfull-screen capture to a file, step by step (median of %d, ms; whole = CaptureFullScreen)\n",
                runs);
    std::printf("%-22s %8s %8s %8s %8s %8s %8s %8s\n", "format", "repaint", "copy", "fetch", "encode",
                "write", "sum", "whole");
    DeflateThreads oneCore = PngFileThreads();
    oneCore.threads = 1;
    const struct {
        const char* name;
        uint8_t format;
        DeflateThreads threads;
        bool whole;
    } rows[] = {{"PNG, all cores", kFormatPng, PngFileThreads(), true},
                {"PNG, encoding 1 core", kFormatPng, oneCore, false},
                {"JPEG", kFormatJpeg, {}, true},
                {"BMP", kFormatBmp, {}, true}};
    for (const auto& r : rows) {
        std::vector<double> repaint, copy, fetch, encode, write, sum, whole;
        for (int i = 0; i < runs; ++i) {
            const Steps s = CaptureSteps(r.format, r.threads, dir + "\\steps");
            repaint.push_back(s.repaint);
            copy.push_back(s.copy);
            fetch.push_back(s.fetch);
            encode.push_back(s.encode);
            write.push_back(s.write);
            sum.push_back(s.Total());
            if (r.whole) {
                CaptureDestination = kToFile;
                CaptureFormat = r.format;
                const double t = Now();
                CaptureFullScreen();
                whole.push_back(Now() - t);
            }
        }
        char wholeText[16] = "-";
        if (r.whole)
            std::snprintf(wholeText, sizeof wholeText, "%.1f", Median(whole) * 1e3);
        std::printf("%-22s %8.1f %8.1f %8.1f %8.1f %8.1f %8.1f %8s\n", r.name, Median(repaint) * 1e3,
                    Median(copy) * 1e3, Median(fetch) * 1e3, Median(encode) * 1e3, Median(write) * 1e3,
                    Median(sum) * 1e3, wholeText);
    }
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
}

void CloseForm(TMainForm* form)
{
    ui::CloseAction action = ui::CloseAction::Hide;
    form->FormClose(action);
    delete form;
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
}

}  // namespace

int main(int argc, char** argv)
{
    bool stepsOnly = false;
    for (int i = 1; i < argc; ++i)
        stepsOnly = stepsOnly || std::strcmp(argv[i], "--steps-only") == 0;

    ui::App().Initialize();
    SetErrorBoxDisplay([](HWND, const std::string& text, const char*, UINT) {
        std::printf("error: %s\n", text.c_str());
        return IDOK;
    });
    DeleteTree(HKEY_CURRENT_USER, program::kSettingsKey);
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    std::printf("screen %dx%d, %u cores\n", width, height, std::thread::hardware_concurrency());
    if (stepsOnly) {
        auto* form = new TMainForm;  // the program's own windows take part in the repaint walk
        const std::string dir = MakeTempDir("bench");
        CaptureDirectory = dir;
        PrintCaptureSteps(dir, 15);
        RemoveTree(dir);
        CloseForm(form);
        return 0;
    }

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

    const std::string dir = MakeTempDir("bench");
    CaptureDirectory = dir;
    PrintCaptureSteps(dir, 15);

    // Timed full-screen capture at 100 ms, 20 s per format.
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
        const unsigned skippedBefore = form->Dispatcher.SkippedTicks();
        SendMessageA(form->Handle(), WM_PRTSCR_PRESSED, 1, 0);
        const double start = Now();
        // One message at a time, so the phase ends on time however long a
        // capture takes: with captures slower than the interval a tick is
        // always due, and a pump until the queue is empty would never return.
        while (Now() - start < 20) {
            MSG msg;
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            } else {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
            }
        }
        SendMessageA(form->Handle(), WM_PRTSCR_PRESSED, 1, 0);  // stops
        const double elapsed = Now() - start;
        const size_t files = ListFiles(dir).size();
        const double ticks = elapsed / 0.1;
        const unsigned skipped = form->Dispatcher.SkippedTicks() - skippedBefore;

        CaptureDestination = kToFile;
        CaptureFormat = f.code;
        std::vector<double> times;
        for (int i = 0; i < 25; ++i) {
            const double s = Now();
            CaptureFullScreen();
            times.push_back(Now() - s);
        }
        std::printf("%-4s timed at 100 ms for %.1f s: %zu files, %.1f per second, %.0f%% of ticks, "
                    "%u ticks skipped while a capture ran; median capture-to-file %.1f ms\n",
                    f.name, elapsed, files, files / elapsed, 100.0 * files / ticks, skipped,
                    Median(times) * 1e3);
    }
    RemoveTree(dir);
    CloseForm(form);
    return 0;
}
