#include "ui/ErrorBox.h"

#include <algorithm>
#include <deque>
#include <new>
#include <utility>

#include "ui/ApplicationWindow.h"
#include "ui/DisabledThreadWindows.h"
#include "ui/ErrorText.h"
#include "ui/WideText.h"

namespace snaplark::ui {

namespace {

constexpr char kOutOfResources[] = "Out of system resources";
constexpr char kUnknownError[] = "Unknown error";

ErrorBoxDisplay& Display()
{
    static ErrorBoxDisplay display;
    return display;
}

std::optional<std::string> g_shown;
std::deque<std::string> g_waiting;  // told while a box was open, in order

class BoxOpen {
public:
    explicit BoxOpen(const std::string& text) { g_shown = text; }
    ~BoxOpen() { g_shown.reset(); }
    BoxOpen(const BoxOpen&) = delete;
    BoxOpen& operator=(const BoxOpen&) = delete;
};

int ShowMessageBox(HWND owner, const std::string& text, const char* caption, UINT flags)
{
    return MessageBoxW(owner, ToUtf16(text).c_str(), ToUtf16(caption).c_str(), flags);
}

void ShowBox(const std::string& text)
{
    const std::string shown = ErrorBoxText(text);
    BoxOpen open(text);
    // Modal to the whole program, not only to its owner.
    DisabledThreadWindows disabled;
    if (Display())
        Display()(ApplicationWindow(), shown, kErrorBoxCaption, kErrorBoxFlags);
    else
        ShowMessageBox(ApplicationWindow(), shown, kErrorBoxCaption, kErrorBoxFlags);
}

}  // namespace

void ShowErrorBox(const std::string& text)
{
    if (g_shown) {
        // This runs inside the open box's message loop: a box on top of it
        // would stack, so the failure waits for its turn.
        const auto same = [&](const std::string& told) { return SameFailure(text, told); };
        if (!same(*g_shown) && std::none_of(g_waiting.begin(), g_waiting.end(), same))
            g_waiting.push_back(text);
        return;
    }
    ShowBox(text);
    while (!g_waiting.empty()) {
        const std::string next = std::move(g_waiting.front());
        g_waiting.pop_front();
        ShowBox(next);
    }
}

std::optional<std::string> ShownErrorText() { return g_shown; }

std::string ErrorTextOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        return kOutOfResources;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return kUnknownError;
    }
}

void ReportException(std::exception_ptr error) noexcept
{
    if (!error)
        return;
    try {
        ShowErrorBox(ErrorTextOf(error));
    } catch (...) {
        // Showing the box failed too (no memory left for its text); there is
        // nobody left to tell, and the message loop must go on.
    }
}

ErrorBoxDisplay SetErrorBoxDisplay(ErrorBoxDisplay display)
{
    return std::exchange(Display(), std::move(display));
}

}  // namespace snaplark::ui
