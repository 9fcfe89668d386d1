#include "app/MainUnit.h"

#include <shlobj.h>

#include <cwchar>
#include <exception>
#include <optional>

#include "app/DirectoryCaption.h"
#include "app/FileVersion.h"
#include "app/RunningCopy.h"
#include "app/SettingsStore.h"
#include "capture/CaptureState.h"
#include "capture/CaptureUnit.h"
#include "capture/ClickShield.h"
#include "capture/FrameUnit.h"
#include "capture/SelectionAids.h"
#include "capture/StatusText.h"
#include "capture/CaptureError.h"
#include "input/KbdUnit.h"
#include "resources/ResourceIds.h"
#include "ui/Application.h"
#include "ui/ClickControl.h"
#include "ui/MessageFilter.h"
#include "ui/SystemError.h"
#include "ui/SystemLibrary.h"
#include "ui/WideText.h"

namespace snaplark {

TMainForm* MainForm = nullptr;
bool ExitRequested = false;
HANDLE InstanceMutex = nullptr;
OSVERSIONINFOEXA OsVersionInfo{};
std::unique_ptr<HookThread> HookThreadObj;

namespace {

constexpr DWORD kOsVersionInfoSize = 156;
// The longest path Windows has, in UTF-16 units with the terminator.
constexpr std::size_t kMaxLongPath = 32768;
static_assert(sizeof(OSVERSIONINFOEXA) == kOsVersionInfoSize);

using GetVersionExAFunction = BOOL(WINAPI*)(LPOSVERSIONINFOA);
using GetPathFromIDListExFunction = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, PWSTR, DWORD, GPFIDL_FLAGS);

// The file-system path of a folder the dialog returned, nothing when it has
// none. Vista and later give paths longer than MAX_PATH too (a folder deep
// in a synchronised tree); before that the shell gives none longer.
std::optional<std::string> FolderPath(PCIDLIST_ABSOLUTE item)
{
    static const auto getPathEx =
        ui::SystemFunction<GetPathFromIDListExFunction>(L"shell32.dll", "SHGetPathFromIDListEx");
    std::wstring path(getPathEx ? kMaxLongPath : MAX_PATH, L'\0');
    const BOOL got = getPathEx
                         ? getPathEx(item, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT)
                         : SHGetPathFromIDListW(item, path.data());
    path.resize(got ? wcsnlen(path.c_str(), path.size()) : 0);
    if (path.empty())
        return std::nullopt;
    return ui::ToUtf8(path);
}

}  // namespace

TMainForm::TMainForm()
    : Form("TMainForm", "Snaplark", kMainClientWidth, kMainClientHeight,
           kSingleBorder | WS_MINIMIZEBOX)
{
    MainForm = this;
    CreateControls();
    CreateTrayMenu();
    SetContextMenu(&PopupMenu);
    CoolTrayIcon.OnClick = [this] { CoolTrayIconClick(); };
    CoolTrayIcon.OnMinimizeToTray = [this] { CoolTrayIconMinimizeToTray(); };
    Dispatcher.CaptureT.OnTimer = [this] { CaptureTTimer(); };

    OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
    OnClose = [this](ui::CloseAction& action) { FormClose(action); };
    SetMessageHandler(WM_QUERYENDSESSION,
                      [this](WPARAM w, LPARAM l) { return EndSessionQuery(w, l); });
    SetMessageHandler(WM_ENDSESSION, [this](WPARAM w, LPARAM l) { return EndSession(w, l); });
    SetMessageHandler(WM_WTSSESSION_CHANGE, [this](WPARAM w, LPARAM) -> LRESULT {
        WMWtsSessionChange(w);
        return 0;
    });
    SetMessageHandler(WM_POWERBROADCAST, [this](WPARAM w, LPARAM l) {
        WMPowerBroadcast(w);
        return DefaultHandling(WM_POWERBROADCAST, w, l);
    });
    SetMessageHandler(WM_PRTSCR_PRESSED, [this](WPARAM w, LPARAM) -> LRESULT {
        WMPrtScrPressed(w);
        return 0;
    });
    SetMessageHandler(WM_HOOK_MOUSE, [this](WPARAM w, LPARAM) -> LRESULT {
        WMHookMouse(w);
        return 0;
    });
    SetMessageHandler(WM_RUN_DEFERRED, [this](WPARAM, LPARAM) -> LRESULT {
        Dispatcher.RunDeferred();
        return 0;
    });
    SetMessageHandler(WM_HOOKS_FAILED, [this](WPARAM w, LPARAM) -> LRESULT {
        WMHooksFailed(static_cast<DWORD>(w));
        return 0;
    });
    // A second start asks this copy to show itself; it may come from a copy
    // that is not elevated while this one is.
    SetMessageHandler(ShowMainWindowMessage(), [this](WPARAM, LPARAM) -> LRESULT {
        ShowFromTray();
        return 0;
    });
    ui::LetMessageIn(Handle(), ShowMainWindowMessage());
    ui::App().OnMinimize = [this] { ApplicationEvents1Minimize(); };

    try {
        FormCreate();
    } catch (...) {
        StartUpFailed(std::current_exception());
    }
}

