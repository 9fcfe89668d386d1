// The program's error box: the one place where errors that leave a handler
// are shown to the user.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace snaplark::ui {

inline constexpr char kErrorBoxCaption[] = "Snaplark";
// In front of every window: a capture started by a hotkey leaves another
// program in the foreground, behind which the box would wait unseen.
inline constexpr UINT kErrorBoxFlags = MB_ICONERROR | MB_OK | MB_SETFOREGROUND | MB_TOPMOST;

// Shows ErrorBoxText(text) (UTF-8) in a message box owned by the application window,
// with the program's other windows disabled while it is open. One box at a
// time: the box's own message loop goes on handling key presses and timer
// ticks, so a failure told while a box is open waits, and is shown once that
// box is closed, in the order told. A failure the open box or a waiting one
// already tells (SameFailure: a held key's repeats, a timer tick failing
// again) is told once.
void ShowErrorBox(const std::string& text);
// The text of the box on screen now (as given to ShowErrorBox), if one is.
std::optional<std::string> ShownErrorText();

// The text an error caught at a Win32 callback boundary is told with: the
// text of a snaplark::Error or other std::exception, "Out of system
// resources" for an allocation failure, a generic text for anything else.
std::string ErrorTextOf(std::exception_ptr error);

// Shows the box for such an error. Never throws.
void ReportException(std::exception_ptr error) noexcept;

// What actually puts the box up: MessageBoxW by default. Tests replace it to
// read the text without leaving a box open. Returns the previous display;
// an empty function restores MessageBoxW.
using ErrorBoxDisplay =
    std::function<int(HWND owner, const std::string& text, const char* caption, UINT flags)>;
ErrorBoxDisplay SetErrorBoxDisplay(ErrorBoxDisplay display);

}  // namespace snaplark::ui
