#include "ui/PopupMenu.h"

#include <set>
#include <stdexcept>

namespace snaplark::ui {

namespace {

// Menus alive now: an owner message names its menu by a pointer that is
// checked against these before it is followed.
std::set<const PopupMenu*>& LiveMenus()
{
    static std::set<const PopupMenu*> menus;
    return menus;
}

UINT CommandOf(int item) { return static_cast<UINT>(item) + 1; }

}  // namespace

PopupMenu::PopupMenu(const ImageList* images) : menu_(CreatePopupMenu()), images_(images)
{
    if (!menu_)
        throw std::runtime_error("Cannot create a menu");
    LiveMenus().insert(this);
}

PopupMenu::~PopupMenu()
{
    LiveMenus().erase(this);
    DestroyMenu(menu_);
}

int PopupMenu::AddItem(const std::string& caption, int imageIndex, std::function<void()> onClick)
{
    const int item = Count();
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_STRING | MIIM_BITMAP | MIIM_DATA;
    info.wID = CommandOf(item);
    info.dwTypeData = const_cast<char*>(caption.c_str());
    info.hbmpItem = HBMMENU_CALLBACK;
    info.dwItemData = reinterpret_cast<ULONG_PTR>(this);
    if (!InsertMenuItemA(menu_, static_cast<UINT>(item), TRUE, &info))
        throw std::runtime_error("Cannot add a menu item");
    items_.push_back({imageIndex, std::move(onClick)});
    return item;
}

void PopupMenu::AddSeparator()
{
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_ID | MIIM_FTYPE;
    info.fType = MFT_SEPARATOR;
    info.wID = CommandOf(Count());
    if (!InsertMenuItemA(menu_, static_cast<UINT>(Count()), TRUE, &info))
        throw std::runtime_error("Cannot add a menu item");
    items_.push_back({});
}

void PopupMenu::SetImageIndex(int item, int imageIndex)
{
    items_.at(static_cast<size_t>(item)).imageIndex = imageIndex;
    // Setting the callback again makes an open menu measure and draw anew.
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_BITMAP;
    info.hbmpItem = HBMMENU_CALLBACK;
    SetMenuItemInfoA(menu_, static_cast<UINT>(item), TRUE, &info);
}

int PopupMenu::ImageIndex(int item) const
{
    return items_.at(static_cast<size_t>(item)).imageIndex;
}

void PopupMenu::SetEnabled(int item, bool enabled)
{
    EnableMenuItem(menu_, static_cast<UINT>(item), MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool PopupMenu::Enabled(int item) const
{
    const UINT state = GetMenuState(menu_, static_cast<UINT>(item), MF_BYPOSITION);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

void PopupMenu::Popup(HWND owner, int x, int y)
{
    if (OnPopup)
        OnPopup();
    const UINT command = static_cast<UINT>(TrackPopupMenu(
        menu_, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, 0, owner, nullptr));
    if (command != 0)
        Choose(static_cast<int>(command) - 1);
}

void PopupMenu::Choose(int item)
{
    if (item < 0 || item >= Count() || !Enabled(item))
        return;
    // A copy: the handler may change the menu.
    const std::function<void()> handler = items_[static_cast<size_t>(item)].onClick;
    if (handler)
        handler();
}

const ImageList& PopupMenu::ImagesFor(UINT dpi) const
{
    if (images_->Dpi() == dpi)
        return *images_;
    if (scaledImages_.Dpi() != dpi || scaledImages_.Count() != images_->Count())
        scaledImages_ = images_->ForDpi(dpi);
    return scaledImages_;
}

bool PopupMenu::HandleOwnerMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result, UINT dpi)
{
    if (message == WM_MEASUREITEM) {
        auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        const auto* menu = reinterpret_cast<const PopupMenu*>(m->itemData);
        if (m->CtlType != ODT_MENU || !LiveMenus().contains(menu))
            return false;
        m->itemWidth = menu->images_ ? static_cast<UINT>(menu->ImagesFor(dpi).Width()) : 0;
        m->itemHeight = menu->images_ ? static_cast<UINT>(menu->ImagesFor(dpi).Height()) : 0;
        result = TRUE;
        return true;
    }
    if (message == WM_DRAWITEM) {
        const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const auto* menu = reinterpret_cast<const PopupMenu*>(d->itemData);
        if (d->CtlType != ODT_MENU || !LiveMenus().contains(menu))
            return false;
        const int item = static_cast<int>(d->itemID) - 1;
        if (menu->images_ && item >= 0 && item < menu->Count()) {
            const ImageList& images = menu->ImagesFor(dpi);
            const int top = d->rcItem.top + (d->rcItem.bottom - d->rcItem.top - images.Height()) / 2;
            images.Draw(d->hDC, menu->items_[static_cast<size_t>(item)].imageIndex, d->rcItem.left, top);
        }
        result = TRUE;
        return true;
    }
    return false;
}

}  // namespace snaplark::ui
