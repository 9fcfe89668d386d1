// What the command layer needs of the main window, and nothing more: the
// capture settings of its controls at the moment of a command, hiding it,
// and the confirmation sound. The main window implements it; tests put a
// stand-in in its place.
#pragma once

#include <windows.h>

#include <cstdint>

namespace snaplark {

// The controls as a command finds them. Taken afresh at every Print Screen
// press that does not stop the timer, so a selection under way or a running
// timer keeps the values of the press that started it.
struct CaptureSettings {
    uint8_t destination = 0;  // kToClipboard or kToFile
    uint8_t format = 0;       // kFormatPng, kFormatJpeg or kFormatBmp
    bool useD3D = false;
    bool timerMode = false;
    // What plain Print Screen does: the Source buttons.
    bool fullscreen = false, rectangle = false, window = false;
};

class CommandHost {
public:
    virtual CaptureSettings SampleSettings() const = 0;
    // The timer's interval in milliseconds, read when the timer starts.
    virtual UINT TimerInterval() const = 0;
    virtual void HideMainWindow() = 0;
    // Plays the confirmation sound while the user wants it.
    virtual void ConfirmationSound() = 0;
    // Posts a message to the main window, which hands it back to the
    // dispatcher from its message loop.
    virtual void PostToMainWindow(UINT message) = 0;

protected:
    ~CommandHost() = default;
};

}  // namespace snaplark
