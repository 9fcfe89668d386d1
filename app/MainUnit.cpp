#include "app/MainUnit.h"

#include <shellapi.h>
#include <shlobj.h>

#include <exception>
#include <utility>

#include "app/CaptureState.h"
#include "app/DirectoryCaption.h"
#include "app/FileVersion.h"
#include "app/OsLabel.h"
#include "app/SettingsStore.h"
#include "capture/CaptureUnit.h"
#include "capture/FrameUnit.h"
#include "capture/SelectionAids.h"
#include "capture/StatusText.h"
#include "capture/CaptureError.h"
#include "input/KbdUnit.h"
#include "resources/ResourceIds.h"
#include "ui/Application.h"
#include "ui/ClickControl.h"

namespace snaplark {

TMainForm* MainForm = nullptr;
bool ExitRequested = false;
HANDLE InstanceMutex = nullptr;
OSVERSIONINFOEXA OsVersionInfo{};
HookThread* HookThreadObj = nullptr;

namespace {

constexpr COLORREF kLinkColor = RGB(0, 0, 255);
constexpr COLORREF kLinkHoverColor = RGB(255, 0, 0);
constexpr DWORD kOsVersionInfoSize = 156;
static_assert(sizeof(OSVERSIONINFOEXA) == kOsVersionInfoSize);

using GetVersionExAFunction = BOOL(WINAPI*)(LPOSVERSIONINFOA);
using RtlGetVersionFunction = LONG(WINAPI*)(PRTL_OSVERSIONINFOW);

// The version the system really runs. GetVersionExA reports 6.2 on Windows
// 8.1, 10 and 11 to programs whose manifest does not name those systems;
// ntdll's RtlGetVersion does not. Falls back to what GetVersionExA gave.
OsVersion TrueOsVersion()
{
    OsVersion v{OsVersionInfo.dwPlatformId, OsVersionInfo.dwMajorVersion,
                OsVersionInfo.dwMinorVersion, OsVersionInfo.dwBuildNumber,
                OsVersionInfo.wProductType};
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto rtlGetVersion = ntdll ? reinterpret_cast<RtlGetVersionFunction>(
                                           reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                                     : nullptr;
    RTL_OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (rtlGetVersion && rtlGetVersion(reinterpret_cast<PRTL_OSVERSIONINFOW>(&info)) == 0)
        v = {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber,
             info.wProductType};
    return v;
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
    CaptureT.SetInterval(500);
    CaptureT.OnTimer = [this] { CaptureTTimer(); };

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

void TMainForm::CreateTrayMenu()
{
    // Every item acts through the main window's own controls, so the menu
    // and the window can never disagree.
    FullscreenPM = PopupMenu.AddItem("Full screen", 10, [this] { FullscreenPMClick(); });
    RectanglePM = PopupMenu.AddItem("Rectangle", 12, [this] { RectanglePMClick(); });
    WindowPM = PopupMenu.AddItem("Window", 14, [this] { WindowPMClick(); });
    PopupMenu.AddSeparator();
    ToClipboardPM = PopupMenu.AddItem("To Clipboard", 4, [this] { ToClipboardPMClick(); });
    ToFilePM = PopupMenu.AddItem("To File", 6, [this] { ToFilePMClick(); });
    PopupMenu.AddSeparator();
    OnTimerPM = PopupMenu.AddItem("On Timer", 8, [this] { OnTimerPMClick(); });
    PopupMenu.AddSeparator();
    RestorePM = PopupMenu.AddItem("Restore", 0, [this] { RestorePMClick(); });
    MinimizePM = PopupMenu.AddItem("Minimize", 1, [this] { MinimizePMClick(); });
    ExitPM = PopupMenu.AddItem("Exit", 2, [this] { ExitPMClick(); });
    PopupMenu.OnPopup = [this] { PopupMenuPopup(); };
}

HICON TMainForm::SmallProgramIcon()
{
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SNAPLARK),
                                         IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

void TMainForm::CreateAboutPanel()
{
    AboutGB.Create(*this, 4, 260, 217, 141, "About");
    Image1.Create(AboutGB, 5, 17, 32, 32);
    Image1.SetIcon(IDI_SNAPLARK);
    ProgNameL.Create(AboutGB, 40, 16, "Snaplark");
    ProgNameL.SetStyle(true, false);
    VersionNL.Create(AboutGB, 40, 32, "Program Version");
    VersionNL.SetFontFace("Tahoma", -11);
    VersionL.Create(AboutGB, 124, 32, "...");
    VersionL.SetFontFace("Tahoma", -11);
    FlagI.Create(AboutGB, 176, 16, 32, 16);
    FlagI.SetPicture("FLAG");

    TaglineL.Create(AboutGB, 4, 52, kTaglineCaption);
    TaglineL.SetColor(kLinkColor);
    FreewareL.Create(AboutGB, 148, 52, kFreewareCaption);
    FreewareL.SetColor(kLinkColor);
    OSL.Create(AboutGB, 2, 68, "");

    HomeNL.Create(AboutGB, 4, 96, "Homepage:");
    HomeL.Create(AboutGB, 72, 96, kHomepageCaption);
    MailNL.Create(AboutGB, 4, 112, "Support E-Mail:");
    MailL.Create(AboutGB, 84, 112, kSupportMailCaption);
    for (ui::Label* link : {&HomeL, &MailL}) {
        link->SetStyle(false, true);
        link->SetColor(kLinkColor);
    }
    HomeL.OnClick = [this] { HomeLClick(); };
    MailL.OnClick = [this] { MailLClick(); };
    HomeL.OnMouseMove = [this](WPARAM, int, int) { HomeLMouseMove(); };
    MailL.OnMouseMove = [this](WPARAM, int, int) { MailLMouseMove(); };
    HomeL.OnMouseLeave = [this] { HomeLMouseLeave(); };
    MailL.OnMouseLeave = [this] { MailLMouseLeave(); };
}

void TMainForm::FormCreate()
{
    ui::Application& app = ui::App();
    // The program starts resident: the main window stays hidden when the
    // message loop starts, and only the tray icon shows.
    app.SetShowMainForm(false);
    app.ProcessMessages();

    // One copy only; a second one ends without a word. A first copy that
    // runs elevated keeps this one from opening its mutex at all: that is
    // "already running" too.
    SetLastError(0);
    InstanceMutex = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
    const DWORD mutexError = GetLastError();
    if (mutexError == ERROR_ALREADY_EXISTS || mutexError == ERROR_ACCESS_DENIED) {
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

    // The About panel names the true version, not the one GetVersionExA
    // admits to.
    OSL.SetText(OsLabelText(TrueOsVersion()));

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
    // The stored settings into the controls, then the autorun check box.
    LoadSettings(*this);
    ApplyAutorunState(*this);
    // The hook thread: from here on Print Screen presses reach this window.
    // The hooks are installed afresh whenever the session comes back.
    HookThreadObj = new HookThread(Handle());
    HookThreadObj->Resume();
    Selection().hookThread = HookThreadObj;
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
    // still queued then find nothing to draw on, and clicks pass again.
    CancelSelections();
    Selection().hookThread = nullptr;
    StopHookThread(HookThreadObj);
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
    char displayName[261] = {};
    BROWSEINFOA info{};
    info.hwndOwner = Handle();
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = "Please specify a directory";
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info);
    if (!item)
        return;  // cancelled: the directory stays as it was
    char path[261] = {};
    // A choice without a file-system path keeps the previous directory
    // rather than taking whatever the buffer holds.
    if (SHGetPathFromIDListA(item, path)) {
        CaptureDirectory = path;
        DirL.SetText(DirectoryCaption(CaptureDirectory));
    }
    CoTaskMemFree(item);
}

void TMainForm::KeysSBClick()
{
    ShowKbdFormModal();
}

void TMainForm::HomeLClick()
{
    ShellExecuteA(ui::App().Handle(), "Open", kHomepageUrl, nullptr, nullptr, SW_SHOWNORMAL);
}

void TMainForm::MailLClick()
{
    ShellExecuteA(ui::App().Handle(), "Open", kSupportMailUri, nullptr, nullptr, SW_SHOWNORMAL);
}

void TMainForm::HomeLMouseMove()
{
    HomeL.SetColor(kLinkHoverColor);
    ui::App().SetCursor(LoadCursorA(nullptr, IDC_HAND));
}

void TMainForm::MailLMouseMove()
{
    MailL.SetColor(kLinkHoverColor);
    ui::App().SetCursor(LoadCursorA(nullptr, IDC_HAND));
}

void TMainForm::HomeLMouseLeave()
{
    HomeL.SetColor(kLinkColor);
    ui::App().SetCursor(nullptr);
}

void TMainForm::MailLMouseLeave()
{
    MailL.SetColor(kLinkColor);
    ui::App().SetCursor(nullptr);
}

void TMainForm::ApplicationEvents1Minimize()
{
    Hide();
    ui::App().ProcessMessages();
}

void TMainForm::ShowFromTray()
{
    ui::Application& app = ui::App();
    // Showing a shown window would activate it over an open modal window.
    if (!Visible())
        Show();
    app.Restore();
    // A modal window open above the main window comes forward instead of it.
    const HWND popup = GetLastActivePopup(app.Handle());
    if (popup != app.Handle() && IsWindowVisible(popup) && IsWindowEnabled(popup))
        SetForegroundWindow(popup);
}

void TMainForm::CoolTrayIconClick()
{
    ShowFromTray();
}

void TMainForm::CoolTrayIconMinimizeToTray()
{
    Hide();
    ui::App().ProcessMessages();
}

void TMainForm::FullscreenPMClick() { ui::ClickControl(FullscreenRB); }
void TMainForm::RectanglePMClick() { ui::ClickControl(RectangleRB); }
void TMainForm::WindowPMClick() { ui::ClickControl(WindowRB); }
void TMainForm::ToClipboardPMClick() { ui::ClickControl(ToClipboardRB); }
void TMainForm::ToFilePMClick() { ui::ClickControl(ToFileRB); }
void TMainForm::OnTimerPMClick() { ui::ClickControl(TimerCB); }
void TMainForm::RestorePMClick() { ShowFromTray(); }
void TMainForm::MinimizePMClick() { ui::App().Minimize(); }

void TMainForm::ExitPMClick()
{
    ExitRequested = true;
    Close();
}

void TMainForm::PopupMenuPopup()
{
    // A disabled control takes no click, so its item takes no choice either
    // (To Clipboard while timer mode forces File).
    const std::pair<int, const ui::Control*> items[] = {
        {FullscreenPM, &FullscreenRB},     {RectanglePM, &RectangleRB}, {WindowPM, &WindowRB},
        {ToClipboardPM, &ToClipboardRB},   {ToFilePM, &ToFileRB},       {OnTimerPM, &TimerCB},
    };
    for (const auto& [item, control] : items)
        PopupMenu.SetEnabled(item, control->Enabled());
}

void TMainForm::SetOnTimerPicture(bool checked)
{
    PopupMenu.SetImageIndex(OnTimerPM, checked ? 7 : 8);
}

// The current choice shows in colour in the tray menu, the others in grey.
void TMainForm::FullscreenRBClick()
{
    PopupMenu.SetImageIndex(FullscreenPM, 9);
    PopupMenu.SetImageIndex(RectanglePM, 12);
    PopupMenu.SetImageIndex(WindowPM, 14);
}

void TMainForm::RectangleRBClick()
{
    PopupMenu.SetImageIndex(FullscreenPM, 10);
    PopupMenu.SetImageIndex(RectanglePM, 11);
    PopupMenu.SetImageIndex(WindowPM, 14);
}

void TMainForm::WindowRBClick()
{
    PopupMenu.SetImageIndex(FullscreenPM, 10);
    PopupMenu.SetImageIndex(RectanglePM, 12);
    PopupMenu.SetImageIndex(WindowPM, 13);
}

void TMainForm::ToClipboardRBClick()
{
    PopupMenu.SetImageIndex(ToClipboardPM, 3);
    PopupMenu.SetImageIndex(ToFilePM, 6);
}

void TMainForm::ToFileRBClick()
{
    PopupMenu.SetImageIndex(ToClipboardPM, 4);
    PopupMenu.SetImageIndex(ToFilePM, 5);
}

void TMainForm::D3DRBClick() {}

}  // namespace snaplark
