// The tray icon's and the tray menu's side of the main window: the menu's
// items, what choosing them does, and the pictures that show the current
// choices.
#include "app/MainUnit.h"

#include <initializer_list>

#include "resources/PopupPictures.h"
#include "ui/Application.h"
#include "ui/ClickControl.h"

namespace snaplark {

namespace {

struct ChoiceItem {
    int item;
    PopupPicture colour, grey;
};

// The current choice shows in colour in the tray menu, the others in grey.
void ShowCurrentChoice(ui::PopupMenu& menu, std::initializer_list<ChoiceItem> items, int current)
{
    for (const ChoiceItem& c : items)
        menu.SetImageIndex(c.item, c.item == current ? c.colour : c.grey);
}

void ShowCurrentSource(TMainForm& f, int current)
{
    ShowCurrentChoice(f.PopupMenu,
                      {{f.FullscreenPM, kPopupMonitor, kPopupMonitorGrey},
                       {f.RectanglePM, kPopupPencil, kPopupPencilGrey},
                       {f.WindowPM, kPopupWindow, kPopupWindowGrey}},
                      current);
}

void ShowCurrentDestination(TMainForm& f, int current)
{
    ShowCurrentChoice(f.PopupMenu,
                      {{f.ToClipboardPM, kPopupClipSheet, kPopupClipSheetGrey},
                       {f.ToFilePM, kPopupFloppy, kPopupFloppyGrey}},
                      current);
}

}  // namespace

void TMainForm::CreateTrayMenu()
{
    // Every item acts through the main window's own controls, so the menu
    // and the window can never disagree.
    FullscreenPM = PopupMenu.AddItem("Full screen", kPopupMonitorGrey, [this] { FullscreenPMClick(); });
    RectanglePM = PopupMenu.AddItem("Rectangle", kPopupPencilGrey, [this] { RectanglePMClick(); });
    WindowPM = PopupMenu.AddItem("Window", kPopupWindowGrey, [this] { WindowPMClick(); });
    PopupMenu.AddSeparator();
    ToClipboardPM = PopupMenu.AddItem("To Clipboard", kPopupClipSheetGrey, [this] { ToClipboardPMClick(); });
    ToFilePM = PopupMenu.AddItem("To File", kPopupFloppyGrey, [this] { ToFilePMClick(); });
    PopupMenu.AddSeparator();
    OnTimerPM = PopupMenu.AddItem("On Timer", kPopupClockGrey, [this] { OnTimerPMClick(); });
    PopupMenu.AddSeparator();
    RestorePM = PopupMenu.AddItem("Restore", kPopupArrowUp, [this] { RestorePMClick(); });
    MinimizePM = PopupMenu.AddItem("Minimize", kPopupArrowDown, [this] { MinimizePMClick(); });
    ExitPM = PopupMenu.AddItem("Exit", kPopupDoor, [this] { ExitPMClick(); });
    PopupMenu.OnPopup = [this] { PopupMenuPopup(); };
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
    PopupMenu.SetImageIndex(OnTimerPM, checked ? kPopupClock : kPopupClockGrey);
}

void TMainForm::FullscreenRBClick() { ShowCurrentSource(*this, FullscreenPM); }
void TMainForm::RectangleRBClick() { ShowCurrentSource(*this, RectanglePM); }
void TMainForm::WindowRBClick() { ShowCurrentSource(*this, WindowPM); }
void TMainForm::ToClipboardRBClick() { ShowCurrentDestination(*this, ToClipboardPM); }
void TMainForm::ToFileRBClick() { ShowCurrentDestination(*this, ToFilePM); }

}  // namespace snaplark