void TMainForm::StartUpFailed(std::exception_ptr error)
{
    // Never resident without the tray icon, where the user could neither
    // reach the program nor end it: what start-up began is stopped, nothing
    // is stored (the controls may not hold the settings yet), and the
    // program ends once the error has been read.
    CoolTrayIcon.SetIconVisible(false);
    ui::CloseAction action = ui::CloseAction::Hide;
    FormClose(action);
    ui::App().HandleException(error);
    PostQuitMessage(1);
}

TMainForm::~TMainForm()
{
    SetStatusTextSink({});
    Selection().soundWanted = nullptr;
    ui::App().OnMinimize = nullptr;
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::CreateControls()
{
    SGB.Create(*this, 4, 4, 217, 33, "Source");
    FullscreenRB.Create(SGB, 8, 12, 69, 17, "Fullscreen");
    RectangleRB.Create(SGB, 84, 12, 69, 17, "Rectangle");
    WindowRB.Create(SGB, 152, 12, 60, 17, "Window");
    FullscreenRB.OnClick = [this] { FullscreenRBClick(); };
    RectangleRB.OnClick = [this] { RectangleRBClick(); };
    WindowRB.OnClick = [this] { WindowRBClick(); };

    ModeGB.Create(*this, 4, 40, 217, 37, "Mode");
    GDIRB.Create(ModeGB, 8, 16, 41, 17, "GDI", true);
    D3DRB.Create(ModeGB, 84, 16, 41, 17, "D3D");
    D3DRB.OnClick = [this] { D3DRBClick(); };

    DestGB.Create(*this, 4, 80, 217, 33, "Destination");
    ToClipboardRB.Create(DestGB, 8, 12, 69, 17, "Clipboard");
    ToFileRB.Create(DestGB, 84, 12, 41, 17, "File");
    ToClipboardRB.OnClick = [this] { ToClipboardRBClick(); };
    ToFileRB.OnClick = [this] { ToFileRBClick(); };

    GroupBox2.Create(*this, 4, 116, 217, 45, "Directory");
    DirSelSB.Create(GroupBox2, 8, 16, 23, 22, "DIRSEL");
    DirSelSB.OnClick = [this] { DirSelSBClick(); };
    DirL.Create(GroupBox2, 36, 20, "...");
    // The window's face is a bitmap font with the letters of one code page;
    // its TrueType form draws a folder name in any language, and Windows
    // links it to the CJK and symbol fonts for what it lacks itself.
    DirL.SetFontFace("Microsoft Sans Serif", -11);

    GroupBox1.Create(*this, 4, 160, 217, 41, "On Timer");
    TimerCB.Create(GroupBox1, 8, 16, 61, 17, "Enabled");
    TimerCB.OnClick = [this] { TimerCBClick(); };
    Label6.Create(GroupBox1, 68, 18, "Interval:");
    TimeE.Create(GroupBox1, 108, 14, 33, 21, "300");
    TimeUD.Create(GroupBox1, 141, 14, 16, 21, TimeE, 100, 5000, 10, 300);
    Label5.Create(GroupBox1, 160, 18, "ms");

    FormatGB.Create(*this, 4, 200, 217, 37, "Format");
    PNGRB.Create(FormatGB, 8, 16, 49, 17, "PNG");
    JPEGRB.Create(FormatGB, 56, 16, 49, 17, "JPEG");
    BMPRB.Create(FormatGB, 112, 16, 49, 17, "BMP");

    AutorunCB.Create(*this, 4, 240, 57, 17, "Autorun");
    SoundCB.Create(*this, 76, 240, 53, 17, "Sound", true);
    KeysSB.Create(*this, 144, 240, 23, 22, "KEYS", "Keys");
    SaveSetSB.Create(*this, 168, 240, 23, 22, "SAVESET", "Save Settings");
    ExitSB.Create(*this, 192, 240, 23, 22, "EXIT", "Exit");
    KeysSB.OnClick = [this] { KeysSBClick(); };
    SaveSetSB.OnClick = [this] { SaveSetSBClick(); };
    ExitSB.OnClick = [this] { ExitSBClick(); };

    CreateAboutPanel();
    StatusSB.Create(*this, 0, 400, 223, 19);
    SetStatusTextSink([this](const std::string& text) { StatusSB.SetText(text); });
    Selection().soundWanted = [] { return MainForm && MainForm->SoundCB.Checked(); };
}

void TMainForm::FormCreate()
{
    ui::Application& app = ui::App();
    // The program starts resident: the main window stays hidden when the
    // message loop starts, and only the tray icon shows.
    app.SetShowMainForm(false);
    app.ProcessMessages();

    // One copy only; a second one shows the running copy's main window and
    // ends. A first copy that runs elevated keeps this one from opening its
    // mutex at all: that is "already running" too.
    SetLastError(0);
    InstanceMutex = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
    const DWORD mutexError = GetLastError();
    if (mutexError == ERROR_ALREADY_EXISTS || mutexError == ERROR_ACCESS_DENIED) {
        ShowRunningCopy();
        PostQuitMessage(0);
        return;
    }

    // The Windows version. Looked up rather than imported, so a system
    // without GetVersionExA still starts far enough to end quietly below.
    HMODULE kernel = LoadLibraryA("kernel32.dll");
    auto getVersionEx = kernel ? reinterpret_cast<GetVersionExAFunction>(reinterpret_cast<void*>(
                                     GetProcAddress(kernel, "GetVersionExA")))
                               : nullptr;
    OsVersionInfo.dwOSVersionInfoSize = kOsVersionInfoSize;
    if (getVersionEx)
        getVersionEx(reinterpret_cast<LPOSVERSIONINFOA>(&OsVersionInfo));

    ShowOsVersion();

    // Windows 2000 or a later NT only; anything older ends silently.
    if (OsVersionInfo.dwPlatformId != VER_PLATFORM_WIN32_NT || OsVersionInfo.dwMajorVersion < 5) {
        PostQuitMessage(0);
        return;
    }

    // The program's own version for the About panel; kernel32 is no longer
    // needed.
    VersionL.SetText(ReadFileVersion());
    if (kernel)
        FreeLibrary(kernel);
    getVersionEx = nullptr;

    // High priority for the whole process. Results ignored: the program
    // works at any priority.
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);

    // The Keys window and the selection overlay, both hidden.
    CreateKbdForm();
    CreateCaptureForm();
    CreateFrameForm();
    CreateClickShield();
    // The stored settings into the controls, then the autorun check box.
    LoadSettings(*this);
    ApplyAutorunState(*this);
    // The hook thread: from here on Print Screen presses reach this window.
    // The hooks are installed afresh whenever the session comes back.
    HookThreadObj = std::make_unique<HookThread>(Handle());
    HookThreadObj->Resume();
    hookWatchdog_.emplace(*HookThreadObj);
    Selection().clickBlocker = HookThreadObj.get();
    sessionNotification_.emplace(Handle());
    // Resident: the tray icon shows; then whatever start-up left queued.
    CoolTrayIcon.SetIconVisible(true);
    startedUp_ = true;
    app.ProcessMessages();
}

