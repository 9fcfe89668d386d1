#include "ui/PictureButton.h"

#include <commctrl.h>

#include <utility>

namespace snaplark::ui {

void PictureButton::Create(Container& parent, int left, int top, int width, int height,
                           const char* picture, const std::string& hint)
{
    CreateHandle(parent, "Button", "", BS_PUSHBUTTON | WS_TABSTOP, 0, left, top, width, height);
    pictureName_ = picture;
    ShowPicture();

    if (hint.empty())
        return;
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                               WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetAncestor(Handle(), GA_ROOT),
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(Handle());
    tool.uId = reinterpret_cast<UINT_PTR>(Handle());
    tool.lpszText = const_cast<char*>(hint.c_str());
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void PictureButton::ShowPicture()
{
    ImageList picture = ImageList::FromBitmapResource(pictureName_.c_str(), 16, Dpi());
    BUTTON_IMAGELIST images{picture.Handle(), {0, 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_CENTER};
    SendMessageA(Handle(), BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images));
    // The old pictures go only after the button has let go of them.
    picture_ = std::move(picture);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void PictureButton::ApplyDpi()
{
    Control::ApplyDpi();
    ShowPicture();
}

PictureButton::~PictureButton()
{
    if (tooltip_ && IsWindow(tooltip_))
        DestroyWindow(tooltip_);
}

bool PictureButton::OnParentNotify(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED)
        return false;
    result = 0;
    if (OnClick)
        OnClick();
    return true;
}

}  // namespace snaplark::ui
