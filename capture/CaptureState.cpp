#include "capture/CaptureState.h"

namespace snaplark {

uint8_t CaptureDestination = kToClipboard;
uint8_t CaptureFormat = kFormatPng;
bool UseD3D = false;
bool TimerMode = false;
std::string CaptureDirectory;
SelectionRect SelRect;
HWND PickedWindow = nullptr;
bool WindowPickActive = false;
bool RectSelectActive = false;
bool Dragging = false;

}  // namespace snaplark
