// The shared capture state: values the command dispatch samples from the
// main window's controls at each Print Screen press, and the selection and
// timer state. Main thread only; nothing here is touched by the hook thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "capture/SelectionRect.h"

namespace snaplark {

enum : uint8_t { kToClipboard = 0, kToFile = 1 };
enum : uint8_t { kFormatPng = 0, kFormatJpeg = 1, kFormatBmp = 2 };
// What each tick of a timed capture takes.
enum : uint8_t { kTimerFullScreen = 0, kTimerRectangle = 1, kTimerWindow = 2 };

extern uint8_t CaptureDestination;   // kToClipboard or kToFile
extern uint8_t CaptureFormat;        // kFormatPng, kFormatJpeg or kFormatBmp
extern bool UseD3D;
extern bool TimerMode;
extern std::string CaptureDirectory; // UTF-8; empty: the Pictures folder
extern SelectionRect SelRect;
extern HWND PickedWindow;
extern bool WindowPickActive;
extern bool RectSelectActive;
extern bool Dragging;

}  // namespace snaplark
