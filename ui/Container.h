// What a control needs of the window it sits in: a form or a group box.
#pragma once

#include <windows.h>

namespace snaplark::ui {

class Container {
public:
    virtual HWND ContainerHandle() const = 0;
    // The font its children take unless they set their own.
    virtual HFONT ContainerFont() const = 0;
    // The DPI its children's 96-DPI positions and sizes are scaled to.
    virtual UINT ContainerDpi() const = 0;

protected:
    ~Container() = default;
};

}  // namespace snaplark::ui
