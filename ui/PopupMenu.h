// A popup menu whose items show pictures from an image list at their left.
// The pictures are drawn by the menu's owner window (HBMMENU_CALLBACK), so
// they keep their masks on every system, and at the owner's DPI.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/ImageList.h"

namespace snaplark::ui {

class PopupMenu {
public:
    explicit PopupMenu(const ImageList* images = nullptr);
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;

    // Appends an item; returns its position in the menu.
    int AddItem(const std::string& caption, int imageIndex, std::function<void()> onClick);
    void AddSeparator();
    void SetImageIndex(int item, int imageIndex);
    int ImageIndex(int item) const;
    // A disabled item shows grey and cannot be chosen.
    void SetEnabled(int item, bool enabled);
    bool Enabled(int item) const;
    int Count() const { return static_cast<int>(items_.size()); }
    HMENU Handle() const { return menu_; }

    // Opens the menu with its top-left corner at the screen point, tracking
    // the right button, and runs the chosen item's handler once it closes.
    // OnPopup runs first, to bring the items' states up to date.
    void Popup(HWND owner, int x, int y);
    std::function<void()> OnPopup;
    // Runs the handler of the item at this position, as choosing it would;
    // nothing for a disabled item.
    void Choose(int item);

    // WM_MEASUREITEM and WM_DRAWITEM for the pictures, which go to the window
    // that opened the menu (whose DPI is dpi); false when they are not about
    // such a menu.
    static bool HandleOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                                   UINT dpi = kDesignDpi);

private:
    struct Item {
        int imageIndex = -1;
        std::function<void()> onClick;
    };

    // The pictures for a window of this DPI: the list itself at its own DPI,
    // a copy made for another one.
    const ImageList& ImagesFor(UINT dpi) const;

    HMENU menu_ = nullptr;
    const ImageList* images_ = nullptr;
    mutable ImageList scaledImages_;
    std::vector<Item> items_;
};

}  // namespace snaplark::ui
