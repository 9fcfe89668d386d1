#include "capture/ConfirmationSound.h"

#include <mmsystem.h>

namespace snaplark {

namespace {
SoundPlayer g_player = PlaySoundA;
}

void PlayConfirmationSound()
{
    // No module handle: the resource is looked up in the program's own file.
    g_player("OK", nullptr, kConfirmationSoundFlags);
}

SoundPlayer SetSoundPlayer(SoundPlayer player)
{
    const SoundPlayer previous = g_player;
    g_player = player ? player : PlaySoundA;
    return previous;
}

}  // namespace snaplark
