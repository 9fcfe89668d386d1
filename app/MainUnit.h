// The main window: the program's settings panel with the About panel, its
// start-up sequence and its orderly shutdown.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "app/SessionNotification.h"
#include "app/TrayIcon.h"
#include "input/CommandDispatcher.h"
#include "input/HookUnit.h"
#include "input/HookWatchdog.h"
#include "resources/ResourceIds.h"
#include "ui/CheckBox.h"
#include "ui/EditBox.h"
#include "ui/Form.h"
#include "ui/GroupBox.h"
#include "ui/Image.h"
#include "ui/ImageList.h"
#include "ui/Label.h"
#include "ui/PictureButton.h"
#include "ui/PopupMenu.h"
#include "ui/RadioButton.h"
#include "ui/StatusBar.h"
#include "ui/UpDown.h"

namespace snaplark {

// Texts of the About panel.
inline constexpr char kHomepageCaption[] = "snaplark.example.com";
inline constexpr char kHomepageUrl[] = "https://snaplark.example.com/";
inline constexpr char kSupportMailCaption[] = "snaplark@example.com";
inline constexpr char kSupportMailUri[] = "mailto:snaplark@example.com?subject=Snaplark%20support";
inline constexpr char kTaglineCaption[] = "Print Screen, done right";
inline constexpr char kFreewareCaption[] = "Freeware";

inline constexpr char kInstanceMutexName[] = "SnaplarkMutex";
inline constexpr int kMainClientWidth = 223;
inline constexpr int kMainClientHeight = 419;

class TMainForm : public ui::Form, private CommandHost {
public:
    TMainForm();  // builds the controls, then runs FormCreate
    ~TMainForm() override;

    // Source
    ui::GroupBox SGB;
    ui::RadioButton FullscreenRB, RectangleRB, WindowRB;
    // Mode
    ui::GroupBox ModeGB;
    ui::RadioButton GDIRB, D3DRB;
    // Destination
    ui::GroupBox DestGB;
    ui::RadioButton ToClipboardRB, ToFileRB;
    // Directory
    ui::GroupBox GroupBox2;
    ui::PictureButton DirSelSB;
    ui::Label DirL;
    // On Timer
    ui::GroupBox GroupBox1;
    ui::CheckBox TimerCB;
    ui::Label Label6;
    ui::EditBox TimeE;
    ui::UpDown TimeUD;
    ui::Label Label5;
    // Format
    ui::GroupBox FormatGB;
    ui::RadioButton PNGRB, JPEGRB, BMPRB;
    // Bottom row
    ui::CheckBox AutorunCB, SoundCB;
    ui::PictureButton KeysSB, SaveSetSB, ExitSB;
    // About
    ui::GroupBox AboutGB;
    ui::Image Image1;
    ui::Label ProgNameL, VersionNL, VersionL;
    ui::Image FlagI;
    ui::Label TaglineL, FreewareL, OSL;
    ui::Label HomeNL, HomeL, MailNL, MailL;
    ui::StatusBar StatusSB;

    // What Print Screen, the desktop's mouse and the timer CaptureT do; the
    // handlers below hand their messages over to it.
    CommandDispatcher Dispatcher{*this};

    // The tray icon and its menu, which is also this window's context menu.
    // The menu's items are its positions.
    ui::ImageList PopupIL = ui::ImageList::FromBitmapResource("POPUPIL", 16);
    ui::PopupMenu PopupMenu{&PopupIL};
    int FullscreenPM = -1, RectanglePM = -1, WindowPM = -1;
    int ToClipboardPM = -1, ToFilePM = -1;
    int OnTimerPM = -1;
    int RestorePM = -1, MinimizePM = -1, ExitPM = -1;
    TrayIcon CoolTrayIcon{*this, IDI_SNAPLARK, &PopupMenu};

    void FormCreate();
    void FormCloseQuery(bool& canClose);
    void FormClose(ui::CloseAction& action);
    LRESULT EndSessionQuery(WPARAM wParam, LPARAM lParam);
    // The end of a log-off or shutdown, or of its cancelling.
    LRESULT EndSession(WPARAM wParam, LPARAM lParam);
    // The session unlocked, or the system resumed: the hooks may be gone.
    void WMWtsSessionChange(WPARAM change);
    void WMPowerBroadcast(WPARAM event);
    // The hook thread could not install its hooks at start-up.
    void WMHooksFailed(DWORD code);

    void ExitSBClick();
    void SaveSetSBClick();
    void DirSelSBClick();
    void KeysSBClick();
    void HomeLClick();
    void MailLClick();
    void HomeLMouseMove();
    void MailLMouseMove();
    void HomeLMouseLeave();
    void MailLMouseLeave();
    void ApplicationEvents1Minimize();

    // Tray icon and menu.
    void ShowFromTray();
    void CoolTrayIconClick();
    void CoolTrayIconMinimizeToTray();
    void FullscreenPMClick();
    void RectanglePMClick();
    void WindowPMClick();
    void ToClipboardPMClick();
    void ToFilePMClick();
    void OnTimerPMClick();
    void RestorePMClick();
    void MinimizePMClick();
    void ExitPMClick();
    // Items whose control is disabled show grey and cannot be chosen.
    void PopupMenuPopup();
    // The clock of "On Timer": in colour while TimerCB is checked.
    void SetOnTimerPicture(bool checked);

    // Handlers whose work the tray menu and the command layer supply.
    void FullscreenRBClick();
    void RectangleRBClick();
    void WindowRBClick();
    void ToClipboardRBClick();
    void ToFileRBClick();
    void D3DRBClick();
    void TimerCBClick();
    void CaptureTTimer();
    void WMPrtScrPressed(WPARAM modifiers);
    void WMHookMouse(WPARAM mouseMessage);
    void StartFullscreen();

private:
    // What the command layer asks of this window.
    CaptureSettings SampleSettings() const override;
    UINT TimerInterval() const override;
    void HideMainWindow() override;
    void ConfirmationSound() override;
    void PostToMainWindow(UINT message) override;

    void CreateControls();
    void CreateTrayMenu();
    void CreateAboutPanel();
    // The About panel names the true version, not the one GetVersionExA
    // admits to.
    void ShowOsVersion();
    // Undoes a start-up that raised part-way, reports the error and quits.
    void StartUpFailed(std::exception_ptr error);
    void RenewHooks();

    // Set once start-up has run to its end: only then do the controls hold
    // settings worth storing.
    bool startedUp_ = false;
    std::optional<SessionNotification> sessionNotification_;
    std::optional<HookWatchdog> hookWatchdog_;
};

// Module state of the main window's unit.
extern TMainForm* MainForm;
extern bool ExitRequested;
extern HANDLE InstanceMutex;
extern OSVERSIONINFOEXA OsVersionInfo;
extern std::unique_ptr<HookThread> HookThreadObj;

}  // namespace snaplark
