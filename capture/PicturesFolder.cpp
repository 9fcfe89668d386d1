#include "capture/PicturesFolder.h"

#include <windows.h>
#include <shlobj.h>

#include "capture/CaptureError.h"
#include "ui/SystemError.h"
#include "ui/SystemLibrary.h"
#include "ui/WideText.h"

namespace snaplark {

namespace {

// FOLDERID_Pictures.
constexpr GUID kPicturesFolderId = {0x33E28130, 0x4E1E, 0x4676,
                                     {0x83, 0x5A, 0x98, 0x39, 0x5C, 0x3B, 0xC3, 0xBB}};

using GetKnownFolderPathFunction = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);

[[noreturn]] void RaiseNoPicturesFolder(HRESULT result)
{
    std::string text = "Cannot find the Pictures folder";
    if (const std::string reason = ui::SystemErrorText(static_cast<DWORD>(result)); !reason.empty())
        text += ". " + reason;
    throw Error(text);
}

}  // namespace

std::string PicturesFolder()
{
    // Vista and later; looked up, so that Windows 2000 and XP still start.
    static const auto getKnownFolderPath =
        ui::SystemFunction<GetKnownFolderPathFunction>(L"shell32.dll", "SHGetKnownFolderPath");
    if (getKnownFolderPath) {
        // Not verified: a folder that is gone is named in the file error,
        // which tells the user more than a lookup that failed.
        PWSTR path = nullptr;
        const HRESULT result =
            getKnownFolderPath(kPicturesFolderId, KF_FLAG_DONT_VERIFY, nullptr, &path);
        const std::wstring folder = SUCCEEDED(result) && path ? path : L"";
        CoTaskMemFree(path);
        if (folder.empty())
            RaiseNoPicturesFolder(result);
        return ui::ToUtf8(folder);
    }
    wchar_t path[MAX_PATH] = {};
    const HRESULT result = SHGetFolderPathW(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, path);
    if (result != S_OK || path[0] == L'\0')
        RaiseNoPicturesFolder(result);
    return ui::ToUtf8(path);
}

}  // namespace snaplark