void TMainForm::FormCloseQuery(bool& canClose)
{
    if (ExitRequested)
        return;
    // The close button, Alt+F4 and the system menu only put the program
    // back into the tray.
    canClose = false;
    ui::App().Minimize();
}

void TMainForm::FormClose(ui::CloseAction&)
{
    // A selection under way ends here, before its overlay goes: mouse events
    // and commands still queued then find nothing to draw on, and clicks
    // pass again.
    Dispatcher.Stop();
    Selection().clickBlocker = nullptr;
    hookWatchdog_.reset();
    StopHookThread(HookThreadObj);
    FreeClickShield();
    FreeFrameForm();
    FreeCaptureForm();
    FreeKbdForm();
    if (InstanceMutex) {
        CloseHandle(InstanceMutex);
        InstanceMutex = nullptr;
    }
    // Whatever the registry refuses, the program ends: nothing is reported.
    if (startedUp_)
        SaveSettings(*this);
}

LRESULT TMainForm::EndSessionQuery(WPARAM wParam, LPARAM lParam)
{
    ExitRequested = true;
    return DefaultHandling(WM_QUERYENDSESSION, wParam, lParam);
}

LRESULT TMainForm::EndSession(WPARAM wParam, LPARAM lParam)
{
    // Another program cancelled the log-off: the session goes on, and the
    // close button goes back to hiding the window.
    if (!wParam)
        ExitRequested = false;
    return DefaultHandling(WM_ENDSESSION, wParam, lParam);
}

