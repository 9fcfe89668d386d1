#include "ui/EditBox.h"

namespace snaplark::ui {

void EditBox::Create(Container& parent, int left, int top, int width, int height,
                     const std::string& text)
{
    CreateHandle(parent, "Edit", text, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                 left, top, width, height);
}

}  // namespace snaplark::ui
