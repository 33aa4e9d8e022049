#pragma once
// The cues on Windows, through the system's own player (winmm's PlaySound).
#include "platform/Platform.h"

namespace karuvel {

ISoundPlayer& realSoundPlayer();

} // namespace karuvel