void TMainForm::WMWtsSessionChange(WPARAM change)
{
    if (change == WTS_SESSION_UNLOCK)
        RenewHooks();
}

void TMainForm::WMPowerBroadcast(WPARAM event)
{
    if (event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND)
        RenewHooks();
}

void TMainForm::WMHooksFailed(DWORD code)
{
    std::string text = "Cannot install the keyboard and mouse hooks";
    if (const std::string reason = ui::SystemErrorText(code); !reason.empty())
        text += ". " + reason;
    throw Error(text);
}

void TMainForm::RenewHooks()
{
    // Windows removes a low-level hook that kept it waiting, without a word;
    // a sleeping or locked machine is where that happens.
    if (HookThreadObj)
        PostToHookThread(*HookThreadObj, WM_RENEW_HOOKS, 0);
}

void TMainForm::ExitSBClick()
{
    ExitRequested = true;
    Close();
}

void TMainForm::SaveSetSBClick()
{
    // Values that the registry refused are named, so the user knows what a
    // restart would lose; at Exit there is nobody left to tell.
    const std::vector<std::string> failed = SaveSettings(*this);
    if (failed.empty())
        return;
    std::string names;
    for (const std::string& name : failed)
        names += (names.empty() ? "\"" : ", \"") + name + "\"";
    throw Error("Cannot store the settings " + names);
}

void TMainForm::DirSelSBClick()
{
    wchar_t displayName[MAX_PATH + 1] = {};
    BROWSEINFOW info{};
    info.hwndOwner = Handle();
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = L"Please specify a directory";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (!item)
        return;  // cancelled: the directory stays as it was
    // A choice without a file-system path keeps the previous directory
    // rather than taking whatever the buffer holds.
    if (const std::optional<std::string> path = FolderPath(item)) {
        CaptureDirectory = *path;
        DirL.SetText(DirectoryCaption(CaptureDirectory));
    }
    CoTaskMemFree(item);
}

void TMainForm::KeysSBClick()
{
    ShowKbdFormModal();
}

void TMainForm::ApplicationEvents1Minimize()
{
    Hide();
    ui::App().ProcessMessages();
}

void TMainForm::D3DRBClick() {}

}  // namespace snaplark
