// The system's own text for an error code, as the program shows it.
#pragma once

#include <windows.h>

#include <string>

namespace snaplark::ui {

// FormatMessage's text for code, without the trailing blanks, line breaks and
// full stops that the system appends; empty when the system has no text.
std::string SystemErrorText(DWORD code);

}  // namespace snaplark::ui
