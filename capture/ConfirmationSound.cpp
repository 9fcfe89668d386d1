#include "capture/ConfirmationSound.h"

#include "ui/SystemLibrary.h"

namespace snaplark {

namespace {

BOOL WINAPI PlaySystemSound(LPCSTR sound, HMODULE module, DWORD flags)
{
    static const auto play = ui::SystemFunction<SoundPlayer>(L"winmm.dll", "PlaySoundA");
    return play ? play(sound, module, flags) : FALSE;
}

SoundPlayer g_player = PlaySystemSound;

}  // namespace

void PlayConfirmationSound()
{
    // No module handle: the resource is looked up in the program's own file.
    g_player("OK", nullptr, kConfirmationSoundFlags);
}

SoundPlayer SetSoundPlayer(SoundPlayer player)
{
    const SoundPlayer previous = g_player;
    g_player = player ? player : PlaySystemSound;
    return previous;
}

}  // namespace snaplark
