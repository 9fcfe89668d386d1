// The About panel of the main window: its controls, the version it names for
// the system, and the two links.
#include "app/MainUnit.h"

#include <shellapi.h>

#include "app/OsLabel.h"
#include "resources/ResourceIds.h"
#include "ui/Application.h"

namespace snaplark {

namespace {

constexpr COLORREF kLinkColor = RGB(0, 0, 255);
constexpr COLORREF kLinkHoverColor = RGB(255, 0, 0);

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

void OpenLink(const char* target)
{
    ShellExecuteA(ui::App().Handle(), "Open", target, nullptr, nullptr, SW_SHOWNORMAL);
}

// A link under the pointer turns red and shows the hand; off it, it is blue
// again with the usual cursor.
void ShowLinkHovered(ui::Label& link, bool hovered)
{
    link.SetColor(hovered ? kLinkHoverColor : kLinkColor);
    ui::App().SetCursor(hovered ? LoadCursorA(nullptr, IDC_HAND) : nullptr);
}

}  // namespace

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

void TMainForm::ShowOsVersion()
{
    OSL.SetText(OsLabelText(TrueOsVersion()));
}

void TMainForm::HomeLClick() { OpenLink(kHomepageUrl); }
void TMainForm::MailLClick() { OpenLink(kSupportMailUri); }
void TMainForm::HomeLMouseMove() { ShowLinkHovered(HomeL, true); }
void TMainForm::MailLMouseMove() { ShowLinkHovered(MailL, true); }
void TMainForm::HomeLMouseLeave() { ShowLinkHovered(HomeL, false); }
void TMainForm::MailLMouseLeave() { ShowLinkHovered(MailL, false); }

}  // namespace snaplark
