// The click that confirms a capture.
#pragma once

#include <windows.h>

namespace snaplark {

inline constexpr DWORD kConfirmationSoundFlags = 0x40005;  // SND_RESOURCE | SND_ASYNC

// Plays the program's WAVE resource "OK" in the background; a click still
// playing starts again. The result is not examined (a missing resource gives
// the system's default sound). Callers decide whether to play it at all.
void PlayConfirmationSound();

// The call that plays it: PlaySoundA by default. Tests replace it to see the
// calls; returns the previous one, and null restores PlaySoundA.
using SoundPlayer = BOOL(WINAPI*)(LPCSTR sound, HMODULE module, DWORD flags);
SoundPlayer SetSoundPlayer(SoundPlayer player);

}  // namespace snaplark
